#include "gui/scripted_dialogs.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstring>

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

Fl_Widget* child(Fl_Window* dialog, const char* label) {
  for (int i = 0; i < dialog->children(); ++i) {
    const char* l = dialog->child(i)->label();
    if (l && strcmp(l, label) == 0) return dialog->child(i);
  }
  ADD_FAILURE() << "no widget " << label;
  return nullptr;
}

// FLTK hands Escape to a window's callback as a shortcut, like the close box without one.
void endDialog(Fl_Window* dialog, const std::string& how) {
  if (how == "Escape") {
    Fl::e_number = FL_SHORTCUT;
    Fl::e_keysym = FL_Escape;
  }
  if (how == "close box" || how == "Escape") {
    dialog->do_callback();
  } else {
    child(dialog, how.c_str())->do_callback();
  }
  Fl::e_number = 0;
  Fl::e_keysym = 0;
}
