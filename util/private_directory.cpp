#include "util/private_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

static std::string octal(mode_t mode) {
  char text[8];
  snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// What stands under `dir` when it cannot be opened as a directory.
static std::string whyNotOpened(const std::string& dir, int error) {
  struct stat st;
  if (lstat(dir.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) return "is a symbolic link";
    if (!S_ISDIR(st.st_mode)) return "is not a directory";
  }
  if (error == ENOENT) return "does not exist";
  return std::string("cannot be opened (") + strerror(error) + ")";
}

// Empty when `st` is a directory that this user alone may enter; else why not.
static std::string whyNotPrivate(const struct stat& st) {
  if (!S_ISDIR(st.st_mode)) return "is not a directory";
  if (st.st_uid != geteuid()) {
    return "belongs to another user (uid " + std::to_string(static_cast<long>(st.st_uid)) + ")";
  }
  if ((st.st_mode & 077) != 0) {
    return "is open to other users (mode " + octal(st.st_mode) + ", where 0700 is needed)";
  }
  return std::string();
}

// Opens `dir` and keeps it when it is private. A symbolic link is followed only where the
// user's own environment named the place: in a shared /tmp anyone may plant one.
int PrivateDirectory::usePlace(const std::string& dir, bool followLinks, std::string& why) {
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
  int fd = open(dir.c_str(), flags);
  if (fd < 0) {
    why = dir + " " + whyNotOpened(dir, errno);
    return -1;
  }
  struct stat st;
  std::string problem = fstat(fd, &st) != 0 ? "cannot be examined" : whyNotPrivate(st);
  if (!problem.empty()) {
    close(fd);
    why = dir + " " + problem;
    return -1;
  }
  fd_ = fd;
  path_ = dir;
  return 0;
}

static std::string environment(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

static std::string temporaryBase() {
  std::string tmp = environment("TMPDIR");
  return tmp.empty() ? "/tmp" : tmp;
}

static std::string ownName() { return "zolt-" + std::to_string(static_cast<long>(geteuid())); }

int PrivateDirectory::useUsualPlace(std::string& why, std::string& advice) {
  std::string runtime = environment("XDG_RUNTIME_DIR");
  std::string runtimeWhy;
  if (!runtime.empty() && usePlace(runtime, true, runtimeWhy) == 0) return 0;
  std::string base = temporaryBase();
  std::string dir = base + "/" + ownName();
  advice = "Remove " + dir + " (or have the administrator do it)";
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    int error = errno;
    why = error == ENOENT ? "$TMPDIR names " + base + ", which does not exist"
                          : dir + " cannot be made (" + strerror(error) + ")";
    advice = "Set TMPDIR to a directory of yours, or unset it";
  } else if (usePlace(dir, false, why) == 0) {
    return 0;
  }
  if (!runtimeWhy.empty()) why = "$XDG_RUNTIME_DIR " + runtimeWhy + ", and " + why;
  return -1;
}

int PrivateDirectory::useFreshPlace(std::string& why) {
  std::string bases[] = {temporaryBase(), "/tmp"};
  for (const std::string& base : bases) {
    std::string name = base + "/" + ownName() + "-XXXXXX";
    if (mkdtemp(name.data()) == nullptr) {
      why = base + ": " + strerror(errno);
      continue;
    }
    if (usePlace(name, false, why) == 0) {
      fresh_ = true;
      return 0;
    }
    rmdir(name.c_str());
  }
  return -1;
}

PrivateDirectory::PrivateDirectory() {
  std::string why, advice, freshWhy;
  if (useUsualPlace(why, advice) == 0) return;
  if (useFreshPlace(freshWhy) == 0) {
    note_ = "Zolt keeps its temporary files in " + path_ + " for this session: " + why + ". " +
            advice + ", so that Zolt uses its usual place again.";
    return;
  }
  error_ = "There is no private directory for Zolt's temporary files: " + why +
           ", and no new one could be made (" + freshWhy + "). " + advice +
           ", and make sure /tmp is writable.";
}

PrivateDirectory::~PrivateDirectory() {
  if (fd_ >= 0) close(fd_);
  // Only an empty directory goes: whatever is left in it was put there on purpose.
  if (fresh_) rmdir(path_.c_str());
}

bool PrivateDirectory::stillSound() const {
  struct stat held, named;
  if (fd_ < 0 || fstat(fd_, &held) != 0 || !whyNotPrivate(held).empty()) return false;
  int found = fresh_ || path_ != environment("XDG_RUNTIME_DIR") ? lstat(path_.c_str(), &named)
                                                                : stat(path_.c_str(), &named);
  return found == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

// Six letters or digits from the kernel's random source, so a name cannot be guessed
// ahead and planted.
static std::string randomLetters() {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[6];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    // Uniqueness still holds through O_EXCL; only the guessing gets easier.
    unsigned long seed = static_cast<unsigned long>(time(nullptr)) ^ (getpid() << 16);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(seed = seed * 1103515245 + 12345);
  }
  std::string letters;
  for (unsigned char b : bytes) letters += kAlphabet[b % (sizeof kAlphabet - 1)];
  return letters;
}

static const int kNameTries = 100;

int PrivateDirectory::createFile(const std::string& prefix, const std::string& suffix,
                                 std::string& name, std::string& error) const {
  if (fd_ < 0) {
    error = error_;
    return -1;
  }
  for (int i = 0; i < kNameTries; ++i) {
    std::string base = prefix + randomLetters() + suffix;
    int fd = openat(fd_, base.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      name = path_ + "/" + base;
      return fd;
    }
    if (errno != EEXIST) break;
  }
  error = path_ + ": " + strerror(errno);
  return -1;
}

int PrivateDirectory::createDirectory(const std::string& prefix, std::string& name,
                                      std::string& error) const {
  if (fd_ < 0) {
    error = error_;
    return -1;
  }
  for (int i = 0; i < kNameTries; ++i) {
    std::string base = prefix + randomLetters();
    if (mkdirat(fd_, base.c_str(), 0700) == 0) {
      name = path_ + "/" + base;
      return 0;
    }
    if (errno != EEXIST) break;
  }
  error = path_ + ": " + strerror(errno);
  return -1;
}

PrivateDirectory& processPrivateDirectory() {
  static std::unique_ptr<PrivateDirectory> current;
  static std::string settledFor;
  std::string places = environment("XDG_RUNTIME_DIR") + '\0' + environment("TMPDIR");
  if (!current || places != settledFor || !current->stillSound()) {
    current.reset();  // first, so that an empty fresh directory goes before the next is made
    current.reset(new PrivateDirectory());
    settledFor = places;
  }
  return *current;
}

std::string privateDirectory() { return processPrivateDirectory().path(); }

// Whether `dir` is a directory of this user's that no one else may enter; a symbolic link
// counts only where `followLinks`.
static bool isPrivatePlace(const std::string& dir, bool followLinks) {
  struct stat st;
  int found = followLinks ? stat(dir.c_str(), &st) : lstat(dir.c_str(), &st);
  return found == 0 && whyNotPrivate(st).empty();
}

// The fresh directories "zolt-<uid>-XXXXXX" in `base`.
static void addFreshPlaces(const std::string& base, std::set<std::string>& places) {
  DIR* d = opendir(base.c_str());
  if (d == nullptr) return;
  std::string prefix = ownName() + "-";
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
        isPrivatePlace(base + "/" + name, false)) {
      places.insert(base + "/" + name);
    }
  }
  closedir(d);
}

std::vector<std::string> existingPrivateDirectories() {
  std::set<std::string> places;
  std::string runtime = environment("XDG_RUNTIME_DIR");
  if (!runtime.empty() && isPrivatePlace(runtime, true)) places.insert(runtime);
  std::set<std::string> bases = {temporaryBase(), "/tmp"};
  for (const std::string& base : bases) {
    if (isPrivatePlace(base + "/" + ownName(), false)) places.insert(base + "/" + ownName());
    addFreshPlaces(base, places);
  }
  return std::vector<std::string>(places.begin(), places.end());
}
