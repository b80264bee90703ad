// The add-password and login dialogs, driven through the scripted dialog seam, over a
// real key manager.
#include "gui/password_dialogs.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>
#include <string.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "crypt/crypt_man.h"
#include "gui/raw_label.h"
#include "gui/scripted_dialogs.h"

namespace {

// Key derivation at the default count is slow; these tests do not look at the count.
constexpr int kFastIterations = 2;

// The dialog's child with this label, or null.
template <class T>
T* child(Fl_Window* window, const char* label) {
  for (int i = 0; i < window->children(); ++i) {
    Fl_Widget* w = window->child(i);
    if (w->label() != nullptr && strcmp(w->label(), label) == 0) return dynamic_cast<T*>(w);
  }
  return nullptr;
}

// What a person does in a dialog: fill the inputs, then press a button (or close it).
struct Typing {
  const char* descr;  // null: leave the description alone (login dialog)
  const char* hidden;
  const char* visible;
};

const char* const kHidden = "Password (hidden input):";
const char* const kRepeat = "Repeat the hidden password:";
const char* const kVisible = "Or the password (visible input):";

// The add dialog's hidden password is typed twice, the same both times unless `repeat` says
// otherwise.
void type(Fl_Window* w, const Typing& t, const char* repeat = nullptr) {
  if (t.descr != nullptr) child<Fl_Input_>(w, "Password description:")->value(t.descr);
  child<Fl_Input_>(w, kHidden)->value(t.hidden);
  child<Fl_Input_>(w, kVisible)->value(t.visible);
  Fl_Input_* again = child<Fl_Input_>(w, kRepeat);
  if (again) again->value(repeat ? repeat : t.hidden);
}

void press(Fl_Window* w, const char* button) {
  Fl_Button* b = child<Fl_Button>(w, button);
  ASSERT_NE(b, nullptr) << button;
  b->do_callback();
}

class PasswordDialogsTest : public ::testing::Test {
 protected:
  // A manager as read from a data file whose passwords are pw0, pw1, ... with the given
  // descriptions: locked.
  std::unique_ptr<CryptMan> lockedWith(const std::vector<std::string>& descrs) {
    CryptMan maker(kFastIterations);
    for (size_t i = 0; i < descrs.size(); ++i) {
      EXPECT_EQ(maker.AddPwd(descrs[i], "pw" + std::to_string(i)), 0);
    }
    return reloaded(maker);
  }

  static std::unique_ptr<CryptMan> reloaded(CryptMan& cm) {
    std::stringstream block;
    cm.Write(block);
    std::string crypt;
    std::getline(block, crypt);
    auto read = std::make_unique<CryptMan>(kFastIterations);
    EXPECT_EQ(read->Read(block), 0);
    return read;
  }

  // Runs the login dialog on `cm`, choosing entry `entry` and typing `t`, then OK.
  int login(CryptMan& cm, int entry, const Typing& t) {
    dialogs.onModal = [&](Fl_Window* w) {
      child<Fl_Choice>(w, "Password description:")->value(entry);
      type(w, t);
      press(w, "OK");
    };
    return pwd_ask_run_window(&cm);
  }

  ScriptedDialogs dialogs;
};

TEST_F(PasswordDialogsTest, AddsThePasswordTyped) {
  // The hidden input wins; the visible one serves when it is empty.
  static const struct {
    Typing typed;
    const char* password;
  } kCases[] = {
      {{"home", "secret", ""}, "secret"},
      {{"home", "secret", "other"}, "secret"},
      {{"home", "", "two\nlines"}, "two\nlines"},
  };
  for (const auto& c : kCases) {
    CryptMan cm(kFastIterations);
    std::string title;
    dialogs.onModal = [&](Fl_Window* w) {
      title = w->label();
      type(w, c.typed);
      press(w, "OK");
      EXPECT_FALSE(w->shown()) << c.password;
    };
    EXPECT_EQ(pwd_add_run_window(&cm), 0) << c.password;
    EXPECT_EQ(title, "Add a password");
    ASSERT_EQ(cm.GetNumPwds(), 1) << c.password;
    EXPECT_EQ(cm.GetPwdDescr(0), "home");
    EXPECT_TRUE(cm.IsLoggedIn());

    std::unique_ptr<CryptMan> read = reloaded(cm);
    read->Login(0, c.password);
    EXPECT_TRUE(read->IsLoggedIn()) << c.password;
  }
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PasswordDialogsTest, CancelAddsNothing) {
  CryptMan cm(kFastIterations);
  dialogs.onModal = [](Fl_Window* w) {
    type(w, {"home", "secret", ""});
    press(w, "Cancel");
  };
  EXPECT_EQ(pwd_add_run_window(&cm), -1);
  EXPECT_EQ(cm.GetNumPwds(), 0);
  EXPECT_FALSE(cm.CanLogIn());
}

TEST_F(PasswordDialogsTest, EmptyPasswordIsRefusedAndTheDialogStaysOpen) {
  CryptMan cm(kFastIterations);
  bool openAfterRefusal = false;
  dialogs.onModal = [&](Fl_Window* w) {
    type(w, {"home", "", ""});
    press(w, "OK");
    openAfterRefusal = w->shown();
    type(w, {"home", "late", ""});
    press(w, "OK");
  };
  EXPECT_EQ(pwd_add_run_window(&cm), 0);
  EXPECT_TRUE(openAfterRefusal);
  EXPECT_TRUE(dialogs.saw("alert: Please type a password"));
  EXPECT_EQ(cm.GetNumPwds(), 1);
}

TEST_F(PasswordDialogsTest, EmptyPasswordThenCancelAddsNothing) {
  CryptMan cm(kFastIterations);
  dialogs.onModal = [](Fl_Window* w) {
    press(w, "OK");
    press(w, "Cancel");
  };
  EXPECT_EQ(pwd_add_run_window(&cm), -1);
  EXPECT_EQ(cm.GetNumPwds(), 0);
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(PasswordDialogsTest, AddIsNotOfferedWhileLocked) {
  std::unique_ptr<CryptMan> cm = lockedWith({"home"});
  bool shown = false;
  dialogs.onModal = [&](Fl_Window*) { shown = true; };
  EXPECT_EQ(pwd_add_run_window(cm.get()), -1);
  EXPECT_FALSE(shown);
  EXPECT_EQ(cm->GetNumPwds(), 1);
}

TEST_F(PasswordDialogsTest, RightPasswordLogsIn) {
  std::unique_ptr<CryptMan> cm = lockedWith({"home", "work"});
  std::string title;
  dialogs.onModal = [&](Fl_Window* w) {
    title = w->label();
    child<Fl_Choice>(w, "Password description:")->value(1);
    type(w, {nullptr, "pw1", "not this"});
    press(w, "OK");
  };
  EXPECT_EQ(pwd_ask_run_window(cm.get()), 0);
  EXPECT_EQ(title, "Log in to encrypted descriptions");
  EXPECT_TRUE(cm->IsLoggedIn());
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PasswordDialogsTest, WrongPasswordSaysSoAndALaterRightOneWorks) {
  std::unique_ptr<CryptMan> cm = lockedWith({"home", "work"});
  EXPECT_EQ(login(*cm, 0, {nullptr, "pw1", ""}), -1);
  EXPECT_FALSE(cm->IsLoggedIn());
  EXPECT_TRUE(cm->CanLogIn());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].rfind("alert: Wrong password", 0), 0u) << dialogs.shown[0];

  EXPECT_EQ(login(*cm, 0, {nullptr, "", "pw0"}), 0);
  EXPECT_TRUE(cm->IsLoggedIn());
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

// A wrong password keeps the dialog open for another try, with the hidden input emptied.
TEST_F(PasswordDialogsTest, AWrongPasswordKeepsTheLoginOpenForAnotherTry) {
  std::unique_ptr<CryptMan> cm = lockedWith({"home"});
  bool openAfterWrong = false;
  std::string hiddenAfterWrong;
  dialogs.onModal = [&](Fl_Window* w) {
    type(w, {nullptr, "wrong", ""});
    press(w, "OK");
    openAfterWrong = w->shown();
    hiddenAfterWrong = child<Fl_Input_>(w, kHidden)->value();
    type(w, {nullptr, "pw0", ""});
    press(w, "OK");
    EXPECT_FALSE(w->shown());
  };
  EXPECT_EQ(pwd_ask_run_window(cm.get()), 0);
  EXPECT_TRUE(openAfterWrong);
  EXPECT_EQ("", hiddenAfterWrong);
  EXPECT_TRUE(cm->IsLoggedIn());
}

// Both dialogs' password fields take one line, so Enter in them presses OK.
TEST_F(PasswordDialogsTest, PasswordFieldsTakeOneLine) {
  std::unique_ptr<CryptMan> cm = lockedWith({"home"});
  CryptMan empty(kFastIterations);
  int checked = 0;
  dialogs.onModal = [&](Fl_Window* w) {
    for (const char* label : {kHidden, kVisible}) {
      Fl_Input_* in = child<Fl_Input_>(w, label);
      ASSERT_NE(in, nullptr) << label;
      EXPECT_NE(in->input_type(), FL_MULTILINE_INPUT) << label;
      ++checked;
    }
    endDialog(w, "Cancel");
  };
  pwd_ask_run_window(cm.get());
  pwd_add_run_window(&empty);
  EXPECT_EQ(checked, 4);
}

// A password stored while the visible field took several lines may end in a line break;
// the line typed without it opens it, in either field. Nothing else is tried.
TEST_F(PasswordDialogsTest, APasswordStoredWithALineBreakAtItsEndOpensWithTheLineAlone) {
  static const struct {
    const char* stored;
    Typing typed;
    bool opens;
  } kCases[] = {
      {"pw\n", {nullptr, "pw", ""}, true},         {"pw\n", {nullptr, "", "pw"}, true},
      {"pw", {nullptr, "pw", ""}, true},           {"pw\n\n", {nullptr, "pw", ""}, false},
      {"pw\n", {nullptr, "p", ""}, false},         {"\n", {nullptr, "", ""}, false},
      {"two\nlines", {nullptr, "two", ""}, false},
  };
  for (const auto& c : kCases) {
    CryptMan maker(kFastIterations);
    ASSERT_EQ(maker.AddPwd("home", c.stored), 0);
    std::unique_ptr<CryptMan> cm = reloaded(maker);
    dialogs.onModal = [&](Fl_Window* w) {
      type(w, c.typed);
      press(w, "OK");
      if (w->shown()) endDialog(w, "Cancel");
    };
    EXPECT_EQ(pwd_ask_run_window(cm.get()), c.opens ? 0 : -1) << c.stored;
    EXPECT_EQ(cm->IsLoggedIn(), c.opens) << c.stored;
  }
}

// Cancel, Escape and the close box leave the login without trying what was typed.
TEST_F(PasswordDialogsTest, TheLoginCanBeCancelled) {
  for (const char* how : {"Cancel", "Escape", "close box"}) {
    std::unique_ptr<CryptMan> cm = lockedWith({"home"});
    dialogs.onModal = [&](Fl_Window* w) {
      type(w, {nullptr, "pw0", ""});
      endDialog(w, how);
      EXPECT_FALSE(w->shown()) << how;
    };
    EXPECT_EQ(pwd_ask_run_window(cm.get()), -1) << how;
    EXPECT_FALSE(cm->IsLoggedIn()) << how;
  }
  EXPECT_TRUE(dialogs.shown.empty()) << "a cancelled login is no wrong password";
}

// The login says why it appeared: the caller's reason, or the menu's general text.
TEST_F(PasswordDialogsTest, TheLoginSaysWhyItAppeared) {
  for (const std::string& reason :
       {std::string("The description of \"Bank\" is encrypted."), std::string()}) {
    std::unique_ptr<CryptMan> cm = lockedWith({"home"});
    bool said = false;
    dialogs.onModal = [&](Fl_Window* w) {
      const std::string expected = reason.empty() ? kLoginFromMenu : reason;
      said = child<Fl_Widget>(w, expected.c_str()) != nullptr;
      endDialog(w, "Cancel");
    };
    pwd_ask_run_window(cm.get(), reason);
    EXPECT_TRUE(said) << reason;
  }
}

// Every text of both dialogs is as large as the main window's (20 pixels).
TEST_F(PasswordDialogsTest, TextIsOfTheMainWindowsSize) {
  std::unique_ptr<CryptMan> cm = lockedWith({"home"});
  CryptMan empty(kFastIterations);
  int checked = 0;
  dialogs.onModal = [&](Fl_Window* w) {
    for (int i = 0; i < w->children(); ++i) {
      Fl_Widget* c = w->child(i);
      EXPECT_EQ(20, c->labelsize()) << (c->label() ? c->label() : "");
      Fl_Input_* in = dynamic_cast<Fl_Input_*>(c);
      if (in) {
        EXPECT_EQ(20, in->textsize()) << in->label();
      }
      ++checked;
    }
    endDialog(w, "Cancel");
  };
  pwd_ask_run_window(cm.get());
  pwd_add_run_window(&empty);
  EXPECT_GE(checked, 10);
}

TEST_F(PasswordDialogsTest, TwoDifferentHiddenPasswordsAreRefusedAndTheDialogStaysOpen) {
  CryptMan cm(kFastIterations);
  bool openAfterMismatch = false;
  dialogs.onModal = [&](Fl_Window* w) {
    type(w, {"home", "secret", ""}, "secrte");
    press(w, "OK");
    openAfterMismatch = w->shown();
    type(w, {"home", "secret", ""});
    press(w, "OK");
  };
  EXPECT_EQ(pwd_add_run_window(&cm), 0);
  EXPECT_TRUE(openAfterMismatch);
  EXPECT_TRUE(dialogs.saw("alert: The two hidden passwords differ"));
  std::unique_ptr<CryptMan> read = reloaded(cm);
  read->Login(0, "secret");
  EXPECT_TRUE(read->IsLoggedIn());
}

TEST_F(PasswordDialogsTest, LoginIsNotOfferedWithoutALockedKey) {
  bool shown = false;
  dialogs.onModal = [&](Fl_Window*) { shown = true; };
  CryptMan none(kFastIterations);
  EXPECT_EQ(pwd_ask_run_window(&none), -1);
  CryptMan open(kFastIterations);
  ASSERT_EQ(open.AddPwd("home", "pw"), 0);
  EXPECT_EQ(pwd_ask_run_window(&open), 0);
  EXPECT_FALSE(shown);
  EXPECT_TRUE(dialogs.shown.empty());
}

// Descriptions reach the choice unparsed: each record is one entry, at its index, whose
// label is the description drawn as typed, and choosing it logs in with that record.
TEST_F(PasswordDialogsTest, EveryDescriptionIsOneEntryAtItsIndex) {
  const std::vector<std::string> descrs = {"home/work", "R&D",  "@home", "mail@host", "a\\b",
                                           "_private",  "same", "same",  "",          "x/&_@"};
  for (size_t i = 0; i < descrs.size(); ++i) {
    std::unique_ptr<CryptMan> cm = lockedWith(descrs);
    std::vector<std::string> texts;
    dialogs.onModal = [&](Fl_Window* w) {
      Fl_Choice* choice = child<Fl_Choice>(w, "Password description:");
      EXPECT_EQ(choice->value(), 0);
      for (int e = 0; e + 1 < choice->size(); ++e) {
        EXPECT_EQ(choice->menu()[e].flags, 0) << e;
        EXPECT_EQ(choice->menu()[e].labeltype(), rawLabelType()) << e;
        texts.push_back(choice->text(e));
      }
      choice->value(static_cast<int>(i));
      type(w, {nullptr, ("pw" + std::to_string(i)).c_str(), ""});
      press(w, "OK");
    };
    EXPECT_EQ(pwd_ask_run_window(cm.get()), 0) << descrs[i];
    ASSERT_EQ(texts.size(), descrs.size());
    for (size_t e = 0; e < descrs.size(); ++e) {
      EXPECT_EQ(texts[e], descrs[e]);
    }
  }
  EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
