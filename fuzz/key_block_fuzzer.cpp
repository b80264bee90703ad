// The key block: read, a login tried, written and read back.
#include "fuzz/target.h"

ZOLT_FUZZ_TARGET(zoltfuzz::checkKeyBlock)
