// The chain of a model made of parts that are the same up to names, under a
// static gate, that share nothing but basic events triggering dependencies
// into several of them (the shared events): composed from the chain of one
// part with the shared events, instead of generated whole.
//
// Given the shared events' failures, the parts fail independently, so a
// state of the whole is each part's state (each holding the shared events'
// state, the same in all), and as the parts are the same, which part is in
// which state changes nothing that follows: a state is the multiset of the
// parts' states.  A symmetry of the part that moves shared events (a
// permutation of its types that maps its chain onto itself) is one of the
// whole only when it acts on every part at once: a state stands for its
// images under those too.  The chain so folded is lumpable into the whole
// chain's, so its figures are the whole chain's.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "chain/chain.h"
#include "chain/error.h"
#include "util/array1.h"

namespace molvex {

struct SharedParts {
  const Chain* part = nullptr;           // one part with the shared events, from state 1
  const Array1<double>* rate = nullptr;  // the value of each of its arcs
  std::vector<char> shared;              // per type 1 .. ntypes (index 0 unused): shared
  // Permutations of the part's types (1-based, index 0 unused) that map its
  // chain onto itself.
  std::vector<std::vector<int>> symmetries;
  int count = 0;    // parts
  int failing = 0;  // parts that must fail for the top to fail (1: OR, count: AND)
  long maxStates = std::numeric_limits<long>::max();  // the most states of the whole's chain
};

// The whole's chain into `out` and its arcs' values into `rate`: its types,
// rate names and failure states by type are the part's (a failure is the
// type whose failure made the top fail, seen in the part that failed).
// `tooLarge` when the whole's chain has more than maxStates states, `refused`
// with `error` when the part's chain is not one this composition holds for
// (an arc of a rate name that stands for two types or two arcs, a symmetry
// the chain does not keep or that mixes shared and own events, a shared
// event that moves some parts and not others).
enum class Composition { composed, tooLarge, refused };
Composition productChain(const SharedParts& in, Chain& out, Array1<double>& rate, Error& error);

}  // namespace molvex
