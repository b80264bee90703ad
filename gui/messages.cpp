#include "gui/messages.h"

#include <cstdio>

static void toStandardError(const std::string& text) { fprintf(stderr, "%s\n", text.c_str()); }

// Without a person to ask, the first button (by convention the harmless one) is the answer.
static int firstButton(const std::string& question, const char*, const char*, const char*) {
  toStandardError(question);
  return 0;
}

static void notShown(Fl_Window*) {}

DialogSeam standardErrorSeam() { return {toStandardError, toStandardError, firstButton, notShown}; }

static DialogSeam current = standardErrorSeam();

void showMessage(const std::string& text) { current.message(text); }
void showAlert(const std::string& text) { current.alert(text); }
int askChoice(const std::string& question, const char* b0, const char* b1, const char* b2) {
  return current.choice(question, b0, b1, b2);
}
void runModal(Fl_Window* dialog) { current.runModal(dialog); }

DialogSeam setDialogSeam(const DialogSeam& seam) {
  DialogSeam previous = current;
  current = seam;
  return previous;
}
