// The list screen: rows into browser lines, clicks on them, entering and leaving groups,
// and completion from the list.
#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstring>

#include "gui/messages.h"
#include "document/zolt.h"
#include "document/list_format.h"
#include "gui/password_dialogs.h"
#include "gui/zolt_gui.h"
#include "model/todo_list_todo.h"

int ZoltGUI::firstVisibleLine() const { return list_->topline(); }
int ZoltGUI::selectedLine() const { return list_->value(); }

void ZoltGUI::selectLine(int line) {
  if (line < 1 || line > list_->size()) return;
  list_->deselect();
  list_->show(line);
  list_->select(line);
  list_->make_visible(line);
}

int ZoltGUI::rowOfLine(int line) const {
  const std::vector<unsigned>& order = doc->getRowOrder();
  if (line < 1 || static_cast<size_t>(line) > order.size()) return -1;
  return static_cast<int>(order[line - 1]);
}

void ZoltGUI::setCheckMarks() {
  doc->setOptShowCompleted(doc->getGroupShowCompleted());
  doc->setOptCompletedLast(doc->getGroupCompletedLast());
  Fl_Menu_Item& shown = menu_Menu[kMenuShowCompleted];
  Fl_Menu_Item& last = menu_Menu[kMenuCompletedLast];
  doc->getOptShowCompleted() ? shown.set() : shown.clear();
  doc->getOptCompletedLast() ? last.set() : last.clear();
}

// A to-do whose time is being recorded stands out in the list itself, not only through
// the "!" button: its own background, bold text and the word "running".
static const char* const kRunningSuffix = "  (running)";

static bool isRunningRow(const Zolt* doc, unsigned row) {
  const T_viewDataItem& r = doc->getRows()[row];
  const ToDoListItem* item = doc->getRowItems()[row];
  return item && !r.isGroup && r.priority < kRowHeading &&
         static_cast<const ToDoListToDo*>(item)->isRunning();
}

static void markRunning(std::string& line) {
  static const std::string running = "@B" + std::to_string(fl_color_cube(3, 7, 3));
  size_t text = line.find("@.");
  if (text == std::string::npos) return;
  for (const char* prefix : {kRowPrefixA, kRowPrefixB}) {
    size_t at;
    while ((at = line.find(prefix)) != std::string::npos && at < text) {
      line.replace(at, strlen(prefix), running);
      text = line.find("@.");
    }
  }
  line.insert(text, "@b");
  line += kRunningSuffix;
}

void ZoltGUI::fillNormalList() {
  const std::vector<T_viewDataItem>& rows = doc->getRows();
  const std::vector<unsigned>& order = doc->getRowOrder();
  if (order.empty()) {
    list_->add("<empty>", nullptr);
    return;
  }
  bool alternate = false;
  std::string line;
  for (unsigned row : order) {
    formatListLine(rows[row], alternate, line);
    if (isRunningRow(doc, row)) markRunning(line);
    list_->add(line.c_str(), nullptr);
    alternate = !alternate;
  }
}

void ZoltGUI::fillCalendarList() {
  const std::vector<T_viewDataItem>& rows = doc->getRows();
  bool alternate = false;
  for (unsigned row : doc->getRowOrder()) {
    const T_viewDataItem& r = rows[row];
    if (r.priority == kRowHeading || r.priority == kRowSpecialDay) alternate = false;
    std::string line = formatCalendarLine(r, alternate);
    if (isRunningRow(doc, row)) markRunning(line);
    list_->add(line.c_str(), nullptr);
    if (r.priority < kRowHeading) alternate = !alternate;
  }
}

void ZoltGUI::showList(int firstLine) {
  bool calendar = doc->getMainViewType() == kMainViewCalendar;
  doc->clearViewData();
  list_->clear();
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
  calendar ? fillCalendarList() : fillNormalList();
  if (doc->getMainViewType() == kMainViewSearch) {
    searchHits_ = static_cast<int>(doc->getRowOrder().size());
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

bool ZoltGUI::moveSelection(int key) {
  int line = selectedLine(), last = list_->size();
  int target = line;
  switch (key) {
    case FL_Up:
      if (line >= 2) target = line - 1;
      break;
    case FL_Down:
      if (line < last) target = line + 1;
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
  if (target != line) selectLine(target);
  return true;
}

void ZoltGUI::selectItemLine(const ToDoListItem* item) {
  if (item == nullptr) return;
  const std::vector<ToDoListItem*>& items = doc->getRowItems();
  const std::vector<unsigned>& order = doc->getRowOrder();
  int found = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    if (items[order[i]] != item) continue;
    found = static_cast<int>(i) + 1;
    // The calendar shows an item on each of its days: prefer a line already in sight.
    if (found >= list_->topline()) break;
  }
  if (found > 0) selectLine(found);
}

// ---- Clicks ----

void ZoltGUI::listViewClicked() {
  int line = list_->value();
  if (line == 0 || screen_ != kScreenList || doc->getRows().empty() || Fl::pushed() != nullptr ||
      Fl::event_key() != FL_Button + 1) {
    return;
  }
  int row = rowOfLine(line);
  if (row < 0) return;
  const T_viewDataItem& r = doc->getRows()[row];
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
    // The user was opening this to-do: say why the login appears, and once it succeeds
    // go on to open it.
    std::string summary = doc->getItemSummary();
    if (summary.size() > 40) summary = summary.substr(0, 37) + "...";
    int result = pwd_ask_run_window(
        &doc->getKeys(), "The description of \"" + summary + "\" is encrypted. Log in to read it.");
    UpdateCryptMenu();
    if (result != 0) return;
    (void)doc->sealClearDescriptions();  // a failure is reported by the save at exit
  }
  // Logged in and still locked: the key does not fit. The to-do opens with its description
  // shut, which keeps the ciphertext as it is.
  if (doc->getItemDescription(text) == 1) {
    showMessage(
        "This to-do's description was encrypted under another key than the one your passwords "
        "unlock (it was pasted from another data file, or its key was lost), or it is damaged. "
        "It stays as it is, unreadable; the rest of the to-do can be edited.");
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
  int result = doc->leaveCurGroup();
  if (result != 0) return result;
  setMenuActive();
  int first = 0, selected = 0;
  bool stored = doc->popListPosition(first, selected);
  showList(first);
  if (!stored) {
    selectLine(1);
  } else if (selected > 0) {
    selectLine(selected);
  }
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
  bool saved = true;
  if (!doc->isItemCompleted()) {
    int result = doc->setItemCompleted();
    if (result == -1) {
      showAlert("Due to recurrence-settings, this ToDo is not active yet!");
    } else if (result == 1) {
      showMessage("Recurrent ToDo:\nSet completed, activated for following date.");
      saved = journalled(doc);
    } else if (result >= 0) {
      saved = journalled(doc);
    }
  } else if (doc->clearItemCompleted() >= 0) {
    saved = journalled(doc);
  }
  if (!saved) journalProblem();
  int line = checkActiveJobs();
  doc->checkCompleted();
  showList(line != 0 ? line : firstVisibleLine());
  if (reselect && noted > 0) selectLine(noted <= list_->size() ? noted : list_->size());
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
