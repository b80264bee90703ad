#include "crypt/descr_data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crypt/crypt_man.h"
#include "store/text_util.h"
#include "util/text_arena.h"

static char* copyBytes(const char* src, int n) {
  char* copy = static_cast<char*>(malloc(n > 0 ? n : 1));
  if (n > 0) memcpy(copy, src, n);
  return copy;
}

DescrData::~DescrData() {
  release();
  ForgetOrig();
}

DescrData& DescrData::operator=(const DescrData& other) {
  if (this != &other) CopyFrom(&other);
  return *this;
}

bool DescrData::operator==(const DescrData& other) const {
  if (len != other.len || flags != other.flags) return false;
  if (data == nullptr || other.data == nullptr) return data == other.data || len == 0;
  return memcmp(data, other.data, len) == 0;
}

// Texts read from a file may lie in the arena, which keeps them until the process ends.
static void freeBytes(char* bytes) {
  if (!arenaOwns(bytes)) free(bytes);
}

void DescrData::release() {
  freeBytes(data);
  data = nullptr;
  len = 0;
}

void DescrData::RememberOrig() {
  if (len == 0 || data == nullptr || !(flags & kDescrEncrypted)) return;
  ForgetOrig();
  orig = new Orig{copyBytes(data, len), len, flags};
}

void DescrData::ForgetOrig() {
  if (orig == nullptr) return;
  free(orig->data);
  delete orig;
  orig = nullptr;
}

void DescrData::CopyFrom(const DescrData* other) {
  release();
  len = other->len;
  flags = other->flags;
  data = other->data ? copyBytes(other->data, len) : nullptr;
  if (data == nullptr) len = 0;
  ForgetOrig();
  if (other->orig != nullptr) {
    orig = new Orig{copyBytes(other->orig->data, other->orig->len), other->orig->len,
                    other->orig->flags};
  } else {
    RememberOrig();
  }
}

void DescrData::SetNewChar(const char* text) {
  bool present = text != nullptr && *text != '\0';
  int newLen = present ? static_cast<int>(strlen(text)) + 1 : 0;
  if (data != nullptr) {
    bool same = present && newLen == len && memcmp(data, text, len) == 0;
    if (!same) ForgetOrig();
    release();
  }
  if (present) {
    data = copyBytes(text, newLen);
    len = newLen;
  }
}

static void wipeAndFree(char* buffer, int n) {
  if (buffer != nullptr && n > 0) explicit_bzero(buffer, n);
  free(buffer);
}

// UTF-8 where any byte but NUL may stand, control characters included (a pasted escape
// sequence, a form feed); a last character may be cut short (a note cut at a length limit).
static bool isUtf8(const unsigned char* s, int n) {
  for (int i = 0; i < n; ++i) {
    unsigned char c = s[i];
    if (c < 0x80) continue;
    int follow = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (c < 0xC2 || c > 0xF4 || follow < 0) return false;
    for (int k = 1; k <= follow && i + k < n; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
    }
    i += follow;
  }
  return true;
}

// Latin-1 as older files may hold it: mostly ASCII, no control characters but tab and line
// ends. Stricter than isUtf8, since random bytes are half Latin-1 letters.
static bool isCleanLatin1(const unsigned char* s, int n) {
  int high = 0;
  for (int i = 0; i < n; ++i) {
    if (s[i] < 0x20 && s[i] != '\t' && s[i] != '\n' && s[i] != '\r') return false;
    if (s[i] >= 0x80) ++high;
  }
  return 4 * high <= n;
}

// Whether the decryption of a description made without a check is a text as the encryption
// wrote it, not the random bytes another key or damage gives: the text's NUL in the last
// block (the pad fills only that one), at least one character (an empty description is never
// stored), and UTF-8 or clean Latin-1. Another key's bytes pass this for a one-block
// description about once in 140 tries, for two blocks once in 50000; checked ones are exact.
static bool looksLikeText(const char* plain, int plainLen, int textLen) {
  if (textLen == 0 || textLen == plainLen || textLen < plainLen - 16) return false;
  auto s = reinterpret_cast<const unsigned char*>(plain);
  return isUtf8(s, textLen) || isCleanLatin1(s, textLen);
}

// The length of what Decrypt gives for `len` bytes: it works on whole 16-byte blocks and
// drops the front block in CBC mode.
static int decryptedLen(int len, bool cbc) {
  int plainLen = (len + 15) / 16 * 16 - (cbc ? 16 : 0);
  return plainLen < 0 ? 0 : plainLen;
}

// The plain text of an unchecked ciphertext, or null when it does not look like text.
static char* decryptUnchecked(CryptMan* cm, const char* data, int len, bool cbc) {
  char* plain = reinterpret_cast<char*>(cm->Decrypt(data, len, cbc));
  if (plain == nullptr) return nullptr;
  int plainLen = decryptedLen(len, cbc);
  int textLen = static_cast<int>(strnlen(plain, plainLen));
  if (!looksLikeText(plain, plainLen, textLen)) {
    wipeAndFree(plain, plainLen);
    return nullptr;
  }
  return plain;
}

// A ciphertext that another key made (a key block lost in a crash, a description pasted
// from another file) or that is damaged stays ciphertext: shown as garbage it would be
// saved as such.
void DescrData::decryptInPlace(CryptMan* cm) {
  bool cbc = (flags & kDescrCbc) != 0;
  char* plain = (flags & kDescrChecked) && cbc ? cm->DecryptChecked(data, len)
                                               : decryptUnchecked(cm, data, len, cbc);
  if (plain == nullptr) return;
  freeBytes(data);
  data = plain;
  len = static_cast<int>(strlen(plain)) + 1;
  flags &= ~(kDescrEncrypted | kDescrChecked);
}

int DescrData::OpenAnyway(CryptMan* cm) {
  if (!(flags & kDescrEncrypted) || cm == nullptr || !cm->IsLoggedIn()) return -1;
  bool cbc = (flags & kDescrCbc) != 0;
  char* plain = reinterpret_cast<char*>(cm->Decrypt(data, len, cbc));
  if (plain == nullptr) return -1;
  int plainLen = decryptedLen(len, cbc);
  int textLen = static_cast<int>(strnlen(plain, plainLen));
  auto text = static_cast<char*>(malloc(static_cast<size_t>(textLen) + 1));
  memcpy(text, plain, static_cast<size_t>(textLen));
  text[textLen] = '\0';
  wipeAndFree(plain, plainLen);
  freeBytes(data);
  data = text;
  len = textLen + 1;
  flags &= ~(kDescrEncrypted | kDescrChecked);
  return 0;
}

int DescrData::GetDescription(const char*& out, CryptMan* cm) {
  if ((flags & kDescrEncrypted) && cm != nullptr && cm->IsLoggedIn()) decryptInPlace(cm);
  out = data;
  return (flags & kDescrEncrypted) ? 1 : 0;
}

int DescrData::GetDataToSave(char*& out, int& outLen, int& outFlags, bool& mustFree, CryptMan* cm) {
  mustFree = false;
  bool loggedIn = cm != nullptr && cm->IsLoggedIn();
  if ((flags & kDescrSaveCrypt) && orig != nullptr && (orig->flags & kDescrEncrypted)) {
    out = orig->data;
    outLen = orig->len;
    outFlags = orig->flags;
    return 0;
  }
  if (!(flags & kDescrSaveCrypt) && (flags & kDescrEncrypted)) {
    if (!loggedIn) return -1;
    decryptInPlace(cm);
    if (flags & kDescrEncrypted) return -1;
  }
  if (data == nullptr) {
    out = nullptr;
    outLen = 0;
    outFlags = flags & ~0xFFFF;
    return 0;
  }
  out = data;
  outLen = len;
  outFlags = flags;
  if (!(flags & kDescrEncrypted) && (flags & kDescrSaveCrypt)) {
    if (!loggedIn) return -1;
    unsigned char* cipher = cm->EncryptChecked(data, outLen);
    if (cipher == nullptr) return -1;
    out = reinterpret_cast<char*>(cipher);
    outFlags = flags | kDescrEncrypted | kDescrCbc | kDescrChecked;
    mustFree = true;
  }
  return 0;
}

// A text field of `n` bytes and a NUL behind them, in one block of its own: in the arena
// when short. A damaged length cannot demand memory the file lacks: beyond kReadStep the
// block grows with what was read. Null when the stream ends first.
static char* readText(int n, std::istream& in) {
  constexpr int kReadStep = 1 << 16;
  auto size = static_cast<size_t>(n) + 1;
  if (char* text = arenaTake(size)) {
    if (n == 0 || in.read(text, n)) {
      text[n] = '\0';
      return text;
    }
    arenaGiveBackLast(text, size);
    return nullptr;
  }
  char* text = nullptr;
  for (int done = 0;;) {
    int step = n - done < kReadStep ? n - done : kReadStep;
    char* grown = static_cast<char*>(realloc(text, static_cast<size_t>(done) + step + 1));
    if (grown == nullptr) break;
    text = grown;
    if (step > 0 && !in.read(text + done, step)) break;
    done += step;
    if (done == n) {
      text[n] = '\0';
      return text;
    }
  }
  free(text);
  return nullptr;
}

int DescrData::ReadFromFile(int n, std::istream& in) {
  release();
  if (n < 0) return -1;
  if (!CurDescrIsBinary()) {
    data = readText(n, in);
    if (data == nullptr) return -1;
    len = n + 1;
  } else {
    int got = 0;
    unsigned char* decoded =
        ReadBinASCII(in, got, static_cast<unsigned>(n < 1 << 20 ? n : 1 << 20));
    if (got < 0 || got < n) {
      printf("Expected %i byte, got %i\n", n, got);
      free(decoded);
      return -1;
    }
    // Held as decoded: bytes behind the first n are never looked at.
    data = reinterpret_cast<char*>(decoded);
    len = n;
  }
  in.get();  // the line end behind the data
  if (flags & kDescrCompressed) {
    printf("unable to unzip\n");
    return -1;
  }
  if ((flags & kDescrEncrypted) && len != 0) RememberOrig();
  return 0;
}

void DescrData::SetSaveCrypt(bool on) {
  if (on) {
    flags |= kDescrSaveCrypt;
  } else {
    flags &= ~(kDescrSaveCrypt | kDescrReserved);
  }
  ForgetOrig();
}
