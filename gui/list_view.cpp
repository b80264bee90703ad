// The list screen: the view into the list's lines, clicks on them, entering and leaving groups,
// and completion from the list.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Menu_Item.H>

#include <algorithm>

#include "document/list_format.h"
#include "document/zolt.h"
#include "gui/messages.h"
#include "gui/password_dialogs.h"
#include "gui/row_list.h"
#include "gui/status_line.h"
#include "gui/view_lines.h"
#include "gui/zolt_gui.h"

int ZoltGUI::firstVisibleLine() const { return list_->topline(); }
int ZoltGUI::selectedLine() const { return list_->value(); }

void ZoltGUI::selectLine(int line) {
  if (line < 1 || line > list_->size()) return;
  list_->deselect();
  list_->select(line);
  list_->make_visible(line);
}

int ZoltGUI::rowOfLine(int line) const {
  if (line < 1 || static_cast<size_t>(line) > doc->lineCount()) return -1;
  return static_cast<int>(doc->rowIndexOfLine(line - 1));
}

void ZoltGUI::setCheckMarks() {
  doc->setOptShowCompleted(doc->getGroupShowCompleted());
  doc->setOptCompletedLast(doc->getGroupCompletedLast());
  Fl_Menu_Item& shown = menu_Menu[kMenuShowCompleted];
  Fl_Menu_Item& last = menu_Menu[kMenuCompletedLast];
  doc->getOptShowCompleted() ? shown.set() : shown.clear();
  doc->getOptCompletedLast() ? last.set() : last.clear();
}

void ZoltGUI::showList(int firstLine) {
  bool calendar = doc->getMainViewType() == kMainViewCalendar;
  doc->clearViewData();
  list_->lines(0);  // nothing of the old view is read while the new one is built
  if (calendar) {
    titleHalfHeight = 0;
    title_->resize(0, 0, 2 * halfWidth, 0);
  } else {
    layoutTitle();
    setCheckMarks();
  }
  if (screen_ == kScreenList) layoutList();
  doc->getContent();
  doc->sortContent();
  markUndoEntries();
  list_->lines(viewLines_->reset(doc));
  if (doc->getMainViewType() == kMainViewSearch) {
    searchHits_ = static_cast<int>(doc->lineCount());
    layoutTitle();
  }
  if (firstLine > 0) list_->topline(firstLine);
  list_->redraw();
}

// ---- Keys that move the selection ----

// Lines that fit the list's height, less one, so a page step keeps one line in sight.
int ZoltGUI::linesPerPage() const {
  int shown = 0;
  for (int l = std::max(1, list_->topline()); l <= list_->size() && list_->displayed(l); ++l) {
    ++shown;
  }
  return std::max(1, shown - 1);
}

// In the calendar the cursor skips what cannot be acted on: the blank lines that close a
// day, special days, and the headings of days that show items (a day with none keeps its
// heading as the place to ask for a new item with Enter).
bool ZoltGUI::isCursorStop(int line) const {
  if (line < 1 || line > list_->size()) return false;
  if (doc->getMainViewType() != kMainViewCalendar) return true;
  unsigned priority = doc->lineRow(line - 1).priority;
  if (priority < kRowHeading) return true;
  if (priority != kRowHeading) return false;
  int next = line + 1;
  while (next <= list_->size() && doc->lineRow(next - 1).priority == kRowSpecialDay) ++next;
  return next > list_->size() || doc->lineRow(next - 1).priority >= kRowHeading;
}

// The nearest stop from `line` on in `direction` (+1 or -1); 0 when there is none.
int ZoltGUI::nextCursorStop(int line, int direction) const {
  for (int l = line; l >= 1 && l <= list_->size(); l += direction) {
    if (isCursorStop(l)) return l;
  }
  return 0;
}

bool ZoltGUI::moveSelection(int key) {
  int line = selectedLine(), last = list_->size();
  int target = line;
  switch (key) {
    case FL_Up:
      if (line >= 2) target = nextCursorStop(line - 1, -1);
      break;
    case FL_Down:
      if (line < last) target = nextCursorStop(line + 1, 1);
      break;
    case FL_Page_Up:
      target = std::max(1, line - linesPerPage());
      break;
    case FL_Page_Down:
      target = std::min(last, line + linesPerPage());
      break;
    case FL_Home:
      target = 1;
      break;
    case FL_End:
      target = last;
      break;
    default:
      return false;
  }
  if (key == FL_Page_Up || key == FL_Home) {
    target = nextCursorStop(target, 1) ? nextCursorStop(target, 1) : nextCursorStop(target, -1);
  } else if (key == FL_Page_Down || key == FL_End) {
    target = nextCursorStop(target, -1) ? nextCursorStop(target, -1) : nextCursorStop(target, 1);
  }
  if (target > 0 && target != line) selectLine(target);
  return true;
}

// After the list was rebuilt under the cursor: a line is selected again, near `line`, and
// the list has the keys.
void ZoltGUI::keepCursor(int line) {
  if (list_->size() > 0 && selectedLine() == 0) {
    line = std::max(1, std::min(line, list_->size()));
    int stop = nextCursorStop(line, 1);
    selectLine(stop > 0 ? stop : nextCursorStop(line, -1));
  }
  if (list_->visible()) list_->take_focus();
}

void ZoltGUI::selectItemLine(const ToDoListItem* item) {
  if (item == nullptr) return;
  // The calendar shows an item on each of its days: prefer a line already in sight.
  long found = doc->findLineOf(item, static_cast<size_t>(std::max(0, list_->topline() - 1)));
  if (found >= 0) selectLine(static_cast<int>(found) + 1);
}

// ---- Clicks ----

void ZoltGUI::listViewClicked() {
  int line = list_->value();
  if (line == 0 || screen_ != kScreenList || doc->lineCount() == 0 || Fl::pushed() != nullptr ||
      Fl::event_key() != FL_Button + 1) {
    return;
  }
  int row = rowOfLine(line);
  if (row < 0) return;
  const T_viewDataItem& r = doc->lineRow(line - 1);
  int x = Fl::event_x() - list_->x();
  bool markColumn = x >= 0 && x < kMarkColumnWidth;
  bool leftHalf = x < halfWidth;
  if (r.priority == kRowSpecialDay) return;
  if (r.priority == kRowHeading) {
    newItemOnRow(100, row, false);
  } else if (r.priority == kRowClosing) {
    leftHalf ? newItemOnRow(3, row, false) : newItemOnRow(200, row, true);
  } else if (r.isGroup) {
    if (!markColumn) {
      enterGroup(row, false);
      return;
    }
    doc->rememberGroup();
    doc->setGroup2ViewItem(row);
    groupEditing = true;
    editorReturnLine = firstVisibleLine();
    doc->incsave_rememberGroup();
    showMain(kScreenEditGroup);
  } else if (markColumn) {
    toggleCompleted(row, false);
  } else {
    openToDo(row, x < kMarkColumnWidth || x > kMarkColumnWidth + halfWidth);
  }
}

void ZoltGUI::newItemOnRow(unsigned priority, int row, bool toDescription) {
  if (doc->newToDo(priority, static_cast<unsigned>(row)) != 0) return;
  doc->incsave_newItem();
  show_editToDoWin(false, toDescription);
}

void ZoltGUI::openToDo(int row, bool preferDescription) {
  if (doc->setItem2ViewItem(row) != 0) return;
  const char* text = nullptr;
  if (doc->getItemDescription(text) == 1 && !doc->getKeys().IsLoggedIn()) {
    // The user was opening this to-do: say why the login appears. Without it the to-do
    // still opens: its dates, priority and recurrence do not need the key.
    std::string summary = doc->getItemSummary();
    if (summary.size() > 40) summary = summary.substr(0, 37) + "...";
    int result = pwd_ask_run_window(
        &doc->getKeys(), "The description of \"" + summary + "\" is encrypted. Log in to read it.");
    UpdateCryptMenu();
    if (result == 0) (void)doc->sealClearDescriptions();  // a failure shows at exit
  }
  // Logged in and still locked: the key does not fit, or the note is not text. Shut, the
  // ciphertext is kept as it is; opened, the user sees what the key makes of it. Without
  // the login the to-do opens with its description shut.
  if (doc->getItemDescription(text) == 1 && doc->getKeys().IsLoggedIn() &&
      askChoice("This to-do's description does not read as text with the key your passwords "
                "unlock: it was encrypted under another key (pasted from another data file, or "
                "its key was lost), it is damaged, or it holds bytes that are not text.\n\n"
                "Keep it shut and edit the rest of the to-do, or open it anyway? Opened, it may "
                "show garbage; saved unchanged it stays as stored, but a change encrypts what "
                "is shown in its place.",
                "Keep it shut", "Open anyway") == 1) {
    (void)doc->openItemDescriptionAnyway();
  }
  doc->incsave_rememberTodo();
  show_editToDoWin(preferDescription, false);
}

void ZoltGUI::enterGroup(int row, bool selectFirst) {
  if (doc->getOptViewtype() == kViewTree) doc->pushListPosition(firstVisibleLine(), selectedLine());
  doc->setGroup2ViewItem(row);
  showList(0);
  if (selectFirst) selectLine(1);
}

int ZoltGUI::CB_Up() {
  // The search results' group goes with the results; only a real group is looked for.
  const ToDoListItem* left =
      doc->getMainViewType() == kMainViewNormal ? doc->getCurGroup() : nullptr;
  int result = doc->leaveCurGroup();
  if (result != 0) return result;
  setMenuActive();
  int first = 0, selected = 0;
  bool stored = doc->popListPosition(first, selected);
  showList(first);
  // The cursor comes back on the group just left, wherever the list now shows it.
  selectItemLine(left);
  keepCursor(stored && selected > 0 ? selected : 1);
  return 0;
}

// ---- Completion and the active jobs ----

// A change the journal could not take lives in memory only until the next full save.
void ZoltGUI::journalProblem() {
  showAlert(
      "Zolt could not write this change to its journal beside the data file (is the disk "
      "full or the folder read-only?). It is kept in memory and written to the data file "
      "when Zolt closes; make room or fix the folder before that.");
}

static bool journalled(Zolt* doc) { return doc->incsave_saveCurItem() == 0; }

void ZoltGUI::toggleCompleted(int row, bool reselect) {
  int noted = selectedLine();
  if (doc->setItem2ViewItem(row) != 0) return;
  const ToDoListItem* item = doc->getCurItem();
  bool saved = true;
  std::string name = quotedName(item->getSummary());
  if (!doc->isItemCompleted()) {
    int result = doc->setItemCompleted();
    if (result >= 0) setStatus("Completed " + name);
    if (result == -1) {
      showAlert("Due to recurrence-settings, this ToDo is not active yet!");
    } else if (result == 1) {
      showMessage("Recurrent ToDo:\nSet completed, activated for following date.");
      saved = journalled(doc);
    } else if (result >= 0) {
      saved = journalled(doc);
    }
  } else if (doc->clearItemCompleted() >= 0) {
    setStatus("Reopened " + name);
    saved = journalled(doc);
  }
  if (!saved) journalProblem();
  int line = checkActiveJobs();
  doc->checkCompleted();
  showList(line != 0 ? line : firstVisibleLine());
  // The cursor follows the item wherever its new state sorts it, so a second Enter acts on
  // the same item the user sees selected. Only when it left the view (completed items
  // hidden) does the cursor stay on its line, now the next item's.
  (void)reselect;  // a click completes from the list too, and the cursor follows it as well
  selectItemLine(item);
  keepCursor(noted > 0 ? noted : 1);
}

int ZoltGUI::checkActiveJobs() {
  if (doc->getNrActiveJobs() != 0) {
    activeJobs_->show();
    return 0;
  }
  activeJobs_->hide();
  if (doc->getMainViewType() != kMainViewActiveJobs) return 0;
  doc->setMainViewType(kMainViewPrevious);
  setMenuActive();
  return activeJobsReturnLine;
}
