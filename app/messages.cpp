#include "app/messages.h"

#include <cstdio>

static void toStandardError(const std::string& text) { fprintf(stderr, "%s\n", text.c_str()); }

static MessageSink currentSink = toStandardError;

void showMessage(const std::string& text) { currentSink(text); }

MessageSink setMessageSink(MessageSink sink) {
  MessageSink previous = currentSink;
  currentSink = sink ? sink : toStandardError;
  return previous;
}
