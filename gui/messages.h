// Where Zolt talks to the user in a blocking way: messages, alerts, questions and modal
// dialogs. With a window these are FLTK message boxes and a local event loop; before a
// window exists (and with -q) messages go to standard error. One seam, so that tests can
// answer every box and dialog without a person. GUI thread only.
#ifndef ZOLT_GUI_MESSAGES_H_
#define ZOLT_GUI_MESSAGES_H_

#include <string>

class Fl_Window;

// The operations behind the seam. Every member must be set.
struct DialogSeam {
  // An information box with one button.
  void (*message)(const std::string& text);
  // A warning box with one button.
  void (*alert)(const std::string& text);
  // A question with up to three buttons (b2 may be null); returns the index of the button
  // pressed, 0 for b0. b0 is the default (Enter) and also the answer to Escape and the close
  // box, so the harmless answer belongs first.
  int (*choice)(const std::string& question, const char* b0, const char* b1, const char* b2);
  // Shows `dialog` and returns once it is hidden again. The dialog is not owned.
  void (*runModal)(Fl_Window* dialog);
};

void showMessage(const std::string& text);
void showAlert(const std::string& text);
int askChoice(const std::string& question, const char* b0, const char* b1,
              const char* b2 = nullptr);
void runModal(Fl_Window* dialog);

// Replaces the seam; returns the previous one. `standardErrorSeam()` is the seam before a
// window exists: messages and alerts go to standard error, questions answer 0 and modal
// dialogs return at once without being shown.
DialogSeam setDialogSeam(const DialogSeam& seam);
DialogSeam standardErrorSeam();

#endif  // ZOLT_GUI_MESSAGES_H_
