// Loads a master data file and prints the peak resident memory of this process in KiB:
// zolt_load_peak FILE. Run as a program of its own, so that no page of a bigger process
// (the benchmark) counts in it.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "document/zolt.h"

// The high-water mark of this process's own memory. ru_maxrss is not used: Linux folds
// the peak of the image an exec replaced into it, so a child of a big process would
// report its parent's size.
static long peakKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, 6, "VmHWM:") == 0) return atol(line.c_str() + 6);
  }
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: zolt_load_peak FILE\n");
    return 2;
  }
  Zolt z;
  z.createRoot();
  if (z.readData(argv[1]) != 0) {
    fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  printf("%ld\n", peakKiB());
  fflush(stdout);
  // Freeing a big tree takes a while and is not part of loading: the process just ends.
  _Exit(0);
}
