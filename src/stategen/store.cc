#include "stategen/store.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "ftinput/fttabs.h"
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

// The words a search compares begin after the count of an encoded state's
// failed units, or at a vector's first slot.
constexpr int ENCODED_FROM = 2, WHOLE_FROM = 1;

unsigned folded(std::uint64_t h) { return static_cast<unsigned>(h ^ (h >> 32)); }

std::uint64_t mixedIn(std::uint64_t h, std::uint64_t word) {
  h = (h ^ word) * 0xFF51AFD7ED558CCDu;
  return h ^ (h >> 29);
}

// Two words to a round: one multiply mixes a pair as well as one word, and a
// whole state vector is hashed for every search and every state stored.
unsigned hashWords(CIntTab KEY, int FIRST, int LAST) {
  const int* const key = wordRun(KEY, FIRST, LAST);
  const int n = std::max(LAST - FIRST + 1, 0);
  std::uint64_t h = 0x9E3779B97F4A7C15u;
  int j = 0;
  for (; j + 1 < n; j += 2) {
    const std::uint64_t high = static_cast<std::uint32_t>(key[j + 1]);
    h = mixedIn(h, static_cast<std::uint32_t>(key[j]) | high << 32);
  }
  if (j < n) h = mixedIn(h, static_cast<std::uint32_t>(key[j]));
  return folded(h);
}

// A fixed random word for a slot (the finalizer of splitmix64).
constexpr std::uint64_t mixed(std::uint64_t slot) {
  std::uint64_t z = slot * 0x9E3779B97F4A7C15u;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

// The words of the slots a state vector can have, formed once.
constexpr auto SLOTWD = [] {
  std::array<std::uint64_t, MAXBAS + 1> words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = mixed(i);
  return words;
}();

std::uint64_t slotWord(int slot) {
  return slot >= 0 && slot <= MAXBAS ? SLOTWD[static_cast<std::size_t>(slot)]
                                     : mixed(static_cast<std::uint64_t>(slot));
}

// An encoded state's failed units hash as the sum of their slots' words:
// the same sum whether read from the slots a node lists or counted in a
// state vector, so that a search need not encode the state it looks for.
unsigned unitsHash(CIntTab KEY, int FIRST, int LAST) {
  const int* const key = wordRun(KEY, FIRST, LAST);
  std::uint64_t sum = 0;
  for (int j = 0; j <= LAST - FIRST; ++j) sum += slotWord(key[j]);
  return folded(sum);
}

unsigned keyHash(CIntTab KEY, int FIRST, int LAST) {
  return FIRST == ENCODED_FROM ? unitsHash(KEY, FIRST, LAST) : hashWords(KEY, FIRST, LAST);
}

bool sameWords(const NodePool& POOL, int node, CIntTab KEY, int FIRST, int LAST) {
  const int* const key = wordRun(KEY, FIRST, LAST);
  const int* const held = wordRun(POOL.POOL, node + FIRST - 1, node + LAST - 1);
  return std::equal(key, key + std::max(LAST - FIRST + 1, 0), held);
}

// The slot that holds a node `same` accepts, or else the empty slot where
// one with the hash belongs.
template <class Same>
int probe(const StateIndex& IDX, unsigned hash, Same same) {
  const unsigned mask = static_cast<unsigned>(IDX.ACTIVE) - 1;
  for (unsigned i = hash & mask;; i = (i + 1) & mask) {
    const IndexSlot& slot = IDX.SLOTS(static_cast<int>(i) + 1);
    if (slot.STAMP != IDX.STAMP || (slot.HASH == hash && same(slot.NODE))) {
      return static_cast<int>(i) + 1;
    }
  }
}

int probe(const StateIndex& IDX, const NodePool& POOL, CIntTab KEY, int FIRST, int LAST,
          unsigned hash) {
  return probe(IDX, hash, [&](int node) { return sameWords(POOL, node, KEY, FIRST, LAST); });
}

// A state's failed units as its encoded form lists them: their number (as
// ENCSTA counts them, units of slots above their base not taken off) and
// their hash; and NET, the sum of BASE - STATE that CNTFAL forms, in the
// same pass.
struct FailedUnits {
  long long count = 0;
  long long net = 0;
  unsigned hash = 0;
};

FailedUnits failedUnits(CIntTab STATE, CIntTab BASE, int NSLOT) {
  const int* const state = STATE.checkedRun(NSLOT);
  const int* const base = BASE.checkedRun(NSLOT);
  FailedUnits units;
  std::uint64_t sum = 0;
  // Without a branch on the slot's loss, which follows no pattern a
  // processor could predict: a slot that lost nothing adds nothing.
  const auto add = [&](int i, std::uint64_t word) {
    const long long lost = static_cast<long long>(base[i]) - state[i];
    const long long failed = std::max(lost, 0LL);
    units.net += lost;
    units.count += failed;
    sum += static_cast<std::uint64_t>(failed) * word;
  };
  const int known = std::min(NSLOT, MAXBAS);
  for (int i = 0; i < known; ++i) add(i, SLOTWD[static_cast<std::size_t>(i) + 1]);
  for (int i = known; i < NSLOT; ++i) add(i, slotWord(i + 1));
  units.hash = folded(sum);
  return units;
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
  const unsigned hash = keyHash(words, FIRST, LAST);
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
    enter(IDX, POOL, HEAD, k + 3, ENCODED_FROM, k + 1);
    return SUCCES;
  }
  const int status = PSHNOD(POOL, HEAD, STATE, NSLOT + 2);
  if (status != SUCCES) {
    traceback(SCRUNT, "AD2LST", status, "PSHNOD");
    return status;
  }
  enter(IDX, POOL, HEAD, NSLOT + 2, WHOLE_FROM, NSLOT);
  return SUCCES;
}

int FNDNOD(const NodePool& POOL, int HEAD, CIntTab KEY, int NODSIZ, int FIRST, int LAST,
           int& NODE, const StateIndex* IDX) {
  if (mirrors(IDX, HEAD, NODSIZ, FIRST, LAST)) {
    const unsigned hash = keyHash(KEY, FIRST, LAST);
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

// The listed slots, ascending, each as often as the state lost units of
// it: as the state has `count` failed units too, they cannot miss one.
bool LSTUNT(const NodePool& POOL, int NODE, int COUNT, CIntTab STATE, CIntTab BASE, int NSLOT) {
  const int* const listed = wordRun(POOL.POOL, NODE + 1, NODE + COUNT);
  const int* const state = STATE.checkedRun(NSLOT);
  const int* const base = BASE.checkedRun(NSLOT);
  for (int p = 0; p < COUNT;) {
    const int slot = listed[p];
    if (slot < 1 || slot > NSLOT || (p > 0 && slot <= listed[p - 1])) return false;
    int run = 1;
    while (p + run < COUNT && listed[p + run] == slot) ++run;
    if (base[slot - 1] - state[slot - 1] != run) return false;
    p += run;
  }
  return true;
}

namespace {

// The search of an encoded list through its index, without encoding the
// state: true with the twin's node (or NULPTR) when the index mirrors the
// list of nodes of the state's count of failed units and ENCSTA would
// encode it without complaint, false when the search is to encode it.
bool indexedSearch(const NodePool& POOL, int HEAD, int NSLOT, CIntTab STATE, CIntTab WORK,
                   CIntTab ENCODE, CIntTab BASE, const StateIndex* IDX, const FailedUnits& units,
                   int& node) {
  if (IDX == nullptr) return false;
  if (units.count < 1 || units.count > encodedRoom(NSLOT, WORK, ENCODE)) return false;
  const int k = static_cast<int>(units.count);
  if (!mirrors(IDX, HEAD, k + 3, ENCODED_FROM, k + 1)) return false;
  const IndexSlot& slot = IDX->SLOTS(
      probe(*IDX, units.hash, [&](int held) { return LSTUNT(POOL, held, k, STATE, BASE, NSLOT); }));
  node = slot.STAMP == IDX->STAMP ? slot.NODE : POOL.NULPTR;
  return true;
}

}  // namespace

int SRCHST(const NodePool& POOL, int HEAD, int NSLOT, IntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int& NUMBER, int& FAILMK, int& LEVEL, int ENCFLG,
           const StateIndex* IDX) {
  NUMBER = 0;
  LEVEL = 0;
  int node = POOL.NULPTR;
  // One pass over the state gives both CNTFAL's count, which decides the
  // form, and the failed units that the index is searched by.
  const FailedUnits units = ENCFLG != 0 ? failedUnits(STATE, BASE, NSLOT) : FailedUnits{};
  if (ENCFLG != 0 && failureCount(units.net) < NSLOT) {
    if (indexedSearch(POOL, HEAD, NSLOT, STATE, WORK, ENCODE, BASE, IDX, units, node)) {
      if (node == POOL.NULPTR) return NOTFND;
      const int k = POOL.POOL(node);
      describeTwin(POOL.POOL(node + k + 1), POOL.POOL(node + k + 2), NUMBER, FAILMK, LEVEL);
      return SUCCES;
    }
    const int status = ENCSTA(STATE, NSLOT, WORK, ENCODE, NSLOT, BASE);
    if (status != SUCCES) {
      traceback(SCRUNT, "SRCHST", status, "ENCSTA");
      return status;
    }
    const int k = ENCODE(1);
    if (FNDNOD(POOL, HEAD, ENCODE, k + 3, ENCODED_FROM, k + 1, node, IDX) != SUCCES) {
      return NOTFND;
    }
    ENCODE(k + 3) = POOL.POOL(node + k + 2);
    describeTwin(POOL.POOL(node + k + 1), ENCODE(k + 3), NUMBER, FAILMK, LEVEL);
    return SUCCES;
  }
  if (FNDNOD(POOL, HEAD, STATE, NSLOT + 2, WHOLE_FROM, NSLOT, node, IDX) != SUCCES) {
    return NOTFND;
  }
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
