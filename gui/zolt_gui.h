// The main window: one FLTK window that shows one screen at a time, the list of the
// current view (screen 0), the about screen (1), the item and group editor (2 to 5) and
// the input prompt (6). The list is a RowList (gui/row_list.h), which draws only the lines
// in sight and asks a ViewLines (gui/view_lines.h) for their text, made then from the
// document's line readers; so showing a view of any size costs about one page. The window
// routes every click, key and menu command to one document operation and shows the result.
// GUI thread only.
#ifndef ZOLT_GUI_ZOLT_GUI_H_
#define ZOLT_GUI_ZOLT_GUI_H_

#include <FL/Fl_Window.H>

#include <string>

class Fl_Box;
class Fl_Browser;
class Fl_Button;
class Fl_Input;
class Fl_Menu_Button;
struct Fl_Menu_Item;
class FakeKeyboard;
class RowList;
class ToDoListItem;
class ViewLines;
struct T_viewDataItem;
class Zolt;
struct EditorScreens;
struct T_recData;

// Screens of the main window.
constexpr int kScreenList = 0;
constexpr int kScreenAbout = 1;
constexpr int kScreenEditBasics = 2;
constexpr int kScreenEditTimes = 3;
constexpr int kScreenEditDescription = 4;
constexpr int kScreenEditGroup = 5;
constexpr int kScreenPrompt = 6;

// What the input prompt is for.
constexpr int kPromptSearch = 0;
constexpr int kPromptExportGroup = 1;
constexpr int kPromptExportContent = 2;
constexpr int kPromptImport = 3;
constexpr int kPromptExportIcs = 4;
constexpr int kPromptImportIcs = 5;
// The label of the prompt's button that carries it out: "Search", "Export" or "Import".
const char* promptButtonLabel(int kind);

class ZoltGUI : public Fl_Window {
 public:
  ZoltGUI(int w, int h, const char* title);
  ~ZoltGUI() override;
  ZoltGUI(const ZoltGUI&) = delete;
  ZoltGUI& operator=(const ZoltGUI&) = delete;

  // Builds every widget of every screen inside the window.
  void makeWindows();
  // `doc` is not owned and must outlive the window; `clipboardFile` is the exchange file of
  // copy and paste (copied). Sets the menu marks from the document's options.
  void init(Zolt* doc, const char* clipboardFile);
  // Switches to `screen`; returns the line to show when it had to leave the active-jobs
  // view (no to-do runs any more), else 0.
  int showMain(int screen);
  // Rebuilds the list from the document; a `firstLine` above 0 scrolls it to the top.
  void showList(int firstLine);
  void resize(int x, int y, int w, int h) override;
  int handle(int event) override;
  void draw() override;
  void hideAll();

  // ---- The list (screen 0) ----
  void listViewClicked();
  void enterGroup(int row, bool selectFirst);
  // Goes up one group; the document's refusal (-1) changes nothing.
  int CB_Up();
  // Completes or reopens the to-do of `row`; the cursor follows it afterwards (from a key
  // press, `reselect`, or a click alike) and the list keeps the keys.
  void toggleCompleted(int row, bool reselect);
  // Shows the "!" button while a to-do runs; leaves the active-jobs view when none runs and
  // returns the line to show then, else 0.
  int checkActiveJobs();
  // Shows the local date and time in the keyboard strip.
  void updateClock();
  void CB_Cancel();
  // The close button, "E&xit" and Ctrl+q: leaves the screen shown, or the program.
  void CB_Done();
  // Ends the program from any screen, for a logout or a kill: an open editor is left as
  // its close button leaves it, so nothing typed is lost; a prompt is cancelled. While the
  // user's editor runs on the description, the user is asked first when `ask` (the program
  // goes on when the answer is no); without asking, that edit is given up.
  void closeForShutdown(bool ask = true);
  // Escape in the list: back from active jobs, search results or the calendar.
  void leaveViewByEscape();
  // The status line under the list: what the last command did.
  void setStatus(const std::string& text);
  std::string statusText() const;

  // ---- Menus and commands ----
  void setMenuActive();
  void CB_Menu_newTodo();
  void CB_Menu_newGroup();
  void CB_Menu_editGroup();
  void CB_Menu_delGroup();
  void CB_Menu_delCompl();
  void CB_Menu_paste();
  // Undo, or redo when `redo`, on the list screen; the editors keep Ctrl+z for their text.
  void CB_Menu_undo(bool redo);
  // Enables "undo" and "redo" by what there is to undo and redo.
  void markUndoEntries();
  void CB_Menu_copy(bool group);
  // The input prompt for `kind` (kPrompt*).
  void CB_Menu_prompt(int kind);
  void CB_Menu_ZoltView(int v);
  void CB_Opts_View_flat();
  void CB_Opts_View_tree();
  void CB_Opts_View_scompleted();
  void CB_Opts_View_completedl();
  void CB_Opts_sort(int sort);
  void CB_Opts_View_toggleTextSize();
  void CB_CalSpan(int span);
  void CB_CalFirstDay(int how);

  // ---- Encryption and the keyboard strip ----
  void UpdateCryptMenu();
  void CB_Menu_Crypt_AddPwd();
  void CB_Menu_Crypt_Login();
  void initFakeKbd();
  void CB_hideKbd();
  void showKeyboard(bool on);

  // ---- The item and group editor (screens 2 to 5, item_editor.cpp) ----
  // Opens the editor on the document's current item: the description screen when
  // `forceDescription`, or `preferDescription` and the item has a description; else basics.
  void show_editToDoWin(bool preferDescription, bool forceDescription);
  // "&Close" on screens 2 to 4: the summary and description go into the item, a change is
  // journalled, and the list comes back where it stood.
  void editToDo_Done();
  // "&Close" on screen 5.
  void editGroup_Done();
  // The summary and description inputs into the item (encrypted when so marked).
  void editToDo_saveSettings();
  // Completion label and done check from the item.
  void showToDoState();
  // "Time: h:mm" of the item's recorded time.
  void editToDo_updateTimeSum();
  // Normalises the item's dates and shows the date, time, show-as and recurrence widgets
  // that its kind and dates call for.
  void editToDo_updateTimeThings();
  // The recurrence button's label from the item's recurrence type.
  void editToDo_updateRecThings();
  // The edited item's recurrence as it stands.
  T_recData editedRecurrence();
  // Says in an alert why the item's recurrence is no longer `wanted` and what to set;
  // nothing when it is.
  void sayRecurrenceChange(const T_recData& wanted);
  // Before recurrence `wanted` is set on an item with only its main date: asks to set the
  // other date on that day. False when the user declines.
  bool offerMissingDate(const T_recData& wanted);
  // "none" without a date; else "dd.mm.yyyy h:mm", or "dd.mm.yyyy xx:xx" without a time.
  static std::string dateTime2str(unsigned value);
  // 1 to 6: a priority button (the group's priority on screen 5); -1: the to-do check.
  void CB_edit_Pr(int value);
  void CB_editToDo_compl();
  void CB_editToDo_StrtStp();
  // A date menu entry (kEdit* values of gui/item_editor.h).
  void CB_editToDo_Date(int value);
  void CB_editToDo_Time(int value);
  void CB_editToDo_recurring();
  void CB_editToDo_showAs(int value);
  void CB_editToDo_crypt(bool on);
  // Starts editing the description input's text in the user's editor; the window goes on
  // while it runs, and the text comes back when it ends (pollExternalEdit).
  void CB_editToDo_ExtEdit();
  // The timer's look at the user's editor: once it has ended, its text goes into the
  // description input, or its failure is shown.
  void pollExternalEdit();
  bool externalEditRunning() const;
  // Gives up an edit still running in the user's editor (its text is lost) and opens the
  // description again.
  void endExternalEdit();
  // While the user's editor runs, says so and returns true: the item cannot be left.
  bool refuseWhileExternalEdit();
  std::string externalEditNote() const;
  void CB_editToDo_Menu_showGroup();
  void CB_editToDo_Menu_del();
  void CB_editToDo_Menu_copy();
  void CB_editToDo_Menu_t2Group();
  // The group screen's "cut/&delete": the typed summary goes into the group first, so the
  // clipboard copy holds it.
  void CB_editGroup_Menu_del();
  // The screen button: basics to description, or back to basics.
  void CB_editToDo_screenButton();
  // Escape and "Cancel" in the editor: a new to-do or group goes again, as if never made
  // (after a question when it was changed); any other leaves as "&Close" does.
  void CB_editCancel();
  // Parts of showing and leaving the editor screens.
  void showBasicsScreen();
  void showTimesScreen();
  void showGroupScreen();
  void journalEditedToDo();

  // ---- For tests and the benchmark: the widgets as they stand ----
  int screen() const { return screen_; }
  int textSize() const { return textSize_; }
  int promptKind() const { return promptKind_; }
  RowList* list() const { return list_; }
  Fl_Button* titleButton() const { return title_; }
  Fl_Menu_Button* menuButton() const { return menuButton_; }
  Fl_Button* newItemButton() const { return newItem_; }
  Fl_Button* upButton() const { return up_; }
  Fl_Button* activeJobsButton() const { return activeJobs_; }
  Fl_Button* calendarButton(int i) const { return calButtons_[i]; }
  Fl_Browser* aboutBox() const { return about_; }
  Fl_Box* promptLabel() const { return promptLabel_; }
  Fl_Input* promptInput() const { return promptInput_; }
  Fl_Button* closeButton() const { return close_; }
  Fl_Button* cancelButton() const { return cancel_; }
  Fl_Box* statusLine() const { return status_; }
  FakeKeyboard* keyboard() const { return kbd_; }  // null until initFakeKbd
  Zolt* document() const { return doc; }
  EditorScreens* editor() const { return editor_; }

 private:
  friend struct EditorScreens;
  static constexpr int kMarkColumnWidth = 26;  // the list's mark column, left of the text

  // Layout and screens.
  void layoutList();
  void layoutTitle();
  void placeKeyboard(int W, int H);
  // The About screen's lines: version, data file, features and keys.
  void fillAbout();
  // The list's first visible line and its selected line (0 for none).
  int firstVisibleLine() const;
  int selectedLine() const;
  void selectLine(int line);
  // Up, Down, Page Up, Page Down, Home and End move the selection; false for other keys.
  bool moveSelection(int key);
  // Whether the cursor may rest on list line `line`, and the nearest such line from `line`
  // on in `direction` (+1, -1; 0 when none).
  bool isCursorStop(int line) const;
  int nextCursorStop(int line, int direction) const;
  // Selects a line near `line` when none is selected, and gives the list the keys.
  void keepCursor(int line);
  // The calendar's own keys; false for a key it leaves to the list.
  bool handleCalendarKey(int key, const T_viewDataItem* r, int row);
  // Enter on a focused button of the bar presses it.
  bool pressFocusedButton();
  int linesPerPage() const;
  // Selects the list line that shows `item` (not owned), if one does.
  void selectItemLine(const ToDoListItem* item);
  // The row the list line `line` (from 1) shows; -1 when there is none.
  int rowOfLine(int line) const;
  // Opens the to-do of `row` in the editor, or asks for the login when its description is
  // locked.
  void openToDo(int row, bool preferDescription);
  void newItemOnRow(unsigned priority, int row, bool toDescription);
  void setMenuMarks();
  void setCheckMarks();
  int leaveSearchForView();
  bool handleListKey(int key);
  void promptDone();
  // The search results' title line: the text searched for and the number found.
  std::string searchTitle() const;
  bool mayExportTo(const std::string& file);
  void journalProblem();
  // Why a new group cannot be made at the deepest level the files can hold.
  static std::string depthLimitMessage();

  // Editor hooks (item_editor.cpp).
  void makeEditorWidgets();
  void layoutEditor(int W, int H);
  int layoutForm(int W, int H);
  void showEditorScreen(int screen);
  void hideEditor();
  void setEditorMenuActive(bool turnToGroup, bool cutDelete);
  int handleEditorKey();
  void placeEditorCancel(int W, int H);
  void rememberIfNew(bool isNew);
  void focusSummary();
  bool newItemChanged() const;
  void dropNewToDo();
  void dropNewGroup();
  void setEditorTextSize(int size);

  Zolt* doc = nullptr;  // not owned
  int screen_ = kScreenList;
  int halfHeight;
  int halfWidth;
  std::string titleText;
  int titleHalfHeight = 0;
  bool groupEditing = false;
  int editorReturnLine = 0;
  int activeJobsReturnLine = 0;
  int textSize_ = 20;
  std::string clipboardFile;
  int promptKind_ = kPromptSearch;
  std::string searchText_;  // the text of the last search, for the results' title
  int searchHits_ = 0;      // the number of results it found
  char clockText[30] = "";

  // Widgets, owned by the window (its group deletes them).
  Fl_Button* title_ = nullptr;
  RowList* list_ = nullptr;
  Fl_Box* status_ = nullptr;
  Fl_Menu_Button* menuButton_ = nullptr;
  Fl_Button* newItem_ = nullptr;
  Fl_Button* up_ = nullptr;
  Fl_Button* activeJobs_ = nullptr;
  Fl_Button* calButtons_[6] = {};
  Fl_Browser* about_ = nullptr;
  Fl_Button* close_ = nullptr;
  Fl_Box* promptLabel_ = nullptr;
  Fl_Input* promptInput_ = nullptr;
  Fl_Button* cancel_ = nullptr;
  Fl_Button* kbdClose_ = nullptr;
  FakeKeyboard* kbd_ = nullptr;
  EditorScreens* editor_ = nullptr;  // owned; its widgets belong to the window
  ViewLines* viewLines_ = nullptr;   // owned; the list's line source
};

extern ZoltGUI* mainWin;  // the one main window, owned by FLTK's window list

// The main menu and the calendar menu: static tables whose flags the window changes.
extern Fl_Menu_Item menu_Menu[];
extern Fl_Menu_Item menu_CalMenu[];
// Indices into the tables of the entries whose flags change.
enum MainMenuEntry {
  kMenuAbout = 0,
  kMenuFile = 1,
  kMenuImport = 2,
  kMenuExportGroup = 3,
  kMenuExportContent = 4,
  kMenuExportIcs = 5,
  kMenuImportIcs = 6,
  kMenuCopy = 8,
  kMenuCopyGroup = 9,
  kMenuCopyContent = 10,
  kMenuPaste = 12,
  kMenuGroup = 13,
  kMenuGroupNew = 14,
  kMenuGroupEdit = 15,
  kMenuGroupDelete = 16,
  kMenuDelCompleted = 18,
  kMenuSearch = 19,
  kMenuView = 20,
  kMenuCalendar = 21,
  kMenuFlat = 22,
  kMenuTree = 23,
  kMenuShowCompleted = 24,
  kMenuCompletedLast = 25,
  kMenuSortPriority = 26,
  kMenuSortDate = 27,
  kMenuToggleSize = 28,
  kMenuCrypt = 30,
  kMenuAddPwd = 31,
  kMenuLogin = 32,
  kMenuUndo = 34,
  kMenuRedo = 35,
  kMenuExit = 36,
};
enum CalendarMenuEntry {
  kCalMenuAbout = 0,
  kCalMenuDelCompleted = 1,
  kCalMenuView = 2,
  kCalMenuData = 3,
  kCalMenuOneDay = 4,
  kCalMenuTwoDays = 5,
  kCalMenuThreeDays = 6,
  kCalMenu7Days = 7,
  kCalMenu42Days = 8,
  kCalMenuToggleSize = 9,
  kCalMenuUndo = 11,
  kCalMenuRedo = 12,
  kCalMenuExit = 13,
};

// Creates the main window titled "Zolt: " and `fileName`, sized from `doc`'s stored half
// width and height, and stores it in mainWin.
void make_windows(Zolt& doc, const char* fileName);

// Callbacks: each reaches mainWin. Menu callbacks take the entry's value as `data`.
void cb_keypress_ESC(Fl_Widget*, void*);
void cb_Done(Fl_Widget*, void*);
void cb_Cancel(Fl_Widget*, void*);
void cb_Up(Fl_Widget*, void*);
void cb_listView(Fl_Widget*, void*);
void cb_showScreen(Fl_Widget*, void* data);
void cb_Menu_ZoltView(Fl_Widget*, void* data);
void cb_Menu_newTodo(Fl_Widget*, void*);
void cb_CalFirstDay(Fl_Widget*, void* data);
void cb_CalSpan(Fl_Widget*, void* data);
void cb_hideKbd(Fl_Widget*, void*);
void updateClock(void*);

#endif  // ZOLT_GUI_ZOLT_GUI_H_
