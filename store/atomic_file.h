// Replacing a file so that a crash, a kill or a full disk never leaves it half written:
// the new content goes to a temporary file beside the target, is flushed and synced, and
// is then renamed over the target; the directory is synced last. Any thread.
#ifndef ZOLT_STORE_ATOMIC_FILE_H_
#define ZOLT_STORE_ATOMIC_FILE_H_

#include <functional>
#include <ostream>
#include <string>

// Writes `fileName` with the content that `writeBody` puts into the stream. `writeBody`
// returns false to abandon the write. A new file gets mode 0600; an existing one keeps its
// mode when it is this user's, else gets 0600; a symbolic link stays a link and its target
// is replaced, and a link that leads nowhere or that another user planted in a shared
// folder (FileTools::isPlantedLink) is refused. Returns 0 on success,
// -1 on any failure, and then the previous file is untouched and no temporary file is left.
// `beforeCommit`, when given, runs once the temporary file `tempName` is complete and on
// disk, just before it replaces the target; returning false abandons the write.
[[nodiscard]] int writeFileAtomically(
    const std::string& fileName, const std::function<bool(std::ostream&)>& writeBody,
    const std::function<bool(const std::string& tempName)>& beforeCommit = nullptr);

// `name` as the file system knows it: absolute, through every symbolic link. A file that
// does not exist yet is placed in its resolved folder; `name` itself when not even the
// folder resolves. Every spelling of one file gives the same result.
std::string resolvedFileName(const std::string& name);

// Syncs the directory that holds `name`, so that creating, renaming or removing `name` is
// durable. 0 on success, -1 on failure.
[[nodiscard]] int syncDirectoryOf(const std::string& name);

#endif  // ZOLT_STORE_ATOMIC_FILE_H_
