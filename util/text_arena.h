// Room for the many short texts of a loaded file, packed one after another in huge blocks
// instead of a heap block each: a heap block costs its header and rounding (a quarter of
// a 40-byte text) and the call. Texts taken here are never given back one by one; the
// blocks live until the process ends. GUI thread only.
#ifndef ZOLT_UTIL_TEXT_ARENA_H_
#define ZOLT_UTIL_TEXT_ARENA_H_

#include <cstddef>

// Texts longer than this take a heap block of their own.
constexpr size_t kArenaTextMax = 4096;

// `n` bytes (1 to kArenaTextMax) of arena memory, or null when the arena does not take
// them (too long, or a build with a sanitizer, which watches heap blocks only).
char* arenaTake(size_t n);
// Gives back the `n` bytes of the last arenaTake (`p`), such as those of a read that
// failed; any other memory stays taken.
void arenaGiveBackLast(char* p, size_t n);
// Whether `p` points into the arena: then it must not be passed to free().
bool arenaOwns(const void* p);

#endif  // ZOLT_UTIL_TEXT_ARENA_H_
