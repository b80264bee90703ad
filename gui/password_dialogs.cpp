#include "gui/password_dialogs.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Secret_Input.H>
#include <string.h>

#include <vector>

#include "crypt/crypt_man.h"
#include "gui/fltk_dialogs.h"
#include "gui/messages.h"
#include "gui/raw_label.h"

static const char* const kEmptyPasswordRefused =
    "Please type a password: a note locked under an empty password is not protected.";
static const char* const kPasswordsDiffer =
    "The two hidden passwords differ. Type the same password in both fields: a typing "
    "mistake here would lock your notes for good.";
static const char* const kWrongPassword =
    "Wrong password for this description. Try again, or press Cancel.";
const char* const kLoginFromMenu =
    "Log in with one of your passwords to read and write encrypted descriptions.";

// Text of size 20 as in the main window; fields of one line 34 pixels high to hold it.
static const int kTextSize = 20;
static const int kFieldH = 34;
static const int kLabelH = 28;
static const int kMargin = 12;
static const int kWindowW = 440;
static const int kFieldW = kWindowW - 2 * kMargin;

namespace {

// Each run has its own set, handed to the callbacks as user data.
struct AddPwdDialog {
  Fl_Window* window = nullptr;
  Fl_Input* inputDescr = nullptr;
  Fl_Secret_Input* inputA = nullptr;
  Fl_Secret_Input* inputRepeat = nullptr;
  Fl_Input* inputB = nullptr;
  int nDone = 0;  // 1 once OK was pressed with a password
};

struct LoginDialog {
  Fl_Window* window = nullptr;
  CryptMan* cm = nullptr;  // not owned
  Fl_Choice* choice = nullptr;
  Fl_Secret_Input* inputA = nullptr;
  Fl_Input* inputB = nullptr;
  // The choice's menu and the texts it points to; both outlive the window.
  std::vector<std::string> labels;
  std::vector<Fl_Menu_Item> entries;
};

}  // namespace

// A field with its label above it, at `y` (the label's top); `y` moves below the field.
template <class T>
static T* field(int& y, int h, const char* label) {
  T* w = new T(kMargin, y + kLabelH, kFieldW, h, label);
  w->align(FL_ALIGN_TOP_LEFT);
  w->labelsize(kTextSize);
  w->textsize(kTextSize);
  y += kLabelH + h + 6;
  return w;
}

static Fl_Button* button(int x, int y, int w, const char* label, bool isDefault) {
  Fl_Button* b = isDefault ? new Fl_Return_Button(x, y, w, kFieldH, label)
                           : new Fl_Button(x, y, w, kFieldH, label);
  b->labelsize(kTextSize);
  return b;
}

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

// An empty password would lock notes under a key anyone can derive, and a hidden one typed
// wrong once would lock them for good: either keeps the dialog open. The visible input
// needs no second copy: the user sees what was typed.
static void cb_addOK(Fl_Widget*, void* data) {
  AddPwdDialog* d = static_cast<AddPwdDialog*>(data);
  if (d->inputA->size() == 0 && d->inputB->size() == 0) {
    showAlert(kEmptyPasswordRefused);
    d->inputA->take_focus();
    return;
  }
  if ((d->inputA->size() > 0 || d->inputRepeat->size() > 0) &&
      strcmp(d->inputA->value(), d->inputRepeat->value()) != 0) {
    showAlert(kPasswordsDiffer);
    d->inputRepeat->value("");
    d->inputRepeat->take_focus();
    return;
  }
  d->nDone = 1;
  d->window->hide();
}

static void buildAddDialog(AddPwdDialog& d) {
  d.window = new DialogWindow(kWindowW, 0, "Add a password");
  int y = kMargin;
  d.inputDescr = field<Fl_Input>(y, kFieldH, "Password description:");
  d.inputA = field<Fl_Secret_Input>(y, kFieldH, "Password (hidden input):");
  d.inputRepeat = field<Fl_Secret_Input>(y, kFieldH, "Repeat the hidden password:");
  d.inputB = field<Fl_Input>(y, kFieldH, "Or the password (visible input):");
  y += 6;
  Fl_Button* cancel = button(kMargin, y, 110, "Cancel", false);
  cancel->callback(cb_addCancel, &d);
  Fl_Button* ok = button(kWindowW - kMargin - 110, y, 110, "OK", true);
  ok->callback(cb_addOK, &d);
  d.window->end();
  d.window->size(kWindowW, y + kFieldH + kMargin);
  d.window->set_modal();
  d.window->hotspot(d.window);
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

// Cancel, Escape and the close box leave without trying a password.
static void cb_loginCancel(Fl_Widget*, void* data) {
  static_cast<LoginDialog*>(data)->window->hide();
}

// Both password fields once took several lines, so a password stored earlier may end in the
// line break that Enter added there: typing the line alone opens it too.
static void tryLogin(LoginDialog* d, std::string& pwd) {
  d->cm->Login(d->choice->value(), pwd.c_str());
  if (d->cm->IsLoggedIn() || pwd.empty()) return;
  pwd += '\n';
  d->cm->Login(d->choice->value(), pwd.c_str());
}

// A wrong password keeps the dialog open for another try.
static void cb_loginOK(Fl_Widget*, void* data) {
  LoginDialog* d = static_cast<LoginDialog*>(data);
  std::string pwd = typedPassword(d->inputA, d->inputB);
  tryLogin(d, pwd);
  wipe(pwd);
  if (d->cm->IsLoggedIn()) {
    d->window->hide();
    return;
  }
  showAlert(kWrongPassword);
  d->inputA->value("");
  d->inputA->take_focus();
}

// One entry per record, at the record's index, drawn as typed. The menu is handed over as
// a table: Fl_Menu_::add would split a description at "/", read "&", "_" and "\\" in it and
// merge records of equal description into one entry; a normal label would read "&" and "@".
static void fillChoice(LoginDialog& d, const CryptMan& cm) {
  int n = cm.GetNumPwds();
  for (int i = 0; i < n; ++i) d.labels.push_back(cm.GetPwdDescr(i));
  d.entries.assign(n + 1, Fl_Menu_Item{});  // all zero; the last one ends the menu
  for (int i = 0; i < n; ++i) {
    d.entries[i].label(rawLabelType(), d.labels[i].c_str());
    d.entries[i].labelsize(kTextSize);
  }
  d.choice->menu(d.entries.data());
  if (n > 0) d.choice->value(0);
}

static void buildLoginDialog(LoginDialog& d, const std::string& reason) {
  d.window = new DialogWindow(kWindowW, 0, "Log in to encrypted descriptions");
  d.window->callback(cb_loginCancel, &d);
  Fl_Box* why = new Fl_Box(kMargin, kMargin, kFieldW, 76);
  why->copy_label(reason.c_str());
  why->labeltype(rawLabelType());
  why->labelsize(kTextSize);
  why->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  int y = kMargin + 76;
  d.choice = field<Fl_Choice>(y, kFieldH, "Password description:");
  d.choice->down_box(FL_BORDER_BOX);
  fillChoice(d, *d.cm);
  d.inputA = field<Fl_Secret_Input>(y, kFieldH, "Password (hidden input):");
  d.inputB = field<Fl_Input>(y, kFieldH, "Or the password (visible input):");
  y += 6;
  Fl_Button* cancel = button(kMargin, y, 110, "Cancel", false);
  cancel->callback(cb_loginCancel, &d);
  Fl_Button* ok = button(kWindowW - kMargin - 110, y, 110, "OK", true);
  ok->callback(cb_loginOK, &d);
  d.window->end();
  d.window->size(kWindowW, y + kFieldH + kMargin);
  d.window->set_modal();
  d.window->hotspot(d.window);
  d.inputA->take_focus();
}

int pwd_ask_run_window(CryptMan* cm, const std::string& reason) {
  if (!cm->CanLogIn()) return cm->IsLoggedIn() ? 0 : -1;
  LoginDialog d;
  d.cm = cm;
  buildLoginDialog(d, reason.empty() ? std::string(kLoginFromMenu) : reason);
  runModal(d.window);
  delete d.window;
  return cm->IsLoggedIn() ? 0 : -1;
}
