#include "gui/fltk_dialogs.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

// Message boxes do not wrap: break long lines at blanks so a box fits on the screen.
static std::string wrapped(const std::string& text) {
  const size_t kColumns = 72;
  std::string out = text;
  size_t lineStart = 0, lastBlank = std::string::npos;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\n') {
      lineStart = i + 1;
      lastBlank = std::string::npos;
    } else if (out[i] == ' ') {
      lastBlank = i;
    }
    if (i - lineStart >= kColumns && lastBlank != std::string::npos && lastBlank > lineStart) {
      out[lastBlank] = '\n';
      lineStart = lastBlank + 1;
      lastBlank = std::string::npos;
    }
  }
  return out;
}

// The text goes in as an argument, never as the format: a "%" in a file name or a
// summary must show as typed.
static void message(const std::string& text) { fl_message("%s", wrapped(text).c_str()); }
static void alert(const std::string& text) { fl_alert("%s", wrapped(text).c_str()); }
static int choice(const std::string& question, const char* b0, const char* b1, const char* b2) {
  return fl_choice("%s", b0, b1, b2, wrapped(question).c_str());
}

static void waitWhileShown(Fl_Window* dialog) {
  dialog->set_modal();
  dialog->show();
  while (dialog->shown()) Fl::wait();
}

DialogSeam fltkDialogSeam() { return {message, alert, choice, waitWhileShown}; }
