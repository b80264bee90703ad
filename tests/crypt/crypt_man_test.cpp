// The key manager: passwords, login, the "<Crypt>" block and damaged blocks.
#include "crypt/crypt_man.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "crypt/random_source.h"
#include "crypt/sha1.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Key derivation at the default count costs about 0.1 s; tests that do not look at the
// count use this one.
constexpr int kFastIterations = 5;

bool noRandomBytes(unsigned char*, size_t) { return false; }

// A predictable source: 1, 2, 3, ... wrapping at 256.
unsigned char patternNext = 0;
bool patternBytes(unsigned char* out, size_t len) {
  for (size_t i = 0; i < len; ++i) out[i] = ++patternNext;
  return true;
}

Bytes take(unsigned char* buffer, int len) {
  Bytes bytes(buffer, buffer + len);
  free(buffer);
  return bytes;
}

Bytes sha1(const Bytes& data) {
  Bytes digest(kSha1DigestLen);
  Hash_SHA1::Digest(data.data(), static_cast<int>(data.size()), digest.data());
  return digest;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

std::string join(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& line : parts) text += line + "\n";
  return text;
}

class CryptManTest : public ::testing::Test {
 protected:
  void TearDown() override { RandomSource::setForTesting(nullptr); }

  static std::string block(CryptMan& cm) {
    std::ostringstream out;
    cm.Write(out);
    return out.str();
  }
  // Reads a block as the master file reader does: the "<Crypt>" line is already taken.
  static int load(CryptMan& cm, const std::string& text) {
    std::istringstream in(text);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ("<Crypt>", first);
    return cm.Read(in);
  }
  // A manager with one password per name in `pwds`, each described as "key <pwd>".
  static void addAll(CryptMan& cm, const std::vector<std::string>& pwds) {
    for (const std::string& pwd : pwds) ASSERT_EQ(0, cm.AddPwd("key " + pwd, pwd));
  }
  static std::string roundTrip(CryptMan& writer, CryptMan& reader, const std::string& text) {
    int len = 0;
    unsigned char* enc = writer.Encrypt(text.c_str(), len, true);
    EXPECT_NE(nullptr, enc);
    unsigned char* plain = reader.Decrypt(reinterpret_cast<char*>(enc), len, true);
    free(enc);
    if (plain == nullptr) return "<failed>";
    std::string result(reinterpret_cast<char*>(plain));
    free(plain);
    return result;
  }
};

TEST_F(CryptManTest, NewManagerHasNoMasterKey) {
  CryptMan cm(kFastIterations);
  EXPECT_TRUE(cm.CanAddPwd());
  EXPECT_FALSE(cm.CanLogIn());
  EXPECT_FALSE(cm.IsLoggedIn());
  EXPECT_FALSE(cm.IsChanged());
  EXPECT_EQ(0, cm.GetNumPwds());
  EXPECT_EQ("", block(cm));
}

TEST_F(CryptManTest, FirstPasswordCreatesAndUnlocksTheMasterKey) {
  CryptMan cm(kFastIterations);
  ASSERT_EQ(0, cm.AddPwd("work", "secret"));
  EXPECT_TRUE(cm.IsLoggedIn());
  EXPECT_TRUE(cm.IsChanged());
  EXPECT_TRUE(cm.CanAddPwd());
  EXPECT_FALSE(cm.CanLogIn());
  ASSERT_EQ(1, cm.GetNumPwds());
  EXPECT_EQ("work", cm.GetPwdDescr(0));
  PwdData* rec = cm.GetPwdData(0);
  EXPECT_EQ(32u, rec->encMKey.size());
  EXPECT_EQ(20u, rec->salt.size());
  EXPECT_EQ(12u, rec->keyTail.size());
  std::vector<std::string> text = lines(block(cm));
  ASSERT_EQ(14u, text.size());
  EXPECT_EQ("32", text[3]);  // the check data
  EXPECT_EQ("</Crypt>", text.back());
}

TEST_F(CryptManTest, WriteThenReadGivesTheSameBlock) {
  CryptMan cm(kFastIterations);
  addAll(cm, {"one", "two", "three"});
  std::string written = block(cm);
  CryptMan copy(kFastIterations + 7);
  ASSERT_EQ(0, load(copy, written));
  EXPECT_TRUE(copy.MKeyEquals(cm));
  EXPECT_EQ(kFastIterations, copy.GetHashIterations());
  ASSERT_EQ(3, copy.GetNumPwds());
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(copy.GetPwdData(i)->Equals(*cm.GetPwdData(i))) << i;
  EXPECT_TRUE(copy.CanLogIn());
  EXPECT_FALSE(copy.IsLoggedIn());
  EXPECT_FALSE(copy.IsChanged());
  EXPECT_EQ(written, block(copy));
}

TEST_F(CryptManTest, AnyRightPasswordUnlocksTheSameMasterKey) {
  CryptMan cm(kFastIterations);
  addAll(cm, {"one", "two", ""});  // an empty password is a password too
  std::string written = block(cm);
  const std::vector<std::string> pwds = {"one", "two", ""};
  for (int i = 0; i < 3; ++i) {
    CryptMan reader;
    ASSERT_EQ(0, load(reader, written));
    reader.Login(i, (pwds[i] + "x").c_str());
    EXPECT_FALSE(reader.IsLoggedIn()) << i;
    EXPECT_EQ(nullptr, reader.Decrypt("0123456789abcdef0123456789abcdef", 32, true));
    reader.Login(i, pwds[i].c_str());
    EXPECT_TRUE(reader.IsLoggedIn()) << i;
    EXPECT_EQ("a note", roundTrip(cm, reader, "a note")) << i;
    EXPECT_EQ("and back", roundTrip(reader, cm, "and back")) << i;
  }
}

TEST_F(CryptManTest, LoginOutOfRangeOrAgainstDamagedRecordsFails) {
  CryptMan cm(kFastIterations);
  addAll(cm, {"pw"});
  CryptMan reader;
  ASSERT_EQ(0, load(reader, block(cm)));
  for (int i : {-1, 1, 1000}) {
    reader.Login(i, "pw");
    EXPECT_FALSE(reader.IsLoggedIn()) << i;
  }
  reader.Login(0, nullptr);
  EXPECT_FALSE(reader.IsLoggedIn());
  // Records of other lengths than written never fit.
  PwdData* rec = reader.GetPwdData(0);
  reader.SetPwdData("short", rec->encMKey.data(), 16, rec->salt.data(), 20, rec->keyTail.data(),
                    12);
  reader.Login(1, "pw");
  EXPECT_FALSE(reader.IsLoggedIn());
  reader.Login(0, "pw");
  EXPECT_TRUE(reader.IsLoggedIn());
}

TEST_F(CryptManTest, PasswordKeyUsesTheIterationCountOfTheBlock) {
  const Bytes salt(20, 0x11), tail(12, 0x22);
  const std::string pwd = "pw";
  Bytes chain(pwd.begin(), pwd.end());
  chain.insert(chain.end(), salt.begin(), salt.end());
  Bytes h = sha1(chain);  // H1
  CryptMan cm(kFastIterations);
  addAll(cm, {"x"});
  std::vector<std::string> text = lines(block(cm));
  for (int n = 2; n <= 42; ++n) {
    text[2] = std::to_string(n);
    CryptMan reader;
    ASSERT_EQ(0, load(reader, join(text))) << n;
    ASSERT_EQ(n, reader.GetHashIterations());
    Bytes saltCopy(salt), tailCopy(tail);
    Bytes key = take(reader.DeriveKey(pwd, saltCopy, tailCopy), 32);
    EXPECT_EQ(h, Bytes(key.begin(), key.begin() + 20)) << n;  // H(n-1)
    EXPECT_EQ(tail, Bytes(key.begin() + 20, key.end())) << n;
    h = sha1(h);
  }
}

TEST_F(CryptManTest, EmptyPasswordHashesTheSaltAlone) {
  CryptMan cm(2);
  Bytes salt(20, 0x7F), tail(12, 0);
  Bytes key = take(cm.DeriveKey("", salt.data(), 20, tail.data(), 12), 32);
  EXPECT_EQ(sha1(salt), Bytes(key.begin(), key.begin() + 20));
}

TEST_F(CryptManTest, NewMasterKeyGetsAtLeast200000Iterations) {
  CryptMan cm;
  ASSERT_EQ(0, cm.AddPwd("slow", "pw"));
  EXPECT_GE(cm.GetHashIterations(), 200000);
  EXPECT_GE(atoi(lines(block(cm))[2].c_str()), 200000);
}

TEST_F(CryptManTest, BlockReadFromAFileKeepsItsCountForNewPasswords) {
  CryptMan old(42);
  addAll(old, {"first"});
  CryptMan cm;  // would give a new master key 200000
  ASSERT_EQ(0, load(cm, block(old)));
  cm.Login(0, "first");
  ASSERT_TRUE(cm.IsLoggedIn());
  ASSERT_EQ(0, cm.AddPwd("second", "pw2"));
  EXPECT_EQ("42", lines(block(cm))[2]);
  CryptMan reader;
  ASSERT_EQ(0, load(reader, block(cm)));
  reader.Login(1, "pw2");
  EXPECT_TRUE(reader.IsLoggedIn());
}

TEST_F(CryptManTest, VectorLetterForm) {
  static const struct {
    const char* text;
    Bytes bytes;
  } kCases[] = {{"3\nabcdef\n", {0x10, 0x32, 0x54}},
                {"1\nmd\n", {0x3C}},
                {"2\nappp\n", {0xF0, 0xFF}},
                {"0\n\n", {}}};
  CryptMan cm(kFastIterations);
  for (const auto& c : kCases) {
    std::istringstream in(c.text);
    Bytes read = {0x99};  // appended to, not replaced
    ASSERT_EQ(0, cm.ReadVector(in, read)) << c.text;
    Bytes expected = {0x99};
    expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(expected, read) << c.text;
    std::ostringstream out;
    Bytes copy(c.bytes);
    cm.WriteVector(out, copy);
    EXPECT_EQ(c.text, out.str());
  }
}

TEST_F(CryptManTest, DescriptionsAreTrimmedAndKeptOnOneLine) {
  static const struct {
    const char* descr;
    const char* readBack;
  } kCases[] = {{"  padded  ", "padded"},
                {"two\nlines", "two lines"},
                {"dos\r\nline", "dos  line"},
                {"</Crypt>", "</Crypt>"},
                {"", ""}};
  CryptMan cm(kFastIterations);
  for (const auto& c : kCases) ASSERT_EQ(0, cm.AddPwd(c.descr, "pw")) << c.descr;
  CryptMan reader;
  ASSERT_EQ(0, load(reader, block(cm)));
  ASSERT_EQ(5, reader.GetNumPwds());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(kCases[i].readBack, reader.GetPwdDescr(i)) << i;
  reader.Login(4, "pw");
  EXPECT_TRUE(reader.IsLoggedIn());
}

// Each case replaces line `line` of a valid block (one record) by `text`; -1 deletes it.
TEST_F(CryptManTest, DamagedBlocksAreRefused) {
  static const struct {
    int line;
    const char* text;
    const char* why;
  } kCases[] = {
      {2, "1", "iteration count below 2"},
      {2, "-200000", "negative iteration count"},
      {2, "many", "no iteration count"},
      {2, "2000001", "iteration count above kMaxHashIterations"},
      {2, "2147483647", "iteration count that would take hours"},
      {3, "31", "short check data"},
      {3, "33", "long check data"},
      {3, "-1", "negative vector count"},
      {3, "2147483647", "huge vector count"},
      {3, "4294967295", "count wrapping to -1"},
      {2, "4294967298", "iteration count wrapping to 2"},
      {2, "+200000", "iteration count with a sign"},
      {3, "4294967328", "vector count wrapping to 32"},
      {5, "4294967297", "record count wrapping to 1"},
      {4, "abc", "letters of odd length"},
      {4, "", "letters missing"},
      {5, "-1", "negative record count"},
      {5, "2", "more records than the block holds"},
      {5, "10001", "too many records"},
      {5, "2147483647", "huge record count"},
      {7, "16", "short encrypted key"},
      {9, "21", "long salt"},
      {11, "11", "short key tail"},
      {12, "aaaaaaaaaaaaaaaaaaaaaaaq", "letter outside a..p"},
      {13, "</Crypto", "damaged end line"},
      {13, nullptr, "end line missing"},
  };
  CryptMan cm(kFastIterations);
  addAll(cm, {"pw"});
  const std::vector<std::string> good = lines(block(cm));
  ASSERT_EQ(14u, good.size());
  for (const auto& c : kCases) {
    std::vector<std::string> text = good;
    if (c.text == nullptr) {
      text.erase(text.begin() + c.line);
    } else {
      text[c.line] = c.text;
    }
    CryptMan reader;
    EXPECT_EQ(-1, load(reader, join(text))) << c.why;
    EXPECT_NE("", reader.GetReadError()) << c.why;
    reader.Login(0, "pw");  // whatever was kept, nothing crashes
  }
  CryptMan empty;
  EXPECT_EQ(-1, load(empty, "<Crypt>\n"));
  EXPECT_FALSE(empty.CanLogIn());
}

TEST_F(CryptManTest, IterationCountsUpToTheBoundAreRead) {
  CryptMan cm(kFastIterations);
  addAll(cm, {"pw"});
  std::vector<std::string> text = lines(block(cm));
  for (int count : {kNewKeyIterations, kMaxHashIterations}) {
    text[2] = std::to_string(count);
    CryptMan reader;
    EXPECT_EQ(0, load(reader, join(text))) << count;
    EXPECT_EQ(count, reader.GetHashIterations());
  }
}

TEST_F(CryptManTest, RecordsReadBeforeAMissingEndLineStay) {
  CryptMan cm(kFastIterations);
  addAll(cm, {"pw"});
  std::vector<std::string> text = lines(block(cm));
  text.pop_back();
  CryptMan reader;
  EXPECT_EQ(-1, load(reader, join(text)));
  EXPECT_EQ(1, reader.GetNumPwds());
  reader.Login(0, "pw");
  EXPECT_TRUE(reader.IsLoggedIn());
}

TEST_F(CryptManTest, AddPwdWithoutRandomBytesChangesNothing) {
  RandomSource::setForTesting(noRandomBytes);
  CryptMan fresh(kFastIterations);
  EXPECT_EQ(-1, fresh.AddPwd("first", "pw"));
  EXPECT_NE("", fresh.GetLastError());
  EXPECT_FALSE(fresh.IsLoggedIn());
  EXPECT_FALSE(fresh.IsChanged());
  EXPECT_EQ(0, fresh.GetNumPwds());
  EXPECT_EQ("", block(fresh));

  RandomSource::setForTesting(nullptr);
  CryptMan cm(kFastIterations);
  addAll(cm, {"pw"});
  std::string before = block(cm);
  RandomSource::setForTesting(noRandomBytes);
  EXPECT_EQ(-1, cm.AddPwd("second", "pw2"));
  EXPECT_EQ(1, cm.GetNumPwds());
  EXPECT_EQ(before, block(cm));
}

TEST_F(CryptManTest, AddPwdWhileLockedIsRefused) {
  CryptMan cm(kFastIterations);
  addAll(cm, {"pw"});
  CryptMan reader;
  ASSERT_EQ(0, load(reader, block(cm)));
  EXPECT_FALSE(reader.CanAddPwd());
  EXPECT_EQ(-1, reader.AddPwd("intruder", "x"));
  EXPECT_NE("", reader.GetLastError());
  EXPECT_EQ(1, reader.GetNumPwds());
  EXPECT_FALSE(reader.IsChanged());
}

TEST_F(CryptManTest, EncryptionUnderTheMasterKey) {
  CryptMan cm(kFastIterations);
  int len = 0;
  EXPECT_EQ(nullptr, cm.Encrypt("text", len, true));  // no master key yet
  addAll(cm, {"pw"});
  static const struct {
    const char* text;
    bool cbc;
    int len;
  } kCases[] = {{"", true, 32},
                {"abc", true, 32},
                {"fifteen bytes..", true, 32},
                {"sixteen bytes...", true, 48},
                {"abc", false, 16}};
  for (const auto& c : kCases) {
    unsigned char* enc = cm.Encrypt(c.text, len, c.cbc);
    ASSERT_NE(nullptr, enc) << c.text;
    EXPECT_EQ(c.len, len) << c.text;
    unsigned char* plain = cm.Decrypt(reinterpret_cast<char*>(enc), len, c.cbc);
    EXPECT_STREQ(c.text, reinterpret_cast<char*>(plain)) << c.text;
    free(enc);
    free(plain);
  }
}

TEST_F(CryptManTest, EqualTextsEncryptDifferently) {
  CryptMan cm(kFastIterations);
  addAll(cm, {"pw"});
  const char* text = "Both notes begin with the same thirty-two bytes, then differ";
  int lenA = 0, lenB = 0;
  Bytes a = take(cm.Encrypt(text, lenA, true), lenA);
  Bytes b = take(cm.Encrypt(text, lenB, true), lenB);
  ASSERT_EQ(a.size(), b.size());
  for (size_t at = 0; at < a.size(); at += 16) {
    EXPECT_NE(0, memcmp(a.data() + at, b.data() + at, 16)) << "block " << at / 16;
  }
}

TEST_F(CryptManTest, DestructionWipesTheMasterKey) {
  RandomSource::setForTesting(patternBytes);
  patternNext = 0;
  Bytes masterKey(32);  // the first bytes the source hands out
  for (int i = 0; i < 32; ++i) masterKey[i] = static_cast<unsigned char>(i + 1);
  alignas(CryptMan) unsigned char storage[sizeof(CryptMan)];
  CryptMan* cm = new (storage) CryptMan(kFastIterations);
  ASSERT_EQ(0, cm->AddPwd("pw", "pw"));
  std::string held(reinterpret_cast<char*>(storage), sizeof storage);
  std::string key(masterKey.begin(), masterKey.end());
  ASSERT_NE(std::string::npos, held.find(key));
  cm->~CryptMan();
  std::string left(reinterpret_cast<char*>(storage), sizeof storage);
  EXPECT_EQ(std::string::npos, left.find(key));
}

TEST_F(CryptManTest, MasterKeysCompareByTheirCheckData) {
  CryptMan a(kFastIterations), b(kFastIterations);
  addAll(a, {"pw"});
  addAll(b, {"pw"});
  EXPECT_FALSE(a.MKeyEquals(b));
  CryptMan copy;
  ASSERT_EQ(0, load(copy, block(a)));
  EXPECT_TRUE(copy.MKeyEquals(a));
}

TEST_F(CryptManTest, ArraysAndDiagnostics) {
  CryptMan cm(kFastIterations);
  Bytes v = {0, 7, 255};
  Bytes copy = take(cm.GetArray(v), 3);
  EXPECT_EQ(v, copy);
  Bytes none;
  free(cm.GetArray(none));
  testing::internal::CaptureStdout();
  cm.PrintBin(v);
  EXPECT_EQ("0 7 255 \n", testing::internal::GetCapturedStdout());
}

}  // namespace

// The reason a block is refused names the part a person has to mend.
TEST_F(CryptManTest, ReadErrorNamesTheDamagedPart) {
  static const struct {
    int line;
    const char* text;
    const char* named;
  } kCases[] = {
      {2, "4294967298", "iteration count"},
      {3, "31", "check data"},
      {5, "x", "number of passwords"},
      {6, "home", "password 1 (\"home\")"},
      {7, "16", "encrypted master key"},
      {9, "21", "salt"},
      {11, "11", "key tail"},
      {13, "</Crypto", "</Crypt>"},
  };
  CryptMan cm(kFastIterations);
  addAll(cm, {"pw"});
  const std::vector<std::string> good = lines(block(cm));
  for (const auto& c : kCases) {
    std::vector<std::string> text = good;
    text[c.line] = c.text;
    if (c.line == 6) text[7] = "16";  // a record's name alone is never damaged
    CryptMan reader;
    EXPECT_EQ(-1, load(reader, join(text))) << c.named;
    EXPECT_NE(std::string::npos, reader.GetReadError().find(c.named)) << reader.GetReadError();
  }
  CryptMan reader;
  EXPECT_EQ(0, load(reader, join(good)));
  EXPECT_EQ("", reader.GetReadError());
}

// Checked ciphertext opens only under the master key it was made with, and only whole.
TEST_F(CryptManTest, CheckedEncryptionOpensOnlyUnderItsOwnMasterKey) {
  CryptMan cm(kFastIterations), other(kFastIterations);
  addAll(cm, {"pw"});
  addAll(other, {"pw"});
  CryptMan reread;
  ASSERT_EQ(0, load(reread, block(cm)));
  reread.Login(0, "pw");
  ASSERT_TRUE(reread.IsLoggedIn());
  for (const char* text : {"", "abc", "fifteen bytes..", "a note over several blocks of text"}) {
    int len = 0;
    unsigned char* made = cm.EncryptChecked(text, len);
    Bytes cipher = take(made, len);
    ASSERT_EQ(16 * ((strlen(text) + 1 + 15) / 16 + 1), cipher.size()) << text;
    const char* data = reinterpret_cast<const char*>(cipher.data());
    char* plain = reread.DecryptChecked(data, len);
    ASSERT_NE(nullptr, plain) << text;
    EXPECT_STREQ(text, plain);
    free(plain);
    EXPECT_EQ(nullptr, other.DecryptChecked(data, len)) << "another master key: " << text;
    for (size_t at : {size_t{3}, size_t{12}, cipher.size() - 1}) {
      Bytes damaged = cipher;
      damaged[at] ^= 0x40;
      char* bad = cm.DecryptChecked(reinterpret_cast<const char*>(damaged.data()), len);
      EXPECT_EQ(nullptr, bad) << "byte " << at << " changed: " << text;
      free(bad);
    }
  }
  CryptMan locked;
  ASSERT_EQ(0, load(locked, block(cm)));
  int len = 0;
  EXPECT_EQ(nullptr, locked.EncryptChecked("abc", len));
}

TEST_F(CryptManTest, DroppingAddedPasswordsUndoesThem) {
  CryptMan cm(kFastIterations);
  addAll(cm, {"one", "two"});
  const std::string check = lines(block(cm))[4];
  cm.DropPwdsFrom(1, false);
  ASSERT_EQ(1, cm.GetNumPwds());
  EXPECT_TRUE(cm.IsLoggedIn());
  EXPECT_EQ(check, lines(block(cm))[4]) << "the master key stays";
  cm.DropPwdsFrom(0, true);
  EXPECT_EQ(0, cm.GetNumPwds());
  EXPECT_FALSE(cm.HasMasterKey());
  EXPECT_FALSE(cm.IsLoggedIn());
  EXPECT_TRUE(cm.CanAddPwd());
  EXPECT_EQ("", block(cm));
  int len = 0;
  EXPECT_EQ(nullptr, cm.Encrypt("abc", len, true));
}
