// The folder that holds the data file, its lock file and its journal files: made for a new
// default data file, checked for a file named on the command line, so that a missing folder
// is reported as what it is.
#ifndef ZOLT_APP_DATA_FOLDER_H_
#define ZOLT_APP_DATA_FOLDER_H_

#include <string>

// The folder part of `fileName`: "." for a bare name, "/" for a file in the root.
std::string dataFolderOf(const std::string& fileName);
// Makes the folder of `fileName` with every missing folder above it, each with mode 0700
// (the data may be private). 0 when it exists afterwards; -1 with `message` saying why not
// and what to do.
[[nodiscard]] int makeDataFolder(const std::string& fileName, std::string& message);
// 0 when the folder of `fileName` exists; -1 with `message` saying that it does not (or is
// no folder) and what to do. Other problems (permissions) are left to the file's own use.
[[nodiscard]] int checkDataFolder(const std::string& fileName, std::string& message);

#endif  // ZOLT_APP_DATA_FOLDER_H_
