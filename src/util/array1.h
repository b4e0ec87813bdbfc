// One-based, size-carrying integer tables.
//
// Place offsets, pool pointers and queue positions are stored in tables and
// printed in messages, so the tables are indexed exactly as the numbers read:
// element 1 is the first.  Every table carries its declared size, and every
// access is checked against it.  A routine that receives a table receives the
// view (Span1), which knows its own size; a sub-range of a table (the free
// tail of the place table used as a stack, one record of a node pool) is a
// view of the same storage.
//
// The routines check their own limits and report them with the system's
// messages before touching a table; the check here is the last line of
// defence against a fault in that logic, and it stops the process rather than
// let a write land outside its table.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "util/tablestore.h"

namespace molvex {

[[noreturn]] inline void indexFault(long index, long size) {
  std::fprintf(stderr, " **** INTERNAL ERROR: INDEX %ld OUTSIDE TABLE OF %ld WORDS ****\n",
               index, size);
  std::abort();
}

template <class T>
class Span1 {
 public:
  Span1() = default;
  Span1(T* first, int size) : data_(first), size_(size) {}

  int size() const { return size_; }

  T& operator()(int i) const {
    if (i < 1 || i > size_) indexFault(i, size_);
    return data_[i - 1];
  }

  // Element 1's address, for a loop over elements 1..count checked here
  // once: a count past the table stops the process as the loop's first
  // access past it would have.
  T* checkedRun(int count) const {
    if (count > size_) indexFault(static_cast<long>(size_) + 1, size_);
    return data_;
  }

  // Elements first .. first+count-1 of this table, as a table of its own
  // whose element 1 is element `first` here.
  Span1 slice(int first, int count) const {
    // The end is formed in long: a huge count must not wrap it below size_.
    const long end = static_cast<long>(first) - 1 + count;
    if (count < 0 || first < 1 || end > size_) indexFault(count < 0 ? count : end, size_);
    return Span1(data_ + (first - 1), count);
  }

  // The loops run on locals: a store through data_ could otherwise be one to
  // size_ or to the value, and the compiler would read them again each time
  // instead of storing a vector at once.
  void fill(const T& value) const {
    T* const d = data_;
    const int n = size_;
    const T v = value;
    for (int i = 0; i < n; ++i) d[i] = v;
  }

  // Copies elements 1..count of `from` into 1..count of this table.
  void copyFrom(const Span1<const T>& from, int count) const {
    if (count > size_) indexFault(count, size_);
    if (count > from.size()) indexFault(count, from.size());
    T* const d = data_;
    const T* const s = from.data_;
    for (int i = 0; i < count; ++i) d[i] = s[i];
  }

  operator Span1<const T>() const { return Span1<const T>(data_, size_); }

  T* begin() const { return data_; }
  T* end() const { return data_ + size_; }

 private:
  template <class U>
  friend class Span1;
  T* data_ = nullptr;
  int size_ = 0;
};

// Owns the storage of a table; sized once (per model), never grown while a
// chain is generated.
template <class T>
class Array1 : public Span1<T> {
 public:
  Array1() = default;
  explicit Array1(int size, const T& value = T()) { resize(size, value); }
  // The elements of a vector filled beforehand, taken over without a copy.
  explicit Array1(TableStore<T>&& from)
      : Span1<T>(from.data(), static_cast<int>(from.size())), store_(std::move(from)) {}
  Array1(const Array1&) = delete;
  Array1& operator=(const Array1&) = delete;
  // A moved vector keeps its storage, so the view stays valid.
  Array1(Array1&& other) noexcept : Span1<T>(other), store_(std::move(other.store_)) {
    static_cast<Span1<T>&>(other) = Span1<T>();
  }
  Array1& operator=(Array1&& other) noexcept {
    store_ = std::move(other.store_);
    static_cast<Span1<T>&>(*this) = other;
    static_cast<Span1<T>&>(other) = Span1<T>();
    return *this;
  }

  // A new table of zeros is fresh storage, written by nobody; a table that
  // has elements keeps its storage, so that views of it stay valid where
  // they did.
  void resize(int size, const T& value = T()) {
    if (store_.empty() && zeroBits(value))
      store_ = TableStore<T>(static_cast<std::size_t>(size));
    else
      store_.assign(static_cast<std::size_t>(size), value);
    static_cast<Span1<T>&>(*this) = Span1<T>(store_.data(), size);
  }
  // To `size` elements (no fewer than now), the new ones `value`, keeping
  // the others.  Views of the old elements are stale afterwards.
  void grow(int size, const T& value = T()) {
    store_.resize(static_cast<std::size_t>(std::max(size, this->size())), value);
    static_cast<Span1<T>&>(*this) = Span1<T>(store_.data(), static_cast<int>(store_.size()));
  }

 private:
  static bool zeroBits(const T& value) {
    if constexpr (std::is_trivially_default_constructible_v<T> && std::is_trivially_copyable_v<T>) {
      const T zero{};
      return std::memcmp(&value, &zero, sizeof(T)) == 0;
    } else {
      return false;
    }
  }
  TableStore<T> store_;
};

using IntTab = Span1<int>;
using CIntTab = Span1<const int>;

}  // namespace molvex
