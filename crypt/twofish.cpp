#include "crypt/twofish.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "crypt/random_source.h"

namespace {

// The two fixed byte permutations, each built from four 4-bit tables.
const uint8_t kQ0Tables[4][16] = {
    {0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
    {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
    {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
    {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}};
const uint8_t kQ1Tables[4][16] = {
    {0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
    {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
    {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
    {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}};

// Maximum distance separable matrix, over GF(2^8) modulo x^8+x^6+x^5+x^3+1.
const uint8_t kMds[4][4] = {{0x01, 0xEF, 0x5B, 0x5B},
                            {0x5B, 0xEF, 0xEF, 0x01},
                            {0xEF, 0x5B, 0x01, 0xEF},
                            {0xEF, 0x01, 0xEF, 0x5B}};
const unsigned kMdsPoly = 0x169;

// Reed-Solomon code that turns 8 key bytes into one S-box key word, over GF(2^8)
// modulo x^8+x^6+x^3+x^2+1.
const uint8_t kRs[4][8] = {{0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
                           {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
                           {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
                           {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03}};
const unsigned kRsPoly = 0x14D;

inline uint32_t rol(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }
inline uint32_t ror(uint32_t v, int n) { return (v >> n) | (v << (32 - n)); }
inline uint8_t byteOf(uint32_t v, int j) { return static_cast<uint8_t>(v >> (8 * j)); }

uint8_t gfMul(uint8_t a, uint8_t b, unsigned poly) {
  unsigned product = 0, x = a;
  for (; b != 0; b >>= 1) {
    if (b & 1) product ^= x;
    x <<= 1;
    if (x & 0x100) x ^= poly;
  }
  return static_cast<uint8_t>(product);
}

uint8_t qPermute(const uint8_t t[4][16], uint8_t x) {
  auto ror4 = [](unsigned v) { return ((v >> 1) | (v << 3)) & 0xF; };
  unsigned a = x >> 4, b = x & 0xF;
  unsigned a1 = a ^ b, b1 = (a ^ ror4(b) ^ (8 * a)) & 0xF;
  unsigned a2 = t[0][a1], b2 = t[1][b1];
  unsigned a3 = a2 ^ b2, b3 = (a2 ^ ror4(b2) ^ (8 * a2)) & 0xF;
  return static_cast<uint8_t>((t[3][b3] << 4) | t[2][a3]);
}

// The permutations q0, q1 and the MDS columns as lookup tables, built once.
struct Tables {
  uint8_t q[2][256];
  uint32_t mds[4][256];  // column j of the MDS matrix times a byte, as a word
  Tables() {
    for (int x = 0; x < 256; ++x) {
      q[0][x] = qPermute(kQ0Tables, static_cast<uint8_t>(x));
      q[1][x] = qPermute(kQ1Tables, static_cast<uint8_t>(x));
      for (int j = 0; j < 4; ++j) {
        uint32_t word = 0;
        for (int i = 0; i < 4; ++i) {
          word |= uint32_t{gfMul(kMds[i][j], static_cast<uint8_t>(x), kMdsPoly)} << (8 * i);
        }
        mds[j][x] = word;
      }
    }
  }
};

const Tables& tables() {
  static const Tables built;
  return built;
}

// The byte chain of the h function for byte position j: q-permutations interleaved with
// the key words L[k-1]..L[0], ending in the permutation that feeds MDS column j.
uint8_t qChain(int j, uint8_t y, const uint32_t* L, int k) {
  static const int kStage4[4] = {1, 0, 0, 1}, kStage3[4] = {1, 1, 0, 0};
  static const int kStage1[4] = {0, 1, 0, 1}, kStage0[4] = {0, 0, 1, 1};
  static const int kLast[4] = {1, 0, 1, 0};
  const Tables& t = tables();
  if (k == 4) y = t.q[kStage4[j]][y] ^ byteOf(L[3], j);
  if (k >= 3) y = t.q[kStage3[j]][y] ^ byteOf(L[2], j);
  y = t.q[kStage1[j]][y] ^ byteOf(L[1], j);
  y = t.q[kStage0[j]][y] ^ byteOf(L[0], j);
  return t.q[kLast[j]][y];
}

uint32_t hFunction(uint32_t x, const uint32_t* L, int k) {
  const Tables& t = tables();
  uint32_t z = 0;
  for (int j = 0; j < 4; ++j) z ^= t.mds[j][qChain(j, byteOf(x, j), L, k)];
  return z;
}

// The S-box key word made from key bytes 8i..8i+7 by the Reed-Solomon code.
uint32_t rsEncode(const uint32_t* key32, int i) {
  uint8_t m[8];
  for (int c = 0; c < 8; ++c) m[c] = byteOf(key32[2 * i + c / 4], c % 4);
  uint32_t s = 0;
  for (int r = 0; r < 4; ++r) {
    uint8_t sum = 0;
    for (int c = 0; c < 8; ++c) sum ^= gfMul(kRs[r][c], m[c], kRsPoly);
    s |= uint32_t{sum} << (8 * r);
  }
  return s;
}

inline uint32_t gFunction(const T_keyInstance* key, uint32_t x) {
  return key->sBox[0][byteOf(x, 0)] ^ key->sBox[1][byteOf(x, 1)] ^ key->sBox[2][byteOf(x, 2)] ^
         key->sBox[3][byteOf(x, 3)];
}

inline uint32_t loadWord(const unsigned char* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

inline void storeWord(uint32_t v, unsigned char* p) {
  for (int j = 0; j < 4; ++j) p[j] = byteOf(v, j);
}

void encryptBlock(const T_keyInstance* key, const uint32_t in[4], uint32_t out[4]) {
  const uint32_t* K = key->subKeys;
  uint32_t a = in[0] ^ K[0], b = in[1] ^ K[1], c = in[2] ^ K[2], d = in[3] ^ K[3];
  // Two rounds per pass: the halves swap roles instead of places.
  for (int r = 0; r < key->numRounds; r += 2) {
    uint32_t t0 = gFunction(key, a), t1 = gFunction(key, rol(b, 8));
    c = ror(c ^ (t0 + t1 + K[2 * r + 8]), 1);
    d = rol(d, 1) ^ (t0 + 2 * t1 + K[2 * r + 9]);
    t0 = gFunction(key, c);
    t1 = gFunction(key, rol(d, 8));
    a = ror(a ^ (t0 + t1 + K[2 * r + 10]), 1);
    b = rol(b, 1) ^ (t0 + 2 * t1 + K[2 * r + 11]);
  }
  out[0] = c ^ K[4];
  out[1] = d ^ K[5];
  out[2] = a ^ K[6];
  out[3] = b ^ K[7];
}

void decryptBlock(const T_keyInstance* key, const uint32_t in[4], uint32_t out[4]) {
  const uint32_t* K = key->subKeys;
  uint32_t c = in[0] ^ K[4], d = in[1] ^ K[5], a = in[2] ^ K[6], b = in[3] ^ K[7];
  for (int r = key->numRounds - 2; r >= 0; r -= 2) {
    uint32_t t0 = gFunction(key, c), t1 = gFunction(key, rol(d, 8));
    a = rol(a, 1) ^ (t0 + t1 + K[2 * r + 10]);
    b = ror(b ^ (t0 + 2 * t1 + K[2 * r + 11]), 1);
    t0 = gFunction(key, a);
    t1 = gFunction(key, rol(b, 8));
    c = rol(c, 1) ^ (t0 + t1 + K[2 * r + 8]);
    d = ror(d ^ (t0 + 2 * t1 + K[2 * r + 9]), 1);
  }
  out[0] = a ^ K[0];
  out[1] = b ^ K[1];
  out[2] = c ^ K[2];
  out[3] = d ^ K[3];
}

int checkBlockArgs(const T_cipherInstance* cipher, const T_keyInstance* key, int inputLen) {
  if (cipher == nullptr) return kTwofishBadCipherState;
  if (key == nullptr) return kTwofishBadKeyInstance;
  if (cipher->mode != kTwofishModeEcb && cipher->mode != kTwofishModeCbc) {
    return kTwofishBadCipherMode;
  }
  if (inputLen < 0 || inputLen % (8 * kTwofishBlockBytes) != 0) return kTwofishBadInputLen;
  return kTwofishOk;
}

}  // namespace

int Twofish::makeKey(T_keyInstance* key, int direction, int keyLen,
                     const unsigned char* keyMaterial) {
  if (key == nullptr) return kTwofishBadKeyInstance;
  if (direction != kTwofishDirEncrypt && direction != kTwofishDirDecrypt) {
    return kTwofishBadKeyDir;
  }
  if (keyLen <= 0 || keyLen > 256) return kTwofishBadKeyMat;
  key->direction = direction;
  key->keyLen = (keyLen + 63) / 64 * 64;
  key->numRounds = 16;  // for every key length above 64 bits; shorter keys are zero-padded
  memset(key->key32, 0, sizeof key->key32);
  if (keyMaterial == nullptr) return kTwofishOk;
  for (int i = 0; i < keyLen / 8; ++i)
    key->key32[i / 4] |= uint32_t{keyMaterial[i]} << (8 * (i % 4));
  return reKey(key);
}

int Twofish::reKey(T_keyInstance* key) {
  if (key == nullptr) return kTwofishBadKeyInstance;
  if (key->keyLen <= 0 || key->keyLen > 256 || key->keyLen % 64 != 0) return kTwofishBadKeyMat;
  int k = key->keyLen < 128 ? 2 : key->keyLen / 64;
  uint32_t even[4], odd[4], sKey[4];
  for (int i = 0; i < k; ++i) {
    even[i] = key->key32[2 * i];
    odd[i] = key->key32[2 * i + 1];
    sKey[k - 1 - i] = rsEncode(key->key32, i);
  }
  const uint32_t kRho = 0x01010101;
  for (int i = 0; i < 20; ++i) {
    uint32_t a = hFunction(2 * i * kRho, even, k);
    uint32_t b = rol(hFunction((2 * i + 1) * kRho, odd, k), 8);
    key->subKeys[2 * i] = a + b;
    key->subKeys[2 * i + 1] = rol(a + 2 * b, 9);
  }
  const Tables& t = tables();
  for (int j = 0; j < 4; ++j) {
    for (int x = 0; x < 256; ++x) {
      key->sBox[j][x] = t.mds[j][qChain(j, static_cast<uint8_t>(x), sKey, k)];
    }
  }
  explicit_bzero(even, sizeof even);
  explicit_bzero(odd, sizeof odd);
  explicit_bzero(sKey, sizeof sKey);
  return kTwofishOk;
}

int Twofish::cipherInit(T_cipherInstance* cipher, int mode, const unsigned char* iv) {
  if (cipher == nullptr) return kTwofishBadCipherState;
  if (mode != kTwofishModeEcb && mode != kTwofishModeCbc) return kTwofishBadCipherMode;
  cipher->mode = mode;
  for (int i = 0; i < 4; ++i) cipher->iv32[i] = iv ? loadWord(iv + 4 * i) : 0;
  return kTwofishOk;
}

int Twofish::blockEncrypt(T_cipherInstance* cipher, const T_keyInstance* key,
                          const unsigned char* input, int inputLen, unsigned char* output) {
  int status = checkBlockArgs(cipher, key, inputLen);
  if (status != kTwofishOk) return status;
  bool cbc = cipher->mode == kTwofishModeCbc;
  for (int off = 0; off < inputLen / 8; off += kTwofishBlockBytes) {
    uint32_t in[4], out[4];
    for (int i = 0; i < 4; ++i) in[i] = loadWord(input + off + 4 * i) ^ (cbc ? cipher->iv32[i] : 0);
    encryptBlock(key, in, out);
    for (int i = 0; i < 4; ++i) {
      storeWord(out[i], output + off + 4 * i);
      if (cbc) cipher->iv32[i] = out[i];
    }
  }
  return inputLen;
}

int Twofish::blockDecrypt(T_cipherInstance* cipher, const T_keyInstance* key,
                          const unsigned char* input, int inputLen, unsigned char* output) {
  int status = checkBlockArgs(cipher, key, inputLen);
  if (status != kTwofishOk) return status;
  bool cbc = cipher->mode == kTwofishModeCbc;
  for (int off = 0; off < inputLen / 8; off += kTwofishBlockBytes) {
    uint32_t in[4], out[4];
    for (int i = 0; i < 4; ++i) in[i] = loadWord(input + off + 4 * i);
    decryptBlock(key, in, out);
    for (int i = 0; i < 4; ++i) {
      storeWord(out[i] ^ (cbc ? cipher->iv32[i] : 0), output + off + 4 * i);
      if (cbc) cipher->iv32[i] = in[i];
    }
  }
  return inputLen;
}

// Sets up `key` and `cipher` for the byte-buffer front end. false when either is refused.
static bool setUp(T_keyInstance* key, T_cipherInstance* cipher, const unsigned char* keyBytes,
                  int keyLen, bool cbc) {
  if (keyBytes == nullptr || keyLen <= 0 || keyLen > 32) return false;
  if (Twofish::makeKey(key, kTwofishDirEncrypt, keyLen * 8, nullptr) != kTwofishOk) return false;
  for (int i = 0; i < keyLen / 4; ++i) key->key32[i] = loadWord(keyBytes + 4 * i);
  if (Twofish::reKey(key) != kTwofishOk) return false;
  return Twofish::cipherInit(cipher, cbc ? kTwofishModeCbc : kTwofishModeEcb, nullptr) ==
         kTwofishOk;
}

// Frees a buffer that held key or text bytes, overwriting them first.
static void wipeAndFree(unsigned char* buffer, int len) {
  if (buffer != nullptr && len > 0) explicit_bzero(buffer, len);
  free(buffer);
}

unsigned char* Twofish::Encrypt(const unsigned char* data, int len, const unsigned char* key,
                                int keyLen, int& outLen, bool cbc, const unsigned char* front) {
  if (len < 0 || len > INT_MAX / 8 - 2 * kTwofishBlockBytes || (data == nullptr && len > 0)) {
    return nullptr;
  }
  T_keyInstance ki;
  T_cipherInstance ci;
  unsigned char* out = nullptr;
  if (setUp(&ki, &ci, key, keyLen, cbc)) {
    int head = cbc ? kTwofishBlockBytes : 0;
    int total = head + (len + kTwofishBlockBytes - 1) / kTwofishBlockBytes * kTwofishBlockBytes;
    int pad = total - head - len;
    unsigned char* work = static_cast<unsigned char*>(malloc(total > 0 ? total : 1));
    out = static_cast<unsigned char*>(malloc(total > 0 ? total : 1));
    if (len > 0) memcpy(work + head, data, len);
    if (head != 0 && front != nullptr) memcpy(work, front, head);
    // The chain starts from zero, so block 0 is the encryption of the front block and
    // every later block depends on it.
    bool ok = (head == 0 || front != nullptr || RandomSource::fill(work, head)) &&
              (pad == 0 || RandomSource::fill(work + head + len, pad)) &&
              blockEncrypt(&ci, &ki, work, total * 8, out) == total * 8;
    wipeAndFree(work, total);
    if (ok) {
      outLen = total;
    } else {
      free(out);
      out = nullptr;
    }
  }
  explicit_bzero(&ki, sizeof ki);
  return out;
}

unsigned char* Twofish::Decrypt(const unsigned char* data, int len, const unsigned char* key,
                                int keyLen, int& outLen, bool cbc, unsigned char* front) {
  if (len < 0 || len > INT_MAX / 8 - kTwofishBlockBytes || (data == nullptr && len > 0) ||
      (cbc && len == 0)) {
    return nullptr;
  }
  T_keyInstance ki;
  T_cipherInstance ci;
  unsigned char* out = nullptr;
  if (setUp(&ki, &ci, key, keyLen, cbc)) {
    int total = (len + kTwofishBlockBytes - 1) / kTwofishBlockBytes * kTwofishBlockBytes;
    unsigned char* work = static_cast<unsigned char*>(calloc(total > 0 ? total : 1, 1));
    unsigned char* plain = static_cast<unsigned char*>(malloc(total > 0 ? total : 1));
    if (len > 0) memcpy(work, data, len);
    if (cbc) cipherInit(&ci, kTwofishModeCbc, work);
    bool ok = blockDecrypt(&ci, &ki, work, total * 8, plain) == total * 8;
    int drop = cbc ? kTwofishBlockBytes : 0;  // the decryption of the front block
    // The chain ran from the front block itself, not from zero: undo that for block 0.
    if (ok && cbc && front != nullptr) {
      for (int i = 0; i < kTwofishBlockBytes; ++i) front[i] = plain[i] ^ work[i];
    }
    free(work);
    if (ok) {
      outLen = total - drop;
      out = static_cast<unsigned char*>(malloc(outLen > 0 ? outLen : 1));
      memcpy(out, plain + drop, outLen);
    }
    wipeAndFree(plain, total);
  }
  explicit_bzero(&ki, sizeof ki);
  return out;
}
