// The user configuration file and the command line (the first byte chooses).
#include "fuzz/target.h"

ZOLT_FUZZ_TARGET(zoltfuzz::checkConfigAndCommandLine)
