#include "gui/date_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Select_Browser.H>

#include <cstdio>
#include <string>

#include "gui/messages.h"
#include "calendar/date_time.h"
#include "gui/fltk_dialogs.h"

static const int kLabelSize = 20;
static const int kWindowW = 320, kWindowH = 280;
static const int kRowY = 250, kRowH = 30;
static const int kGridY = 30, kGridH = 220;
// Week number, then Monday to Sunday; the browser keeps the pointer.
static int monthViewCols[] = {44, 38, 38, 38, 38, 44, 38, 38, 0};
static const char* const kHeader = "Wk\tM\tT\tW\tT\tF\tSa\tSu";
static const char* const kMonthNames[12] = {"January",   "February", "March",    "April",
                                            "May",       "June",     "July",     "August",
                                            "September", "October",  "November", "December"};
// Months counted from January of year 0, so that a step is one addition.
static const int kFirstMonthIndex = kFirstYear * 12;
static const int kLastMonthIndex = kLastYear * 12 + 11;

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

  window_ = new DialogWindow(kWindowW, kWindowH, "Choose a date");
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
  window_->end();
  window_->set_modal();
  dispMonYear();
}

DateSelect::~DateSelect() { delete window_; }

void DateSelect::show() {
  window_->hotspot(window_);
  window_->show();
}

void DateSelect::hide() { window_->hide(); }

bool DateSelect::visible() const { return window_->visible() != 0; }

bool DateSelect::run() {
  window_->hotspot(window_);
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
    if (chosenHere && d == *day) line += "@u";
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
