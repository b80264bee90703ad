// Undo and redo of the session's changes. For every change the document makes, the states
// of what it touched before and after are kept in memory as detached copies (never part of
// the tree, never in a calendar list): a to-do's fields, a group's own fields, or a whole
// subtree that was added or removed. Undo puts the states before back through the tree and
// journals them as an ordinary change (changed, new or deleted records); redo does the same
// with the states after. Items are named by their synchronisation identifiers, which stay
// the same for as long as an item lives and are never handed to another item, so a copy
// finds its item again whatever happened to pointers, local ids and paths meanwhile.
// GUI thread only.
//
// Memory: at most kMaxSteps steps (undo and redo together) and about kMaxBytes of copies.
// The oldest steps go first; a single change bigger than kMaxBytes (deleting a huge group)
// cannot be kept, and then nothing before it can be undone either.
#ifndef ZOLT_DOCUMENT_UNDO_HISTORY_H_
#define ZOLT_DOCUMENT_UNDO_HISTORY_H_

#include <cstddef>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/todo_list_group.h"
#include "model/todo_list_todo.h"

class Zolt;

// One item's states around a change; a null state means the item is not in the tree.
// `before` of a removed item and `after` of an added one hold the whole subtree; the
// states of a changed group hold its own fields only (its children are other edits).
struct UndoEdit {
  unsigned syncID = 0;
  unsigned parentSyncID = 0;  // the group that holds, or held, the item
  bool isGroup = false;
  std::unique_ptr<ToDoListItem> before;
  std::unique_ptr<ToDoListItem> after;
  size_t bytes = 0;  // an estimate of the memory both copies take
};

// The edits of one user action, applied in order for redo and backwards for undo.
struct UndoStep {
  std::vector<UndoEdit> edits;
  size_t bytes = 0;
};

class UndoHistory {
 public:
  static constexpr size_t kMaxSteps = 1000;
  static constexpr size_t kMaxBytes = size_t{32} << 20;

  // Results of undo() and redo() besides 0 (done).
  static constexpr int kNothing = -1;        // no step to undo or redo
  static constexpr int kStale = -2;          // the tree no longer fits the step: history dropped
  static constexpr int kNotJournalled = -3;  // done, but a journal record failed

  // `doc` owns this history and outlives it.
  explicit UndoHistory(Zolt& doc) : doc(doc) {}
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // While one lives, every edit noted joins one step, closed when the outermost ends.
  class StepScope {
   public:
    explicit StepScope(UndoHistory& h) : h(h) { ++h.openDepth; }
    ~StepScope() {
      if (--h.openDepth == 0) h.closeStep();
    }
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;

   private:
    UndoHistory& h;
  };

  // ---- Hooks: the document's operations call these at the moment of the change ----

  // `t` is about to change outside an editor session (completion toggled in the list):
  // its state now is the state before, for the noteSaved that journals it.
  void noteBefore(const ToDoListToDo* t);
  // `item` (the current to-do or group) is being journalled as changed or new: a step
  // from its remembered state (the editor's copy, or noteBefore's) to its state now. A
  // change whose state before is unknown cannot be reverted: the history is dropped.
  void noteSaved(ToDoListItem* item);
  // `item` is about to be removed from the tree, subtree and all. Nothing for an item no
  // journal record holds (it was never committed, so its removal undoes nothing).
  void noteRemoval(ToDoListItem* item);
  // Deletes the group `g`, a child of `parent`, as ToDoListGroup::delGroup does; when undo
  // keeps the deletion, the group is kept whole instead of being copied and freed, so a
  // big group costs undo no copy.
  void removeGroup(ToDoListGroup* g, ToDoListGroup* parent);
  // `item` was just added below `parent`, subtree and all.
  void noteInsertion(ToDoListItem* item, const ToDoListGroup* parent);
  // The items a paste or import added below `parent`, as one step.
  void noteInsertions(const std::vector<ToDoListItem*>& items, const ToDoListGroup* parent);

  // Reverts the last step, or makes the last undone one again. 0, kNothing, kStale or
  // kNotJournalled. The current item becomes null when it left the tree; the current
  // group moves up when it left.
  int undo();
  int redo();
  bool canUndo() const { return !done.empty(); }
  bool canRedo() const { return !undone.empty(); }
  // The step undo or redo would revert or make again next; null when there is none.
  const UndoStep* nextUndo() const { return done.empty() ? nullptr : &done.back(); }
  const UndoStep* nextRedo() const { return undone.empty() ? nullptr : &undone.back(); }
  // True when the last change could not be kept (bigger than the memory allowed).
  bool lostTooBig() const { return tooBig; }

  size_t undoSteps() const { return done.size(); }
  size_t redoSteps() const { return undone.size(); }
  size_t bytes() const { return keptBytes; }
  // Forgets every step.
  void clear();
  // Off, the hooks keep nothing (the benchmark compares a change with and without).
  void setEnabled(bool on) {
    enabled = on;
    if (!on) clear();
  }
  // Lowers the bounds (tests and the benchmark); at least one step.
  void setLimits(size_t steps, size_t maxBytes);

 private:
  using SyncIndex = std::unordered_map<unsigned, ToDoListItem*>;

  void addEdit(UndoEdit e);
  void closeStep();
  void dropAll(bool becauseTooBig);
  void trim();
  UndoEdit subtreeEdit(ToDoListItem* item, unsigned parentSyncID, bool added);

  int moveLastStep(std::deque<UndoStep>& from, std::deque<UndoStep>& to, bool undoing);
  int apply(UndoStep& step, bool undoing);
  SyncIndex indexTree() const;
  bool applicable(const UndoStep& step, bool undoing, const SyncIndex& index) const;
  void removeItem(ToDoListItem* item, SyncIndex& index);
  ToDoListItem* restore(ToDoListGroup* parent, const ToDoListItem& state, SyncIndex& index);
  void change(ToDoListItem* item, const ToDoListItem& state);
  void leaveRemovedGroup(ToDoListGroup* g, ToDoListGroup* holder);
  int flushInsertions();

  Zolt& doc;
  std::deque<UndoStep> done;    // oldest first
  std::deque<UndoStep> undone;  // the step undone last at the back
  UndoStep open;
  int openDepth = 0;
  bool openTooBig = false;
  bool tooBig = false;
  bool applying = false;
  bool enabled = true;
  size_t keptBytes = 0;
  size_t maxSteps = kMaxSteps;
  size_t maxBytes = kMaxBytes;
  std::unique_ptr<ToDoListToDo> pendingBefore;  // noteBefore's copy

  // Insertions waiting for their one new-item record while a step is applied.
  unsigned batchParent = 0;
  std::vector<ToDoListItem*> batch;
  bool journalFailed = false;
};

#endif  // ZOLT_DOCUMENT_UNDO_HISTORY_H_
