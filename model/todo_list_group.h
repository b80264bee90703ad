// A group of the item tree: owns its sub-groups and to-dos and keeps derived completion
// counts and two per-group view flags. GUI thread only.
// Invariant: every child's `id` is unique among the children; `maxChildID` is the largest.
#ifndef ZOLT_MODEL_TODO_LIST_GROUP_H_
#define ZOLT_MODEL_TODO_LIST_GROUP_H_

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "calendar/calendar_lists.h"
#include "model/todo_list_item.h"
#include "model/todo_list_todo.h"

class CryptMan;
struct T_viewDataItem;

// Deepest nesting of groups a file may hold; deeper files are refused as damaged so the
// recursive reader cannot run out of stack.
constexpr unsigned kMaxGroupDepth = 1000;

class ToDoListGroup : public ToDoListItem {
 public:
  ToDoListGroup(unsigned id, const std::string& path, unsigned level)
      : ToDoListGroup(id, internPath(path), level) {}
  // `path` is one internPath gave out.
  ToDoListGroup(unsigned id, const std::string* path, unsigned level)
      : ToDoListItem(id, path), level(level) {}
  // Copies path, id, syncID, summary and priority only; the copy has no children.
  ToDoListGroup(const ToDoListGroup& o);
  ToDoListGroup& operator=(const ToDoListGroup& o);
  ~ToDoListGroup() override;
  // Compares path, id, syncID, summary and priority.
  bool operator==(const ToDoListGroup& o) const { return baseEquals(o); }
  bool operator!=(const ToDoListGroup& o) const { return !baseEquals(o); }

  void dump() override;

  unsigned getLevel() const { return level; }
  // The path of this group's own content: its path, its id and "/".
  std::string fullPath() const;
  const std::vector<ToDoListToDo*>& getToDos() const { return todos; }
  const std::vector<ToDoListGroup*>& getGroups() const { return groups; }

  // New empty child with id findFreeID(), appended; owned by this group. syncID is 0.
  ToDoListGroup* newGroup();
  ToDoListToDo* newToDo();
  // One more than the largest child id; 0 without children.
  unsigned findFreeID() const { return hasChildren() ? maxChildID + 1 : 0; }

  // Deletes `t` if it is a child of this group: -1 when it is not. Adjusts nrActiveJobs and
  // takes `t` out of the calendar lists first.
  int delToDo(ToDoListToDo* t, unsigned& nrActiveJobs, T_Calendar& cal);
  // Deletes `g` and its subtree, whose to-dos leave the calendar lists first.
  // REQUIRES: `g` is a child of this group.
  void delGroup(ToDoListGroup* g, unsigned& nrActiveJobs, T_Calendar& cal);
  // As delGroup, but `g` is not deleted: it is returned, and the caller owns it and its
  // subtree, in no calendar list. Null (nothing changes) when `g` is not a child.
  ToDoListGroup* takeGroup(ToDoListGroup* g, unsigned& nrActiveJobs, T_Calendar& cal);

  // The item with that syncID: this group, its direct to-dos, its direct groups, then
  // (when recursive) deeper, depth first. Null when none. isGroup tells the kind of a child.
  ToDoListItem* getPtrToItemWithSyncID(unsigned sid, bool& isGroup, bool recursive);
  // The group of this subtree whose full path is `fullPath`, or null.
  ToDoListGroup* getGroupPtr(const std::string& fullPath);
  // The group whose chain of summaries (prefix + summary + "/") equals `target`, or null.
  ToDoListGroup* getGroupPtrFromSumPath(const std::string& prefix, const std::string& target);
  // Readable chain of group names for a path of ids relative to this group, such as 0/12/7.
  std::string getPathText(const std::string& relPath) const;

  // Appends this group, its to-dos and then each sub-group's subtree, depth first.
  void collectSubtree(std::vector<ToDoListItem*>& items);

  double getTimeSum() const;
  unsigned getNrActiveJobs() const;
  // Recomputes completed, nrCounted and nrDone for the subtree; returns completed, which
  // holds when the subtree has to-dos and all of them are done (appointments do not count).
  bool checkCompleted();
  void getCompletedNr(unsigned& done, unsigned& counted) const;
  bool isCompleted() const { return completed; }
  bool getShowCompleted() const { return showCompleted; }
  void setShowCompleted(bool v) { showCompleted = v; }
  bool getCompletedLast() const { return completedLast; }
  void setCompletedLast(bool v) { completedLast = v; }

  // Removes every to-do of the subtree from the calendar lists: sub-groups first, then the
  // group's own to-dos.
  void removeFromCalLists(T_Calendar& cal);
  // Fills isGroup (true), priority, text (the summary), date (empty) and completed (as of
  // the last checkCompleted) of `row`; the other fields are left as they are.
  void setViewData(T_viewDataItem& row);

  // Appends to `found` every to-do of this group that containsText(text, cm), in the
  // group's order, then does the same for each sub-group in turn (depth first). Group
  // summaries are not searched. The to-dos stay owned by their groups.
  void findToDosWithText(const std::string& text, std::vector<ToDoListToDo*>& found, CryptMan* cm);

  // Writes this group's own lines (withHeader), its to-dos and sub-groups (withChildren)
  // and the closing ">" (withHeader). Returns the OR of the children's results.
  int writeContent(std::ostream& os, bool exporting, CryptMan* cm, bool withHeader,
                   bool withChildren);
  // Reads one record whose "g" line has been consumed, children included. 0, or -1 when
  // it is damaged, ends early or nests deeper than kMaxGroupDepth.
  [[nodiscard]] int readContent(std::istream& is, unsigned& nrActiveJobs, unsigned& idmax,
                                T_Calendar& cal);

 private:
  bool hasChildren() const { return !todos.empty() || !groups.empty(); }
  void noteNewChild(unsigned childID);
  void noteRemovedChild(unsigned childID);
  void applyRecordLine(const std::string& line);
  // Reads one child record whose "g" or "t" line has been consumed; `childPath` is this
  // group's fullPath() as internPath gives it, worked out once for all its children.
  int readChild(char tag, const std::string* childPath, std::istream& is, unsigned& nrActiveJobs,
                unsigned& idmax, T_Calendar& cal);

  unsigned level;
  std::vector<ToDoListToDo*> todos;    // owned
  std::vector<ToDoListGroup*> groups;  // owned
  unsigned maxChildID = 0;             // meaningful only while there are children
  bool completed = false;
  bool showCompleted = true;
  bool completedLast = true;
  unsigned nrCounted = 0;
  unsigned nrDone = 0;
};

#endif  // ZOLT_MODEL_TODO_LIST_GROUP_H_
