// What tells two states of a chain apart, slot by slot, for the exports that
// show states: the working units of each basic component (from NAME.TUP),
// and in models with priority-AND gates or spare gates that share spares,
// the order slot of each priority-AND gate and the units each sharing spare
// gate holds of each input.  Those last slots are in no file but the
// comments NAME.INT holds when it was generated with its listing (as
// `generate` always does), and what each slot means comes from the fault
// tree, NAME.FTR.
#pragma once

#include <string>
#include <vector>

#include "chain/chain.h"
#include "chain/error.h"

namespace molvex {

struct Slot {
  std::string variable;  // u1 .. (units), o1 .. (orders), s1 .. (spares held)
  std::string meaning;   // what its value counts, in the model's own names
};

struct StateSlots {
  std::vector<Slot> legend;  // every slot shown, the units first
  // The slots after the units of each state, (legend.size() - nbasic) per
  // state from state 1 on; those of failure and truncation states unused.
  std::vector<int> rest;
  // Why some slots could not be shown (no tree, or no listing), or "".
  std::string warning;

  // Slot i (1-based, after the units) of state s.
  int restOf(int s, int i, int nbasic) const {
    const std::size_t n = legend.size() - static_cast<std::size_t>(nbasic);
    return rest[static_cast<std::size_t>(s - 1) * n + static_cast<std::size_t>(i - 1)];
  }
};

// The units alone, each component by its number: for a chain without a tree.
StateSlots numberedUnits(const Chain& chain);

// The slots of every expanded state of `chain`, read from the files of its
// model in the current directory.  False with `error` when NAME.FTR or the
// listing of NAME.INT is not of the chain's run.
bool readStateSlots(const Chain& chain, StateSlots& slots, Error& error);

}  // namespace molvex
