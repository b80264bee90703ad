// The texts of the main window's status line: one short line on what the last command
// did. Made from what the command already holds (an undo step's copies, an import's
// counts), never by looking through the tree.
#ifndef ZOLT_GUI_STATUS_LINE_H_
#define ZOLT_GUI_STATUS_LINE_H_

#include <string>

struct T_IcsReport;
struct UndoStep;

// "'Pay rent'", cut to about 40 bytes on a character boundary.
std::string quotedName(const std::string& summary);
// What the step changed, for "Undone: " or "Redone: " to precede: "completion of 'X'",
// "deletion of 'X'", "3 changes". `step` null: "a change".
std::string describeStep(const UndoStep* step);
// The line after an undo (`redo` false) or redo of `step`; `done` false: nothing was left.
std::string undoStatus(const UndoStep* step, bool redo, bool done);
// The number of items a step removed: what "delete completed" deleted.
int removedCount(const UndoStep* step);
// The short form of an iCalendar import's report: "Imported 12 (3 updated)", or why not.
std::string icsImportStatus(const std::string& file, const T_IcsReport& report);
// "Exported 12 to FILE", or why not.
std::string icsExportStatus(const std::string& file, const T_IcsReport& report);

#endif  // ZOLT_GUI_STATUS_LINE_H_
