// The Twofish block cipher (128-bit blocks, 16 rounds, key-dependent S-boxes) as its
// designers published it, and the byte-buffer front end the key manager and the
// encrypted descriptions use: whole buffers in ECB, or CBC with a random front block.
// Any thread; the process-wide MDS tables are built on first use.
#ifndef ZOLT_CRYPT_TWOFISH_H_
#define ZOLT_CRYPT_TWOFISH_H_

#include <cstdint>

// Results of the inner interface (names of the published reference interface).
constexpr int kTwofishOk = 1;
constexpr int kTwofishBadKeyDir = -1;
constexpr int kTwofishBadKeyMat = -2;
constexpr int kTwofishBadKeyInstance = -3;
constexpr int kTwofishBadCipherMode = -4;
constexpr int kTwofishBadCipherState = -5;
constexpr int kTwofishBadInputLen = -6;

constexpr int kTwofishDirEncrypt = 0;
constexpr int kTwofishDirDecrypt = 1;
constexpr int kTwofishModeEcb = 1;
constexpr int kTwofishModeCbc = 2;
constexpr int kTwofishModeCfb1 = 3;  // known to the interface, not implemented
constexpr int kTwofishBlockBytes = 16;

// A key set up for use: the key words, the round subkeys and the S-boxes expanded
// with the MDS matrix into four lookup tables (full keying).
struct T_keyInstance {
  int direction;         // kTwofishDirEncrypt or kTwofishDirDecrypt; both may run either way
  int keyLen;            // bits, rounded up to a multiple of 64 (128, 192 or 256)
  int numRounds;         // 16
  uint32_t key32[8];     // key word i = bytes 4i..4i+3, least significant first
  uint32_t subKeys[40];  // whitening words 0..7, then two round words per round
  uint32_t sBox[4][256];
};

// The mode and the chaining value; blockEncrypt/blockDecrypt advance the chaining value
// in CBC, so consecutive calls continue one chain.
struct T_cipherInstance {
  int mode;          // kTwofishModeEcb or kTwofishModeCbc
  uint32_t iv32[4];  // chaining value, bytes as in a block (least significant first)
};

class Twofish {
 public:
  // Encrypts `len` bytes under the `keyLen`-byte key. The last block is filled with random
  // pad bytes; with `cbc` a random front block goes before the data and the chain starts
  // from sixteen zero bytes, so equal texts give unrelated ciphertexts. Returns a buffer
  // of outLen = 16 * blocks bytes that the caller frees with free(), or null when the key
  // is unusable or random bytes are needed and none can be had. `data` is not changed.
  // With `cbc` and a `front` (16 bytes), that block goes first instead of a random one.
  static unsigned char* Encrypt(const unsigned char* data, int len, const unsigned char* key,
                                int keyLen, int& outLen, bool cbc,
                                const unsigned char* front = nullptr);
  // Decrypts `len` bytes (zero-extended to the block boundary). With `cbc` the chain
  // starts from the first input block and the decryption of that block is dropped. The
  // plaintext keeps its pad bytes. Returns a buffer of outLen bytes that the caller frees
  // with free(), or null on failure (also for an empty CBC input). With `cbc` and a `front`
  // (16 bytes), the decryption of the front block goes there.
  static unsigned char* Decrypt(const unsigned char* data, int len, const unsigned char* key,
                                int keyLen, int& outLen, bool cbc, unsigned char* front = nullptr);

  // The inner interface. Each returns kTwofishOk or a negative error code; the block
  // operations return the number of bits processed.

  // Prepares `key` for `keyLen` bits (rounded up to 64; 1..256). With `keyMaterial`
  // (keyLen / 8 raw key bytes) the key words are filled and the schedule computed;
  // with null the key words are cleared and the caller fills them, then calls reKey.
  static int makeKey(T_keyInstance* key, int direction, int keyLen,
                     const unsigned char* keyMaterial);
  // Computes the subkeys and S-box tables from the key words.
  static int reKey(T_keyInstance* key);
  // Sets the mode; `iv` (16 bytes) sets the chaining value, null clears it.
  static int cipherInit(T_cipherInstance* cipher, int mode, const unsigned char* iv);
  // REQUIRES: inputLen (bits) a multiple of 128; `output` may equal `input`.
  static int blockEncrypt(T_cipherInstance* cipher, const T_keyInstance* key,
                          const unsigned char* input, int inputLen, unsigned char* output);
  static int blockDecrypt(T_cipherInstance* cipher, const T_keyInstance* key,
                          const unsigned char* input, int inputLen, unsigned char* output);
};

#endif  // ZOLT_CRYPT_TWOFISH_H_
