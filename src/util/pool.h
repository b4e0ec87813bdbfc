// Node memory pools: linked lists of fixed-size records inside one table of
// words that the caller sets up once, so that storing states while a chain
// is generated never touches the system heap.
//
// A node of size n at pointer p is the data words POOL(p)..POOL(p+n-1)
// followed by its link word POOL(p+n).  The size is not kept in the node, so
// every list operation is told it.  Released nodes wait on the free list of
// their size, FREHDS(n), and are reused for that size only; words above
// NXTFRE have never been handed out.  A list head is any int the caller owns:
// a scalar, an element of FREHDS, or a data word of another node.
#pragma once

#include "util/array1.h"

namespace molvex {

// The words of a pool and its bookkeeping, which always travel together.
// The tables are views: the owner keeps the storage.
struct NodePool {
  IntTab POOL;    // the words
  IntTab FREHDS;  // free-list head per node size 1..MAXSIZ
  int NXTFRE = 1;
  int NULPTR = -1;
  // The storage of POOL when the pool may grow: a node that does not fit
  // doubles it (POOL is then a view of the new words; nodes keep their
  // pointers).  None: the pool is sized once.
  Array1<int>* STORE = nullptr;
  int POOLSZ() const { return POOL.size(); }
  int MAXSIZ() const { return FREHDS.size(); }
};

// Empty the pool as a whole: every word and free-list head becomes NULPTR.
// The fill value and clear flag of released nodes, and the message unit, are
// shared by all pools; the last initialisation sets them.  Heads kept by
// callers are stale afterwards.
void INIDYN(NodePool& pool, int FILVAL, int CLRFLG, int inUnit, int msgUnit);
// As INIDYN, but leaves the free lists and the release settings alone.
void INIMEM(NodePool& pool, int inUnit, int msgUnit);

// A node of NODSIZ data words: the first of the free list `head` (which is
// shortened), else fresh words at NXTFRE.  Returns its pointer, or NULPTR.
int ALLOC(NodePool& pool, int& head, int NODSIZ);

// Link NODE in front of the list HEAD.
int PSHPTR(NodePool& pool, int& HEAD, int NODE, int NODSIZ);
// Unlink the first node of HEAD into NODE, with its link word cleared.
int POPPTR(NodePool& pool, int& HEAD, int& NODE, int NODSIZ);

// A node of NODSIZ (1..MAXSIZ) data words into NODE (NULPTR on failure).
int GETNOD(NodePool& pool, int& NODE, int NODSIZ);
// Release NODE to the free list of its size; NODE becomes NULPTR.
int DSPNOD(NodePool& pool, int& NODE, int NODSIZ);

// A list used as a stack of records DATA(1..NODSIZ).
int PSHNOD(NodePool& pool, int& HEAD, CIntTab DATA, int NODSIZ);
int POPNOD(NodePool& pool, int& HEAD, IntTab DATA, int NODSIZ);

}  // namespace molvex
