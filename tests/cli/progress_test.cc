// The progress line: shown only where asked and once its first delay has
// passed, written over in place, and cleared at the end.
#include "cli/progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace molvex {
namespace {

TEST(Progress, WritesOneLineOverItselfAndClearsIt) {
  std::ostringstream out;
  {
    Progress p(&out, Progress::Clock::duration::zero(), Progress::Clock::duration::zero());
    p.show("12 states");
    p.show("9 st");
  }
  EXPECT_EQ(out.str(), "\r12 states\r9 st     \r    \r");
  std::ostringstream late;
  {
    Progress p(&late, std::chrono::hours(1));
    p.show("never");
  }
  EXPECT_EQ(late.str(), "");
  Progress none(nullptr, Progress::Clock::duration::zero());
  none.show("nowhere");
  none.clear();
}

}  // namespace
}  // namespace molvex
