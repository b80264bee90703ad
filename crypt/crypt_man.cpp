#include "crypt/crypt_man.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <climits>

#include "crypt/random_source.h"
#include "crypt/sha1.h"
#include "crypt/twofish.h"
#include "store/text_util.h"

static std::vector<unsigned char> toVector(const unsigned char* data, int len) {
  if (data == nullptr || len <= 0) return {};
  return std::vector<unsigned char>(data, data + len);
}

// A record description is one line of the block.
static std::string oneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

static void wipeAndFree(unsigned char* buffer, int len) {
  if (buffer != nullptr) explicit_bzero(buffer, len);
  free(buffer);
}

static void wipeString(std::string& s) {
  if (!s.empty()) explicit_bzero(&s[0], s.size());
}

PwdData::PwdData(std::string descr, const unsigned char* encMKey, int encLen,
                 const unsigned char* salt, int saltLen, const unsigned char* tail, int tailLen)
    : descr(std::move(descr)),
      encMKey(toVector(encMKey, encLen)),
      salt(toVector(salt, saltLen)),
      keyTail(toVector(tail, tailLen)) {}

bool PwdData::Equals(const PwdData& other) const {
  return descr == other.descr && encMKey == other.encMKey && salt == other.salt &&
         keyTail == other.keyTail;
}

CryptMan::CryptMan(int newKeyIterations)
    : hashIterations(newKeyIterations < 2 ? 2 : newKeyIterations),
      newKeyIterations(newKeyIterations < 2 ? 2 : newKeyIterations) {
  memset(mKey, 0, sizeof mKey);
}

CryptMan::~CryptMan() { explicit_bzero(mKey, sizeof mKey); }

unsigned char* CryptMan::deriveKey(const std::string& pwd, const unsigned char* salt, int saltLen,
                                   const unsigned char* tail, int tailLen, int iterations) {
  unsigned char* key = static_cast<unsigned char*>(malloc(kMasterKeyLen));
  Hash_SHA1 hash;
  hash.Update(pwd);
  if (salt != nullptr) hash.Update(reinterpret_cast<const char*>(salt), saltLen);
  hash.Finish();
  for (int i = 0; i < kSha1DigestLen; ++i) key[i] = hash.GetDigestByte(i);
  // The key begins with H(N-1): H1 re-hashed N-2 times.
  for (int round = 2; round < iterations; ++round) {
    hash.Init();
    hash.Update(reinterpret_cast<const char*>(key), kSha1DigestLen);
    hash.Finish();
    for (int i = 0; i < kSha1DigestLen; ++i) key[i] = hash.GetDigestByte(i);
  }
  int tailBytes = tail == nullptr ? 0 : (tailLen < kKeyTailLen ? tailLen : kKeyTailLen);
  if (tailBytes < 0) tailBytes = 0;
  memset(key + kSha1DigestLen, 0, kKeyTailLen);
  if (tailBytes > 0) memcpy(key + kSha1DigestLen, tail, tailBytes);
  return key;
}

unsigned char* CryptMan::DeriveKey(std::string pwd, const unsigned char* salt, int saltLen,
                                   const unsigned char* tail, int tailLen) {
  unsigned char* key = deriveKey(pwd, salt, saltLen, tail, tailLen, hashIterations);
  wipeString(pwd);
  return key;
}

unsigned char* CryptMan::DeriveKey(std::string pwd, std::vector<unsigned char>& salt,
                                   std::vector<unsigned char>& tail) {
  unsigned char* key = deriveKey(pwd, salt.data(), static_cast<int>(salt.size()), tail.data(),
                                 static_cast<int>(tail.size()), hashIterations);
  wipeString(pwd);
  return key;
}

// Fills `newKey` with a fresh master key and `check` with its check data (the key's own
// digest, encrypted under it). 0, or -1 when no random bytes could be had.
int CryptMan::createMasterKey(unsigned char* newKey, std::vector<unsigned char>& check) {
  if (!RandomSource::fill(newKey, kMasterKeyLen)) return -1;
  unsigned char digest[kSha1DigestLen];
  Hash_SHA1::Digest(newKey, kMasterKeyLen, digest);
  int checkLen = 0;
  unsigned char* enc =
      Twofish::Encrypt(digest, kSha1DigestLen, newKey, kMasterKeyLen, checkLen, false);
  explicit_bzero(digest, sizeof digest);
  if (enc == nullptr) return -1;
  check.assign(enc, enc + checkLen);
  free(enc);
  return 0;
}

int CryptMan::AddPwd(std::string descr, std::string pwd) {
  lastError.clear();
  int result = -1;
  if (!CanAddPwd()) {
    lastError = "Log in first: a password can only be added while the master key is unlocked.";
  } else if (addRecord(descr, pwd) != 0) {
    lastError = "No random bytes could be had from the system; the password was not added.";
  } else {
    result = 0;
  }
  wipeString(pwd);
  return result;
}

// AddPwd without the checks: everything is prepared first and the manager changed only
// when nothing can fail any more.
int CryptMan::addRecord(const std::string& descr, const std::string& pwd) {
  bool creating = mKeyCheckData.empty();
  unsigned char masterKey[kMasterKeyLen];
  std::vector<unsigned char> check;
  if (creating) {
    if (createMasterKey(masterKey, check) != 0) {
      explicit_bzero(masterKey, sizeof masterKey);
      return -1;
    }
  } else {
    memcpy(masterKey, mKey, kMasterKeyLen);
  }
  int iterations = creating ? newKeyIterations : hashIterations;
  unsigned char salt[kSaltLen + kKeyTailLen];  // the key tail follows the salt
  unsigned char* tail = salt + kSaltLen;
  unsigned char* enc = nullptr;
  int encLen = 0;
  if (RandomSource::fill(salt, sizeof salt)) {
    unsigned char* pwdKey = deriveKey(pwd, salt, kSaltLen, tail, kKeyTailLen, iterations);
    enc = Twofish::Encrypt(masterKey, kMasterKeyLen, pwdKey, kMasterKeyLen, encLen, false);
    wipeAndFree(pwdKey, kMasterKeyLen);
  }
  if (enc != nullptr && encLen == kEncMKeyLen) {
    if (creating) {
      memcpy(mKey, masterKey, kMasterKeyLen);
      mKeyCheckData = check;
      hashIterations = iterations;
      loggedIn = true;
    }
    SetPwdData(descr, enc, encLen, salt, kSaltLen, tail, kKeyTailLen);
    changed = true;
  }
  explicit_bzero(masterKey, sizeof masterKey);
  bool added = enc != nullptr && encLen == kEncMKeyLen;
  free(enc);
  return added ? 0 : -1;
}

// Decrypts record i's master key with `pwd` into `cand` and checks it against the check
// data. Records and check data of other lengths than written can never fit.
bool CryptMan::tryLogin(int i, const char* pwd, unsigned char* cand) {
  if (i < 0 || i >= GetNumPwds() || pwd == nullptr) return false;
  PwdData& rec = pwds[i];
  if (mKeyCheckData.size() != kCheckDataLen || rec.encMKey.size() != kEncMKeyLen ||
      rec.salt.size() != kSaltLen || rec.keyTail.size() != kKeyTailLen) {
    return false;
  }
  std::string password(pwd);
  unsigned char* pwdKey = deriveKey(password, rec.salt.data(), kSaltLen, rec.keyTail.data(),
                                    kKeyTailLen, hashIterations);
  wipeString(password);
  int len = 0;
  unsigned char* key =
      Twofish::Decrypt(rec.encMKey.data(), kEncMKeyLen, pwdKey, kMasterKeyLen, len, false);
  wipeAndFree(pwdKey, kMasterKeyLen);
  if (key == nullptr) return false;
  memcpy(cand, key, kMasterKeyLen);
  wipeAndFree(key, len);
  unsigned char* check =
      Twofish::Decrypt(mKeyCheckData.data(), kCheckDataLen, cand, kMasterKeyLen, len, false);
  if (check == nullptr) return false;
  unsigned char digest[kSha1DigestLen];
  Hash_SHA1::Digest(cand, kMasterKeyLen, digest);
  unsigned char diff = 0;
  for (int k = 0; k < kSha1DigestLen; ++k) diff |= check[k] ^ digest[k];
  wipeAndFree(check, len);
  explicit_bzero(digest, sizeof digest);
  return diff == 0;
}

void CryptMan::Login(int i, const char* pwd) {
  unsigned char cand[kMasterKeyLen];
  loggedIn = tryLogin(i, pwd, cand);
  if (loggedIn) memcpy(mKey, cand, kMasterKeyLen);
  explicit_bzero(cand, sizeof cand);
}

unsigned char* CryptMan::Encrypt(const char* text, int& outLen, bool cbc) {
  if (!loggedIn || text == nullptr) return nullptr;
  return Twofish::Encrypt(reinterpret_cast<const unsigned char*>(text),
                          static_cast<int>(strlen(text)) + 1, mKey, kMasterKeyLen, outLen, cbc);
}

unsigned char* CryptMan::Decrypt(const char* data, int len, bool cbc) {
  if (!loggedIn) return nullptr;
  int outLen = 0;
  return Twofish::Decrypt(reinterpret_cast<const unsigned char*>(data), len, mKey, kMasterKeyLen,
                          outLen, cbc);
}

constexpr int kCheckRandomLen = 8;  // the random half of a checked front block

// The check half of a front block: SHA-1 of the random half and the text with its NUL.
static void descriptionCheck(const unsigned char* front, const char* text, size_t textLen,
                             unsigned char* check) {
  Hash_SHA1 hash;
  hash.Update(reinterpret_cast<const char*>(front), kCheckRandomLen);
  hash.Update(text, static_cast<int>(textLen));
  hash.Finish();
  for (int i = 0; i < kTwofishBlockBytes - kCheckRandomLen; ++i) check[i] = hash.GetDigestByte(i);
}

unsigned char* CryptMan::EncryptChecked(const char* text, int& outLen) {
  if (!loggedIn || text == nullptr) return nullptr;
  unsigned char front[kTwofishBlockBytes];
  if (!RandomSource::fill(front, kCheckRandomLen)) return nullptr;
  size_t textLen = strlen(text) + 1;
  descriptionCheck(front, text, textLen, front + kCheckRandomLen);
  unsigned char* out =
      Twofish::Encrypt(reinterpret_cast<const unsigned char*>(text), static_cast<int>(textLen),
                       mKey, kMasterKeyLen, outLen, true, front);
  explicit_bzero(front, sizeof front);
  return out;
}

char* CryptMan::DecryptChecked(const char* data, int len) {
  if (!loggedIn) return nullptr;
  unsigned char front[kTwofishBlockBytes];
  int plainLen = 0;
  unsigned char* plain = Twofish::Decrypt(reinterpret_cast<const unsigned char*>(data), len, mKey,
                                          kMasterKeyLen, plainLen, true, front);
  if (plain == nullptr) return nullptr;
  char* text = reinterpret_cast<char*>(plain);
  size_t textLen = strnlen(text, static_cast<size_t>(plainLen));
  unsigned char check[kTwofishBlockBytes - kCheckRandomLen];
  bool fits = textLen < static_cast<size_t>(plainLen);
  if (fits) {
    descriptionCheck(front, text, textLen + 1, check);
    fits = memcmp(check, front + kCheckRandomLen, sizeof check) == 0;
  }
  explicit_bzero(front, sizeof front);
  if (!fits) {
    wipeAndFree(plain, plainLen);
    return nullptr;
  }
  return text;
}

unsigned char* CryptMan::Encrypt(const unsigned char* data, int len, const unsigned char* key,
                                 int& outLen, bool cbc) {
  return Twofish::Encrypt(data, len, key, kMasterKeyLen, outLen, cbc);
}

unsigned char* CryptMan::Decrypt(const unsigned char* data, int len, const unsigned char* key,
                                 int& outLen, bool cbc) {
  return Twofish::Decrypt(data, len, key, kMasterKeyLen, outLen, cbc);
}

void CryptMan::SetPwdData(std::string descr, const unsigned char* encMKey, int encLen,
                          const unsigned char* salt, int saltLen, const unsigned char* tail,
                          int tailLen) {
  pwds.emplace_back(oneLine(std::move(descr)), encMKey, encLen, salt, saltLen, tail, tailLen);
}

void CryptMan::SetMKeyCheckData(const unsigned char* data, int len) {
  mKeyCheckData = toVector(data, len);
}

void CryptMan::WriteVector(std::ostream& os, std::vector<unsigned char>& v) {
  std::string letters;
  letters.reserve(2 * v.size());
  for (unsigned char byte : v) {
    letters += static_cast<char>('a' + (byte & 0xF));
    letters += static_cast<char>('a' + (byte >> 4));
  }
  os << v.size() << "\n" << letters << "\n";
}

// A count of the block: decimal digits only, no more than `max`. A number that does not
// fit must not wrap into a valid one ("4294967298" is not 2).
static bool readCount(std::istream& is, unsigned max, int& count) {
  unsigned value = 0;
  if (!parseFittingNumber(readfLine(is), value) || value > max) return false;
  count = static_cast<int>(value);
  return true;
}

int CryptMan::ReadVector(std::istream& is, std::vector<unsigned char>& v, int expectedLen) {
  int count = 0;
  if (!readCount(is, INT_MAX / 2, count)) return -1;
  if (expectedLen >= 0 && count != expectedLen) return -1;
  // The letters are taken as one line, so a damaged count never reserves more than the
  // file holds.
  std::string letters = readfLine(is);
  if (letters.size() != 2 * static_cast<size_t>(count)) return -1;
  for (char c : letters) {
    if (c < 'a' || c > 'p') return -1;
  }
  for (size_t i = 0; i < letters.size(); i += 2) {
    v.push_back(static_cast<unsigned char>(((letters[i + 1] - 'a') << 4) | (letters[i] - 'a')));
  }
  return 0;
}

void CryptMan::Write(std::ostream& os) {
  if (mKeyCheckData.empty()) return;
  os << "<Crypt>\n0\n" << hashIterations << "\n";
  WriteVector(os, mKeyCheckData);
  os << pwds.size() << "\n";
  for (PwdData& rec : pwds) {
    os << rec.descr << "\n";
    WriteVector(os, rec.encMKey);
    WriteVector(os, rec.salt);
    WriteVector(os, rec.keyTail);
  }
  os << "</Crypt>\n";
}

// Reads one password record into `rec`; why not into `why`.
int CryptMan::readRecord(std::istream& is, int i, std::string& why) {
  PwdData rec(readfLine(is), nullptr, 0, nullptr, 0, nullptr, 0);
  std::string which = "password " + std::to_string(i + 1) + " (\"" + rec.descr + "\"): its ";
  if (ReadVector(is, rec.encMKey, kEncMKeyLen) != 0) {
    why = which + "encrypted master key is not " + std::to_string(kEncMKeyLen) + " bytes";
  } else if (ReadVector(is, rec.salt, kSaltLen) != 0) {
    why = which + "salt is not " + std::to_string(kSaltLen) + " bytes";
  } else if (ReadVector(is, rec.keyTail, kKeyTailLen) != 0) {
    why = which + "key tail is not " + std::to_string(kKeyTailLen) + " bytes";
  } else {
    pwds.push_back(std::move(rec));
    return 0;
  }
  return -1;
}

int CryptMan::Read(std::istream& is) {
  readError.clear();
  readfLine(is);  // always "0"
  int iterations = 0, count = 0;
  std::vector<unsigned char> check;
  if (!readCount(is, kMaxHashIterations, iterations) || iterations < 2) {
    readError = "the iteration count (third line) is not a number from 2 to " +
                std::to_string(kMaxHashIterations);
    return -1;
  }
  if (ReadVector(is, check, kCheckDataLen) != 0) {
    readError = "the check data of the master key is not " + std::to_string(kCheckDataLen) +
                " bytes written as letters a to p";
    return -1;
  }
  if (!readCount(is, kMaxPwdRecords, count)) {
    readError =
        "the number of passwords is not a number from 0 to " + std::to_string(kMaxPwdRecords);
    return -1;
  }
  hashIterations = iterations;
  mKeyCheckData = check;
  pwds.clear();
  // Records are appended as they are read, never reserved for: a count larger than the
  // rest of the block runs into its end and fails there.
  for (int i = 0; i < count; ++i) {
    if (readRecord(is, i, readError) != 0) return -1;
  }
  if (readfLine(is).find("</Crypt>") == std::string::npos) {
    readError =
        "it does not end with \"</Crypt>\" after its " + std::to_string(count) + " passwords";
    return -1;
  }
  return 0;
}

void CryptMan::DropPwdsFrom(int n, bool dropMasterKey) {
  if (n >= 0 && n < GetNumPwds()) pwds.erase(pwds.begin() + n, pwds.end());
  if (!dropMasterKey) return;
  mKeyCheckData.clear();
  explicit_bzero(mKey, sizeof mKey);
  loggedIn = false;
  hashIterations = newKeyIterations;
}

void CryptMan::PrintBin(const unsigned char* data, int len) {
  for (int i = 0; i < len; ++i) printf("%d ", data[i]);
  printf("\n");
}

void CryptMan::PrintBin(std::vector<unsigned char>& v) {
  PrintBin(v.data(), static_cast<int>(v.size()));
}

unsigned char* CryptMan::GetArray(std::vector<unsigned char>& v) {
  unsigned char* copy = static_cast<unsigned char*>(malloc(v.empty() ? 1 : v.size()));
  if (!v.empty()) memcpy(copy, v.data(), v.size());
  return copy;
}
