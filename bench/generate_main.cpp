// Writes a benchmark data file: zolt_generate FILE ITEMS [SEED]
#include <cstdio>
#include <cstdlib>

#include "bench/data_generator.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: zolt_generate FILE ITEMS [SEED]\n");
    return 2;
  }
  unsigned seed = argc > 3 ? static_cast<unsigned>(strtoul(argv[3], nullptr, 10)) : 42u;
  return generateDataFile(argv[1], atoi(argv[2]), seed) == 0 ? 0 : 1;
}
