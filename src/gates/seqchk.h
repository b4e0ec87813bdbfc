// Sequence enforcing gates: the inputs of such a gate can only fail from
// left to right, so a transition into a state where a later input has
// failed behind an intact one is impossible.
#pragma once

#include "ftinput/fttabs.h"
#include "gates/flattr.h"
#include "util/array1.h"

namespace molvex {

// ALLOWED := 1 when, for every gate of SEQLST, the inputs that have occurred
// form a prefix of its input list and no input behind the first intact one
// has a single failed unit; else 0, and the check stops at the first gate
// violated.  Returns 1 whatever ALLOWED says, or -1 after a message (after a
// failed PUSH or POP, the stack's own).  ALLOWED is left as it was when the
// place table has no room for the stack.
// The tree's flat form, when given and made for its sequence gates, stands
// for the walk, and with SOURCE, a state that every gate allowed, looks only
// at the gates that read a slot in which STATE differs from it.
int SEQCHK(FaultTree& FT, int SPRBAS, int NSLOT, CIntTab STATE, int& ALLOWED,
           const FlatTree* FLAT = nullptr, CIntTab SOURCE = CIntTab());

}  // namespace molvex
