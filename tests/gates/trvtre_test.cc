#include "gates/trvtre.h"

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

// The traversal of the top event on a tree, through the tree's flat form
// when `flat`: it must give every value the walk gives, and leave every
// table the walk would report on to the walk.
class Tree : public testing::Tree {
 public:
  int evaluate() {
    FlatTree F;
    if (flat) FLTTRE(ft, SPRBAS, NSLOT, F);
    // The flat form needs no stack: it leaves the free area as it was.
    return keepsPlaces(
        [&] {
          return TRVTRE(ft.PLCTAB, ft.CSPTAB.slice(1, ft.CSPTAB(1) + 1), SPRBAS, NBASIC, NSLOT,
                        state, ft.BASE, FAILED, flat ? &F : nullptr);
        },
        flat);
  }
  bool flat = false;
  int run(int root) {
    finish(root);
    return evaluate();
  }
  int FAILED = 7;  // neither 0 nor 1: shows whether it was set
};

// Gates whose value is settled by the rules, without any message.
TEST(Trvtre, GateRules) {
  struct Case {
    const char* what;
    std::function<int(Tree&)> top;  // the input of the system-failure box
    int failed;
  };
  // A gate of `type` over `first` and an XOR gate with an input, which stops
  // the evaluation if it is ever visited.
  const auto trapped = [](Tree& t, int type, int first, int w2 = 0) {
    return t.gate(type, {first, t.gate(TXOR, {t.basic(1, 0)})}, w2);
  };
  using T = Tree&;
  const std::vector<Case> cases = {
      {"one of 3 units under OR", [](T t) { return t.gate(TOR, {t.basic(3, 1)}); }, 1},
      {"one of 3 units under AND",
       [](T t) { return t.gate(TAND, {t.basic(3, 1), t.basic(1, 1)}); }, 0},
      {"all 3 units under AND", [](T t) { return t.gate(TAND, {t.basic(3, 3), t.basic(1, 1)}); },
       1},
      {"one of 3 units under 2/3", [](T t) { return t.gate(TMOFN, {t.basic(3, 1)}, 2); }, 0},
      {"one of 3 units and one more under 2/3",
       [](T t) { return t.gate(TMOFN, {t.basic(3, 1), t.basic(1, 1)}, 2); }, 1},
      {"one of 2 units under the box", [](T t) { return t.basic(2, 1); }, 1},
      {"one of 2 units under SEQ", [](T t) { return t.gate(TSEQ, {t.basic(2, 1)}); }, 0},
      {"box takes its first input only", [&](T t) { return trapped(t, TBOX, t.basic(1, 0)); }, 0},
      {"box passes a failed first input", [&](T t) { return trapped(t, TBOX, t.basic(1, 1)); }, 1},
      {"FDEP is its trigger, failed", [&](T t) { return trapped(t, TFDEP, t.basic(1, 1)); }, 1},
      {"FDEP is its trigger, working",
       [](T t) { return t.gate(TFDEP, {t.basic(1, 0), t.basic(1, 1)}); }, 0},
      {"FDEP whose trigger is left out", [](T t) { return t.gate(TFDEP, {-1, t.basic(1, 1)}); }, 0},
      {"PAND in order", [](T t) { return t.pand(t.basic(1, 1), t.basic(1, 1), 1); }, 1},
      {"PAND out of order", [](T t) { return t.pand(t.basic(1, 1), t.basic(1, 1), 2); }, 0},
      {"PAND order not seen", [](T t) { return t.pand(t.basic(1, 1), t.basic(1, 1), 0); }, 0},
      {"PAND with its second working",
       [](T t) { return t.pand(t.basic(1, 1), t.basic(1, 0), 1); }, 0},
      {"PAND with a partial first", [](T t) { return t.pand(t.basic(2, 1), t.basic(1, 1), 1); }, 0},
      {"XOR without inputs", [](T t) { return t.gate(TXOR, {}); }, 0},
      {"NOT without inputs", [](T t) { return t.gate(TNOT, {}); }, 0},
      {"AND with all inputs left out", [](T t) { return t.gate(TAND, {-1, -3}); }, 1},
      {"SEQ with all inputs left out", [](T t) { return t.gate(TSEQ, {-1}); }, 1},
      {"CSP with all inputs left out", [](T t) { return t.csp({-1, -2}); }, 1},
      {"OR with all inputs left out", [](T t) { return t.gate(TOR, {-1, -3}); }, 0},
      {"M/N with all inputs left out", [](T t) { return t.gate(TMOFN, {-1, -3}, 1); }, 0},
      {"left-out input skipped", [](T t) { return t.gate(TAND, {-2, t.basic(1, 1)}); }, 1},
      {"CSP without shared spares, spare working",
       [](T t) { return t.csp({t.basic(1, 1), t.basic(1, 0)}); }, 0},
      {"CSP without shared spares, all failed",
       [](T t) { return t.csp({t.basic(1, 1), t.basic(1, 1)}); }, 1},
      {"shared CSP holding nothing, units working",
       [](T t) { return t.sharedCsp({t.basic(1, 0), t.basic(1, 0)}, {0, 0}); }, 1},
      {"shared CSP holding a spare, units failed",
       [](T t) { return t.sharedCsp({t.basic(1, 1), t.basic(1, 1)}, {0, 1}); }, 0},
      {"second shared CSP finds its block after the first",
       [](T t) {
         t.sharedCsp({t.basic(1, 0), t.basic(1, 0), t.basic(1, 0)}, {1, 1, 1});
         return t.sharedCsp({t.basic(1, 0), t.basic(1, 0)}, {0, 0});
       },
       1},
      {"OR settled by its first input", [&](T t) { return trapped(t, TOR, t.basic(1, 1)); }, 1},
      {"AND settled by its first input", [&](T t) { return trapped(t, TAND, t.basic(1, 0)); }, 0},
      {"M/N settled once M inputs failed",
       [&](T t) { return trapped(t, TMOFN, t.basic(2, 2), 2); }, 1},
      {"nested gates",
       [](T t) {
         return t.gate(TOR, {t.gate(TAND, {t.basic(1, 1), t.basic(1, 0)}),
                             t.gate(TMOFN, {t.basic(1, 1), t.basic(1, 0), t.basic(1, 1)}, 2)});
       },
       1},
  };
  for (const Case& c : cases) {
    for (const bool flat : {false, true}) {
      Console con;
      Tree t;
      t.flat = flat;
      const int top = c.top(t);
      EXPECT_EQ(t.run(t.box(top)), 1) << c.what << flat;
      EXPECT_EQ(t.FAILED, c.failed) << c.what << flat;
      EXPECT_EQ(con.lines(), Lines{}) << c.what << flat;
    }
  }
}

TEST(Trvtre, DeepChainFillsTheStackExactly) {
  Tree t;
  int g = t.basic(1, 1);
  for (int i = 0; i < 200; ++i) g = t.gate(TOR, {g});
  ASSERT_EQ(t.run(t.box(g)), 1);  // sentinel, box and 200 gates: 202 frames of 202 places
  EXPECT_EQ(t.FAILED, 1);
}

TEST(Trvtre, FreeAreaMustHoldThreeWordsPerPlace) {
  Console con;
  Tree t;
  t.finish(t.box(t.basic(1, 1)));
  t.ft.PLCTAB(HDFREE) = PLCSIZ - 6;  // two places: exactly six words
  EXPECT_EQ(t.evaluate(), 1);
  EXPECT_EQ(t.FAILED, 1);
  EXPECT_EQ(con.lines(), Lines{});

  t.FAILED = 7;
  for (int free : {PLCSIZ - 5, 3}) {
    t.ft.PLCTAB(HDFREE) = free;
    EXPECT_EQ(t.evaluate(), -1);
  }
  t.ft.PLCTAB(HDFREE) = 20;
  t.ft.PLCTAB(HDNPLC) = -1;
  EXPECT_EQ(t.evaluate(), -1);
  EXPECT_EQ(t.FAILED, 7);
  EXPECT_EQ(con.lines(), Lines(3, " **** TRVTRE: ERROR F800 - TABLE TOO SMALL TO HOLD STACK ****"));
}

// Trees the traversal refuses: one message, FAILED 0, the places untouched.
TEST(Trvtre, Errors) {
  struct Case {
    const char* what;
    std::function<void(Tree&)> build;  // makes and finishes the tree
    int status;
    const char* line;
  };
  const auto boxed = [](Tree& t, int top) { t.finish(t.box(top)); };
  const auto patched = [&](Tree& t, int top, int offset, int word) {
    t.ft.PLCTAB(top + offset) = word;
    boxed(t, top);
  };
  // A stray offset is pushed like a level of its own: room for one frame
  // more, so that the check of the offset is reached.
  const auto roomy = [](Tree& t, int root) {
    t.finish(root);
    ++t.ft.PLCTAB(HDNPLC);
  };
  const std::vector<Case> cases = {
      {"XOR with an input", [&](Tree& t) { boxed(t, t.gate(TXOR, {t.basic(1, 1)})); }, -1,
       " **** TRVTRE: ERROR F801 - ILLEGAL PLACE TYPE (  24) FOR PLACE    2 AT OFFSET   10 IN "
       "PLACE TABLE ****"},
      {"NOT behind a working input",
       [&](Tree& t) {
         boxed(t, t.gate(TOR, {t.basic(1, 0), t.gate(TNOT, {t.basic(1, 0)})}));
       },
       -1,
       " **** TRVTRE: ERROR F801 - ILLEGAL PLACE TYPE (  26) FOR PLACE    3 AT OFFSET   16 IN "
       "PLACE TABLE ****"},
      {"unassigned type code", [&](Tree& t) { boxed(t, t.gate(20, {t.basic(1, 1)})); }, -1,
       " **** TRVTRE: ERROR F801 - ILLEGAL PLACE TYPE (  20) FOR PLACE    2 AT OFFSET   10 IN "
       "PLACE TABLE ****"},
      {"PAND with three inputs",
       [&](Tree& t) {
         const int p = t.pand(t.basic(1, 0), t.basic(1, 0), 0);
         t.ft.PLCTAB(p + FNARC) = 3;
         t.ft.PLCTAB(p + FNARC + 3) = t.basic(1, 0);
         boxed(t, p);
       },
       -1,
       " **** TRVTRE: ERROR F718 - PRIORITY AND GATES MUST HAVE 2 INCOMING ARCS; NODE 3 HAS 3 "
       "ARCS"},
      {"shared CSP missing from CSPTAB",
       [&](Tree& t) { boxed(t, t.sharedCsp({t.basic(1, 0)}, {1}, false)); }, -1,
       " **** TRVTRE: ERROR F807 - CSP GATE AT OFFSET 10 IN PLACE TABLE NOT FOUND IN TABLE OF CSP "
       "GATES (CSPTAB)"},
      {"negative root", [&](Tree& t) { roomy(t, -5); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET < 0 ( -5)"},
      {"no root", [&](Tree& t) { roomy(t, -1); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET < 0 ( -1)"},
      {"input entry 0", [&](Tree& t) { roomy(t, t.box(t.gate(TOR, {0}))); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( 0)"},
      {"input entry in the free area", [&](Tree& t) { roomy(t, t.box(t.gate(TOR, {19}))); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( 19)"},
      {"input entry past the table", [&](Tree& t) { roomy(t, t.box(t.gate(TOR, {99999}))); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( 99999)"},
      {"input list running into the free area",
       [&](Tree& t) {
         const int b = t.box(t.basic(1, 0));
         t.ft.PLCTAB(b + FNARC) = 3;
         t.finish(b);
       },
       -1, " **** TRVTRE: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( 10)"},
      {"basic component 0", [&](Tree& t) { patched(t, t.basic(1, 1), FBASIC, 0); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - BASIC COMPONENT OUT OF RANGE ( 0)"},
      {"basic component past NBASIC", [&](Tree& t) { patched(t, t.basic(1, 1), FBASIC, 2); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - BASIC COMPONENT OUT OF RANGE ( 2)"},
      {"more basic components than a state holds",
       [&](Tree& t) {
         boxed(t, t.basic(1, 1));
         t.NBASIC = MAXBAS + 1;
       },
       -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - NUMBER OF BASIC COMPONENTS OUT OF RANGE ( 97)"},
      {"PAND order slot past the gate slots",
       [&](Tree& t) { patched(t, t.pand(t.basic(1, 1), t.basic(1, 1), 1), FPAND, 2); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - ORDER SLOT OUT OF RANGE ( 2)"},
      {"PAND order slot 0",
       [&](Tree& t) { patched(t, t.pand(t.basic(1, 1), t.basic(1, 1), 1), FPAND, 0); }, -1,
       " **** TRVTRE: ERROR F806 - INTERNAL ERROR - ORDER SLOT OUT OF RANGE ( 0)"},
      {"shared CSP with more inputs than slots",
       [&](Tree& t) {
         boxed(t, t.sharedCsp({t.basic(1, 0), t.basic(1, 0)}, {0}));
       },
       -1, " **** TRVTRE: ERROR F806 - INTERNAL ERROR - SPARE SLOT OUT OF RANGE ( 2)"},
      {"CSPTAB entry that is no place",
       [&](Tree& t) {
         const int g = t.sharedCsp({t.basic(1, 0)}, {0});
         t.ft.CSPTAB(3) = g;
         t.ft.CSPTAB(2) = 0;
         t.ft.CSPTAB(1) = 2;
         boxed(t, g);
       },
       -1, " **** TRVTRE: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( 0)"},
  };
  for (const Case& c : cases) {
    for (const bool flat : {false, true}) {
      Console con;
      Tree t;
      t.flat = flat;
      c.build(t);
      EXPECT_EQ(t.evaluate(), c.status) << c.what << flat;
      EXPECT_EQ(t.FAILED, 0) << c.what << flat;
      EXPECT_EQ(con.lines(), Lines{c.line}) << c.what << flat;
    }
  }
}

// The build does not reject cycles; the stack, one frame per place, does.
TEST(Trvtre, CycleOverflowsTheStack) {
  for (const bool flat : {false, true}) {
    Console con;
    Tree t;
    t.flat = flat;
    const int a = t.gate(TOR, {0});
    const int b = t.gate(TAND, {a});
    t.setInput(a, 1, b);
    EXPECT_EQ(t.run(t.box(a)), -7);
    EXPECT_EQ(t.FAILED, 0);
    EXPECT_EQ(con.lines(), (Lines{" **** PUSH: ERROR U701 - STACK OVERFLOW ****",
                                  " **** TRVTRE: ERROR F502 - FAULT TREE HAS INVALID STRUCTURE"}));
  }
}

// The engine as the gate routines run it: from any place, under their own
// name, with their own failed-unit counts.  The rules they bend are tested
// with each routine.
class Walk {
 public:
  Walk(Tree& t, const char* name, StackFault fault)
      : walk_(name, fault, t.ft.PLCTAB, t.ft.CSPTAB, t.SPRBAS, t.NBASIC, t.NSLOT, t.state,
              t.ft.BASE, IntTab(nfail_, MAXBAS)) {
    EXPECT_EQ(walk_.prepare(), 1);
    EXPECT_EQ(walk_.countFailed(), 1);
  }
  template <class Rules>
  int from(int start, Rules& rules) {
    return walk_.evaluate(start, rules, value);
  }
  int value = -9;

 private:
  int nfail_[MAXBAS];
  Traversal walk_;
};

TEST(Traversal, StartsAtAnyPlaceAndReportsUnderItsRoutine) {
  Console con;
  Tree t;
  const int failed = t.basic(2, 1);
  const int inner = t.gate(TAND, {failed, t.basic(1, 1)});
  const int xr = t.gate(TXOR, {failed});
  t.finish(t.box(t.gate(TOR, {inner, xr})));
  Walk w(t, "PACHK", StackFault::QUIET);
  TreeRules rules;
  EXPECT_EQ(w.from(inner, rules), 1);
  EXPECT_EQ(w.value, 0);
  EXPECT_EQ(w.from(failed, rules), 1);  // a basic event alone passes its count
  EXPECT_EQ(w.value, 1);
  EXPECT_EQ(w.from(xr, rules), -1);
  EXPECT_EQ(w.from(-3, rules), -1);
  EXPECT_EQ(con.lines(),
            (Lines{" **** PACHK: ERROR F801 - ILLEGAL PLACE TYPE (  24) FOR PLACE    4 AT OFFSET "
                   "  24 IN PLACE TABLE ****",
                   " **** PACHK: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET < 0 ( -3)"}));
}

TEST(Traversal, QuietStackFaultLeavesTheStacksMessage) {
  Console con;
  Tree t;
  const int a = t.gate(TAND, {0});
  t.setInput(a, 1, a);
  t.finish(t.box(a));
  Walk w(t, "DEPCHK", StackFault::QUIET);
  TreeRules rules;
  EXPECT_EQ(w.from(a, rules), -1);
  EXPECT_EQ(con.lines(), Lines{" **** PUSH: ERROR U701 - STACK OVERFLOW ****"});
}

}  // namespace
}  // namespace molvex
