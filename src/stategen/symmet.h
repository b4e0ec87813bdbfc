// Symmetries of a tree: permutations of its places that map the tree, the
// rates and the dependencies onto themselves.  Such a permutation maps each
// state of the chain onto a state that fails the same way at the same rates,
// so a generation may store one state of each set the permutations map onto
// each other and send every transition to the state that stands for its
// target.  The chain it gives is smaller and, seen as the sets it stands
// for, the same: the probability of each set, and so the unreliability and
// the mean time to failure, are those of the whole chain.  A state may still
// be met in two forms that no symmetry found maps onto each other; that costs
// states, never figures.
//
// A permutation is only used where the generation's own order cannot tell it
// apart: failures that happen together (a dependency's) are served in the
// order of the gate lists, so a symmetry that would change which of two
// gates of one spare pool is served first, where one transition can take
// more than one unit of the pool, is not used, nor one that moves a
// dependency in a tree with priority-AND or sequence gates.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ftinput/fttabs.h"
#include "util/array1.h"

namespace molvex {

constexpr int MAXSYM = 64;    // symmetries one generation uses
constexpr int MAXGRP = 1024;  // permutations they make together, when they are few

// What tells rates apart: the same positive number for rate names of the same
// value; 0 for a name whose rate is its own.
using RateClass = std::function<int(std::string_view)>;

struct Symmetries {
  int NSYM = 0;
  // Symmetry g takes the value of slot s to slot SLOTS((g - 1) * MAXBAS + s);
  // each swaps places, so it takes that slot's value to s too.
  Array1<int> SLOTS{MAXSYM * MAXBAS};
  // and the component type t to type TYPES((g - 1) * MAXBAS + t).
  Array1<int> TYPES{MAXSYM * MAXBAS};
  // Every permutation the symmetries make together, when there are at most
  // MAXGRP (else NGRP = 0): permutation g puts the value of slot
  // GROUP((g - 1) * MAXBAS + s) into slot s.
  int NGRP = 0;
  Array1<int> GROUP{MAXGRP * MAXBAS};
  // Per component type: the least type a chain of symmetries maps it to.
  Array1<int> ORBIT{MAXBAS};
  // Per basic-component slot: the slot of the unit of the spare module its
  // component lies in (innermost), 0 for none.  Once that unit has failed
  // for good, the events of its module can change nothing any more: their
  // slots are taken as failed, so that states that differ only there are
  // one.  Set only for modules whose events no order or shared-spare slot
  // and no dependency outside them sees; NDEAD counts them.
  int NDEAD = 0;
  Array1<int> DEADBY{MAXBAS};
};

// The rates a generation compares when it looks for symmetries; none (the
// default, and what the dialogue keeps) looks for none.
inline RateClass SYMRAT;
// The symmetries and dead modules of the last generation (none where it did
// not look for them).
inline Symmetries SYMRES;

// The component types' rate names and forms, as the dictionary gave them.
struct TypeRates {
  Span1<const std::string> TYPNAM;
  Span1<const std::string> DRMNAM;
  CIntTab MODTYP;
  CIntTab FRCONL;
  int NTYPES;
};

// Finds the symmetries and the spare modules that can die of FT (its state
// vector of NSLOT slots, the order slots after NBASIC, the spare slots after
// SPRBAS) into SY.
void FNDSYM(const FaultTree& FT, const TypeRates& TR, const RateClass& RATES, int NSLOT, int SPRBAS,
            Symmetries& SY);

// Takes the events of dead spare modules as failed, then replaces slots
// 1..NSLOT of STATE by the least form the permutations reach:
// the least of all when they are few, so that every state has one form, else
// the least the symmetries reach one at a time.  WORK holds NSLOT words.
void NRMSTA(const Symmetries& SY, IntTab STATE, int NSLOT, IntTab WORK);

}  // namespace molvex
