// Memory for loading a big file: the heap grown once, ahead of the load, in huge pages.
// GUI thread only (it changes how the process's heap grows while a load runs).
#ifndef ZOLT_STORE_LOAD_MEMORY_H_
#define ZOLT_STORE_LOAD_MEMORY_H_

#include <cstddef>

// While alive, and when `fileBytes` is large, the heap holds room for what loading a file
// of that size makes (items, texts, calendar entries), backed by huge pages where the
// system allows: loading then takes a few hundred page faults instead of tens of
// thousands, which on a virtual machine cost more than the parsing. Memory not touched
// stays virtual. The stores of util/huge_block.h take huge pages from their first block on
// too. The heap's usual growth is restored at the end.
class LoadMemory {
 public:
  explicit LoadMemory(size_t fileBytes);
  ~LoadMemory();
  LoadMemory(const LoadMemory&) = delete;
  LoadMemory& operator=(const LoadMemory&) = delete;

 private:
  bool reserved = false;
};

#endif  // ZOLT_STORE_LOAD_MEMORY_H_
