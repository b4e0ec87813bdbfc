// Functional dependencies: once the trigger of an FDEP gate has occurred,
// its dependent components fail with it, in the same transition.
#pragma once

#include "ftinput/fttabs.h"
#include "util/array1.h"

namespace molvex {

// Fails every dependent component of every FDEP gate of FDPLST whose trigger
// has occurred in STATE (its slot := 0), in list order, and repeats the
// round while it forces something new and the list holds two gates or more
// (a forced failure may trigger a gate met earlier).  Before each gate the
// order slots are brought up to date (PACHK) when the tree has priority-AND
// gates.  CHANGED := 1 when a working component was forced to fail, and the
// level word of STATE is then made negative; else 0.  Returns 1, or -1 after
// a message (after a failed PUSH or POP, the stack's own); on an error
// STATE keeps the changes made so far.
int DEPCHK(FaultTree& FT, int SPRBAS, int NSLOT, IntTab STATE, int& CHANGED);

}  // namespace molvex
