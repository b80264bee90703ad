// Where an export may write. An export replaces its file whole, so it must never land on
// a file that holds or guards the document's data: the master data file, its journal files,
// the journal's compaction marker, the lock file or the set-aside file. Any spelling of
// those counts, a symbolic link or a hard link to them too.
#ifndef ZOLT_DOCUMENT_EXPORT_TARGET_H_
#define ZOLT_DOCUMENT_EXPORT_TARGET_H_

#include <string>

class Zolt;

// Whether `path` is one of the files above for the data file `doc` was read from: the same
// file (device and inode, through symbolic links), or a name that the journal would take
// for one of them. False before a data file was read.
bool isDataFilesOwn(const Zolt& doc, const std::string& path);

// 0 when an export may replace `path`; -1 with `message` for the user when `path` is one
// of the data file's own files (isDataFilesOwn) or no regular file (FileTools::mayReplace).
[[nodiscard]] int checkExportTarget(const Zolt& doc, const std::string& path, std::string& message);

#endif  // ZOLT_DOCUMENT_EXPORT_TARGET_H_
