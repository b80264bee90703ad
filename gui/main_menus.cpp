// The main menu and the calendar menu, their enabling per view, and the commands behind
// them and behind the list screen's buttons.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <sys/stat.h>

#include <cstdint>

#include "document/export_target.h"
#include "document/zolt.h"
#include "exchange/icalendar.h"
#include "exchange/ics_report.h"
#include "gui/date_select.h"
#include "gui/messages.h"
#include "gui/password_dialogs.h"
#include "gui/report_box.h"
#include "gui/row_list.h"
#include "gui/status_line.h"
#include "gui/zolt_gui.h"

static int valueOf(void* data) { return static_cast<int>(reinterpret_cast<intptr_t>(data)); }
static void* asData(int v) { return reinterpret_cast<void*>(static_cast<intptr_t>(v)); }

static void cb_Menu_insFile(Fl_Widget*, void*) { mainWin->CB_Menu_prompt(kPromptImport); }
static void cb_Menu_expFileGroup(Fl_Widget*, void*) { mainWin->CB_Menu_prompt(kPromptExportGroup); }
static void cb_Menu_expFileContent(Fl_Widget*, void*) {
  mainWin->CB_Menu_prompt(kPromptExportContent);
}
static void cb_Menu_expIcs(Fl_Widget*, void*) { mainWin->CB_Menu_prompt(kPromptExportIcs); }
static void cb_Menu_impIcs(Fl_Widget*, void*) { mainWin->CB_Menu_prompt(kPromptImportIcs); }
static void cb_Menu_search(Fl_Widget*, void*) { mainWin->CB_Menu_prompt(kPromptSearch); }
static void cb_Menu_copyGroup(Fl_Widget*, void*) { mainWin->CB_Menu_copy(true); }
static void cb_Menu_copyContent(Fl_Widget*, void*) { mainWin->CB_Menu_copy(false); }
static void cb_Menu_paste(Fl_Widget*, void*) { mainWin->CB_Menu_paste(); }
static void cb_Menu_newGroup(Fl_Widget*, void*) { mainWin->CB_Menu_newGroup(); }
static void cb_Menu_editGroup(Fl_Widget*, void*) { mainWin->CB_Menu_editGroup(); }
static void cb_Menu_delGroup(Fl_Widget*, void*) { mainWin->CB_Menu_delGroup(); }
static void cb_Menu_delCompl(Fl_Widget*, void*) { mainWin->CB_Menu_delCompl(); }
static void cb_Menu_undo(Fl_Widget*, void* data) { mainWin->CB_Menu_undo(valueOf(data) != 0); }
static void cb_Opts_View_flat(Fl_Widget*, void*) { mainWin->CB_Opts_View_flat(); }
static void cb_Opts_View_tree(Fl_Widget*, void*) { mainWin->CB_Opts_View_tree(); }
static void cb_Opts_View_scompleted(Fl_Widget*, void*) { mainWin->CB_Opts_View_scompleted(); }
static void cb_Opts_View_completedl(Fl_Widget*, void*) { mainWin->CB_Opts_View_completedl(); }
static void cb_Opts_View_sort(Fl_Widget*, void* data) { mainWin->CB_Opts_sort(valueOf(data)); }
static void cb_Opts_View_toggleTextSize(Fl_Widget*, void*) {
  mainWin->CB_Opts_View_toggleTextSize();
}
static void cb_Menu_Crypt_AddPwd(Fl_Widget*, void*) { mainWin->CB_Menu_Crypt_AddPwd(); }
static void cb_Menu_Crypt_Login(Fl_Widget*, void*) { mainWin->CB_Menu_Crypt_Login(); }

void cb_showScreen(Fl_Widget*, void* data) { mainWin->showMain(valueOf(data)); }
void cb_Menu_ZoltView(Fl_Widget*, void* data) { mainWin->CB_Menu_ZoltView(valueOf(data)); }
void cb_Menu_newTodo(Fl_Widget*, void*) { mainWin->CB_Menu_newTodo(); }
void cb_CalFirstDay(Fl_Widget*, void* data) { mainWin->CB_CalFirstDay(valueOf(data)); }
void cb_CalSpan(Fl_Widget*, void* data) { mainWin->CB_CalSpan(valueOf(data)); }

// Label size 20 for every entry; FL_NORMAL_LABEL and the default font.
#define ZOLT_ENTRY(text, cb, value, flags) \
  { text, 0, cb, asData(value), flags, FL_NORMAL_LABEL, FL_HELVETICA, 20, FL_FOREGROUND_COLOR }
#define ZOLT_END \
  { nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0 }

Fl_Menu_Item menu_Menu[] = {
    ZOLT_ENTRY("About", cb_showScreen, kScreenAbout, FL_MENU_DIVIDER),
    ZOLT_ENTRY("&file", nullptr, 0, FL_SUBMENU | FL_MENU_DIVIDER),
    ZOLT_ENTRY("import", cb_Menu_insFile, 0, 0),
    ZOLT_ENTRY("export group+", cb_Menu_expFileGroup, 0, 0),
    ZOLT_ENTRY("export content", cb_Menu_expFileContent, 0, 0),
    ZOLT_ENTRY("export calendar (iCalendar)", cb_Menu_expIcs, 0, 0),
    ZOLT_ENTRY("import calendar (iCalendar)", cb_Menu_impIcs, 0, 0),
    ZOLT_END,
    ZOLT_ENTRY("&copy", nullptr, 0, FL_SUBMENU),
    ZOLT_ENTRY("group+", cb_Menu_copyGroup, 0, 0),
    ZOLT_ENTRY("content", cb_Menu_copyContent, 0, 0),
    ZOLT_END,
    ZOLT_ENTRY("&paste", cb_Menu_paste, 0, FL_MENU_DIVIDER),
    ZOLT_ENTRY("&group", nullptr, 0, FL_SUBMENU | FL_MENU_DIVIDER),
    ZOLT_ENTRY("new", cb_Menu_newGroup, 0, 0),
    ZOLT_ENTRY("edit", cb_Menu_editGroup, 0, 0),
    ZOLT_ENTRY("cut/delete", cb_Menu_delGroup, 0, 0),
    ZOLT_END,
    ZOLT_ENTRY("delete completed", cb_Menu_delCompl, 0, FL_MENU_DIVIDER),
    ZOLT_ENTRY("&search...", cb_Menu_search, 0, FL_MENU_DIVIDER),
    ZOLT_ENTRY("&View", nullptr, 0, FL_SUBMENU | FL_MENU_DIVIDER),
    ZOLT_ENTRY("calendar", cb_Menu_ZoltView, kMainViewCalendar, FL_MENU_DIVIDER),
    ZOLT_ENTRY("flat", cb_Opts_View_flat, 0, FL_MENU_RADIO),
    ZOLT_ENTRY("tree", cb_Opts_View_tree, 0, FL_MENU_RADIO | FL_MENU_DIVIDER),
    ZOLT_ENTRY("show completed", cb_Opts_View_scompleted, 0, FL_MENU_TOGGLE),
    ZOLT_ENTRY("completed last", cb_Opts_View_completedl, 0, FL_MENU_TOGGLE | FL_MENU_DIVIDER),
    ZOLT_ENTRY("sort priority", cb_Opts_View_sort, 0, FL_MENU_RADIO),
    ZOLT_ENTRY("sort date", cb_Opts_View_sort, 1, FL_MENU_RADIO | FL_MENU_DIVIDER),
    ZOLT_ENTRY("toggle size", cb_Opts_View_toggleTextSize, 0, 0),
    ZOLT_END,
    ZOLT_ENTRY("Crypt", nullptr, 0, FL_SUBMENU | FL_MENU_DIVIDER),
    ZOLT_ENTRY("Add Pwd...", cb_Menu_Crypt_AddPwd, 0, 0),
    ZOLT_ENTRY("Login...", cb_Menu_Crypt_Login, 0, 0),
    ZOLT_END,
    ZOLT_ENTRY("&undo", cb_Menu_undo, 0, 0),
    ZOLT_ENTRY("&redo", cb_Menu_undo, 1, FL_MENU_DIVIDER),
    ZOLT_ENTRY("E&xit", cb_Done, 0, 0),
    ZOLT_END,
};

Fl_Menu_Item menu_CalMenu[] = {
    ZOLT_ENTRY("About", cb_showScreen, kScreenAbout, FL_MENU_DIVIDER),
    ZOLT_ENTRY("delete completed", cb_Menu_delCompl, 0, FL_MENU_DIVIDER),
    ZOLT_ENTRY("&View", nullptr, 0, FL_SUBMENU | FL_MENU_DIVIDER),
    ZOLT_ENTRY("data", cb_Menu_ZoltView, kMainViewNormal, FL_MENU_DIVIDER),
    ZOLT_ENTRY("one day", cb_CalSpan, 1, FL_MENU_RADIO),
    ZOLT_ENTRY("two days", cb_CalSpan, 2, FL_MENU_RADIO),
    ZOLT_ENTRY("three days", cb_CalSpan, 3, FL_MENU_RADIO),
    ZOLT_ENTRY("7 days", cb_CalSpan, 7, FL_MENU_RADIO),
    ZOLT_ENTRY("42 days", cb_CalSpan, 42, FL_MENU_RADIO | FL_MENU_DIVIDER),
    ZOLT_ENTRY("toggle size", cb_Opts_View_toggleTextSize, 0, 0),
    ZOLT_END,
    ZOLT_ENTRY("&undo", cb_Menu_undo, 0, 0),
    ZOLT_ENTRY("&redo", cb_Menu_undo, 1, FL_MENU_DIVIDER),
    ZOLT_ENTRY("E&xit", cb_Done, 0, 0),
    ZOLT_END,
};

#undef ZOLT_ENTRY
#undef ZOLT_END

// Marks exactly one entry of a radio group from `first` to `last`.
static void markRadio(Fl_Menu_Item* menu, int first, int last, int chosen) {
  for (int i = first; i <= last; ++i) i == chosen ? menu[i].set() : menu[i].clear();
}

static int spanEntry(int span) {
  switch (span) {
    case 1:
      return kCalMenuOneDay;
    case 2:
      return kCalMenuTwoDays;
    case 3:
      return kCalMenuThreeDays;
    case 7:
      return kCalMenu7Days;
    default:
      return kCalMenu42Days;
  }
}

void ZoltGUI::setMenuMarks() {
  markRadio(menu_Menu, kMenuFlat, kMenuTree,
            doc->getOptViewtype() == kViewFlat ? kMenuFlat : kMenuTree);
  markRadio(menu_Menu, kMenuSortPriority, kMenuSortDate,
            doc->getOptsSort() == 0 ? kMenuSortPriority : kMenuSortDate);
  markRadio(menu_CalMenu, kCalMenuOneDay, kCalMenu42Days, spanEntry(doc->getCalSpan()));
}

static void setActive(Fl_Menu_Item& entry, bool on) { on ? entry.activate() : entry.deactivate(); }

void ZoltGUI::setMenuActive() {
  int view = doc->getMainViewType();
  menuButton_->menu(view == kMainViewCalendar ? menu_CalMenu : menu_Menu);
  if (screen_ == kScreenList) {
    for (Fl_Button* b : calButtons_) b->show();
    newItem_->show();
    up_->show();
  }
  bool normalOrCalendar = view != kMainViewActiveJobs && view != kMainViewSearch;
  for (int entry : {kMenuFile, kMenuCopy, kMenuPaste, kMenuGroup, kMenuFlat, kMenuTree,
                    kMenuShowCompleted, kMenuCompletedLast}) {
    setActive(menu_Menu[entry], normalOrCalendar);
  }
  setActive(menu_Menu[kMenuCalendar], view != kMainViewActiveJobs);
  setActive(menu_Menu[kMenuSearch], view != kMainViewActiveJobs);
  setEditorMenuActive(normalOrCalendar && view != kMainViewCalendar, normalOrCalendar);
  if (view == kMainViewCalendar) {
    newItem_->hide();
    up_->hide();
  } else {
    for (Fl_Button* b : calButtons_) b->hide();
  }
  if (!normalOrCalendar) newItem_->hide();
  if (view == kMainViewActiveJobs) up_->hide();
}

// ---- Views ----

void ZoltGUI::CB_Menu_ZoltView(int v) {
  int view = doc->getMainViewType();
  int line = 0;
  int first = 0, selected = 0;
  if (v == 42) {
    doc->setOptShowKbd(true);
    showKeyboard(true);
    resize(x(), y(), w(), h());
    redraw();
    return;
  }
  if (v == kMainViewActiveJobs) {
    if (view == kMainViewActiveJobs) {
      doc->setMainViewType(kMainViewPrevious);
      line = activeJobsReturnLine;
    } else {
      if (view != kMainViewSearch) {
        activeJobsReturnLine = firstVisibleLine();
      } else {
        doc->popListPosition(first, selected);
        activeJobsReturnLine = first;
        doc->leaveCurGroup();
      }
      doc->setMainViewType(kMainViewActiveJobs);
    }
  } else if (v == kMainViewNormal) {
    if (view == kMainViewCalendar) doc->setNLineCal(firstVisibleLine());
    line = doc->getNLineNormal();
    doc->setMainViewType(kMainViewNormal);
  } else if (v == kMainViewCalendar) {
    if (view == kMainViewSearch) {
      doc->leaveCurGroup();
      doc->popListPosition(first, selected);
      doc->setNLineNormal(first);
    } else {
      doc->setNLineNormal(firstVisibleLine());
    }
    line = doc->getNLineCal();
    doc->setMainViewType(kMainViewCalendar);
  }
  setMenuActive();
  showList(line);
}

void ZoltGUI::CB_Opts_View_flat() {
  doc->clearListPositions();
  doc->setOptViewtype(kViewFlat);
  setMenuMarks();
  showList(0);
}

void ZoltGUI::CB_Opts_View_tree() {
  doc->setOptViewtype(kViewTree);
  setMenuMarks();
  showList(0);
}

void ZoltGUI::CB_Opts_View_scompleted() {
  doc->toggleGroupShowCompleted();
  showList(0);
}

void ZoltGUI::CB_Opts_View_completedl() {
  doc->toggleGroupCompletedLast();
  showList(0);
}

void ZoltGUI::CB_Opts_sort(int sort) {
  doc->setOptsSort(sort);
  setMenuMarks();
  showList(0);
}

void ZoltGUI::CB_Opts_View_toggleTextSize() {
  // The small size still reads easily: 14 pixels, not 10.
  textSize_ = textSize_ == 20 ? 14 : 20;
  list_->labelsize(textSize_);
  list_->textsize(textSize_);
  setEditorTextSize(textSize_);
  showList(0);
}

// ---- Calendar ----

void ZoltGUI::CB_CalSpan(int span) {
  doc->setCalSpan(span);
  setMenuMarks();
  showList(0);
}

void ZoltGUI::CB_CalFirstDay(int how) {
  unsigned d = doc->getCalFirstDay();
  int span = doc->getCalSpan();
  switch (how) {
    case 0:
      d = getTodayDate(kNoTime);
      break;
    case 1: {
      int year = packedYear(d), month = packedMonth(d), day = packedDay(d);
      if (pickDate(year, month, day)) d = packDate(d, year, month, day);
      break;
    }
    case 2:
      moveDate(d, -span);
      break;
    case 3:
      moveDate(d, span);
      break;
    case 4:
      moveDate(d, -1);
      break;
    case 5:
      moveDate(d, 1);
      break;
    default:
      break;
  }
  doc->setCalFirstDay(d);
  showList(0);
}

// ---- Items and groups ----

void ZoltGUI::CB_Menu_newTodo() {
  if (doc->newToDo(0, 0) != 0) return;
  doc->incsave_newItem();
  show_editToDoWin(false, false);
}

void ZoltGUI::CB_Menu_newGroup() {
  int first = firstVisibleLine(), selected = selectedLine();
  if (doc->newGroup() != 0) {
    if (doc->atGroupDepthLimit(false)) showAlert(depthLimitMessage());
    return;
  }
  if (doc->getOptViewtype() == kViewTree) doc->pushListPosition(first, selected);
  doc->incsave_newItem();
  editorReturnLine = 0;
  showMain(kScreenEditGroup);
}

std::string ZoltGUI::depthLimitMessage() {
  return "This group lies " + std::to_string(kMaxGroupDepth) +
         " levels deep, the deepest Zolt's data file can hold: no group can be made inside "
         "it. Make the new group in a group higher up.";
}

void ZoltGUI::CB_Menu_editGroup() {
  if (doc->inRootGroup()) return;
  editorReturnLine = firstVisibleLine();
  doc->incsave_rememberGroup();
  showMain(kScreenEditGroup);
}

void ZoltGUI::CB_Menu_delGroup() {
  if (doc->inRootGroup() || doc->getMainViewType() != kMainViewNormal) return;
  if (askChoice("Do you really want to delete this group?", "Cancel", "Delete") != 1) return;
  // The cut group lives on in the exchange file; without that copy it would be gone.
  if (doc->exportGroupToFile(clipboardFile.c_str()) != 0) {
    showAlert("Could not copy the group to the clipboard file " + clipboardFile +
              ", so it was not cut. Nothing was deleted.");
    return;
  }
  bool failedBefore = doc->incsave_failed();
  doc->incsave_forgetGroup();
  if (doc->delCurGroup() != 0) return;
  if (!failedBefore && doc->incsave_failed()) journalProblem();
  int line = editorReturnLine, selected = 0;
  if (!groupEditing) doc->popListPosition(line, selected);
  groupEditing = false;
  showMain(kScreenList);
  showList(line);
  keepCursor(selected > 0 ? selected : line);
}

void ZoltGUI::CB_Menu_delCompl() {
  if (askChoice("This will delete every visible todo that's finished. Really continue?", "Cancel",
                "Delete") != 1) {
    return;
  }
  bool failedBefore = doc->incsave_failed();
  int noted = selectedLine();
  size_t stepsBefore = doc->getUndoHistory().undoSteps();
  int result = doc->delCompleted();
  if (!failedBefore && doc->incsave_failed()) journalProblem();
  // The deletions are the step just kept for undo, when one was.
  const UndoStep* step = doc->getUndoHistory().nextUndo();
  bool kept = doc->getUndoHistory().undoSteps() != stepsBefore;
  // No step: nothing was deleted, unless the deletions were too big to keep for undo.
  int deleted = kept ? removedCount(step) : 0;
  setStatus(!kept && doc->getUndoHistory().lostTooBig()
                ? std::string("Deleted the completed to-dos")
                : "Deleted " + std::to_string(deleted) + " completed");
  showList(0);
  keepCursor(noted > 0 ? noted : 1);
  if (result != 0) {
    showMessage(
        "Some completed to-dos could not be deleted: the list no longer matched the data. "
        "Nothing was lost; the list now shows what is left, so try again.");
  }
}

// ---- Clipboard, files and search ----

void ZoltGUI::CB_Menu_copy(bool group) {
  int result = group ? doc->exportGroupToFile(clipboardFile.c_str())
                     : doc->exportContentToFile(clipboardFile.c_str());
  if (result != 0) showAlert("Could not copy to the clipboard file " + clipboardFile + ".");
}

static bool isEmptyFile(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0 && st.st_size == 0;
}

// Tells the user what an insertion from `file` did when it did not simply succeed.
static void reportInsertion(int result, const std::string& file, const std::string& where) {
  if (result == -3) {
    showAlert("Could not open " + file + ". Check the name and that you may read it.");
  } else if (result == -2) {
    showAlert(file +
              " ends before its closing line \"</data>\"; what stood before it was "
              "inserted.\n" +
              where);
  } else if (result == Zolt::kInsertDamaged) {
    showAlert(file + " holds a damaged record; the records Zolt could read were inserted.\n" +
              where);
  }
}

// ---- Undo and redo ----

void ZoltGUI::markUndoEntries() {
  const UndoHistory& history = doc->getUndoHistory();
  for (Fl_Menu_Item* menu : {&menu_Menu[kMenuUndo], &menu_CalMenu[kCalMenuUndo]}) {
    setActive(*menu, history.canUndo());
  }
  for (Fl_Menu_Item* menu : {&menu_Menu[kMenuRedo], &menu_CalMenu[kCalMenuRedo]}) {
    setActive(*menu, history.canRedo());
  }
}

// Each undo or redo is a change of its own, journalled as any other; the list shows the
// result in the view the user is in.
void ZoltGUI::CB_Menu_undo(bool redo) {
  if (screen_ != kScreenList) return;
  bool failedBefore = doc->incsave_failed();
  const UndoHistory& history = doc->getUndoHistory();
  std::string what = undoStatus(redo ? history.nextRedo() : history.nextUndo(), redo, true);
  int result = redo ? doc->redo() : doc->undo();
  setStatus(result == UndoHistory::kNothing || result == UndoHistory::kStale
                ? undoStatus(nullptr, redo, false)
                : what);
  if (result == UndoHistory::kNothing) {
    // The entry is greyed then; the key says why only when there is something to say.
    if (!redo && doc->getUndoHistory().lostTooBig()) {
      showMessage(
          "The last change was too big to keep for undo (more than 32 MB of items), so it and "
          "the changes before it cannot be undone.");
    }
    return;
  }
  if (result == UndoHistory::kStale) {
    showAlert(
        "This change cannot be undone: the items it touched were changed in another way "
        "since. Nothing was changed; the earlier changes can no longer be undone either.");
  }
  if (!failedBefore && doc->incsave_failed()) journalProblem();
  int line = checkActiveJobs();
  doc->checkCompleted();
  setMenuActive();
  showList(line != 0 ? line : firstVisibleLine());
}

void ZoltGUI::CB_Menu_paste() {
  if (isEmptyFile(clipboardFile)) {
    showMessage("The clipboard is empty: copy or cut a to-do or a group first.");
    return;
  }
  std::string where;
  bool failedBefore = doc->incsave_failed();
  int result = doc->insertDataFromFile(clipboardFile.c_str(), &where);
  if (!failedBefore && doc->incsave_failed()) journalProblem();
  reportInsertion(result, "The clipboard file " + clipboardFile, where);
  setStatus(result == -3 ? "Nothing pasted" : "Pasted from the clipboard");
  checkActiveJobs();
  showList(0);
}

const char* promptButtonLabel(int kind) {
  switch (kind) {
    case kPromptSearch:
      return "Search";
    case kPromptImport:
    case kPromptImportIcs:
      return "Import";
    default:
      return "Export";
  }
}

std::string ZoltGUI::searchTitle() const {
  std::string found = searchHits_ == 0 ? "nothing found" : std::to_string(searchHits_) + " found";
  return "Search \"" + searchText_ + "\": " + found;
}

void ZoltGUI::CB_Menu_prompt(int kind) {
  static const char* const texts[] = {"string to search for:",
                                      "filename and path of Zolt-file to export to:",
                                      "filename and path of Zolt-file to export to:",
                                      "filename and path of Zolt-file to insert:",
                                      "filename and path of iCalendar-file to export to:",
                                      "filename and path of iCalendar-file to import:"};
  promptKind_ = kind;
  promptLabel_->label(texts[kind]);
  promptInput_->value("");
  showMain(kScreenPrompt);
}

// Encrypted descriptions go into an iCalendar file in clear only while logged in, and only
// when the user says so.
static T_IcsExportOptions icsExportOptions(Zolt& doc) {
  T_IcsExportOptions opts;
  opts.uidDomain = uidDomainOf(doc.getMasterFileName());
  if (doc.getKeys().IsLoggedIn() && hasEncryptedDescriptions(doc)) {
    opts.withEncrypted =
        askChoice(
            "Some descriptions are encrypted. Write them into the iCalendar file in clear "
            "text, where anyone who can read the file can read them?",
            "Leave them out", "Write in clear") == 1;
  }
  return opts;
}

void ZoltGUI::promptDone() {
  std::string text = promptInput_->value();
  if (text.empty()) {
    showMain(kScreenList);
    return;
  }
  if (promptKind_ == kPromptSearch) {
    if (doc->getMainViewType() != kMainViewSearch && doc->getOptViewtype() == kViewTree) {
      doc->pushListPosition(firstVisibleLine(), selectedLine());
    }
    doc->search(text);
    searchText_ = text;
    showMain(kScreenList);
    setMenuActive();
    showList(0);
  } else if (promptKind_ == kPromptImportIcs) {
    bool failedBefore = doc->incsave_failed();
    T_IcsReport report;
    int result = importICalendar(*doc, text.c_str(), report);
    if (!failedBefore && doc->incsave_failed()) journalProblem();
    showMain(kScreenList);
    setStatus(icsImportStatus(text, report));
    T_IcsReportText shown = importReportText(text, report, doc->getMasterFileName());
    showReport(shown.summary, shown.detail, result != 0 && result != -2);
    showList(0);
  } else if (promptKind_ == kPromptExportIcs) {
    if (!mayExportTo(text)) return;
    T_IcsReport report;
    int result = exportICalendar(*doc, text.c_str(), icsExportOptions(*doc), report);
    showMain(kScreenList);
    setStatus(icsExportStatus(text, report));
    T_IcsReportText shown = exportReportText(text, report, doc->getMasterFileName());
    showReport(shown.summary, shown.detail, result != 0);
  } else if (promptKind_ == kPromptImport) {
    std::string where;
    bool failedBefore = doc->incsave_failed();
    int result = doc->insertDataFromFile(text.c_str(), &where);
    if (!failedBefore && doc->incsave_failed()) journalProblem();
    showMain(kScreenList);
    setStatus(result == -3 ? "Nothing imported from " + text : "Imported " + text);
    reportInsertion(result, text, where);
    checkActiveJobs();
    showList(0);
  } else {
    if (!mayExportTo(text)) return;
    int result = promptKind_ == kPromptExportGroup ? doc->exportGroupToFile(text.c_str())
                                                   : doc->exportContentToFile(text.c_str());
    showMain(kScreenList);
    setStatus((result != 0 ? "Nothing exported to " : "Exported to ") + text);
    if (result != 0) {
      showAlert("Could not write " + text + ". Check the folder exists and you may write there.");
    }
  }
}

// An export replaces its file: never the data file or one of the files beside it, and
// another existing file only when the user says so. False leaves the prompt open.
bool ZoltGUI::mayExportTo(const std::string& file) {
  std::string refused;
  if (checkExportTarget(*doc, file, refused) != 0) {
    showAlert(refused);
    return false;
  }
  struct stat st;
  if (stat(file.c_str(), &st) != 0) return true;
  return askChoice("The file " + file + " exists already. Replace it with the export?", "Cancel",
                   "Replace") == 1;
}

// ---- Encryption ----

void ZoltGUI::UpdateCryptMenu() {
  setActive(menu_Menu[kMenuLogin], doc->getKeys().CanLogIn());
  setActive(menu_Menu[kMenuAddPwd], doc->getKeys().CanAddPwd());
}

// The new password reaches the master file before anything can be encrypted under it.
void ZoltGUI::CB_Menu_Crypt_AddPwd() {
  CryptMan& keys = doc->getKeys();
  int before = keys.GetNumPwds();
  bool hadMasterKey = keys.HasMasterKey();
  if (!keys.CanAddPwd() || pwd_add_run_window(&keys) != 0) {
    UpdateCryptMenu();
    return;
  }
  if (doc->storeAddedPasswords(before, hadMasterKey) == 0) {
    setStatus("Password added");
  } else {
    setStatus("Password not added");
    showAlert("The password was not added: the data file " + doc->getJournalBase() +
              " could not be written, and a password must be stored before anything is "
              "encrypted with it. Make room on the disk or fix the folder's permissions, then "
              "add the password again.");
  }
  UpdateCryptMenu();
}

void ZoltGUI::CB_Menu_Crypt_Login() {
  if (doc->getKeys().CanLogIn() && pwd_ask_run_window(&doc->getKeys()) == 0) {
    (void)doc->sealClearDescriptions();  // a failure is reported by the save at exit
    setStatus("Logged in");
  }
  UpdateCryptMenu();
}
