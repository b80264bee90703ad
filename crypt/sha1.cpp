#include "crypt/sha1.h"

#include <string.h>

static inline uint32_t rol(uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

Hash_SHA1::~Hash_SHA1() { explicit_bzero(this, sizeof *this); }

void Hash_SHA1::Init() {
  state[0] = 0x67452301;
  state[1] = 0xEFCDAB89;
  state[2] = 0x98BADCFE;
  state[3] = 0x10325476;
  state[4] = 0xC3D2E1F0;
  memset(block, 0, sizeof block);
  memset(digest, 0, sizeof digest);
  memset(work, 0, sizeof work);
  finished = 0;
  bitCount = 0;
  fill = 0;
}

// Message word i of the current block, loaded big-endian from the buffered bytes; the
// word replaces its bytes so that blk() can expand the schedule in place.
uint32_t Hash_SHA1::blk0(int i) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(block) + 4 * i;
  block[i] = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  return block[i];
}

// Expanded message word i (16..79) in a 16-word circular schedule.
uint32_t Hash_SHA1::blk(int i) {
  uint32_t* w = block;
  w[i & 15] = rol(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
  return w[i & 15];
}

void Hash_SHA1::R0(int i, int a, int b, int c, int d, int e) {
  uint32_t* v = work;
  v[e] += ((v[b] & (v[c] ^ v[d])) ^ v[d]) + blk0(i) + 0x5A827999 + rol(v[a], 5);
  v[b] = rol(v[b], 30);
}

void Hash_SHA1::R1(int i, int a, int b, int c, int d, int e) {
  uint32_t* v = work;
  v[e] += ((v[b] & (v[c] ^ v[d])) ^ v[d]) + blk(i) + 0x5A827999 + rol(v[a], 5);
  v[b] = rol(v[b], 30);
}

void Hash_SHA1::R2(int i, int a, int b, int c, int d, int e) {
  uint32_t* v = work;
  v[e] += (v[b] ^ v[c] ^ v[d]) + blk(i) + 0x6ED9EBA1 + rol(v[a], 5);
  v[b] = rol(v[b], 30);
}

void Hash_SHA1::R3(int i, int a, int b, int c, int d, int e) {
  uint32_t* v = work;
  v[e] += (((v[b] | v[c]) & v[d]) | (v[b] & v[c])) + blk(i) + 0x8F1BBCDC + rol(v[a], 5);
  v[b] = rol(v[b], 30);
}

void Hash_SHA1::R4(int i, int a, int b, int c, int d, int e) {
  uint32_t* v = work;
  v[e] += (v[b] ^ v[c] ^ v[d]) + blk(i) + 0xCA62C1D6 + rol(v[a], 5);
  v[b] = rol(v[b], 30);
}

void Hash_SHA1::Transform() {
  memcpy(work, state, sizeof work);
  // Step i works on the variables rotated right by i positions: (a,b,c,d,e) is
  // (0,1,2,3,4) at step 0, (4,0,1,2,3) at step 1, and so on.
  for (int i = 0; i < 80; ++i) {
    int a = (5 - i % 5) % 5;
    int b = (a + 1) % 5, c = (a + 2) % 5, d = (a + 3) % 5, e = (a + 4) % 5;
    if (i < 16) {
      R0(i, a, b, c, d, e);
    } else if (i < 20) {
      R1(i, a, b, c, d, e);
    } else if (i < 40) {
      R2(i, a, b, c, d, e);
    } else if (i < 60) {
      R3(i, a, b, c, d, e);
    } else {
      R4(i, a, b, c, d, e);
    }
  }
  for (int k = 0; k < 5; ++k) state[k] += work[k];
}

void Hash_SHA1::Update(const char* data, int len) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(block);
  for (int i = 0; i < len; ++i) {
    bytes[fill++] = static_cast<unsigned char>(data[i]);
    bitCount += 8;
    if (fill == 64) {
      Transform();
      fill = 0;
    }
  }
}

void Hash_SHA1::Finish() {
  uint64_t bits = bitCount;
  unsigned char* bytes = reinterpret_cast<unsigned char*>(block);
  bytes[fill++] = 0x80;
  if (fill > 56) {
    while (fill < 64) bytes[fill++] = 0;
    Transform();
    fill = 0;
  }
  while (fill < 56) bytes[fill++] = 0;
  for (int k = 0; k < 8; ++k) bytes[56 + k] = static_cast<unsigned char>(bits >> (56 - 8 * k));
  Transform();
  fill = 0;
  for (int k = 0; k < kSha1DigestLen; ++k) {
    digest[k] = static_cast<unsigned char>(state[k / 4] >> (24 - 8 * (k % 4)));
  }
  finished = 1;
}

void Hash_SHA1::Digest(const void* data, int len, unsigned char out[kSha1DigestLen]) {
  Hash_SHA1 hash;
  hash.Update(static_cast<const char*>(data), len);
  hash.Finish();
  memcpy(out, hash.digest, kSha1DigestLen);
}
