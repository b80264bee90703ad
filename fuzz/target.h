// The body every fuzz target shares: the library's own diagnostics on standard error are
// silenced (damaged input makes a lot of them, and they slow the fuzzer down), a fault the
// check reports is printed and aborts, which libFuzzer takes as a crash and keeps.
#ifndef ZOLT_FUZZ_TARGET_H_
#define ZOLT_FUZZ_TARGET_H_

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "fuzz/checks.h"

#define ZOLT_FUZZ_TARGET(check)                                             \
  extern "C" int LLVMFuzzerInitialize(int*, char***) {                      \
    std::cerr.rdbuf(nullptr);                                               \
    return 0;                                                               \
  }                                                                         \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
    std::string fault = check(data, size);                                  \
    if (!fault.empty()) {                                                   \
      fprintf(stderr, "%s\n", fault.c_str());                               \
      abort();                                                              \
    }                                                                       \
    return 0;                                                               \
  }

#endif  // ZOLT_FUZZ_TARGET_H_
