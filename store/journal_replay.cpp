// Replaying the journal at start-up: each file holds one record, applied in number order.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "document/zolt.h"
#include "store/atomic_file.h"
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
// acknowledged).
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
      if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
        unlink((slash == std::string::npos ? name : dir + name).c_str());
      }
    }
  }
  closedir(d);
}

// Older versions named the journal after the master file's name as typed: opened through
// a link or another spelling, it is found here once and renamed to the resolved name, from
// the highest number down so that a crash in between leaves each name's run unbroken
// from where the renaming goes on.
void Zolt::adoptJournalOfTypedName() {
  if (typedJournalBase.empty() || typedJournalBase == journalBase) return;
  if (resolvedFileName(typedJournalBase + "0") == journalFileName(0)) return;  // same files
  if (access(journalFileName(0).c_str(), F_OK) == 0) return;  // the resolved run comes first
  int count = 0;
  while (access((typedJournalBase + std::to_string(count)).c_str(), F_OK) == 0) ++count;
  for (int n = count - 1; n >= 0; --n) {
    std::string old = typedJournalBase + std::to_string(n);
    if (rename(old.c_str(), journalFileName(n).c_str()) != 0) {
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

// Appends `journalFile` to the set-aside file, headed by a line that says where it came
// from and why, and makes it durable. 0, or -1 when it cannot be written.
int Zolt::setAside(const std::string& journalFile, const std::string& why) {
  std::string target = incsave_setAsideName();
  std::ifstream old(target, std::ios::binary);
  std::ostringstream kept;
  if (old) kept << old.rdbuf();
  old.close();
  std::ifstream record(journalFile, std::ios::binary);
  if (!record) return -1;
  auto body = [&](std::ostream& os) {
    os << kept.str() << "# " << journalFile << " was not applied: " << why << "\n"
       << record.rdbuf();
    return os.good();
  };
  return writeFileAtomically(target, body);
}

// Numbered journal files beyond the unbroken run were never replayed and never will be,
// yet a new run growing up to them would take them in: they are set aside and removed
// before any new record is written. 0, or -1 when they cannot be (they then stay).
int Zolt::setAsideStaleFiles() {
  std::vector<int> stale;
  for (int n : journalNumbersOnDisk()) {
    if (n > journalCount) stale.push_back(n);
  }
  for (int n : stale) {
    if (setAside(journalFileName(n),
                 "beyond the gap after file " + std::to_string(journalCount - 1)) != 0) {
      return -1;
    }
  }
  for (auto it = stale.rbegin(); it != stale.rend(); ++it) {
    if (remove(journalFileName(*it).c_str()) != 0) return -1;
  }
  if (!stale.empty()) {
    (void)syncDirectoryOf(journalBase);
    std::cerr << stale.size() << " journal files beyond the unbroken run were set aside in "
              << incsave_setAsideName() << "\n";
  }
  return 0;
}

// The replay of the unbroken run. Recovering, a file that cannot be applied is set aside
// and the replay goes on; else it stops there, `errorFile` names the file,
// `replayProblem` says why and journalCount stays 0. 1 applied or set aside, 0 nothing, -1 as said.
int Zolt::replayRun(bool recover, int& setAsideCount, std::string& errorFile) {
  SyncIndex index(root);
  ReplayContext context{root, index, nrActiveJobs, idmax, calendar, std::string()};
  int changed = 0;
  int n = 0;
  int result = 0;
  for (;; ++n) {
    std::ifstream is(journalFileName(n), std::ios::binary);
    if (!is) break;
    int r = replayFile(context, is);
    if (r >= 0) {
      changed |= r;
      continue;
    }
    replayProblem = context.why;
    if (recover && setAside(journalFileName(n), context.why) == 0) {
      ++setAsideCount;
      changed = 1;
      continue;
    }
    errorFile = journalFileName(n);
    result = -1;
    break;
  }
  if (result == 0) journalCount = n;
  root->checkCompleted();
  // A changed record may start or stop a to-do's recording: count what really runs.
  nrActiveJobs = root->getNrActiveJobs();
  return result < 0 ? -1 : changed;
}

// Shared by the replay and the recovery: leftovers go, a journal under the name as typed
// is taken over, a compaction that a crash cut short is finished, the run is replayed and
// the files beyond it are set aside.
int Zolt::readJournal(bool recover, int& setAsideCount, std::string& errorFile) {
  replayProblem.clear();
  journalCount = 0;
  removeJournalLeftovers();
  adoptJournalOfTypedName();
  if (finishInterruptedCompaction()) return 0;
  int result = 0;
  // Without a journal the tree is as readData left it: the reader counted the running
  // to-dos as it met them and settled the completion counts once at the end, so the index
  // and the recount (three walks of the whole tree) would change nothing.
  if (access(journalFileName(0).c_str(), F_OK) == 0) {
    result = replayRun(recover, setAsideCount, errorFile);
  }
  if (result < 0) return -1;
  if (setAsideStaleFiles() != 0) {
    errorFile = journalFileName(journalCount + 1);
    replayProblem =
        "it lies beyond the unbroken run of journal files and could not be set "
        "aside in " +
        incsave_setAsideName();
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
