// The arcs of the Markov chain file (.INT).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/array1.h"

namespace molvex {

constexpr int MAXARC = 192;  // transitions of one source state
constexpr int NAMLEN = 15;   // characters of a rate variable name

// The transitions of one source state: target number (negative for a
// failure state, 0 once merged into an earlier arc), failing basic
// component, rate multiplier, and 1 where dormant units fail (at their
// type's dormant rate), else 0.
struct ArcTable {
  Array1<int> ARCTO{MAXARC};
  Array1<int> ARCBE{MAXARC};
  Array1<int> ARCMUL{MAXARC};
  Array1<int> ARCDRM{MAXARC};
  int NTRANS = 0;
};

// The rate variable names of the component types: TYPNAM(t) of a unit in
// use, DRMNAM(t) of a dormant one (blank for a type whose dormant units do
// not fail).
struct RateNames {
  Span1<const std::string> TYPNAM;
  Span1<const std::string> DRMNAM;
};

// Where a caller takes the chain as it is generated instead of from the
// .INT and .TUP files: while one is given, the generation hands it what it
// would write there, and writes there its header line alone.
class ChainSink {
 public:
  virtual ~ChainSink() = default;
  // An expanded state and the working units of its basic components, in the
  // order of expansion.
  virtual void state(int NUMBER, CIntTab UNITS, int NBASIC) = 0;
  // An arc: MULT units of component type TYPE fail, at its dormant rate
  // when DORMANT, into a failure or truncation state when MARKED.
  virtual void arc(int SOURCE, int TARGET, long long MULT, int TYPE, bool DORMANT, bool MARKED) = 0;
  // The number of states, when the chain is complete.
  virtual void total(int NSTATES) = 0;
};

inline ChainSink* CHNSNK = nullptr;

// The text every arc of a source state begins with, formed once for them:
// "*" and the slots of the state, the head of a verbose comment line, with
// where the text of each slot, its blank and digits, begins in it
// (AT[NSLOT + 1]: the end) — the slots a target shares with its source are
// copied from there instead of being formed again — and the digits of the
// state's number, the head of its arc lines.  Kept from state to state, so
// that it is not allocated anew.
struct CommentHead {
  std::string TEXT;
  std::vector<int> AT;
  std::string NUMBER;
};

// What OUTARC needs to know of the source and target states.
struct ArcStates {
  int CURNUM;      // number of the source state
  int NSLOT;
  CIntTab CUR;     // the source state vector
  CIntTab NEW;     // the target state vector (for the verbose comment)
  int TRUNC;       // the generation is truncating
  int VERBOSE;
  // The verbose comment's head (commentHead): the same for every arc of
  // the source state, so formed once for them.
  const CommentHead& HEAD;
};

// HEAD := "*" and slots 1..NSLOT of CUR, with where each begins, and the
// number word CUR(NSLOT + 2).
void commentHead(CommentHead& HEAD, CIntTab CUR, int NSLOT);

// Writes transition k of the source state as one arc, merging into it the
// later transitions to the same target at the same rate name.
void OUTARC(const ArcStates& S, int k, const RateNames& NAMES, CIntTab TRNCST, CIntTab BASTYP,
            ArcTable& ARCS);

}  // namespace molvex
