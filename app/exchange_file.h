// The exchange file that copy and paste go through: a private, uniquely named file that
// lives from start-up to shutdown.
#ifndef ZOLT_APP_EXCHANGE_FILE_H_
#define ZOLT_APP_EXCHANGE_FILE_H_

#include <string>

// Creates an empty file of mode 0600 with a unique name in $XDG_RUNTIME_DIR, else in a
// 0700 directory of Zolt's own under $TMPDIR or /tmp. Returns its name, or "" when it
// cannot be created.
std::string createExchangeFile();

#endif  // ZOLT_APP_EXCHANGE_FILE_H_
