#include "stategen/store.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "main/globals.h"
#include "stategen/encst.h"
#include "util/convrt.h"
#include "util/lineio.h"

namespace molvex {
namespace {

bool encodes(int ENCFLG, int NSLOT, CIntTab STATE, CIntTab BASE) {
  return ENCFLG != 0 && CNTFAL(NSLOT, STATE, BASE) < NSLOT;
}

// The twin's description from its level and number words.
void describeTwin(int levelWord, int numberWord, int& NUMBER, int& FAILMK, int& LEVEL) {
  NUMBER = IABSV(numberWord);
  FAILMK = numberWord < 0 ? 1 : 0;
  LEVEL = IABSV(levelWord);
}

// Whether the type's state number exists yet; gives it one if not.
int typeState(Array1<int>& numbers, int type, int& NSTATE) {
  if (numbers(type) == 0) numbers(type) = ++NSTATE;
  return numbers(type);
}

// Words FIRST..LAST of a table, checked once: a search reads them all.
const int* wordRun(CIntTab table, int FIRST, int LAST) {
  return table.slice(FIRST, std::max(LAST - FIRST + 1, 0)).begin();
}

unsigned hashWords(CIntTab KEY, int FIRST, int LAST) {
  const int* const key = wordRun(KEY, FIRST, LAST);
  std::uint64_t h = 0x9E3779B97F4A7C15u;
  for (int j = 0; j <= LAST - FIRST; ++j) {
    h = (h ^ static_cast<std::uint32_t>(key[j])) * 0xFF51AFD7ED558CCDu;
    h ^= h >> 29;
  }
  return static_cast<unsigned>(h ^ (h >> 32));
}

bool sameWords(const NodePool& POOL, int node, CIntTab KEY, int FIRST, int LAST) {
  const int* const key = wordRun(KEY, FIRST, LAST);
  const int* const held = wordRun(POOL.POOL, node + FIRST - 1, node + LAST - 1);
  return std::equal(key, key + std::max(LAST - FIRST + 1, 0), held);
}

// The slot that holds KEY's words, or else the empty slot where they belong.
int probe(const StateIndex& IDX, const NodePool& POOL, CIntTab KEY, int FIRST, int LAST,
          unsigned hash) {
  const unsigned mask = static_cast<unsigned>(IDX.ACTIVE) - 1;
  for (unsigned i = hash & mask;; i = (i + 1) & mask) {
    const IndexSlot& slot = IDX.SLOTS(static_cast<int>(i) + 1);
    if (slot.STAMP != IDX.STAMP ||
        (slot.HASH == hash && sameWords(POOL, slot.NODE, KEY, FIRST, LAST))) {
      return static_cast<int>(i) + 1;
    }
  }
}

// A store lives for one generation, which empties its level list once per
// level at most, so the stamp does not run out.
void emptyIndex(StateIndex& IDX, int NULPTR) {
  ++IDX.STAMP;
  IDX.ACTIVE = std::min(FEWEST, IDX.SLOTS.size());
  IDX.COUNT = 0;
  IDX.HEAD = NULPTR;
  IDX.NODSIZ = IDX.FIRST = IDX.LAST = 0;
  IDX.INSYNC = 1;
}

bool mirrors(const StateIndex* IDX, int HEAD, int NODSIZ, int FIRST, int LAST) {
  return IDX != nullptr && IDX->SLOTS.size() > 0 && IDX->INSYNC != 0 && IDX->HEAD == HEAD &&
         IDX->NODSIZ == NODSIZ && IDX->FIRST == FIRST && IDX->LAST == LAST;
}

// Puts an entry of the index where a probe over its active slots finds it.
void place(StateIndex& IDX, const IndexSlot& slot) {
  const unsigned mask = static_cast<unsigned>(IDX.ACTIVE) - 1;
  unsigned i = slot.HASH & mask;
  while (IDX.SLOTS(static_cast<int>(i) + 1).STAMP == IDX.STAMP) i = (i + 1) & mask;
  IDX.SLOTS(static_cast<int>(i) + 1) = slot;
}

// Twice the slots, each node where a probe finds it: a growing pool
// outgrows the index it started with.
void regrow(StateIndex& IDX) {
  Array1<IndexSlot> old = std::move(IDX.SLOTS);
  IDX.SLOTS.resize(2 * old.size());
  IDX.ACTIVE = IDX.SLOTS.size();
  for (const IndexSlot& slot : old) {
    if (slot.STAMP == IDX.STAMP) place(IDX, slot);
  }
}

// Twice the active slots, each node where a probe finds it.
void widen(StateIndex& IDX) {
  std::vector<IndexSlot> held;
  held.reserve(static_cast<std::size_t>(IDX.COUNT));
  for (int i = 1; i <= IDX.ACTIVE; ++i) {
    IndexSlot& slot = IDX.SLOTS(i);
    if (slot.STAMP != IDX.STAMP) continue;
    held.push_back(slot);
    slot.STAMP = 0;
  }
  IDX.ACTIVE = std::min(2 * IDX.ACTIVE, IDX.SLOTS.size());
  for (const IndexSlot& slot : held) place(IDX, slot);
}

// The node just pushed on HEAD becomes the one the index gives for its words.
// A push the index cannot follow (it missed the one before, the layout
// changed, it is full) leaves searches to the walk until it is emptied.
void enter(StateIndex* IDX, const NodePool& POOL, int HEAD, int NODSIZ, int FIRST, int LAST) {
  if (IDX == nullptr || IDX->SLOTS.size() == 0 || IDX->INSYNC == 0) return;
  const int below = POOL.POOL(HEAD + NODSIZ);
  if (below != IDX->HEAD) {
    IDX->INSYNC = 0;
    return;
  }
  if (below == POOL.NULPTR) {
    IDX->NODSIZ = NODSIZ;
    IDX->FIRST = FIRST;
    IDX->LAST = LAST;
  }
  if (GROWTB != 0 && IDX->COUNT >= IDX->SLOTS.size() / 2) regrow(*IDX);
  if (IDX->COUNT >= IDX->ACTIVE / 2 && IDX->ACTIVE < IDX->SLOTS.size()) widen(*IDX);
  if (IDX->NODSIZ != NODSIZ || IDX->FIRST != FIRST || IDX->LAST != LAST ||
      IDX->COUNT >= IDX->SLOTS.size() - 1) {
    IDX->INSYNC = 0;
    return;
  }
  const CIntTab words = POOL.POOL.slice(HEAD, NODSIZ);
  const unsigned hash = hashWords(words, FIRST, LAST);
  IndexSlot& slot = IDX->SLOTS(probe(*IDX, POOL, words, FIRST, LAST, hash));
  if (slot.STAMP != IDX->STAMP) ++IDX->COUNT;
  slot = IndexSlot{HEAD, IDX->STAMP, hash};
  IDX->HEAD = HEAD;
}

}  // namespace

int setStateLimit(long states) {
  constexpr long defaultStates = leastStateLimit, defaultPool = 580000, defaultWork = 7680000;
  // The words of the largest table must stay an int, and its index table a
  // power of two that an int holds.
  if (states < defaultStates || states > mostStateLimit) return -1;
  GROWTB = 0;
  MAXSTA = static_cast<int>(states);
  POOLWD = static_cast<int>((defaultPool * states + defaultStates - 1) / defaultStates);
  WRKSIZ = static_cast<int>((defaultWork * states + defaultStates - 1) / defaultStates);
  return 1;
}

int setTableGrowth(long states, int firstPool, int firstWork) {
  if (states < leastStateLimit || states > mostStateLimit) return -1;
  GROWTB = 1;
  MAXSTA = static_cast<int>(states);
  POOLWD = firstPool;
  WRKSIZ = firstWork;
  return 1;
}

void INIIDX(StateStore& ST) {
  for (StateIndex* IDX : {&ST.LVLIX, &ST.PERIX}) {
    if (IDX->SLOTS.size() == 0) IDX->SLOTS.resize(IDXSLT());
  }
  emptyIndex(ST.LVLIX, ST.POOL1.NULPTR);
  emptyIndex(ST.PERIX, ST.POOL2.NULPTR);
}

// A node holds the encoded state (searches compare its failed slots) or the
// vector (they compare its slots).
int AD2LST(NodePool& POOL, int& HEAD, int NSLOT, CIntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int ENCFLG, StateIndex* IDX) {
  if (encodes(ENCFLG, NSLOT, STATE, BASE)) {
    const int status = ENCSTA(STATE, NSLOT, WORK, ENCODE, NSLOT, BASE);
    if (status != SUCCES) {
      traceback(SCRUNT, "AD2LST", status, "ENCSTA");
      return status;
    }
    const int k = ENCODE(1);
    const int status2 = PSHNOD(POOL, HEAD, ENCODE, k + 3);
    if (status2 != SUCCES) {
      traceback(SCRUNT, "AD2LST", status2, "PSHNOD");
      return status2;
    }
    enter(IDX, POOL, HEAD, k + 3, 2, k + 1);
    return SUCCES;
  }
  const int status = PSHNOD(POOL, HEAD, STATE, NSLOT + 2);
  if (status != SUCCES) {
    traceback(SCRUNT, "AD2LST", status, "PSHNOD");
    return status;
  }
  enter(IDX, POOL, HEAD, NSLOT + 2, 1, NSLOT);
  return SUCCES;
}

int FNDNOD(const NodePool& POOL, int HEAD, CIntTab KEY, int NODSIZ, int FIRST, int LAST,
           int& NODE, const StateIndex* IDX) {
  if (mirrors(IDX, HEAD, NODSIZ, FIRST, LAST)) {
    const unsigned hash = hashWords(KEY, FIRST, LAST);
    const IndexSlot& slot = IDX->SLOTS(probe(*IDX, POOL, KEY, FIRST, LAST, hash));
    NODE = slot.STAMP == IDX->STAMP ? slot.NODE : POOL.NULPTR;
    return NODE != POOL.NULPTR ? SUCCES : NOTFND;
  }
  for (int node = HEAD; node != POOL.NULPTR; node = POOL.POOL(node + NODSIZ)) {
    if (sameWords(POOL, node, KEY, FIRST, LAST)) {
      NODE = node;
      return SUCCES;
    }
  }
  NODE = POOL.NULPTR;
  return NOTFND;
}

int SRCHST(const NodePool& POOL, int HEAD, int NSLOT, IntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int& NUMBER, int& FAILMK, int& LEVEL, int ENCFLG,
           const StateIndex* IDX) {
  NUMBER = 0;
  LEVEL = 0;
  int node = POOL.NULPTR;
  if (encodes(ENCFLG, NSLOT, STATE, BASE)) {
    const int status = ENCSTA(STATE, NSLOT, WORK, ENCODE, NSLOT, BASE);
    if (status != SUCCES) {
      traceback(SCRUNT, "SRCHST", status, "ENCSTA");
      return status;
    }
    const int k = ENCODE(1);
    if (FNDNOD(POOL, HEAD, ENCODE, k + 3, 2, k + 1, node, IDX) != SUCCES) return NOTFND;
    ENCODE(k + 3) = POOL.POOL(node + k + 2);
    describeTwin(POOL.POOL(node + k + 1), ENCODE(k + 3), NUMBER, FAILMK, LEVEL);
    return SUCCES;
  }
  if (FNDNOD(POOL, HEAD, STATE, NSLOT + 2, 1, NSLOT, node, IDX) != SUCCES) return NOTFND;
  STATE(NSLOT + 2) = POOL.POOL(node + NSLOT + 1);
  describeTwin(POOL.POOL(node + NSLOT), STATE(NSLOT + 2), NUMBER, FAILMK, LEVEL);
  return SUCCES;
}

void RSTLVL(StateStore& ST) {
  NodePool& pool = ST.POOL1;
  pool.POOL.slice(1, pool.NXTFRE - 1).fill(pool.NULPTR);
  pool.NXTFRE = 1;
  ST.LVLHD = pool.NULPTR;
  emptyIndex(ST.LVLIX, pool.NULPTR);
}

int EXTID(Successor& S, StateNumbers& SN, const FaultTree& FT, StateStore& ST, int NSLOT,
          IntTab NEW, CIntTab CUR, IntTab WORK, IntTab ENCODE, int& NUMBER) {
  const int type = FT.BASTYP(S.FAILCP);
  if (S.FAILFL != 0) {
    NUMBER = typeState(SN.FAILST, type, SN.NSTATE);
  } else if (S.TRUNFL != 0) {
    if (S.NEWFL == 0 && S.TWINLV <= IABSV(CUR(NSLOT + 1))) {
      NUMBER = NEW(NSLOT + 2);
    } else {
      NUMBER = typeState(SN.TRNCST, type, SN.NSTATE);
    }
  } else if (S.NEWFL != 0) {
    NUMBER = ++SN.NSTATE;
  } else {
    int level = 0;
    const int encode = (S.FORCED == 0 && ENCOK == 1) ? 1 : 0;
    const int status = SRCHST(ST.POOL1, ST.LVLHD, NSLOT, NEW, WORK, ENCODE, FT.BASE, NUMBER,
                              S.FAILFL, level, encode, ST.levelIndex());
    if (status == NOTFND) {
      Line line = errorLine(SCRUNT, "EXTID", "F511");
      line << "STATE ";
      for (int i = 1; i <= NSLOT; ++i) line << NEW(i);
      line << " NOT FOUND IN LINKED LIST";
      return ERRGEN;
    }
    if (status != SUCCES) {
      traceback(SCRUNT, "EXTID", status, "SRCHST");
      return status;
    }
  }
  return SUCCES;
}

}  // namespace molvex
