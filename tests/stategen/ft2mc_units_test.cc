// Components of thousands of millions of units: the counts added up on the
// way (a merged rate multiplier, the failed inputs of an M/N gate, the units
// ahead of a spare, the units held by cold spare gates) pass the int range,
// and the chain must still come out right.  Truncated after one failure, so
// that the chains stay small.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stategen/ft2mc.h"
#include "support/console.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;

// The .INT lines of the model M with this fault tree file, truncated after
// one failure.
Lines chain(const std::string& tree) {
  testing::ScratchDir dir;
  testing::Console con;
  dir.write("M.DIC", "1 PART LAM\n  BODY\n");
  dir.write("M.FTR", tree);
  EXPECT_EQ(FT2MC("M              ", 15, 1, 1), 1);
  EXPECT_TRUE(con.lines().empty());
  return testing::splitLines(dir.read("M.INT"));
}

// The arc lines of a rate text, padded to its 18 characters.
std::string rate(const std::string& text) { return text + std::string(18 - text.size(), ' '); }

TEST(ManyUnits, TransitionsMergedIntoOneArcAddTheirUnitsWhole) {
  // Either component failing fails the system: both arcs go to the failure
  // state of type 1 and are written as one.
  EXPECT_EQ(chain("N 1 1 16 2000000000*1\nN 2 2 16 2000000000*1\nN 3 3 17\nA 1 1 3 3\n"
                  "A 2 2 3 3\nN 4 4 22\nA 3 3 4 4\n"),
            (Lines{" SORTED TRUNC= 1",
                   " * 2000000000 2000000000 -> F 1    4000000000*" + rate("LAM*X;"),
                   " 1 2    4000000000*" + rate("LAM*X;"), " "}));
}

TEST(ManyUnits, AnMofNGateCountsFailedInputsOfManyUnits) {
  // The trigger takes both components down at once; the boxes pass their
  // failed units to the gate, which needs 2147483647 of them.
  const Lines arcs = chain(
      "N 1 1 16 1\nN 2 2 16 2000000000*1\nN 3 3 16 2000000000*1\nN 4 4 21 X\nA 2 2 4 4\n"
      "N 5 5 21 Y\nA 3 3 5 5\nN 6 6 18 2147483647/2\nA 4 4 6 6\nA 5 5 6 6\nN 7 7 29\n"
      "A 1 1 7 7\nA 2 2 7 7\nA 3 3 7 7\nN 8 8 22\nA 6 6 8 8\n");
  ASSERT_GE(arcs.size(), 3u);
  EXPECT_EQ(arcs[1], " * 1 2000000000 2000000000 -> F 1    1*" + rate("LAM*X;"));
  EXPECT_EQ(arcs[2], " 1 2    " + rate("LAM*X;"));
}

TEST(ManyUnits, ASpareIsDormantWhileTheUnitsAheadOfItFillTheDemand) {
  // Primary and first spare hold 4000000000 units ahead of the second
  // spare, which stays dormant; the first spare takes over once the primary
  // has lost a unit.
  EXPECT_EQ(chain("N 1 1 16 2000000000*1\nN 2 2 16 2000000000*1\nN 3 3 16 1\nN 4 4 25\n"
                  "A 1 1 4 4\nA 2 2 4 4\nA 3 3 4 4\nN 5 5 22\nA 4 4 5 5\n"),
            (Lines{" SORTED TRUNC= 1 CSPARE",
                   " * 2000000000 2000000000 1 -> 1999999999 2000000000 1    2000000000*" +
                       rate("LAM;"),
                   " 1 2    2000000000*" + rate("LAM;"), " ",
                   " * 1999999999 2000000000 1 -> 1999999998 2000000000 1    2000000000*" +
                       rate("LAM*X;"),
                   " 2 3    2000000000*" + rate("LAM*X;"), " "}));
}

TEST(ManyUnits, GatesThatShareAPrimaryOfManyUnitsEachOfferAnAlternative) {
  // Two gates over the same primary and spare: each holds the primary's
  // 2000000000 units, so its failure has one alternative per gate.
  const Lines arcs = chain(
      "N 1 1 16 2000000000*1\nN 3 3 16 1\nN 4 4 25\nA 1 1 4 4\nA 3 3 4 4\nN 6 6 25\n"
      "A 1 1 6 6\nA 3 3 6 6\nN 7 7 19\nA 4 4 7 7\nA 6 6 7 7\nN 5 5 22\nA 7 7 5 5\n");
  ASSERT_GE(arcs.size(), 7u);
  EXPECT_EQ(Lines(arcs.begin() + 1, arcs.begin() + 7),
            (Lines{" * 2000000000 1 2000000000 0 2000000000 0 -> 1999999999 1 1999999999 1 "
                   "2000000000 0    2000000000*" + rate("LAM;"),
                   " 1 2    2000000000*" + rate("LAM;"), " ",
                   " * 2000000000 1 2000000000 0 2000000000 0 -> 1999999999 1 2000000000 0 "
                   "1999999999 1    2000000000*" + rate("LAM;"),
                   " 1 3    2000000000*" + rate("LAM;"), " "}));
}

}  // namespace
}  // namespace molvex
