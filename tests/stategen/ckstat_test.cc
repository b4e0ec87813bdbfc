#include "stategen/ckstat.h"

#include <gtest/gtest.h>

#include "ftinput/bldlst.h"
#include "main/globals.h"
#include "stategen/encst.h"
#include "support/console.h"

namespace molvex {
namespace {

// The top event is c1 OR (c2 AND c3): repairing c3 in {c1, c3} still leaves
// the system failed, so the canonical predecessor scan goes on downward.
struct Tree {
  testing::ScratchDir dir;
  FaultTree ft;
  Array1<int> work{WRKSIZ}, words1{1000}, words2{1000}, heads{MAXNSZ};
  StateStore st{{words1, heads}, {words2, heads}};
  Array1<int> cur{5}, nw{5}, trial{5}, code{6};
  // The canonical rule answers where the lists are walked; with an index
  // the level list is searched instead.
  explicit Tree(int indexed = 0) {
    INITDR();
    st.USEIDX = indexed;
    INIDYN(st.POOL1, 0, 1, 5, 6);
    INIDYN(st.POOL2, 0, 1, 5, 6);
    INIIDX(st);
    dir.write("T.FTR",
              "N 1 1 16 1\nN 2 2 16 1\nN 3 3 16 1\n"
              "N 4 4 19\nA 2 2 4 4\nA 3 3 4 4\n"
              "N 5 5 17\nA 1 1 5 5\nA 4 4 5 5\n"
              "N 6 6 22\nA 5 5 6 6\n");
    EXPECT_EQ(BLDLST("T.FTR", work, ft, st.POOL2, MAXNOD, MAXBAS), 1);
  }
  Check check(std::initializer_list<int> from, std::initializer_list<int> to) {
    int i = 1;
    for (int v : from) cur(i++) = v;
    i = 1;
    for (int v : to) nw(i++) = v;
    Check c{nw, cur, trial, code, 3, 3, 0, 0};
    return c;
  }
};

TEST(RootStateCheck, NewExactlyWhenGeneratedFromTheCanonicalPredecessor) {
  Tree t;
  struct Case {
    std::initializer_list<int> cur, nw;
    int newflg, failed;
  };
  const Case cases[] = {
      {{1, 1, 0, 1, 4}, {0, 1, 0, 2, 0}, 1, 0},  // repairing c3 leaves it failed: scan on to c1
      {{1, 1, 0, 1, 4}, {1, 0, 0, 2, 0}, 0, 1},  // {c2} is the working predecessor
      {{1, 0, 1, 1, 3}, {1, 0, 0, 2, 0}, 1, 0},  // c3 is the highest failed: this is it
      {{0, 1, 1, 1, 2}, {0, 0, 1, 2, 0}, 1, 0},
  };
  for (const Case& c : cases) {
    Check k = t.check(c.cur, c.nw);
    ASSERT_EQ(CKSTAT(t.st, t.ft, k), 1);
    EXPECT_EQ(k.NEWFLG, c.newflg);
    if (k.NEWFLG == 0) {
      EXPECT_EQ(k.FAILED, c.failed);
      EXPECT_EQ(k.LEVEL, 2);
      EXPECT_EQ(k.NUMBER, 0);
    }
  }
}

TEST(RootStateCheck, WithAnIndexTheLevelListAnswers) {
  Tree t(1);
  Array1<int> stored(5), wk(3);
  const int words[] = {0, 1, 0, 2, -6};  // {c1, c3}: failed, number 6
  for (int i = 1; i <= 5; ++i) stored(i) = words[i - 1];
  ASSERT_EQ(
      AD2LST(t.st.POOL1, t.st.LVLHD, 3, stored, wk, t.code, t.ft.BASE, ENCOK, t.st.levelIndex()),
      1);
  // From {c3} the canonical rule calls {c1, c3} new; the list has it, so it
  // is met, with its twin's number and failure.
  Check met = t.check({1, 1, 0, 1, 4}, {0, 1, 0, 2, 0});
  ASSERT_EQ(CKSTAT(t.st, t.ft, met), 1);
  EXPECT_EQ((std::vector<int>{met.NEWFLG, met.NUMBER, met.FAILED, met.LEVEL}),
            (std::vector<int>{0, 6, 1, 2}));
  // The rule calls {c2, c3} not new from {c3}; the list lacks it.
  Check unmet = t.check({1, 1, 0, 1, 4}, {1, 0, 0, 2, 0});
  ASSERT_EQ(CKSTAT(t.st, t.ft, unmet), 1);
  EXPECT_EQ(unmet.NEWFLG, 1);
}

TEST(RootStateCheck, AStateThatIsNotOneFailureAwayIsReported) {
  testing::Console con;
  Tree t;
  Check two = t.check({1, 1, 1, 0, 1}, {0, 0, 1, 1, 0});
  EXPECT_EQ(CKSTAT(t.st, t.ft, two), -1);
  Check none = t.check({1, 0, 1, 1, 3}, {1, 0, 1, 2, 0});  // nothing failed on the way
  EXPECT_EQ(CKSTAT(t.st, t.ft, none), -1);
  EXPECT_EQ(con.lines(), (std::vector<std::string>{
                             " **** FRSTIM: ERROR F512 - INCOMPATIBLE ROOT STATE ( 1 1 1) FOR "
                             "STATE 0 0 1",
                             " **** CKSTAT: TRACEBACK - ERROR -1 RETURNED BY FRSTIM()",
                             " **** FRSTIM: ERROR F512 - INCOMPATIBLE ROOT STATE ( 1 0 1) FOR "
                             "STATE 1 0 1",
                             " **** CKSTAT: TRACEBACK - ERROR -1 RETURNED BY FRSTIM()",
                         }));
}

TEST(RootStateCheck, ThePersistentListIsSearchedFirst) {
  Tree t;
  Array1<int> stored(5);
  const int words[] = {1, 0, 1, -2, -7};
  for (int i = 1; i <= 5; ++i) stored(i) = words[i - 1];
  Array1<int> enc(6), wk(3);
  ASSERT_EQ(AD2LST(t.st.POOL2, t.st.PERHD, 3, stored, wk, enc, t.ft.BASE, 0), 1);
  Check k = t.check({1, 1, 1, 0, 1}, {1, 0, 1, 1, 0});
  ASSERT_EQ(CKSTAT(t.st, t.ft, k), 1);
  EXPECT_EQ((std::vector<int>{k.NEWFLG, k.NUMBER, k.FAILED, k.LEVEL, t.nw(5)}),
            (std::vector<int>{0, 7, 1, 2, -7}));
  // A successor of a forced failure that the list lacks is new.
  Check forced = t.check({1, 1, 1, -1, 1}, {0, 1, 1, -2, 0});
  ASSERT_EQ(CKSTAT(t.st, t.ft, forced), 1);
  EXPECT_EQ(forced.NEWFLG, 1);
}

}  // namespace
}  // namespace molvex
