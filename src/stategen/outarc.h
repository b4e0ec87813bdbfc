// The arcs of the Markov chain file (.INT).
#pragma once

#include <string>

#include "util/array1.h"

namespace molvex {

constexpr int MAXARC = 192;  // transitions of one source state
constexpr int NAMLEN = 15;   // characters of a rate variable name

// The transitions of one source state: target number (negative for a
// failure state, 0 once merged into an earlier arc), failing basic
// component, rate multiplier.
struct ArcTable {
  Array1<int> ARCTO{MAXARC};
  Array1<int> ARCBE{MAXARC};
  Array1<int> ARCMUL{MAXARC};
  int NTRANS = 0;
};

// What OUTARC needs to know of the source and target states.
struct ArcStates {
  int CURNUM;      // number of the source state
  int NSLOT;
  CIntTab CUR;     // the source state vector
  CIntTab NEW;     // the target state vector (for the verbose comment)
  int TRUNC;       // the generation is truncating
  int VERBOSE;
};

// Writes transition k of the source state as one arc, merging into it the
// later transitions to the same target through components whose types have
// the same rate name.
void OUTARC(const ArcStates& S, int k, Span1<const std::string> TYPNAM, CIntTab TRNCST,
            CIntTab BASTYP, ArcTable& ARCS);

}  // namespace molvex
