#include "gates/cspchk.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gates/flattr.h"
#include "gates/treebuilder.h"
#include "gates/trvtre.h"
#include "support/console.h"
#include "util/pool.h"

namespace molvex {
namespace {

using testing::Console;
using testing::Tree;
using Lines = std::vector<std::string>;
using Units = std::pair<int, int>;  // multiplicity, failed units

// A tree with cold spare gates, its parent lists in pool 2 as the build
// leaves them, and the transitions of the generation loop one call at a
// time: the tree's state is the source state.
class Spares {
 public:
  explicit Spares(int poolWords = 600) : words_(poolWords), heads_(290) {
    pool.POOL = words_;
    pool.FREHDS = heads_;
  }

  void finish(int root) {
    t.finish(root);
    INIDYN(pool, 0, 1, 5, 6);
    // In the build's order: the gates in CSPTAB order, each one's inputs in
    // order, every node pushed at the head of its list.
    t.ft.CSPRNT.fill(pool.NULPTR);
    const IntTab P = t.ft.PLCTAB;
    for (int i = 1; i <= t.ft.CSPTAB(1); ++i) {
      const int g = t.ft.CSPTAB(i + 1);
      for (int j = 1; j <= P(g + FNARC); ++j)
        parent(P(P(g + FNARC + j) + FBASIC), i, P(g + FSPBAS));
    }
  }
  void parent(int c, int position, int base) {
    int node = pool.NULPTR;
    ASSERT_EQ(GETNOD(pool, node, 2), 1);
    pool.POOL(node) = position;
    pool.POOL(node + 1) = base;
    ASSERT_EQ(PSHPTR(pool, t.ft.CSPRNT(c), node, 2), 1);
  }
  // An entry of the REPEAT list made by hand; `inner` false leaves its list
  // of the gate empty.
  void repeat(int position, int base, bool inner = true) {
    int head = pool.NULPTR;
    int entry = pool.NULPTR;
    ASSERT_EQ(GETNOD(pool, head, 2), 1);
    ASSERT_EQ(GETNOD(pool, entry, 2), 1);
    pool.POOL(entry) = position;
    pool.POOL(entry + 1) = base;
    if (inner) {
      ASSERT_EQ(PSHPTR(pool, pool.POOL(head), entry, 2), 1);
    }
    ASSERT_EQ(PSHPTR(pool, RPTLST, head, 1), 1);
  }

  // One unit of c fails; a dependency then forces the `forced` components
  // down.
  int fail(int c, const std::vector<int>& forced = {}) {
    next.copyFrom(t.state, BASSIZ);
    --next(c);
    RATMUL = t.state(c);
    saved.copyFrom(next, BASSIZ);
    for (int f : forced) next(f) = 0;
    CHANGED = forced.empty() ? 0 : 1;
    return again(c);
  }
  // The same failure once more, its spare slots restored.
  int again(int c) {
    for (int k = t.SPRBAS + 1; k <= t.NSLOT; ++k) next(k) = t.state(k);
    ALLOWED = 7;
    return CSPCHK(t.ft, t.SPRBAS, pool, t.NSLOT, next, saved, t.state, MODTYP, c, CHANGED, WARM,
                  ALLOWED, RPTLST, RATMUL, flatForm());
  }
  // The same failure as a dormant unit's.
  int dormant(int c) {
    for (int k = t.SPRBAS + 1; k <= t.NSLOT; ++k) next(k) = t.state(k);
    ALLOWED = 7;
    return DRMCHK(t.ft, t.SPRBAS, pool, t.NSLOT, next, saved, t.state, MODTYP, c, CHANGED, ALLOWED,
                  RATMUL, flatForm());
  }
  std::vector<int> slots() const {
    return std::vector<int>(next.begin() + t.SPRBAS, next.begin() + t.NSLOT);
  }

  Tree t;
  NodePool pool;  // pool 2
  Array1<int> next{BASSIZ}, saved{BASSIZ};
  Array1<int> MODTYP{MAXBAS, 0};  // by type: the spare module's type
  int CHANGED = 0, WARM = 0, ALLOWED = 7, RPTLST = -1, RATMUL = 0;
  bool flat = false;  // hand the routines the tree's flat form, made as the call comes

 private:
  const FlatTree* flatForm() {
    if (!flat) return nullptr;
    FLTTRE(t.ft, t.SPRBAS, t.NSLOT, flat_);
    return &flat_;
  }
  Array1<int> words_, heads_;
  FlatTree flat_;
};

// Basic events of the given units, one unit each unless said.
std::vector<int> basics(Tree& t, const std::vector<Units>& units) {
  std::vector<int> out;
  for (const Units& u : units) out.push_back(t.basic(u.first, u.second));
  return out;
}

// Gates A (P1, S) and B (P2, S) that share the spare S, under an AND:
// components 1, 2, 3, gates at 22 and 30, shared-spare slots A then B.
void sharedPair(Spares& s, Units p1, Units p2, Units sp, std::vector<int> a, std::vector<int> b) {
  Tree& t = s.t;
  const int P1 = t.basic(p1.first, p1.second, 5);
  const int P2 = t.basic(p2.first, p2.second);
  const int S = t.basic(sp.first, sp.second);
  const int A = t.sharedCsp({P1, S}, a);
  const int B = t.sharedCsp({P2, S}, b);
  s.finish(t.box(t.gate(TAND, {A, B})));
}

TEST(Cspchk, GateWithoutSharedSpares) {
  struct Case {
    const char* what;
    std::vector<Units> units;  // P, S1, S2 of the gate; X under no gate
    int failcp;
    std::vector<int> forced;
    int allowed;
    int ratmul;  // -1: not looked at
  };
  const Units ok{1, 0}, down{1, 1};
  const std::vector<Case> cases = {
      {"spare of a working primary", {ok, ok, ok, ok}, 2, {}, 0, -1},
      {"spare after the primary failed", {down, ok, ok, ok}, 2, {}, 1, 1},
      {"one of three spare units exposed", {down, {3, 0}, ok, ok}, 2, {}, 1, 1},
      {"all units of the primary exposed", {{2, 0}, ok, ok, ok}, 1, {}, 1, 2},
      {"spare filling a partly failed primary", {{2, 1}, {3, 0}, ok, ok}, 2, {}, 1, 1},
      {"second spare behind a working first one", {down, ok, ok, ok}, 3, {}, 0, -1},
      {"second spare after the first failed", {down, down, ok, ok}, 3, {}, 1, 1},
      {"spare whose primary a dependency forced down", {ok, ok, ok, ok}, 2, {1}, 1, 1},
      {"dormant spare forced down itself", {ok, {2, 0}, ok, ok}, 2, {2}, 1, -1},
      {"dormant spare, another component forced", {ok, ok, ok, ok}, 2, {4}, 0, -1},
      {"component under no cold spare gate", {ok, ok, ok, {3, 1}}, 4, {}, 1, 2},
  };
  for (const Case& c : cases) {
    Console con;
    Spares s;
    Tree& t = s.t;
    const int P = t.basic(c.units[0].first, c.units[0].second);
    const int S1 = t.basic(c.units[1].first, c.units[1].second);
    const int S2 = t.basic(c.units[2].first, c.units[2].second);
    const int X = t.basic(c.units[3].first, c.units[3].second);
    s.finish(t.box(t.gate(TOR, {t.csp({P, S1, S2}), X})));
    EXPECT_EQ(s.fail(c.failcp, c.forced), 1) << c.what;
    EXPECT_EQ(s.ALLOWED, c.allowed) << c.what;
    if (c.ratmul >= 0) {
      EXPECT_EQ(s.RATMUL, c.ratmul) << c.what;
    }
    EXPECT_EQ(s.RPTLST, -1) << c.what;
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
  }
}

TEST(Cspchk, SpareHeldByNoGateFailsOnlyWhenForced) {
  for (const bool forced : {false, true}) {
    Spares s;
    sharedPair(s, {1, 0}, {1, 0}, {2, 0}, {1, 0}, {1, 0});
    const int used = s.pool.NXTFRE;
    EXPECT_EQ(s.fail(3, forced ? std::vector<int>{3} : std::vector<int>{}), 1);
    EXPECT_EQ(s.ALLOWED, forced ? 1 : 0);
    EXPECT_EQ(s.RATMUL, 2);
    EXPECT_EQ(s.RPTLST, -1);
    EXPECT_EQ(s.slots(), (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(s.pool.NXTFRE, used);
  }
}

// One alternative per gate that holds a unit, in CSPTAB order, each exposing
// the units that gate holds; the REPEAT nodes are taken on the first call
// only, and given back as each is used, so that the next transition reuses
// them instead of taking more of the pool.
TEST(Cspchk, SpareHeldByTwoGatesFailsOncePerGate) {
  Spares s;
  sharedPair(s, {2, 2}, {1, 1}, {3, 0}, {0, 2}, {0, 1});
  const int before = s.pool.NXTFRE;
  ASSERT_EQ(s.fail(3), 1);
  EXPECT_EQ(s.ALLOWED, 1);
  EXPECT_EQ(s.RATMUL, 2);
  EXPECT_EQ(s.slots(), (std::vector<int>{0, 1, 0, 1}));
  EXPECT_NE(s.RPTLST, -1);
  EXPECT_EQ(s.pool.NXTFRE, before + 4 * 3);
  ASSERT_EQ(s.again(3), 1);
  EXPECT_EQ(s.ALLOWED, 1);
  EXPECT_EQ(s.RATMUL, 1);
  EXPECT_EQ(s.slots(), (std::vector<int>{0, 2, 0, 0}));
  EXPECT_EQ(s.RPTLST, -1);
  EXPECT_EQ(s.pool.NXTFRE, before + 4 * 3);
  for (int round = 0; round < 100; ++round) {
    ASSERT_EQ(s.fail(3), 1);
    ASSERT_EQ(s.again(3), 1);
  }
  EXPECT_EQ(s.RPTLST, -1);
  EXPECT_EQ(s.pool.NXTFRE, before + 4 * 3);
}

TEST(Cspchk, SharingGateLosesAUnit) {
  struct Case {
    const char* what;
    std::vector<Units> units;  // P1, S1, S2, P2
    std::vector<int> a, b;     // slots of A (P1, S1, S2) and B (P2, S2)
    int failcp;
    std::vector<int> forced;
    std::vector<int> slots;  // afterwards
    int ratmul;
  };
  const Units ok{1, 0}, down{1, 1};
  const std::vector<Case> cases = {
      // what, units, slots of A and B, failing, forced, slots afterwards, RATMUL
      {"primary replaced by the first spare", {ok, ok, ok, ok}, {1, 0, 0}, {1, 0}, 1, {},
       {0, 1, 0, 1, 0}, 1},
      {"idle unit of the same component takes over", {down, {2, 0}, ok, ok}, {0, 1, 0}, {1, 0},
       2, {}, {0, 1, 0, 1, 0}, 1},
      {"both units of the primary exposed, one replaced", {{2, 0}, ok, ok, ok}, {2, 0, 0},
       {1, 0}, 1, {}, {1, 1, 0, 1, 0}, 2},
      {"spare held by the other gate skipped", {ok, ok, ok, down}, {1, 0, 0}, {0, 1}, 1, {},
       {0, 1, 0, 0, 1}, 1},
      {"first spare failed, second taken", {ok, down, ok, ok}, {1, 0, 0}, {1, 0}, 1, {},
       {0, 0, 1, 1, 0}, 1},
      {"no idle unit left anywhere", {ok, down, ok, down}, {1, 0, 0}, {0, 1}, 1, {},
       {0, 0, 0, 0, 1}, 1},
      {"spare forced down with the primary is no replacement", {ok, ok, ok, ok}, {1, 0, 0},
       {1, 0}, 1, {2}, {0, 0, 1, 1, 0}, 1},
      {"forced spare leaves the gate that held it", {down, ok, ok, ok}, {0, 1, 0}, {1, 0}, 4,
       {2}, {0, 0, 0, 0, 1}, 1},
  };
  for (const Case& c : cases) {
    Console con;
    Spares s;
    Tree& t = s.t;
    const std::vector<int> b = basics(t, c.units);  // P1, S1, S2, P2
    const int A = t.sharedCsp({b[0], b[1], b[2]}, c.a);
    s.finish(t.box(t.gate(TOR, {A, t.sharedCsp({b[3], b[2]}, c.b)})));
    EXPECT_EQ(s.fail(c.failcp, c.forced), 1) << c.what;
    EXPECT_EQ(s.ALLOWED, 1) << c.what;
    EXPECT_EQ(s.RATMUL, c.ratmul) << c.what;
    EXPECT_EQ(s.slots(), c.slots) << c.what;
    EXPECT_EQ(s.RPTLST, -1) << c.what;
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
  }
}

// A gate that replaces units forced down takes, for each, the first later
// input with an idle unit, gate by gate in CSPTAB order; a gate that does
// not, as specified, just lets go.  A and B share S2; X under no gate fails.
TEST(Cspchk, ForcedDownUnitsReplaced) {
  struct Case {
    const char* what;
    bool replacing;
    std::vector<Units> units;  // P1, S1, S2, P2
    std::vector<int> a;        // slots of A (P1, S1, S2); B (P2, S2) holds P2
    std::vector<int> forced;
    std::vector<int> slots;  // afterwards
  };
  const Units ok{1, 0}, down{1, 1};
  const std::vector<Case> cases = {
      {"primary takes the first spare", true, {ok, ok, ok, ok}, {1, 0, 0}, {1}, {0, 1, 0, 1, 0}},
      {"spare forced with it skipped", true, {ok, ok, ok, ok}, {1, 0, 0}, {1, 2}, {0, 0, 1, 1, 0}},
      {"both primaries: the earlier gate first",
       true,
       {ok, ok, ok, ok},
       {1, 0, 0},
       {1, 4},
       {0, 1, 0, 0, 1}},
      {"one spare left for two gates",
       true,
       {ok, ok, ok, ok},
       {1, 0, 0},
       {1, 2, 4},
       {0, 0, 1, 0, 0}},
      {"spare in use forced, the next taken",
       true,
       {down, ok, ok, ok},
       {0, 1, 0},
       {2},
       {0, 0, 1, 1, 0}},
      {"gate that does not replace", false, {ok, ok, ok, ok}, {1, 0, 0}, {1}, {0, 0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    Console con;
    Spares s;
    Tree& t = s.t;
    const std::vector<int> b = basics(t, c.units);  // P1, S1, S2, P2
    const int X = t.basic(1, 0);
    const auto gate = [&](std::vector<int> inputs, std::vector<int> slots) {
      return c.replacing ? t.replacingCsp(inputs, slots) : t.sharedCsp(inputs, slots);
    };
    s.finish(t.box(t.gate(TOR, {gate({b[0], b[1], b[2]}, c.a), gate({b[3], b[2]}, {1, 0}), X})));
    EXPECT_EQ(s.fail(5, c.forced), 1) << c.what;
    EXPECT_EQ(s.ALLOWED, 1) << c.what;
    EXPECT_EQ(s.slots(), c.slots) << c.what;
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
  }
}

// A component of a warm type fails in two transitions: its units in use
// (CSPCHK with WARM, allowed only when there are any) and its dormant units
// (DRMCHK).  Together they expose every working unit once.
TEST(Cspchk, WarmUnitsInUseAndDormant) {
  struct Case {
    const char* what;
    bool shared;               // A (P, S1, S2) shares S1 with B (Q, S1); else A alone
    std::vector<Units> units;  // P, S1, S2
    std::vector<int> a;        // A's slots when shared
    int failcp;
    std::vector<int> forced;
    Units inUse, dormant;  // ALLOWED and RATMUL of each transition (RATMUL -1: not looked at)
  };
  const Units ok{1, 0}, down{1, 1};
  const std::vector<Case> cases = {
      {"spare of a working primary", false, {ok, ok, ok}, {}, 2, {}, {0, -1}, {1, 1}},
      {"spare after the primary failed", false, {down, ok, ok}, {}, 2, {}, {1, 1}, {0, 0}},
      {"one of three spare units in use", false, {down, {3, 0}, ok}, {}, 2, {}, {1, 1}, {1, 2}},
      {"primary", false, {ok, ok, ok}, {}, 1, {}, {1, 1}, {0, 0}},
      {"dormant spare forced down itself", false, {ok, {2, 0}, ok}, {}, 2, {2}, {0, -1}, {1, 2}},
      {"shared spare held by no gate", true, {ok, {2, 0}, ok}, {1, 0, 0}, 2, {}, {0, -1}, {1, 2}},
      {"shared spare, one unit held", true, {down, {2, 0}, ok}, {0, 1, 0}, 2, {}, {1, 1}, {1, 1}},
  };
  for (const Case& c : cases) {
    Console con;
    Spares s;
    Tree& t = s.t;
    const std::vector<int> b = basics(t, c.units);  // P, S1, S2
    const int A = c.shared ? t.sharedCsp(b, c.a) : t.csp(b);
    const int B = c.shared ? t.sharedCsp({t.basic(1, 0), b[1]}, {1, 0}) : t.basic(1, 0);
    s.finish(t.box(t.gate(TOR, {A, B})));
    s.WARM = 1;
    ASSERT_EQ(s.fail(c.failcp, c.forced), 1) << c.what;
    EXPECT_EQ(s.RPTLST, -1) << c.what;  // no gate in the shared cases holds two of them
    const auto check = [&](Units expected, const char* which) {
      EXPECT_EQ(s.ALLOWED, expected.first) << c.what << which;
      if (expected.second >= 0) {
        EXPECT_EQ(s.RATMUL, expected.second) << c.what << which;
      }
    };
    check(c.inUse, ", in use");
    s.RATMUL = -7;
    ASSERT_EQ(s.dormant(c.failcp), 1) << c.what;
    check(c.dormant, ", dormant");
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
  }
}

// A component whose own failure forces its other units down: a warm type
// or a replacing gate counts the units in use in the source state (S's one
// unit held, its other one dormant; a spare of a working primary none), a
// cold spare gate lets it fail as it always has.
TEST(Cspchk, AFailureThatForcesItsOwnUnitsDown) {
  struct Case {
    const char* what;
    bool warm, replacing;
    Units spare;
    int allowed, ratmul;  // RATMUL -1: not looked at
  };
  const std::vector<Case> cases = {
      {"warm spare, one of two units held", true, false, {2, 0}, 1, 1},
      {"replacing gate, cold spare of a working primary", false, true, {2, 0}, 0, -1},
      {"cold spare gate, the same spare", false, false, {2, 0}, 1, -1},
  };
  for (const Case& c : cases) {
    Console con;
    Spares s;
    Tree& t = s.t;
    const int P = t.basic(1, c.warm ? 1 : 0);
    const int S = t.basic(c.spare.first, c.spare.second);
    // Warm: P's gate, sharing S with Q's, holds one unit of S.
    const int A = c.warm ? t.sharedCsp({P, S}, {0, 1}) : t.csp({P, S});
    if (c.replacing) t.ft.PLCTAB(A + FREPLC) = 1;
    const int B = c.warm ? t.sharedCsp({t.basic(1, 0), S}, {1, 0}) : t.basic(1, 0);
    s.finish(t.box(t.gate(TOR, {A, B})));
    s.WARM = c.warm ? 1 : 0;
    ASSERT_EQ(s.fail(2, {2}), 1) << c.what;
    EXPECT_EQ(s.ALLOWED, c.allowed) << c.what;
    if (c.ratmul >= 0) {
      EXPECT_EQ(s.RATMUL, c.ratmul) << c.what;
    }
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
  }
}

// X lies in the spare module whose unit is K2 (type 3), Y in X's (type 4):
// both sleep, all their units dormant, until the gate (K1, K2) takes K2.
TEST(Cspchk, ComponentsOfASpareModuleSleepUntilItIsTaken) {
  struct Case {
    const char* what;
    Units k1;
    int failcp;
    Units inUse, dormant;  // ALLOWED and RATMUL of each transition
  };
  const Units ok{1, 0}, down{1, 1};
  const std::vector<Case> cases = {
      {"module not taken", ok, 3, {0, -1}, {1, 2}},
      {"module taken", down, 3, {1, 2}, {0, 0}},
      {"module in a module not taken", ok, 4, {0, -1}, {1, 1}},
      {"module in a module taken", down, 4, {1, 1}, {0, 0}},
  };
  for (const Case& c : cases) {
    Console con;
    Spares s;
    Tree& t = s.t;
    const int K1 = t.basic(c.k1.first, c.k1.second, 2);
    const int K2 = t.basic(1, 0, 3);
    const int X = t.basic(2, 0, 4);
    const int Y = t.basic(1, 0, 5);
    s.finish(t.box(t.gate(TOR, {t.csp({K1, K2}), X, Y})));
    s.MODTYP(4) = 3;
    s.MODTYP(5) = 4;
    s.WARM = 1;
    ASSERT_EQ(s.fail(c.failcp), 1) << c.what;
    EXPECT_EQ(s.ALLOWED, c.inUse.first) << c.what;
    if (c.inUse.second >= 0) {
      EXPECT_EQ(s.RATMUL, c.inUse.second) << c.what;
    }
    ASSERT_EQ(s.dormant(c.failcp), 1) << c.what;
    EXPECT_EQ(s.ALLOWED, c.dormant.first) << c.what;
    EXPECT_EQ(s.RATMUL, c.dormant.second) << c.what;
    EXPECT_EQ(con.lines(), Lines{}) << c.what;
  }
}

// A gate that gave up its last unit has failed, whatever its inputs show.
TEST(Cspchk, GateWithoutUnitsHasFailed) {
  Spares s;
  Tree& t = s.t;
  const int P1 = t.basic(1, 0);
  const int P2 = t.basic(1, 1);
  const int S = t.basic(1, 0);
  const int A = t.sharedCsp({P1, S}, {1, 0});
  s.finish(t.box(t.gate(TOR, {A, t.sharedCsp({P2, S}, {0, 1})})));
  ASSERT_EQ(s.fail(1), 1);
  EXPECT_EQ(s.slots(), (std::vector<int>{0, 0, 0, 1}));
  int failed = 7;
  ASSERT_EQ(
      TRVTRE(t.ft.PLCTAB, t.ft.CSPTAB, t.SPRBAS, t.NBASIC, t.NSLOT, s.next, t.ft.BASE, failed), 1);
  EXPECT_EQ(failed, 1);
}

// Lists and tables the build does not make: the message, the traceback
// lines, the status.
TEST(Cspchk, Errors) {
  struct Case {
    const char* what;
    std::function<int(Spares&)> run;  // makes the tree and fails a component
    int status;
    Lines lines;
    int poolWords = 600;
  };
  using T = Spares&;
  const Units ok{1, 0}, down{1, 1};
  const auto held = [=](T s) { sharedPair(s, ok, ok, ok, {1, 0}, {1, 0}); };
  // The pair, its tables then changed, and a failure of component c.
  const auto heldThen = [=](std::function<void(T)> change, int c) {
    return [=](T s) {
      held(s);
      change(s);
      return s.fail(c);
    };
  };
  const std::string notIn = "LINKED LIST OF CSP GATE DESCENDENTS ";
  const std::vector<Case> cases = {
      {"component under two gates without shared spares",
       [](T s) {
         Tree& t = s.t;
         const int P = t.basic(1, 0);
         const int Q = t.basic(1, 0);
         const int X = t.basic(1, 0);
         s.finish(t.box(t.gate(TAND, {t.csp({P, X}), t.csp({Q, P})})));
         return s.fail(1);
       },
       -1,
       {" **** SNGLGT: ERROR F809 - COMPONENT 1 HAS SEVERAL CSP GATE PARENTS, INCLUDING CSP GATE "
        "2 (AT LOCATION 30 IN THE PLACE TABLE) WHICH IS SUPPOSED TO HAVE NO SHARED SPARES",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY SNGLGT()"}},
      {"gate without shared spares listed for a component it lacks",
       [](T s) {
         Tree& t = s.t;
         const int P = t.basic(1, 0);
         const int X = t.basic(1, 0);
         s.finish(t.box(t.gate(TOR, {t.csp({P}), X})));
         s.parent(2, 1, -1);
         return s.fail(2);
       },
       -1,
       {" **** SNGLGT: ERROR F808 - " + notIn +
            "(CSPRNT) IS CORRUPTED: COMPONENT 2 IS NOT A DESCENDENT OF CSP GATE 1 AT LOCATION 16 "
            "IN PLACE TABLE",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY SNGLGT()"}},
      {"sharing gate listed for a component it lacks",
       heldThen([](T s) { s.parent(2, 1, 0); }, 2),
       -1,
       {" **** DETUSD: ERROR F808 - " + notIn +
            "(CSPRNT) IS CORRUPTED: COMPONENT 2 IS NOT A DESCENDENT OF CSP GATE 1 AT LOCATION 22 "
            "IN PLACE TABLE",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY DETUSD()"}},
      {"sharing gate listed for a forced component it lacks",
       [=](T s) {
         held(s);
         s.parent(2, 1, 0);
         return s.fail(1, {2});
       },
       -1,
       {" **** UPDDSC: ERROR F808 - " + notIn +
            "(CSPRNT) IS CORRUPTED: COMPONENT 2 IS NOT A DESCENDENT OF CSP GATE 1 AT LOCATION 22 "
            "IN PLACE TABLE",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY UPDDSC()"}},
      {"gate without shared spares listed among sharing ones",
       [](T s) {
         Tree& t = s.t;
         const int P1 = t.basic(1, 0);
         const int P2 = t.basic(1, 0);
         const int S = t.basic(1, 0);
         const int A = t.sharedCsp({P1, S}, {1, 0});
         const int B = t.sharedCsp({P2, S}, {1, 0});
         s.finish(t.box(t.gate(TAND, {A, B, t.csp({t.basic(1, 0)})})));
         s.parent(3, 3, -1);
         return s.fail(1);
       },
       -1,
       {" **** DETUSD: ERROR F810 - CANNOT TELL HOW MANY OF COMPONENT TYPE 3 ARE BEING USED BY "
        "CSP GATE 3(AT LOC 44 IN THE PLACE TABLE)",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY DETUSD()",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY SHRDGT()"}},
      {"repeat entry of a gate without the component",
       heldThen([](T s) { s.repeat(2, 2); }, 1),
       -1,
       {" **** CSPCHK: ERROR F808 - " + notIn +
            "(REPEAT) IS CORRUPTED: COMPONENT 1 IS NOT A DESCENDENT OF CSP GATE 2 AT LOCATION 30 "
            "IN PLACE TABLE",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY SHRDGT()"}},
      {"repeat entry of a gate holding no unit",
       [=](T s) {
         sharedPair(s, {2, 0}, ok, ok, {0, 0}, {1, 0});
         s.repeat(1, 0);
         return s.fail(1);
       },
       -1,
       {" **** CSPCHK: ERROR F808 - \"REPEAT\" LIST CORRUPTED: CSP GATE 1 (AT LOC 22 IN PLACE "
        "TABLE) IS NOT USING ANY OF COMPONENT 5 IN STATE 1 1 1 0 0 1 0",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY SHRDGT()"}},
      {"repeat node heading no entry",
       heldThen([](T s) { s.repeat(1, 0, false); }, 1),
       -8,
       {" **** POPPTR: ERROR U401 - STACK UNDERFLOW",
        " **** CSPCHK: TRACEBACK - ERROR -8 RETURNED BY POPPTR()"}},
      {"pool too small for the repeat list",
       [=](T s) {
         held(s);
         return s.fail(1);
       },
       -1,
       {" **** ALLOC: ERROR U400 - BOUNDS OF MEMORY POOL EXCEEDED",
        " **** GETNOD:  TRACEBACK - ERROR ENCOUNTERED BY ALLOC() WHEN ALLOCATING NODE",
        " **** DETUSD: TRACEBACK - ERROR -1 RETURNED BY GETNOD()",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY DETUSD()"},
       4 * 3 + 2},  // the parent lists, and two words more
      {"list node outside the pool",
       heldThen([](T s) { s.t.ft.CSPRNT(1) = 599; }, 1),
       -1,
       {" **** CSPCHK: ERROR F806 - INTERNAL ERROR - LIST NODE OUT OF RANGE ( 599)"}},
      {"gate position past CSPTAB",
       heldThen([](T s) { s.parent(1, 3, 0); }, 1),
       -1,
       {" **** CSPCHK: ERROR F806 - INTERNAL ERROR - CSP GATE OUT OF RANGE ( 3)"}},
      {"spare slot past the state",
       heldThen([](T s) { s.parent(1, 1, 4); }, 1),
       -1,
       {" **** DETUSD: ERROR F806 - INTERNAL ERROR - SPARE SLOT OUT OF RANGE ( 5)",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY DETUSD()"}},
      {"no room behind the places for a walk's stack",
       heldThen([](T s) { s.t.ft.PLCTAB(HDFREE) = PLCSIZ - 3 * s.t.ft.PLCTAB(HDNPLC) + 2; }, 1),
       -1,
       {" **** CSPCHK: ERROR F800 - TABLE TOO SMALL TO HOLD STACK ****"}},
      {"gate input outside the places before the component's",
       heldThen([](T s) { s.t.setInput(22, 1, 0); }, 3),
       -1,
       {" **** DETUSD: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( 0)",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY DETUSD()"}},
      {"gate input naming no component before the component's",
       heldThen([](T s) { s.t.ft.PLCTAB(s.t.ft.PLCTAB(22 + FNARC + 1) + FBASIC) = 4; }, 3),
       -1,
       {" **** DETUSD: ERROR F806 - INTERNAL ERROR - BASIC COMPONENT OUT OF RANGE ( 4)",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY DETUSD()"}},
      {"gate outside the places",
       heldThen([](T s) { s.t.ft.CSPTAB(2) = PLCSIZ; }, 3),
       -1,
       {" **** DETUSD: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( " +
            std::to_string(PLCSIZ) + ")",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY DETUSD()"}},
      {"gate input outside the places",
       [=](T s) {
         sharedPair(s, ok, down, ok, {1, 0}, {0, 1});
         s.t.setInput(22, 2, 0);
         return s.fail(1);
       },
       -1,
       {" **** CSPCHK: ERROR F806 - INTERNAL ERROR - PLACE TABLE OFFSET OUT OF RANGE ( 0)",
        " **** CSPCHK: TRACEBACK - ERROR -1 RETURNED BY SHRDGT()"}},
  };
  // The flat form knows a gate's inputs only where the routines' own search
  // finds them without a message: with it, every message still comes.
  for (const bool flat : {false, true}) {
    for (const Case& c : cases) {
      Console con;
      Spares s(c.poolWords);
      s.flat = flat;
      EXPECT_EQ(c.run(s), c.status) << c.what << (flat ? ", flat" : "");
      EXPECT_EQ(con.lines(), c.lines) << c.what << (flat ? ", flat" : "");
    }
  }
}

}  // namespace
}  // namespace molvex
