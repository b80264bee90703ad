// The exchange file that copy and paste go through: a private, uniquely named file that
// lives from start-up to shutdown. Only the window needs it.
#ifndef ZOLT_APP_EXCHANGE_FILE_H_
#define ZOLT_APP_EXCHANGE_FILE_H_

#include <string>

// Creates an empty file "zolt??????.tmp" of mode 0600 in the process's private directory
// (util/private_directory.h). Returns its name, or "" when it cannot be created, and then
// `error` says why and what to do. `note` receives the private directory's note when a
// fresh directory stands in for the usual one (the user should hear which and why), else "".
std::string createExchangeFile(std::string& note, std::string& error);
// The same without the explanations.
std::string createExchangeFile();

#endif  // ZOLT_APP_EXCHANGE_FILE_H_
