#include "util/stkque.h"

#include <algorithm>
#include <limits>

#include "main/error.h"
#include "main/files.h"

namespace molvex {
namespace {

constexpr int EMPTY = -1;  // a word that holds no record, and the empty queue head

int stackUnit = SCRUNT;
int queueUnit = SCRUNT;

// The element of the table that holds stack position k (1 = bottom).
int element(const Stack& stack, int k, int DIR) { return DIR == 0 ? k : stack.STKSIZ() - k + 1; }

// Where a record of NITEMS words meant for `pos` really starts.
int recordStart(const Queue& queue, int pos, int NITEMS) {
  return 1LL * pos + NITEMS > queue.QSIZ() + 1LL ? 1 : pos;
}

int outOfBounds(std::string_view routine, int gap) {
  errorLine(queueUnit, routine, "U603", gap) << "EXCEEDED BOUNDS OF QUEUE ARRAY ****";
  return QBOUND;
}

}  // namespace

void INISTK(Stack& stack, int /*inUnit*/, int msgUnit) {
  stack.STACK.fill(EMPTY);
  stack.TOP = 0;
  stackUnit = msgUnit;
}

int PUSH(Stack& stack, CIntTab ITEMS, int NITEMS, int DIR) {
  const int top = stack.TOP;
  if (NITEMS < 0 || NITEMS > ITEMS.size() || top < 0 || NITEMS > stack.STKSIZ() - top) {
    errorLine(stackUnit, "PUSH", "U701") << "STACK OVERFLOW ****";
    return STKOVF;
  }
  for (int i = 1; i <= NITEMS; ++i) stack.STACK(element(stack, top + i, DIR)) = ITEMS(i);
  stack.TOP = top + NITEMS;
  return SUCCES;
}

int POP(Stack& stack, IntTab ITEMS, int NITEMS, int DIR) {
  const int top = stack.TOP;
  if (top <= 0 || top < NITEMS || top > stack.STKSIZ() || NITEMS < 0 || NITEMS > ITEMS.size()) {
    errorLine(stackUnit, "POP", "U702") << "STACK UNDERFLOW ****";
    return STKUNF;
  }
  for (int i = NITEMS; i >= 1; --i) {
    int& word = stack.STACK(element(stack, top - NITEMS + i, DIR));
    ITEMS(i) = word;
    word = EMPTY;
  }
  stack.TOP = top - NITEMS;
  return SUCCES;
}

void INIQ(Queue& queue, int /*inUnit*/, int msgUnit) {
  queue.QHEAD = EMPTY;
  queue.QTAIL = 1;
  queueUnit = msgUnit;
}

namespace {

// Moves a growing queue's records, oldest first, to the start of twice its
// words.  False for a queue sized once.
bool grow(Queue& queue, int NITEMS) {
  if (queue.STORE == nullptr || NITEMS < 1 || queue.QSIZ() > std::numeric_limits<int>::max() / 2) {
    return false;
  }
  Array1<int> words(2 * std::max(queue.QSIZ(), NITEMS), EMPTY);
  Array1<int> record(NITEMS);
  int tail = 1;
  while (queue.QHEAD != EMPTY) {
    if (POPQ(queue, record, NITEMS) != SUCCES) return false;
    words.slice(tail, NITEMS).copyFrom(record, NITEMS);
    tail += NITEMS;
  }
  *queue.STORE = std::move(words);
  queue.QUEUE = *queue.STORE;
  queue.QHEAD = tail > 1 ? 1 : EMPTY;
  queue.QTAIL = tail;
  return true;
}

}  // namespace

int ADD2Q(Queue& queue, CIntTab ITEMS, int NITEMS) {
  // The tail moves only once the record is in: a refused record leaves the
  // queue as it was.
  int start = recordStart(queue, queue.QTAIL, NITEMS);
  if (queue.QHEAD != EMPTY && start == recordStart(queue, queue.QHEAD, NITEMS) &&
      grow(queue, NITEMS)) {
    start = queue.QTAIL;
  }
  if (queue.QHEAD != EMPTY && start == recordStart(queue, queue.QHEAD, NITEMS)) {
    errorLine(queueUnit, "ADD2Q", "U601") << "QUEUE OVERFLOW ****";
    return QOVFLO;
  }
  const int status = WRTQ(queue, start, ITEMS, NITEMS);
  if (status != SUCCES) return status;
  if (queue.QHEAD == EMPTY) queue.QHEAD = start;
  queue.QTAIL = start + NITEMS;
  return SUCCES;
}

int POPQ(Queue& queue, IntTab ITEMS, int NITEMS) {
  if (queue.QHEAD == EMPTY) {
    errorLine(queueUnit, "POPQ", "U602", 2) << "QUEUE UNDERFLOW ****";
    return QUNDFL;
  }
  if (NITEMS < 0 || NITEMS > queue.QSIZ() || NITEMS > ITEMS.size() || queue.QHEAD < 1) {
    return outOfBounds("POPQ", 2);
  }
  const int head = recordStart(queue, queue.QHEAD, NITEMS);
  for (int i = 1; i <= NITEMS; ++i) {
    int& word = queue.QUEUE(head + i - 1);
    ITEMS(i) = word;
    word = EMPTY;
  }
  queue.QHEAD = head + NITEMS;
  if (queue.QHEAD == queue.QTAIL) {
    queue.QHEAD = EMPTY;
    queue.QTAIL = 1;
  }
  return SUCCES;
}

int WRTQ(Queue& queue, int POS, CIntTab ITEMS, int NITEMS) {
  if (POS < 1 || NITEMS < 0 || NITEMS > ITEMS.size()) return outOfBounds("WRTQ", 1);
  // A record running past the end is written as far as it fits.
  const int fit = std::clamp(queue.QSIZ() - POS + 1, 0, NITEMS);
  for (int i = 1; i <= fit; ++i) queue.QUEUE(POS + i - 1) = ITEMS(i);
  return fit < NITEMS ? outOfBounds("WRTQ", 1) : SUCCES;
}

}  // namespace molvex
