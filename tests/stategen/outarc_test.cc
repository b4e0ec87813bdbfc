#include "stategen/outarc.h"

#include <gtest/gtest.h>

#include "main/globals.h"
#include "support/console.h"
#include "util/units.h"

namespace molvex {
namespace {

// Three basic components of types 1, 1, 2 (rate names LAM1, LAM1, MU), one
// of each; the source is state 4 with all units working.
struct Fixture {
  testing::ScratchDir dir;
  Array1<std::string> names{3, std::string(NAMLEN, ' ')};
  Array1<std::string> dormant{3, std::string(NAMLEN, ' ')};
  Array1<int> trncst{3, 0}, bastyp{3}, cur{5}, nw{5};
  ArcTable arcs;
  Fixture() {
    INITDR();
    names(1).replace(0, 4, "LAM1");
    names(2).replace(0, 4, "LAM1");  // a second type with the same rate name
    names(3) = "ABCDEFGHIJKLMNO";    // fills all 15 characters
    dormant(1).replace(0, 4, "DLAM");
    dormant(2).replace(0, 4, "LAM1");  // dormant units at the rate of those in use
    const int types[] = {1, 2, 3};
    for (int i = 1; i <= 3; ++i) {
      bastyp(i) = types[i - 1];
      cur(i) = 1;
      nw(i) = 1;
    }
    nw(1) = 0;
    cur(5) = 4;
    EXPECT_EQ(openOutput(INTUNT, "T.INT"), 1);
  }
  void add(int to, int be, int mul, int dorm = 0) {
    ++arcs.NTRANS;
    arcs.ARCTO(arcs.NTRANS) = to;
    arcs.ARCBE(arcs.NTRANS) = be;
    arcs.ARCMUL(arcs.NTRANS) = mul;
    arcs.ARCDRM(arcs.NTRANS) = dorm;
  }
  std::vector<std::string> write(int trunc, int verbose) {
    CommentHead head;
    commentHead(head, cur, 3);
    const ArcStates s{cur(5), 3, cur, nw, trunc, verbose, head};
    for (int k = 1; k <= arcs.NTRANS; ++k) {
      if (arcs.ARCTO(k) != 0) OUTARC(s, k, {names, dormant}, trncst, bastyp, arcs);
    }
    EXPECT_EQ(closeUnit(INTUNT), 1);
    return testing::splitLines(dir.read("T.INT"));
  }
};

TEST(MarkovArcs, TransitionsToOneTargetMergeWhenTheirRateNamesAgree) {
  Fixture f;
  f.add(5, 1, 1);
  f.add(5, 2, 1);   // type 2 is also named LAM1: merged
  f.add(5, 3, 1);   // another name: an arc of its own
  f.add(-6, 1, 3);  // a failure state
  EXPECT_EQ(f.write(0, 0), (std::vector<std::string>{
                               " 4 5    2*LAM1;             ",
                               " 4 5    ABCDEFGHIJKLMNO;  ",
                               " 4 6    3*LAM1*X;           ",
                           }));
}

TEST(MarkovArcs, DormantUnitsFailAtTheirOwnRateNameAndMergeByIt) {
  Fixture f;
  f.add(5, 1, 1);
  f.add(5, 1, 2, 1);   // the dormant units of type 1: DLAM, an arc of its own
  f.add(5, 2, 1, 1);   // type 2's dormant rate is LAM1: merged into the first
  f.add(-6, 1, 1, 1);  // into the failure state of type 1, at DLAM
  EXPECT_EQ(f.write(0, 0), (std::vector<std::string>{
                               " 4 5    2*LAM1;             ",
                               " 4 5    2*DLAM;             ",
                               " 4 6    DLAM*X;           ",
                           }));
}

TEST(MarkovArcs, VerboseArcsTakeThreeLines) {
  Fixture f;
  f.add(5, 1, 1);
  f.add(-7, 3, 1);
  EXPECT_EQ(f.write(0, 1), (std::vector<std::string>{
                               " * 1 1 1 -> 0 1 1    1*LAM1;             ",
                               " 4 5    LAM1;             ",
                               " ",
                               " * 1 1 1 -> F 3    1*ABCDEFGHIJKLMNO*X;",
                               " 4 7    ABCDEFGHIJKLMNO*X;",
                               " ",
                           }));
}

TEST(MarkovArcs, ArcsIntoTheTruncationStateAreMarkedWhileTruncating) {
  Fixture f;
  f.trncst(1) = 9;
  f.add(9, 1, 1);
  f.add(9, 3, 2);  // type 3 has no truncation state 9
  EXPECT_EQ(f.write(1, 0), (std::vector<std::string>{
                               " 4 9    LAM1*X;           ",
                               " 4 9    2*ABCDEFGHIJKLMNO;  ",
                           }));
}

}  // namespace
}  // namespace molvex
