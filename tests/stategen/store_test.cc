#include "stategen/store.h"

#include <gtest/gtest.h>

#include <vector>

#include "main/globals.h"
#include "stategen/encst.h"
#include "support/console.h"
#include "util/pool.h"

namespace molvex {
namespace {

// Two pools of a modest size sharing their free-list heads, as in a
// generation; three basic components of multiplicity 2, 1, 3.
struct Fixture {
  Array1<int> words1{2000}, words2{2000}, heads{MAXNSZ};
  StateStore st{{words1, heads}, {words2, heads}};
  FaultTree ft;
  StateNumbers sn;
  Array1<int> work{3}, code{6};
  Fixture() {
    INITDR();
    INIDYN(st.POOL1, 0, 1, 5, 6);
    INIDYN(st.POOL2, 0, 1, 5, 6);
    ft.NBASIC = 3;
    const int mult[] = {2, 1, 3}, type[] = {1, 2, 1};
    for (int i = 1; i <= 3; ++i) {
      ft.BASE(i) = mult[i - 1];
      ft.BASTYP(i) = type[i - 1];
    }
    ft.BASE(4) = 0;
    ft.BASE(5) = 1;
  }
  Array1<int> vec(std::initializer_list<int> w) {
    Array1<int> v(5);
    int i = 1;
    for (int x : w) v(i++) = x;
    return v;
  }
};

TEST(StateStore, FindsStatesInFullForm) {
  Fixture f;
  for (auto w : {std::initializer_list<int>{1, 1, 3, 1, 2}, {2, 0, 3, 1, -3}, {2, 1, 2, 1, 4}}) {
    Array1<int> v = f.vec(w);
    ASSERT_EQ(AD2LST(f.st.POOL2, f.st.PERHD, 3, v, f.work, f.code, f.ft.BASE, 0), 1);
  }
  int number = -1, failmk = -1, level = -1;
  Array1<int> key = f.vec({2, 0, 3, 9, 0});
  ASSERT_EQ(SRCHST(f.st.POOL2, f.st.PERHD, 3, key, f.work, f.code, f.ft.BASE, number, failmk,
                   level, 0),
            1);
  EXPECT_EQ((std::vector<int>{number, failmk, level, key(5)}), (std::vector<int>{3, 1, 1, -3}));
  Array1<int> first = f.vec({1, 1, 3, 0, 0});
  ASSERT_EQ(SRCHST(f.st.POOL2, f.st.PERHD, 3, first, f.work, f.code, f.ft.BASE, number, failmk,
                   level, 0),
            1);
  EXPECT_EQ(number, 2);
  Array1<int> absent = f.vec({0, 1, 3, 1, 0});
  EXPECT_EQ(SRCHST(f.st.POOL2, f.st.PERHD, 3, absent, f.work, f.code, f.ft.BASE, number, failmk,
                   level, 0),
            -15);
  EXPECT_EQ(number, 0);
  EXPECT_EQ(level, 0);
}

TEST(StateStore, EncodedStatesMatchOnTheirFailedSlotsOnly) {
  Fixture f;
  Array1<int> v = f.vec({1, 1, 2, 2, 7});
  ASSERT_EQ(AD2LST(f.st.POOL1, f.st.LVLHD, 3, v, f.work, f.code, f.ft.BASE, 1), 1);
  EXPECT_EQ(f.st.POOL1.NXTFRE, 1 + 2 + 3 + 1);  // k+3 words and the link
  int number = 0, failmk = 0, level = 0;
  Array1<int> key = f.vec({1, 1, 2, 5, 0});
  ASSERT_EQ(SRCHST(f.st.POOL1, f.st.LVLHD, 3, key, f.work, f.code, f.ft.BASE, number, failmk,
                   level, 1),
            1);
  EXPECT_EQ((std::vector<int>{number, failmk, level, f.code(5)}), (std::vector<int>{7, 0, 2, 7}));
}

// The form is decided by the net count of failed units, as the store
// decides it: (0, 0, 4) lists three failed units but counts 2 + 1 - 1 = 2,
// fewer than its three slots, and is stored encoded.
TEST(StateStore, AStateAboveItsBaseSomewhereIsSearchedInTheFormItWasStoredIn) {
  Fixture f;
  Array1<int> v = f.vec({0, 0, 4, 2, 7});
  ASSERT_EQ(AD2LST(f.st.POOL1, f.st.LVLHD, 3, v, f.work, f.code, f.ft.BASE, 1), 1);
  EXPECT_EQ(f.st.POOL1.NXTFRE, 1 + 3 + 3 + 1);
  int number = 0, failmk = 0, level = 0;
  Array1<int> key = f.vec({0, 0, 4, 0, 0});
  ASSERT_EQ(
      SRCHST(f.st.POOL1, f.st.LVLHD, 3, key, f.work, f.code, f.ft.BASE, number, failmk, level, 1),
      1);
  EXPECT_EQ((std::vector<int>{number, level}), (std::vector<int>{7, 2}));
}

// The index compares a node with the state it was found for, by hash, only
// when the hashes agree: the cases a collision could bring.
TEST(StateStore, AnEncodedNodeListsTheFailedUnitsOfAStateExactly) {
  struct Case {
    std::vector<int> listed;  // the node's failed slots
    std::initializer_list<int> state;
    bool same;
  };
  const Case cases[] = {
      {{1, 3}, {1, 1, 2, 2, 0}, true},  {{1, 3, 3}, {1, 1, 1, 2, 0}, true},
      {{1, 1}, {1, 1, 2, 2, 0}, false},  // slot 1 twice, once in the state
      {{3, 3}, {1, 1, 2, 2, 0}, false}, {{1, 2}, {1, 1, 2, 2, 0}, false},  // slot 2 lost nothing
      {{3, 1}, {1, 1, 2, 2, 0}, false},                                    // not in ascending order
      {{1, 4}, {1, 1, 2, 2, 0}, false},                                    // past the slots
      {{0, 3}, {1, 1, 2, 2, 0}, false},
  };
  for (const Case& c : cases) {
    Fixture f;
    const int k = static_cast<int>(c.listed.size());
    Array1<int> words(k + 3);
    words(1) = k;
    for (int j = 0; j < k; ++j) words(j + 2) = c.listed[static_cast<std::size_t>(j)];
    words(k + 2) = 2;
    words(k + 3) = 9;
    ASSERT_EQ(PSHNOD(f.st.POOL1, f.st.LVLHD, words, k + 3), 1);
    EXPECT_EQ(LSTUNT(f.st.POOL1, f.st.LVLHD, k, f.vec(c.state), f.ft.BASE, 3), c.same)
        << c.listed[0] << " " << c.listed[1];
  }
}

TEST(StateStore, ResettingTheLevelListEmptiesPoolOne) {
  Fixture f;
  Array1<int> v = f.vec({1, 1, 3, 1, 2});
  ASSERT_EQ(AD2LST(f.st.POOL1, f.st.LVLHD, 3, v, f.work, f.code, f.ft.BASE, 1), 1);
  RSTLVL(f.st);
  EXPECT_EQ(f.st.LVLHD, -1);
  EXPECT_EQ(f.st.POOL1.NXTFRE, 1);
  EXPECT_EQ(f.words1(1), -1);
}

TEST(StateStore, PoolExhaustionIsTracedThroughAd2lst) {
  testing::Console con;
  Fixture f;
  Array1<int> tiny(5), heads(MAXNSZ);
  NodePool pool{tiny, heads};
  INIDYN(pool, 0, 1, 5, 6);
  int head = -1;
  Array1<int> v = f.vec({1, 1, 3, 1, 2});
  EXPECT_EQ(AD2LST(pool, head, 3, v, f.work, f.code, f.ft.BASE, 0), -1);
  EXPECT_EQ(con.lines(), (std::vector<std::string>{
                             " **** ALLOC: ERROR U400 - BOUNDS OF MEMORY POOL EXCEEDED",
                             " **** GETNOD:  TRACEBACK - ERROR ENCOUNTERED BY ALLOC() WHEN "
                             "ALLOCATING NODE",
                             " **** PSHNOD: TRACEBACK - ERROR -1 RETURNED BY GETNOD()",
                             " **** AD2LST: TRACEBACK - ERROR -1 RETURNED BY PSHNOD()",
                         }));
}

TEST(StateNumbering, FailureAndTruncationStatesAreOnePerType) {
  Fixture f;
  Array1<int> cur = f.vec({2, 1, 3, 0, 1}), nw = f.vec({1, 1, 3, 1, 0});
  auto number = [&](int failfl, int trunfl, int newfl, int failcp) {
    Successor s{failfl, trunfl, newfl, failcp, 1, 0};  // twin one level deeper
    int n = 0;
    EXPECT_EQ(EXTID(s, f.sn, f.ft, f.st, 3, nw, cur, f.work, f.code, n), 1);
    return n;
  };
  f.sn.NSTATE = 1;
  EXPECT_EQ(number(0, 0, 1, 1), 2);  // a new state
  EXPECT_EQ(number(1, 0, 0, 1), 3);  // failure through type 1
  EXPECT_EQ(number(1, 0, 1, 3), 3);  // component 3 is of type 1 too
  EXPECT_EQ(number(1, 0, 0, 2), 4);  // type 2 has its own
  EXPECT_EQ(number(0, 1, 1, 2), 5);  // truncation aggregation of type 2
  EXPECT_EQ(number(0, 1, 0, 2), 5);
  EXPECT_EQ((std::vector<int>{f.sn.FAILST(1), f.sn.FAILST(2), f.sn.TRNCST(1), f.sn.TRNCST(2)}),
            (std::vector<int>{3, 4, 0, 5}));
}

TEST(StateNumbering, AnOldStateTakesItsTwinsNumber) {
  testing::Console con;
  Fixture f;
  ENCOK = 1;
  Array1<int> cur = f.vec({2, 1, 3, 0, 1}), stored = f.vec({1, 1, 3, 1, 6});
  ASSERT_EQ(AD2LST(f.st.POOL1, f.st.LVLHD, 3, stored, f.work, f.code, f.ft.BASE, 1), 1);
  Array1<int> nw = f.vec({1, 1, 3, 1, 0});
  Successor s{0, 0, 0, 1, 0, 0};
  int n = 0;
  ASSERT_EQ(EXTID(s, f.sn, f.ft, f.st, 3, nw, cur, f.work, f.code, n), 1);
  EXPECT_EQ(n, 6);
  // While truncating, a twin from an earlier level keeps its number.
  Array1<int> twin = f.vec({1, 1, 3, 1, 9});
  Successor t{0, 1, 0, 1, 0, 0};
  ASSERT_EQ(EXTID(t, f.sn, f.ft, f.st, 3, twin, cur, f.work, f.code, n), 1);
  EXPECT_EQ(n, 9);

  Array1<int> missing = f.vec({2, 0, 3, 1, 0});
  EXPECT_EQ(EXTID(s, f.sn, f.ft, f.st, 3, missing, cur, f.work, f.code, n), -1);
  EXPECT_EQ(con.lines(), std::vector<std::string>{
                             " **** EXTID: ERROR F511 - STATE 2 0 3 NOT FOUND IN LINKED LIST"});
  ENCOK = 0;
}

}  // namespace
}  // namespace molvex
