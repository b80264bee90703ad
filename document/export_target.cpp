#include "document/export_target.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <vector>

#include "document/zolt.h"
#include "store/atomic_file.h"
#include "util/file_tools.h"

// The suffixes after the master file's resolved name that name its companions: the lock
// file, the set-aside file and the compaction marker. Journal files carry a number.
static const char* const kCompanionSuffixes[] = {".lock", ".unapplied", ".compacted"};

static bool isCompanionSuffix(const std::string& suffix) {
  if (suffix.empty()) return true;  // the master file itself
  bool digits = true;
  for (char c : suffix) digits = digits && isdigit(static_cast<unsigned char>(c));
  if (digits) return true;
  for (const char* known : kCompanionSuffixes) {
    if (suffix == known) return true;
  }
  return false;
}

// Every file that stands beside the master file under a companion's name.
static std::vector<std::string> companionsOf(const std::string& master) {
  std::vector<std::string> found;
  size_t slash = master.rfind('/');
  std::string folder = slash == std::string::npos ? "." : master.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? master : master.substr(slash + 1);
  DIR* d = opendir(folder.c_str());
  if (d == nullptr) return {master};
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.compare(0, base.size(), base) == 0 && isCompanionSuffix(name.substr(base.size()))) {
      found.push_back(folder + name);
    }
  }
  closedir(d);
  found.push_back(master);
  return found;
}

bool isDataFilesOwn(const Zolt& doc, const std::string& path) {
  const std::string& master = doc.getJournalBase();
  if (master.empty() || path.empty()) return false;
  std::string resolved = resolvedFileName(path);
  if (resolved.compare(0, master.size(), master) == 0 &&
      isCompanionSuffix(resolved.substr(master.size()))) {
    return true;
  }
  for (const std::string& own : companionsOf(master)) {
    if (FileTools::sameFile(path, own)) return true;
  }
  return false;
}

int checkExportTarget(const Zolt& doc, const std::string& path, std::string& message) {
  if (isDataFilesOwn(doc, path)) {
    message = path + " is Zolt's own data file " + doc.getJournalBase() +
              ", one of the files beside it that keep or guard its changes, or a name that "
              "such a file takes; an export there would replace or mix with your data. Choose "
              "another file name.";
    return -1;
  }
  return FileTools::mayReplace(path, message);
}
