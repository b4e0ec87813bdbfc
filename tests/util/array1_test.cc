#include "util/array1.h"

#include <gtest/gtest.h>

#include <climits>

namespace molvex {
namespace {

TEST(Array1, IsOneBasedAndCarriesItsSize) {
  Array1<int> t(5, -1);
  EXPECT_EQ(t.size(), 5);
  t(1) = 10;
  t(5) = 50;
  EXPECT_EQ(t(1), 10);
  EXPECT_EQ(t(5), 50);
  EXPECT_EQ(t(3), -1);
}

TEST(Array1, SliceSharesStorageAndStartsAtOne) {
  Array1<int> t(10, 0);
  IntTab tail = t.slice(7, 4);
  EXPECT_EQ(tail.size(), 4);
  tail(1) = 70;
  tail(4) = 100;
  EXPECT_EQ(t(7), 70);
  EXPECT_EQ(t(10), 100);
}

TEST(Array1, CopyFromCopiesTheLeadingElements) {
  Array1<int> a(4, 7), b(6, 0);
  b.copyFrom(a, 4);
  EXPECT_EQ(b(4), 7);
  EXPECT_EQ(b(5), 0);
}

// Tables of zeros come from storage the system zeroed, not written: a table
// made again must not show what the one before held, whether it is small
// (the allocator's) or large (mapped on its own), nor a table grown by
// zeros the old values where the new elements lie.
TEST(Array1, TablesOfZerosAreZeroAfterEveryRemaking) {
  struct Record {
    int a;
    double b;
  };
  for (const int n : {3, 1 << 20}) {
    SCOPED_TRACE(n);
    Array1<int> ints(n);
    Array1<Record> records(n);
    const auto scribble = [&] {
      for (const int i : {1, n / 2 + 1, n}) {
        ints(i) = 7;
        records(i) = {7, 7.5};
      }
    };
    const auto allZero = [&] {
      for (const int i : {1, n / 2 + 1, n}) {
        if (ints(i) != 0 || records(i).a != 0 || records(i).b != 0.0) return false;
      }
      return true;
    };
    EXPECT_TRUE(allZero());
    scribble();
    const IntTab view = ints;
    ints.resize(n);
    records.resize(n);
    EXPECT_TRUE(allZero());
    EXPECT_EQ(view.begin(), ints.begin());  // a table remade keeps its storage
    ints.resize(n, 5);
    EXPECT_EQ(ints(n), 5);
    scribble();
    ints.resize(n, 0);
    records.resize(n, Record{});
    EXPECT_TRUE(allZero());
    scribble();
    ints.grow(2 * n);
    EXPECT_EQ(ints(n), 7);
    EXPECT_EQ(ints(n + 1), 0);
    EXPECT_EQ(ints(2 * n), 0);
  }
}

// Records with values of their own are made with them, from any storage;
// pushed past the size that is mapped on its own, they keep their values.
TEST(Array1, TakesOverAVectorOfRecordsGrownPastTheMappedSize) {
  struct Arc {
    int to = -1;
    double rate = 0.5;
  };
  const TableStore<Arc> made(3);
  EXPECT_EQ(made.begin()[2].to, -1);
  EXPECT_EQ(made.begin()[2].rate, 0.5);
  TableStore<Arc> arcs;
  for (int i = 0; i < (1 << 18); ++i) arcs.push_back({i, 1.0});
  arcs.resize(arcs.size() + 2, Arc{});
  const Array1<Arc> table(std::move(arcs));
  EXPECT_EQ(table((1 << 18)).to, (1 << 18) - 1);
  EXPECT_EQ(table((1 << 18) + 2).to, -1);
}

TEST(Array1DeathTest, AccessOutsideTheTableStops) {
  Array1<int> t(3);
  EXPECT_DEATH(t(0) = 1, "INDEX 0 OUTSIDE TABLE OF 3 WORDS");
  EXPECT_DEATH(t(4) = 1, "INDEX 4 OUTSIDE TABLE OF 3 WORDS");
  EXPECT_DEATH(t.slice(2, 3), "OUTSIDE TABLE OF 3 WORDS");
  IntTab part = t.slice(2, 2);
  EXPECT_DEATH(part(3) = 1, "INDEX 3 OUTSIDE TABLE OF 2 WORDS");
  // A count taken from a table word must not wrap the end past the check.
  EXPECT_DEATH(t.slice(2, INT_MAX), "INDEX 2147483648 OUTSIDE TABLE OF 3 WORDS");
  EXPECT_DEATH(t.slice(INT_MAX, 2), "INDEX 2147483648 OUTSIDE TABLE OF 3 WORDS");
  // A run checked once stops where the loop's first access past it would.
  EXPECT_DEATH(t.checkedRun(5), "INDEX 4 OUTSIDE TABLE OF 3 WORDS");
  EXPECT_EQ(t.checkedRun(3), t.begin());
}

}  // namespace
}  // namespace molvex
