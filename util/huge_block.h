// Blocks of 2 MiB, aligned to 2 MiB so that each can be one huge page, for the stores that
// hold a big file's many small records. GUI thread only.
#ifndef ZOLT_UTIL_HUGE_BLOCK_H_
#define ZOLT_UTIL_HUGE_BLOCK_H_

#include <cstddef>

constexpr size_t kHugeBlockBytes = size_t{2} << 20;

// A new zeroed block of kHugeBlockBytes, aligned to its size, backed by a huge page where
// the system allows and `hugePage` asks for it, or while a big file is read. Never given
// back. Throws std::bad_alloc when there is no memory. A huge page is cleared and counted
// whole at its first touch, so a store asks for one only from its second block on, unless
// a big file is on its way: small files keep their few pages, big ones take a few hundred
// faults instead of thousands.
void* mapHugeBlock(bool hugePage);
// Set while a big file is read (store/load_memory.h).
void setBigLoadUnderway(bool on);

// False in builds with a sanitizer: there every record takes a heap block of its own, so
// that the sanitizer watches its bounds and its lifetime.
bool useHugeBlocks();

#endif  // ZOLT_UTIL_HUGE_BLOCK_H_
