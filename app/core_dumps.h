// Keeps the process's memory out of core files and away from the user's other processes.
#ifndef ZOLT_APP_CORE_DUMPS_H_
#define ZOLT_APP_CORE_DUMPS_H_

// Decrypted descriptions and the master key live in this process's memory: a crash must
// not write them into a core file, and no other process of the user may read it.
void disableCoreDumps();

#endif  // ZOLT_APP_CORE_DUMPS_H_
