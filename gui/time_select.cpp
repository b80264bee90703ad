#include "gui/time_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Repeat_Button.H>

#include <cstdio>

#include "app/messages.h"

static const int kLabelSize = 20;
static const int kStepSize = 26;

static TimeSelect* selectorOf(Fl_Widget* w) {
  Fl_Window* win = w->as_window() ? w->as_window() : w->window();
  return static_cast<TimeSelect*>(win->user_data());
}

static void addStep(int x, int y, const char* label, Fl_Callback* cb, long step) {
  Fl_Repeat_Button* b = new Fl_Repeat_Button(x, y, kStepSize, kStepSize, label);
  b->labelsize(kLabelSize);
  b->callback(cb);
  b->argument(step);
}

static Fl_Button* addButton(int x, const char* label, Fl_Callback* cb) {
  Fl_Button* b = new Fl_Button(x, 110, 70, 30, label);
  b->labelsize(kLabelSize);
  b->callback(cb);
  return b;
}

bool pickTime(int& hour, int& minute) {
  int h = hour, m = minute;
  TimeSelect dialog(&h, &m);
  if (!dialog.run()) return false;
  hour = h;
  minute = m;
  return true;
}

TimeSelect::TimeSelect(int* hour, int* minute) : hour(hour), minute(minute) {
  if (*hour < 0 || *hour > 23) *hour = 0;
  if (*minute < 0 || *minute > 59) *minute = 0;
  window_ = new Fl_Double_Window(140, 140, "TimeSelector");
  window_->callback(cb_Window, this);
  display = new Fl_Box(4, 0, 100, 30, dispText);
  display->labelsize(kLabelSize);
  done = addButton(0, "Done", cb_Done);
  addButton(70, "Cancel", cb_Cancel);
  addStep(20, 50, "+", cb_Hour, 1);
  addStep(20, 76, "-", cb_Hour, -1);
  addStep(60, 50, "+", cb_Minute, 10);
  addStep(60, 76, "-", cb_Minute, -10);
  addStep(86, 50, "+", cb_Minute, 1);
  addStep(86, 76, "-", cb_Minute, -1);
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
  display->label(dispText);
  window_->redraw();
}

void TimeSelect::cancel() {
  *minute = -1;
  hide();
}

void TimeSelect::cb_Done(Fl_Widget* w, void*) { selectorOf(w)->hide(); }

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
