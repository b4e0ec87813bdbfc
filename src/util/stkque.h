// A stack and a queue of fixed-length integer records, kept in tables that
// the caller owns (the traversal lays its stack into the free tail of the
// place table: Stack{table.slice(F, S)}).  Every word that leaves either one
// is overwritten with -1, so a dump shows only live records.
#pragma once

#include "util/array1.h"

namespace molvex {

// TOP words are on the stack.  DIR = 0 grows it from element 1 upward;
// any other DIR grows it from element STKSIZ downward.
struct Stack {
  IntTab STACK;
  int TOP = 0;
  int STKSIZ() const { return STACK.size(); }
};

// Circular by whole records: a record never wraps past the end of the table;
// one that does not fit before the end starts at 1, and a head position
// from which it would not fit stands for 1.  So all records of one queue
// must have the same length.  QHEAD is -1 when the queue is empty, and QTAIL
// is then 1.
struct Queue {
  IntTab QUEUE;
  int QHEAD = -1;
  int QTAIL = 1;
  // The storage of QUEUE when the queue may grow: a record that finds it
  // full moves the records, oldest first, to the start of twice the words.
  // None: the queue is sized once.
  Array1<int>* STORE = nullptr;
  int QSIZ() const { return QUEUE.size(); }
};

// The message unit is shared by all stacks (and, separately, all queues);
// the last initialisation sets it.
void INISTK(Stack& stack, int inUnit, int msgUnit);
// ITEMS(1) goes deepest, ITEMS(NITEMS) on top.
int PUSH(Stack& stack, CIntTab ITEMS, int NITEMS, int DIR);
// The top NITEMS words, in the order they were pushed.
int POP(Stack& stack, IntTab ITEMS, int NITEMS, int DIR);

// Empties the queue; the table is left as it is.
void INIQ(Queue& queue, int inUnit, int msgUnit);
int ADD2Q(Queue& queue, CIntTab ITEMS, int NITEMS);
int POPQ(Queue& queue, IntTab ITEMS, int NITEMS);
// Writes ITEMS(1..NITEMS) at QUEUE(POS...); the head and tail stay.
int WRTQ(Queue& queue, int POS, CIntTab ITEMS, int NITEMS);

}  // namespace molvex
