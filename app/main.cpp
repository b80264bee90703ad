// Zolt: a desktop organizer for one person.
#include <sys/prctl.h>
#include <sys/resource.h>

#include "app/startup.h"

// Decrypted descriptions and the master key live in this process's memory: a crash must
// not write them into a core file, and no other process of the user may read it.
static void disableCoreDumps() {
  struct rlimit none = {0, 0};
  setrlimit(RLIMIT_CORE, &none);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

int main(int argc, char** argv) {
  disableCoreDumps();
  return zoltMain(argc, argv);
}
