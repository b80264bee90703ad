// What may stand under the data file's name before Zolt reads or writes it. Zolt writes
// the data file through a symbolic link to its target and never replaces the link; it
// refuses a link that leads nowhere (a disk or share that is not mounted: a new file in its
// place would hide the real data), a link that another user planted in a shared folder,
// a file of another user in a folder everyone may write to, and anything that is not a
// regular file.
#ifndef ZOLT_APP_DATA_FILE_CHECK_H_
#define ZOLT_APP_DATA_FILE_CHECK_H_

#include <string>

// Where the chain of symbolic links that begins at `path` ends: the first name in it that
// is no link (absolute, or relative to the current folder). `path` itself when it is no
// link; "" when the chain is too long or a link cannot be read.
std::string linkEnd(const std::string& path);

// 0 when `fileName` may be used as the data file (it need not exist); -1 with `message`
// for the user naming what stands there, that it was left alone and what to do.
[[nodiscard]] int checkDataFile(const std::string& fileName, std::string& message);

#endif  // ZOLT_APP_DATA_FILE_CHECK_H_
