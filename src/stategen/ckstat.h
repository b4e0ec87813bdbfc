// Whether a successor state is new, and what is known of its stored twin.
#pragma once

#include "ftinput/fttabs.h"
#include "gates/flattr.h"
#include "stategen/store.h"

namespace molvex {

// The successor and the vectors its check works with.
struct Check {
  IntTab NEW;     // the successor (its number word may take the twin's)
  CIntTab CUR;    // the source state
  IntTab WORK;    // a trial vector, NSLOT + 2 words
  IntTab ENCODE;  // encoded form, NSLOT + 3 words
  int NSLOT;
  int SPRBAS;
  int CHANGED;    // a functional dependency forced failures
  int DYNFLG;     // the tree has cold spare, priority-AND or sequence gates
  const FlatTree* FLAT = nullptr;  // the tree's flat form
  // Results.
  int NEWFLG = 0;
  int FAILED = 0;
  int NUMBER = 0;  // of the stored twin; 0 when it was not searched
  int LEVEL = 0;   // of the stored twin, or the level word of NEW
};

int CKSTAT(StateStore& ST, FaultTree& FT, Check& C);
int FRSTIM(StateStore& ST, FaultTree& FT, Check& C);

}  // namespace molvex
