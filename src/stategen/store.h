// The state store: the states generated so far, kept as linked lists in the
// two node pools, and the numbers they are given.
//
// The level list (pool 1) holds the states of the level being generated and
// is emptied when the generation moves on to the next level; the persistent
// list (pool 2) holds the states reached through a forced failure and their
// descendants, for the whole generation.  Lookups walk a list from its head,
// so the most recently added states are met first.
#pragma once

#include "ftinput/fttabs.h"
#include "util/array1.h"
#include "util/pool.h"

namespace molvex {

constexpr int POOLWD = 580000;  // words of each node pool
constexpr int MAXNSZ = 290;     // largest node size of the pools
constexpr int MAXSTA = 80000;   // state numbers of one chain

struct StateStore {
  NodePool POOL1;  // level list
  NodePool POOL2;  // persistent list; also the cold spare lists
  int LVLHD = -1;
  int PERHD = -1;
};

// The numbers handed out: the counter, and per component type the number of
// its failure state and of its truncation aggregation state (0: none yet).
struct StateNumbers {
  int NSTATE = 0;
  Array1<int> FAILST{MAXBAS};
  Array1<int> TRNCST{MAXBAS};
};

int AD2LST(NodePool& POOL, int& HEAD, int NSLOT, CIntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int ENCFLG);

// On a hit NUMBER, FAILMK and LEVEL describe the stored twin, and the twin's
// state-number word is copied into STATE (full form) or ENCODE (encoded).
int SRCHST(const NodePool& POOL, int HEAD, int NSLOT, IntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int& NUMBER, int& FAILMK, int& LEVEL, int ENCFLG);

int FNDNOD(const NodePool& POOL, int HEAD, CIntTab KEY, int NODSIZ, int FIRST, int LAST,
           int& NODE);

// Empties the level list.
void RSTLVL(StateStore& ST);

// The number of a successor state: its type's failure state, its type's
// truncation aggregation state, a new number, or the number of its twin in
// the level list, in this order of precedence.
struct Successor {
  int FAILFL;  // in/out: the system has failed in NEW
  int TRUNFL;  // the generation is truncating
  int NEWFL;   // NEW was not generated before
  int FAILCP;  // the basic component whose failure made NEW
  int TWINLV;  // level of the stored twin
  int FORCED;  // NEW came about through a forced failure
};
int EXTID(Successor& S, StateNumbers& SN, const FaultTree& FT, StateStore& ST, int NSLOT,
          IntTab NEW, CIntTab CUR, IntTab WORK, IntTab ENCODE, int& NUMBER);

}  // namespace molvex
