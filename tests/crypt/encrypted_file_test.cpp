#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "document/zolt.h"
#include "test_util.h"

// Encrypted descriptions through a real master data file, with the real key derivation.
class EncryptedFileTest : public ::testing::Test {
 protected:
  // Writes a document with two passwords, an encrypted and a plain description.
  void SetUp() override {
    Zolt z;
    z.createRoot();
    ASSERT_EQ(0, z.readData(file.c_str()));
    ASSERT_EQ(0, z.getKeys().AddPwd("home", "pw one"));
    ASSERT_EQ(0, z.getKeys().AddPwd("work", "pw two"));
    ToDoListToDo* secret = z.getRoot()->newToDo();
    secret->setSyncID(2);
    secret->setSummary("secret");
    secret->setDescription("abc");
    secret->SetSaveCrypt(true);
    ToDoListToDo* plain = z.getRoot()->newToDo();
    plain->setSyncID(3);
    plain->setDescription("plain\ntext");
    ASSERT_EQ(0, z.writeData(file.c_str()));
    // Once more through a locked document, so the header holds the identifiers it read.
    ASSERT_EQ(0, Open(file)->writeData(file.c_str()));
    written = readFile(file);
  }
  std::unique_ptr<Zolt> Open(const std::string& name) {
    std::unique_ptr<Zolt> z(new Zolt());
    z->createRoot();
    EXPECT_EQ(0, z->readData(name.c_str()));
    return z;
  }
  static const char* Description(Zolt& z, int i, int expected) {
    const char* text = nullptr;
    EXPECT_EQ(expected, z.getRoot()->getToDos()[i]->GetDescription(text, &z.getKeys()));
    return text;
  }

  TempDir dir;
  std::string file = dir.file("secret.dat");
  std::string written;
};

TEST_F(EncryptedFileTest, FileHoldsTheBlockAndTheEncryptedRecord) {
  EXPECT_NE(std::string::npos, written.find("<Crypt>\n0\n"));
  EXPECT_NE(std::string::npos, written.find("\nssecret\nF2000e\nI2\nd32\n"));
  EXPECT_NE(std::string::npos, written.find("d10\nplain\ntext\n>\n"));
  EXPECT_EQ(std::string::npos, written.find("d3\nabc"));
}

TEST_F(EncryptedFileTest, ReopensLockedAndWritesBackUnchanged) {
  auto z = Open(file);
  EXPECT_TRUE(z->getKeys().CanLogIn());
  Description(*z, 0, 1);
  EXPECT_STREQ("plain\ntext", Description(*z, 1, 0));
  std::string again = dir.file("again.dat");
  ASSERT_EQ(0, z->writeData(again.c_str()));
  EXPECT_EQ(written, readFile(again));
}

TEST_F(EncryptedFileTest, EitherPasswordOpensAWrongOneDoesNot) {
  for (int i : {0, 1}) {
    auto z = Open(file);
    z->getKeys().Login(i, "wrong");
    EXPECT_FALSE(z->getKeys().IsLoggedIn());
    Description(*z, 0, 1);
    z->getKeys().Login(i, i == 0 ? "pw one" : "pw two");
    ASSERT_TRUE(z->getKeys().IsLoggedIn()) << i;
    EXPECT_STREQ("abc", Description(*z, 0, 0));
    // Unlocked and unchanged: the ciphertext as read goes back to the file.
    std::string again = dir.file("again.dat");
    ASSERT_EQ(0, z->writeData(again.c_str()));
    EXPECT_EQ(written, readFile(again));
  }
}

// An encrypted description that is no longer marked needs the key to become plain text;
// without it, the record is still written complete, holding the ciphertext.
TEST_F(EncryptedFileTest, RecordStaysCompleteWhenTheKeyIsMissing) {
  auto z = Open(file);
  z->getRoot()->getToDos()[0]->SetSaveCrypt(false);
  std::string again = dir.file("again.dat");
  testing::internal::CaptureStderr();
  ASSERT_EQ(0, z->writeData(again.c_str()));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("secret"));
  auto reread = Open(again);
  ASSERT_EQ(2u, reread->getRoot()->getToDos().size());
  reread->getKeys().Login(0, "pw one");
  EXPECT_STREQ("abc", Description(*reread, 0, 0));
}

TEST_F(EncryptedFileTest, DamagedBlocksAreRefused) {
  static const struct {
    const char* from;
    const char* to;
  } kCases[] = {
      {"<Crypt>\n0\n200000\n32\n", "<Crypt>\n0\n200000\n99999999\n"},
      {"<Crypt>\n0\n200000\n", "<Crypt>\n0\n1\n"},
      {"</Crypt>", "</Crypx>"},
  };
  for (const auto& c : kCases) {
    std::string damaged = written;
    size_t at = damaged.find(c.from);
    ASSERT_NE(std::string::npos, at) << c.from;
    damaged.replace(at, strlen(c.from), c.to);
    writeFile(file, damaged);
    Zolt z;
    z.createRoot();
    EXPECT_EQ(-1, z.readData(file.c_str())) << c.to;
  }
}
