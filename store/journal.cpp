// The journal: every change between two full saves goes to a small numbered file beside
// the master file at once, so that a kill or a crash loses nothing acknowledged.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "crypt/sha1.h"
#include "document/zolt.h"
#include "store/atomic_file.h"
#include "store/journal_files.h"
#include "store/text_util.h"

static const char kTempInfix[] = ".jtmp";          // journal files being written
static const char kMarkerSuffix[] = ".compacted";  // see incsave_compact

std::string Zolt::journalFileName(int n) const { return journalBase + std::to_string(n); }

// A complete and synced temporary file from `tempPattern` holding `content`; "" on failure.
static std::string writeTemporary(const std::string& tempPattern, const std::string& content) {
  std::string temp = tempPattern;
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return std::string();
  bool ok = writeAllTo(fd, content) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (!ok) {
    unlink(temp.c_str());
    return std::string();
  }
  return temp;
}

// Writes `content` to `name` so that `name` appears only complete and durable.
static bool writeDurably(const std::string& name, const std::string& tempPattern,
                         const std::string& content) {
  std::string temp = writeTemporary(tempPattern, content);
  if (temp.empty()) return false;
  if (rename(temp.c_str(), name.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return syncDirectoryOf(name) == 0;
}

// How many numbers a record passes over when their names are taken by other files.
static const int kMaxTakenNames = 10000;

int Zolt::incsave_commit(const std::string& record) {
  std::string temp =
      writeTemporary(journalBase + kTempInfix + "XXXXXX", kJournalHead + record + "</data>\n");
  int placed = temp.empty() ? -1 : 1;
  for (int tries = 0; placed == 1 && tries < kMaxTakenNames; ++tries) {
    placed = placeExclusively(temp, journalFileName(journalCount));
    if (placed == 1) ++journalCount;  // another file has that name: it stays as it is
  }
  std::string name = journalFileName(journalCount);
  bool durable = placed == 0 && syncDirectoryOf(journalBase) == 0;
  // A placed file is this document's, durable or not: the compaction must remove it.
  if (placed == 0) journalFiles.push_back(journalCount++);
  if (!durable) {
    if (placed != 0 && !temp.empty()) unlink(temp.c_str());
    journalFailed = true;
    std::cerr << "Could not write the journal file " << name
              << ": changes are no longer being saved as they happen\n";
    return -1;
  }
  return 0;
}

// ---- writing records ----

// The group a to-do or group lives in, found by the path it carries.
static ToDoListGroup* parentOf(ToDoListGroup* root, const ToDoListItem* item) {
  return root->getGroupPtr(item->getPath());
}

// A record of `item` as the data file holds it; a group without its children unless
// `withChildren`. Nothing for a null item.
void Zolt::incsave_writeRecord(std::ostream& os, ToDoListItem* item, bool withChildren) {
  if (auto* group = dynamic_cast<ToDoListGroup*>(item)) {
    group->writeContent(os, false, &keys, true, withChildren);
  } else if (auto* todo = dynamic_cast<ToDoListToDo*>(item)) {
    todo->writeContent(os, false, &keys);
  }
}

// A new-item record below `parent` while the new-item flag is set, else a changed-item
// record. Once the new item is in the journal the flag is cleared: a second new-item
// record would add the item twice at the next start.
int Zolt::incsave_saveItem(ToDoListItem* item, ToDoListGroup* parent) {
  if (newItemFlag && parent != nullptr) {
    int result = incsave_newRecord(parent->getSyncID(), item, false);
    if (result == 0) newItemFlag = false;
    return result;
  }
  std::ostringstream os;
  os << "<changed>\n";
  incsave_writeRecord(os, item, false);
  os << "</changed>\n";
  return incsave_commit(os.str());
}

int Zolt::incsave_saveCurItem() {
  history.noteSaved(curItem);  // the step undo reverts
  // The item's own group is its parent; the calendar group is where the calendar view
  // creates items, should the item carry no usable path.
  ToDoListGroup* parent = curItem ? parentOf(root, curItem) : nullptr;
  if (parent == nullptr) {
    parent = options.mainViewType == kMainViewCalendar
                 ? root->getGroupPtrFromSumPath("/", "/<unnamed>/calendar/")
                 : curGroup;
  }
  return incsave_saveItem(curItem, parent ? parent : root);
}

int Zolt::incsave_saveCurGroup() {
  // The search group is no data of the user's: nothing to record, and a record of it
  // could not be replayed.
  if (curGroup != nullptr && curGroup == transientSearchGroup()) return 0;
  history.noteSaved(curGroup);  // the step undo reverts
  return incsave_saveItem(curGroup, curGroup ? parentOf(root, curGroup) : nullptr);
}

int Zolt::incsave_saveGroupFlags() {
  if (curGroup == nullptr || curGroup == transientSearchGroup()) return 0;
  // The root is in every replay's tree, whatever the files hold.
  if (curGroup != root && !curGroup->hasBeenSaved()) return 0;
  std::ostringstream os;
  os << "<changed>\n";
  incsave_writeRecord(os, curGroup, false);
  os << "</changed>\n";
  return incsave_commit(os.str());
}

int Zolt::incsave_deleted(unsigned syncID) {
  return incsave_commit("<deleted>\n" + std::to_string(syncID) + "\n</deleted>\n");
}

int Zolt::incsave_newRecord(unsigned parentSyncID, ToDoListItem* item, bool withChildren) {
  std::ostringstream os;
  os << "<new parent=" << parentSyncID << ">\n";
  incsave_writeRecord(os, item, withChildren);
  os << ">\n</new>\n";
  return incsave_commit(os.str());
}

// ---- remembered copies ----

void Zolt::incsave_rememberTodo() {
  delete rememberedTodo;
  rememberedTodo = curItem ? new ToDoListToDo(*curItem) : nullptr;
  newItemFlag = false;
}

bool Zolt::incsave_todoHasChanged() const {
  if (rememberedTodo && curItem) return *curItem != *rememberedTodo || newItemFlag;
  return newItemFlag;
}

void Zolt::incsave_forgetTodo() {
  delete rememberedTodo;
  rememberedTodo = nullptr;
}

void Zolt::incsave_rememberGroup() {
  if (rememberedGroup == nullptr && curGroup) rememberedGroup = new ToDoListGroup(*curGroup);
  newItemFlag = false;
}

bool Zolt::incsave_groupHasChanged() const {
  if (rememberedGroup && curGroup) return *curGroup != *rememberedGroup || newItemFlag;
  return newItemFlag;
}

void Zolt::incsave_forgetGroup() {
  delete rememberedGroup;
  rememberedGroup = nullptr;
}

// ---- compaction ----

// The numbers n of every file named journalBase followed by n (decimal, no leading zero),
// in ascending order, whatever the files hold.
std::vector<int> Zolt::journalNumbersOnDisk() const {
  std::vector<int> numbers;
  size_t slash = journalBase.rfind('/');
  std::string dir = slash == std::string::npos ? "." : journalBase.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? journalBase : journalBase.substr(slash + 1);
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return numbers;
  while (dirent* entry = readdir(d)) {
    std::string name = entry->d_name;
    if (name.size() <= base.size() || name.compare(0, base.size(), base) != 0) continue;
    std::string digits = name.substr(base.size());
    unsigned n = 0;
    if ((digits.size() > 1 && digits[0] == '0') || digits.size() > 9 ||
        !parseFittingNumber(digits, n)) {
      continue;
    }
    numbers.push_back(static_cast<int>(n));
  }
  closedir(d);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

// Removes the files `numbers` from the highest down, then syncs the directory: a crash in
// between leaves an unbroken run from 0, never files behind a gap that a later journal
// could join up with. Returns the numbers whose files are still there.
static std::vector<int> removeFromTheTop(std::vector<int> numbers,
                                         const std::function<std::string(int)>& nameOf) {
  std::sort(numbers.rbegin(), numbers.rend());
  std::vector<int> kept;
  for (int n : numbers) {
    if (remove(nameOf(n).c_str()) != 0 && errno != ENOENT) kept.insert(kept.begin(), n);
  }
  if (!numbers.empty()) (void)syncDirectoryOf(nameOf(0));
  return kept;
}

static std::string listOfNames(const std::vector<int>& numbers,
                               const std::function<std::string(int)>& nameOf) {
  std::string names;
  for (int n : numbers) names += (names.empty() ? "" : ", ") + nameOf(n);
  return names;
}

int Zolt::incsave_delFiles() {
  auto nameOf = [this](int n) { return journalFileName(n); };
  std::vector<int> kept = removeFromTheTop(journalFiles, nameOf);
  if (!kept.empty()) {
    journalNotices.push_back("The journal files " + listOfNames(kept, nameOf) +
                             " could not be removed.");
  }
  journalFiles.clear();
  journalCount = 0;
  return 0;
}

// Removes every journal file numbered below `below` (the master file holds them all, or
// the set-aside file) and those this document holds; files under journal names that are
// not Zolt's stay. Returns
// the numbers of the journal files that could not be removed.
std::vector<int> Zolt::removeCoveredFiles(int below) {
  std::vector<int> doomed = journalFiles;
  for (int n : journalNumbersOnDisk()) {
    if (n >= below || std::find(doomed.begin(), doomed.end(), n) != doomed.end()) continue;
    // Also another user's journal file: below `below` it was set aside by a recovery.
    JournalFileKind kind = readJournalFile(journalFileName(n)).kind;
    if (kind == JournalFileKind::kJournal || kind == JournalFileKind::kUnreadable) {
      doomed.push_back(n);
    }
  }
  journalFiles.clear();
  return removeFromTheTop(doomed, [this](int n) { return journalFileName(n); });
}

// The marker beside the master file: one line per compaction that may be in place, "SIZE
// SHA1 N" where SIZE and SHA1 are the new master file's and every journal file numbered
// below N is in it. An older line without N stands for every journal file.
struct T_MarkerLine {
  std::string print;
  int below;
};

static std::vector<T_MarkerLine> readMarker(const std::string& marker) {
  std::vector<T_MarkerLine> lines;
  std::ifstream in(marker, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    size_t first = line.find(' ');
    size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    unsigned below = 0;
    if (second == std::string::npos) {
      lines.push_back({line, INT_MAX});
    } else if (parseFittingNumber(line.substr(second + 1), below) && below <= INT_MAX) {
      lines.push_back({line.substr(0, second), static_cast<int>(below)});
    }
  }
  return lines;
}

static std::string markerText(const std::vector<T_MarkerLine>& lines) {
  std::string text;
  for (const T_MarkerLine& l : lines) text += l.print + " " + std::to_string(l.below) + "\n";
  return text;
}

// Ends a compaction whose new master file is in place: the journal files it holds go, and
// so does the marker once none is left. A file that cannot be removed keeps the marker,
// so that it is never replayed over the master file that holds it, and is named.
void Zolt::finishCompaction(const std::string& marker, const T_MarkerLine& line) {
  std::vector<int> kept = removeCoveredFiles(line.below);
  journalCount = 0;
  bool later = false;  // journal files written after the kept files, replayed from there
  for (int n : journalNumbersOnDisk()) {
    if (n >= line.below && readJournalFile(journalFileName(n)).kind == JournalFileKind::kJournal) {
      later = true;
      break;
    }
  }
  if (kept.empty() && !later) {
    remove(marker.c_str());
    (void)syncDirectoryOf(marker);
    return;
  }
  // New records go after the kept files and are replayed from there.
  int below = line.below == INT_MAX ? kept.back() + 1 : line.below;
  journalCount = below;
  if (!writeDurably(marker, marker + ".XXXXXX", markerText({{line.print, below}}))) {
    std::cerr << "Could not rewrite " << marker << "\n";
  }
  if (kept.empty()) return;
  journalNotices.push_back(
      "The journal files " + listOfNames(kept, [this](int n) { return journalFileName(n); }) +
      " could not be removed. Their changes are in the data file and they are not replayed "
      "again; remove them when you can.");
}

int Zolt::incsave_compact(const char* fileName) {
  journalNotices.clear();
  std::string marker = journalBase + kMarkerSuffix;
  std::vector<T_MarkerLine> lines = readMarker(marker);
  const std::vector<T_MarkerLine> before = lines;
  auto writeMarker = [&](const std::string& tempName) {
    std::string print = fileFingerprint(tempName);
    if (print.empty()) return false;
    lines.push_back({print, journalCount});
    return writeDurably(marker, marker + ".XXXXXX", markerText(lines));
  };
  int result = writeMaster(fileName, writeMarker);
  if (result == 0) {
    finishCompaction(marker, lines.back());
  } else if (before.empty()) {
    remove(marker.c_str());
    (void)syncDirectoryOf(marker);
  } else if (lines.size() != before.size()) {
    (void)writeDurably(marker, marker + ".XXXXXX", markerText(before));
  }
  return result;
}

// A crash may have hit a compaction after the new master file was in place, or a journal
// file could not be removed after one: the master then already holds those journal files,
// and replaying them again would add new items twice and fail on deleted ones. The
// marker's fingerprint tells; they are removed then instead of replayed. Returns the
// number the replay starts from: 0, or past the files the master holds while one of them
// is still there.
int Zolt::settleCompactionMarker() {
  std::string marker = journalBase + kMarkerSuffix;
  std::vector<T_MarkerLine> lines = readMarker(marker);
  if (lines.empty() && access(marker.c_str(), F_OK) != 0) return 0;
  std::string print = fileFingerprint(journalBase);
  for (const T_MarkerLine& line : lines) {
    if (print.empty() || line.print != print) continue;
    finishCompaction(marker, line);
    return journalCount;
  }
  // The marker's removal is made durable before any new record can be written, since a
  // marker that came back after a power cut would make the next start drop that record.
  remove(marker.c_str());
  (void)syncDirectoryOf(marker);
  return 0;
}
