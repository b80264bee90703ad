// The date selector: a small modal window with the month by name and a month grid (ISO
// week number, Monday to Sunday) in which the user clicks a day, moves the chosen day with
// the arrow keys, or types a date ("18.12.", "tomorrow", "+3d"). It opens centred over the
// window it serves. It edits the caller's year, month
// and day in place; a day of -1 means "no date", and is also what Cancel leaves behind. Shown
// months stay within January 2000 to December 2127, the years a packed date holds. GUI thread only.
#ifndef ZOLT_GUI_DATE_SELECT_H_
#define ZOLT_GUI_DATE_SELECT_H_

class Fl_Box;
class Fl_Button;
class Fl_Input;
class Fl_Select_Browser;
class Fl_Widget;
class Fl_Window;

// Lets the user choose a date. On entry `day` == -1 opens on today's month with no date
// chosen, otherwise on the month of the given date with that date marked. Returns true and
// writes the chosen date when the dialog ends with a date (Done, or the close box after a
// click in the grid); returns false and leaves all three unchanged on Cancel or Escape or
// when no date was chosen. The wait goes through runModal (gui/messages.h).
bool pickDate(int& year, int& month, int& day);

class DateSelect {
 public:
  // The three pointers are not owned and must outlive the dialog. *day == -1: no date yet.
  DateSelect(int* year, int* month, int* day);
  ~DateSelect();
  DateSelect(const DateSelect&) = delete;
  DateSelect& operator=(const DateSelect&) = delete;

  void show();
  void hide();
  bool visible() const;
  // Shows the dialog through runModal and returns once it is hidden; true when a date is
  // chosen then (*day != -1).
  bool run();

  // The window's user data is this object, so a test handed the window can reach it.
  Fl_Window* window() const { return window_; }
  Fl_Select_Browser* grid() const { return monthGrid; }
  Fl_Box* monthLabel() const { return monthBox; }
  Fl_Box* yearLabel() const { return yearBox; }
  Fl_Button* doneButton() const { return done; }
  Fl_Input* entry() const { return entry_; }
  int shownYear() const { return showYear; }
  int shownMonth() const { return showMonth; }

  // Moves the shown month by `step` months or years; the shown month never leaves
  // January 2000 to December 2127 (a step that would is not made).
  void stepMonth(int step);
  void stepYear(int step);
  // A click released on grid line `line` (1 = header, 0 = none) at `x` pixels from the
  // grid's left edge: chooses the day there, or shows the neighbouring month for the empty
  // cells before the 1st and after the last day.
  void clickGrid(int line, int x);

  // Keys: Left and Right move the chosen day by a day, Up and Down by a week, Page Up and
  // Page Down by a month (without a chosen day they start from today, or the 1st of the
  // shown month); Enter ends the dialog with the chosen day, or with the typed date when
  // one is typed. True when the key was taken.
  bool handleKey(int key);
  // Reads a typed date (calendar/typed_date.h) and ends the dialog with it; false, with the
  // dialog open and the field marked, when it names no date.
  bool takeTypedDate(const char* text);

  // Callbacks. The buttons carry their step as argument() and reach the object through
  // their window's user data.
  static void cb_Done(Fl_Widget* w, void*);
  static void cb_Cancel(Fl_Widget* w, void*);
  static void cb_Window(Fl_Widget* w, void*);
  static void cb_Month(Fl_Widget* w, void*);
  static void cb_Year(Fl_Widget* w, void*);
  static void cb_MonthView(Fl_Widget* w, void*);
  static void cb_Typed(Fl_Widget* w, void*);

 private:
  void dispMonYear();
  void dispMonth();
  void cancel();
  // Makes `y`-`m`-`d` the chosen date and shows its month.
  void choose(int y, int m, int d);
  void moveDay(int days);
  void moveMonth(int months);
  // Places the window centred over the window it opens from.
  void placeOver();

  int firstWeekday;  // of the 1st of the shown month, 0 = Monday
  int firstWeek;     // ISO week of the 1st of the shown month
  int* year;         // not owned
  int* month;        // not owned
  int* day;          // not owned; -1 = no date chosen
  int showYear, showMonth;
  int todayDay, todayMonth, todayYear;
  char monthText[12];
  char yearText[5];
  Fl_Box* monthBox;
  Fl_Box* yearBox;
  Fl_Window* window_;  // owned; deletes its widgets
  Fl_Button* done;
  Fl_Select_Browser* monthGrid;
  Fl_Input* entry_;
};

#endif  // ZOLT_GUI_DATE_SELECT_H_
