#include "exchange/ics_reimport.h"

#include <cctype>
#include <climits>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "document/zolt.h"
#include "exchange/icalendar.h"
#include "model/todo_list_group.h"
#include "model/todo_list_todo.h"

namespace {

// The document's to-dos by synchronisation identifier and by kept import UID (in tree
// order), built in one walk so that a big import costs no search per item.
struct UidIndex {
  std::unordered_map<unsigned, ToDoListToDo*> bySyncID;
  std::unordered_map<std::string, std::vector<ToDoListToDo*>> byUid;
  std::unordered_set<ToDoListToDo*> taken;  // paired with a built to-do already
};

// Without recursion: a tree may be nested a thousand groups deep.
void indexTree(ToDoListGroup* root, UidIndex& index) {
  std::vector<ToDoListGroup*> pending = {root};
  while (!pending.empty()) {
    ToDoListGroup* g = pending.back();
    pending.pop_back();
    for (ToDoListToDo* t : g->getToDos()) {
      index.bySyncID[t->getSyncID()] = t;
      if (!t->getImportUid().empty()) index.byUid[t->getImportUid()].push_back(t);
    }
    for (auto it = g->getGroups().rbegin(); it != g->getGroups().rend(); ++it) {
      pending.push_back(*it);
    }
  }
}

// The synchronisation identifier a UID of this data file's own export names, or 0.
unsigned ownSyncID(const std::string& uid, const std::string& domain) {
  static const std::string kPrefix = "zolt-";
  size_t at = uid.find('@');
  if (uid.compare(0, kPrefix.size(), kPrefix) != 0 || at == std::string::npos ||
      at == kPrefix.size() || uid.compare(at + 1, std::string::npos, domain) != 0) {
    return 0;
  }
  unsigned long long id = 0;
  for (size_t i = kPrefix.size(); i < at; ++i) {
    if (!isdigit(static_cast<unsigned char>(uid[i]))) return 0;
    id = id * 10 + static_cast<unsigned>(uid[i] - '0');
    if (id > UINT_MAX) return 0;
  }
  return static_cast<unsigned>(id);
}

// The item of the document a built to-do stands for, not yet paired; null when it is new.
ToDoListToDo* existingFor(const ToDoListToDo& built, const std::string& domain, UidIndex& index) {
  const std::string& uid = built.getImportUid();
  if (uid.empty()) return nullptr;
  auto own = index.bySyncID.find(ownSyncID(uid, domain));
  if (own != index.bySyncID.end() && index.taken.insert(own->second).second) return own->second;
  auto kept = index.byUid.find(uid);
  if (kept == index.byUid.end()) return nullptr;
  for (ToDoListToDo* t : kept->second) {
    if (index.taken.insert(t).second) return t;
  }
  return nullptr;
}

using Pairs = std::vector<std::pair<ToDoListToDo*, ToDoListToDo*>>;  // existing, built

void pairUp(ToDoListGroup* built, const std::string& domain, UidIndex& index, Pairs& pairs) {
  std::vector<ToDoListGroup*> pending = {built};
  while (!pending.empty()) {
    ToDoListGroup* g = pending.back();
    pending.pop_back();
    for (ToDoListToDo* t : g->getToDos()) {
      if (ToDoListToDo* old = existingFor(*t, domain, index)) pairs.emplace_back(old, t);
    }
    for (auto it = g->getGroups().rbegin(); it != g->getGroups().rend(); ++it) {
      pending.push_back(*it);
    }
  }
}

// `old` with what `src` says now. An encrypted description stays: an export leaves it out
// (or writes it in clear only when asked), and an import must neither drop it nor store it
// unencrypted.
void takeImport(ToDoListToDo& old, const ToDoListToDo& src) {
  old.takeImportedFields(src);
  if (old.getDescrData().getFlags() & (kDescrEncrypted | kDescrSaveCrypt)) return;
  const char* text = src.getDescrData().getData();
  const char* now = old.getDescrData().getData();
  if ((text == nullptr) != (now == nullptr) || (text && std::string(text) != now)) {
    old.setDescription(text);
  }
}

// Updates each paired item as one journalled change; false when a record failed.
bool applyUpdates(Zolt& doc, const Pairs& pairs, int& updated) {
  bool journalled = true;
  ToDoListToDo* current = doc.getCurItem();
  for (const auto& p : pairs) {
    ++updated;
    ToDoListToDo probe(*p.first);
    takeImport(probe, *p.second);
    if (probe == *p.first) continue;  // nothing new: nothing to record
    doc.getUndoHistory().noteBefore(p.first);
    takeImport(*p.first, *p.second);
    doc.setItem(p.first);
    if (doc.incsave_saveCurItem() != 0) journalled = false;
  }
  doc.setItem(current);
  return journalled;
}

// Takes the paired to-dos out of `built` and drops the groups left empty.
bool pruneBuilt(ToDoListGroup* g, const std::unordered_set<ToDoListToDo*>& updated) {
  unsigned activeJobs = 0;
  T_Calendar scratch;
  std::vector<ToDoListToDo*> todos = g->getToDos();
  for (ToDoListToDo* t : todos) {
    if (updated.count(t) != 0) (void)g->delToDo(t, activeJobs, scratch);
  }
  std::vector<ToDoListGroup*> groups = g->getGroups();
  for (ToDoListGroup* sub : groups) {
    if (pruneBuilt(sub, updated)) g->delGroup(sub, activeJobs, scratch);
  }
  return g->getToDos().empty() && g->getGroups().empty();
}

}  // namespace

int insertOrUpdate(Zolt& doc, ToDoListGroup& built, T_IcsReport& report) {
  if (doc.getMainViewType() == kMainViewSearch) return -1;
  UidIndex index;
  indexTree(doc.getRoot(), index);
  Pairs pairs;
  pairUp(&built, uidDomainOf(doc.getMasterFileName()), index, pairs);
  if (pairs.empty()) return doc.insertGroup(built);
  UndoHistory::StepScope step(doc.getUndoHistory());  // the updates and the new group
  bool journalled = applyUpdates(doc, pairs, report.updated);
  std::unordered_set<ToDoListToDo*> done;
  for (const auto& p : pairs) done.insert(p.second);
  int result = 0;
  if (!pruneBuilt(&built, done)) result = doc.insertGroup(built);
  doc.getRoot()->checkCompleted();
  if (result == 0 && !journalled) result = Zolt::kInsertNotJournalled;
  return result;
}
