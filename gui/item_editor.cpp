// The item and group editor screens: building and placing their widgets, filling them from
// the current item or group, applying every change through the document at once, and
// leaving with the summary and description written back and journalled.
#include "gui/item_editor.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Scroll.H>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "calendar/date_time.h"
#include "calendar/recurrence.h"
#include "crypt/descr_data.h"
#include "document/zolt.h"
#include "gui/alt_shortcut.h"
#include "gui/date_select.h"
#include "gui/messages.h"
#include "gui/raw_label.h"
#include "gui/recurrence_notice.h"
#include "gui/recurrence_select.h"
#include "gui/time_select.h"
#include "gui/zolt_gui.h"
#include "model/todo_list_todo.h"
#include "util/config.h"
#include "util/external_editor.h"

// Geometry: rows of 30 pixels, the bottom bar's buttons from the left.
static const int kRowHeight = 30;
// The drop-down buttons are wide enough that their label, drawn at the left, keeps clear
// of the drop-down mark at their right.
static const int kMenuX = 70, kMenuW = 76;
static const int kScreenButtonX = 146, kScreenButtonW = 70;
static const int kBarButtonsX = 216, kBarButtonW = 70;
static const int kDateMenuW = 76, kTimeMenuW = 66;
static const int kPriorityStep = 50;

static int valueOf(void* data) { return static_cast<int>(reinterpret_cast<intptr_t>(data)); }
static void* asData(int v) { return reinterpret_cast<void*>(static_cast<intptr_t>(v)); }

// ---- Callbacks ----

static void cb_edit_isToDo(Fl_Widget*, void*) { mainWin->CB_edit_Pr(-1); }
static void cb_editToDo_Pr(Fl_Widget*, void* data) { mainWin->CB_edit_Pr(valueOf(data)); }
static void cb_editToDo_compl(Fl_Widget*, void*) { mainWin->CB_editToDo_compl(); }
static void cb_editToDo_StrtStp(Fl_Widget*, void*) { mainWin->CB_editToDo_StrtStp(); }
static void cb_editToDo_Date(Fl_Widget*, void* data) { mainWin->CB_editToDo_Date(valueOf(data)); }
static void cb_editToDo_Time(Fl_Widget*, void* data) { mainWin->CB_editToDo_Time(valueOf(data)); }
static void cb_editToDo_recurring(Fl_Widget*, void*) { mainWin->CB_editToDo_recurring(); }
static void cb_editToDo_showAs(Fl_Widget*, void* data) {
  mainWin->CB_editToDo_showAs(valueOf(data));
}
static void cb_editToDo_crypt(Fl_Widget* w, void*) {
  mainWin->CB_editToDo_crypt(static_cast<Fl_Check_Button*>(w)->value() != 0);
}
static void cb_editToDo_ExtEdit(Fl_Widget*, void*) { mainWin->CB_editToDo_ExtEdit(); }
static void cb_pollExternalEdit(void*) {
  if (mainWin) mainWin->pollExternalEdit();
}
// Often enough that the text is back as the editor closes, seldom enough to cost nothing.
static const double kExternalEditPoll = 0.1;
static void cb_editToDo_Menu_showGroup(Fl_Widget*, void*) { mainWin->CB_editToDo_Menu_showGroup(); }
static void cb_editToDo_Menu_del(Fl_Widget*, void*) { mainWin->CB_editToDo_Menu_del(); }
static void cb_editToDo_Menu_copyToDo(Fl_Widget*, void*) { mainWin->CB_editToDo_Menu_copy(); }
static void cb_editToDo_Menu_t2Group(Fl_Widget*, void*) { mainWin->CB_editToDo_Menu_t2Group(); }
static void cb_editGroup_Menu_del(Fl_Widget*, void*) { mainWin->CB_editGroup_Menu_del(); }
static void cb_editToDo_screenButton(Fl_Widget*, void*) { mainWin->CB_editToDo_screenButton(); }
static void cb_editCancel(Fl_Widget*, void*) { mainWin->CB_editCancel(); }

// ---- Menus ----

#define ZOLT_ENTRY(text, cb, value, flags) \
  { text, 0, cb, asData(value), flags, FL_NORMAL_LABEL, FL_HELVETICA, 20, FL_FOREGROUND_COLOR }
#define ZOLT_END \
  { nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0 }

Fl_Menu_Item menu_editToDo[] = {
    ZOLT_ENTRY("&go to item's group", cb_editToDo_Menu_showGroup, 0, 0),
    ZOLT_ENTRY("cut/&delete", cb_editToDo_Menu_del, 0, 0),
    ZOLT_ENTRY("&copy", cb_editToDo_Menu_copyToDo, 0, 0),
    ZOLT_ENTRY("turn to group", cb_editToDo_Menu_t2Group, 0, FL_MENU_DIVIDER),
    ZOLT_ENTRY("&basics", cb_showScreen, kScreenEditBasics, FL_MENU_RADIO),
    ZOLT_ENTRY("description/&text", cb_showScreen, kScreenEditDescription, FL_MENU_RADIO),
    ZOLT_ENTRY("times", cb_showScreen, kScreenEditTimes, FL_MENU_RADIO | FL_MENU_DIVIDER),
    ZOLT_ENTRY("keyboard", cb_Menu_ZoltView, 42, 0),
    ZOLT_END,
};

Fl_Menu_Item menu_editGroup[] = {
    ZOLT_ENTRY("cut/&delete", cb_editGroup_Menu_del, 0, FL_MENU_DIVIDER),
    ZOLT_ENTRY("keyboard", cb_Menu_ZoltView, 42, 0),
    ZOLT_END,
};

static Fl_Menu_Item menu_beginDate[] = {
    ZOLT_ENTRY("none", cb_editToDo_Date, kEditBegin | kEditNone, 0),
    ZOLT_ENTRY("today", cb_editToDo_Date, kEditBegin | kEditToday, 0),
    ZOLT_ENTRY("select", cb_editToDo_Date, kEditBegin | kEditSelect, 0),
    ZOLT_END,
};

static Fl_Menu_Item menu_endDate[] = {
    ZOLT_ENTRY("none", cb_editToDo_Date, kEditNone, 0),
    ZOLT_ENTRY("today", cb_editToDo_Date, kEditToday, 0),
    ZOLT_ENTRY("select", cb_editToDo_Date, kEditSelect, 0),
    ZOLT_ENTRY("Begin + 30 min", cb_editToDo_Date, kEditBeginPlus30, 0),
    ZOLT_END,
};

static Fl_Menu_Item menu_beginTime[] = {
    ZOLT_ENTRY("none", cb_editToDo_Time, kEditBegin | kEditNone, 0),
    ZOLT_ENTRY("select", cb_editToDo_Time, kEditBegin | kEditSelect, 0),
    ZOLT_END,
};

static Fl_Menu_Item menu_endTime[] = {
    ZOLT_ENTRY("none", cb_editToDo_Time, kEditNone, 0),
    ZOLT_ENTRY("select", cb_editToDo_Time, kEditSelect, 0),
    ZOLT_END,
};

static Fl_Menu_Item menu_showAs[] = {
    ZOLT_ENTRY("free", cb_editToDo_showAs, 0, 0),
    ZOLT_ENTRY("busy", cb_editToDo_showAs, 1, 0),
    ZOLT_END,
};

#undef ZOLT_ENTRY
#undef ZOLT_END

// ---- Building, placing, showing and hiding ----

EditorScreens::~EditorScreens() {
  delete toDoAsMade;
  delete externalEdit;  // abandons an edit still running
}

static Fl_Menu_Button* dropDown(const char* label, Fl_Menu_Item* items) {
  Fl_Menu_Button* m = new AltMenuButton(0, 0, kDateMenuW, kRowHeight, label);
  m->labelsize(16);  // leaves room for the drop-down mark
  m->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  m->menu(items);
  return m;
}

static Fl_Box* textBox() {
  Fl_Box* b = new Fl_Box(0, 0, 240, kRowHeight);
  b->labelsize(20);
  b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  return b;
}

static Fl_Check_Button* checkButton(const char* label, Fl_Callback* cb, int value = 0) {
  Fl_Check_Button* c = new Fl_Check_Button(0, 0, 80, kRowHeight, label);
  c->labelsize(20);
  c->down_box(FL_DOWN_BOX);
  c->callback(cb, asData(value));
  altShortcut(c);
  return c;
}

static Fl_Button* barButton(const char* label, Fl_Callback* cb) {
  Fl_Button* b = new Fl_Button(0, 0, kBarButtonW, kRowHeight, label);
  b->labelsize(20);
  b->callback(cb);
  altShortcut(b);
  return b;
}

void ZoltGUI::makeEditorWidgets() {
  EditorScreens* e = editor_ = new EditorScreens();
  e->form = new Fl_Scroll(0, 0, w(), h() - kRowHeight);
  e->form->type(Fl_Scroll::VERTICAL);
  e->summary = new Fl_Input(0, 0, w(), kRowHeight);
  e->summary->textsize(20);
  e->isToDo = checkButton("&ToDo", cb_edit_isToDo);
  e->priorityGroup = new Fl_Group(0, 60, w(), 40, "Priority:");
  e->priorityGroup->labelsize(20);
  e->priorityGroup->align(FL_ALIGN_TOP_LEFT);
  for (int k = 1; k <= 6; ++k) {
    static const char* const labels[6] = {"&1", "&2", "&3", "&4", "&5", "&6"};
    e->priority[k - 1] = checkButton(labels[k - 1], cb_editToDo_Pr, k);
  }
  e->priorityGroup->end();
  e->priorityGroup->resizable(nullptr);
  e->done = checkButton("&Done:", cb_editToDo_compl);
  e->completionLabel = textBox();
  e->timeSum = textBox();
  e->groupCompletion = textBox();
  e->beginDate = dropDown("&Begin", menu_beginDate);
  e->endDate = dropDown("E&nd", menu_endDate);
  e->beginTime = dropDown("Time", menu_beginTime);
  e->endTime = dropDown("Time", menu_endTime);
  e->beginBox = textBox();
  e->endBox = textBox();
  e->showAs = new Fl_Choice(100, 200, 140, kRowHeight, "show as:");
  e->showAs->labelsize(20);
  e->showAs->textsize(20);
  e->showAs->menu(menu_showAs);
  e->recurrence = new Fl_Button(0, 230, w(), kRowHeight, "&Recurrence: none");
  e->recurrence->labelsize(20);
  e->recurrence->callback(cb_editToDo_recurring);
  altShortcut(e->recurrence);  // Alt+r; every label it gets begins so
  e->crypt = checkButton("Cr&ypt", cb_editToDo_crypt);
  e->crypt->when(FL_WHEN_CHANGED);
  e->crypt->deactivate();
  e->form->end();
  e->description = new Fl_Multiline_Input(0, 0, w(), h() - kRowHeight);
  e->description->textsize(textSize_);
  e->description->wrap(1);
  e->times = new Fl_Browser(0, 0, w(), h() - kRowHeight);
  e->times->textsize(20);
  e->menu = new AltMenuButton(0, 0, kMenuW, kRowHeight, "&Menu");
  e->menu->labelsize(16);
  e->menu->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  e->menu->menu(menu_editToDo);
  e->groupMenu = new AltMenuButton(0, 0, kMenuW, kRowHeight, "&Menu");
  e->groupMenu->labelsize(16);
  e->groupMenu->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  e->groupMenu->menu(menu_editGroup);
  e->screenButton = barButton("Descr", cb_editToDo_screenButton);
  e->startStop = barButton("&Start", cb_editToDo_StrtStp);
  e->extEdit = barButton("&Editor", cb_editToDo_ExtEdit);
  e->cancel = barButton("Cancel", cb_editCancel);
}

void ZoltGUI::hideEditor() {
  EditorScreens* e = editor_;
  e->times->size(0, 0);
  Fl_Widget* const widgets[] = {
      e->summary,      e->isToDo,    e->priorityGroup, e->done,       e->completionLabel,
      e->timeSum,      e->beginDate, e->endDate,       e->beginTime,  e->endTime,
      e->beginBox,     e->endBox,    e->showAs,        e->recurrence, e->crypt,
      e->description,  e->times,     e->menu,          e->groupMenu,  e->groupCompletion,
      e->screenButton, e->startStop, e->extEdit,       e->cancel};
  for (Fl_Widget* w : widgets) w->hide();
  e->form->hide();
}

// The rows of screen 2 follow the table of the editor; the crypt check takes the free row
// below the recurrence button, so that a window of the minimum height 320 shows it above
// the bottom bar. The start/stop and external editor buttons share the bar's right end
// side by side, each at most 70 pixels wide, so both fit a window 320 pixels wide.
void ZoltGUI::layoutEditor(int W, int H) {
  EditorScreens* e = editor_;
  int bar = H - kRowHeight;
  W = layoutForm(W, H);
  e->summary->resize(0, 0, W, kRowHeight);
  e->isToDo->resize(W - 80, 30, 80, kRowHeight);
  e->priorityGroup->resize(0, 60, W, 40);
  for (int k = 0; k < 6; ++k) {
    e->priority[k]->resize(kPriorityStep * k, 66, kPriorityStep, kRowHeight);
  }
  // "&Done:" needs 100 pixels at label size 20; the completion time still fits beside it.
  e->done->resize(0, 100, 100, kRowHeight);
  e->completionLabel->resize(100, 100, std::min(220, W - 100), kRowHeight);
  if (screen_ == kScreenEditTimes) {
    e->timeSum->resize(0, 0, 240, kRowHeight);
  } else {
    e->timeSum->resize(0, 130, 240, kRowHeight);
  }
  e->beginDate->resize(0, 140, kDateMenuW, kRowHeight);
  e->endDate->resize(0, 170, kDateMenuW, kRowHeight);
  e->beginTime->resize(kDateMenuW, 140, kTimeMenuW, kRowHeight);
  e->endTime->resize(kDateMenuW, 170, kTimeMenuW, kRowHeight);
  const int boxX = kDateMenuW + kTimeMenuW;
  int boxW = std::min(188, W - boxX);
  e->beginBox->resize(boxX, 140, boxW, kRowHeight);
  e->endBox->resize(boxX, 170, boxW, kRowHeight);
  e->showAs->resize(100, 200, 140, kRowHeight);
  e->recurrence->resize(0, 230, W, kRowHeight);
  e->crypt->resize(0, 260, std::min(320, W), kRowHeight);
  W = 2 * halfWidth;
  e->description->resize(0, 0, W, H - kRowHeight);
  if (screen_ == kScreenEditTimes) e->times->resize(0, kRowHeight, W, H - 2 * kRowHeight);
  e->menu->resize(kMenuX, bar, kMenuW, kRowHeight);
  e->groupMenu->resize(kMenuX, bar, kMenuW, kRowHeight);
  e->groupCompletion->resize(0, 160, 240, kRowHeight);
  e->screenButton->resize(kScreenButtonX, bar, kScreenButtonW, kRowHeight);
  // Only screen 2 shows both; elsewhere the external editor button follows the screen
  // button directly.
  int buttonW = std::min(kBarButtonW, (W - kBarButtonsX) / 2);
  int labelSize = buttonW >= kBarButtonW ? 20 : buttonW >= 60 ? 18 : 16;
  e->startStop->resize(kBarButtonsX, bar, buttonW, kRowHeight);
  e->startStop->labelsize(labelSize);
  int extX = screen_ == kScreenEditBasics ? kBarButtonsX + buttonW : kBarButtonsX;
  e->extEdit->resize(extX, bar, buttonW, kRowHeight);
  e->extEdit->labelsize(labelSize);
  placeEditorCancel(W, H);
}

// The form takes the room above the bar (on screen 3 only the time sum's row) from its top;
// the fields are then placed at scroll position 0. Returns the width the fields may take:
// less the scroll bar's when screen 2's rows are taller than the room.
int ZoltGUI::layoutForm(int W, int H) {
  static const int kBasicsHeight = 290;  // down to the crypt check's row
  EditorScreens* e = editor_;
  int formH = screen_ == kScreenEditTimes ? kRowHeight : H - kRowHeight;
  e->form->resize(0, 0, W, formH);
  e->form->scroll_to(0, 0);
  bool scrolls = screen_ == kScreenEditBasics && formH < kBasicsHeight;
  return scrolls ? W - Fl::scrollbar_size() : W;
}

// "Cancel" takes the bar's right end where that leaves every other button of the screen
// uncovered; in a narrow window Escape alone does its work.
void ZoltGUI::placeEditorCancel(int W, int H) {
  EditorScreens* e = editor_;
  const int cancelW = 80;
  int x = W - cancelW;
  int usedTo = e->extEdit->x() + e->extEdit->w();
  if (screen_ == kScreenEditGroup) usedTo = kMenuX + kMenuW;
  e->cancel->resize(x, H - kRowHeight, cancelW, kRowHeight);
  bool editing = screen_ >= kScreenEditBasics && screen_ <= kScreenEditGroup;
  if (editing && e->isNew && x >= usedTo) {
    e->cancel->show();
  } else {
    e->cancel->hide();
  }
}

void ZoltGUI::setEditorMenuActive(bool turnToGroup, bool cutDelete) {
  turnToGroup ? menu_editToDo[kEditMenuToGroup].activate()
              : menu_editToDo[kEditMenuToGroup].deactivate();
  cutDelete ? menu_editToDo[kEditMenuDelete].activate()
            : menu_editToDo[kEditMenuDelete].deactivate();
}

void ZoltGUI::setEditorTextSize(int size) {
  editor_->description->textsize(size);
  editor_->description->redraw();
}

// Escape cancels (screens 2 to 5). On the item's screens Alt+e edits externally; Alt+c and
// Alt+m are consumed once done here, or the buttons' own "&Close" and "&Menu" shortcuts
// would act a second time on the same key.
int ZoltGUI::handleEditorKey() {
  bool modified = Fl::event_state(FL_SHIFT | FL_CTRL | FL_ALT | FL_META) != 0;
  if (Fl::event_key() == FL_Escape && !modified) {
    CB_editCancel();
    return 1;
  }
  // Enter in the one-line summary presses "&Close", the screen's default; other fields
  // (the description) take Enter themselves.
  bool enter = Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter;
  if (enter && !modified && Fl::focus() == editor_->summary) {
    CB_Done();
    return 1;
  }
  if (!Fl::event_state(FL_ALT) || screen_ == kScreenEditGroup) return 0;
  switch (Fl::event_key()) {
    case 'e':
      CB_editToDo_ExtEdit();
      return 1;
    case 'c':
      CB_Done();
      return 1;
    case 'm':
      editor_->menu->popup();
      return 1;
    default:
      return 0;
  }
}

static void markRadio(int screen) {
  for (int entry : {kEditMenuBasics, kEditMenuDescription, kEditMenuTimes}) {
    menu_editToDo[entry].clear();
  }
  int entry = screen == kScreenEditBasics  ? kEditMenuBasics
              : screen == kScreenEditTimes ? kEditMenuTimes
                                           : kEditMenuDescription;
  menu_editToDo[entry].set();
}

static void setPriorityButtons(EditorScreens* e, unsigned priority) {
  for (int k = 1; k <= 6; ++k) e->priority[k - 1]->value(static_cast<unsigned>(k) == priority);
}

static std::string timeSumText(double seconds) {
  long minutes = static_cast<long>(seconds / 60);
  char text[32];
  snprintf(text, sizeof text, "Time: %ld:%02ld", minutes / 60, minutes % 60);
  return text;
}

static std::string localTimeText(long when, const char* format) {
  time_t t = static_cast<time_t>(when);
  struct tm local;
  char text[42];
  if (localtime_r(&t, &local) == nullptr || strftime(text, sizeof text, format, &local) == 0) {
    return "";
  }
  return text;
}

void ZoltGUI::showEditorScreen(int screen) {
  EditorScreens* e = editor_;
  if (screen == kScreenEditGroup) {
    showGroupScreen();
    return;
  }
  markRadio(screen);
  e->menu->show();
  e->screenButton->show();
  e->extEdit->show();
  e->screenButton->label(screen == kScreenEditBasics ? "Descr" : "Basics");
  if (screen == kScreenEditBasics) {
    showBasicsScreen();
  } else if (screen == kScreenEditTimes) {
    showTimesScreen();
  } else {
    e->description->show();
    e->description->take_focus();
  }
}

void ZoltGUI::showBasicsScreen() {
  EditorScreens* e = editor_;
  e->form->show();
  e->summary->show();
  if (doc->getItemPriority() < 7) {
    e->priorityGroup->show();
    e->done->show();
    e->completionLabel->show();
  }
  e->isToDo->show();
  e->crypt->show();
  doc->getKeys().IsLoggedIn() ? e->crypt->activate() : e->crypt->deactivate();
  if (!doc->isItemCompleted()) {
    e->startStop->label(doc->isItemRunning() ? "&Stop" : "&Start");
    e->startStop->show();
  }
  editToDo_updateTimeThings();
}

void ZoltGUI::showTimesScreen() {
  EditorScreens* e = editor_;
  e->form->show();
  e->times->clear();
  unsigned n = doc->getItemNrTimes();
  for (unsigned i = 0; i < n; ++i) {
    e->times->add(localTimeText(doc->getItemTimeBegin(i), "%d.%m.%Y %H:%M").c_str());
    if (i + 1 == n && doc->isItemRunning()) {
      e->times->add("   running");
    } else {
      e->times->add(localTimeText(doc->getItemTimeEnd(i), "      -> %d.%m.%Y %H:%M").c_str());
    }
  }
  e->times->show();
  e->timeSum->show();
}

void ZoltGUI::showGroupScreen() {
  EditorScreens* e = editor_;
  e->form->show();
  e->summary->value(doc->getGroupSummary().c_str());
  e->summary->position(0);
  // A group just made has no remembered copy yet, so it counts as changed; one opened
  // for editing was remembered unchanged a moment ago.
  rememberIfNew(doc->incsave_groupHasChanged());
  setPriorityButtons(e, doc->getGroupPriority());
  e->timeSum->copy_label(timeSumText(doc->getGroupTimeSum()).c_str());
  unsigned done = 0, total = 0;
  doc->getGroupCompletedNr(done, total);
  char text[48];
  if (total == 0) {
    snprintf(text, sizeof text, "0/0 (no to-dos yet)");
  } else {
    snprintf(text, sizeof text, "%u/%u (%u %%) done", done, total, done * 100 / total);
  }
  e->groupCompletion->copy_label(text);
  for (Fl_Widget* w :
       {static_cast<Fl_Widget*>(e->summary), static_cast<Fl_Widget*>(e->priorityGroup),
        static_cast<Fl_Widget*>(e->timeSum), static_cast<Fl_Widget*>(e->groupCompletion),
        static_cast<Fl_Widget*>(e->groupMenu)}) {
    w->show();
  }
  focusSummary();
}

// ---- Opening and the state of the item ----

void ZoltGUI::show_editToDoWin(bool preferDescription, bool forceDescription) {
  EditorScreens* e = editor_;
  if (doc->getCurItem() == nullptr) return;
  // An item just made has no remembered copy yet, so it counts as changed; an opened one
  // was remembered unchanged a moment ago.
  bool isNew = doc->incsave_todoHasChanged();
  const char* text = nullptr;
  e->descriptionLocked = doc->getItemDescription(text) == 1;
  if (e->descriptionLocked) text = nullptr;
  e->bothDatesKnown = false;
  editorReturnLine = firstVisibleLine();
  e->summary->value(doc->getItemSummary().c_str());
  e->summary->position(0);
  e->showAs->value(doc->getShowTimeAs() ? 1 : 0);
  unsigned priority = doc->getItemPriority();
  e->isToDo->value(priority < 7);
  if (priority < 7) setPriorityButtons(e, priority);
  e->done->value(doc->isItemCompleted());
  ToDoListToDo* item = doc->getCurItem();
  e->crypt->value(item && (item->getDescrData().getFlags() & kDescrSaveCrypt) != 0);
  e->description->value(text ? text : "");
  e->description->position(0);
  e->descriptionLocked ? e->description->deactivate() : e->description->activate();
  editToDo_updateTimeSum();
  bool hasDescription = text && *text;
  bool toDescription = forceDescription || (preferDescription && hasDescription);
  rememberIfNew(isNew);
  showMain(toDescription ? kScreenEditDescription : kScreenEditBasics);
  showToDoState();
  if (screen_ == kScreenEditBasics) focusSummary();
}

// ---- A new item, and taking it back ----

// Notes what a new to-do or group was made as; forgets it for anything else.
void ZoltGUI::rememberIfNew(bool isNew) {
  EditorScreens* e = editor_;
  e->isNew = isNew;
  delete e->toDoAsMade;
  e->toDoAsMade = nullptr;
  if (!isNew) return;
  if (screen_ == kScreenEditGroup) {
    e->groupSummaryAsMade = doc->getGroupSummary();
    e->groupPriorityAsMade = doc->getGroupPriority();
  } else if (doc->getCurItem()) {
    e->toDoAsMade = new ToDoListToDo(*doc->getCurItem());
    e->descriptionAsMade = e->description->value();
  }
}

// The summary takes the keys, so typing names the item and never reaches a button; a new
// item's name is selected, so the first key replaces "<unnamed>".
void ZoltGUI::focusSummary() {
  Fl_Input* summary = editor_->summary;
  summary->take_focus();
  if (editor_->isNew) {
    summary->position(summary->size(), 0);
  } else {
    summary->position(0);
  }
}

bool ZoltGUI::newItemChanged() const {
  const EditorScreens* e = editor_;
  if (screen_ == kScreenEditGroup) {
    return e->groupSummaryAsMade != e->summary->value() ||
           e->groupPriorityAsMade != doc->getGroupPriority();
  }
  const ToDoListToDo* item = doc->getCurItem();
  return e->toDoAsMade == nullptr || item == nullptr || *item != *e->toDoAsMade ||
         e->toDoAsMade->getSummary() != e->summary->value() ||
         (!e->descriptionLocked && e->descriptionAsMade != e->description->value());
}

void ZoltGUI::CB_editCancel() {
  if (refuseWhileExternalEdit()) return;
  EditorScreens* e = editor_;
  if (!e->isNew) {
    CB_Done();
    return;
  }
  if (newItemChanged() && askChoice(screen_ == kScreenEditGroup
                                        ? "Discard this new group and what you typed into it?"
                                        : "Discard this new item and what you typed and set in it?",
                                    "Keep", "Discard") != 1) {
    return;
  }
  screen_ == kScreenEditGroup ? dropNewGroup() : dropNewToDo();
}

void ZoltGUI::showToDoState() {
  EditorScreens* e = editor_;
  if (!doc->isItemCompleted()) {
    e->completionLabel->label("not yet...");
    e->done->value(0);
  } else {
    e->completionLabel->copy_label(
        localTimeText(doc->getItemCompletedTime(), "%d.%m.%Y %H:%M").c_str());
    e->done->value(1);
  }
  e->completionLabel->redraw();
}

void ZoltGUI::editToDo_updateTimeSum() {
  editor_->timeSum->copy_label(timeSumText(doc->getItemTimeSum()).c_str());
  editor_->timeSum->redraw();
}

std::string ZoltGUI::dateTime2str(unsigned value) {
  if (!hasDate(value)) return "none";
  char text[24];
  if (!hasTime(value)) {
    snprintf(text, sizeof text, "%02d.%02d.%04d xx:xx", packedDay(value), packedMonth(value),
             packedYear(value));
  } else {
    snprintf(text, sizeof text, "%02d.%02d.%04d %d:%02d", packedDay(value), packedMonth(value),
             packedYear(value), packedHour(value), packedMinute(value));
  }
  return text;
}

static void showIf(Fl_Widget* w, bool on) { on ? w->show() : w->hide(); }

void ZoltGUI::editToDo_updateTimeThings() {
  EditorScreens* e = editor_;
  doc->sanitizeTimeThings();
  unsigned begin = doc->getDateTime(1), end = doc->getDateTime(0);
  e->beginBox->copy_label(dateTime2str(begin).c_str());
  e->endBox->copy_label(dateTime2str(end).c_str());
  bool shown = screen_ == kScreenEditBasics;
  // The main date (end of a to-do, begin of an appointment) is always offered, the other
  // once the main date is set, show-as only for a range of two dates.
  bool toDo = doc->getItemPriority() < 7;
  Fl_Menu_Button* mainDate = toDo ? e->endDate : e->beginDate;
  Fl_Menu_Button* otherDate = toDo ? e->beginDate : e->endDate;
  Fl_Menu_Button* mainTime = toDo ? e->endTime : e->beginTime;
  Fl_Menu_Button* otherTime = toDo ? e->beginTime : e->endTime;
  Fl_Box* mainBox = toDo ? e->endBox : e->beginBox;
  Fl_Box* otherBox = toDo ? e->beginBox : e->endBox;
  bool mainSet = hasDate(toDo ? end : begin);
  bool bothSet = mainSet && hasDate(toDo ? begin : end);
  showIf(mainDate, shown);
  showIf(mainBox, shown);
  showIf(otherDate, shown && mainSet);
  showIf(otherBox, shown && mainSet);
  showIf(mainTime, shown && mainSet);
  showIf(e->recurrence, shown && mainSet);
  showIf(otherTime, shown && bothSet);
  showIf(e->showAs, shown && bothSet);
  if (!bothSet) {
    doc->setShowTimeAs(0);
    e->showAs->value(0);
  } else if (!toDo && e->bothDatesKnown && !e->bothDatesSet) {
    // A range just made: an appointment takes the time unless the user says it is free.
    doc->setShowTimeAs(1);
    e->showAs->value(1);
  }
  e->bothDatesKnown = true;
  e->bothDatesSet = bothSet;
  editToDo_updateRecThings();
  redraw();
}

void ZoltGUI::editToDo_updateRecThings() {
  T_recData rec;
  doc->getRecData(rec);
  editor_->recurrence->copy_label(
      (std::string("&Recurrence: ") + recurrenceName(rec.type)).c_str());
  editor_->recurrence->redraw();
}

T_recData ZoltGUI::editedRecurrence() {
  T_recData rec;
  doc->getRecData(rec);
  return rec;
}

// The date rules drop a recurrence the item's dates cannot hold (and an appointment's
// "daily, resetable" becomes daily): the user learns why and what to set, after the
// editor shows the change.
void ZoltGUI::sayRecurrenceChange(const T_recData& wanted) {
  std::string notice =
      recurrenceChangeNotice(wanted, editedRecurrence(), doc->getItemPriority() < 7,
                             doc->getDateTime(1), doc->getDateTime(0));
  if (!notice.empty()) showAlert(notice);
}

// ---- Changes applied at once ----

void ZoltGUI::CB_edit_Pr(int value) {
  EditorScreens* e = editor_;
  if (value >= 1 && value <= 6) {
    setPriorityButtons(e, static_cast<unsigned>(value));
    if (screen_ == kScreenEditGroup) {
      doc->setGroupPriority(static_cast<unsigned>(value));
    } else {
      doc->setItemPriority(static_cast<unsigned>(value));
    }
    return;
  }
  if (value != -1) return;
  T_recData wanted = editedRecurrence();
  if (doc->getItemPriority() > 6) {
    doc->setItemPriority(3);
    setPriorityButtons(e, 3);
    e->isToDo->value(1);
    e->priorityGroup->show();
    e->done->show();
    e->completionLabel->show();
  } else {
    doc->setItemPriority(doc->getShowTimeAs() == 1 ? 100 : 200);
    e->isToDo->value(0);
    e->priorityGroup->hide();
    e->done->hide();
    e->completionLabel->hide();
  }
  editToDo_updateTimeThings();
  sayRecurrenceChange(wanted);
}

void ZoltGUI::CB_editToDo_showAs(int value) {
  doc->setShowTimeAs(value);
  editor_->showAs->value(value);
}

void ZoltGUI::CB_editToDo_crypt(bool on) {
  if (doc->getCurItem()) doc->getCurItem()->SetSaveCrypt(on);
}

void ZoltGUI::CB_editToDo_compl() {
  EditorScreens* e = editor_;
  if (e->done->value()) {
    if (doc->isItemCompleted()) {
      showToDoState();
      return;
    }
    int result = doc->setItemCompleted();
    if (result == -1) {
      showAlert("Due to recurrence-settings, this ToDo is not active yet!");
    } else if (result == 1) {
      showMessage("Recurrent ToDo:\nSet completed, activated for following date.");
    }
    e->startStop->hide();
    editToDo_updateTimeSum();
    editToDo_updateTimeThings();
    showToDoState();
    // A recurring to-do moved on, or one not due yet, stays open: it may be started.
    if (!doc->isItemCompleted() && screen_ == kScreenEditBasics) {
      e->startStop->label(doc->isItemRunning() ? "&Stop" : "&Start");
      e->startStop->show();
    }
  } else {
    doc->clearItemCompleted();
    e->startStop->label(doc->isItemRunning() ? "&Stop" : "&Start");
    if (screen_ == kScreenEditBasics) e->startStop->show();
    showToDoState();
  }
  redraw();
}

void ZoltGUI::CB_editToDo_StrtStp() {
  bool running = doc->isItemRunning();
  if (doc->setItemRunning(!running) != 0) return;
  if (running) {
    editToDo_updateTimeSum();
    editor_->startStop->label("&Start");
  } else {
    editor_->startStop->label("&Stop");
  }
  editor_->startStop->redraw();
}

// ---- Dates, times and recurrence ----

// Sets the date and time of `which` to those of `value` (which carries a date).
static void setDateTime(Zolt* doc, int which, unsigned value) {
  doc->setDate(which, packedYear(value), packedMonth(value), packedDay(value));
  if (hasTime(value)) {
    doc->setTime(which, packedHour(value), packedMinute(value));
  } else {
    doc->clearTime(which);
  }
}

static void selectDate(Zolt* doc, int which) {
  unsigned value = doc->getDateTime(which);
  int year = packedYear(value), month = packedMonth(value), day = packedDay(value);
  if (!hasDate(value)) day = -1;
  if (!pickDate(year, month, day)) return;
  unsigned begin = doc->getDateTime(1), end = doc->getDateTime(0);
  if (!which || !hasDate(begin) || !hasDate(end)) {
    doc->setDate(which, year, month, day);
    return;
  }
  // The end keeps its distance in days; the order of the two steps keeps the begin from
  // passing the end in between.
  unsigned chosen = packDate(begin, year, month, day);
  unsigned newEnd = end;
  moveDate(newEnd, getDateDiff(chosen, begin));
  if (dateKey(newEnd) >= dateKey(begin)) {
    doc->setDate(0, packedYear(newEnd), packedMonth(newEnd), packedDay(newEnd));
    doc->setDate(1, year, month, day);
  } else {
    doc->setDate(1, year, month, day);
    doc->setDate(0, packedYear(newEnd), packedMonth(newEnd), packedDay(newEnd));
  }
}

static void beginPlus30(Zolt* doc) {
  unsigned begin = doc->getDateTime(1);
  if (!hasDate(begin)) return;
  if (!hasTime(begin)) {
    doc->setDate(0, packedYear(begin), packedMonth(begin), packedDay(begin));
    doc->clearTime(0);
    return;
  }
  moveDateTime(begin, 30);
  setDateTime(doc, 0, begin);
}

void ZoltGUI::CB_editToDo_Date(int value) {
  int which = value & kEditBegin ? 1 : 0;
  T_recData wanted = editedRecurrence();
  switch (value & 0xF) {
    case kEditNone:
      doc->clearDate(which);
      break;
    case kEditToday:
      doc->setDateToday(which);
      break;
    case kEditSelect:
      selectDate(doc, which);
      break;
    case kEditBeginPlus30:
      if (!which) beginPlus30(doc);
      break;
    default:
      break;
  }
  editToDo_updateTimeThings();
  sayRecurrenceChange(wanted);
}

// A new begin time moves the end by as many minutes, but only an end that carries a date
// and a time: an end without a date has nothing to move, and one without a time would
// gain a time it never had.
static void selectTime(Zolt* doc, int which) {
  unsigned value = doc->getDateTime(which);
  int hour = 8, minute = 0;
  if (hasTime(value)) {
    hour = packedHour(value);
    minute = packedMinute(value);
  }
  int oldHour = hour, oldMinute = minute;
  if (!pickTime(hour, minute)) return;
  unsigned end = doc->getDateTime(0);
  if (!which || !hasTime(value) || !hasDate(end) || !hasTime(end)) {
    doc->setTime(which, hour, minute);
    return;
  }
  int delta = (hour - oldHour) * 60 + minute - oldMinute;
  moveDateTime(end, delta);
  if (delta < 1) {
    doc->setTime(1, hour, minute);
    setDateTime(doc, 0, end);
  } else {
    setDateTime(doc, 0, end);
    doc->setTime(1, hour, minute);
  }
}

void ZoltGUI::CB_editToDo_Time(int value) {
  int which = value & kEditBegin ? 1 : 0;
  if ((value & 0xF) == kEditNone) {
    doc->clearTime(which);
  } else if ((value & 0xF) == kEditSelect) {
    selectTime(doc, which);
  }
  editToDo_updateTimeThings();
}

// A recurrence needs both dates; the main one is set. Offers the other on the main date's
// day; false when the user declines, and the recurrence is then not set.
bool ZoltGUI::offerMissingDate(const T_recData& wanted) {
  bool toDo = doc->getItemPriority() < 7;
  unsigned begin = doc->getDateTime(1), end = doc->getDateTime(0);
  std::string question = missingDateQuestion(wanted, toDo, begin, end);
  if (question.empty()) return true;
  if (askChoice(question, "Cancel", missingDateButton(toDo)) != 1) return false;
  unsigned mainDate = toDo ? end : begin;
  doc->setDate(toDo ? 1 : 0, packedYear(mainDate), packedMonth(mainDate), packedDay(mainDate));
  return true;
}

void ZoltGUI::CB_editToDo_recurring() {
  T_recData rec = editedRecurrence();
  bool toDo = doc->getItemPriority() < 7;
  unsigned mainDate = doc->getDateTime(toDo ? 0 : 1);
  bool chosen = false;
  if (hasDate(mainDate)) {
    int day = packedDay(mainDate), month = packedMonth(mainDate);
    int weekday = Wochentag(day, month, packedYear(mainDate));
    chosen =
        pickRecurrence(rec, day, month, weekday, toDo) && rec.type != -1 && offerMissingDate(rec);
    if (chosen) doc->setRecData(rec);
  }
  // The recurrence may have moved the dates as well.
  editToDo_updateTimeThings();
  if (chosen) sayRecurrenceChange(rec);
}

// ---- The description in the user's editor ----

// The editor runs while the window goes on drawing and answering; a timer looks for its
// end. Meanwhile the description takes no typing and the item cannot be left, so the
// text that comes back has its place.
void ZoltGUI::CB_editToDo_ExtEdit() {
  EditorScreens* e = editor_;
  if (e->descriptionLocked) return;
  if (e->externalEdit != nullptr) {
    showMessage(externalEditNote());
    return;
  }
  std::string error;
  std::string command =
      editorCommand(zoltconfig.editorConfigured ? zoltconfig.editor : std::string());
  ExternalEdit* edit = new ExternalEdit();
  if (edit->start(command, e->description->value(), error) != 0) {
    delete edit;
    showAlert(error);
    return;
  }
  e->externalEdit = edit;
  e->description->deactivate();
  e->extEdit->deactivate();
  Fl::add_timeout(kExternalEditPoll, cb_pollExternalEdit);
}

std::string ZoltGUI::externalEditNote() const {
  return "The description is open in the editor \"" + editor_->externalEdit->command() +
         "\". Close it there first: what you save in it comes back into the description.";
}

bool ZoltGUI::externalEditRunning() const {
  return editor_ != nullptr && editor_->externalEdit != nullptr;
}

void ZoltGUI::pollExternalEdit() {
  EditorScreens* e = editor_;
  if (e == nullptr || e->externalEdit == nullptr) return;
  if (!e->externalEdit->finished()) {
    if (!Fl::has_timeout(cb_pollExternalEdit)) {
      Fl::add_timeout(kExternalEditPoll, cb_pollExternalEdit);
    }
    return;
  }
  std::string text = e->description->value(), error;
  int result = e->externalEdit->finish(text, error);
  endExternalEdit();
  if (result != 0) {
    showAlert(error);
    return;
  }
  e->description->value(text.c_str());
  e->description->position(0);
  e->description->redraw();
}

void ZoltGUI::endExternalEdit() {
  EditorScreens* e = editor_;
  Fl::remove_timeout(cb_pollExternalEdit);
  delete e->externalEdit;  // abandons it when still running
  e->externalEdit = nullptr;
  e->description->activate();
  e->extEdit->activate();
}

bool ZoltGUI::refuseWhileExternalEdit() {
  // An editor that has just ended is not waited for: its text is taken now.
  pollExternalEdit();
  if (editor_->externalEdit == nullptr) return false;
  showAlert(externalEditNote());
  return true;
}

// ---- Leaving ----

void ZoltGUI::editToDo_saveSettings() {
  doc->setItemSummary(editor_->summary->value());
  if (!editor_->descriptionLocked) doc->setItemDescription(editor_->description->value());
}

// Journals the item when it changed and forgets the remembered copy.
void ZoltGUI::journalEditedToDo() {
  if (doc->incsave_todoHasChanged() && doc->incsave_saveCurItem() != 0) journalProblem();
  doc->incsave_forgetTodo();
}

void ZoltGUI::editToDo_Done() {
  if (refuseWhileExternalEdit()) return;
  const ToDoListItem* edited = doc->getCurItem();
  editToDo_saveSettings();
  journalEditedToDo();
  int line = showMain(kScreenList);
  doc->checkCompleted();
  showList(line != 0 ? line : editorReturnLine);
  selectItemLine(edited);
}

void ZoltGUI::editGroup_Done() {
  doc->setGroupSummary(editor_->summary->value());
  if (doc->incsave_groupHasChanged() && doc->incsave_saveCurGroup() != 0) journalProblem();
  doc->incsave_forgetGroup();
  const ToDoListItem* edited = doc->getCurGroup();
  showMain(kScreenList);
  doc->checkCompleted();
  if (groupEditing) {
    doc->enterPrevGroup();
    groupEditing = false;
  }
  showList(editorReturnLine);
  selectItemLine(edited);
}

void ZoltGUI::CB_editToDo_screenButton() {
  showMain(screen_ == kScreenEditBasics ? kScreenEditDescription : kScreenEditBasics);
}

void ZoltGUI::CB_editToDo_Menu_showGroup() {
  if (refuseWhileExternalEdit()) return;
  int view = doc->getMainViewType();
  if (view == kMainViewNormal) {
    editToDo_Done();
    return;
  }
  doc->rememberGroupOfCurrentItem();
  editToDo_saveSettings();
  journalEditedToDo();
  doc->checkCompleted();
  if (view == kMainViewSearch) {
    doc->leaveCurGroup();
  } else {
    doc->setMainViewType(kMainViewNormal);
  }
  doc->enterPrevGroup();
  doc->clearListPositions();
  showMain(kScreenList);
  setMenuActive();
  showList(0);
}

// The journal's new-item mark outlives forgetTodo; an item that left the tree must not
// pass it on to the next record written.
static void forgetEditedItem(Zolt* doc) {
  doc->incsave_rememberTodo();
  doc->incsave_forgetTodo();
}

// A new to-do was never journalled, so deleting it leaves no record behind.
void ZoltGUI::dropNewToDo() {
  editor_->isNew = false;
  if (doc->delToDo() != 0) return;
  // A day heading's click that made the group "calendar" leaves no empty group behind.
  if (doc->dropCalendarGroupOfNewItem() != 0) journalProblem();
  forgetEditedItem(doc);
  int line = showMain(kScreenList);
  doc->checkCompleted();
  showList(line != 0 ? line : editorReturnLine);
}

// As cutting the group, less the copy and the question: it holds nothing yet.
void ZoltGUI::dropNewGroup() {
  editor_->isNew = false;
  doc->incsave_forgetGroup();
  if (doc->delCurGroup() != 0) return;
  forgetEditedItem(doc);
  int line = editorReturnLine, selected = 0;
  if (!groupEditing) doc->popListPosition(line, selected);
  groupEditing = false;
  showMain(kScreenList);
  showList(line);
  if (selected > 0) selectLine(selected);
}

void ZoltGUI::CB_editToDo_Menu_del() {
  if (refuseWhileExternalEdit()) return;
  if (askChoice("Do you really want to delete this item?", "Cancel", "Delete") != 1) return;
  // The cut item lives on in the clipboard file, with what was typed; without that copy it
  // would be gone for good.
  editToDo_saveSettings();
  if (doc->exportToDoToFile(clipboardFile.c_str()) != 0) {
    showAlert("Could not copy the item to the clipboard file " + clipboardFile +
              ", so it was not cut. Nothing was deleted.");
    return;
  }
  bool failedBefore = doc->incsave_failed();
  if (doc->delToDo() != 0) {
    showAlert("Error trying to delete item!");
    return;
  }
  if (!failedBefore && doc->incsave_failed()) journalProblem();
  forgetEditedItem(doc);
  int noted = selectedLine();  // the deleted item's line, kept while the editor was open
  int line = showMain(kScreenList);
  doc->checkCompleted();
  showList(line != 0 ? line : editorReturnLine);
  keepCursor(noted > 0 ? noted : firstVisibleLine());
}

void ZoltGUI::CB_editToDo_Menu_copy() {
  editToDo_saveSettings();
  if (doc->exportToDoToFile(clipboardFile.c_str()) != 0) {
    showAlert("Could not copy the item to the clipboard file " + clipboardFile + ".");
  }
}

void ZoltGUI::CB_editToDo_Menu_t2Group() {
  if (refuseWhileExternalEdit()) return;
  editToDo_saveSettings();
  bool failedBefore = doc->incsave_failed();
  if (doc->turnCurItem2Group() != 0) {
    if (doc->atGroupDepthLimit(true)) showAlert(depthLimitMessage());
    return;
  }
  if (!failedBefore && doc->incsave_failed()) journalProblem();
  // The new group's record carries the item as edited.
  forgetEditedItem(doc);
  // Like entering a group in the tree view, so ".." comes back to the same place.
  if (doc->getOptViewtype() == kViewTree) doc->pushListPosition(editorReturnLine, 0);
  showMain(kScreenList);
  doc->checkCompleted();
  showList(0);
}

void ZoltGUI::CB_editGroup_Menu_del() {
  doc->setGroupSummary(editor_->summary->value());
  CB_Menu_delGroup();
}
