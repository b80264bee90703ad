#include "store/journal_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "crypt/sha1.h"
#include "store/atomic_file.h"

const char kJournalHead[] = "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n";

static std::string ownerName(uid_t uid) {
  struct passwd* pw = getpwuid(uid);
  return pw != nullptr ? std::string(pw->pw_name) : "user " + std::to_string(uid);
}

static int readFd(int fd, std::string& content) {
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) return 0;
    content.append(buffer, static_cast<size_t>(n));
  }
}

int readWhole(const std::string& name, std::string& content) {
  content.clear();
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  int result = readFd(fd, content);
  int saved = errno;
  close(fd);
  errno = saved;
  return result;
}

bool looksLikeJournal(const std::string& content) {
  // "<type=Zolt>", the version line (which a hand-made file may leave out), "<data>".
  static const char kType[] = "<type=Zolt>\n";
  static const char kVersion[] = "<version=";
  static const char kData[] = "<data>\n";
  if (content.compare(0, std::strlen(kType), kType) != 0) return false;
  size_t at = std::strlen(kType);
  if (content.compare(at, std::strlen(kVersion), kVersion) == 0) {
    size_t end = content.find('\n', at);
    if (end == std::string::npos) return false;
    at = end + 1;
  }
  if (content.compare(at, std::strlen(kData), kData) != 0) return false;
  at += std::strlen(kData);
  // Then a record's first line, or "</data>" alone; never the settings of a master file.
  static const char* const kFirstLines[] = {"<new parent=", "<changed>\n", "<deleted>\n",
                                            "</data>\n"};
  for (const char* first : kFirstLines) {
    if (content.compare(at, std::strlen(first), first) == 0) return true;
  }
  return false;
}

static T_JournalFile unreadable(const std::string& why) {
  T_JournalFile file;
  file.kind = JournalFileKind::kUnreadable;
  file.why = why;
  return file;
}

static T_JournalFile foreign(const std::string& why) {
  T_JournalFile file;
  file.kind = JournalFileKind::kForeign;
  file.why = why;
  return file;
}

// Why `name` cannot be opened, with its owner when that is someone else.
static std::string openFailure(const std::string& name, int error) {
  std::string why = std::string("it cannot be opened: ") + strerror(error);
  struct stat st;
  if (lstat(name.c_str(), &st) == 0 && st.st_uid != geteuid()) {
    why += "; it belongs to " + ownerName(st.st_uid);
  }
  return why;
}

T_JournalFile readJournalFile(const std::string& name) {
  // Non-blocking, so that a pipe under a journal name cannot hang the start.
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    int error = errno;
    if (error == ENOENT) return T_JournalFile();
    if (error == ELOOP) return foreign("it is a symbolic link");
    return unreadable(openFailure(name, error));
  }
  struct stat st;
  T_JournalFile file;
  if (fstat(fd, &st) != 0) {
    file = unreadable(std::string("it cannot be examined: ") + strerror(errno));
  } else if (!S_ISREG(st.st_mode)) {
    file = foreign("it is not a regular file");
  } else if (readFd(fd, file.content) != 0) {
    file = unreadable(std::string("reading it failed: ") + strerror(errno));
  } else if (!looksLikeJournal(file.content)) {
    file = foreign(file.content.empty() ? "it is empty" : "it does not hold a journal record");
  } else if (st.st_uid != geteuid()) {
    // Left by a run as another user, or put there by someone else: not taken in unasked.
    file.kind = JournalFileKind::kUnreadable;
    file.why = "it belongs to " + ownerName(st.st_uid) + ", not to " + ownerName(geteuid());
  } else {
    file.kind = JournalFileKind::kJournal;
  }
  close(fd);
  return file;
}

int placeExclusively(const std::string& temp, const std::string& name) {
  // A hard link is made only where no file of that name exists; the kernel decides
  // atomically, so a file put there meanwhile is never replaced.
  if (link(temp.c_str(), name.c_str()) == 0) {
    unlink(temp.c_str());
    return 0;
  }
  if (errno == EEXIST) return 1;
  if (errno != EPERM && errno != EOPNOTSUPP) return -1;
  // A file system without hard links: the test and the rename are two steps, but journal
  // names are written only by this program, under its lock.
  if (access(name.c_str(), F_OK) == 0) return 1;
  if (errno != ENOENT) return -1;
  return rename(temp.c_str(), name.c_str()) == 0 ? 0 : -1;
}

bool writeAllTo(int fd, const std::string& text) {
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// Opens `name` for appending: a final link only when it is the user's own, and only a
// regular file of the user's.
static int openForAppend(const std::string& name, std::string& why) {
  int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
  struct stat st;
  bool foreignLink = lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && st.st_uid != geteuid();
  if (foreignLink) flags |= O_NOFOLLOW;
  int fd = open(name.c_str(), flags, 0600);
  if (fd < 0) {
    // The kernel refuses such a link with ELOOP, or in a sticky folder with EACCES.
    why = foreignLink ? "it is a symbolic link that belongs to " + ownerName(st.st_uid)
                      : std::string(strerror(errno));
    return -1;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
    why = S_ISREG(st.st_mode) ? "it belongs to " + ownerName(st.st_uid)
                              : std::string("it is not a regular file");
    close(fd);
    return -1;
  }
  return fd;
}

int appendPrivately(const std::string& name, const std::string& text, std::string& why) {
  int fd = openForAppend(name, why);
  if (fd < 0) return -1;
  bool ok = writeAllTo(fd, text) && fsync(fd) == 0;
  if (!ok) why = strerror(errno);
  if (close(fd) != 0 && ok) {
    why = strerror(errno);
    ok = false;
  }
  // A new set-aside file must also survive a power cut as a name.
  if (ok && syncDirectoryOf(name) != 0) {
    why = std::string("its folder cannot be synced: ") + strerror(errno);
    ok = false;
  }
  return ok ? 0 : -1;
}

std::string fileFingerprint(const std::string& name) {
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string();
  Hash_SHA1 sha;
  char buffer[65536];
  long long size = 0;
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    sha.Update(buffer, static_cast<int>(n));
    size += n;
  }
  close(fd);
  // A read error would fingerprint part of the file: no fingerprint then.
  if (n < 0) return std::string();
  sha.Finish();
  std::ostringstream out;
  out << size << ' ';
  static const char kHex[] = "0123456789abcdef";
  for (int i = 0; i < kSha1DigestLen; ++i) {
    out << kHex[sha.GetDigestByte(i) >> 4] << kHex[sha.GetDigestByte(i) & 15];
  }
  return out.str();
}

int moveAcrossFileSystems(const std::string& from, const std::string& to) {
  std::string content;
  if (readWhole(from, content) != 0) return -1;
  int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  bool ok = writeAllTo(fd, content) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  ok = ok && syncDirectoryOf(to) == 0;
  if (!ok) {
    unlink(to.c_str());
    return -1;
  }
  return unlink(from.c_str()) == 0 ? 0 : -1;
}
