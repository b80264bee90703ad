#include "gui/date_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Select_Browser.H>

#include <cstdio>
#include <string>

#include "calendar/date_time.h"
#include "calendar/typed_date.h"
#include "gui/fltk_dialogs.h"
#include "gui/messages.h"

static const int kLabelSize = 20;
static const int kWindowW = 320, kWindowH = 310;
static const int kEntryY = 250, kRowY = 280, kRowH = 30;
static const int kGridY = 30, kGridH = 220;
// Week number, then Monday to Sunday; the browser keeps the pointer.
static int monthViewCols[] = {44, 38, 38, 38, 38, 44, 38, 38, 0};
// The chosen day stands out as a filled cell, white on the selection colour, bold and
// underlined.
static const char* const kChosenCell = "@B15@C255@b@u";
static const char* const kHeader = "Wk\tM\tT\tW\tT\tF\tSa\tSu";
static const char* const kMonthNames[12] = {"January",   "February", "March",    "April",
                                            "May",       "June",     "July",     "August",
                                            "September", "October",  "November", "December"};
// Months counted from January of year 0, so that a step is one addition.
static const int kFirstMonthIndex = kFirstYear * 12;
static const int kLastMonthIndex = kLastYear * 12 + 11;

// The dialog's window answers the keys its widgets leave over.
class DateWindow : public DialogWindow {
 public:
  DateWindow(int w, int h, const char* title) : DialogWindow(w, h, title) {}
  int handle(int event) override {
    DateSelect* self = static_cast<DateSelect*>(user_data());
    if (event == FL_KEYBOARD && self != nullptr && self->handleKey(Fl::event_key())) return 1;
    return DialogWindow::handle(event);
  }
};

// The typed-date field leaves the keys that move the day to the window: Up, Down and the
// page keys always, Left and Right while nothing is typed.
class DateEntry : public Fl_Input {
 public:
  DateEntry(int x, int y, int w, int h, const char* label) : Fl_Input(x, y, w, h, label) {}
  int handle(int event) override {
    if (event == FL_KEYBOARD) {
      int key = Fl::event_key();
      if (key == FL_Up || key == FL_Down || key == FL_Page_Up || key == FL_Page_Down ||
          key == FL_Escape) {
        return 0;
      }
      if ((key == FL_Left || key == FL_Right) && size() == 0) return 0;
    }
    return Fl_Input::handle(event);
  }
};

static DateSelect* selectorOf(Fl_Widget* w) {
  Fl_Window* win = w->as_window() ? w->as_window() : w->window();
  return static_cast<DateSelect*>(win->user_data());
}

static Fl_Button* addButton(int x, int w, const char* label, Fl_Callback* cb, long data) {
  Fl_Button* b = new Fl_Button(x, kRowY, w, kRowH, label);
  b->labelsize(kLabelSize);
  b->callback(cb);
  b->argument(data);
  return b;
}

static int clampMonthIndex(int index) {
  if (index < kFirstMonthIndex) return kFirstMonthIndex;
  if (index > kLastMonthIndex) return kLastMonthIndex;
  return index;
}

bool pickDate(int& year, int& month, int& day) {
  int y = year, m = month, d = day;
  DateSelect dialog(&y, &m, &d);
  if (!dialog.run()) return false;
  year = y;
  month = m;
  day = d;
  return true;
}

DateSelect::DateSelect(int* year, int* month, int* day) : year(year), month(month), day(day) {
  unsigned today = getTodayDate(kEmptyDateTime);
  todayDay = packedDay(today);
  todayMonth = packedMonth(today);
  todayYear = packedYear(today);
  int index = *day == -1 ? todayYear * 12 + todayMonth - 1 : *year * 12 + *month - 1;
  if (*day != -1 && (*month < 1 || *month > 12)) index = *year * 12;
  index = clampMonthIndex(index);
  showYear = index / 12;
  showMonth = index % 12 + 1;

  window_ = new DateWindow(kWindowW, kWindowH, "Choose a date");
  window_->callback(cb_Window, this);
  monthBox = new Fl_Box(4, 0, 136, 30, monthText);
  monthBox->align(FL_ALIGN_RIGHT | FL_ALIGN_INSIDE);
  monthBox->labelsize(kLabelSize);
  yearBox = new Fl_Box(146, 0, 70, 30, yearText);
  yearBox->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  yearBox->labelsize(kLabelSize);
  done = addButton(0, 70, "Done", cb_Done, 0);
  if (*day == -1) done->deactivate();
  addButton(70, 70, "Cancel", cb_Cancel, 0);
  addButton(160, 40, "Y-", cb_Year, -1);
  addButton(200, 40, "M-", cb_Month, -1);
  addButton(240, 40, "M+", cb_Month, 1);
  addButton(280, 40, "Y+", cb_Year, 1);
  monthGrid = new Fl_Select_Browser(0, kGridY, kWindowW, kGridH);
  monthGrid->textsize(kLabelSize);
  monthGrid->labelsize(kLabelSize);
  monthGrid->column_widths(monthViewCols);
  monthGrid->when(FL_WHEN_RELEASE_ALWAYS);
  monthGrid->callback(cb_MonthView);
  monthGrid->clear_visible_focus();  // the arrow keys move the chosen day, not the grid's line
  entry_ = new DateEntry(130, kEntryY, kWindowW - 130, kRowH, "or type a date:");
  entry_->labelsize(16);
  entry_->textsize(kLabelSize);
  entry_->tooltip("18.12.  18.12.2026  2026-12-18  today  tomorrow  +3d  -1w  +1m  friday");
  entry_->when(FL_WHEN_ENTER_KEY_ALWAYS);
  entry_->callback(cb_Typed);
  window_->end();
  window_->set_modal();
  dispMonYear();
}

DateSelect::~DateSelect() { delete window_; }

void DateSelect::show() {
  placeOver();
  window_->show();
  entry_->take_focus();
}

// Over the middle of the window it serves, never under the mouse, where it would cover
// whatever the pointer rests on (the calendar's bar).
void DateSelect::placeOver() {
  Fl_Window* over = Fl::first_window();
  while (over == window_) over = Fl::next_window(over);
  if (over == nullptr) {
    window_->hotspot(window_);
    return;
  }
  int x = over->x() + (over->w() - window_->w()) / 2;
  int y = over->y() + (over->h() - window_->h()) / 2;
  window_->position(x > 0 ? x : 0, y > 0 ? y : 0);
}

void DateSelect::hide() { window_->hide(); }

bool DateSelect::visible() const { return window_->visible() != 0; }

bool DateSelect::run() {
  placeOver();
  entry_->take_focus();
  runModal(window_);
  return *day != -1;
}

void DateSelect::stepMonth(int step) {
  int index = showYear * 12 + showMonth - 1 + step;
  if (index != clampMonthIndex(index)) return;
  showYear = index / 12;
  showMonth = index % 12 + 1;
  dispMonYear();
}

void DateSelect::stepYear(int step) {
  int y = showYear + step;
  if (y < kFirstYear || y > kLastYear) return;
  showYear = y;
  dispMonYear();
}

void DateSelect::clickGrid(int line, int x) {
  // The header names the weekdays: a click there picks nothing.
  if (line < 2 || x < 45) {
    monthGrid->deselect();
    return;
  }
  int column = 0;
  for (int c = 1, right = monthViewCols[0]; c <= 7; c++) {
    right += monthViewCols[c];
    if (right > x) {
      column = c;
      break;
    }
  }
  if (column == 0) {
    monthGrid->deselect();
    return;
  }
  int d = column - firstWeekday + 7 * line - 14;
  if (d < 1) {
    stepMonth(-1);
  } else if (d > MaxTag(showMonth, showYear)) {
    stepMonth(1);
  } else {
    *day = d;
    *month = showMonth;
    *year = showYear;
    done->activate();
    dispMonth();
  }
  monthGrid->deselect();
}

void DateSelect::dispMonYear() {
  snprintf(monthText, sizeof monthText, "%s", kMonthNames[showMonth - 1]);
  snprintf(yearText, sizeof yearText, "%04d", showYear);
  monthBox->label(monthText);
  yearBox->label(yearText);
  firstWeekday = Wochentag(1, showMonth, showYear);
  firstWeek = Kalenderwoche(1, showMonth, showYear);
  dispMonth();
}

void DateSelect::dispMonth() {
  monthGrid->clear();
  monthGrid->add(kHeader);
  bool chosenHere = *day != -1 && *month == showMonth && *year == showYear;
  bool todayHere = todayMonth == showMonth && todayYear == showYear;
  int last = MaxTag(showMonth, showYear);
  int week = firstWeek;
  std::string line = std::to_string(week) + std::string(firstWeekday + 1, '\t');
  for (int d = 1; d <= last; d++) {
    if (chosenHere && d == *day) line += kChosenCell;
    if (todayHere && d == todayDay) line += "@i";
    line += std::to_string(d);
    if ((firstWeekday + d - 1) % 7 != 6) {
      line += '\t';
      continue;
    }
    monthGrid->add(line.c_str());
    line.clear();
    // A month that ends on a Sunday gets no empty week line after it.
    if (d == last) break;
    week = week < 50 ? week + 1 : Kalenderwoche(d + 1, showMonth, showYear);
    line = std::to_string(week) + "\t";
  }
  if (!line.empty()) monthGrid->add(line.c_str());
  window_->redraw();
}

void DateSelect::choose(int y, int m, int d) {
  *year = y;
  *month = m;
  *day = d;
  showYear = y;
  showMonth = m;
  done->activate();
  dispMonYear();
}

// Without a chosen day the first key chooses the day it starts from: today when its month
// is shown, else the 1st of the shown month.
void DateSelect::moveDay(int days) {
  if (*day == -1) {
    bool todayShown = todayYear == showYear && todayMonth == showMonth;
    choose(showYear, showMonth, todayShown ? todayDay : 1);
    return;
  }
  int y = *year, m = *month, d = *day;
  int n = getNumberOfDay(d, m, y) + days;
  if (n < 1) return;
  getDayByNumber(n, d, m, y);
  if (y < kFirstYear || y > kLastYear) return;
  choose(y, m, d);
}

void DateSelect::moveMonth(int months) {
  if (*day == -1) {
    stepMonth(months);
    return;
  }
  int index = *year * 12 + *month - 1 + months;
  if (index != clampMonthIndex(index)) return;
  int y = index / 12, m = index % 12 + 1;
  choose(y, m, *day < MaxTag(m, y) ? *day : MaxTag(m, y));
}

bool DateSelect::handleKey(int key) {
  switch (key) {
    case FL_Left:
    case FL_Right:
      moveDay(key == FL_Left ? -1 : 1);
      return true;
    case FL_Up:
    case FL_Down:
      moveDay(key == FL_Up ? -7 : 7);
      return true;
    case FL_Page_Up:
    case FL_Page_Down:
      moveMonth(key == FL_Page_Up ? -1 : 1);
      return true;
    case FL_Enter:
    case FL_KP_Enter: {
      // A focused button is pressed, as a click would; otherwise Enter means Done.
      Fl_Widget* focus = Fl::focus();
      if (focus != nullptr && focus != entry_ && focus->window() == window_) {
        if (focus->active()) focus->do_callback();
      } else if (entry_->size() > 0) {
        takeTypedDate(entry_->value());
      } else if (*day != -1) {
        hide();
      }
      return true;
    }
    default:
      return false;
  }
}

bool DateSelect::takeTypedDate(const char* text) {
  int y = 0, m = 0, d = 0;
  if (!parseTypedDate(text, y, m, d)) {
    entry_->color(fl_rgb_color(255, 210, 210));
    entry_->copy_label("not a date:");
    entry_->labelcolor(FL_RED);
    window_->redraw();
    return false;
  }
  choose(y, m, d);
  hide();
  return true;
}

void DateSelect::cancel() {
  *day = -1;
  hide();
}

void DateSelect::cb_Done(Fl_Widget* w, void*) { selectorOf(w)->hide(); }

void DateSelect::cb_Cancel(Fl_Widget* w, void*) { selectorOf(w)->cancel(); }

// The close box keeps what was clicked; Escape, which FLTK sends the same way, cancels.
void DateSelect::cb_Window(Fl_Widget* w, void*) {
  DateSelect* self = selectorOf(w);
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
    self->cancel();
  } else {
    self->hide();
  }
}

void DateSelect::cb_Month(Fl_Widget* w, void*) {
  selectorOf(w)->stepMonth(static_cast<int>(w->argument()));
}

void DateSelect::cb_Year(Fl_Widget* w, void*) {
  selectorOf(w)->stepYear(static_cast<int>(w->argument()));
}

void DateSelect::cb_MonthView(Fl_Widget* w, void*) {
  if (Fl::event() != FL_RELEASE) return;
  Fl_Select_Browser* grid = static_cast<Fl_Select_Browser*>(w);
  selectorOf(w)->clickGrid(grid->value(), Fl::event_x() - grid->x());
}

void DateSelect::cb_Typed(Fl_Widget* w, void*) {
  DateSelect* self = selectorOf(w);
  Fl_Input* entry = static_cast<Fl_Input*>(w);
  if (entry->size() > 0) {
    self->takeTypedDate(entry->value());
  } else if (*self->day != -1) {
    self->hide();
  }
}
