#include "gui/fltk_dialogs.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

// The text goes in as an argument, never as the format: a "%" in a file name or a
// summary must show as typed.
static void message(const std::string& text) { fl_message("%s", text.c_str()); }
static void alert(const std::string& text) { fl_alert("%s", text.c_str()); }
static int choice(const std::string& question, const char* b0, const char* b1, const char* b2) {
  return fl_choice("%s", b0, b1, b2, question.c_str());
}

static void waitWhileShown(Fl_Window* dialog) {
  dialog->set_modal();
  dialog->show();
  while (dialog->shown()) Fl::wait();
}

DialogSeam fltkDialogSeam() { return {message, alert, choice, waitWhileShown}; }
