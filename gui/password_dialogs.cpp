#include "gui/password_dialogs.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Secret_Input.H>
#include <string.h>

#include <vector>

#include "app/messages.h"
#include "crypt/crypt_man.h"
#include "gui/raw_label.h"

static const char* const kEmptyPasswordRefused =
    "Please type a password: a note locked under an empty password is not protected.";
static const char* const kWrongPassword = "Wrong password";

namespace {

// Each run has its own set, handed to the callbacks as user data.
struct AddPwdDialog {
  Fl_Double_Window* window = nullptr;
  Fl_Input* inputDescr = nullptr;
  Fl_Secret_Input* inputA = nullptr;
  Fl_Multiline_Input* inputB = nullptr;
  int nDone = 0;  // 1 once OK was pressed with a password
};

struct LoginDialog {
  Fl_Double_Window* window = nullptr;
  Fl_Choice* choice = nullptr;
  Fl_Secret_Input* inputA = nullptr;
  Fl_Multiline_Input* inputB = nullptr;
  // The choice's menu and the texts it points to; both outlive the window.
  std::vector<std::string> labels;
  std::vector<Fl_Menu_Item> entries;
};

}  // namespace

static void labelAbove(Fl_Widget* w) { w->align(FL_ALIGN_TOP_LEFT); }

// The hidden input's text when there is any, else the visible one's.
static std::string typedPassword(const Fl_Input_* hidden, const Fl_Input_* visible) {
  return std::string(hidden->size() > 0 ? hidden->value() : visible->value());
}

static void wipe(std::string& s) {
  if (!s.empty()) explicit_bzero(&s[0], s.size());
}

static void cb_addCancel(Fl_Widget*, void* data) {
  static_cast<AddPwdDialog*>(data)->window->hide();
}

// An empty password would lock notes under a key anyone can derive; the dialog stays open.
static void cb_addOK(Fl_Widget*, void* data) {
  AddPwdDialog* d = static_cast<AddPwdDialog*>(data);
  if (d->inputA->size() == 0 && d->inputB->size() == 0) {
    showAlert(kEmptyPasswordRefused);
    d->inputA->take_focus();
    return;
  }
  d->nDone = 1;
  d->window->hide();
}

static void buildAddDialog(AddPwdDialog& d) {
  d.window = new Fl_Double_Window(275, 295, "Add decryption password");
  d.inputDescr = new Fl_Input(10, 25, 255, 20, "Password description:");
  labelAbove(d.inputDescr);
  d.inputA = new Fl_Secret_Input(10, 70, 255, 20, "Hidden input:");
  labelAbove(d.inputA);
  d.inputB = new Fl_Multiline_Input(10, 115, 255, 140, "Visible input:");
  labelAbove(d.inputB);
  Fl_Button* cancel = new Fl_Button(30, 265, 80, 20, "Cancel");
  cancel->callback(cb_addCancel, &d);
  Fl_Return_Button* ok = new Fl_Return_Button(155, 265, 70, 20, "OK");
  ok->callback(cb_addOK, &d);
  d.window->end();
  d.window->set_modal();
  d.inputDescr->take_focus();
}

int pwd_add_run_window(CryptMan* cm) {
  if (!cm->CanAddPwd()) return -1;
  AddPwdDialog d;
  buildAddDialog(d);
  runModal(d.window);
  int result = -1;
  if (d.nDone == 1) {
    std::string pwd = typedPassword(d.inputA, d.inputB);
    result = cm->AddPwd(d.inputDescr->value(), pwd);
    wipe(pwd);
    if (result != 0) showAlert(cm->GetLastError());
  }
  delete d.window;
  return result;
}

static void cb_loginOK(Fl_Widget*, void* data) { static_cast<LoginDialog*>(data)->window->hide(); }

// One entry per record, at the record's index, drawn as typed. The menu is handed over as
// a table: Fl_Menu_::add would split a description at "/", read "&", "_" and "\\" in it and
// merge records of equal description into one entry; a normal label would read "&" and "@".
static void fillChoice(LoginDialog& d, const CryptMan& cm) {
  int n = cm.GetNumPwds();
  for (int i = 0; i < n; ++i) d.labels.push_back(cm.GetPwdDescr(i));
  d.entries.assign(n + 1, Fl_Menu_Item{});  // all zero; the last one ends the menu
  for (int i = 0; i < n; ++i) d.entries[i].label(rawLabelType(), d.labels[i].c_str());
  d.choice->menu(d.entries.data());
  if (n > 0) d.choice->value(0);
}

static void buildLoginDialog(LoginDialog& d, const CryptMan& cm) {
  d.window = new Fl_Double_Window(330, 425, "Decryption: Login");
  d.choice = new Fl_Choice(10, 30, 310, 20, "Password description:");
  d.choice->down_box(FL_BORDER_BOX);
  labelAbove(d.choice);
  fillChoice(d, cm);
  d.inputA = new Fl_Secret_Input(10, 80, 310, 20, "Hidden input:");
  labelAbove(d.inputA);
  d.inputB = new Fl_Multiline_Input(10, 125, 310, 250, "Visible input:");
  labelAbove(d.inputB);
  Fl_Return_Button* ok = new Fl_Return_Button(240, 390, 80, 20, "OK");
  ok->callback(cb_loginOK, &d);
  d.window->end();
  d.window->set_modal();
  d.inputA->take_focus();
}

// Closing the window counts as OK: it has no cancel button, and the password typed is
// tried however the dialog ends.
int pwd_ask_run_window(CryptMan* cm) {
  if (!cm->CanLogIn()) return cm->IsLoggedIn() ? 0 : -1;
  LoginDialog d;
  buildLoginDialog(d, *cm);
  runModal(d.window);
  std::string pwd = typedPassword(d.inputA, d.inputB);
  cm->Login(d.choice->value(), pwd.c_str());
  wipe(pwd);
  delete d.window;
  if (cm->IsLoggedIn()) return 0;
  showAlert(kWrongPassword);
  return -1;
}
