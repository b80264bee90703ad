// A to-do's description: plain text or ciphertext under the key manager's master key,
// with the flags that say how it is held now (low 16 bits) and how to store it (high 16).
// It keeps the ciphertext last read from the file (`orig`) so that an unchanged
// description is written back byte for byte without re-encryption. GUI thread only.
#ifndef ZOLT_CRYPT_DESCR_DATA_H_
#define ZOLT_CRYPT_DESCR_DATA_H_

#include <istream>

class CryptMan;

constexpr int kDescrCompressed = 0x1;  // compressed bytes; not supported
constexpr int kDescrEncrypted = 0x2;   // the bytes are ciphertext
constexpr int kDescrCbc = 0x4;         // ciphertext made in CBC mode with a front block
// The front block vouches for key and text (CryptMan::EncryptChecked). Without it a
// decryption is only judged by whether it looks like text.
constexpr int kDescrChecked = 0x8;
constexpr int kDescrReserved = 0x10000;
constexpr int kDescrSaveCrypt = 0x20000;  // store encrypted

class DescrData {
 public:
  DescrData() = default;
  DescrData(const DescrData& other) { CopyFrom(&other); }
  DescrData& operator=(const DescrData& other);
  ~DescrData();

  // Equal length, flags and bytes; `orig` is not compared.
  bool operator==(const DescrData& other) const;
  bool operator!=(const DescrData& other) const { return !(*this == other); }

  // Replaces the text by a copy of `text` (null or "" removes it). The flags are kept; the
  // remembered ciphertext is kept only when the text is unchanged.
  void SetNewChar(const char* text);
  // Points `out` at the readable text, decrypting in place first when `cm` is logged in.
  // Returns 1 when `out` is still ciphertext (must not be shown), else 0: also when logged
  // in, if the ciphertext was not made under `cm`'s master key (or is damaged), which the
  // decryption tells and then keeps the ciphertext as it is. `out` is owned by this object
  // and valid until the next change. `cm` may be null.
  int GetDescription(const char*& out, CryptMan* cm);
  // Opens a description that GetDescription leaves shut although `cm` is logged in: the
  // text is whatever the master key makes of the bytes, up to their first NUL, and may be
  // garbage (another key made them, or they are damaged). The ciphertext stays remembered,
  // so the description unchanged is still written back as it was read. 0 when opened; -1
  // when it is not encrypted or `cm` is not logged in.
  int OpenAnyway(CryptMan* cm);
  // The bytes, length and flags to store. 0 on success; -1 when the required form needs
  // the key and `cm` is not logged in. When `mustFree`, the caller frees `out`. A
  // description marked for encryption is only ever given as ciphertext: the remembered
  // one, or a new encryption.
  [[nodiscard]] int GetDataToSave(char*& out, int& outLen, int& outFlags, bool& mustFree,
                                  CryptMan* cm);
  // Reads the `n` bytes of a description field (text, or the binary encoding when the
  // flags say so) and the line end behind them. 0 on success, -1 on failure.
  [[nodiscard]] int ReadFromFile(int n, std::istream& in);
  void SetSaveCrypt(bool on);
  static bool DescrIsBinary(const int& f) {
    return (f & (kDescrCompressed | kDescrEncrypted)) != 0;
  }
  bool CurDescrIsBinary() const { return DescrIsBinary(flags); }
  // Remembers the bytes held now as the form to write back; only ciphertext counts.
  void RememberOrig();
  void ForgetOrig();
  // Takes `other`'s bytes and flags, and the ciphertext `other` was read with (or holds):
  // a copy of a decrypted description is written back as that ciphertext, never in clear.
  void CopyFrom(const DescrData* other);

  int getFlags() const { return flags; }
  void setFlags(int f) { flags = f; }
  int getLen() const { return len; }
  const char* getData() const { return data; }
  bool hasOrig() const { return orig != nullptr; }

 private:
  struct Orig {
    char* data;
    int len;
    int flags;
  };
  void release();
  // Replaces ciphertext by its decryption. REQUIRES: encrypted and `cm` logged in.
  void decryptInPlace(CryptMan* cm);

  char* data = nullptr;  // owned, malloc'ed; text with its NUL, or ciphertext
  int len = 0;
  int flags = 0;
  Orig* orig = nullptr;  // owned
};

#endif  // ZOLT_CRYPT_DESCR_DATA_H_
