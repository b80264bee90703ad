// The recurrence selector: a small modal window that edits a recurrence record (type,
// interval, first and last date) in place and explains the chosen rule in words. Cancel
// leaves a type of -1 behind. The first and last date are chosen with the date selector.
// GUI thread only.
#ifndef ZOLT_GUI_RECURRENCE_SELECT_H_
#define ZOLT_GUI_RECURRENCE_SELECT_H_

#include <string>

#include "calendar/recurrence.h"

class Fl_Box;
class Fl_Choice;
class Fl_Menu_Button;
class Fl_Widget;
class Fl_Window;

// Lets the user change `rec` for an item whose main date falls on `day`.`month`, a
// `weekday` (0 = Monday); `isToDo` is false for an appointment, which cannot be
// "daily, resetable". Returns true and writes the record when the dialog ends with Done or
// its close box; returns false and leaves `rec` unchanged on Cancel or Escape. The wait
// goes through runModal (gui/messages.h).
bool pickRecurrence(T_recData& rec, int day, int month, int weekday, bool isToDo);

// The type choice's callback: the chosen entry's value (0-6) becomes the type.
void cb_recType(Fl_Widget* w, void*);
// The callback of the "Begin Date" and "End Date" menus: "none" empties that date,
// "select" opens the date selector on it.
void cb_Date(Fl_Widget* w, void*);

class RecurrenceSelect {
 public:
  // `rec` is not owned and must outlive the dialog; it is changed in place (the caller's
  // copy). An unknown type counts as none; the interval is kept within 1 to 1000.
  RecurrenceSelect(T_recData* rec, int day, int month, int weekday, bool isToDo);
  ~RecurrenceSelect();
  RecurrenceSelect(const RecurrenceSelect&) = delete;
  RecurrenceSelect& operator=(const RecurrenceSelect&) = delete;

  void show();
  void hide();
  bool visible() const;
  // Shows the dialog through runModal and returns once it is hidden; false when it was
  // cancelled (type -1).
  bool run();

  // The window's user data is this object, so a test handed the window can reach it.
  Fl_Window* window() const { return window_; }
  Fl_Choice* typeChoice() const { return typeMenu; }
  Fl_Menu_Button* beginDateMenu() const { return begMenu; }
  Fl_Menu_Button* endDateMenu() const { return endMenu; }
  const char* explanation() const { return explText.c_str(); }
  const char* unit() const;
  const char* intervalText() const { return intText; }
  const char* beginText() const { return begText; }
  const char* endText() const { return endText_; }

  // The type choice's entry `value` (0-6) was picked.
  void chooseType(int value);
  // Changes the interval by `step` within 1 to 1000; types without an interval keep 1.
  void stepInterval(int step);
  // A date menu entry was picked: 1/2 "none"/"select" of the last date, 17/18 of the first.
  void dateMenuPicked(int value);

  // Callbacks. The interval buttons carry their step as argument(); all reach the object
  // through their window's user data.
  static void cb_Done(Fl_Widget* w, void*);
  static void cb_Cancel(Fl_Widget* w, void*);
  static void cb_Window(Fl_Widget* w, void*);
  static void cb_Int(Fl_Widget* w, void*);

 private:
  void cancel();
  void setDateMenusActive();
  void dispInterval();
  void dispDates();
  void dispExpl();

  T_recData* rec;  // not owned
  int day, month, weekday;
  bool isToDo;
  std::string explText;
  char intText[12];
  char begText[11];
  char endText_[11];
  Fl_Window* window_;  // owned; deletes its widgets
  Fl_Choice* typeMenu;
  Fl_Box* intervalBox;
  Fl_Box* unitBox;
  Fl_Box* explBox;
  Fl_Menu_Button* begMenu;
  Fl_Menu_Button* endMenu;
  Fl_Box* begBox;
  Fl_Box* endBox;
};

#endif  // ZOLT_GUI_RECURRENCE_SELECT_H_
