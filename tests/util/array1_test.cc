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
}

}  // namespace
}  // namespace molvex
