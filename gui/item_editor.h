// The widgets of the item and group editor screens (2 to 5) of the main window. They are
// children of the window, built once by makeEditorWidgets and placed by layoutEditor;
// ZoltGUI owns this record and reaches it as `editor_`. GUI thread only.
#ifndef ZOLT_GUI_ITEM_EDITOR_H_
#define ZOLT_GUI_ITEM_EDITOR_H_

#include <string>

class Fl_Box;
class Fl_Browser;
class Fl_Button;
class Fl_Check_Button;
class Fl_Choice;
class Fl_Group;
class Fl_Input;
class Fl_Menu_Button;
class Fl_Multiline_Input;
class Fl_Scroll;
class Fl_Widget;
struct Fl_Menu_Item;
class ToDoListToDo;

// Values of the date and time menu entries: the low four bits are the action, 16 marks
// the begin (the document's `which` is then non-zero), 0 the end.
constexpr int kEditNone = 1;
constexpr int kEditSelect = 2;
constexpr int kEditToday = 4;
constexpr int kEditBeginPlus30 = 8;
constexpr int kEditBegin = 16;

// The editor menu and the group screen's menu; the editor sets their flags.
extern Fl_Menu_Item menu_editToDo[];
extern Fl_Menu_Item menu_editGroup[];
enum EditorMenuEntry {
  kEditMenuShowGroup = 0,
  kEditMenuDelete = 1,
  kEditMenuCopy = 2,
  kEditMenuToGroup = 3,
  kEditMenuBasics = 4,
  kEditMenuDescription = 5,
  kEditMenuTimes = 6,
  kEditMenuKeyboard = 7,
};

class ExternalEdit;

// Every widget pointer is owned by the main window (its group deletes the widgets).
struct EditorScreens {
  EditorScreens() = default;
  ~EditorScreens();
  EditorScreens(const EditorScreens&) = delete;
  EditorScreens& operator=(const EditorScreens&) = delete;

  // The description is still ciphertext (nobody logged in): the input stays empty and
  // inactive, and leaving keeps the stored description untouched.
  bool descriptionLocked = false;
  // The editor shows a to-do or group just made and not yet kept: Escape and "Cancel" take
  // it out again. What it was made as tells whether the user has changed it since.
  bool isNew = false;
  ToDoListToDo* toDoAsMade = nullptr;  // owned copy, for a new to-do only
  std::string descriptionAsMade;
  std::string groupSummaryAsMade;
  unsigned groupPriorityAsMade = 0;
  // Whether the item had both dates when the editor last looked (known once it looked):
  // an appointment that gains its second date starts as busy.
  bool bothDatesKnown = false;
  bool bothDatesSet = false;
  // The description's round trip through the user's editor while that runs (owned); the
  // window goes on meanwhile, with the description and the way out of the item shut.
  ExternalEdit* externalEdit = nullptr;

  // Holds every field of screens 2, 3 (the time sum) and 5, and scrolls them when the
  // window, less the keyboard strip, is too short to show them all above the bar.
  Fl_Scroll* form = nullptr;
  Fl_Input* summary = nullptr;
  Fl_Check_Button* isToDo = nullptr;
  Fl_Group* priorityGroup = nullptr;
  Fl_Check_Button* priority[6] = {};  // "&1" to "&6"
  Fl_Check_Button* done = nullptr;
  Fl_Box* completionLabel = nullptr;
  Fl_Box* timeSum = nullptr;
  Fl_Menu_Button* beginDate = nullptr;
  Fl_Menu_Button* endDate = nullptr;
  Fl_Menu_Button* beginTime = nullptr;
  Fl_Menu_Button* endTime = nullptr;
  Fl_Box* beginBox = nullptr;
  Fl_Box* endBox = nullptr;
  Fl_Choice* showAs = nullptr;
  Fl_Button* recurrence = nullptr;
  Fl_Check_Button* crypt = nullptr;
  Fl_Multiline_Input* description = nullptr;
  Fl_Browser* times = nullptr;
  Fl_Menu_Button* menu = nullptr;
  Fl_Menu_Button* groupMenu = nullptr;
  Fl_Box* groupCompletion = nullptr;
  Fl_Button* screenButton = nullptr;
  Fl_Button* startStop = nullptr;
  Fl_Button* extEdit = nullptr;
  Fl_Button* cancel = nullptr;  // shown for a new item only, where the bar has room
};

#endif  // ZOLT_GUI_ITEM_EDITOR_H_
