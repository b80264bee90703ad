// Writes a benchmark data file:
// zolt_generate FILE ITEMS [SEED] [--uniform] [--short-notes] [--now=YYYY-MM-DD]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/data_generator.h"
#include "calendar/date_time.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(
        stderr,
        "usage: zolt_generate FILE ITEMS [SEED] [--uniform] [--short-notes] [--now=YYYY-MM-DD]\n");
    return 2;
  }
  GeneratorConfig config;
  config.items = atoi(argv[2]);
  for (int i = 3; i < argc; ++i) {
    int y, m, d;
    if (strcmp(argv[i], "--uniform") == 0) {
      config.spread = DateSpread::kUniform;
    } else if (strcmp(argv[i], "--short-notes") == 0) {
      config.shortNotes = true;
    } else if (sscanf(argv[i], "--now=%d-%d-%d", &y, &m, &d) == 3 && isValidDate(y, m, d)) {
      config.now = packDate(kNoTime, y, m, d);
    } else {
      config.seed = static_cast<unsigned>(strtoul(argv[i], nullptr, 10));
    }
  }
  return generateDataFile(argv[1], config) == 0 ? 0 : 1;
}
