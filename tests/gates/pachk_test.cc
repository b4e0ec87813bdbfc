#include "gates/pachk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "gates/treebuilder.h"
#include "gates/trvtre.h"
#include "support/console.h"

namespace molvex {
namespace {

using testing::Console;
using Lines = std::vector<std::string>;

class Tree : public testing::Tree {
 public:
  // The walk; the tree's flat form, where it has one, must set the slots the
  // walk sets.
  int check() {
    FlatTree flat;
    FLTTRE(ft, SPRBAS, NSLOT, flat);
    flatMade = flat.PANDS.FLAT;
    const std::vector<int> before(state.begin(), state.end());
    const int status = keepsPlaces([&] { return PACHK(ft, SPRBAS, NSLOT, state); });
    if (flatMade) {
      const std::vector<int> walked(state.begin(), state.end());
      std::copy(before.begin(), before.end(), state.begin());
      EXPECT_EQ(PACHK(ft, SPRBAS, NSLOT, state, &flat), status);
      EXPECT_EQ(std::vector<int>(state.begin(), state.end()), walked);
    }
    return status;
  }
  bool flatMade = false;
  int order(int p) const { return state(NBASIC + p); }
  // Whether the top event has occurred, as the generation loop asks next.
  int occurred() {
    int failed = 7;
    EXPECT_EQ(TRVTRE(ft.PLCTAB, ft.CSPTAB, SPRBAS, NBASIC, NSLOT, state, ft.BASE, failed), 1);
    return failed;
  }
};

TEST(Pachk, OrderSlotRecordsTheInputSeenFailedFirst) {
  struct Case {
    const char* what;
    int firstMult, firstFailed, secondFailed;  // the second input has one unit
    int before, after;
  };
  const std::vector<Case> cases = {
      {"nothing failed", 1, 0, 0, 0, 0},
      {"first failed", 1, 1, 0, 0, 1},
      {"second failed", 1, 0, 1, 0, 2},
      {"both in the same state", 1, 1, 1, 0, 1},
      {"both, second seen first before", 1, 1, 1, 2, 2},
      {"both, first seen first before", 1, 1, 1, 1, 1},
      {"first partly failed", 2, 1, 0, 0, 0},
      {"first partly failed, second failed", 2, 1, 1, 0, 2},
      {"first wholly failed", 2, 2, 0, 0, 1},
  };
  for (const Case& c : cases) {
    Console con;
    Tree t;
    const int p = t.pand(t.basic(c.firstMult, c.firstFailed), t.basic(1, c.secondFailed), c.before);
    t.finish(t.box(p));
    EXPECT_EQ(t.check(), 1) << c.what;
    EXPECT_TRUE(t.flatMade) << c.what;
    EXPECT_EQ(t.order(1), c.after) << c.what;
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
  }
}

// The slot is what makes the gate occur, two states later.
TEST(Pachk, FailuresInTurnDecideWhetherTheGateOccurs) {
  for (const int firstToFail : {1, 2}) {
    Tree t;
    const int a = t.basic(1, 0);
    const int b = t.basic(1, 0);
    t.finish(t.box(t.pand(a, b, 0)));
    t.state(firstToFail) = 0;
    ASSERT_EQ(t.check(), 1);
    EXPECT_EQ(t.order(1), firstToFail);
    EXPECT_EQ(t.occurred(), 0);
    t.state(3 - firstToFail) = 0;
    ASSERT_EQ(t.check(), 1);
    EXPECT_EQ(t.order(1), firstToFail);
    EXPECT_EQ(t.occurred(), firstToFail == 1 ? 1 : 0) << firstToFail;
  }
}

// A gate nested below a listed one is ordered during the outer gate's
// traversal, and an outer gate whose first input has not occurred still
// looks at its second.
TEST(Pachk, NestedGatesAreOrderedInTheOuterTraversal) {
  Tree t;
  const int inner = t.pand(t.basic(1, 0), t.basic(1, 1), 0);
  const int outer = t.pand(inner, t.basic(1, 1), 0);
  t.finish(t.box(outer));
  t.ft.PNDLST(1) = 1;
  t.ft.PNDLST(2) = outer;
  ASSERT_EQ(t.check(), 1);
  EXPECT_TRUE(t.flatMade);
  EXPECT_EQ(t.order(1), 2);
  EXPECT_EQ(t.order(2), 2);
}

// A gate with a third input is the top event's traversal to report; here
// the first two decide the slot.
TEST(Pachk, ThirdInputIsNoError) {
  Console con;
  Tree t;
  const int p = t.pand(t.basic(1, 1), t.basic(1, 0), 0);
  t.ft.PLCTAB(p + FNARC) = 3;
  t.ft.PLCTAB(p + FNARC + 3) = t.basic(1, 1);
  t.finish(t.box(p));
  EXPECT_EQ(t.check(), 1);
  EXPECT_EQ(t.order(1), 1);
  EXPECT_EQ(con.lines(), Lines{});
}

// Trees PACHK refuses: one message; the slot of the gate listed before the
// faulty one keeps what was set.
TEST(Pachk, Errors) {
  struct Case {
    const char* what;
    // Makes the rest of the tree after the first gate and finishes it.
    std::function<void(Tree&, int first)> build;
    int order;  // the first gate's slot
    Lines lines;
  };
  const auto boxed = [](Tree& t, int first, int second) {
    t.finish(t.box(t.gate(TOR, {first, second})));
  };
  const auto plain = [](Tree& t) { return t.pand(t.basic(1, 1), t.basic(1, 1), 0); };
  const std::vector<Case> cases = {
      {"no room for the stack",
       [&](Tree& t, int first) {
         boxed(t, first, plain(t));
         t.ft.PLCTAB(HDFREE) = PLCSIZ - 3 * t.ft.PLCTAB(HDNPLC) + 2;
       },
       0,
       {" **** PACHK: ERROR F800 - TABLE TOO SMALL TO HOLD STACK ****"}},
      {"XOR below a gate",
       [&](Tree& t, int first) {
         const int x = t.gate(TXOR, {t.basic(1, 1)});
         boxed(t, first, t.pand(x, t.basic(1, 1), 0));
       },
       1,
       {" **** PACHK: ERROR F801 - ILLEGAL PLACE TYPE (  24) FOR PLACE    5 AT OFFSET   30 IN "
        "PLACE TABLE ****"}},
      {"order slot past the gate slots",
       [&](Tree& t, int first) {
         const int p = plain(t);
         t.ft.PLCTAB(p + FPAND) = 3;
         boxed(t, first, p);
       },
       1,
       {" **** PACHK: ERROR F806 - INTERNAL ERROR - ORDER SLOT OUT OF RANGE ( 3)"}},
      {"count past the list",
       [&](Tree& t, int first) {
         boxed(t, first, plain(t));
         t.ft.PNDLST(1) = GATSIZ;
       },
       0,
       {" **** PACHK: ERROR F806 - INTERNAL ERROR - GATE LIST COUNT OUT OF RANGE ( 257)"}},
      {"cycle",
       [&](Tree& t, int first) {
         const int a = t.gate(TAND, {0});
         t.setInput(a, 1, a);
         boxed(t, first, t.pand(a, t.basic(1, 1), 0));
       },
       1,
       {" **** PUSH: ERROR U701 - STACK OVERFLOW ****"}},
  };
  for (const Case& c : cases) {
    Console con;
    Tree t;
    c.build(t, t.pand(t.basic(1, 1), t.basic(1, 0), 0));
    EXPECT_EQ(t.check(), -1) << c.what;
    EXPECT_EQ(t.order(1), c.order) << c.what;
    EXPECT_EQ(con.lines(), c.lines) << c.what;
  }
}

}  // namespace
}  // namespace molvex
