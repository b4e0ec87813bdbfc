#include "util/pool.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "main/error.h"
#include "main/files.h"

namespace molvex {
namespace {

// Shared by every pool; the last initialisation sets them.
struct Settings {
  int FILVAL = 0;
  int CLRFLG = 0;
  int msgUnit = SCRUNT;
};
Settings settings;

// Whether a node of NODSIZ data words at `node` lies in the pool, link word
// included.  Pointers come from callers' heads and data words, so each one is
// checked before its words are touched.
bool inPool(const NodePool& pool, int node, int NODSIZ) {
  return node >= 1 && NODSIZ >= 0 && NODSIZ <= pool.POOLSZ() - node;
}

// Doubles a growing pool until a node of NODSIZ data words fits at `node`.
bool grow(NodePool& pool, int node, int NODSIZ) {
  if (pool.STORE == nullptr || node < 1 || NODSIZ < 0) return false;
  const long long need = 1LL * node + NODSIZ;
  long long size = std::max(pool.POOLSZ(), 1);
  while (size < need) size *= 2;
  if (size > std::numeric_limits<int>::max()) return false;
  pool.STORE->grow(static_cast<int>(size), pool.NULPTR);
  pool.POOL = *pool.STORE;
  return true;
}

void boundsExceeded(std::string_view routine) {
  errorLine(settings.msgUnit, routine, "U400") << "BOUNDS OF MEMORY POOL EXCEEDED";
}

void sizeRejected(std::string_view routine, int gap, int NODSIZ, std::string_view limitText,
                  int limit) {
  errorLine(settings.msgUnit, routine, "U402", gap) << "NODSIZ " << NODSIZ << limitText << limit;
}

// Free lists exist for the sizes 1..MAXSIZ only; a node of no data words
// would also have its link word where its first data word belongs.
bool sizeServed(const NodePool& pool, std::string_view routine, int NODSIZ) {
  if (NODSIZ > pool.MAXSIZ()) {
    sizeRejected(routine, 2, NODSIZ, " IS > MAX NODE SIZE ", pool.MAXSIZ());
    return false;
  }
  if (NODSIZ < 1) {
    sizeRejected(routine, 2, NODSIZ, " IS < MIN NODE SIZE ", 1);
    return false;
  }
  return true;
}

// A record table shorter than the node would be read or written past its end.
bool recordFits(std::string_view routine, CIntTab DATA, int NODSIZ) {
  if (NODSIZ <= DATA.size()) return true;
  sizeRejected(routine, 1, NODSIZ, " IS > DATA SIZE ", DATA.size());
  return false;
}

int traced(int status, std::string_view routine, std::string_view callee) {
  if (status != SUCCES) traceback(settings.msgUnit, routine, status, callee);
  return status;
}

// The data words of a node released with a wrong size, as far as they lie in
// the pool.
void showNode(const NodePool& pool, int node, int NODSIZ) {
  // Not an error or traceback line: it continues the error line before it.
  Line line(settings.msgUnit);
  line << "**** DSPNOD:  NODE = ";
  if (node < 1) return;
  const int last = static_cast<int>(std::min<long long>(1LL * node + NODSIZ - 1, pool.POOLSZ()));
  for (int k = node; k <= last; ++k) line << pool.POOL(k);
}

}  // namespace

void INIMEM(NodePool& pool, int /*inUnit*/, int msgUnit) {
  pool.POOL.fill(pool.NULPTR);
  pool.NXTFRE = 1;
  settings.msgUnit = msgUnit;
}

void INIDYN(NodePool& pool, int FILVAL, int CLRFLG, int inUnit, int msgUnit) {
  INIMEM(pool, inUnit, msgUnit);
  settings.FILVAL = FILVAL;
  settings.CLRFLG = CLRFLG;
  pool.FREHDS.fill(pool.NULPTR);
}

int ALLOC(NodePool& pool, int& head, int NODSIZ) {
  if (head != pool.NULPTR) {
    int node = pool.NULPTR;
    return POPPTR(pool, head, node, NODSIZ) == SUCCES ? node : pool.NULPTR;
  }
  const int node = pool.NXTFRE;
  if (!inPool(pool, node, NODSIZ) && !grow(pool, node, NODSIZ)) {
    boundsExceeded("ALLOC");
    return pool.NULPTR;
  }
  pool.NXTFRE = node + NODSIZ + 1;
  pool.POOL(node + NODSIZ) = pool.NULPTR;
  return node;
}

int PSHPTR(NodePool& pool, int& HEAD, int NODE, int NODSIZ) {
  if (!inPool(pool, NODE, NODSIZ)) {
    boundsExceeded("PSHPTR");
    return STKOVF;
  }
  pool.POOL(NODE + NODSIZ) = HEAD;
  HEAD = NODE;
  return SUCCES;
}

int POPPTR(NodePool& pool, int& HEAD, int& NODE, int NODSIZ) {
  // HEAD may be a word of the pool itself: read it once, write it last.
  const int node = HEAD;
  if (node == pool.NULPTR || node < 0) {
    errorLine(settings.msgUnit, "POPPTR", "U401") << "STACK UNDERFLOW";
    NODE = pool.NULPTR;
    return STKUNF;
  }
  if (!inPool(pool, node, NODSIZ)) {
    boundsExceeded("POPPTR");
    NODE = pool.NULPTR;
    return STKOVF;
  }
  int& link = pool.POOL(node + NODSIZ);
  const int next = link;
  link = pool.NULPTR;
  HEAD = next;
  NODE = node;
  return SUCCES;
}

int GETNOD(NodePool& pool, int& NODE, int NODSIZ) {
  NODE = pool.NULPTR;
  if (!sizeServed(pool, "GETNOD", NODSIZ)) return ERRGEN;
  const int node = ALLOC(pool, pool.FREHDS(NODSIZ), NODSIZ);
  if (node == pool.NULPTR) {
    tracebackLine(settings.msgUnit, "GETNOD", 2)
        << "ERROR ENCOUNTERED BY ALLOC() WHEN ALLOCATING NODE";
    return ERRGEN;
  }
  NODE = node;
  return SUCCES;
}

int DSPNOD(NodePool& pool, int& NODE, int NODSIZ) {
  const int node = NODE;
  if (!sizeServed(pool, "DSPNOD", NODSIZ)) {
    showNode(pool, node, NODSIZ);
    return ERRGEN;
  }
  // Pushed before its data words are cleared: the push is what checks that
  // the node lies in the pool.
  if (node == pool.NULPTR || PSHPTR(pool, pool.FREHDS(NODSIZ), node, NODSIZ) != SUCCES) {
    tracebackLine(settings.msgUnit, "DSPNOD", 2)
        << "ERROR ENCOUNTERED BY PSHPTR() WHEN PUSHING NODE ON FREELIST STACK";
    return ERRGEN;
  }
  if (settings.CLRFLG != 0) pool.POOL.slice(node, NODSIZ).fill(settings.FILVAL);
  NODE = pool.NULPTR;
  return SUCCES;
}

int PSHNOD(NodePool& pool, int& HEAD, CIntTab DATA, int NODSIZ) {
  if (!recordFits("PSHNOD", DATA, NODSIZ)) return ERRGEN;
  int node = pool.NULPTR;
  const int status = traced(GETNOD(pool, node, NODSIZ), "PSHNOD", "GETNOD");
  if (status != SUCCES) return status;
  pool.POOL.slice(node, NODSIZ).copyFrom(DATA, NODSIZ);
  return traced(PSHPTR(pool, HEAD, node, NODSIZ), "PSHNOD", "PSHPTR");
}

int POPNOD(NodePool& pool, int& HEAD, IntTab DATA, int NODSIZ) {
  if (!recordFits("POPNOD", DATA, NODSIZ)) return ERRGEN;
  int node = pool.NULPTR;
  const int status = traced(POPPTR(pool, HEAD, node, NODSIZ), "POPNOD", "POPPTR");
  if (status != SUCCES) return status;
  DATA.copyFrom(pool.POOL.slice(node, NODSIZ), NODSIZ);
  return traced(DSPNOD(pool, node, NODSIZ), "POPNOD", "DSPNOD");
}

}  // namespace molvex
