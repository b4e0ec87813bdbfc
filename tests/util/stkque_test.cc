#include "util/stkque.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "support/console.h"

namespace molvex {
namespace {

using testing::Console;
using Lines = std::vector<std::string>;

std::vector<int> words(CIntTab t) { return {t.begin(), t.end()}; }

const char* const U701 = " **** PUSH: ERROR U701 - STACK OVERFLOW ****";
const char* const U702 = " **** POP: ERROR U702 - STACK UNDERFLOW ****";
const char* const U601 = " **** ADD2Q: ERROR U601 - QUEUE OVERFLOW ****";
const char* const U602 = " **** POPQ:  ERROR U602 - QUEUE UNDERFLOW ****";

TEST(Stack, RecordComesBackInPushOrderAndLeavesEmptyWords) {
  Array1<int> table(5, 0);
  Stack s{table};
  INISTK(s, 5, 6);
  EXPECT_EQ(words(table), std::vector<int>(5, -1));
  const Array1<int> one(1, 1);
  Array1<int> two(2);
  two(1) = 2;
  two(2) = 3;
  ASSERT_EQ(PUSH(s, one, 1, 0), 1);
  ASSERT_EQ(PUSH(s, two, 2, 0), 1);
  EXPECT_EQ(words(table), (std::vector<int>{1, 2, 3, -1, -1}));
  Array1<int> out(3);
  ASSERT_EQ(POP(s, out, 3, 0), 1);
  EXPECT_EQ(words(out), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(s.TOP, 0);
  EXPECT_EQ(words(table), std::vector<int>(5, -1));
}

TEST(Stack, NonZeroDirectionGrowsFromTheEnd) {
  Array1<int> table(5, 0);
  Stack s{table};
  INISTK(s, 5, 6);
  Array1<int> rec(2);
  rec(1) = 1;
  rec(2) = 2;
  ASSERT_EQ(PUSH(s, rec, 2, 1), 1);
  ASSERT_EQ(PUSH(s, rec, 1, -1), 1);
  EXPECT_EQ(words(table), (std::vector<int>{-1, -1, 1, 2, 1}));
  Array1<int> out(2);
  ASSERT_EQ(POP(s, out, 2, 1), 1);
  EXPECT_EQ(words(out), (std::vector<int>{2, 1}));
  EXPECT_EQ(words(table), (std::vector<int>{-1, -1, -1, -1, 1}));
  EXPECT_EQ(s.TOP, 1);
}

// A stack laid into part of a larger table never writes beside its part,
// and a refused push or pop leaves stack and top as they were.
TEST(Stack, RefusedRequestsChangeNothing) {
  struct Case {
    const char* what;
    bool push;
    int top;
    int nitems;
    const char* line;
  };
  const std::vector<Case> cases = {
      {"push 3 on 3 of 5", true, 3, 3, U701},
      {"push negative", true, 3, -1, U701},
      {"push more than the items hold", true, 0, 5, U701},
      {"push on corrupt top", true, -2, 1, U701},
      {"pop 2 of 1", false, 1, 2, U702},
      {"pop from empty", false, 0, 1, U702},
      {"pop negative", false, 3, -1, U702},
      {"pop more than the items hold", false, 5, 5, U702},
      {"pop from corrupt top", false, 6, 1, U702},
  };
  for (const Case& c : cases) {
    Console con;
    Array1<int> table(9, 0);
    Stack s{table.slice(3, 5)};
    INISTK(s, 5, 6);
    for (int k = 1; k <= std::min(c.top, 5); ++k) s.STACK(k) = 10 + k;
    s.TOP = c.top;
    const std::vector<int> before = words(table);
    Array1<int> items(4, 7);
    const int status = c.push ? PUSH(s, items, c.nitems, 0) : POP(s, items, c.nitems, 0);
    EXPECT_EQ(status, c.push ? -7 : -8) << c.what;
    EXPECT_EQ(s.TOP, c.top) << c.what;
    EXPECT_EQ(words(table), before) << c.what;
    EXPECT_EQ(words(items), std::vector<int>(4, 7)) << c.what;
    EXPECT_EQ(con.lines(), Lines{c.line}) << c.what;
  }
}

// A queue of 10 words over records of 3 words, filled from a counter.
struct Queue10 {
  Array1<int> table{10, -1};
  Queue q{table};
  int next = 0;
  Queue10() { INIQ(q, 5, 6); }
  int add() {
    Array1<int> rec(3);
    for (int& w : rec) w = ++next;
    return ADD2Q(q, rec, 3);
  }
  int pop(int expectFirst) {
    Array1<int> rec(3);
    const int status = POPQ(q, rec, 3);
    if (status == 1) {
      EXPECT_EQ(words(rec), (std::vector<int>{expectFirst, expectFirst + 1, expectFirst + 2}));
    }
    return status;
  }
  std::vector<int> ends() const { return {q.QHEAD, q.QTAIL}; }
};

TEST(Queue, RecordsDoNotWrapAndTheFullQueueRefusesTheFourth) {
  Console con;
  Queue10 t;
  ASSERT_EQ(t.add(), 1);
  EXPECT_EQ(t.ends(), (std::vector<int>{1, 4}));
  ASSERT_EQ(t.add(), 1);
  ASSERT_EQ(t.add(), 1);
  EXPECT_EQ(t.ends(), (std::vector<int>{1, 10}));
  const std::vector<int> full = words(t.table);
  EXPECT_EQ(t.add(), -5);
  EXPECT_EQ(t.ends(), (std::vector<int>{1, 10}));
  EXPECT_EQ(words(t.table), full);
  EXPECT_EQ(con.lines(), Lines{U601});

  ASSERT_EQ(t.pop(1), 1);
  EXPECT_EQ(t.ends(), (std::vector<int>{4, 10}));
  ASSERT_EQ(t.add(), 1);  // words 13..15
  EXPECT_EQ(t.ends(), (std::vector<int>{4, 4}));
  EXPECT_EQ(words(t.table), (std::vector<int>{13, 14, 15, 4, 5, 6, 7, 8, 9, -1}));
}

TEST(Queue, HeadPastTheLastRecordStandsForPositionOne) {
  Console con;
  Queue10 t;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(t.add(), 1);
  ASSERT_EQ(t.pop(1), 1);
  ASSERT_EQ(t.add(), 1);  // at 1
  ASSERT_EQ(t.pop(4), 1);
  ASSERT_EQ(t.pop(7), 1);
  EXPECT_EQ(t.ends(), (std::vector<int>{10, 4}));
  ASSERT_EQ(t.add(), 1);  // at 4
  ASSERT_EQ(t.add(), 1);  // at 7
  EXPECT_EQ(t.add(), -5);
  EXPECT_EQ(t.ends(), (std::vector<int>{10, 10}));
  EXPECT_EQ(con.lines(), Lines{U601});
  for (int first : {10, 13, 16}) ASSERT_EQ(t.pop(first), 1);
  EXPECT_EQ(t.ends(), (std::vector<int>{-1, 1}));
}

TEST(Queue, TakingTheLastRecordEmptiesItThenUnderflows) {
  Console con;
  Queue10 t;
  ASSERT_EQ(t.add(), 1);
  ASSERT_EQ(t.add(), 1);
  ASSERT_EQ(t.pop(1), 1);
  EXPECT_EQ(t.ends(), (std::vector<int>{4, 7}));
  ASSERT_EQ(t.pop(4), 1);
  EXPECT_EQ(t.ends(), (std::vector<int>{-1, 1}));
  EXPECT_EQ(words(t.table), std::vector<int>(10, -1));
  EXPECT_EQ(t.pop(0), -6);
  EXPECT_EQ(t.ends(), (std::vector<int>{-1, 1}));
  ASSERT_EQ(t.add(), 1);
  EXPECT_EQ(t.ends(), (std::vector<int>{1, 4}));
  EXPECT_EQ(con.lines(), Lines{U602});
}

TEST(Queue, WritesOutsideTheTableAreRefused) {
  const char* const wrtq = " **** WRTQ: ERROR U603 - EXCEEDED BOUNDS OF QUEUE ARRAY ****";
  const char* const popq = " **** POPQ:  ERROR U603 - EXCEEDED BOUNDS OF QUEUE ARRAY ****";
  Array1<int> items(11);
  for (int i = 1; i <= 11; ++i) items(i) = 100 + i;

  {  // runs past the end: written as far as it fits
    Console con;
    Queue10 t;
    EXPECT_EQ(WRTQ(t.q, 8, items, 4), -4);
    EXPECT_EQ(words(t.table), (std::vector<int>{-1, -1, -1, -1, -1, -1, -1, 101, 102, 103}));
    EXPECT_EQ(t.ends(), (std::vector<int>{-1, 1}));
    EXPECT_EQ(con.lines(), Lines{wrtq});
  }
  struct Case {
    int pos;
    int nitems;
  };
  for (const Case& c : std::vector<Case>{{0, 2}, {-4, 2}, {1, -1}, {1, 12}}) {
    Console con;
    Queue10 t;
    EXPECT_EQ(WRTQ(t.q, c.pos, items, c.nitems), -4);
    EXPECT_EQ(words(t.table), std::vector<int>(10, -1));
    EXPECT_EQ(con.lines(), Lines{wrtq});
  }
  {  // a record longer than the table, and bad counts, leave the queue alone
    Console con;
    Queue10 t;
    ASSERT_EQ(t.add(), 1);
    EXPECT_EQ(ADD2Q(t.q, items, -1), -4);
    EXPECT_EQ(ADD2Q(t.q, items.slice(1, 2), 3), -4);
    EXPECT_EQ(t.ends(), (std::vector<int>{1, 4}));
    Array1<int> out(11, 0);
    EXPECT_EQ(POPQ(t.q, out, 11), -4);
    EXPECT_EQ(POPQ(t.q, out.slice(1, 2), 3), -4);
    EXPECT_EQ(POPQ(t.q, out, -1), -4);
    t.q.QHEAD = 0;
    EXPECT_EQ(POPQ(t.q, out, 3), -4);
    EXPECT_EQ(words(out), std::vector<int>(11, 0));
    EXPECT_EQ(con.lines(), (Lines{wrtq, wrtq, popq, popq, popq, popq}));
  }
  {
    Console con;
    Queue10 t;
    EXPECT_EQ(ADD2Q(t.q, items, 11), -4);
    EXPECT_EQ(t.ends(), (std::vector<int>{-1, 1}));
    EXPECT_EQ(con.lines(), Lines{wrtq});
  }
}

// The queue against a plain FIFO.  Records of L words over a table of S
// words hold S / L records at a time: every add beyond that overflows, and
// nothing else does.
TEST(Queue, BehavesAsABoundedFifo) {
  struct Shape {
    int size;
    int len;
  };
  std::mt19937 rng(20240611);
  for (const Shape& shape : std::vector<Shape>{{10, 3}, {9, 3}, {7, 7}, {12, 1}, {23, 5}}) {
    Console con;
    Array1<int> table(shape.size, -1);
    Queue q{table};
    INIQ(q, 5, 6);
    std::deque<std::vector<int>> model;
    const std::size_t capacity = static_cast<std::size_t>(shape.size / shape.len);
    int counter = 0;
    int failures = 0;
    for (int step = 0; step < 4000; ++step) {
      const std::vector<int> ends{q.QHEAD, q.QTAIL};
      Array1<int> rec(shape.len);
      if (std::uniform_int_distribution<int>(0, 99)(rng) < 55) {
        for (int& w : rec) w = ++counter;
        const int status = ADD2Q(q, rec, shape.len);
        if (model.size() == capacity) {
          ASSERT_EQ(status, -5) << step;
          ASSERT_EQ((std::vector<int>{q.QHEAD, q.QTAIL}), ends) << step;
          ++failures;
        } else {
          ASSERT_EQ(status, 1) << step;
          model.push_back(words(rec));
        }
      } else {
        const int status = POPQ(q, rec, shape.len);
        if (model.empty()) {
          ASSERT_EQ(status, -6) << step;
          ++failures;
        } else {
          ASSERT_EQ(status, 1) << step;
          ASSERT_EQ(words(rec), model.front()) << step;
          model.pop_front();
        }
      }
      if (model.empty()) {
        ASSERT_EQ((std::vector<int>{q.QHEAD, q.QTAIL}), (std::vector<int>{-1, 1})) << step;
      }
      // Only live records leave words in the table.
      const auto live = std::count_if(table.begin(), table.end(), [](int w) { return w != -1; });
      ASSERT_EQ(static_cast<std::size_t>(live), model.size() * static_cast<std::size_t>(shape.len));
    }
    EXPECT_EQ(con.lines().size(), static_cast<std::size_t>(failures));
  }
}

}  // namespace
}  // namespace molvex
