// A description that the logged-in key leaves shut (an older encryption whose decryption is
// not text, or another key's) can be opened from the list anyway, after a warning.
#include <gtest/gtest.h>
// After gtest: X11's headers, which FLTK's pull in, define names gtest uses.
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Multiline_Input.H>

#include <cstdlib>
#include <sstream>
#include <string>

#include "crypt/crypt_man.h"
#include "crypt/descr_data.h"
#include "gui/item_editor.h"
#include "gui/main_window_fixture.h"
#include "model/todo_list_todo.h"
#include "store/text_util.h"

namespace {

// Bytes that are not text, as an older encryption without a check may hold them.
const char kBinary[] = "\xff\xfe raw \x01\x02 bytes";

class ShutDescriptionWindowTest : public MainWindowTest {
 protected:
  // Gives "Call the bank" `text` encrypted the older way, saves, restarts and logs in.
  void StoreUnchecked(const char* text) {
    ASSERT_EQ(0, doc->getKeys().AddPwd("home", "pw"));
    int len = 0;
    unsigned char* cipher = doc->getKeys().Encrypt(text, len, true);
    ASSERT_NE(nullptr, cipher);
    std::ostringstream os;
    WriteBinASCII(os, cipher, len);
    os << '\n';
    free(cipher);
    std::istringstream is(os.str());
    DescrData d;
    d.setFlags(kDescrSaveCrypt | kDescrEncrypted | kDescrCbc);
    ASSERT_EQ(0, d.ReadFromFile(len, is));
    ToDoListToDo* t = toDo("Call the bank");
    ASSERT_NE(nullptr, t);
    t->setDescription(&d);
    ASSERT_EQ(0, doc->writeData(data.c_str()));
    Restart();
    doc->getKeys().Login(0, "pw");
    ASSERT_TRUE(doc->getKeys().IsLoggedIn());
    stored = readFile(data);
  }
  ToDoListToDo* toDo(const std::string& summary) {
    int line = lineOf(summary);
    if (line == 0) return nullptr;
    unsigned row = doc->getRowOrder()[line - 1];
    return static_cast<ToDoListToDo*>(doc->getRowItems()[row]);
  }
  void OpenBank() {
    Select(lineOf("Call the bank"));
    Key(FL_Right);
    ASSERT_EQ(kScreenEditBasics, win->screen());
  }
  std::string stored;
};

TEST_F(ShutDescriptionWindowTest, KeptShutTheDescriptionStaysAsStored) {
  StoreUnchecked(kBinary);
  dialogs.answers = {0};
  OpenBank();
  ASSERT_TRUE(dialogs.saw("open it anyway?"));
  EXPECT_FALSE(win->editor()->description->active());
  EXPECT_STREQ("", win->editor()->description->value());
  win->CB_Done();
  ASSERT_EQ(0, doc->writeData(data.c_str()));
  EXPECT_EQ(stored, readFile(data));
}

TEST_F(ShutDescriptionWindowTest, OpenedAnywayItShowsWhatTheKeyMakesOfIt) {
  StoreUnchecked(kBinary);
  dialogs.answers = {1};
  OpenBank();
  ASSERT_EQ(1u, dialogs.shown.size());
  EXPECT_NE(std::string::npos, dialogs.shown[0].find("may show garbage"));
  EXPECT_TRUE(win->editor()->description->active());
  EXPECT_STREQ(kBinary, win->editor()->description->value());
  EXPECT_TRUE(win->editor()->crypt->value());
  // Unchanged it is written back as it was read.
  win->CB_Done();
  ASSERT_EQ(0, doc->writeData(data.c_str()));
  EXPECT_EQ(stored, readFile(data));
}

// A note that reads as text opens without a question.
TEST_F(ShutDescriptionWindowTest, ANoteThatIsTextOpensWithoutAsking) {
  StoreUnchecked("a form\ffeed and a \x1b[1mbold\x1b[0m escape");
  OpenBank();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_STREQ("a form\ffeed and a \x1b[1mbold\x1b[0m escape", win->editor()->description->value());
}

}  // namespace
