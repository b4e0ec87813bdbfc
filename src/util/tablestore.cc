#include "util/tablestore.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace molvex {
namespace {

#ifdef __linux__
// Blocks from this size on are mapped on their own, so that they are fresh
// zero pages whatever the allocator kept from earlier models.
constexpr std::size_t mappedFrom = std::size_t{1} << 21;
#endif

}  // namespace

void* zeroedStorage(std::size_t bytes) {
#ifdef __linux__
  if (bytes >= mappedFrom) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    madvise(p, bytes, MADV_HUGEPAGE);
    return p;
  }
#endif
  void* p = std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void releaseStorage(void* storage, std::size_t bytes) {
#ifdef __linux__
  if (bytes >= mappedFrom) {
    munmap(storage, bytes);
    return;
  }
#endif
  std::free(storage);
}

}  // namespace molvex
