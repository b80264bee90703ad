// The files around the master file that the journal reads and writes: telling a journal
// file Zolt wrote from any other file under a journal name, placing a new one without
// ever replacing an existing file, and appending to the set-aside file. Any thread.
#ifndef ZOLT_STORE_JOURNAL_FILES_H_
#define ZOLT_STORE_JOURNAL_FILES_H_

#include <string>
#include <vector>

// The first three lines of every journal file.
extern const char kJournalHead[];

// What a file under a journal name turned out to be.
enum class JournalFileKind {
  kMissing,     // no such name
  kJournal,     // the journal head followed by one record (or by "</data>" alone)
  kForeign,     // anything else: not Zolt's, never read as a record, moved or removed
  kUnreadable,  // ours by name, but it cannot be read, or belongs to another user
};

struct T_JournalFile {
  JournalFileKind kind = JournalFileKind::kMissing;
  std::string content;  // the whole file for kJournal, and for kUnreadable when readable
  std::string why;      // for kForeign and kUnreadable: what it is, said for a person
};

// Reads `name` whole without following a final symbolic link (a link is kForeign).
T_JournalFile readJournalFile(const std::string& name);

// True when `content` is what the journal writes: the head, then a record's first line or
// "</data>".
bool looksLikeJournal(const std::string& content);

// Gives the complete file `temp` the name `name` unless `name` exists already. 0 done,
// 1 when `name` exists (`temp` stays), -1 on any other failure (errno tells).
int placeExclusively(const std::string& temp, const std::string& name);

// Appends `text` to `name` and syncs it, creating it with mode 0600 when missing. Never
// follows a final link, and never writes to a file that belongs to another user. Nothing
// already in the file is read or rewritten. 0, or -1 with `why` set.
int appendPrivately(const std::string& name, const std::string& text, std::string& why);

// The whole content of `name` in `content`: 0, or -1 when it cannot be read to its end
// (errno tells).
int readWhole(const std::string& name, std::string& content);

// Size and SHA-1 of a file's content, or "" when it cannot be read to its end.
std::string fileFingerprint(const std::string& name);

// Copies `from` to `to` (which must not exist), synced, then removes `from`: a rename
// between two file systems. 0, or -1 with `from` kept and no `to` left.
int moveAcrossFileSystems(const std::string& from, const std::string& to);

// Writes all of `text` to `fd`, again after an interrupted call; false on any failure.
bool writeAllTo(int fd, const std::string& text);

#endif  // ZOLT_STORE_JOURNAL_FILES_H_
