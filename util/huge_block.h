// Blocks of 2 MiB, aligned to 2 MiB so that each can be one huge page, for the stores that
// hold a big file's many small records. GUI thread only.
#ifndef ZOLT_UTIL_HUGE_BLOCK_H_
#define ZOLT_UTIL_HUGE_BLOCK_H_

#include <cstddef>

constexpr size_t kHugeBlockBytes = size_t{2} << 20;

// A new zeroed block of kHugeBlockBytes, aligned to its size, backed by a huge page where
// the system allows and `hugePage` asks for it. Never given back. Throws std::bad_alloc when
// there is no memory. A huge page is cleared and counted whole at its first touch, so a
// store asks for one only from its second block on: small files keep their few pages.
void* mapHugeBlock(bool hugePage);

// False in builds with a sanitizer: there every record takes a heap block of its own, so
// that the sanitizer watches its bounds and its lifetime.
bool useHugeBlocks();

#endif  // ZOLT_UTIL_HUGE_BLOCK_H_
