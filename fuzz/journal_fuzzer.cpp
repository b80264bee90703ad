// One journal file replayed over a small master file, then the document saved and read back.
#include "fuzz/target.h"

ZOLT_FUZZ_TARGET(zoltfuzz::checkJournal)
