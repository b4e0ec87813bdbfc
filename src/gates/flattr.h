// The tree in a flat form for the evaluations of a generation.  The walk of
// the place table checks every place against the table's bounds, reads every
// field through a checked table and compares every gate kind in turn, for
// every input it visits, as the tables it is handed may be any; a
// generation hands it the same tables for every state.  Those tables are
// checked once here, and where every place below the top is whole, of a
// kind the walk knows, and no input leads round in a cycle, the flat form
// gives what the walk gives for every state, by the same rules in the same
// order (an M/N gate adds its inputs' values as they come, a box passes its
// first input's value on as it is, a basic event of several units counts
// only whole under the gates that need it whole), without the checks.
#pragma once

#include <bitset>
#include <vector>

#include "ftinput/fttabs.h"
#include "util/array1.h"

namespace molvex {

// Whether a generation evaluates its tree through the flat form (1) or walks
// the place table every time (0), as a check of the first.
inline int FLATEV = 1;

struct FlatTree {
  struct Node {
    int kind;   // the place type
    int first;  // its inputs: ARCS[first .. first + count - 1]
    int count;
    int m;       // M of an M/N gate; the order slot of a priority-AND gate
    int comp;    // a basic event's component; a sharing spare gate's first slot
    int mult;    // a basic event's units; a sharing spare gate's slot count
    bool slots;  // a sharing spare gate: its slots, not its inputs, give its value
    int rule;    // how its value is formed (a Rule), the kind read once
    int under;   // what a basic input counts under it (Under bits)
  };
  enum Rule { BASIC, SLOTS, ALL, ANY, MOFN, PAND, FDEP, FIRST };
  enum Under { WHOLE = 1, SEQUENCE = 2 };
  struct Arc {
    int node;  // the input's node
    int arc;   // its place in the gate's input list, skipped inputs counted
  };
  // An FDEP gate of FDPLST.  Where its trigger forces nothing when it is
  // walked (no FDEP gate below it): its node, and its dependents' components
  // DEPENDENTS[first .. first + count - 1] in input order; else node -1,
  // walk it.  BELOW: the components its trigger reads; ALWAYS where it reads
  // more, the slots of a spare gate that shares spares, which change after
  // the dependencies have acted, or where the gate has no node.
  struct Dependency {
    int node = -1;
    int first = 0;
    int count = 0;
    std::bitset<MAXBAS + 1> BELOW;
    bool ALWAYS = true;
  };
  std::vector<Node> NODES;
  std::vector<Arc> ARCS;
  std::vector<Dependency> FDEPS;
  std::vector<int> DEPENDENTS;
  // The nodes of the gates of a gate list, in its order, where every one of
  // them has a node (FLAT); else walk them.
  struct Listed {
    std::vector<int> NODES;
    // By slot (0..MAXBAS): the gates, by their index in NODES, whose
    // evaluation reads it; made for SEQS, the only list asked by slot.
    std::vector<std::vector<int>> READERS;
    bool FLAT = false;
  };
  Listed SEQS;                            // SEQLST
  Listed PANDS;                           // PNDLST
  // For the cold spare gate at CSPTAB position p and component c,
  // SPAREINPUTS[(p - 1) * NBASIC + c - 1] is the first input j whose basic
  // event is c, where every input before it is one the cold spare routines
  // accept; 0 where they would look and may report (see spareInput).
  std::vector<int> SPAREINPUTS;
  int TOP = -1;                           // the node of the top place; -1: no flat form
  int NBASIC = 0, SPRBAS = 0, NSLOT = 0;  // what it was made for
};

// The flat form of the tree below the top of the place table, for states of
// NSLOT slots whose spare slots follow SPRBAS; TOP = -1 where the walk
// might report anything.
void FLTTRE(const FaultTree& FT, int SPRBAS, int NSLOT, FlatTree& F);

// The input of the cold spare gate at CSPTAB position `position` that holds
// component c, as the cold spare routines find it from the place table; 0
// where they must look themselves.
inline int spareInput(const FlatTree& F, int position, int c) {
  const long long k = (position - 1LL) * F.NBASIC + c - 1;
  return c >= 1 && c <= F.NBASIC && k >= 0 && k < static_cast<long long>(F.SPAREINPUTS.size())
             ? F.SPAREINPUTS[static_cast<std::size_t>(k)]
             : 0;
}

// The value the walk gives node `node` (the top: F.TOP) in STATE, whose
// failed units are BASE - STATE.
int flatValue(const FlatTree& F, int node, CIntTab STATE, CIntTab BASE);

// What the walk of the sequence check gives, where SEQS.FLAT: 1 when every
// sequence gate's inputs that have occurred come before its first intact
// one and nothing behind that one has a failed unit, else 0.  SOURCE, when
// given, is a state that every sequence gate allowed: only the gates that
// read a slot in which STATE differs from it are evaluated.
int flatSequences(const FlatTree& F, CIntTab STATE, CIntTab BASE, CIntTab SOURCE = CIntTab());

// What the walk of the order check does, where PANDS.FLAT: the order slot of
// every priority-AND gate it meets that is still 0 and sees an input failed
// takes that input's place.
void flatOrders(const FlatTree& F, IntTab STATE, CIntTab BASE);

}  // namespace molvex
