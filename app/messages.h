// Where start-up tells the user what went wrong: a message box once the main window
// exists, standard error before that and with -q. One seam, so tests can answer it.
#ifndef ZOLT_APP_MESSAGES_H_
#define ZOLT_APP_MESSAGES_H_

#include <string>

using MessageSink = void (*)(const std::string& text);

// Shows `text` to the user through the current sink.
void showMessage(const std::string& text);
// Replaces the sink; null restores standard error. Returns the previous sink.
MessageSink setMessageSink(MessageSink sink);

#endif  // ZOLT_APP_MESSAGES_H_
