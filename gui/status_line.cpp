#include "gui/status_line.h"

#include "document/undo_history.h"
#include "exchange/icalendar.h"

static const size_t kNameBytes = 40;

std::string quotedName(const std::string& summary) {
  if (summary.size() <= kNameBytes) return "'" + summary + "'";
  size_t cut = kNameBytes - 3;
  // A UTF-8 character is never cut in two: back off its continuation bytes.
  while (cut > 0 && (static_cast<unsigned char>(summary[cut]) & 0xC0) == 0x80) --cut;
  return "'" + summary.substr(0, cut) + "...'";
}

static const ToDoListToDo* asToDo(const ToDoListItem* item) {
  return dynamic_cast<const ToDoListToDo*>(item);
}

// One item's edit: added, removed, completed, reopened or otherwise changed.
static std::string describeEdit(const UndoEdit& e) {
  const ToDoListItem* named = e.after ? e.after.get() : e.before.get();
  std::string name = named ? quotedName(named->getSummary()) : std::string("an item");
  if (!e.before) return "adding of " + name;
  if (!e.after) return "deletion of " + name;
  const ToDoListToDo* before = asToDo(e.before.get());
  const ToDoListToDo* after = asToDo(e.after.get());
  if (before && after && before->isCompleted() != after->isCompleted()) {
    return (after->isCompleted() ? "completion of " : "reopening of ") + name;
  }
  return "change of " + name;
}

int removedCount(const UndoStep* step) {
  int n = 0;
  if (step) {
    for (const UndoEdit& e : step->edits) n += e.before && !e.after;
  }
  return n;
}

std::string describeStep(const UndoStep* step) {
  if (step == nullptr || step->edits.empty()) return "a change";
  if (step->edits.size() == 1) return describeEdit(step->edits.front());
  int count = static_cast<int>(step->edits.size());
  int removed = removedCount(step);
  int added = 0;
  for (const UndoEdit& e : step->edits) added += !e.before && e.after;
  if (removed == count) return "deletion of " + std::to_string(count) + " items";
  if (added == count) return "adding of " + std::to_string(count) + " items";
  return std::to_string(count) + " changes";
}

std::string undoStatus(const UndoStep* step, bool redo, bool done) {
  if (!done) return redo ? "Nothing more to redo" : "Nothing more to undo";
  return (redo ? "Redone: " : "Undone: ") + describeStep(step);
}

std::string icsImportStatus(const std::string& file, const T_IcsReport& report) {
  if (!report.error.empty()) return "Nothing imported from " + file;
  std::string text = "Imported " + std::to_string(report.items);
  if (report.updated > 0) text += " (" + std::to_string(report.updated) + " updated)";
  return text;
}

std::string icsExportStatus(const std::string& file, const T_IcsReport& report) {
  if (!report.error.empty()) return "Nothing exported to " + file;
  return "Exported " + std::to_string(report.items) + " to " + file;
}
