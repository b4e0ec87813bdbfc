#include "gates/depchk.h"

#include <cstdlib>

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
  Next fdepTriggered(Traversal& t, int place) {
    for (int j = 2; j <= t.field(place, FNARC); ++j) {
      const int dependent = t.input(place, j);
      if (dependent < 0) continue;  // an input left out of the tree
      int c = 0;
      if (!t.checkPlace(dependent) || !t.component(dependent, c)) return Next::FAIL;
      if (STATE(c) == 0) continue;  // failed before: nothing is forced
      STATE(c) = 0;
      t.NFAIL()(c) = t.BASE()(c);
      CHANGED = 1;
      forced = true;
    }
    return Next::ADVANCE;
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

}  // namespace

int DEPCHK(FaultTree& FT, int SPRBAS, int NSLOT, IntTab STATE, int& CHANGED) {
  CHANGED = 0;
  Traversal walk("DEPCHK", StackFault::QUIET, FT.PLCTAB, FT.CSPTAB, SPRBAS, FT.NBASIC, NSLOT, STATE,
                 FT.BASE, IntTab(depchkNfail, MAXBAS));
  int gates = 0;
  int level = 0;
  if (walk.prepare() != SUCCES || !walk.gateCount(FT.FDPLST, gates) || !walk.levelWord(level)) {
    return ERRGEN;
  }
  Forcing rules(STATE, CHANGED);
  // Each round that forces something sets a working slot to 0 for good, so
  // at most NBASIC + 1 rounds run.  A single gate cannot trigger itself
  // again: one round is enough for it.
  do {
    rules.forced = false;
    // NBASIC is checked against STATE here, before the traceback of PACHK
    // prints the basic-component slots.
    if (walk.countFailed() != SUCCES) return ERRGEN;
    for (int g = 1; g <= gates; ++g) {
      int value = 0;
      if (orderSlots(FT, SPRBAS, NSLOT, STATE) != SUCCES ||
          walk.evaluate(FT.FDPLST(g + 1), rules, value) != SUCCES) {
        return ERRGEN;
      }
    }
  } while (rules.forced && gates >= 2);
  if (CHANGED == 1) STATE(level) = -std::abs(STATE(level));
  return SUCCES;
}

}  // namespace molvex
