// The key manager of a data file: one random master key that encrypts every encrypted
// description, stored only as encryptions under keys derived from the user's passwords
// (one password record each), and the "<Crypt>" block that carries this in the master
// data file. Any one password unlocks the master key until the program ends.
// GUI thread only.
#ifndef ZOLT_CRYPT_CRYPT_MAN_H_
#define ZOLT_CRYPT_CRYPT_MAN_H_

#include <istream>
#include <ostream>
#include <string>
#include <vector>

constexpr int kMasterKeyLen = 32;
constexpr int kCheckDataLen = 32;
constexpr int kEncMKeyLen = 32;
constexpr int kSaltLen = 20;
constexpr int kKeyTailLen = 12;
// Rounds of SHA-1 in the password key of a newly created master key. Blocks read from a
// file keep the count written in them.
constexpr int kNewKeyIterations = 200000;
// A block whose count lies above this is damaged: this program never writes more than
// kNewKeyIterations, and ten times that still keeps a login to seconds, where a count up
// to 2^31 read from a damaged file could make one take hours.
constexpr int kMaxHashIterations = 10 * kNewKeyIterations;
// More password records than this in a block mark it as damaged.
constexpr int kMaxPwdRecords = 10000;

// One password: the master key encrypted under the key derived from the password.
class PwdData {
 public:
  // Each vector is built from a pointer and a count; null with count 0 gives an empty one.
  PwdData(std::string descr, const unsigned char* encMKey, int encLen, const unsigned char* salt,
          int saltLen, const unsigned char* tail, int tailLen);
  // All four fields equal.
  bool Equals(const PwdData& other) const;

  std::string descr;                   // the user's label, one line
  std::vector<unsigned char> encMKey;  // master key, Twofish-256 ECB under the password key
  std::vector<unsigned char> salt;     // fed into the SHA-1 chain after the password
  std::vector<unsigned char> keyTail;  // the last 12 bytes of the password key
};

// Invariant: while loggedIn, mKey holds the master key whose check data is mKeyCheckData.
// Every byte buffer returned is allocated with malloc and freed by the caller with free().
class CryptMan {
 public:
  // `newKeyIterations` is the SHA-1 count given to a master key this manager creates
  // (at least 2). Only tests pass less than the default, to keep key derivation fast.
  explicit CryptMan(int newKeyIterations = kNewKeyIterations);
  ~CryptMan();  // wipes the master key
  CryptMan(const CryptMan&) = delete;
  CryptMan& operator=(const CryptMan&) = delete;

  bool IsLoggedIn() const { return loggedIn; }
  // A master key exists and is locked.
  bool CanLogIn() const { return !mKeyCheckData.empty() && !loggedIn; }
  bool HasMasterKey() const { return !mKeyCheckData.empty(); }
  // No master key yet, or unlocked.
  bool CanAddPwd() const { return mKeyCheckData.empty() || loggedIn; }
  // True once a password record has been added (the master file must then be saved).
  bool IsChanged() const { return changed; }
  int GetNumPwds() const { return static_cast<int>(pwds.size()); }
  // REQUIRES: 0 <= i < GetNumPwds().
  std::string GetPwdDescr(int i) const { return pwds[i].descr; }
  // Record i, owned by this manager; valid until the next AddPwd, SetPwdData or Read.
  // REQUIRES: 0 <= i < GetNumPwds().
  PwdData* GetPwdData(int i) { return &pwds[i]; }
  int GetHashIterations() const { return hashIterations; }
  // Why the last AddPwd was refused ("" after success).
  const std::string& GetLastError() const { return lastError; }

  // Adds a password record, creating the master key (and logging in) first when there is
  // none. Line breaks in `descr` become blanks. 0 on success; -1 when refused (a master
  // key exists and is locked, or no random bytes could be had): nothing is changed then
  // and GetLastError() says why.
  [[nodiscard]] int AddPwd(std::string descr, std::string pwd);
  // Undoes AddPwd calls whose records could not be stored: removes the records from index
  // `n` on, and with `dropMasterKey` also the master key they brought (back to no
  // encryption, logged out).
  void DropPwdsFrom(int n, bool dropMasterKey);
  // Tries `pwd` against record i: logged in with the master key restored when it fits;
  // otherwise logged out (an index out of range or a damaged record count as a wrong
  // password) and the master key unchanged.
  void Login(int i, const char* pwd);

  // Encrypts strlen(text) + 1 bytes under the master key; null when not logged in.
  unsigned char* Encrypt(const char* text, int& outLen, bool cbc);
  // Decrypts `len` bytes under the master key (the result keeps its pad bytes, so read it
  // as NUL-terminated text); null when not logged in or on failure.
  unsigned char* Decrypt(const char* data, int len, bool cbc);
  // Encrypts strlen(text) + 1 bytes in CBC mode under the master key with a front block
  // that vouches for key and text: 8 random bytes, then the first 8 bytes of the SHA-1 of
  // those 8 and the text with its NUL. Null when not logged in.
  unsigned char* EncryptChecked(const char* text, int& outLen);
  // The text (with its NUL, malloc'ed) of `len` bytes made by EncryptChecked; null when not
  // logged in, or when the bytes were not made under this master key or are damaged (their
  // front block does not vouch for what they decrypt to).
  char* DecryptChecked(const char* data, int len);
  // Twofish with the given 32-byte key.
  unsigned char* Encrypt(const unsigned char* data, int len, const unsigned char* key, int& outLen,
                         bool cbc);
  unsigned char* Decrypt(const unsigned char* data, int len, const unsigned char* key, int& outLen,
                         bool cbc);

  // The 32-byte password key: SHA-1 of password and salt re-hashed until
  // GetHashIterations() - 1 rounds are done, then the 12 tail bytes (zero where the tail
  // is shorter).
  unsigned char* DeriveKey(std::string pwd, const unsigned char* salt, int saltLen,
                           const unsigned char* tail, int tailLen);
  unsigned char* DeriveKey(std::string pwd, std::vector<unsigned char>& salt,
                           std::vector<unsigned char>& tail);

  // Appends a record built from the arguments (line breaks in `descr` become blanks).
  void SetPwdData(std::string descr, const unsigned char* encMKey, int encLen,
                  const unsigned char* salt, int saltLen, const unsigned char* tail, int tailLen);
  void SetMKeyCheckData(const unsigned char* data, int len);
  // Both managers have the same check data, i.e. the same master key.
  bool MKeyEquals(const CryptMan& other) const { return mKeyCheckData == other.mKeyCheckData; }

  // Writes the "<Crypt>" block; nothing while there is no master key.
  void Write(std::ostream& os);
  // Reads the block body; the stream stands behind the "<Crypt>" line. 0 on success; -1 when
  // the block is damaged (a count that is not a plain decimal number in its range, an
  // iteration count below 2, a vector of the wrong length or with letters other than a..p,
  // a missing "</Crypt>" line), and GetReadError() then says what is wrong. Parts read
  // whole before the damage (count with check data, complete records) stay in the manager.
  // Leaves the login state and the changed flag alone.
  [[nodiscard]] int Read(std::istream& is);
  // What made the last Read fail, for a person who mends the block ("" after success).
  const std::string& GetReadError() const { return readError; }
  // One byte vector: a line with the count, a line of two letters a..p per byte (low four
  // bits first).
  void WriteVector(std::ostream& os, std::vector<unsigned char>& v);
  // Appends the bytes of one vector to `v`. With `expectedLen` >= 0 any other count is
  // refused before anything is read behind it. 0 on success, -1 when damaged.
  [[nodiscard]] int ReadVector(std::istream& is, std::vector<unsigned char>& v,
                               int expectedLen = -1);
  // Diagnostics: each byte in decimal followed by " ", then a line feed, to stdout.
  void PrintBin(const unsigned char* data, int len);
  void PrintBin(std::vector<unsigned char>& v);
  // A malloc'ed copy of the vector's bytes (at least one byte is allocated).
  unsigned char* GetArray(std::vector<unsigned char>& v);

 private:
  unsigned char* deriveKey(const std::string& pwd, const unsigned char* salt, int saltLen,
                           const unsigned char* tail, int tailLen, int iterations);
  int addRecord(const std::string& descr, const std::string& pwd);
  int createMasterKey(unsigned char* newKey, std::vector<unsigned char>& check);
  bool tryLogin(int i, const char* pwd, unsigned char* cand);
  int readRecord(std::istream& is, int i, std::string& why);

  std::vector<unsigned char> mKeyCheckData;  // empty while there is no master key
  std::vector<PwdData> pwds;                 // in the order added and stored
  unsigned char mKey[kMasterKeyLen];         // meaningful only while loggedIn
  bool loggedIn = false;
  bool changed = false;
  int hashIterations;
  int newKeyIterations;
  std::string lastError;
  std::string readError;
};

#endif  // ZOLT_CRYPT_CRYPT_MAN_H_
