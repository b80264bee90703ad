// Creating, deleting and transforming items. Each operation checks first and changes
// nothing when it refuses; the journal records are written where the change is made (a
// failed journal write reports itself, so the results are not looked at here).
#include <algorithm>
#include <unordered_map>

#include "document/calendar_lines.h"
#include "document/calendar_view.h"
#include "document/zolt.h"
#include "store/text_util.h"

// The readers refuse groups nested deeper than kMaxGroupDepth (their recursion must not
// run out of stack), so no group is ever made below that level: the journal record and the
// master file could not be read back.
static bool atDeepestGroupLevel(const ToDoListGroup* g) {
  return g->getLevel() >= kMaxGroupDepth;
}

static bool isValidItemPriority(unsigned p) {
  return p <= 6 || p == kBusyPriority || p == kFreePriority;
}

bool Zolt::atGroupDepthLimit(bool forCurrentToDo) {
  ToDoListGroup* g = forCurrentToDo ? (curItem ? groupHolding(curItem) : nullptr) : curGroup;
  return g != nullptr && atDeepestGroupLevel(g);
}

int Zolt::newGroup() {
  if (options.mainViewType != kMainViewNormal || atDeepestGroupLevel(curGroup)) return -1;
  ToDoListGroup* g = curGroup->newGroup();
  setGroup(g);
  g->setSyncID(nextSyncID());
  return 0;
}

// The group "calendar" directly below the root; created and journalled on first use so
// that the new items put into it can be replayed.
ToDoListGroup* Zolt::calendarGroup(bool& made) {
  ToDoListGroup* g = root->getGroupPtrFromSumPath("/", "/<unnamed>/calendar/");
  made = g == nullptr;
  if (g != nullptr) return g;
  g = root->newGroup();
  g->setSyncID(nextSyncID());
  g->setSummary("calendar");
  (void)incsave_newRecord(root->getSyncID(), g, false);  // reports its own failure
  return g;
}

// Gives a new calendar item its kind and the date `day` (a real date without a time).
void Zolt::fillCalendarItem(ToDoListToDo* t, unsigned priority, unsigned day) {
  int y = packedYear(day), m = packedMonth(day), d = packedDay(day);
  t->setPriority(priority, calendar);
  if (priority == kBusyPriority) {
    t->setDate(1, y, m, d, calendar);
    t->setDate(0, y, m, d, calendar);
    t->setTime(1, 8, 0, calendar);
    t->setTime(0, 8, 30, calendar);
    t->setShowTimeAs(1, calendar);
  } else if (priority == kFreePriority) {
    t->setDate(1, y, m, d, calendar);
    t->setDate(0, y, m, d, calendar);
    t->setSummary("");
  } else {
    t->setDate(0, y, m, d, calendar);
    t->setDate(1, y, m, d, calendar);
  }
}

int Zolt::newToDo(unsigned priority, unsigned row) {
  calendarGroupOfNewItem = nullptr;
  if (options.mainViewType == kMainViewNormal) {
    curItem = curGroup->newToDo();
    curItem->setSyncID(nextSyncID());
    return 0;
  }
  if (options.mainViewType != kMainViewCalendar || row >= rowCount()) return -1;
  unsigned rowDay = rowAt(row).day;
  if (static_cast<int>(rowDay) < 0 || !isValidItemPriority(priority)) return -1;
  unsigned day = calendarRowDate(rowDay);
  if (!isValidDate(packedYear(day), packedMonth(day), packedDay(day))) return -1;
  rememberGroup();
  bool made = false;
  setGroup(calendarGroup(made));
  if (made) calendarGroupOfNewItem = curGroup;
  curItem = curGroup->newToDo();
  curItem->setSyncID(nextSyncID());
  fillCalendarItem(curItem, priority, day);
  enterPrevGroup();
  return 0;
}

int Zolt::dropCalendarGroupOfNewItem() {
  ToDoListGroup* g = calendarGroupOfNewItem;
  calendarGroupOfNewItem = nullptr;
  const std::vector<ToDoListGroup*>& top = root->getGroups();
  if (g == nullptr || g == curGroup || std::find(top.begin(), top.end(), g) == top.end()) return 0;
  if (!g->getToDos().empty() || !g->getGroups().empty()) return 0;
  unsigned sid = g->getSyncID();
  if (prevGroup == g) prevGroup = nullptr;
  forgetPositionsBelow(g->fullPath());
  root->delGroup(g, nrActiveJobs, calendar);
  return incsave_deleted(sid);
}

// The group that holds `t`: the current group, or the group its path names.
ToDoListGroup* Zolt::groupHolding(ToDoListToDo* t) {
  for (ToDoListGroup* g : {curGroup, root->getGroupPtr(t->getPath())}) {
    if (g == nullptr) continue;
    const std::vector<ToDoListToDo*>& todos = g->getToDos();
    if (std::find(todos.begin(), todos.end(), t) != todos.end()) return g;
  }
  return nullptr;
}

// The current group is asked first, then the group the to-do's path names (the flat view
// shows to-dos of sub-groups). The journal gets the deletion only once it is done, so it
// never records a deletion that did not happen.
static int deleteToDo(ToDoListToDo* t, ToDoListGroup* curGroup, ToDoListGroup* root,
                      unsigned& nrActiveJobs, T_Calendar& cal) {
  if (curGroup->delToDo(t, nrActiveJobs, cal) == 0) return 0;
  ToDoListGroup* g = root->getGroupPtr(t->getPath());
  return g != nullptr ? g->delToDo(t, nrActiveJobs, cal) : -1;
}

int Zolt::delToDo() {
  if (options.mainViewType != kMainViewNormal && options.mainViewType != kMainViewCalendar) {
    return -1;
  }
  if (curItem == nullptr) return -1;
  unsigned sid = curItem->getSyncID();
  bool saved = curItem->hasBeenSaved();
  const ToDoListToDo* going = curItem;
  RowMarks marks = markRowsShowing([going](const ToDoListItem* i) { return i == going; });
  history.noteRemoval(curItem);  // for undo, while the item lives
  if (deleteToDo(curItem, curGroup, root, nrActiveJobs, calendar) != 0) return -1;
  curItem = nullptr;
  dropMarkedRows(marks);
  if (saved) (void)incsave_deleted(sid);  // reports its own failure
  return 0;
}

// Positions and the current item inside a group about to be deleted are forgotten.
void Zolt::forgetPositionsBelow(const std::string& fullPath) {
  if (curItem != nullptr && startsWith(curItem->getPath(), fullPath)) curItem = nullptr;
  if (prevGroup != nullptr && startsWith(prevGroupPath, fullPath)) prevGroup = nullptr;
  if (preSearchGroup != nullptr && startsWith(preSearchGroupPath, fullPath)) {
    preSearchGroup = nullptr;
  }
}

int Zolt::delCurGroup() {
  if (curGroup == root || options.mainViewType != kMainViewNormal) return -1;
  ToDoListGroup* g = curGroup;
  std::string gonePath = curGroupPath;
  if (leaveCurGroup() != 0) return -1;
  if (g->hasBeenSaved()) (void)incsave_deleted(g->getSyncID());  // reports its own failure
  forgetPositionsBelow(gonePath);
  history.removeGroup(g, curGroup);  // deleted, or kept whole for undo
  root->checkCompleted();
  dropAllRows();  // they showed the deleted group's content
  return 0;
}

namespace {

// The to-dos delCompleted deletes, each once, and for every row the candidate it shows
// (-1 for none). Gathered while every item is alive, so no freed pointer is looked at.
struct CompletedCandidates {
  std::vector<ToDoListToDo*> todos;
  std::vector<long> ofRow;
};

CompletedCandidates collectCompleted(const std::vector<T_viewDataItem>& rows,
                                     const std::vector<ToDoListItem*>& items) {
  CompletedCandidates c;
  std::unordered_map<const ToDoListItem*, long> index;
  for (size_t i = 0; i < rows.size(); ++i) {
    const T_viewDataItem& r = rows[i];
    if (r.isGroup || !r.completed || r.priority >= 7 || items[i] == nullptr) continue;
    if (index.emplace(items[i], static_cast<long>(c.todos.size())).second) {
      c.todos.push_back(static_cast<ToDoListToDo*>(items[i]));
    }
  }
  c.ofRow.assign(rows.size(), -1);
  for (size_t i = 0; i < rows.size(); ++i) {
    auto it = index.find(items[i]);
    if (it != index.end()) c.ofRow[i] = it->second;
  }
  return c;
}

}  // namespace

// Every row is looked at: the calendar's lines are made rows first.
int Zolt::delCompleted() {
  UndoHistory::StepScope undoStep(history);  // the deletions are undone together
  makeAllRows();
  CompletedCandidates c = collectCompleted(rows, rowItems);
  std::vector<bool> deleted(c.todos.size(), false);
  int result = 0;
  for (size_t k = 0; k < c.todos.size(); ++k) {
    ToDoListToDo* t = c.todos[k];
    unsigned sid = t->getSyncID();
    bool saved = t->hasBeenSaved();
    bool current = t == curItem;
    history.noteRemoval(t);  // for undo, while the item lives
    if (deleteToDo(t, curGroup, root, nrActiveJobs, calendar) != 0) {
      result = -1;
      break;
    }
    deleted[k] = true;
    if (current) curItem = nullptr;
    if (saved) (void)incsave_deleted(sid);  // reports its own failure
  }
  dropDeletedRows(c.ofRow, deleted);
  return result;
}

Zolt::RowMarks Zolt::markRowsShowing(const std::function<bool(const ToDoListItem*)>& shows) const {
  RowMarks marks;
  marks.ofRow.assign(rowItems.size(), -1);
  for (size_t i = 0; i < rowItems.size(); ++i) {
    if (shows(rowItems[i])) marks.ofRow[i] = 0;
  }
  if (calendarLines != nullptr) marks.looks = calendarLines->looksShowing(shows);
  return marks;
}

// The calendar's lines drop theirs through the spans, without making a row.
void Zolt::dropMarkedRows(const RowMarks& marks) {
  dropDeletedRows(marks.ofRow, {true});
  if (calendarLines != nullptr) calendarLines->dropLooks(marks.looks);
}

// Removes the rows of deleted to-dos from the three view vectors, keeping them parallel
// and the order of the rows that stay. The search results view keeps its rows, so it
// must not keep pointers to freed to-dos.
void Zolt::dropDeletedRows(const std::vector<long>& ofRow, const std::vector<bool>& deleted) {
  std::vector<long> newIndex(rows.size(), -1);
  size_t kept = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (ofRow[i] >= 0 && deleted[ofRow[i]]) continue;
    newIndex[i] = static_cast<long>(kept);
    if (kept != i) {
      rows[kept] = std::move(rows[i]);
      rowItems[kept] = rowItems[i];
    }
    ++kept;
  }
  rows.resize(kept);
  rowItems.resize(kept);
  std::vector<unsigned> order;
  order.reserve(kept);
  for (unsigned i : rowOrder) {
    if (i < newIndex.size() && newIndex[i] >= 0)
      order.push_back(static_cast<unsigned>(newIndex[i]));
  }
  rowOrder.swap(order);
}

// `to` becomes a copy of `from` under its own id, path and a new synchronisation
// identifier, listed in the calendar; a running copy is one more active job.
void Zolt::copyIntoNewToDo(const ToDoListToDo& from, ToDoListToDo* to) {
  std::string path = to->getPath();
  unsigned id = to->getID();
  *to = from;
  to->setPath(path);
  to->setID(id);
  to->setSyncID(nextSyncID());
  to->putIntoCalList(calendar);
  if (to->isRunning()) ++nrActiveJobs;
}

// The new group takes the old to-do's place in the group that holds it (the current
// group in the tree view; in the flat view possibly a sub-group).
int Zolt::turnCurItem2Group() {
  if (options.mainViewType != kMainViewNormal || curItem == nullptr) return -1;
  ToDoListToDo* old = curItem;
  ToDoListGroup* owner = groupHolding(old);
  if (owner == nullptr || atDeepestGroupLevel(owner)) return -1;
  UndoHistory::StepScope undoStep(history);  // the new group and the old to-do's removal
  unsigned parentSyncID = owner->getSyncID();
  ToDoListGroup* g = owner->newGroup();
  ToDoListToDo* t = g->newToDo();
  g->setSummary(old->getSummary().empty() ? "<unnamed>" : old->getSummary());
  g->setSyncID(nextSyncID());
  copyIntoNewToDo(*old, t);
  // The copy goes into the journal before the original leaves it: a crash in between
  // leaves both, never neither. A to-do that no record holds yet (made and never
  // journalled) needs no deletion: the replay could not find it. Each write reports its
  // own failure.
  bool saved = old->hasBeenSaved();
  (void)incsave_newRecord(parentSyncID, g, true);
  history.noteInsertion(g, owner);
  history.noteRemoval(old);
  if (saved) (void)incsave_deleted(old->getSyncID());
  RowMarks marks = markRowsShowing([old](const ToDoListItem* i) { return i == old; });
  owner->delToDo(old, nrActiveJobs, calendar);
  dropMarkedRows(marks);
  setGroup(g);
  curItem = t;
  newItemFlag = false;  // the new group's record holds the item: a second would add it twice
  return 0;
}
