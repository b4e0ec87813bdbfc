// The order slots of the priority-AND gates.  A state vector alone does not
// tell in which order the inputs of a gate failed, so each gate keeps in its
// slot which input was seen failed first; the slot is inherited by every
// later state, and the traversal reads it when it evaluates the gate.
#pragma once

#include "ftinput/fttabs.h"
#include "gates/flattr.h"
#include "util/array1.h"

namespace molvex {

// Sets the order slot (NBASIC + FPAND) of every priority-AND gate in the
// subtrees of the gates of PNDLST that is still 0 and sees an input failed:
// to 1 when the first input is (also when both fail in the same state), to
// 2 when only the second is.  A slot once set stays.  Only the order slots
// of STATE are written.  Returns 1, or -1 after a message (after a failed
// PUSH or POP, the stack's own); on an error the slots keep what was set.
// The tree's flat form, when given and made for its priority-AND gates,
// stands for the walk.
int PACHK(FaultTree& FT, int SPRBAS, int NSLOT, IntTab STATE, const FlatTree* FLAT = nullptr);

}  // namespace molvex
