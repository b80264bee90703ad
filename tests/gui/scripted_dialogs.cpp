#include "gui/scripted_dialogs.h"

#include <FL/Fl_Window.H>

static ScriptedDialogs* active = nullptr;

static void recordMessage(const std::string& text) { active->shown.push_back("message: " + text); }
static void recordAlert(const std::string& text) { active->shown.push_back("alert: " + text); }

static int answer(const std::string& question, const char*, const char*, const char*) {
  active->shown.push_back("choice: " + question);
  if (active->answers.empty()) return 0;
  int a = active->answers.front();
  active->answers.pop_front();
  return a;
}

static void actOnModal(Fl_Window* dialog) {
  dialog->show();
  if (active->onModal) active->onModal(dialog);
  dialog->hide();
}

ScriptedDialogs::ScriptedDialogs() {
  active = this;
  previous = setDialogSeam({recordMessage, recordAlert, answer, actOnModal});
}

ScriptedDialogs::~ScriptedDialogs() {
  setDialogSeam(previous);
  active = nullptr;
}

bool ScriptedDialogs::saw(const std::string& part) const {
  for (const std::string& s : shown) {
    if (s.find(part) != std::string::npos) return true;
  }
  return false;
}
