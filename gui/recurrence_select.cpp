#include "gui/recurrence_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Repeat_Button.H>

#include <cstdio>

#include "gui/messages.h"
#include "calendar/date_time.h"
#include "gui/date_select.h"
#include "gui/fltk_dialogs.h"

static const int kLabelSize = 20;
static const int kMinInterval = 1, kMaxInterval = 1000;
static const int kTypeNone = 0, kTypeDaily = 1, kTypeResetable = 2, kTypeYearly = 6;
// Menu values of the date menus: the action in the low bits, 16 for the first date.
static const int kDateNone = 1, kDateSelect = 2, kDateBegin = 16;

// Label size 20 for every entry; the value is the entry's argument(). Picking an entry
// calls the widget's callback.
#define SELECT_ENTRY(text, value)                                                           \
  {                                                                                         \
    text, 0, nullptr, reinterpret_cast<void*>(value), 0, FL_NORMAL_LABEL, FL_HELVETICA, 20, \
        FL_FOREGROUND_COLOR                                                                 \
  }
#define SELECT_END \
  { nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0 }

static Fl_Menu_Item menu_recType[] = {
    SELECT_ENTRY("none", 0L),
    SELECT_ENTRY("daily", 1L),
    SELECT_ENTRY("daily, resetable", 2L),
    SELECT_ENTRY("weekly", 3L),
    SELECT_ENTRY("monthly, by day", 4L),
    SELECT_ENTRY("monthly, by date", 5L),
    SELECT_ENTRY("yearly", 6L),
    SELECT_END,
};
static Fl_Menu_Item menu_BegDate[] = {
    SELECT_ENTRY("none", 17L),
    SELECT_ENTRY("select", 18L),
    SELECT_END,
};
static Fl_Menu_Item menu_EndDate[] = {
    SELECT_ENTRY("none", 1L),
    SELECT_ENTRY("select", 2L),
    SELECT_END,
};

#undef SELECT_ENTRY
#undef SELECT_END

static const char* const kUnits[] = {"",         "day(s)",   "day(s)", "week(s)",
                                     "month(s)", "month(s)", "year(s)"};
static const char* const kWeekdayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                            "Friday", "Saturday", "Sunday"};

static RecurrenceSelect* selectorOf(Fl_Widget* w) {
  Fl_Window* win = w->as_window() ? w->as_window() : w->window();
  return static_cast<RecurrenceSelect*>(win->user_data());
}

// The value of the entry just picked in a choice or menu button; -1 for none.
static int pickedValue(Fl_Widget* w) {
  const Fl_Menu_Item* item = static_cast<Fl_Menu_*>(w)->mvalue();
  return item ? static_cast<int>(item->argument()) : -1;
}

static Fl_Box* addBox(int x, int y, int w, int h, const char* label) {
  Fl_Box* b = new Fl_Box(x, y, w, h, label);
  b->labelsize(kLabelSize);
  return b;
}

// "Begin Date" at label size 20 needs 140 pixels beside the menu's drop-down mark.
static const int kDateMenuW = 140;

static Fl_Menu_Button* addDateMenu(int y, const char* label, Fl_Menu_Item* menu) {
  Fl_Menu_Button* m = new Fl_Menu_Button(0, y, kDateMenuW, 30, label);
  m->labelsize(kLabelSize);
  m->textsize(kLabelSize);
  m->menu(menu);
  m->callback(cb_Date);
  return m;
}

static void addButton(int x, const char* label, Fl_Callback* cb) {
  Fl_Button* b = new Fl_Button(x, 290, 70, 30, label);
  b->labelsize(kLabelSize);
  b->callback(cb);
}

static void addStep(int x, const char* label, long step) {
  Fl_Repeat_Button* b = new Fl_Repeat_Button(x, 36, 26, 26, label);
  b->labelsize(kLabelSize);
  b->callback(RecurrenceSelect::cb_Int);
  b->argument(step);
}

// "none" or dd.mm.yyyy; `out` holds at least 11 chars.
static void dateText(unsigned value, char* out, size_t size) {
  if (!hasDate(value)) {
    snprintf(out, size, "none");
  } else {
    snprintf(out, size, "%02d.%02d.%04d", packedDay(value), packedMonth(value), packedYear(value));
  }
}

bool pickRecurrence(T_recData& rec, int day, int month, int weekday, bool isToDo) {
  T_recData copy = rec;
  RecurrenceSelect dialog(&copy, day, month, weekday, isToDo);
  if (!dialog.run()) return false;
  rec = copy;
  return true;
}

void cb_recType(Fl_Widget* w, void*) { selectorOf(w)->chooseType(pickedValue(w)); }

void cb_Date(Fl_Widget* w, void*) { selectorOf(w)->dateMenuPicked(pickedValue(w)); }

RecurrenceSelect::RecurrenceSelect(T_recData* rec, int day, int month, int weekday, bool isToDo)
    : rec(rec), day(day), month(month), weekday(weekday), isToDo(isToDo) {
  if (rec->type < kTypeNone || rec->type > kMaxRecurrenceType) *rec = T_recData();
  if (rec->type == kTypeResetable && !isToDo) rec->type = kTypeDaily;
  if (rec->interval < kMinInterval) rec->interval = kMinInterval;
  if (rec->interval > kMaxInterval) rec->interval = kMaxInterval;

  window_ = new DialogWindow(320, 320, "Repeat");
  window_->callback(cb_Window, this);
  typeMenu = new Fl_Choice(4, 4, 316, 30);
  typeMenu->labelsize(kLabelSize);
  typeMenu->textsize(kLabelSize);
  typeMenu->menu(menu_recType);
  typeMenu->callback(cb_recType);
  addBox(0, 36, 100, 30, "every");
  addStep(100, "-", -1);
  intervalBox = addBox(126, 36, 76, 30, intText);
  addStep(202, "+", 1);
  unitBox = addBox(228, 36, 92, 30, "");
  explBox = addBox(0, 70, 320, 160, "");
  explBox->align(FL_ALIGN_INSIDE | FL_ALIGN_TOP_LEFT);
  begMenu = addDateMenu(230, "Begin Date", menu_BegDate);
  endMenu = addDateMenu(260, "End Date", menu_EndDate);
  begBox = addBox(kDateMenuW, 230, 320 - kDateMenuW, 30, begText);
  endBox = addBox(kDateMenuW, 260, 320 - kDateMenuW, 30, endText_);
  addButton(0, "Done", cb_Done);
  addButton(70, "Cancel", cb_Cancel);
  window_->end();
  window_->set_modal();
  setDateMenusActive();
  dispInterval();
  dispExpl();
  dispDates();
}

RecurrenceSelect::~RecurrenceSelect() { delete window_; }

void RecurrenceSelect::show() {
  window_->hotspot(window_);
  window_->show();
}

void RecurrenceSelect::hide() { window_->hide(); }

bool RecurrenceSelect::visible() const { return window_->visible() != 0; }

bool RecurrenceSelect::run() {
  window_->hotspot(window_);
  runModal(window_);
  return rec->type != -1;
}

const char* RecurrenceSelect::unit() const { return unitBox->label(); }

void RecurrenceSelect::chooseType(int value) {
  if (value < kTypeNone || value > kMaxRecurrenceType) return;
  if (value == kTypeNone) {
    *rec = T_recData();
  } else if (value == kTypeResetable && !isToDo) {
    rec->type = kTypeDaily;
  } else {
    rec->type = value;
  }
  setDateMenusActive();
  dispExpl();
  dispDates();
  dispInterval();
}

void RecurrenceSelect::stepInterval(int step) {
  if (rec->type == kTypeNone || rec->type == kTypeYearly) {
    rec->interval = 1;
  } else {
    rec->interval += step;
    if (rec->interval < kMinInterval) rec->interval = kMinInterval;
    if (rec->interval > kMaxInterval) rec->interval = kMaxInterval;
  }
  dispInterval();
  dispExpl();
}

void RecurrenceSelect::dateMenuPicked(int value) {
  unsigned& field = (value & kDateBegin) ? rec->firstDate : rec->lastDate;
  int action = value & 15;
  if (value < 0 || (action != kDateNone && action != kDateSelect)) return;
  if (action == kDateNone) {
    field = clearDatePart(field);
  } else {
    int y = 0, m = 0, d = -1;
    if (hasDate(field)) {
      y = packedYear(field);
      m = packedMonth(field);
      d = packedDay(field);
    }
    if (pickDate(y, m, d)) field = packDate(field, y, m, d);
  }
  dispDates();
}

void RecurrenceSelect::cb_Done(Fl_Widget* w, void*) { selectorOf(w)->hide(); }

void RecurrenceSelect::cb_Cancel(Fl_Widget* w, void*) { selectorOf(w)->cancel(); }

// The close box keeps the settings as they stand; Escape, which FLTK sends the same way,
// cancels.
void RecurrenceSelect::cb_Window(Fl_Widget* w, void*) {
  RecurrenceSelect* self = selectorOf(w);
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
    self->cancel();
  } else {
    self->hide();
  }
}

void RecurrenceSelect::cb_Int(Fl_Widget* w, void*) {
  selectorOf(w)->stepInterval(static_cast<int>(w->argument()));
}

void RecurrenceSelect::cancel() {
  rec->type = -1;
  hide();
}

// Types without an interval (none, and yearly, which always steps one year) show and
// keep 1, so the explanation never promises a step the recurrence does not make.
void RecurrenceSelect::setDateMenusActive() {
  if (rec->type == kTypeNone || rec->type == kTypeYearly) rec->interval = 1;
  if (rec->type == kTypeNone) {
    begMenu->deactivate();
    endMenu->deactivate();
  } else {
    begMenu->activate();
    endMenu->activate();
  }
}

void RecurrenceSelect::dispInterval() {
  snprintf(intText, sizeof intText, "%d", rec->interval);
  intervalBox->label(intText);
  intervalBox->redraw();
}

void RecurrenceSelect::dispDates() {
  dateText(rec->firstDate, begText, sizeof begText);
  dateText(rec->lastDate, endText_, sizeof endText_);
  begBox->label(begText);
  endBox->label(endText_);
  window_->redraw();
}

void RecurrenceSelect::dispExpl() {
  int type = rec->type;
  typeMenu->value(type);
  unitBox->label(kUnits[type]);
  std::string n = std::to_string(rec->interval);
  std::string d = std::to_string(day);
  std::string w = weekday >= 0 && weekday <= 6 ? kWeekdayNames[weekday] : "";
  switch (type) {
    case 1:
      explText = "Repeat every " + n + " day(s).";
      break;
    case 2:
      explText = "Repeat every " + n +
                 " days,\nreset when done.\nUseful if you have to do it\n AT LEAST every " + n +
                 " day(s).";
      break;
    case 3:
      explText = "Repeat on " + w + "\nevery " + n + " week(s).";
      break;
    case 4:
      explText = "Repeat on " + std::to_string((day - 1) / 7 + 1) + ". " + w + "\nevery " + n +
                 " month(s).";
      break;
    case 5:
      explText = "Repeat on day " + d + "\nevery " + n + " month(s).";
      break;
    case 6:
      explText = "Repeat on " + d + "." + std::to_string(month) + ".\n every " + n + " year(s).";
      break;
    default:
      explText = "No recurrence.";
  }
  explBox->label(explText.c_str());
  window_->redraw();
}
