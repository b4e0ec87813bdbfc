#include "gates/depchk.h"

#include <algorithm>
#include <bitset>
#include <cstdlib>
#include <vector>

#include "gates/pachk.h"
#include "gates/trvtre.h"
#include "main/files.h"

namespace molvex {
namespace {

int depchkNfail[MAXBAS];

// A triggered gate takes its dependents down at once, whatever units they
// have left, and later gates of the round already see them failed.
struct Forcing : TreeRules {
  Forcing(IntTab state, int& changed) : STATE(state), CHANGED(changed) {}
  IntTab STATE;
  int& CHANGED;
  bool forced = false;  // in the current round
  int count = 0;        // components forced so far
  std::bitset<MAXBAS + 1> failed;  // components that differ from the source state
  Next fdepTriggered(Traversal& t, int place) {
    for (int j = 2; j <= t.field(place, FNARC); ++j) {
      const int dependent = t.input(place, j);
      if (dependent < 0) continue;  // an input left out of the tree
      int c = 0;
      if (!t.checkPlace(dependent) || !t.component(dependent, c)) return Next::FAIL;
      force(c, t.NFAIL(), t.BASE());
    }
    return Next::ADVANCE;
  }
  // Component c, 1..NBASIC, forced down unless it has failed before.
  void force(int c, IntTab NFAIL, CIntTab BASE) {
    if (STATE(c) == 0) return;
    STATE(c) = 0;
    NFAIL(c) = BASE(c);
    CHANGED = 1;
    forced = true;
    ++count;
    if (c <= MAXBAS) failed.set(static_cast<std::size_t>(c));
  }
};

// A trigger may lie below a priority-AND gate, whose slot must already know
// the failures forced so far.
int orderSlots(FaultTree& FT, int SPRBAS, int NSLOT, IntTab STATE) {
  if (FT.PNDLST(1) < 1) return SUCCES;
  const int status = PACHK(FT, SPRBAS, NSLOT, STATE);
  if (status == SUCCES) return SUCCES;
  traceback(SCRUNT, "DEPCHK", status, "PACHK", " WHILE ");
  processingLine(SCRUNT, STATE, FT.NBASIC);
  return ERRGEN;
}

// Whether gate g must be walked: without a reach, every one.
bool reached(const Reach* REACH, int g, const std::bitset<MAXBAS + 1>& failed) {
  if (REACH == nullptr) return true;
  const std::size_t i = static_cast<std::size_t>(g - 1);
  const std::vector<FlatTree::Dependency>& deps = REACH->FLAT.FDEPS;
  return i >= deps.size() || deps[i].ALWAYS || (deps[i].BELOW & failed).any();
}

// The node of gate g in the flat form, or -1 where it is walked: also where
// the form was made for other tables than these.
int flatGate(const Reach* REACH, int g, const FaultTree& FT, int SPRBAS, int NSLOT, CIntTab STATE) {
  if (REACH == nullptr || !REACH->EVALUATE) return -1;
  const FlatTree& F = REACH->FLAT;
  if (F.NBASIC != FT.NBASIC || F.SPRBAS != SPRBAS || F.NSLOT != NSLOT || STATE.size() < NSLOT ||
      FT.BASE.size() < FT.NBASIC) {
    return -1;
  }
  const std::vector<FlatTree::Dependency>& deps = F.FDEPS;
  const std::size_t i = static_cast<std::size_t>(g - 1);
  return i < deps.size() ? deps[i].node : -1;
}

}  // namespace

int DEPCHK(FaultTree& FT, int SPRBAS, int NSLOT, IntTab STATE, int& CHANGED, const Reach* REACH) {
  CHANGED = 0;
  Forcing rules(STATE, CHANGED);
  if (REACH != nullptr) {
    const int n = std::min({FT.NBASIC, MAXBAS, STATE.size(), REACH->PRESTA.size()});
    for (int c = 1; c <= n; ++c) {
      if (STATE(c) != REACH->PRESTA(c)) rules.failed.set(static_cast<std::size_t>(c));
    }
  }
  const IntTab NFAIL(depchkNfail, MAXBAS);
  Traversal walk("DEPCHK", StackFault::QUIET, FT.PLCTAB, FT.CSPTAB, SPRBAS, FT.NBASIC, NSLOT, STATE,
                 FT.BASE, NFAIL);
  // With a reach the walks are set up when the first is needed: the faults
  // of the tables they would report, the first transitions, from the root,
  // have met.
  bool ready = REACH == nullptr;
  int gates = 0;
  int level = 0;
  if ((ready && walk.prepare() != SUCCES) || !walk.gateCount(FT.FDPLST, gates) ||
      !walk.levelWord(level)) {
    return ERRGEN;
  }
  // NBASIC is checked against STATE here, before the traceback of PACHK
  // prints the basic-component slots.  The counts stay right from round to
  // round: the rule that forces a component down counts it failed.
  if (ready && walk.countFailed() != SUCCES) return ERRGEN;
  int ordered = -1;  // the forced count when the order slots were last brought up to date
  // Each round that forces something sets a working slot to 0 for good, so
  // at most NBASIC + 1 rounds run.  A single gate cannot trigger itself
  // again: one round is enough for it.
  do {
    rules.forced = false;
    for (int g = 1; g <= gates; ++g) {
      if (ordered != rules.count) {
        if (orderSlots(FT, SPRBAS, NSLOT, STATE) != SUCCES) return ERRGEN;
        ordered = rules.count;
      }
      if (!reached(REACH, g, rules.failed)) continue;
      const int node = flatGate(REACH, g, FT, SPRBAS, NSLOT, STATE);
      if (node >= 0) {
        if (flatValue(REACH->FLAT, node, STATE, FT.BASE) == 0) continue;
        const FlatTree::Dependency& d = REACH->FLAT.FDEPS[static_cast<std::size_t>(g - 1)];
        for (int k = d.first; k < d.first + d.count; ++k) {
          rules.force(REACH->FLAT.DEPENDENTS[static_cast<std::size_t>(k)], NFAIL, FT.BASE);
        }
        continue;
      }
      if (!ready && (walk.prepare() != SUCCES || walk.countFailed() != SUCCES)) return ERRGEN;
      ready = true;
      int value = 0;
      if (walk.evaluate(FT.FDPLST(g + 1), rules, value) != SUCCES) return ERRGEN;
    }
  } while (rules.forced && gates >= 2);
  if (CHANGED == 1) STATE(level) = -std::abs(STATE(level));
  return SUCCES;
}

}  // namespace molvex
