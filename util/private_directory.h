// The directory where Zolt keeps its short-lived files (the copy-and-paste exchange file,
// the external editor's file): one that only this user can enter.
#ifndef ZOLT_UTIL_PRIVATE_DIRECTORY_H_
#define ZOLT_UTIL_PRIVATE_DIRECTORY_H_

#include <string>

// Returns $XDG_RUNTIME_DIR when it is a directory owned by this user, else the directory
// zolt-<uid> under $TMPDIR (or /tmp), created with mode 0700 if missing. A zolt-<uid> that is
// a symbolic link, belongs to someone else or is open to others is refused: the result is
// then "".
std::string privateDirectory();

#endif  // ZOLT_UTIL_PRIVATE_DIRECTORY_H_
