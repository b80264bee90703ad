// SHA-1 as published in FIPS 180-1: a 20-byte digest of a byte stream fed in pieces.
// The key manager turns passwords into keys with it and fingerprints the master key.
// Any thread, one object per thread.
#ifndef ZOLT_CRYPT_SHA1_H_
#define ZOLT_CRYPT_SHA1_H_

#include <cstdint>
#include <string>

constexpr int kSha1DigestLen = 20;

// One message at a time: Init, any number of Update calls, Finish, then GetDigestByte.
// Init starts the next message on the same object. The object's memory (message bytes
// still buffered, the chaining words) is wiped on destruction, since it may have held
// a password.
class Hash_SHA1 {
 public:
  Hash_SHA1() { Init(); }
  ~Hash_SHA1();
  Hash_SHA1(const Hash_SHA1&) = delete;
  Hash_SHA1& operator=(const Hash_SHA1&) = delete;

  // Starts a new message: the initial chaining words, nothing buffered, no digest.
  void Init();
  // Feeds `len` bytes (nothing when len <= 0). REQUIRES: Finish not yet called.
  void Update(const char* data, int len);
  void Update(const std::string& s) { Update(s.data(), static_cast<int>(s.size())); }
  // Pads the message, processes the last block(s) and stores the digest.
  void Finish();
  // Digest byte i (0..19) in the standard output order. No range check.
  // REQUIRES: Finish called.
  unsigned char GetDigestByte(int i) const { return digest[i]; }

  // One-shot: the digest of `len` bytes at `data` into `out` (20 bytes).
  static void Digest(const void* data, int len, unsigned char out[kSha1DigestLen]);

 private:
  void Transform();
  uint32_t blk0(int i);
  uint32_t blk(int i);
  // The step functions of the four round groups. a..e are positions in `work`, so the
  // five round variables rotate by position instead of being copied.
  void R0(int i, int a, int b, int c, int d, int e);
  void R1(int i, int a, int b, int c, int d, int e);
  void R2(int i, int a, int b, int c, int d, int e);
  void R3(int i, int a, int b, int c, int d, int e);
  void R4(int i, int a, int b, int c, int d, int e);

  uint32_t state[5];
  uint32_t block[16];  // buffered message bytes; words are taken big-endian when processed
  unsigned char digest[kSha1DigestLen];
  uint8_t finished;
  uint64_t bitCount;
  int fill;  // bytes in block, 0..63
  uint32_t work[5];
};

#endif  // ZOLT_CRYPT_SHA1_H_
