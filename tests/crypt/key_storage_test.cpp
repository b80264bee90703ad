// A password added in the window is on disk before anything is encrypted under it: a crash
// right after must leave every encrypted description readable with it.
#include <gtest/gtest.h>
#include <stdio.h>

#include <memory>

#include "document/zolt.h"
#include "test_util.h"

class KeyStorageTest : public ::testing::Test {
 protected:
  // The document as a start reads it: master file, then the journal.
  std::unique_ptr<Zolt> Open() {
    std::unique_ptr<Zolt> z(new Zolt());
    z->createRoot();
    EXPECT_EQ(0, z->readData(file.c_str()));
    std::string error;
    EXPECT_LE(0, z->incsave_readFiles(error)) << error;
    return z;
  }
  // A new to-do with `summary`, journalled as the window does when its editor closes.
  static void NewToDo(Zolt& z, const std::string& summary, const char* secret) {
    ASSERT_EQ(0, z.newToDo(3, 0));
    z.incsave_newItem();
    z.setItemSummary(summary);
    if (secret != nullptr) {
      z.setItemDescription(secret);
      z.getCurItem()->SetSaveCrypt(true);
    }
    ASSERT_EQ(0, z.incsave_saveCurItem());
  }
  static ToDoListToDo* Find(Zolt& z, const std::string& summary) {
    for (ToDoListToDo* t : z.getRoot()->getToDos()) {
      if (t->getSummary() == summary) return t;
    }
    return nullptr;
  }
  static std::string Description(Zolt& z, const std::string& summary) {
    ToDoListToDo* t = Find(z, summary);
    const char* text = nullptr;
    if (t == nullptr || t->GetDescription(text, &z.getKeys()) != 0) return "<locked>";
    return text ? text : "";
  }

  TempDir dir;
  std::string file = dir.file("data.dat");
};

// The documents are dropped without a save, as a kill leaves them.
TEST_F(KeyStorageTest, PasswordsAddedOneAfterTheOtherSurviveACrash) {
  {
    auto z = Open();
    NewToDo(*z, "plain", nullptr);
    ASSERT_EQ(0, z->getKeys().AddPwd("home", "first"));
    ASSERT_EQ(0, z->storeAddedPasswords(0, false));
    EXPECT_NE(std::string::npos, readFile(file).find("<Crypt>")) << "the key block is on disk";
    EXPECT_NE(std::string::npos, readFile(file).find("splain\n")) << "with the journal folded in";
    EXPECT_FALSE(fileExists(file + "0"));
    NewToDo(*z, "one", "MARKER-one");
    ASSERT_TRUE(fileExists(file + "0"));
  }
  {
    auto z = Open();
    z->getKeys().Login(0, "first");
    ASSERT_TRUE(z->getKeys().IsLoggedIn());
    EXPECT_EQ("MARKER-one", Description(*z, "one"));
    ASSERT_EQ(0, z->getKeys().AddPwd("work", "second"));
    ASSERT_EQ(0, z->storeAddedPasswords(1, true));
    NewToDo(*z, "two", "MARKER-two");
  }
  auto z = Open();
  z->getKeys().Login(1, "second");
  ASSERT_TRUE(z->getKeys().IsLoggedIn()) << "the second password was kept too";
  EXPECT_EQ("MARKER-one", Description(*z, "one"));
  EXPECT_EQ("MARKER-two", Description(*z, "two"));
}

// When the master file cannot be written, the password is not kept: nothing may be
// encrypted under a key that only memory holds.
TEST_F(KeyStorageTest, APasswordThatCannotBeStoredIsDropped) {
  std::string sub = dir.file("sub");
  std::string moved = dir.file("moved");
  ASSERT_EQ(0, mkdir(sub.c_str(), 0700));
  file = sub + "/data.dat";
  {
    auto z = Open();
    ASSERT_EQ(0, z->getKeys().AddPwd("home", "first"));
    ASSERT_EQ(0, z->storeAddedPasswords(0, false));
  }
  auto z = Open();
  CryptMan& keys = z->getKeys();
  keys.Login(0, "first");
  ASSERT_EQ(0, rename(sub.c_str(), moved.c_str()));  // the file's folder is gone
  ASSERT_EQ(0, keys.AddPwd("work", "second"));
  EXPECT_EQ(-1, z->storeAddedPasswords(1, true));
  EXPECT_EQ(1, keys.GetNumPwds());
  EXPECT_TRUE(keys.IsLoggedIn()) << "the stored key stays";

  Zolt fresh;
  fresh.createRoot();
  ASSERT_EQ(0, fresh.readData(file.c_str()));  // no file there: an empty document
  ASSERT_EQ(0, fresh.getKeys().AddPwd("home", "first"));
  EXPECT_EQ(-1, fresh.storeAddedPasswords(0, false));
  EXPECT_EQ(0, fresh.getKeys().GetNumPwds());
  EXPECT_FALSE(fresh.getKeys().HasMasterKey());
  EXPECT_FALSE(fresh.getKeys().IsLoggedIn());
  EXPECT_TRUE(fresh.getKeys().CanAddPwd());
}

// A damaged key block is named as such, with what is wrong and what to do; the file stays.
TEST_F(KeyStorageTest, ADamagedKeyBlockSaysWhatIsWrongAndWhatToDo) {
  {
    auto z = Open();
    ASSERT_EQ(0, z->getKeys().AddPwd("home", "first"));
    ASSERT_EQ(0, z->storeAddedPasswords(0, false));
  }
  std::string good = readFile(file);
  size_t at = good.find("<Crypt>\n0\n");
  ASSERT_NE(std::string::npos, at);
  size_t count = at + 10;
  std::string damaged = good.substr(0, count) + "4294967298" + good.substr(good.find('\n', count));
  writeFile(file, damaged);
  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  EXPECT_NE(0, r.status);
  std::string said = r.out + r.err;
  EXPECT_NE(std::string::npos, said.find("key block")) << said;
  EXPECT_NE(std::string::npos, said.find("iteration count")) << said;
  EXPECT_NE(std::string::npos, said.find("doc/file_format.md")) << said;
  EXPECT_EQ(damaged, readFile(file)) << "the file is left as it is";
}

// Older versions wrote a note turned into a group in clear under the flags of an encrypted
// one. The first login encrypts it in the file; without a login it stays as it is.
TEST_F(KeyStorageTest, ALoginSealsANoteAnOlderVersionLeftInClear) {
  {
    auto z = Open();
    ASSERT_EQ(0, z->getKeys().AddPwd("home", "first"));
    ASSERT_EQ(0, z->storeAddedPasswords(0, false));
  }
  std::string text = readFile(file);
  size_t end = text.rfind(">\n</data>");
  ASSERT_NE(std::string::npos, end);
  text.insert(end, "t\nsold note\nF20004\nI77\nd12\nMARKER-older\n>\n");
  writeFile(file, text);
  {
    auto z = Open();
    EXPECT_EQ(0, z->sealClearDescriptions());
    EXPECT_EQ(text, readFile(file)) << "nothing can be done without the key";
    z->getKeys().Login(0, "first");
    EXPECT_EQ(0, z->sealClearDescriptions());
  }
  EXPECT_EQ(std::string::npos, readFile(file).find("MARKER")) << readFile(file);
  auto z = Open();
  z->getKeys().Login(0, "first");
  EXPECT_EQ("MARKER-older", Description(*z, "old note"));
}
