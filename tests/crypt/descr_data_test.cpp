#include "crypt/descr_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

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
  EXPECT_EQ(kDescrSaveCrypt | kDescrEncrypted | kDescrCbc | kDescrChecked, s.flags);
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

// A copy keeps the ciphertext its original was read with: saved without a login or with
// one, it is those bytes, never the decrypted text.
TEST_F(DescrDataTest, CopyOfAnUnlockedDescriptionIsSavedAsItsCiphertext) {
  DescrData read;
  Saved s = SaveEncryptedAndReadBack("MARKER-7f3a", read);
  EXPECT_STREQ("MARKER-7f3a", Text(read, &keys));  // unlocked: plain in memory
  DescrData constructed(read);
  DescrData assigned;
  assigned = read;
  for (DescrData* copy : {&constructed, &assigned}) {
    for (CryptMan* cm : {&locked, &keys}) {
      Saved c = Save(*copy, cm);
      EXPECT_EQ(0, c.result);
      EXPECT_EQ(s.bytes, c.bytes);
      EXPECT_EQ(s.flags, c.flags);
    }
    EXPECT_STREQ("MARKER-7f3a", Text(*copy, &keys));
  }
}

// A description marked for encryption but not yet stored has no ciphertext to remember:
// its copy is encrypted when saved, and without the key it is not saved in clear.
TEST_F(DescrDataTest, CopyOfAMarkedDescriptionIsEncryptedWhenSaved) {
  DescrData d;
  d.SetNewChar("MARKER-7f3a");
  d.SetSaveCrypt(true);
  DescrData copy(d);
  EXPECT_FALSE(copy.hasOrig());
  EXPECT_EQ(-1, Save(copy, &locked).result);
  Saved s = Save(copy, &keys);
  ASSERT_EQ(0, s.result);
  EXPECT_TRUE(s.flags & kDescrEncrypted);
  EXPECT_EQ(std::string::npos, s.bytes.find("MARKER"));
}

// Ciphertext made under another master key (a key block lost in a crash, a note pasted
// from another file) or damaged stays ciphertext after a login, and is written back as read.
TEST_F(DescrDataTest, AKeyThatDoesNotFitLeavesTheCiphertext) {
  CryptMan other(2);
  ASSERT_EQ(0, other.AddPwd("other", "secret"));
  DescrData read;
  Saved s = SaveEncryptedAndReadBack("abc", read);
  Text(read, &other, 1);  // still ciphertext: not to be shown
  EXPECT_TRUE(read.getFlags() & kDescrEncrypted);
  Saved again = Save(read, &other);
  EXPECT_EQ(s.bytes, again.bytes);
  EXPECT_EQ(s.flags, again.flags);

  Saved damaged = s;
  damaged.bytes[20] ^= 1;
  DescrData bad;
  ReadBack(damaged, bad);
  Text(bad, &keys, 1);
  EXPECT_STREQ("abc", Text(read, &keys)) << "the right key still opens it";
}

// Descriptions encrypted before the check existed are opened when their decryption is text
// (UTF-8 with any control character but NUL, or clean Latin-1), and left shut otherwise.
TEST_F(DescrDataTest, UncheckedCiphertextOpensWhenItLooksLikeText) {
  static const struct {
    const char* text;
    bool opens;
  } kCases[] = {
      {"a note of several lines\n\twith a tab\r\n", true},
      {"Gr\xc3\xbc\xc3\x9f"
       "e aus K\xc3\xb6ln",
       true},  // UTF-8
      {"Caf\xe9 cr\xe8me br\xfbl\xe9"
       "e, twice",
       true},  // Latin-1 from older files
      {"bell\a in the text", true},
      {"a vertical\vtab and a form\ffeed", true},
      {"\x1b[1;31mpasted from a terminal\x1b[0m", true},
      {"\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1", true},  // a last character cut short
      {"\xe9\xe8\xfb\xe9\xe9\xe8\xfb\xe9 ab", false},          // mostly bytes above 127, not UTF-8
      {"Caf\xe9\x01 with a control character, not UTF-8", false},
      {"", false},  // never stored: what another key gives once in 256 tries
  };
  for (const auto& c : kCases) {
    int len = 0;
    unsigned char* cipher = keys.Encrypt(c.text, len, true);
    ASSERT_NE(nullptr, cipher);
    Saved s{0, len, kDescrSaveCrypt | kDescrEncrypted | kDescrCbc,
            std::string(reinterpret_cast<char*>(cipher), len)};
    free(cipher);
    DescrData read;
    ReadBack(s, read);
    const char* out = Text(read, &keys, c.opens ? 0 : 1);
    if (c.opens) {
      EXPECT_STREQ(c.text, out);
    }
    // Another key's decryption of a text over several blocks never looks like text.
    CryptMan other(2);
    ASSERT_EQ(0, other.AddPwd("other", "pw"));
    DescrData shut;
    ReadBack(s, shut);
    if (strlen(c.text) > 16) Text(shut, &other, 1);
  }
}

// Text fields of every size are read in one piece, short ones into the load's arena, long
// ones into a block of their own; each keeps its bytes and a NUL, and can be replaced,
// copied and freed like any other (a block freed the wrong way ends the test run).
TEST_F(DescrDataTest, TextFieldsOfEverySizeAreReadWhole) {
  for (int n : {0, 1, 40, 4095, 4096, 4097, 65536, 65537, 200000}) {
    std::string text;
    for (int i = 0; i < n; ++i) text += static_cast<char>('a' + (i * 7 + n) % 26);
    std::istringstream is(text + "\n>\n");
    DescrData d;
    ASSERT_EQ(0, d.ReadFromFile(n, is)) << n;
    EXPECT_EQ(n + 1, d.getLen()) << n;
    ASSERT_NE(nullptr, d.getData()) << n;
    EXPECT_EQ(text, std::string(d.getData(), n)) << n;
    EXPECT_EQ('\0', d.getData()[n]) << n;
    EXPECT_EQ('>', is.get()) << n << ": the line end behind the field is read";
    DescrData copy(d);
    EXPECT_TRUE(copy == d) << n;
    d.SetNewChar("replaced");
    EXPECT_STREQ("replaced", Text(d, nullptr));
    EXPECT_EQ(text, std::string(copy.getData(), n)) << n;
  }
}

TEST_F(DescrDataTest, TextFieldCutShortIsRefused) {
  for (int n : {10, 5000, 70000}) {
    std::istringstream is(std::string(static_cast<size_t>(n - 3), 'x'));
    DescrData d;
    EXPECT_EQ(-1, d.ReadFromFile(n, is)) << n;
    EXPECT_EQ(nullptr, d.getData()) << n;
    // What follows in the arena is not disturbed by the failed read.
    std::istringstream next("next\n");
    ASSERT_EQ(0, d.ReadFromFile(4, next)) << n;
    EXPECT_STREQ("next", Text(d, nullptr));
  }
}

// A checked description read under another file's master key stays shut, however often it
// is tried: its decryption is random bytes, which now and then look like a short text.
TEST_F(DescrDataTest, CheckedDescriptionNeverOpensUnderAnotherKey) {
  constexpr int kKeys = 3000;
  int tried = 0;
  for (int i = 0; i < kKeys; ++i) {
    CryptMan other(2);
    ASSERT_EQ(0, other.AddPwd("other", "pw"));
    DescrData read;
    Saved s = SaveEncryptedAndReadBack(i % 2 ? "x" : "a short note", read);
    ASSERT_EQ(32, s.len);  // one block of text: the likeliest to pass for text by chance
    const char* out = Text(read, &other, 1);
    ASSERT_EQ(s.bytes, std::string(out, s.len)) << "key " << i << " opened it";
    ASSERT_TRUE(read.getFlags() & kDescrEncrypted) << i;
    ++tried;
  }
  EXPECT_EQ(kKeys, tried);
}

// Whatever a checked description holds, its own key opens it whole: the check vouches for
// it, so its bytes need not look like text.
TEST_F(DescrDataTest, CheckedDescriptionAlwaysOpensUnderItsOwnKey) {
  std::vector<std::string> texts = {"",
                                    "\f",
                                    "form\ffeed",
                                    "\v\x1b[31mred\x1b[0m\a\b",
                                    "\xff\xfe",
                                    "cut \xc3",
                                    std::string(100000, 'x')};
  std::string controls;
  for (int c = 1; c < 32; ++c) controls += static_cast<char>(c);
  texts.push_back(controls + "\x7f");
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  texts.push_back(every);
  // Random bytes (no NUL: the text ends there) of every length up to four blocks.
  unsigned seed = 12345;
  for (int i = 0; i < 2000; ++i) {
    std::string t;
    for (int n = i % 64; n > 0; --n) {
      seed = seed * 1103515245u + 12345u;
      t += static_cast<char>(1 + (seed >> 16) % 255);
    }
    texts.push_back(t);
  }
  int opened = 0;
  for (const std::string& text : texts) {
    int len = 0;
    unsigned char* cipher = keys.EncryptChecked(text.c_str(), len);
    ASSERT_NE(nullptr, cipher);
    Saved s{0, len, kDescrSaveCrypt | kDescrEncrypted | kDescrCbc | kDescrChecked,
            std::string(reinterpret_cast<char*>(cipher), len)};
    free(cipher);
    DescrData read;
    ReadBack(s, read);
    const char* out = Text(read, &keys);
    ASSERT_NE(nullptr, out) << testing::PrintToString(text.substr(0, 40));
    ASSERT_EQ(text, out) << testing::PrintToString(text.substr(0, 40));
    ++opened;
  }
  EXPECT_EQ(static_cast<int>(texts.size()), opened);
}

// A description the key leaves shut can be opened anyway on the user's word: the text is
// what the key makes of it, and unchanged it is still saved as the ciphertext it was read as.
TEST_F(DescrDataTest, AShutDescriptionOpensAnywayAndKeepsItsCiphertext) {
  static const char* const kTexts[] = {"\xff\xfe binary \x01", "abc"};
  for (const char* text : kTexts) {
    int len = 0;
    unsigned char* cipher = keys.Encrypt(text, len, true);
    ASSERT_NE(nullptr, cipher);
    Saved s{0, len, kDescrSaveCrypt | kDescrEncrypted | kDescrCbc,
            std::string(reinterpret_cast<char*>(cipher), len)};
    free(cipher);
    DescrData read;
    ReadBack(s, read);
    EXPECT_EQ(-1, read.OpenAnyway(&locked)) << text;
    if (strcmp(text, "abc") != 0) Text(read, &keys, 1);
    ASSERT_EQ(0, read.OpenAnyway(&keys)) << text;
    EXPECT_STREQ(text, Text(read, &keys));
    EXPECT_EQ(-1, read.OpenAnyway(&keys)) << "already open";
    read.SetNewChar(text);
    Saved again = Save(read, &keys);
    EXPECT_EQ(s.bytes, again.bytes) << text;
    EXPECT_EQ(s.flags, again.flags) << text;
  }
  // Under another key it opens as whatever that key makes of it, never past the bytes.
  CryptMan other(2);
  ASSERT_EQ(0, other.AddPwd("other", "pw"));
  DescrData read;
  Saved s = SaveEncryptedAndReadBack(std::string(40, 'z').c_str(), read);
  ASSERT_EQ(0, read.OpenAnyway(&other));
  EXPECT_LE(read.getLen(), s.len - 16 + 1);  // at most every decrypted byte, and a NUL
  EXPECT_EQ(static_cast<int>(strlen(read.getData())) + 1, read.getLen());
  EXPECT_EQ(s.bytes, Save(read, &other).bytes);
}
