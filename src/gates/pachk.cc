#include "gates/pachk.h"

#include "gates/trvtre.h"

namespace molvex {
namespace {

int pachkNfail[MAXBAS];

// Every priority-AND gate met records its order, the listed ones and those
// nested below them alike.  The gate has no short-circuit: its second input
// is evaluated even when the first has not occurred, so that the slot sees a
// second input that fails first.  A third input is not this routine's
// concern (the traversal of the top event reports it).
struct Ordering : TreeRules {
  IntTab STATE;
  Next pandReturn(Traversal& t, Frame& f, int value) {
    if (value >= 1) {
      int slot = 0;
      if (!t.pandSlot(f.place, slot)) return Next::FAIL;
      if (STATE(slot) == 0) STATE(slot) = f.arc;
    }
    return pandOrder(t, f, value);
  }
};

}  // namespace

int PACHK(FaultTree& FT, int SPRBAS, int NSLOT, IntTab STATE, const FlatTree* FLAT) {
  if (FLAT != nullptr && FLAT->PANDS.FLAT) {
    flatOrders(*FLAT, STATE, FT.BASE);
    return SUCCES;
  }
  Traversal walk("PACHK", StackFault::QUIET, FT.PLCTAB, FT.CSPTAB, SPRBAS, FT.NBASIC, NSLOT, STATE,
                 FT.BASE, IntTab(pachkNfail, MAXBAS));
  int gates = 0;
  if (walk.prepare() != SUCCES || walk.countFailed() != SUCCES ||
      !walk.gateCount(FT.PNDLST, gates)) {
    return ERRGEN;
  }
  Ordering rules;
  rules.STATE = STATE;
  for (int g = 1; g <= gates; ++g) {
    int value = 0;
    if (walk.evaluate(FT.PNDLST(g + 1), rules, value) != SUCCES) return ERRGEN;
  }
  return SUCCES;
}

}  // namespace molvex
