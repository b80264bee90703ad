// The time selector: a small modal window where the time is typed ("14:30") or stepped
// with labelled auto-repeating buttons (an hour, ten minutes, one minute). It edits the
// caller's hour and minute in place; Cancel leaves a minute of -1 behind. Only the time of
// day changes: stepping past midnight wraps.
// GUI thread only.
#ifndef ZOLT_GUI_TIME_SELECT_H_
#define ZOLT_GUI_TIME_SELECT_H_

class Fl_Button;
class Fl_Input;
class Fl_Widget;
class Fl_Window;

// Lets the user choose a time of day, starting from `hour`:`minute` (values outside 0-23
// and 0-59 start at 0). Returns true and writes the time when the dialog ends with Done or
// its close box; returns false and leaves both unchanged on Cancel or Escape. The wait goes
// through runModal (gui/messages.h).
bool pickTime(int& hour, int& minute);

// Reads a typed time of day: "14:30", "9:05", "9.05", "14h30", "1430", "930" or an hour
// alone ("9"); blanks around it are passed over. True and the time written for a valid
// time (hours 0-23, minutes 0-59); false and both unchanged otherwise.
bool parseTimeOfDay(const char* text, int& hour, int& minute);

class TimeSelect {
 public:
  // The pointers are not owned and must outlive the dialog.
  TimeSelect(int* hour, int* minute);
  ~TimeSelect();
  TimeSelect(const TimeSelect&) = delete;
  TimeSelect& operator=(const TimeSelect&) = delete;

  void show();
  void hide();
  bool visible() const;
  // Shows the dialog through runModal and returns once it is hidden; false when it was
  // cancelled (*minute == -1).
  bool run();

  // The window's user data is this object, so a test handed the window can reach it.
  Fl_Window* window() const { return window_; }
  // The time as last set, e.g. " 8:05" (the input shows it without the blank).
  const char* text() const { return dispText; }
  Fl_Input* input() const { return timeInput; }

  // Steps with wrap-around: the hour within 0-23; the minute within 0-59, carrying into
  // the hour.
  void stepHour(int step);
  void stepMinute(int step);

  // Callbacks. The step buttons carry their step as argument() and reach the object
  // through their window's user data.
  static void cb_Done(Fl_Widget* w, void*);
  static void cb_Cancel(Fl_Widget* w, void*);
  static void cb_Window(Fl_Widget* w, void*);
  static void cb_Hour(Fl_Widget* w, void*);
  static void cb_Minute(Fl_Widget* w, void*);
  // The input changed: a valid time becomes the time at once.
  static void cb_Typed(Fl_Widget* w, void*);

 private:
  void dispTime();
  void cancel();
  // Done: a typed time that cannot be read keeps the dialog open with a message.
  void done();

  int* hour;    // not owned
  int* minute;  // not owned; -1 = cancelled
  char dispText[8];
  Fl_Input* timeInput;
  Fl_Window* window_;  // owned; deletes its widgets
  Fl_Button* doneButton;
};

#endif  // ZOLT_GUI_TIME_SELECT_H_
