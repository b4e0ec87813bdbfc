// ENCST: the encoded form of a state vector and the flag that allows it.
//
// A state vector has NSLOT slots and two trailer words (level, state
// number).  The encoded form lists the failed units instead: k, the slot of
// each failed unit in ascending order (a slot once per unit it lost), then
// the two trailer words.  It describes a state whole only while no slot
// exceeds its base value, which holds when the tree has no priority-AND and
// no cold spare gate; ENCOK says so.
#pragma once

#include "util/array1.h"

namespace molvex {

inline int ENCOK = 0;
inline int NFALST = 0;  // the last failure count CNTFAL computed

int ENCSTA(CIntTab STATE, int NSLOT, IntTab WORK, IntTab ENCODE, int LENMAX, CIntTab BASE);
// The failed units ENCSTA encodes without F400: what the declared length,
// the work table and the encoded form's trailer leave.
int encodedRoom(int LENMAX, CIntTab WORK, CIntTab ENCODE);
int DECSTA(IntTab STATE, int NSLOT, CIntTab ENCODE, int LENMAX, CIntTab BASE);
int CNTFAL(int NSLOT, CIntTab STATE, CIntTab BASE);
// What CNTFAL returns for the sum of BASE - STATE over the slots, `sum`:
// clamped to an int and kept in NFALST, for a search that forms the sum in
// a pass of its own.
int failureCount(long long sum);

}  // namespace molvex
