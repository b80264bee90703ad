// Replaying the journal at start-up: each file holds one record, applied in number order.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <unordered_map>
#include <vector>

#include "document/zolt.h"
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

// Removes what a crash may have left behind: journal files and master files that were
// being written (they were never renamed, so they hold nothing that was acknowledged).
void Zolt::removeJournalLeftovers() {
  size_t slash = journalBase.rfind('/');
  std::string dir = slash == std::string::npos ? "." : journalBase.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? journalBase : journalBase.substr(slash + 1);
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  const std::string prefixes[] = {base + ".jtmp", base + ".tmp"};
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

namespace {

// What applying a record needs from the document.
struct ReplayContext {
  ToDoListGroup* root;
  SyncIndex& index;
  unsigned& nrActiveJobs;
  unsigned& idmax;
  T_Calendar& cal;
};

// "<new parent=N>", the records of the new children, ">" and "</new>".
int applyNew(ReplayContext& c, const std::string& first, std::istream& is) {
  unsigned parentID = parseNumber(first.substr(12));
  auto* parent = dynamic_cast<ToDoListGroup*>(c.index.find(parentID));
  if (parent == nullptr) return -1;  // unknown, or a to-do: content never goes into a to-do
  size_t oldToDos = parent->getToDos().size();
  size_t oldGroups = parent->getGroups().size();
  int result = parent->readContent(is, c.nrActiveJobs, c.idmax, c.cal);
  for (size_t i = oldToDos; i < parent->getToDos().size(); ++i) c.index.add(parent->getToDos()[i]);
  for (size_t i = oldGroups; i < parent->getGroups().size(); ++i) {
    c.index.addSubtree(parent->getGroups()[i]);
  }
  if (result != 0) return -1;
  return readfLine(is) == "</new>" ? 0 : -1;
}

// "<deleted>", the identifier, "</deleted>".
int applyDeleted(ReplayContext& c, std::istream& is) {
  unsigned sid = parseNumber(readfLine(is));
  if (readfLine(is) != "</deleted>") return -1;
  ToDoListItem* item = c.index.find(sid);
  if (item == nullptr) return -1;
  ToDoListGroup* group = c.root->getGroupPtr(item->getPath());
  if (group == nullptr) return 0;  // in no reachable group: nothing to do
  if (auto* g = dynamic_cast<ToDoListGroup*>(item)) {
    c.index.removeSubtree(g);
    group->delGroup(g, c.nrActiveJobs, c.cal);
  } else {
    c.index.erase(item);
    if (group->delToDo(static_cast<ToDoListToDo*>(item), c.nrActiveJobs, c.cal) != 0) return -1;
  }
  return 0;
}

// "<changed>", one record without children, "</changed>": the item keeps its place and
// takes over every other field.
int applyChanged(ReplayContext& c, std::istream& is) {
  std::string start = readfLine(is);
  unsigned scratchJobs = 0, scratchIdmax = 0;
  T_Calendar scratchCal;
  if (start == "t") {
    ToDoListToDo scratch(0, std::string());
    if (scratch.readContent(is, scratchJobs, scratchIdmax, scratchCal) != 0) return -1;
    auto* item = dynamic_cast<ToDoListToDo*>(c.index.find(scratch.getSyncID()));
    if (item == nullptr || !scratch.hasBeenSaved()) return -1;
    item->removeFromCalLists(c.cal);
    scratch.setID(item->getID());
    scratch.setPath(item->getPath());
    *item = scratch;
    item->putIntoCalList(c.cal);
  } else if (start == "g") {
    ToDoListGroup scratch(0, std::string(), 0);
    if (scratch.readContent(is, scratchJobs, scratchIdmax, scratchCal) != 0) return -1;
    auto* item = dynamic_cast<ToDoListGroup*>(c.index.find(scratch.getSyncID()));
    if (item == nullptr || !scratch.hasBeenSaved()) return -1;
    scratch.setID(item->getID());
    scratch.setPath(item->getPath());
    *item = scratch;
  } else {
    return -1;
  }
  return readfLine(is) == "</changed>" ? 0 : -1;
}

// Applies the one record of a journal file: 1 applied, 0 none found, -1 damaged.
int replayFile(ReplayContext& c, std::istream& is) {
  std::string line;
  while (readRawLine(is, line)) {
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
    return result == 0 ? 1 : -1;
  }
  return 0;
}

}  // namespace

int Zolt::incsave_readFiles(std::string& errorFile) {
  removeJournalLeftovers();
  if (finishInterruptedCompaction()) return 0;
  // Without a journal the tree is as readData left it: the reader counted the running
  // to-dos as it met them and settled the completion counts once at the end, so the index
  // and the recount below (three walks of the whole tree) would change nothing.
  if (access(journalFileName(0).c_str(), F_OK) != 0) {
    journalCount = 0;
    return 0;
  }
  SyncIndex index(root);
  ReplayContext context{root, index, nrActiveJobs, idmax, calendar};
  int applied = 0;
  int n = 0;
  int result = 0;
  for (;; ++n) {
    std::ifstream is(journalFileName(n), std::ios::binary);
    if (!is) break;
    int r = replayFile(context, is);
    if (r < 0) {
      errorFile = journalFileName(n);
      result = -1;
      break;
    }
    applied += r;
  }
  if (result == 0) journalCount = n;
  root->checkCompleted();
  // A changed record may start or stop a to-do's recording: count what really runs.
  nrActiveJobs = root->getNrActiveJobs();
  if (result < 0) return -1;
  return applied > 0 ? 1 : 0;
}
