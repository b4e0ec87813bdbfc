#include "gates/seqchk.h"

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

class Tree : public testing::Tree {
 public:
  // A violation ends the check with frames left on the stack; the next call
  // empties it.
  // The tree's flat form, where it has one, must give what the walk gives.
  int check() {
    FlatTree flat;
    FLTTRE(ft, SPRBAS, NSLOT, flat);
    flatMade = flat.SEQS.FLAT;
    const int status = keepsPlaces([&] { return SEQCHK(ft, SPRBAS, NSLOT, state, ALLOWED); }, true);
    if (flatMade) {
      int allowed = 7;
      EXPECT_EQ(SEQCHK(ft, SPRBAS, NSLOT, state, allowed, &flat), status);
      EXPECT_EQ(allowed, ALLOWED);
    }
    return status;
  }
  int ALLOWED = 7;  // neither 0 nor 1: shows whether it was set
  bool flatMade = false;
};

// A state is allowed when the inputs that have occurred form a prefix and
// nothing behind the first intact one has failed at all.
TEST(Seqchk, FailedInputsMustFormAPrefix) {
  struct Case {
    const char* what;
    std::function<int(Tree&)> first;  // the leftmost input
    std::vector<int> mult, failed;    // the basic inputs after it
    int allowed;
  };
  using T = Tree&;
  const auto unit = [](int failed) { return [=](T t) { return t.basic(1, failed); }; };
  const std::vector<Case> cases = {
      {"nothing failed", unit(0), {1, 1}, {0, 0}, 1},
      {"first two failed", unit(1), {1, 1}, {1, 0}, 1},
      {"all failed", unit(1), {1, 1}, {1, 1}, 1},
      {"second failed first", unit(0), {1, 1}, {1, 0}, 0},
      {"third failed behind the second", unit(1), {1, 1}, {0, 1}, 0},
      {"first partly failed, second failed", [](T t) { return t.basic(2, 1); }, {1}, {1}, 0},
      {"second partly failed, third intact", unit(1), {2, 1}, {1, 0}, 1},
      {"second partly failed, third failed", unit(1), {2, 1}, {1, 1}, 0},
      {"one unit of three behind an intact first", unit(0), {3}, {1}, 0},
      {"leftmost subtree occurred",
       [](T t) { return t.gate(TOR, {t.basic(1, 0), t.basic(1, 1)}); }, {1}, {1}, 1},
      {"leftmost subtree intact",
       [](T t) { return t.gate(TOR, {t.basic(1, 0), t.basic(1, 0)}); }, {1}, {1}, 0},
      // The nested gate respects its own order, but counts for the outer one
      // as an AND gate, which has not occurred.
      {"nested gate in order but not complete",
       [](T t) { return t.gate(TSEQ, {t.basic(1, 1), t.basic(2, 1)}); }, {1}, {1}, 0},
      {"nested gate not complete, nothing behind it",
       [](T t) { return t.gate(TSEQ, {t.basic(1, 1), t.basic(2, 1)}); }, {1}, {0}, 1},
      {"nested gate complete",
       [](T t) { return t.gate(TSEQ, {t.basic(1, 1), t.basic(2, 2)}); }, {1}, {1}, 1},
      {"nested gate out of order",
       [](T t) { return t.gate(TSEQ, {t.basic(1, 0), t.basic(1, 1)}); }, {1}, {0}, 0},
  };
  for (const Case& c : cases) {
    Console con;
    Tree t;
    std::vector<int> inputs = {c.first(t)};
    for (std::size_t i = 0; i < c.mult.size(); ++i) {
      inputs.push_back(t.basic(c.mult[i], c.failed[i]));
    }
    t.finish(t.box(t.gate(TSEQ, inputs)));
    EXPECT_EQ(t.check(), 1) << c.what;
    EXPECT_EQ(t.ALLOWED, c.allowed) << c.what;
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
    EXPECT_TRUE(t.flatMade) << c.what;
  }
}

// Past the root the flat form asks only the gates that read a slot in which
// the state differs from its source, which every gate allowed: in each case
// the transition failed one more component.  Components 1..5 lie under the
// gates (1, 2) and (3, 4, 5), slot 5 past the first four compared at once.
TEST(Seqchk, PastTheRootTheGatesThatReadAChangedSlotDecide) {
  struct Case {
    const char* what;
    int kind;                 // of the two gates
    std::vector<int> failed;  // components 1..5
    int changed;              // the component the transition failed
    int allowed;
  };
  const std::vector<Case> cases = {
      {"second gate's last input first", TSEQ, {0, 0, 0, 0, 1}, 5, 0},
      {"second gate in order", TSEQ, {0, 0, 1, 0, 0}, 3, 1},
      {"first gate's second input first", TSEQ, {0, 1, 0, 0, 0}, 2, 0},
      {"no sequence gate at all", TAND, {0, 1, 0, 0, 0}, 2, 1},
  };
  for (const Case& c : cases) {
    Tree t;
    std::vector<int> in;
    for (const int f : c.failed) in.push_back(t.basic(1, f));
    const int first = t.gate(c.kind, {in[0], in[1]});
    t.finish(t.box(t.gate(TOR, {first, t.gate(c.kind, {in[2], in[3], in[4]})})));
    FlatTree flat;
    FLTTRE(t.ft, t.SPRBAS, t.NSLOT, flat);
    ASSERT_TRUE(flat.SEQS.FLAT) << c.what;
    Array1<int> source(BASSIZ);
    source.copyFrom(t.state, BASSIZ);
    source(c.changed) = 1;
    int allowed = 7;
    EXPECT_EQ(SEQCHK(t.ft, t.SPRBAS, t.NSLOT, t.state, allowed, &flat, source), 1) << c.what;
    EXPECT_EQ(allowed, c.allowed) << c.what;
  }
}

// A violation ends the check at once: neither the rest of the gate nor the
// next gate is looked at (an XOR gate there would stop it with F801).
TEST(Seqchk, ViolationEndsTheCheck) {
  for (const bool violated : {true, false}) {
    Console con;
    Tree t;
    const int first = t.basic(1, violated ? 0 : 1);
    const int trap = t.gate(TXOR, {t.basic(1, 1)});
    const int g1 = t.gate(TSEQ, {first, t.basic(1, 1), trap});
    const int g2 = t.gate(TSEQ, {t.basic(1, 0), trap});
    t.finish(t.box(t.gate(TOR, {g1, g2})));
    EXPECT_EQ(t.check(), violated ? 1 : -1);
    EXPECT_EQ(t.ALLOWED, violated ? 0 : 1);
    const Lines trapped = {
        " **** SEQCHK: ERROR F801 - ILLEGAL PLACE TYPE (  24) FOR PLACE    3 AT OFFSET   16 IN "
        "PLACE TABLE ****"};
    EXPECT_EQ(con.lines(), violated ? Lines{} : trapped);
  }
}

// Trees SEQCHK refuses: one message.  ALLOWED is set before the gates are
// looked at, but not when there is no room for the stack.
TEST(Seqchk, Errors) {
  struct Case {
    const char* what;
    std::function<void(Tree&)> build;  // makes and finishes the tree
    int allowed;
    Lines lines;
  };
  const auto boxed = [](Tree& t, int first) {
    t.finish(t.box(t.gate(TSEQ, {first, t.basic(1, 0)})));
  };
  const std::vector<Case> cases = {
      {"no room for the stack",
       [&](Tree& t) {
         boxed(t, t.basic(1, 1));
         t.ft.PLCTAB(HDFREE) = PLCSIZ - 3 * t.ft.PLCTAB(HDNPLC) + 1;
       },
       7,
       {" **** SEQCHK: ERROR F800 - TABLE TOO SMALL TO HOLD STACK ****"}},
      {"priority-AND with three inputs",
       [&](Tree& t) {
         const int a = t.basic(1, 1);
         const int p = t.pand(a, t.basic(1, 1), 1);
         t.ft.PLCTAB(p + FNARC) = 3;
         t.ft.PLCTAB(p + FNARC + 3) = a;
         boxed(t, p);
       },
       1,
       {" **** SEQCHK: ERROR F718 - PRIORITY AND GATES MUST HAVE 2 INCOMING ARCS; NODE 3 HAS 3 "
        "ARCS"}},
      {"count past the list",
       [&](Tree& t) {
         boxed(t, t.basic(1, 1));
         t.ft.SEQLST(1) = GATSIZ;
       },
       7, {" **** SEQCHK: ERROR F806 - INTERNAL ERROR - GATE LIST COUNT OUT OF RANGE ( 257)"}},
      {"cycle",
       [&](Tree& t) {
         const int a = t.gate(TAND, {0});
         t.setInput(a, 1, a);
         boxed(t, a);
       },
       1, {" **** PUSH: ERROR U701 - STACK OVERFLOW ****"}},
  };
  for (const Case& c : cases) {
    Console con;
    Tree t;
    c.build(t);
    EXPECT_EQ(t.check(), -1) << c.what;
    EXPECT_EQ(t.ALLOWED, c.allowed) << c.what;
    EXPECT_EQ(con.lines(), c.lines) << c.what;
  }
}

}  // namespace
}  // namespace molvex
