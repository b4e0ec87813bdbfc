#include "gates/depchk.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gates/treebuilder.h"
#include "support/console.h"

namespace molvex {
namespace {

using testing::Console;
using Lines = std::vector<std::string>;
using Slots = std::vector<int>;

class Tree : public testing::Tree {
 public:
  int check() {
    return keepsPlaces([&] { return DEPCHK(ft, SPRBAS, NSLOT, state, CHANGED); });
  }
  int CHANGED = 7;  // neither 0 nor 1: shows whether it was set
};

// One round over the gates settles these; the trees are made in the order
// of the case's comment, so the slots are numbered that way.
TEST(Depchk, TriggeredGatesForceTheirDependents) {
  struct Case {
    const char* what;
    std::function<int(Tree&)> top;  // the input of the system-failure box
    int level;                      // the level word before
    Slots slots;                    // after
    int changed;
    int levelAfter;
  };
  using T = Tree&;
  const std::vector<Case> cases = {
      {"trigger, dependent: trigger working",
       [](T t) { return t.gate(TFDEP, {t.basic(1, 0), t.basic(1, 1)}); }, 3, {1, 0}, 0, 3},
      {"no forcing keeps a negative level",
       [](T t) { return t.gate(TFDEP, {t.basic(1, 0), t.basic(1, 1)}); }, -3, {1, 0}, 0, -3},
      {"trigger, two dependents: all failed before",
       [](T t) { return t.gate(TFDEP, {t.basic(1, 1), t.basic(1, 1), t.basic(2, 2)}); }, 2,
       {0, 0, 0}, 0, 2},
      {"trigger, dependent of 3 units: all go at once",
       [](T t) { return t.gate(TFDEP, {t.basic(1, 1), t.basic(3, 0)}); }, 1, {0, 0}, 1, -1},
      {"forcing keeps a negative level negative",
       [](T t) { return t.gate(TFDEP, {t.basic(1, 1), t.basic(3, 1)}); }, -4, {0, 0}, 1, -4},
      {"trigger of 2 units, one failed: no trigger",
       [](T t) { return t.gate(TFDEP, {t.basic(2, 1), t.basic(1, 0)}); }, 1, {1, 1}, 0, 1},
      {"trigger subtree (OR of two), dependent",
       [](T t) {
         const int trigger = t.gate(TOR, {t.basic(1, 0), t.basic(2, 1)});
         return t.gate(TFDEP, {trigger, t.basic(1, 0)});
       },
       1, {1, 1, 0}, 1, -1},
      {"trigger left out, dependent",
       [](T t) { return t.gate(TFDEP, {-1, t.basic(1, 0)}); }, 1, {1}, 0, 1},
      {"trigger, dependent left out, dependent",
       [](T t) {
         const int trigger = t.basic(1, 1);
         return t.gate(TFDEP, {trigger, -1, t.basic(1, 0)});
       },
       1, {0, 0}, 1, -1},
  };
  for (const Case& c : cases) {
    Console con;
    Tree t;
    const int top = c.top(t);
    t.finish(t.box(top), c.level);
    EXPECT_EQ(t.check(), 1) << c.what;
    EXPECT_EQ(t.slots(), c.slots) << c.what;
    EXPECT_EQ(t.CHANGED, c.changed) << c.what;
    EXPECT_EQ(t.level(), c.levelAfter) << c.what;
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
  }
}

// The first gate's trigger is a dependent of the second: the first round
// misses it, the second forces it, the third finds nothing new.
TEST(Depchk, RoundsRepeatWhileGatesForceEachOther) {
  Tree t;
  const int x = t.basic(1, 0);
  const int d = t.basic(1, 0);
  const int y = t.basic(1, 1);
  const int first = t.gate(TFDEP, {x, d});
  const int second = t.gate(TFDEP, {y, x});
  t.finish(t.box(t.gate(TOR, {first, second})), 1);
  ASSERT_EQ(t.check(), 1);
  EXPECT_EQ(t.slots(), (Slots{0, 0, 0}));
  EXPECT_EQ(t.CHANGED, 1);
  EXPECT_EQ(t.level(), -1);
}

// An FDEP gate inside a trigger forces its own dependents too, listed or
// not, and the trigger counts them failed at once.
TEST(Depchk, GateInATriggerForcesToo) {
  Tree t;
  const int x = t.basic(1, 0);
  const int inner = t.gate(TFDEP, {t.basic(1, 1), x});
  const int outer = t.gate(TFDEP, {t.gate(TAND, {inner, x}), t.basic(1, 0)});
  t.finish(t.box(outer));
  t.ft.FDPLST(1) = 1;
  t.ft.FDPLST(2) = outer;
  ASSERT_EQ(t.check(), 1);
  EXPECT_EQ(t.slots(), (Slots{0, 0, 0}));
}

// The order slots are brought up to date before every gate: the second
// gate's trigger sees that its priority-AND gate's second input was forced
// by the first gate before its first input was (by the third gate), and
// does not occur.  Order slot last.
TEST(Depchk, OrderSlotsFollowTheForcingGateByGate) {
  Tree t;
  const int trigger = t.basic(1, 1);
  const int a = t.basic(1, 0);
  const int b = t.basic(1, 0);
  const int d = t.basic(1, 0);
  const int g1 = t.gate(TFDEP, {trigger, a});
  const int g2 = t.gate(TFDEP, {t.pand(b, a, 0), d});
  const int g3 = t.gate(TFDEP, {trigger, b});
  t.finish(t.box(t.gate(TOR, {g1, g2, g3})));
  ASSERT_EQ(t.check(), 1);
  EXPECT_EQ(t.slots(), (Slots{0, 0, 0, 1, 2}));
  EXPECT_EQ(t.CHANGED, 1);
}

// With one gate one round is all: the order slots are not taken again after
// its forcing (the generation loop does that next).  Order slot last.
TEST(Depchk, SingleGateRunsOneRound) {
  Tree t;
  const int dependent = t.basic(1, 0);
  const int fdep = t.gate(TFDEP, {t.basic(1, 1), dependent});
  const int pand = t.pand(t.basic(1, 0), dependent, 0);
  t.finish(t.box(t.gate(TOR, {fdep, pand})));
  ASSERT_EQ(t.check(), 1);
  EXPECT_EQ(t.slots(), (Slots{0, 0, 1, 0}));
}

// Trees DEPCHK refuses: its messages; STATE keeps what was forced before
// and CHANGED says so.
TEST(Depchk, Errors) {
  struct Case {
    const char* what;
    // Makes the rest of the tree after a first gate that forces its
    // dependent, and finishes it.
    std::function<void(Tree&, int first)> build;
    int changed;
    Lines lines;
  };
  const auto boxed = [](Tree& t, int first, int second) {
    t.finish(t.box(t.gate(TOR, {first, second})), 2);
  };
  const auto triggering = [](Tree& t, int trigger) {
    return t.gate(TFDEP, {trigger, t.basic(1, 0)});
  };
  const std::vector<Case> cases = {
      {"no room for the stack",
       [&](Tree& t, int first) {
         boxed(t, first, triggering(t, t.basic(1, 1)));
         t.ft.PLCTAB(HDFREE) = PLCSIZ - 3 * t.ft.PLCTAB(HDNPLC) + 1;
       },
       0,
       {" **** DEPCHK: ERROR F800 - TABLE TOO SMALL TO HOLD STACK ****"}},
      {"priority-AND with three inputs in a trigger",
       [&](Tree& t, int first) {
         const int p = t.pand(t.basic(1, 1), t.basic(1, 1), 1);
         t.ft.PLCTAB(p + FNARC) = 3;
         t.ft.PLCTAB(p + FNARC + 3) = t.basic(1, 1);
         boxed(t, first, triggering(t, p));
       },
       1,
       {" **** DEPCHK: ERROR F718 - PRIORITY AND GATES MUST HAVE 2 INCOMING ARCS; NODE 6 HAS 3 "
        "ARCS"}},
      {"dependent that is no basic component",
       [&](Tree& t, int first) {
         const int g = triggering(t, t.basic(1, 1));
         t.ft.PLCTAB(t.ft.PLCTAB(g + FNARC + 2) + FBASIC) = 9;
         boxed(t, first, g);
       },
       1,
       {" **** DEPCHK: ERROR F806 - INTERNAL ERROR - BASIC COMPONENT OUT OF RANGE ( 9)"}},
      {"dependent entry in the free area",
       [&](Tree& t, int first) {
         const int g = triggering(t, t.basic(1, 1));
         t.setInput(g, 2, PLCSIZ);
         boxed(t, first, g);
       },
       1,
       {" **** DEPCHK: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( 3584)"}},
      {"count past the list",
       [&](Tree& t, int first) {
         boxed(t, first, triggering(t, t.basic(1, 1)));
         t.ft.FDPLST(1) = GATSIZ;
       },
       0,
       {" **** DEPCHK: ERROR F806 - INTERNAL ERROR - GATE LIST COUNT OUT OF RANGE ( 257)"}},
      {"no level word",
       [&](Tree& t, int first) {
         boxed(t, first, triggering(t, t.basic(1, 1)));
         t.NSLOT = BASSIZ;
       },
       0,
       {" **** DEPCHK: ERROR F806 - INTERNAL ERROR - NUMBER OF SLOTS OUT OF RANGE ( 98)"}},
      {"cycle in a trigger",
       [&](Tree& t, int first) {
         const int a = t.gate(TAND, {0});
         t.setInput(a, 1, a);
         boxed(t, first, triggering(t, a));
       },
       1,
       {" **** PUSH: ERROR U701 - STACK OVERFLOW ****"}},
      {"priority-AND gate the order slots cannot take",
       [&](Tree& t, int first) {
         const int x = t.gate(TXOR, {t.basic(1, 1)});
         boxed(t, first, t.pand(x, t.basic(1, 1), 0));
       },
       0,
       {" **** PACHK: ERROR F801 - ILLEGAL PLACE TYPE (  24) FOR PLACE    5 AT OFFSET   30 IN "
        "PLACE TABLE ****",
        " **** DEPCHK: TRACEBACK - ERROR -1 RETURNED BY PACHK() WHILE ",
        "                          PROCESSING STATE 0 1 0 0"}},
  };
  for (const Case& c : cases) {
    Console con;
    Tree t;
    const int trigger = t.basic(1, 1);
    c.build(t, t.gate(TFDEP, {trigger, t.basic(1, 0)}));
    EXPECT_EQ(t.check(), -1) << c.what;
    EXPECT_EQ(t.state(2), c.changed == 1 ? 0 : 1) << c.what;
    EXPECT_EQ(t.CHANGED, c.changed) << c.what;
    EXPECT_EQ(t.level(), 2) << c.what;
    EXPECT_EQ(con.lines(), c.lines) << c.what;
  }
}

}  // namespace
}  // namespace molvex
