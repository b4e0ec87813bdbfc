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
// bits (numbers, plain records of them) are left as the storage gives them,
// which holds them zero only where the storage is fresh: see TableStore.
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

// A vector of that storage, which offers only what keeps a value-initialized
// element zero: made with a size, its storage is fresh; it grows by values
// given, never by elements made without one, which storage kept from before
// a shrink would show with its old values.
template <class T>
class TableStore {
 public:
  TableStore() = default;
  explicit TableStore(std::size_t n) : v_(n) {}
  TableStore(std::size_t n, const T& value) : v_(n, value) {}

  void push_back(const T& value) { v_.push_back(value); }
  void reserve(std::size_t n) { v_.reserve(n); }
  void resize(std::size_t n, const T& value) { v_.resize(n, value); }
  void assign(std::size_t n, const T& value) { v_.assign(n, value); }

  std::size_t size() const { return v_.size(); }
  bool empty() const { return v_.empty(); }
  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  const T* begin() const { return v_.data(); }
  const T* end() const { return v_.data() + v_.size(); }

 private:
  std::vector<T, ZeroedAllocator<T>> v_;
};

}  // namespace molvex
