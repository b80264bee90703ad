#include "crypt/random_source.h"

#include <errno.h>
#include <sys/random.h>

static RandomSource::FillFn testFill = nullptr;

void RandomSource::setForTesting(FillFn fn) { testFill = fn; }

bool RandomSource::fill(unsigned char* out, size_t len) {
  if (testFill != nullptr) return testFill(out, len);
  // One request for everything still missing; the kernel may return less when a signal
  // arrives or for very large requests, so ask again for the rest.
  size_t done = 0;
  while (done < len) {
    ssize_t got = getrandom(out + done, len - done, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}
