// Answers Zolt's message boxes and modal dialogs in tests: records every text shown,
// answers questions from a queue and lets the test act on a modal dialog while it is
// "shown". Installed for the life of the object.
#ifndef ZOLT_TESTS_GUI_SCRIPTED_DIALOGS_H_
#define ZOLT_TESTS_GUI_SCRIPTED_DIALOGS_H_

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "gui/messages.h"

class ScriptedDialogs {
 public:
  ScriptedDialogs();
  ~ScriptedDialogs();
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // Every message, alert and question shown, in order, prefixed "message: ", "alert: " or
  // "choice: ".
  std::vector<std::string> shown;
  // Answers for the next questions (button indices); 0 once the queue is empty.
  std::deque<int> answers;
  // Called with each modal dialog in place of a person; it must hide the dialog (or
  // leave it to the runner, which hides it afterwards). Unset: the dialog is hidden at once.
  std::function<void(Fl_Window*)> onModal;

  // True when some shown text contains `part`.
  bool saw(const std::string& part) const;

 private:
  DialogSeam previous;
};

class Fl_Widget;

// The child of `dialog` labelled `label`; null, and a test failure, when there is none.
Fl_Widget* child(Fl_Window* dialog, const char* label);
// Ends `dialog` as a person would: "close box", "Escape", or the label of a button to press.
void endDialog(Fl_Window* dialog, const std::string& how);

#endif  // ZOLT_TESTS_GUI_SCRIPTED_DIALOGS_H_
