#include "gui/time_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Repeat_Button.H>
#include <FL/Fl_Return_Button.H>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "gui/messages.h"
#include "gui/fltk_dialogs.h"

static const int kLabelSize = 20;
static const int kWindowW = 290, kWindowH = 186;
static const int kStepW = 84, kStepH = 32;
static const int kStepX[3] = {12, 103, 194};
static const int kPlusY = 54, kMinusY = 90;
static const int kButtonY = 142;

static TimeSelect* selectorOf(Fl_Widget* w) {
  Fl_Window* win = w->as_window() ? w->as_window() : w->window();
  return static_cast<TimeSelect*>(win->user_data());
}

static void addStep(int x, int y, const char* label, Fl_Callback* cb, long step) {
  Fl_Repeat_Button* b = new Fl_Repeat_Button(x, y, kStepW, kStepH, label);
  b->labelsize(kLabelSize);
  b->callback(cb);
  b->argument(step);
}

bool pickTime(int& hour, int& minute) {
  int h = hour, m = minute;
  TimeSelect dialog(&h, &m);
  if (!dialog.run()) return false;
  hour = h;
  minute = m;
  return true;
}

// Reads up to two digits; the count read, 0 for none.
static int readNumber(const char*& s, int& value) {
  int n = 0;
  value = 0;
  while (n < 4 && isdigit(static_cast<unsigned char>(*s))) {
    value = value * 10 + (*s++ - '0');
    ++n;
  }
  return n;
}

bool parseTimeOfDay(const char* text, int& hour, int& minute) {
  const char* s = text;
  while (*s == ' ') ++s;
  int h = 0, m = 0, digits = readNumber(s, h);
  if (digits == 0) return false;
  if (digits >= 3) {  // "930", "1430"
    m = h % 100;
    h /= 100;
  } else if (*s == ':' || *s == '.' || *s == 'h') {
    ++s;
    const char* minutes = s;
    int n = readNumber(s, m);
    if (n != 2 && !(n == 0 && *minutes == 0)) return false;
  }
  while (*s == ' ') ++s;
  if (*s != 0 || h > 23 || m > 59) return false;
  hour = h;
  minute = m;
  return true;
}

TimeSelect::TimeSelect(int* hour, int* minute) : hour(hour), minute(minute) {
  if (*hour < 0 || *hour > 23) *hour = 0;
  if (*minute < 0 || *minute > 59) *minute = 0;
  window_ = new DialogWindow(kWindowW, kWindowH, "Choose a time");
  window_->callback(cb_Window, this);
  timeInput = new Fl_Input(150, 10, 110, 34, "Time (h:mm):");
  timeInput->labelsize(kLabelSize);
  timeInput->textsize(kLabelSize);
  timeInput->when(FL_WHEN_CHANGED);
  timeInput->callback(cb_Typed);
  addStep(kStepX[0], kPlusY, "+1 h", cb_Hour, 1);
  addStep(kStepX[0], kMinusY, "-1 h", cb_Hour, -1);
  addStep(kStepX[1], kPlusY, "+10 min", cb_Minute, 10);
  addStep(kStepX[1], kMinusY, "-10 min", cb_Minute, -10);
  addStep(kStepX[2], kPlusY, "+1 min", cb_Minute, 1);
  addStep(kStepX[2], kMinusY, "-1 min", cb_Minute, -1);
  // Enter in the input means Done.
  doneButton = new Fl_Return_Button(kStepX[0], kButtonY, 110, 34, "Done");
  doneButton->labelsize(kLabelSize);
  doneButton->callback(cb_Done);
  Fl_Button* cancel = new Fl_Button(kStepX[0] + 122, kButtonY, 100, 34, "Cancel");
  cancel->labelsize(kLabelSize);
  cancel->callback(cb_Cancel);
  window_->end();
  window_->set_modal();
  dispTime();
}

TimeSelect::~TimeSelect() { delete window_; }

void TimeSelect::show() {
  window_->hotspot(window_);
  window_->show();
}

void TimeSelect::hide() { window_->hide(); }

bool TimeSelect::visible() const { return window_->visible() != 0; }

bool TimeSelect::run() {
  window_->hotspot(window_);
  timeInput->take_focus();
  timeInput->position(timeInput->size(), 0);
  runModal(window_);
  return *minute != -1;
}

void TimeSelect::stepHour(int step) {
  *hour = ((*hour + step) % 24 + 24) % 24;
  dispTime();
}

void TimeSelect::stepMinute(int step) {
  int m = *minute + step;
  int carry = 0;
  while (m < 0) {
    m += 60;
    carry--;
  }
  while (m > 59) {
    m -= 60;
    carry++;
  }
  *minute = m;
  stepHour(carry);
}

void TimeSelect::dispTime() {
  snprintf(dispText, sizeof dispText, "%2d:%02d", *hour, *minute);
  timeInput->value(dispText[0] == ' ' ? dispText + 1 : dispText);
  window_->redraw();
}

void TimeSelect::cancel() {
  *minute = -1;
  hide();
}

void TimeSelect::done() {
  if (!parseTimeOfDay(timeInput->value(), *hour, *minute)) {
    showAlert("Type the time as hours and minutes, for example 14:30 or 9:05.");
    timeInput->take_focus();
    return;
  }
  hide();
}

void TimeSelect::cb_Done(Fl_Widget* w, void*) { selectorOf(w)->done(); }

void TimeSelect::cb_Cancel(Fl_Widget* w, void*) { selectorOf(w)->cancel(); }

// The close box keeps the time as it stands; Escape, which FLTK sends the same way, cancels.
void TimeSelect::cb_Window(Fl_Widget* w, void*) {
  TimeSelect* self = selectorOf(w);
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
    self->cancel();
  } else {
    self->hide();
  }
}

void TimeSelect::cb_Hour(Fl_Widget* w, void*) {
  selectorOf(w)->stepHour(static_cast<int>(w->argument()));
}

void TimeSelect::cb_Minute(Fl_Widget* w, void*) {
  selectorOf(w)->stepMinute(static_cast<int>(w->argument()));
}

void TimeSelect::cb_Typed(Fl_Widget* w, void*) {
  TimeSelect* self = selectorOf(w);
  if (parseTimeOfDay(self->timeInput->value(), *self->hour, *self->minute)) {
    snprintf(self->dispText, sizeof self->dispText, "%2d:%02d", *self->hour, *self->minute);
  }
}
