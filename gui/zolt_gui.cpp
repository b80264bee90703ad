// The main window's construction, screens, layout, keys and leaving.
#include "gui/zolt_gui.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>

#include <algorithm>
#include <ctime>

#include "document/view_data.h"
#include "document/zolt.h"
#include "gui/alt_shortcut.h"
#include "gui/fake_keyboard.h"
#include "gui/fallback_text.h"
#include "gui/item_editor.h"
#include "gui/messages.h"
#include "gui/raw_label.h"
#include "gui/row_list.h"
#include "gui/view_lines.h"
#include "util/clock.h"
#include "util/external_editor.h"

ZoltGUI* mainWin = nullptr;

// Geometry of the bottom bar and the title.
static const int kBarHeight = 30;
static const int kTitleLineHeight = 26;
static const int kStatusHeight = 20;
static const int kStripHeight = 60;
static const int kMenuButtonW = 76;

#ifndef ZOLT_VERSION
#define ZOLT_VERSION "unknown"
#endif

// The About screen: what Zolt is, which file it works on, and the keys, in lines a browser
// shows and scrolls in any window size. Tab separates a key from what it does.
static const char* const kAboutFeatures[] = {
    "a to-do list of groups in groups", "appointments and notes", "a calendar with holidays",
    "a recorder of project time", "full search and encryption"};
static const char* const kAboutKeys[] = {
    "@bIn the list",
    "Up, Down\tmove",
    "Page Up/Down\tmove a page",
    "Home, End\tfirst, last line",
    "Right\topen",
    "Left\tup one group",
    "Enter\tcomplete a to-do",
    "Alt+n\tnew to-do",
    "Alt+m\tthe menu",
    "Ctrl+z, Ctrl+y\tundo, redo",
    "Ctrl+q\tleave Zolt",
    "Tab\tthe bar's buttons; Enter presses",
    "",
    "@bIn the calendar",
    "Left, Right\ta day back, on",
    "Right on an item\topen it (Ctrl+Right: a day on)",
    "Page Up/Down\tthe span back, on",
    "Home, t\ttoday",
    "+, -\tmore, fewer days",
    "Enter on a day\tnew appointment",
    "",
    "@bIn the date selector",
    "Arrows\ta day, a week",
    "Page Up/Down\ta month",
    "Typing\t18.12., tomorrow, +3d, friday",
    "",
    "@bIn the editor",
    "Alt+c\tclose, keeping changes",
    "Escape\tclose; a new item goes",
    "Alt+e\texternal editor",
    "Alt+m\tthe editor's menu",
    "",
    "@bIn a prompt",
    "Enter\tsearch, export, import",
    "Escape\tcancel",
};

ZoltGUI::ZoltGUI(int w, int h, const char* title)
    : Fl_Window(w, h), halfHeight(h / 2), halfWidth(w / 2) {
  installFallbackText();  // CJK and emoji in any text of the window, not empty boxes
  copy_label(title);
  size_range(320, 320, 2000, 2000);
}

ZoltGUI::~ZoltGUI() {
  delete editor_;
  delete viewLines_;
  if (mainWin == this) mainWin = nullptr;
}

static Fl_Button* barButton(int x, int w, const char* label, Fl_Callback* cb, long value = 0) {
  Fl_Button* b = new Fl_Button(x, 0, w, kBarHeight, label);
  b->labelsize(20);
  b->callback(cb, reinterpret_cast<void*>(value));
  return b;
}

void ZoltGUI::makeWindows() {
  begin();
  title_ = new Fl_Button(0, 0, w(), kTitleLineHeight);
  title_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  title_->labeltype(rawLabelType());
  title_->labelsize(20);
  title_->callback(cb_Up);
  title_->clear_visible_focus();  // ".." does the same and stays in sight for Tab
  list_ =
      new RowList(0, kTitleLineHeight, w(), h() - kTitleLineHeight - kBarHeight - kStatusHeight);
  list_->callback(cb_listView);
  list_->when(FL_WHEN_CHANGED | FL_WHEN_RELEASE_ALWAYS);
  static const int columns[] = {kMarkColumnWidth, 0};
  list_->column_widths(columns);
  list_->textsize(textSize_);
  list_->scrollbar_size(20);
  viewLines_ = new ViewLines();
  status_ = new Fl_Box(0, h() - kBarHeight - kStatusHeight, w(), kStatusHeight);
  status_->box(FL_FLAT_BOX);
  status_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  status_->labeltype(rawLabelType());  // an item's name shows as typed, "@" and all
  status_->labelsize(14);
  list_->lineSource(viewLines_);
  menuButton_ = new Fl_Menu_Button(0, 0, kMenuButtonW, kBarHeight, "&Menu");
  // Drawn at the left, the label keeps clear of the drop-down mark at the right.
  menuButton_->labelsize(16);
  menuButton_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  menuButton_->menu(menu_Menu);
  newItem_ = barButton(kMenuButtonW, 100, "&New Item", cb_Menu_newTodo);
  up_ = barButton(kMenuButtonW + 100, 40, "..", cb_Up);
  activeJobs_ = barButton(0, 20, "!", cb_Menu_ZoltView, 1);
  static const char* const calLabels[6] = {"Today", "Select", "<", "-", "+", ">"};
  static const int calValues[6] = {0, 1, 2, 4, 5, 3};
  for (int i = 0; i < 6; ++i) {
    calButtons_[i] = barButton(0, 22, calLabels[i], cb_CalFirstDay, calValues[i]);
  }
  about_ = new Fl_Browser(0, 0, w(), h() - kBarHeight);
  about_->textsize(18);
  static int aboutColumns[] = {150, 0};
  about_->column_widths(aboutColumns);
  about_->scrollbar_width(20);
  close_ = barButton(0, 70, "&Close", cb_Done);
  altShortcut(close_);
  promptLabel_ = new Fl_Box(0, 0, w(), h() - 2 * kBarHeight);
  promptLabel_->labelsize(20);
  promptLabel_->align(FL_ALIGN_LEFT | FL_ALIGN_BOTTOM | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  promptInput_ = new Fl_Input(0, 0, w(), kBarHeight);
  promptInput_->textsize(20);
  // Enter in the prompt does what "&Close" does: people press it after typing.
  promptInput_->when(FL_WHEN_ENTER_KEY_ALWAYS);
  promptInput_->callback(cb_Done);
  cancel_ = barButton(70, 80, "Cancel", cb_Cancel);
  makeEditorWidgets();
  kbdClose_ = new Fl_Button(0, h(), 15, 15, "X");
  kbdClose_->labelsize(10);
  kbdClose_->callback(cb_hideKbd);
  end();
  hideAll();
}

void ZoltGUI::init(Zolt* document, const char* clipboard) {
  doc = document;
  clipboardFile = clipboard ? clipboard : "";
  setMenuMarks();
  UpdateCryptMenu();
}

void ZoltGUI::hideAll() {
  list_->size(0, 0);
  for (Fl_Widget* w : {static_cast<Fl_Widget*>(title_), static_cast<Fl_Widget*>(list_),
                       static_cast<Fl_Widget*>(status_), static_cast<Fl_Widget*>(menuButton_),
                       static_cast<Fl_Widget*>(newItem_), static_cast<Fl_Widget*>(up_),
                       static_cast<Fl_Widget*>(activeJobs_), static_cast<Fl_Widget*>(about_),
                       static_cast<Fl_Widget*>(close_), static_cast<Fl_Widget*>(promptLabel_),
                       static_cast<Fl_Widget*>(promptInput_), static_cast<Fl_Widget*>(cancel_),
                       static_cast<Fl_Widget*>(kbdClose_)}) {
    w->hide();
  }
  if (kbd_) kbd_->hide();
  for (Fl_Button* b : calButtons_) b->hide();
  hideEditor();
}

int ZoltGUI::showMain(int screen) {
  int line = 0;
  hideAll();
  screen_ = screen;
  // On the prompt the button carries out the prompt; it says what it does.
  close_->label(screen == kScreenPrompt ? promptButtonLabel(promptKind_) : "&Close");
  switch (screen) {
    case kScreenList:
      menuButton_->show();
      newItem_->show();
      up_->show();
      title_->show();
      list_->show();
      status_->show();
      list_->take_focus();  // the list screen starts with the keys on the list
      line = checkActiveJobs();
      break;
    case kScreenAbout:
      fillAbout();
      about_->show();
      close_->show();
      break;
    case kScreenPrompt:
      cancel_->show();
      promptInput_->show();
      promptLabel_->show();
      close_->show();
      promptInput_->take_focus();
      break;
    default:
      close_->show();
      showEditorScreen(screen);
      break;
  }
  setMenuActive();
  if (doc->getOptShowKbd()) showKeyboard(true);
  resize(x(), y(), w(), h());
  redraw();
  return line;
}

// ---- Layout ----

void ZoltGUI::layoutTitle() {
  titleText = doc ? doc->getCurGroupPathText() : std::string();
  if (doc && doc->getMainViewType() == kMainViewSearch) titleText = searchTitle();
  int lines = 0;
  if (!titleText.empty()) {
    lines = 1;
    for (char c : titleText) lines += c == '\n';
  }
  titleHalfHeight = 13 * lines;
  title_->resize(0, 0, 2 * halfWidth, 2 * titleHalfHeight);
  title_->copy_label(titleText.c_str());
  title_->redraw();
}

void ZoltGUI::layoutList() {
  if (doc && doc->getMainViewType() == kMainViewCalendar) {
    titleHalfHeight = 0;
    title_->resize(0, 0, 2 * halfWidth, 0);
  }
  list_->resize(0, 2 * titleHalfHeight, 2 * halfWidth,
                (halfHeight - titleHalfHeight) * 2 - kBarHeight - kStatusHeight);
  status_->resize(0, 2 * halfHeight - kBarHeight - kStatusHeight, 2 * halfWidth, kStatusHeight);
  list_->redraw();
}

// The strip takes the 60 pixels below the laid-out height: inside the window while the
// layout lends them, just below its visible area otherwise. The keyboard, with the clock at
// its left, fills the strip beside the "X" button.
void ZoltGUI::placeKeyboard(int W, int H) {
  kbdClose_->resize(0, H, 15, 15);
  if (kbd_) kbd_->layout(15, H, W - 15, kStripHeight);
}

void ZoltGUI::resize(int X, int Y, int W, int H) {
  halfHeight = H / 2;
  halfWidth = W / 2;
  Fl_Window::resize(X, Y, 2 * halfWidth, 2 * halfHeight);
  if (doc) {
    unsigned hw = halfWidth, hh = halfHeight;
    doc->windowSize(hw, hh);
  }
  bool strip = doc && doc->getOptShowKbd() && halfHeight > kStripHeight && screen_ != kScreenList &&
               screen_ != kScreenAbout;
  if (strip) halfHeight -= kStripHeight / 2;
  int w2 = 2 * halfWidth, h2 = 2 * halfHeight;
  int bar = h2 - kBarHeight;
  menuButton_->resize(0, bar, kMenuButtonW, kBarHeight);
  newItem_->resize(kMenuButtonW, bar, 100, kBarHeight);
  up_->resize(kMenuButtonW + 100, bar, 40, kBarHeight);
  activeJobs_->resize(w2 - 20, bar, 20, kBarHeight);
  // They end at 296, clear of the "!" button at the right of a window 320 pixels wide.
  static const int calX[6] = {76, 142, 208, 230, 252, 274};
  static const int calW[6] = {66, 66, 22, 22, 22, 22};
  for (int i = 0; i < 6; ++i) calButtons_[i]->resize(calX[i], bar, calW[i], kBarHeight);
  about_->resize(0, 0, w2, h2 - kBarHeight);
  close_->resize(0, bar, 70, kBarHeight);
  promptLabel_->resize(0, 0, w2, h2 - 2 * kBarHeight);
  promptInput_->resize(0, h2 - 2 * kBarHeight, w2, kBarHeight);
  cancel_->resize(70, bar, 80, kBarHeight);
  layoutEditor(w2, h2);
  placeKeyboard(w2, h2);
  // The strip shows only while the layout lends it room: keys left below the window's
  // edge would be shown widgets no one can see.
  if (!strip) {
    kbdClose_->hide();
    if (kbd_) kbd_->hide();
  }
  if (!doc || doc->getMainViewType() != kMainViewCalendar) {
    layoutTitle();
  } else {
    titleHalfHeight = 0;
    title_->resize(0, 0, w2, 0);
  }
  if (screen_ == kScreenList) layoutList();
  // The strip's height is lent to the layout only; the window keeps its full size.
  if (strip) halfHeight += kStripHeight / 2;
  redraw();
}

void ZoltGUI::fillAbout() {
  about_->clear();
  about_->add("@c@l@bZolt " ZOLT_VERSION);
  about_->add("@cto-dos, appointments, notes");
  about_->add("");
  about_->add("@bData file");
  // "@." shows the name as it stands, "@" and all.
  std::string file = doc ? doc->getJournalBase() : std::string();
  about_->add(("@." + file).c_str());
  about_->add("");
  about_->add("@bWhat it holds");
  for (const char* feature : kAboutFeatures) about_->add(feature);
  about_->add("");
  for (const char* key : kAboutKeys) about_->add(key);
}

void ZoltGUI::draw() { Fl_Window::draw(); }

// ---- Keys ----

int ZoltGUI::handle(int event) {
  if (event != FL_KEYBOARD) return Fl_Window::handle(event);
  if (screen_ == kScreenList) {
    // Tab walks the focus through the list and the bar's buttons.
    if (Fl::event_key() == FL_Tab && !Fl::event_state(FL_CTRL | FL_ALT)) {
      return Fl_Window::handle(event);
    }
    handleListKey(Fl::event_key());
    return 1;
  }
  // Ctrl+q leaves the program from every screen, as it does from the list.
  if (Fl::event_state(FL_CTRL) && Fl::event_key() == 'q') {
    closeForShutdown();
    return 1;
  }
  if (screen_ >= kScreenEditBasics && screen_ <= kScreenEditGroup) {
    if (handleEditorKey()) return 1;
  }
  bool plain = Fl::event_state(FL_SHIFT | FL_CTRL | FL_ALT | FL_META) == 0;
  int key = Fl::event_key();
  if (screen_ == kScreenAbout && plain &&
      (key == FL_Escape || key == FL_Enter || key == FL_KP_Enter)) {
    CB_Done();  // its one button
    return 1;
  }
  if (screen_ == kScreenPrompt && Fl::event_key() == FL_Escape) {
    CB_Cancel();
    return 1;
  }
  return Fl_Window::handle(event);
}

bool ZoltGUI::handleListKey(int key) {
  bool alt = Fl::event_state(FL_ALT) != 0;
  bool ctrl = Fl::event_state(FL_CTRL) != 0;
  int line = selectedLine();
  int row = line > 0 ? rowOfLine(line) : -1;
  const T_viewDataItem* r = row >= 0 ? &doc->lineRow(line - 1) : nullptr;
  if ((key == FL_Enter || key == FL_KP_Enter) && pressFocusedButton()) return true;
  if (doc->getMainViewType() == kMainViewCalendar && !alt && handleCalendarKey(key, r, row)) {
    return true;
  }
  if (alt && key == 'm') {
    menuButton_->popup();
  } else if (alt && key == 'n') {
    CB_Menu_newTodo();
  } else if (ctrl && (key == 'z' || key == 'y')) {
    CB_Menu_undo(key == 'y' || Fl::event_state(FL_SHIFT) != 0);
  } else if (ctrl && key == 'q') {
    CB_Done();
  } else if (key == FL_Right) {
    if (r == nullptr || r->priority >= kRowHeading) return false;
    if (r->isGroup) {
      enterGroup(row, true);
    } else {
      openToDo(row, false);
    }
  } else if (key == FL_Left) {
    CB_Up();
  } else if (key == FL_Escape) {
    leaveViewByEscape();
  } else if (moveSelection(key)) {
  } else if (key == FL_Enter || key == FL_KP_Enter) {
    if (r == nullptr) return false;
    if (!r->isGroup && r->priority < kRowHeading) toggleCompleted(row, true);
  } else {
    return false;
  }
  return true;
}

// The spans the calendar menu offers, in order; + and - step through them.
static const int kCalSpans[] = {1, 2, 3, 7, 42};

static int nextSpan(int span, int step) {
  const int count = sizeof kCalSpans / sizeof kCalSpans[0];
  int at = 0;
  while (at < count - 1 && kCalSpans[at] < span) ++at;
  if (kCalSpans[at] != span && step < 0) ++at;  // a span between two: - takes the lower
  at = std::max(0, std::min(count - 1, at + step));
  return kCalSpans[at];
}

// Left and Right move a day, Page Up and Page Down the span, Home and t go to today, + and -
// change the span. Right on a selected item still opens it, as everywhere in the list; Ctrl
// with Left or Right always moves a day.
bool ZoltGUI::handleCalendarKey(int key, const T_viewDataItem* r, int row) {
  bool ctrl = Fl::event_state(FL_CTRL) != 0;
  bool onItem = r != nullptr && r->priority < kRowHeading;
  int text = Fl::event_text() ? Fl::event_text()[0] : 0;
  if (key == FL_Left || (key == FL_Right && (ctrl || !onItem))) {
    CB_CalFirstDay(key == FL_Left ? 4 : 5);
  } else if (key == FL_Page_Up || key == FL_Page_Down) {
    CB_CalFirstDay(key == FL_Page_Up ? 2 : 3);
  } else if (key == FL_Home || (key == 't' && !ctrl)) {
    CB_CalFirstDay(0);
  } else if (!ctrl && (text == '+' || text == '-')) {
    CB_CalSpan(nextSpan(doc->getCalSpan(), text == '+' ? 1 : -1));
  } else if ((key == FL_Enter || key == FL_KP_Enter) && r != nullptr &&
             r->priority == kRowHeading) {
    newItemOnRow(100, row, false);
  } else {
    return false;
  }
  return true;
}

bool ZoltGUI::pressFocusedButton() {
  Fl_Widget* focus = Fl::focus();
  if (focus == nullptr || focus == list_ || focus->window() != this || !focus->visible()) {
    return false;
  }
  if (focus == menuButton_) {
    menuButton_->popup();
  } else if (dynamic_cast<Fl_Button*>(focus) != nullptr) {
    focus->do_callback();
  } else {
    return false;
  }
  return true;
}

// ---- Leaving screens ----

// Escape goes back from a view the user went into: active jobs and the calendar to the
// list they came from, search results to where the search started. The list itself stays:
// a stray Escape never ends the program.
void ZoltGUI::leaveViewByEscape() {
  if (Fl::event_state(FL_SHIFT | FL_CTRL | FL_ALT | FL_META) != 0) return;
  switch (doc->getMainViewType()) {
    case kMainViewActiveJobs:
      CB_Menu_ZoltView(kMainViewActiveJobs);  // toggles back
      break;
    case kMainViewSearch:
      CB_Up();
      break;
    case kMainViewCalendar:
      CB_Menu_ZoltView(kMainViewNormal);
      break;
    default:
      break;
  }
}

void ZoltGUI::setStatus(const std::string& text) {
  status_->copy_label(text.c_str());
  status_->redraw();
}

std::string ZoltGUI::statusText() const { return status_->label() ? status_->label() : ""; }

void ZoltGUI::CB_Done() {
  switch (screen_) {
    case kScreenList:
      if (doc->getMainViewType() == kMainViewCalendar) {
        doc->setNLineCal(firstVisibleLine());
      } else if (doc->getMainViewType() == kMainViewNormal) {
        doc->setNLineNormal(firstVisibleLine());
      }
      hide();
      break;
    case kScreenAbout:
      showMain(kScreenList);
      break;
    case kScreenEditGroup:
      editGroup_Done();
      break;
    case kScreenPrompt:
      promptDone();
      break;
    default:
      editToDo_Done();
      break;
  }
}

void ZoltGUI::CB_Cancel() { showMain(kScreenList); }

void ZoltGUI::closeForShutdown(bool ask) {
  pollExternalEdit();  // an editor that has just ended gives its text back first
  if (externalEditRunning()) {
    if (ask && askChoice("The description is still open in the editor \"" +
                             editor_->externalEdit->command() +
                             "\". Quit all the same? What was not yet saved there is lost.",
                         "Keep editing", "Quit") != 1) {
      return;
    }
    endExternalEdit();
  }
  if (screen_ >= kScreenEditBasics && screen_ <= kScreenEditGroup) CB_Done();
  if (screen_ != kScreenList) showMain(kScreenList);
  CB_Done();
}

void ZoltGUI::updateClock() {
  time_t now = zoltNow();
  struct tm local;
  localtime_r(&now, &local);
  if (strftime(clockText, sizeof clockText, "%d.%m.%Y\n%H:%M\n", &local) == 0) clockText[0] = 0;
  if (kbd_) kbd_->setClock(clockText);
}

// ---- Callbacks ----

// A close request from the window manager leaves the program from every screen, an open
// editor kept as "&Close" keeps it; Escape alone never leaves, so a stray key press cannot
// end the program.
void cb_keypress_ESC(Fl_Widget*, void*) {
  if (Fl::event() == FL_CLOSE) {
    mainWin->closeForShutdown();
    return;
  }
  if (Fl::event() != FL_KEYBOARD && Fl::event_key() == FL_Escape) return;
  mainWin->CB_Done();
}

void cb_Done(Fl_Widget*, void*) { mainWin->CB_Done(); }
void cb_Cancel(Fl_Widget*, void*) { mainWin->CB_Cancel(); }
void cb_Up(Fl_Widget*, void*) { mainWin->CB_Up(); }
void cb_listView(Fl_Widget*, void*) { mainWin->listViewClicked(); }

void updateClock(void*) {
  Fl::repeat_timeout(30.0, updateClock);
  if (mainWin) mainWin->updateClock();
}

void make_windows(Zolt& doc, const char* fileName) {
  unsigned w = 0, h = 0;
  doc.windowSize(w, h);
  std::string title = std::string("Zolt: ") + fileName;
  mainWin = new ZoltGUI(2 * w, 2 * h, title.c_str());
  mainWin->callback(cb_keypress_ESC);
  mainWin->labelsize(20);
  Fl_Group* current = Fl_Group::current();
  if (current) current->resizable(mainWin);
  mainWin->makeWindows();
  mainWin->clear_modal_states();
}

// ---- The keyboard strip ----

void ZoltGUI::initFakeKbd() {
  if (kbd_) return;
  begin();
  kbd_ = new FakeKeyboard(15, h(), w() - 15, kStripHeight);
  end();
  kbd_->hide();
}

void ZoltGUI::showKeyboard(bool on) {
  if (!on) return;
  kbdClose_->show();
  if (kbd_) kbd_->show();
}

void ZoltGUI::CB_hideKbd() {
  doc->setOptShowKbd(false);
  resize(x(), y(), w(), h());
  redraw();
}

void cb_hideKbd(Fl_Widget*, void*) { mainWin->CB_hideKbd(); }
