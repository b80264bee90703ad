// The journal: every change between two full saves goes to a small numbered file beside
// the master file at once, so that a kill or a crash loses nothing acknowledged.
#include <dirent.h>
#include <fcntl.h>
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
#include "store/text_util.h"

static const char kJournalHead[] = "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n";
static const char kTempInfix[] = ".jtmp";          // journal files being written
static const char kMarkerSuffix[] = ".compacted";  // see incsave_compact

std::string Zolt::journalFileName(int n) const { return journalBase + std::to_string(n); }

static bool existsFile(const std::string& name) { return access(name.c_str(), F_OK) == 0; }

static bool writeAll(int fd, const std::string& content) {
  const char* p = content.data();
  size_t left = content.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// Writes `content` to `name` so that `name` appears only complete and durable.
static bool writeDurably(const std::string& name, const std::string& tempPattern,
                         const std::string& content) {
  std::string temp = tempPattern;
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = writeAll(fd, content) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  ok = ok && rename(temp.c_str(), name.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  return syncDirectoryOf(name) == 0;
}

int Zolt::incsave_commit(const std::string& record) {
  std::string name = journalFileName(journalCount);
  if (!writeDurably(name, journalBase + kTempInfix + "XXXXXX",
                    kJournalHead + record + "</data>\n")) {
    journalFailed = true;
    std::cerr << "Could not write the journal file " << name
              << ": changes are no longer being saved as they happen\n";
    return -1;
  }
  ++journalCount;
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

// Size and SHA-1 of a file's content, or "" when it cannot be read.
static std::string fingerprint(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return std::string();
  Hash_SHA1 sha;
  char buffer[65536];
  long long size = 0;
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    sha.Update(buffer, static_cast<int>(in.gcount()));
    size += in.gcount();
  }
  sha.Finish();
  std::ostringstream out;
  out << size << ' ';
  static const char kHex[] = "0123456789abcdef";
  for (int i = 0; i < kSha1DigestLen; ++i) {
    out << kHex[sha.GetDigestByte(i) >> 4] << kHex[sha.GetDigestByte(i) & 15];
  }
  return out.str();
}

// The numbers n of every file named journalBase followed by n (decimal, no leading zero),
// in ascending order, whether or not they belong to the unbroken run from 0.
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

// Removes the journal files `numbers` from the highest down, then syncs the directory: a
// crash in between leaves an unbroken run from 0, never files behind a gap that a later
// journal could join up with.
static int removeFromTheTop(std::vector<int> numbers,
                            const std::function<std::string(int)>& nameOf) {
  std::sort(numbers.rbegin(), numbers.rend());
  int result = 0;
  for (int n : numbers) {
    if (remove(nameOf(n).c_str()) != 0 && errno != ENOENT) result = -1;
  }
  if (!numbers.empty() && syncDirectoryOf(nameOf(0)) != 0) result = -1;
  return result;
}

int Zolt::incsave_delFiles() {
  std::vector<int> run;
  for (int n = 0; n < journalCount || existsFile(journalFileName(n)); ++n) run.push_back(n);
  (void)removeFromTheTop(run, [this](int n) { return journalFileName(n); });
  journalCount = 0;
  return 0;
}

int Zolt::incsave_compact(const char* fileName) {
  std::string marker = journalBase + kMarkerSuffix;
  auto writeMarker = [&marker](const std::string& tempName) {
    std::string print = fingerprint(tempName);
    return !print.empty() && writeDurably(marker, marker + ".XXXXXX", print + "\n");
  };
  int result = writeMaster(fileName, writeMarker);
  if (result == 0) {
    incsave_delFiles();
    // The deletions reach the disk before the marker goes: without the marker, journal
    // files left over would be replayed onto a master file that already holds them.
    (void)syncDirectoryOf(journalBase);
  }
  // The marker must go before any new journal record is written, or a crash later in this
  // run would make the next start drop that record.
  remove(marker.c_str());
  (void)syncDirectoryOf(marker);
  return result;
}

// A crash may have hit a compaction after the new master file was in place: the master
// then already holds every journal record, and replaying them again would add new items
// twice and fail on deleted ones. The marker's fingerprint tells; then the journal is
// removed instead of replayed. Returns true in that case.
// Every numbered file goes then, also those beyond a gap that an older version's removal
// from 0 upwards may have left: they are in the master file as much as the run is. The
// marker's removal is made durable before any new record can be written, since a marker
// that came back after a power cut would make the next start drop that record.
bool Zolt::finishInterruptedCompaction() {
  std::string marker = journalBase + kMarkerSuffix;
  std::ifstream in(marker, std::ios::binary);
  if (!in) return false;
  std::string expected = readfLine(in);
  in.close();
  bool done = !expected.empty() && expected == fingerprint(journalBase);
  if (done) {
    (void)removeFromTheTop(journalNumbersOnDisk(), [this](int n) { return journalFileName(n); });
    journalCount = 0;
  }
  remove(marker.c_str());
  (void)syncDirectoryOf(marker);
  return done;
}
