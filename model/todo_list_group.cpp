#include "model/todo_list_group.h"

#include <algorithm>

#include "document/view_data.h"
#include "store/text_util.h"

ToDoListGroup::ToDoListGroup(const ToDoListGroup& o) : ToDoListItem(o), level(0) {
  copyBaseFrom(o);
}

ToDoListGroup& ToDoListGroup::operator=(const ToDoListGroup& o) {
  if (this != &o) copyBaseFrom(o);
  return *this;
}

ToDoListGroup::~ToDoListGroup() {
  for (ToDoListToDo* t : todos) delete t;
  for (ToDoListGroup* g : groups) delete g;
}

void ToDoListGroup::dump() {
  for (ToDoListToDo* t : todos) t->dump();
  for (ToDoListGroup* g : groups) g->dump();
}

std::string ToDoListGroup::fullPath() const { return *path + itoStr(id, ' ', 0, true) + "/"; }

void ToDoListGroup::noteNewChild(unsigned childID) {
  if (!hasChildren() || childID > maxChildID) maxChildID = childID;
}

// Only the removal of the largest id changes findFreeID, so only then are the children
// scanned; creating and loading children stays linear.
void ToDoListGroup::noteRemovedChild(unsigned childID) {
  if (childID != maxChildID || !hasChildren()) return;
  maxChildID = 0;
  for (ToDoListToDo* t : todos) maxChildID = std::max(maxChildID, t->getID());
  for (ToDoListGroup* g : groups) maxChildID = std::max(maxChildID, g->getID());
}

ToDoListGroup* ToDoListGroup::newGroup() {
  unsigned childID = findFreeID();
  ToDoListGroup* g = new ToDoListGroup(childID, fullPath(), level + 1);
  noteNewChild(childID);
  groups.push_back(g);
  return g;
}

ToDoListToDo* ToDoListGroup::newToDo() {
  unsigned childID = findFreeID();
  ToDoListToDo* t = new ToDoListToDo(childID, fullPath());
  noteNewChild(childID);
  todos.push_back(t);
  return t;
}

int ToDoListGroup::delToDo(ToDoListToDo* t, unsigned& nrActiveJobs, T_Calendar& cal) {
  auto it = std::find(todos.begin(), todos.end(), t);
  if (it == todos.end()) return -1;
  todos.erase(it);
  if (t->isRunning() && nrActiveJobs > 0) --nrActiveJobs;
  t->removeFromCalLists(cal);
  unsigned childID = t->getID();
  delete t;
  noteRemovedChild(childID);
  return 0;
}

void ToDoListGroup::delGroup(ToDoListGroup* g, unsigned& nrActiveJobs, T_Calendar& cal) {
  unsigned running = g->getNrActiveJobs();
  nrActiveJobs = running < nrActiveJobs ? nrActiveJobs - running : 0;
  g->removeFromCalLists(cal);
  auto it = std::find(groups.begin(), groups.end(), g);
  if (it != groups.end()) groups.erase(it);
  unsigned childID = g->getID();
  delete g;
  noteRemovedChild(childID);
}

ToDoListGroup* ToDoListGroup::takeGroup(ToDoListGroup* g, unsigned& nrActiveJobs, T_Calendar& cal) {
  auto it = std::find(groups.begin(), groups.end(), g);
  if (it == groups.end()) return nullptr;
  unsigned running = g->getNrActiveJobs();
  nrActiveJobs = running < nrActiveJobs ? nrActiveJobs - running : 0;
  g->removeFromCalLists(cal);
  groups.erase(it);
  noteRemovedChild(g->getID());
  return g;
}

void ToDoListGroup::removeFromCalLists(T_Calendar& cal) {
  for (ToDoListGroup* g : groups) g->removeFromCalLists(cal);
  for (ToDoListToDo* t : todos) t->removeFromCalLists(cal);
}

void ToDoListGroup::setViewData(T_viewDataItem& row) {
  row.isGroup = true;
  row.priority = priority;
  row.text = summary;
  row.date = kEmptyDateTime;
  row.completed = completed;
  row.running = false;
}

ToDoListItem* ToDoListGroup::getPtrToItemWithSyncID(unsigned sid, bool& isGroup, bool recursive) {
  if (syncID == sid) return this;
  if (!todos.empty()) {
    isGroup = false;
    for (ToDoListToDo* t : todos) {
      if (t->getSyncID() == sid) return t;
    }
  }
  isGroup = true;
  for (ToDoListGroup* g : groups) {
    if (g->getSyncID() == sid) return g;
  }
  if (!recursive) return nullptr;
  for (ToDoListGroup* g : groups) {
    if (ToDoListItem* found = g->getPtrToItemWithSyncID(sid, isGroup, true)) return found;
  }
  return nullptr;
}

ToDoListGroup* ToDoListGroup::getGroupPtr(const std::string& target) {
  std::string own = fullPath();
  if (target == own) return this;
  if (target.compare(0, own.size(), own) != 0) return nullptr;
  for (ToDoListGroup* g : groups) {
    if (ToDoListGroup* found = g->getGroupPtr(target)) return found;
  }
  return nullptr;
}

ToDoListGroup* ToDoListGroup::getGroupPtrFromSumPath(const std::string& prefix,
                                                     const std::string& target) {
  std::string own = prefix + summary + "/";
  if (own == target) return this;
  for (ToDoListGroup* g : groups) {
    if (ToDoListGroup* found = g->getGroupPtrFromSumPath(own, target)) return found;
  }
  return nullptr;
}

std::string ToDoListGroup::getPathText(const std::string& relPath) const {
  std::string ownID = itoStr(id, ' ', 0, true);
  if (relPath == ownID) return level == 0 ? std::string() : summary;
  if (relPath.compare(0, ownID.size() + 1, ownID + "/") != 0) return std::string();
  std::string rest = relPath.substr(ownID.size() + 1);
  std::string answer;
  for (const ToDoListGroup* g : groups) {
    answer = g->getPathText(rest);
    if (!answer.empty()) break;
  }
  return level == 0 ? answer : summary + "\n" + answer;
}

void ToDoListGroup::collectSubtree(std::vector<ToDoListItem*>& items) {
  items.push_back(this);
  for (ToDoListToDo* t : todos) items.push_back(t);
  for (ToDoListGroup* g : groups) g->collectSubtree(items);
}

double ToDoListGroup::getTimeSum() const {
  double sum = 0;
  for (const ToDoListToDo* t : todos) sum += t->getTimeSum();
  for (const ToDoListGroup* g : groups) sum += g->getTimeSum();
  return sum;
}

unsigned ToDoListGroup::getNrActiveJobs() const {
  unsigned n = 0;
  for (const ToDoListToDo* t : todos) n += t->isRunning() ? 1 : 0;
  for (const ToDoListGroup* g : groups) n += g->getNrActiveJobs();
  return n;
}

bool ToDoListGroup::checkCompleted() {
  nrCounted = 0;
  nrDone = 0;
  for (ToDoListGroup* g : groups) {
    g->checkCompleted();
    nrCounted += g->nrCounted;
    nrDone += g->nrDone;
  }
  for (const ToDoListToDo* t : todos) {
    if (t->isAppointment()) continue;
    ++nrCounted;
    if (t->isCompleted()) ++nrDone;
  }
  // Nothing to do is not done: an empty group, just made, stays open and in sight where
  // completed groups are hidden.
  completed = nrCounted > 0 && nrDone == nrCounted;
  return completed;
}

void ToDoListGroup::getCompletedNr(unsigned& done, unsigned& counted) const {
  done = nrDone;
  counted = nrCounted;
}
