// An export file inserted into a small document, then the document saved and read back.
#include "fuzz/target.h"

ZOLT_FUZZ_TARGET(zoltfuzz::checkInsert)
