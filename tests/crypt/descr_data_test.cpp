#include "crypt/descr_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "crypt/crypt_man.h"
#include "store/text_util.h"

// A logged-in key manager with a cheap key derivation.
class DescrDataTest : public ::testing::Test {
 protected:
  DescrDataTest() : keys(2) { EXPECT_EQ(0, keys.AddPwd("test", "secret")); }

  // What the record writer would store: flags, length and bytes.
  struct Saved {
    int result, len, flags;
    std::string bytes;
  };
  Saved Save(DescrData& d, CryptMan* cm) {
    char* out = nullptr;
    int len = 0, flags = 0;
    bool mustFree = false;
    Saved s;
    s.result = d.GetDataToSave(out, len, flags, mustFree, cm);
    s.len = len;
    s.flags = flags;
    s.bytes = out ? std::string(out, len) : std::string();
    if (mustFree) free(out);
    return s;
  }
  // Reads back what Save gave, as the record reader does with a binary "d" field.
  static void ReadBack(const Saved& s, DescrData& read) {
    std::ostringstream os;
    WriteBinASCII(os, reinterpret_cast<const unsigned char*>(s.bytes.data()), s.len);
    os << '\n';
    std::istringstream is(os.str());
    read.setFlags(s.flags);
    ASSERT_EQ(0, read.ReadFromFile(s.len, is));
  }
  // A description `text` marked for encryption, saved, and read back into `read` (locked).
  Saved SaveEncryptedAndReadBack(const char* text, DescrData& read) {
    DescrData d;
    d.SetNewChar(text);
    d.SetSaveCrypt(true);
    Saved s = Save(d, &keys);
    ReadBack(s, read);
    return s;
  }
  const char* Text(DescrData& d, CryptMan* cm, int expectedResult = 0) {
    const char* out = nullptr;
    EXPECT_EQ(expectedResult, d.GetDescription(out, cm));
    return out;
  }

  CryptMan keys;
  CryptMan locked{2};
};

TEST_F(DescrDataTest, PlainTextKeepsItsNulInTheLength) {
  DescrData d;
  d.SetNewChar("0123456789");
  EXPECT_EQ(11, d.getLen());
  Saved s = Save(d, nullptr);
  EXPECT_EQ(0, s.result);
  EXPECT_EQ(11, s.len);
  EXPECT_EQ(0, s.flags);
  d.SetNewChar("");
  EXPECT_EQ(nullptr, d.getData());
  EXPECT_EQ(0, Save(d, nullptr).len);
}

TEST_F(DescrDataTest, MarkedTextIsEncryptedWhenSaved) {
  DescrData d;
  d.SetNewChar("abc");
  d.SetSaveCrypt(true);
  EXPECT_EQ(-1, Save(d, &locked).result);
  Saved s = Save(d, &keys);
  ASSERT_EQ(0, s.result);
  EXPECT_EQ(0x20006, s.flags);
  EXPECT_EQ(32, s.len);
  // The description itself stays plain in memory.
  EXPECT_STREQ("abc", Text(d, &keys));
  // Each save of a changed description encrypts with new random bytes.
  EXPECT_NE(s.bytes, Save(d, &keys).bytes);
}

TEST_F(DescrDataTest, LockUnlockEditCycle) {
  DescrData read;
  Saved s = SaveEncryptedAndReadBack("secret note", read);
  EXPECT_TRUE(read.hasOrig());
  Text(read, &locked, 1);
  // Locked: saved exactly as read.
  Saved again = Save(read, &locked);
  EXPECT_EQ(s.bytes, again.bytes);
  EXPECT_EQ(s.flags, again.flags);
  // Unlocked: readable, and an unchanged save keeps the remembered ciphertext.
  EXPECT_STREQ("secret note", Text(read, &keys));
  EXPECT_EQ(12, read.getLen());
  read.SetNewChar("secret note");
  EXPECT_EQ(s.bytes, Save(read, &keys).bytes);
  // A change drops it: the next save encrypts anew.
  read.SetNewChar("secret note!");
  EXPECT_FALSE(read.hasOrig());
  EXPECT_NE(s.bytes, Save(read, &keys).bytes);
}

TEST_F(DescrDataTest, UnmarkingWritesPlainTextOnlyWithTheKey) {
  DescrData read;
  SaveEncryptedAndReadBack("was secret", read);
  read.SetSaveCrypt(false);
  EXPECT_EQ(-1, Save(read, &locked).result);
  Saved plain = Save(read, &keys);
  EXPECT_EQ(0, plain.result);
  EXPECT_EQ(0x4, plain.flags);  // the mode bit stays with the text
  EXPECT_EQ(std::string("was secret", 11), plain.bytes);
}

TEST_F(DescrDataTest, CopiesAndEquality) {
  DescrData a;
  a.SetNewChar("same");
  DescrData b(a);
  EXPECT_TRUE(a == b);
  b.SetNewChar("other");
  EXPECT_TRUE(a != b);
  b = a;
  EXPECT_TRUE(a == b);
  DescrData empty1, empty2;
  EXPECT_TRUE(empty1 == empty2);
  EXPECT_FALSE(empty1 == a);
}
