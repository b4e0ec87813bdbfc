// The state store: the states generated so far, kept as linked lists in the
// two node pools, and the numbers they are given.
//
// The level list (pool 1) holds the states of the level being generated and
// is emptied when the generation moves on to the next level; the persistent
// list (pool 2) holds the states reached through a forced failure and their
// descendants, for the whole generation.  Lookups walk a list from its head,
// so the most recently added states are met first.
//
// Beside each list an index finds that same node without the walk: a level
// of thousands of states would otherwise cost a walk of thousands of nodes
// for each of its successors.  A list only grows at its head until it is
// emptied as a whole, so the first node of a walk that matches is the most
// recently pushed one with those words, which is what the index keeps.  An
// index mirrors its list only while every push went through it with one
// node layout; otherwise searches walk the list, so the two never differ.
#pragma once

#include <bit>

#include "ftinput/fttabs.h"
#include "util/array1.h"
#include "util/pool.h"

namespace molvex {

constexpr int MAXNSZ = 290;  // largest node size of the pools

// The limits of one generation: 80,000 state numbers and 580,000-word node
// pools unless a user raised the limit (setStateLimit).
inline int POOLWD = 580000;  // words of each node pool
inline int MAXSTA = 80000;   // state numbers of one chain
// 1 when the last generation stopped at MAXSTA, so that a caller can say
// how to get past it.
inline int STAFUL = 0;

// The range of setStateLimit, the least being the default, so that a command
// line can refuse a limit before any generation starts.
constexpr long leastStateLimit = 80000;
constexpr long mostStateLimit = 10000000;

// Whether the tables of a generation start small and grow as its chain does
// (1), with the state limit a cap, or are sized once for the state limit
// (0, what the dialogue holds).
inline int GROWTB = 0;

// Raises the state limit to `states` (at least the default) and scales the
// node pools, the work area and so the indexes with it, sized once; returns
// 1, or -1 when the tables of so many states could not be addressed.
int setStateLimit(long states);

// Tables that grow, up to `states` state numbers (in the range of
// setStateLimit), from node pools of `firstPool` words and a work area of
// `firstWork` (which must hold the build's index list of node lines: 3
// words a line and one); returns 1, or -1 for a cap out of that range.
int setTableGrowth(long states, int firstPool = 1 << 15, int firstWork = 1 << 18);

// The smallest state node is three data words and its link (an encoded
// state without failed slots, or a vector of one slot), so a pool holds at
// most POOLWD / 4 of them; an index has more slots than that, so that a
// probe always ends at an empty slot and probe runs stay short.
inline int IDXSLT() { return static_cast<int>(std::bit_ceil(unsigned(POOLWD / 4 + 1))); }

// All zero when made (stamp 0 is no index's): a table of them then costs
// nothing until a state lands in its page.
struct IndexSlot {
  int NODE;
  int STAMP;      // the slot is in use when it carries the index's stamp
  unsigned HASH;  // of the node's compared words
};

// A level's probes range over its first ACTIVE slots, from FEWEST on,
// twice as many whenever half are in use: the probes of a small level stay
// in a small part of the table, which the cache holds, and the largest level
// has all of it.
constexpr int FEWEST = 1024;

struct StateIndex {
  Array1<IndexSlot> SLOTS;  // open addressing; none until INIIDX
  int ACTIVE = 0;           // a power of two, at most the slots
  int STAMP = 1;            // emptying the index moves it on
  int COUNT = 0;            // slots in use
  int HEAD = -1;            // the list's head after the last push seen
  int NODSIZ = 0;           // data words of the list's nodes
  int FIRST = 0, LAST = 0;  // the words that searches compare
  int INSYNC = 1;           // 0 after a push the index missed or could not hold
};

// Whether state stores made from now on search through their indexes (1) or
// by walking their lists (0); the walk is what the tests hold the index to.
inline int IDXDEF = 1;

struct StateStore {
  NodePool POOL1;  // level list
  NodePool POOL2;  // persistent list; also the cold spare lists
  int LVLHD = -1;
  int PERHD = -1;
  StateIndex LVLIX{};  // of the level list
  StateIndex PERIX{};  // of the persistent list
  int USEIDX = IDXDEF;
  // What the searches and pushes on a list go through: its index, or none.
  StateIndex* levelIndex() { return USEIDX != 0 ? &LVLIX : nullptr; }
  StateIndex* persistentIndex() { return USEIDX != 0 ? &PERIX : nullptr; }
};

// The numbers handed out: the counter, and per component type the number of
// its failure state and of its truncation aggregation state (0: none yet).
struct StateNumbers {
  int NSTATE = 0;
  Array1<int> FAILST{MAXBAS};
  Array1<int> TRNCST{MAXBAS};
};

// Sizes both indexes (once per store) and empties them; the lists must be
// empty.
void INIIDX(StateStore& ST);

// IDX, when given, is the list's index, which learns the new node.
int AD2LST(NodePool& POOL, int& HEAD, int NSLOT, CIntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int ENCFLG, StateIndex* IDX = nullptr);

// On a hit NUMBER, FAILMK and LEVEL describe the stored twin, and the twin's
// state-number word is copied into STATE (full form) or ENCODE (encoded).
// An encoded list's index is searched without encoding the state: ENCODE is
// then left as it was.
int SRCHST(const NodePool& POOL, int HEAD, int NSLOT, IntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int& NUMBER, int& FAILMK, int& LEVEL, int ENCFLG,
           const StateIndex* IDX = nullptr);

// Whether the encoded node NODE, which lists COUNT failed units, lists
// those of STATE, which has COUNT of them: what comparing it with the
// state's encoded form would say, without forming it.
bool LSTUNT(const NodePool& POOL, int NODE, int COUNT, CIntTab STATE, CIntTab BASE, int NSLOT);

// The first node from HEAD whose words FIRST..LAST equal those of KEY; the
// index, when it mirrors the list, gives it without the walk.
int FNDNOD(const NodePool& POOL, int HEAD, CIntTab KEY, int NODSIZ, int FIRST, int LAST,
           int& NODE, const StateIndex* IDX = nullptr);

// Empties the level list and its index.
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
