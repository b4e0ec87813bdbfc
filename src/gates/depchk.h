// Functional dependencies: once the trigger of an FDEP gate has occurred,
// its dependent components fail with it, in the same transition.
#pragma once

#include "ftinput/fttabs.h"
#include "gates/flattr.h"
#include "util/array1.h"

namespace molvex {

// Whether the generation hands DEPCHK what a transition changed (1), so
// that it walks only the triggers a failure of the transition lies below,
// or lets it walk every trigger in every round (0), as a check of the first.
inline int DEPFLT = 1;

// A transition from PRESTA, a state in which every dependency whose trigger
// has occurred has already forced its dependents down, and the tree's flat
// form, which says what each trigger reads and, when EVALUATE, evaluates
// the triggers it holds.
struct Reach {
  const FlatTree& FLAT;
  CIntTab PRESTA;
  bool EVALUATE;
};

// Fails every dependent component of every FDEP gate of FDPLST whose trigger
// has occurred in STATE (its slot := 0), in list order, and repeats the
// round while it forces something new and the list holds two gates or more
// (a forced failure may trigger a gate met earlier).  Before each gate the
// order slots are brought up to date (PACHK) when the tree has priority-AND
// gates.  CHANGED := 1 when a working component was forced to fail, and the
// level word of STATE is then made negative; else 0.  Returns 1, or -1 after
// a message (after a failed PUSH or POP, the stack's own); on an error
// STATE keeps the changes made so far.
//
// With REACH, a gate whose trigger has no component below it that differs
// from PRESTA is not walked: its trigger reads what it read in PRESTA, so
// it has either not occurred or its dependents are down already, and it
// forces nothing; a gate the flat form holds is evaluated through it.  The
// stack is set up and the failed units counted only for a gate walked.
// With REACH or without, the order slots are brought up to
// date before a gate only when a component has failed since they last
// were: a second bringing-up with no failure between sets nothing.
int DEPCHK(FaultTree& FT, int SPRBAS, int NSLOT, IntTab STATE, int& CHANGED,
           const Reach* REACH = nullptr);

}  // namespace molvex
