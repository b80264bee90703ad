// The master data file: read, and an accepted file saved, read back and saved again.
#include "fuzz/target.h"

ZOLT_FUZZ_TARGET(zoltfuzz::checkDataFile)
