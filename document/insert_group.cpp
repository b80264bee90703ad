// Adding a group that was built outside the tree (an import) as one change, so the user
// gets all of it or, when it cannot be recorded, the journal holds nothing half-done.
#include <algorithm>

#include "document/zolt.h"

// Copies the children of `from` below `to` in their order; ids and paths come from `to`,
// synchronisation identifiers are fresh, and the to-dos enter the document's calendar.
void Zolt::copyBuiltChildren(const ToDoListGroup& from, ToDoListGroup* to) {
  for (const ToDoListToDo* src : from.getToDos()) {
    ToDoListToDo* t = to->newToDo();
    unsigned id = t->getID();
    std::string path = t->getPath();
    *t = *src;
    t->setID(id);
    t->setPath(path);
    t->setSyncID(nextSyncID());
    if (t->isRunning()) ++nrActiveJobs;
    t->putIntoCalList(calendar);
  }
  for (const ToDoListGroup* src : from.getGroups()) {
    ToDoListGroup* g = to->newGroup();
    g->setSummary(src->getSummary());
    g->setPriority(src->getPriority());
    g->setShowCompleted(src->getShowCompleted());
    g->setCompletedLast(src->getCompletedLast());
    g->setSyncID(nextSyncID());
    copyBuiltChildren(*src, g);
  }
}

// Levels of groups in `g`'s subtree, `g` counted.
static unsigned groupDepth(const ToDoListGroup& g) {
  unsigned below = 0;
  for (const ToDoListGroup* sub : g.getGroups()) below = std::max(below, groupDepth(*sub));
  return below + 1;
}

int Zolt::insertGroup(const ToDoListGroup& built, ToDoListGroup** inserted) {
  if (options.mainViewType == kMainViewSearch) return -1;
  // Deeper than the readers accept, the group could never be read back.
  if (curGroup->getLevel() + groupDepth(built) > kMaxGroupDepth) return -1;
  ToDoListGroup* parent = curGroup;
  ToDoListGroup* g = parent->newGroup();
  g->setSummary(built.getSummary());
  g->setPriority(built.getPriority());
  g->setSyncID(nextSyncID());
  copyBuiltChildren(built, g);
  root->checkCompleted();
  if (inserted != nullptr) *inserted = g;
  // One record for the whole group: a crash leaves either all of it or none in the journal.
  history.noteInsertion(g, parent);  // for undo
  if (incsave_newRecord(parent->getSyncID(), g, true) != 0) return kInsertNotJournalled;
  return 0;
}
