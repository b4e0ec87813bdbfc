#include "gates/seqchk.h"

#include "gates/trvtre.h"

namespace molvex {
namespace {

int seqchkNfail[MAXBAS];

// Only the gate under check enforces its order; a sequence gate nested in
// its leftmost input counts as an AND gate there (it is checked in its own
// turn).
struct Sequencing : TreeRules {
  int gate = 0;      // the gate under check
  bool gap = false;  // one of its inputs has been found intact
  int allowed = 1;
  // Behind an intact input a single failed unit is already out of order.
  int basicValue(int failed, int mult, int parentType) const {
    if (gap && parentType == TSEQ) return failed;
    return TreeRules::basicValue(failed, mult, parentType);
  }
  // The gate under check has no short-circuit: every input must be looked at
  // for a failure behind the gap.
  Next seqReturn(Traversal& t, Frame& f, int value) {
    if (f.place != gate) return TreeRules::seqReturn(t, f, value);
    if (gap && value >= 1) {
      allowed = 0;
      return Next::STOP;
    }
    if (value == 0) gap = true;
    return Next::ADVANCE;
  }
};

}  // namespace

int SEQCHK(FaultTree& FT, int SPRBAS, int NSLOT, CIntTab STATE, int& ALLOWED, const FlatTree* FLAT,
           CIntTab SOURCE) {
  if (FLAT != nullptr && FLAT->SEQS.FLAT) {
    ALLOWED = flatSequences(*FLAT, STATE, FT.BASE, SOURCE);
    return SUCCES;
  }
  Traversal walk("SEQCHK", StackFault::QUIET, FT.PLCTAB, FT.CSPTAB, SPRBAS, FT.NBASIC, NSLOT, STATE,
                 FT.BASE, IntTab(seqchkNfail, MAXBAS));
  if (walk.prepare() != SUCCES) return ERRGEN;
  int gates = 0;
  if (walk.countFailed() != SUCCES || !walk.gateCount(FT.SEQLST, gates)) return ERRGEN;
  ALLOWED = 1;
  Sequencing rules;
  for (int g = 1; g <= gates && rules.allowed == 1; ++g) {
    rules.gate = FT.SEQLST(g + 1);
    rules.gap = false;
    int value = 0;
    if (walk.evaluate(rules.gate, rules, value) != SUCCES) return ERRGEN;
  }
  ALLOWED = rules.allowed;
  return SUCCES;
}

}  // namespace molvex
