// Replaying the journal at start-up: each file holds one record, applied in number order.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document/zolt.h"
#include "store/atomic_file.h"
#include "store/journal_files.h"
#include "store/text_util.h"

namespace {

// Items by synchronisation identifier, kept in step with the tree while records are
// applied, so a long journal does not walk the whole tree once per record.
class SyncIndex {
 public:
  explicit SyncIndex(ToDoListGroup* root) { addSubtree(root); }
  ToDoListItem* find(unsigned sid) const {
    auto it = items.find(sid);
    return it == items.end() ? nullptr : it->second;
  }
  void add(ToDoListItem* item) { items.emplace(item->getSyncID(), item); }
  void addSubtree(ToDoListGroup* g) {
    std::vector<ToDoListItem*> subtree;
    g->collectSubtree(subtree);
    for (ToDoListItem* item : subtree) add(item);
  }
  void removeSubtree(ToDoListGroup* g) {
    std::vector<ToDoListItem*> subtree;
    g->collectSubtree(subtree);
    for (ToDoListItem* item : subtree) erase(item);
  }
  void erase(ToDoListItem* item) {
    auto it = items.find(item->getSyncID());
    if (it != items.end() && it->second == item) items.erase(it);
  }

 private:
  std::unordered_map<unsigned, ToDoListItem*> items;
};

}  // namespace

// Removes what a crash may have left behind: journal files, master files and compaction
// markers that were being written (they were never renamed, so they hold nothing that was
// acknowledged). Only the user's own regular files: a name alone does not make a file ours.
void Zolt::removeJournalLeftovers() {
  size_t slash = journalBase.rfind('/');
  std::string dir = slash == std::string::npos ? "." : journalBase.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? journalBase : journalBase.substr(slash + 1);
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  const std::string prefixes[] = {base + ".jtmp", base + ".tmp", base + ".compacted."};
  while (dirent* entry = readdir(d)) {
    std::string name = entry->d_name;
    for (const std::string& prefix : prefixes) {
      if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
        continue;
      }
      std::string path = slash == std::string::npos ? name : dir + name;
      struct stat st;
      if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) {
        unlink(path.c_str());
      }
    }
  }
  closedir(d);
}

// Moves the journal file `from` to `to`, also onto another file system, never over a file.
static bool moveJournalFile(const std::string& from, const std::string& to) {
  int placed = placeExclusively(from, to);
  if (placed < 0 && errno == EXDEV) placed = moveAcrossFileSystems(from, to);
  return placed == 0;
}

// Older versions named the journal after the master file's name as typed: opened through
// a link or another spelling, it is found here once and renamed to the resolved name, from
// the highest number down so that a crash in between leaves each name's run unbroken
// from where the renaming goes on. Only files that are journal files by their content.
void Zolt::adoptJournalOfTypedName() {
  if (typedJournalBase.empty() || typedJournalBase == journalBase) return;
  if (resolvedFileName(typedJournalBase + "0") == journalFileName(0)) return;  // same files
  if (access(journalFileName(0).c_str(), F_OK) == 0) return;  // the resolved run comes first
  int count = 0;
  while (readJournalFile(typedJournalBase + std::to_string(count)).kind ==
         JournalFileKind::kJournal) {
    ++count;
  }
  for (int n = count - 1; n >= 0; --n) {
    std::string old = typedJournalBase + std::to_string(n);
    if (!moveJournalFile(old, journalFileName(n))) {
      std::cerr << "Could not rename the journal file " << old << " to " << journalFileName(n)
                << "\n";
      return;
    }
  }
  if (count > 0) (void)syncDirectoryOf(journalBase);
}

namespace {

// What applying a record needs from the document.
struct ReplayContext {
  ToDoListGroup* root;
  SyncIndex& index;
  unsigned& nrActiveJobs;
  unsigned& idmax;
  T_Calendar& cal;
  std::string why;  // why the last record could not be applied
};

int refuse(ReplayContext& c, const std::string& why) {
  c.why = why;
  return -1;
}

// Takes out the children that a failed new-item record had added and gives the parent its
// own fields back, so that a record is applied whole or not at all.
void takeBackNew(ReplayContext& c, ToDoListGroup* parent, const ToDoListGroup& before,
                 size_t oldToDos, size_t oldGroups) {
  while (parent->getToDos().size() > oldToDos) {
    ToDoListToDo* t = parent->getToDos().back();
    c.index.erase(t);
    (void)parent->delToDo(t, c.nrActiveJobs, c.cal);
  }
  while (parent->getGroups().size() > oldGroups) {
    ToDoListGroup* g = parent->getGroups().back();
    c.index.removeSubtree(g);
    parent->delGroup(g, c.nrActiveJobs, c.cal);
  }
  *parent = before;
  parent->setShowCompleted(before.getShowCompleted());
  parent->setCompletedLast(before.getCompletedLast());
}

// "<new parent=N>", the records of the new children, ">" and "</new>".
int applyNew(ReplayContext& c, const std::string& first, std::istream& is) {
  std::string number = first.substr(12, first.size() - 13);
  unsigned parentID = 0;
  if (first.back() != '>' || !parseFittingNumber(number, parentID)) {
    return refuse(c, "the parent's identifier is no number");
  }
  auto* parent = dynamic_cast<ToDoListGroup*>(c.index.find(parentID));
  // Unknown, or a to-do: content never goes into a to-do.
  if (parent == nullptr) return refuse(c, "no group has the identifier " + number);
  size_t oldToDos = parent->getToDos().size();
  size_t oldGroups = parent->getGroups().size();
  ToDoListGroup before(*parent);
  before.setShowCompleted(parent->getShowCompleted());
  before.setCompletedLast(parent->getCompletedLast());
  int result = parent->readContent(is, c.nrActiveJobs, c.idmax, c.cal);
  for (size_t i = oldToDos; i < parent->getToDos().size(); ++i) c.index.add(parent->getToDos()[i]);
  for (size_t i = oldGroups; i < parent->getGroups().size(); ++i) {
    c.index.addSubtree(parent->getGroups()[i]);
  }
  if (result == 0 && readfLine(is) == "</new>") return 0;
  takeBackNew(c, parent, before, oldToDos, oldGroups);
  return refuse(c, result != 0 ? "an item record is damaged" : "\"</new>\" is missing");
}

// "<deleted>", the identifier, "</deleted>".
int applyDeleted(ReplayContext& c, std::istream& is) {
  std::string number = readfLine(is);
  unsigned sid = 0;
  if (!parseFittingNumber(number, sid)) return refuse(c, "the identifier is no number");
  if (readfLine(is) != "</deleted>") return refuse(c, "\"</deleted>\" is missing");
  ToDoListItem* item = c.index.find(sid);
  if (item == nullptr) return refuse(c, "no item has the identifier " + number);
  ToDoListGroup* group = c.root->getGroupPtr(item->getPath());
  if (group == nullptr) return 0;  // in no reachable group: nothing to do
  if (auto* g = dynamic_cast<ToDoListGroup*>(item)) {
    c.index.removeSubtree(g);
    group->delGroup(g, c.nrActiveJobs, c.cal);
  } else {
    c.index.erase(item);
    if (group->delToDo(static_cast<ToDoListToDo*>(item), c.nrActiveJobs, c.cal) != 0) {
      return refuse(c, "the item is not in the group its path names");
    }
  }
  return 0;
}

// The tree's item that a changed record names, of the record's kind, or null (`why` set).
template <class Item>
Item* changedTarget(ReplayContext& c, Item& scratch, std::istream& is) {
  unsigned scratchJobs = 0, scratchIdmax = 0;
  T_Calendar scratchCal;
  if (scratch.readContent(is, scratchJobs, scratchIdmax, scratchCal) != 0 ||
      !scratch.hasBeenSaved()) {
    c.why = "the item record is damaged";
    return nullptr;
  }
  auto* item = dynamic_cast<Item*>(c.index.find(scratch.getSyncID()));
  if (item == nullptr) {
    c.why = std::string("no ") + (std::is_same<Item, ToDoListGroup>::value ? "group" : "to-do") +
            " has the identifier " + std::to_string(scratch.getSyncID());
  }
  return item;
}

// "<changed>", one record without children, "</changed>": the item keeps its place and
// takes over every other field. The record is read whole before anything changes.
int applyChanged(ReplayContext& c, std::istream& is) {
  std::string start = readfLine(is);
  if (start == "t") {
    ToDoListToDo scratch(0, std::string());
    ToDoListToDo* item = changedTarget(c, scratch, is);
    if (item == nullptr) return -1;
    if (readfLine(is) != "</changed>") return refuse(c, "\"</changed>\" is missing");
    item->removeFromCalLists(c.cal);
    scratch.setID(item->getID());
    scratch.setPath(item->getPath());
    *item = scratch;
    item->putIntoCalList(c.cal);
    return 0;
  }
  if (start != "g") return refuse(c, "the record is neither a to-do nor a group");
  ToDoListGroup scratch(0, std::string(), 0);
  ToDoListGroup* item = changedTarget(c, scratch, is);
  if (item == nullptr) return -1;
  if (readfLine(is) != "</changed>") return refuse(c, "\"</changed>\" is missing");
  scratch.setID(item->getID());
  scratch.setPath(item->getPath());
  *item = scratch;
  // The group's own flags are part of its record, though not of what a copy takes over.
  item->setShowCompleted(scratch.getShowCompleted());
  item->setCompletedLast(scratch.getCompletedLast());
  return 0;
}

// Applies the one record of a journal file: 1 applied, 0 none found, -1 damaged (`why`
// then names the record's line and what is wrong).
int replayFile(ReplayContext& c, std::istream& is) {
  std::string line;
  for (int number = 1; readRawLine(is, line); ++number) {
    line = trimBlanks(line);
    int result;
    if (startsWith(line, "<new parent=")) {
      result = applyNew(c, line, is);
    } else if (startsWith(line, "<deleted>")) {
      result = applyDeleted(c, is);
    } else if (startsWith(line, "<changed>")) {
      result = applyChanged(c, is);
    } else {
      continue;
    }
    if (result == 0) return 1;
    c.why = "line " + std::to_string(number) + ": " + line + ": " + c.why;
    return -1;
  }
  return 0;
}

}  // namespace

// The entries of the set-aside file: each from its "# " line to the next.
static std::unordered_set<std::string> setAsideEntries(const std::string& text) {
  std::unordered_set<std::string> entries;
  size_t from = 0;
  while (from < text.size()) {
    size_t next = text.find("\n# ", from);
    size_t end = next == std::string::npos ? text.size() : next + 1;
    entries.insert(text.substr(from, end - from));
    from = end;
  }
  return entries;
}

// Appends each (journal file, why) of `files` to the set-aside file in one write, headed by
// a line that says where it came from and why, and makes it durable. An entry the file
// already holds (from a recovery that was cut short) is not added again. The file is only
// ever appended to. 0, or -1 with replayProblem saying why.
int Zolt::setAside(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string target = incsave_setAsideName();
  std::string old;
  (void)readWhole(target, old);  // what it cannot read is still never rewritten
  std::unordered_set<std::string> present = setAsideEntries(old);
  std::string text;
  for (const auto& file : files) {
    T_JournalFile journal = readJournalFile(file.first);
    if (journal.content.empty() && journal.kind != JournalFileKind::kJournal) {
      replayProblem = file.first + " cannot be read: " + journal.why;
      return -1;
    }
    std::string entry =
        "# " + file.first + " was not applied: " + file.second + "\n" + journal.content;
    if (!entry.empty() && entry.back() != '\n') entry += '\n';
    if (present.insert(entry).second) text += entry;
  }
  if (text.empty()) return 0;
  std::string why;
  if (appendPrivately(target, text, why) != 0) {
    replayProblem = "cannot write " + target + ": " + why;
    return -1;
  }
  return 0;
}

// Journal files beyond the unbroken run were never replayed and never will be, yet a new
// run growing up to them would take them in: they are set aside in one pass and removed
// before any new record is written. Files under journal names that are not Zolt's are
// left as they are. 0, or -1 when they cannot be set aside (they then stay; `firstStale`
// names the first).
int Zolt::setAsideStaleFiles(int first, std::string& firstStale) {
  std::vector<int> stale;
  std::vector<std::pair<std::string, std::string>> files;
  std::string why = "beyond the gap after file " + std::to_string(journalCount - 1);
  for (int n : journalNumbersOnDisk()) {
    if (n <= journalCount || n < first) continue;
    if (readJournalFile(journalFileName(n)).kind != JournalFileKind::kJournal) continue;
    stale.push_back(n);
    files.emplace_back(journalFileName(n), why);
  }
  if (stale.empty()) return 0;
  if (setAside(files) != 0) {
    firstStale = files.front().first;
    return -1;
  }
  size_t removed = 0;
  for (auto it = stale.rbegin(); it != stale.rend(); ++it) {
    if (remove(journalFileName(*it).c_str()) == 0) ++removed;
  }
  (void)syncDirectoryOf(journalBase);
  journalNotices.push_back(std::to_string(stale.size()) +
                           " journal files beyond the unbroken run were set aside in " +
                           incsave_setAsideName() + "." +
                           (removed == stale.size() ? "" : " Some of them could not be removed."));
  return 0;
}

// The replay of the unbroken run from `first`. A file under a journal name that is not
// Zolt's is passed over and named. Recovering, a file that cannot be applied, or that
// belongs to another user, is set aside and the replay goes on; else it stops there,
// `errorFile` names the file and `replayProblem` says why. 1 applied or set aside, 0
// nothing, -1 as said.
int Zolt::replayRun(int first, bool recover, int& setAsideCount, std::string& errorFile) {
  SyncIndex index(root);
  ReplayContext context{root, index, nrActiveJobs, idmax, calendar, std::string()};
  int changed = 0;
  int n = first;
  for (;; ++n) {
    std::string name = journalFileName(n);
    T_JournalFile file = readJournalFile(name);
    if (file.kind == JournalFileKind::kMissing) break;
    if (file.kind == JournalFileKind::kForeign) {
      journalNotices.push_back(name + " is not a journal file of Zolt's (" + file.why +
                               "): it was left as it is and not read.");
      continue;
    }
    int r = -1;
    if (file.kind == JournalFileKind::kJournal) {
      std::istringstream is(file.content);
      r = replayFile(context, is);
    } else {
      context.why = file.why;
    }
    if (r >= 0) {
      changed |= r;
      journalFiles.push_back(n);
      continue;
    }
    replayProblem = context.why;
    if (!recover || file.content.empty()) {
      if (recover) replayProblem = name + ": " + context.why;
      errorFile = name;
      journalFiles.clear();
      return -1;
    }
    if (setAside({{name, context.why}}) != 0) {
      errorFile = name;
      journalFiles.clear();
      return -1;
    }
    replayProblem = context.why;
    ++setAsideCount;
    changed = 1;
    journalFiles.push_back(n);
  }
  journalCount = n;
  root->checkCompleted();
  // A changed record may start or stop a to-do's recording: count what really runs.
  nrActiveJobs = root->getNrActiveJobs();
  return changed;
}

// Shared by the replay and the recovery: leftovers go, a journal under the name as typed
// is taken over, a compaction that a crash cut short is finished, the run is replayed and
// the files beyond it are set aside.
int Zolt::readJournal(bool recover, int& setAsideCount, std::string& errorFile) {
  replayProblem.clear();
  journalNotices.clear();
  journalFiles.clear();
  journalCount = 0;
  removeJournalLeftovers();
  adoptJournalOfTypedName();
  int first = settleCompactionMarker();
  // Without a journal the tree is as readData left it: the reader counted the running
  // to-dos as it met them and settled the completion counts once at the end, so the index
  // and the recount (three walks of the whole tree) would change nothing.
  int result = 0;
  // lstat: a link left dangling under the first name is no end of the run.
  struct stat st;
  if (lstat(journalFileName(first).c_str(), &st) == 0 || errno != ENOENT) {
    result = replayRun(first, recover, setAsideCount, errorFile);
  } else {
    journalCount = first;
  }
  if (result < 0) return -1;
  if (setAsideStaleFiles(first, errorFile) != 0) {
    replayProblem =
        "journal files beyond the unbroken run could not be set aside: " + replayProblem;
    return -1;
  }
  return result;
}

int Zolt::incsave_readFiles(std::string& errorFile) {
  int ignored = 0;
  return readJournal(false, ignored, errorFile);
}

int Zolt::incsave_recoverFiles(int& setAsideCount) {
  setAsideCount = 0;
  std::string errorFile;
  return readJournal(true, setAsideCount, errorFile);
}
