// Storage of number tables that the system hands out zeroed.
//
// The generation's tables are sized once for the largest model, tens of
// megabytes, while a small model reaches a few pages of them: writing them
// zero when they are made cost more than the generation of a model of
// thousands of states.  Storage from here is zero without being written, and
// its pages cost nothing until a chain reaches them; a large block comes in
// pages of 2 MiB where the system offers them, since on this kind of machine
// the fault of each page of 4 KiB costs more than writing the page.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace molvex {

// `bytes` of zeroed storage (never null: std::bad_alloc instead), and its
// release; a release must give the size the storage was asked for.
void* zeroedStorage(std::size_t bytes);
void releaseStorage(void* storage, std::size_t bytes);

// Value-initialized elements of a type whose value-initialization is all zero
// bits (numbers, plain records of them) are left as the storage gives them;
// a vector of this storage must therefore not be resized without a value
// after it shrank, which would leave the old values (Array1 never does; the
// callers that hand it a vector build it by pushing or with values).
template <class T>
struct ZeroedAllocator {
  using value_type = T;
  ZeroedAllocator() = default;
  template <class U>
  ZeroedAllocator(const ZeroedAllocator<U>&) {}

  T* allocate(std::size_t n) { return static_cast<T*>(zeroedStorage(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { releaseStorage(p, n * sizeof(T)); }

  template <class U>
  void construct(U* p) {
    if constexpr (!std::is_trivially_default_constructible_v<U>) ::new (static_cast<void*>(p)) U();
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  template <class U>
  bool operator==(const ZeroedAllocator<U>&) const {
    return true;
  }
};

template <class T>
using TableStore = std::vector<T, ZeroedAllocator<T>>;

}  // namespace molvex
