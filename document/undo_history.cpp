// Undo and redo: the copies kept for each change and how they are put back into the tree.
#include "document/undo_history.h"

#include <algorithm>
#include <sstream>
#include <unordered_set>

#include "document/zolt.h"
#include "store/text_util.h"

// ---- copies and their size ----

// What a block on the heap costs beyond the bytes asked for.
static constexpr size_t kHeapOverhead = 16;

static size_t stringBytes(const std::string& s) {
  return s.capacity() > 15 ? s.capacity() + 1 + kHeapOverhead : 0;
}

// The memory a copy of `t` takes; the description counted twice, as the copy may keep its
// stored form beside the text.
static size_t toDoBytes(const ToDoListToDo& t) {
  size_t descr = static_cast<size_t>(t.getDescrData().getLen());
  return sizeof(ToDoListToDo) + stringBytes(t.getSummary()) + stringBytes(t.getPath()) +
         2 * (descr + kHeapOverhead) + t.getNrTimes() * sizeof(T_workingTimes) + 3 * kHeapOverhead;
}

static size_t groupOwnBytes(const ToDoListGroup& g) {
  return sizeof(ToDoListGroup) + stringBytes(g.getSummary()) + stringBytes(g.getPath()) +
         kHeapOverhead;
}

static size_t subtreeBytes(const ToDoListItem& item) {
  if (auto* t = dynamic_cast<const ToDoListToDo*>(&item)) return toDoBytes(*t);
  auto& g = static_cast<const ToDoListGroup&>(item);
  size_t bytes = groupOwnBytes(g) + (g.getToDos().size() + g.getGroups().size()) * sizeof(void*) +
                 2 * kHeapOverhead;
  for (const ToDoListToDo* t : g.getToDos()) bytes += toDoBytes(*t);
  for (const ToDoListGroup* sub : g.getGroups()) bytes += subtreeBytes(*sub);
  return bytes;
}

// A copy of `t` in no calendar list. Its description is the one the to-do's copy keeps: the
// stored form of an encrypted note, which is what the journal writes back.
static void copyToDo(const ToDoListToDo& from, ToDoListToDo* to) { *to = from; }

static std::unique_ptr<ToDoListToDo> toDoCopy(const ToDoListToDo& t) {
  auto copy = std::make_unique<ToDoListToDo>(0, std::string());
  copyToDo(t, copy.get());
  return copy;
}

static void copyGroupFields(const ToDoListGroup& from, ToDoListGroup* to) {
  *to = from;
  to->setShowCompleted(from.getShowCompleted());
  to->setCompletedLast(from.getCompletedLast());
}

static void copyChildren(const ToDoListGroup& from, ToDoListGroup* to) {
  for (const ToDoListToDo* t : from.getToDos()) copyToDo(*t, to->newToDo());
  for (const ToDoListGroup* sub : from.getGroups()) {
    ToDoListGroup* g = to->newGroup();
    copyGroupFields(*sub, g);
    copyChildren(*sub, g);
  }
}

// A detached copy of `item`: a to-do, a group's own fields, or the group with its subtree.
static std::unique_ptr<ToDoListItem> itemCopy(const ToDoListItem& item, bool withChildren) {
  if (auto* t = dynamic_cast<const ToDoListToDo*>(&item)) return toDoCopy(*t);
  auto& g = static_cast<const ToDoListGroup&>(item);
  auto copy = std::make_unique<ToDoListGroup>(0, std::string(), 0);
  copyGroupFields(g, copy.get());
  if (withChildren) copyChildren(g, copy.get());
  return copy;
}

// Every synchronisation identifier of a copied subtree.
static void subtreeIDs(const ToDoListItem& item, std::vector<unsigned>& ids) {
  ids.push_back(item.getSyncID());
  auto* g = dynamic_cast<const ToDoListGroup*>(&item);
  if (g == nullptr) return;
  for (const ToDoListToDo* t : g->getToDos()) ids.push_back(t->getSyncID());
  for (const ToDoListGroup* sub : g->getGroups()) subtreeIDs(*sub, ids);
}

static bool holds(const ToDoListGroup& g, const ToDoListItem* item) {
  const auto& todos = g.getToDos();
  const auto& groups = g.getGroups();
  return std::find(todos.begin(), todos.end(), item) != todos.end() ||
         std::find(groups.begin(), groups.end(), item) != groups.end();
}

// ---- recording ----

void UndoHistory::setLimits(size_t steps, size_t maxBytesAllowed) {
  maxSteps = std::max<size_t>(steps, 1);
  maxBytes = maxBytesAllowed;
  trim();
}

void UndoHistory::clear() {
  done.clear();
  undone.clear();
  keptBytes = 0;
  tooBig = false;
  pendingBefore.reset();
}

void UndoHistory::dropAll(bool becauseTooBig) {
  clear();
  tooBig = becauseTooBig;
}

// Drops the oldest steps until the bounds hold; steps to redo count as well, and go
// before any step to undo, being the further away.
void UndoHistory::trim() {
  while (done.size() + undone.size() > maxSteps || keptBytes > maxBytes) {
    std::deque<UndoStep>& from = !undone.empty() ? undone : done;
    if (from.empty()) break;
    keptBytes -= from.front().bytes;
    from.pop_front();
  }
}

void UndoHistory::addEdit(UndoEdit e) {
  if (applying) return;
  StepScope scope(*this);
  if (openTooBig) return;
  open.bytes += e.bytes;
  open.edits.push_back(std::move(e));
  if (open.bytes > maxBytes) {
    openTooBig = true;
    open = UndoStep();
  }
}

// A new step makes the undone ones unreachable: redo would put back states that the new
// change may contradict.
void UndoHistory::closeStep() {
  if (openTooBig) {
    openTooBig = false;
    dropAll(true);
    return;
  }
  if (open.edits.empty()) return;
  for (const UndoStep& s : undone) keptBytes -= s.bytes;
  undone.clear();
  tooBig = false;
  keptBytes += open.bytes;
  done.push_back(std::move(open));
  open = UndoStep();
  trim();
}

// An edit that adds (`added`) or removes the whole subtree of `item`. The size is known
// before anything is copied, so a change too big to keep costs no copy.
UndoEdit UndoHistory::subtreeEdit(ToDoListItem* item, unsigned parentSyncID, bool added) {
  UndoEdit e;
  e.syncID = item->getSyncID();
  e.parentSyncID = parentSyncID;
  e.isGroup = dynamic_cast<ToDoListGroup*>(item) != nullptr;
  e.bytes = subtreeBytes(*item);
  if (e.bytes + open.bytes > maxBytes) return e;  // addEdit gives up on the step
  (added ? e.after : e.before) = itemCopy(*item, true);
  return e;
}

void UndoHistory::noteBefore(const ToDoListToDo* t) {
  if (!enabled || applying || t == nullptr) return;
  // Inside an editor session the editor's copy is the state before the whole edit.
  if (doc.rememberedTodo != nullptr || doc.newItemFlag) return;
  pendingBefore = toDoCopy(*t);
}

void UndoHistory::noteSaved(ToDoListItem* item) {
  if (!enabled || applying || item == nullptr) return;
  std::unique_ptr<ToDoListToDo> pending = std::move(pendingBefore);
  ToDoListGroup* parent = doc.root->getGroupPtr(item->getPath());
  if (doc.newItemFlag) {
    if (parent != nullptr) addEdit(subtreeEdit(item, parent->getSyncID(), true));
    return;
  }
  UndoEdit e;
  e.syncID = item->getSyncID();
  e.parentSyncID = parent != nullptr ? parent->getSyncID() : 0;
  e.isGroup = dynamic_cast<ToDoListGroup*>(item) != nullptr;
  if (e.isGroup && doc.rememberedGroup != nullptr) {
    e.before = itemCopy(*doc.rememberedGroup, false);
  } else if (!e.isGroup && doc.rememberedTodo != nullptr) {
    e.before = itemCopy(*doc.rememberedTodo, false);
  } else if (!e.isGroup && pending != nullptr && pending->getSyncID() == e.syncID) {
    e.before = std::move(pending);
  }
  if (e.before == nullptr) {
    // Undo must not reach past a change it cannot revert.
    dropAll(false);
    return;
  }
  e.after = itemCopy(*item, false);
  e.bytes = e.isGroup ? 2 * groupOwnBytes(static_cast<ToDoListGroup&>(*item))
                      : toDoBytes(static_cast<ToDoListToDo&>(*e.before)) +
                            toDoBytes(static_cast<ToDoListToDo&>(*item));
  addEdit(std::move(e));
}

void UndoHistory::noteRemoval(ToDoListItem* item) {
  if (!enabled || applying || item == nullptr || !item->hasBeenSaved()) return;
  ToDoListGroup* parent = doc.root->getGroupPtr(item->getPath());
  if (parent == nullptr || !holds(*parent, item)) return;  // the removal will be refused
  addEdit(subtreeEdit(item, parent->getSyncID(), false));
}

void UndoHistory::removeGroup(ToDoListGroup* g, ToDoListGroup* parent) {
  if (!enabled || applying || !g->hasBeenSaved()) {
    parent->delGroup(g, doc.nrActiveJobs, doc.calendar);
    return;
  }
  UndoEdit e;
  e.syncID = g->getSyncID();
  e.parentSyncID = parent->getSyncID();
  e.isGroup = true;
  e.bytes = subtreeBytes(*g);
  if (e.bytes + open.bytes > maxBytes) {
    parent->delGroup(g, doc.nrActiveJobs, doc.calendar);
    addEdit(std::move(e));  // too big to keep: addEdit gives up on the step
    return;
  }
  e.before.reset(parent->takeGroup(g, doc.nrActiveJobs, doc.calendar));
  addEdit(std::move(e));
}

void UndoHistory::noteInsertion(ToDoListItem* item, const ToDoListGroup* parent) {
  if (!enabled || applying || item == nullptr || parent == nullptr) return;
  addEdit(subtreeEdit(item, parent->getSyncID(), true));
}

void UndoHistory::noteInsertions(const std::vector<ToDoListItem*>& items,
                                 const ToDoListGroup* parent) {
  StepScope step(*this);
  for (ToDoListItem* item : items) noteInsertion(item, parent);
}

// ---- undo and redo ----

int UndoHistory::undo() { return moveLastStep(done, undone, true); }

int UndoHistory::redo() { return moveLastStep(undone, done, false); }

// Applies the last step of `from` backwards (undoing) or forwards and moves it to `to`; a
// step that no longer fits the tree drops the whole history.
int UndoHistory::moveLastStep(std::deque<UndoStep>& from, std::deque<UndoStep>& to,
                              bool undoing) {
  if (from.empty()) return kNothing;
  UndoStep step = std::move(from.back());
  from.pop_back();
  int result = apply(step, undoing);
  if (result == kStale) {
    dropAll(false);
    return result;
  }
  to.push_back(std::move(step));
  return result;
}

// Items by synchronisation identifier; the root first, so that the search results group
// (which has none) never stands for it.
UndoHistory::SyncIndex UndoHistory::indexTree() const {
  std::vector<ToDoListItem*> items;
  doc.root->collectSubtree(items);
  SyncIndex index;
  index.reserve(items.size());
  index.emplace(doc.root->getSyncID(), doc.root);
  for (ToDoListItem* item : items) {
    if (item->getSyncID() != 0) index.emplace(item->getSyncID(), item);
  }
  return index;
}

static bool isGroupItem(const ToDoListItem* item) {
  return dynamic_cast<const ToDoListGroup*>(item) != nullptr;
}

// True when every edit finds the tree as the step left it: what is to change or go is
// there, of its kind; what is to come back is absent, with its identifiers free, and its
// group is there.
bool UndoHistory::applicable(const UndoStep& step, bool undoing, const SyncIndex& index) const {
  for (const UndoEdit& e : step.edits) {
    const ToDoListItem* now = undoing ? e.after.get() : e.before.get();
    const ToDoListItem* target = undoing ? e.before.get() : e.after.get();
    auto found = index.find(e.syncID);
    if (now != nullptr) {
      if (found == index.end() || isGroupItem(found->second) != e.isGroup) return false;
      if (found->second == doc.root && target == nullptr) return false;
      continue;
    }
    if (target == nullptr) return false;
    auto parent = index.find(e.parentSyncID);
    if (parent == index.end() || !isGroupItem(parent->second)) return false;
    std::vector<unsigned> ids;
    subtreeIDs(*target, ids);
    for (unsigned id : ids) {
      if (index.count(id) != 0) return false;
    }
  }
  return true;
}

int UndoHistory::apply(UndoStep& step, bool undoing) {
  SyncIndex index = indexTree();
  if (!applicable(step, undoing, index)) return kStale;
  applying = true;
  journalFailed = false;
  size_t n = step.edits.size();
  for (size_t k = 0; k < n; ++k) {
    const UndoEdit& e = step.edits[undoing ? n - 1 - k : k];
    const ToDoListItem* now = undoing ? e.after.get() : e.before.get();
    const ToDoListItem* target = undoing ? e.before.get() : e.after.get();
    if (now == nullptr) {
      // Items coming back into one group share one new-item record.
      if (!batch.empty() && batchParent != e.parentSyncID) flushInsertions();
      batchParent = e.parentSyncID;
      auto* parent = static_cast<ToDoListGroup*>(index.at(e.parentSyncID));
      batch.push_back(restore(parent, *target, index));
      continue;
    }
    flushInsertions();
    ToDoListItem* item = index.at(e.syncID);
    if (target == nullptr) {
      removeItem(item, index);
    } else {
      change(item, *target);
    }
  }
  flushInsertions();
  doc.root->checkCompleted();
  applying = false;
  return journalFailed ? kNotJournalled : 0;
}

int UndoHistory::flushInsertions() {
  if (batch.empty()) return 0;
  std::ostringstream os;
  os << "<new parent=" << batchParent << ">\n";
  for (ToDoListItem* item : batch) doc.incsave_writeRecord(os, item, true);
  os << ">\n</new>\n";
  batch.clear();
  int result = doc.incsave_commit(os.str());
  if (result != 0) journalFailed = true;
  return result;
}

// Puts a copy of `state` (with its subtree) below `parent` under its own identifiers: the
// same item again, listed in the calendar and counted when it runs.
ToDoListItem* UndoHistory::restore(ToDoListGroup* parent, const ToDoListItem& state,
                                   SyncIndex& index) {
  ToDoListItem* made;
  if (auto* s = dynamic_cast<const ToDoListToDo*>(&state)) {
    ToDoListToDo* t = parent->newToDo();
    unsigned id = t->getID();
    std::string path = t->getPath();
    *t = *s;
    t->setID(id);
    t->setPath(path);
    t->putIntoCalList(doc.calendar);
    if (t->isRunning()) ++doc.nrActiveJobs;
    made = t;
  } else {
    auto& sg = static_cast<const ToDoListGroup&>(state);
    ToDoListGroup* g = parent->newGroup();
    unsigned id = g->getID();
    std::string path = g->getPath();
    copyGroupFields(sg, g);
    g->setID(id);
    g->setPath(path);
    for (const ToDoListToDo* t : sg.getToDos()) restore(g, *t, index);
    for (const ToDoListGroup* sub : sg.getGroups()) restore(g, *sub, index);
    made = g;
  }
  index.emplace(made->getSyncID(), made);
  return made;
}

// A group that leaves the tree takes the current position with it: the view goes to the
// group that held it, and the list positions of the levels left behind are dropped.
void UndoHistory::leaveRemovedGroup(ToDoListGroup* g, ToDoListGroup* holder) {
  std::string gone = g->fullPath();
  if (doc.options.mainViewType != kMainViewSearch && startsWith(doc.curGroupPath, gone)) {
    doc.setGroup(holder);
    while (doc.oldPosInList.size() > holder->getLevel()) doc.oldPosInList.pop_back();
    while (doc.selectedLine.size() > doc.oldPosInList.size()) doc.selectedLine.pop_back();
  }
  doc.forgetPositionsBelow(gone);
}

// Takes `item` and its subtree out of the tree, the rows and the index, and journals it.
void UndoHistory::removeItem(ToDoListItem* item, SyncIndex& index) {
  ToDoListGroup* holder = doc.root->getGroupPtr(item->getPath());
  std::vector<ToDoListItem*> subtree;
  if (auto* g = dynamic_cast<ToDoListGroup*>(item)) {
    g->collectSubtree(subtree);
  } else {
    subtree.push_back(item);
  }
  std::unordered_set<const ToDoListItem*> going(subtree.begin(), subtree.end());
  doc.dropMarkedRows(
      doc.markRowsShowing([&going](const ToDoListItem* i) { return going.count(i) != 0; }));
  if (doc.curItem != nullptr && going.count(doc.curItem) != 0) doc.curItem = nullptr;
  for (ToDoListItem* i : subtree) index.erase(i->getSyncID());
  unsigned sid = item->getSyncID();
  bool saved = item->hasBeenSaved();
  if (auto* g = dynamic_cast<ToDoListGroup*>(item)) {
    leaveRemovedGroup(g, holder);
    holder->delGroup(g, doc.nrActiveJobs, doc.calendar);
  } else {
    holder->delToDo(static_cast<ToDoListToDo*>(item), doc.nrActiveJobs, doc.calendar);
  }
  if (saved && doc.incsave_deleted(sid) != 0) journalFailed = true;
}

// Gives `item` the fields of `state`; it keeps its place, id and path.
void UndoHistory::change(ToDoListItem* item, const ToDoListItem& state) {
  unsigned id = item->getID();
  std::string path = item->getPath();
  if (auto* t = dynamic_cast<ToDoListToDo*>(item)) {
    bool wasRunning = t->isRunning();
    t->removeFromCalLists(doc.calendar);
    *t = static_cast<const ToDoListToDo&>(state);
    t->setID(id);
    t->setPath(path);
    t->putIntoCalList(doc.calendar);
    if (wasRunning && !t->isRunning() && doc.nrActiveJobs > 0) --doc.nrActiveJobs;
    if (!wasRunning && t->isRunning()) ++doc.nrActiveJobs;
  } else {
    auto* g = static_cast<ToDoListGroup*>(item);
    *g = static_cast<const ToDoListGroup&>(state);
    g->setID(id);
    g->setPath(path);
  }
  std::ostringstream os;
  os << "<changed>\n";
  doc.incsave_writeRecord(os, item, false);
  os << "</changed>\n";
  if (doc.incsave_commit(os.str()) != 0) journalFailed = true;
}
