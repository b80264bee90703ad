// The dialog seam as the running program has it: Zolt's own message boxes and a local event
// loop for modal dialogs, and the window every dialog is built in.
// GUI thread only.
#ifndef ZOLT_GUI_FLTK_DIALOGS_H_
#define ZOLT_GUI_FLTK_DIALOGS_H_

#include <FL/Fl_Double_Window.H>

#include "gui/messages.h"

DialogSeam fltkDialogSeam();

// A dialog's window. It draws a dark frame round its edge over its children: without a
// window manager a dialog opened over another (a date selector over the recurrence
// selector) would otherwise run into it with no visible border.
class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(int w, int h, const char* title);
  void draw() override;
};

// The titles message boxes carry, so a box says whose it is and what kind it is.
extern const char* const kMessageTitle;   // "Zolt"
extern const char* const kAlertTitle;     // "Zolt: problem"
extern const char* const kQuestionTitle;  // "Zolt: question"

// Shows `text` with up to three buttons (null labels are left out) in a modal box titled
// `title` and returns the index of the button pressed. Button 0 is the default: Enter
// presses it and it has the focus; Escape and the close box answer 0 too, so the harmless
// answer belongs first. The text is drawn as typed ("@" and "&" included).
int runMessageBox(const std::string& text, const char* title, const char* b0, const char* b1,
                  const char* b2);

#endif  // ZOLT_GUI_FLTK_DIALOGS_H_
