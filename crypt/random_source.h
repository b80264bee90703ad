// Random bytes for master keys, salts, key tails, pad bytes and front blocks, taken from
// the kernel's generator. Any thread (the test override is process-wide; set it only in
// single-threaded tests).
#ifndef ZOLT_CRYPT_RANDOM_SOURCE_H_
#define ZOLT_CRYPT_RANDOM_SOURCE_H_

#include <cstddef>

class RandomSource {
 public:
  // A replacement source: fills `len` bytes at `out`, false when it cannot.
  using FillFn = bool (*)(unsigned char* out, size_t len);

  // Fills all `len` bytes at `out`. Returns false when the kernel gives no random bytes;
  // `out` must then not be used as random.
  [[nodiscard]] static bool fill(unsigned char* out, size_t len);
  // Tests only: routes fill() to `fn` (null: back to the kernel).
  static void setForTesting(FillFn fn);
};

#endif  // ZOLT_CRYPT_RANDOM_SOURCE_H_
