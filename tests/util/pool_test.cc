#include "util/pool.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "main/error.h"
#include "support/console.h"
#include "util/units.h"

namespace molvex {
namespace {

using testing::Console;
using Lines = std::vector<std::string>;

// A pool over storage of its own, initialised as the generation does it
// unless told otherwise.
struct TestPool {
  Array1<int> words;
  Array1<int> heads;
  NodePool pool;
  TestPool(int size, int maxsiz, int filval = 0, int clrflg = 1)
      : words(size, 12345), heads(maxsiz, 12345), pool{words, heads} {
    INIDYN(pool, filval, clrflg, 5, 6);
  }
  std::vector<int> all() const { return {words.begin(), words.end()}; }
  std::vector<int> allHeads() const { return {heads.begin(), heads.end()}; }
  std::vector<int> data(int node, int n) const {
    return {words.begin() + node - 1, words.begin() + node - 1 + n};
  }
};

const char* const U400_ALLOC = " **** ALLOC: ERROR U400 - BOUNDS OF MEMORY POOL EXCEEDED";
const char* const GETNOD_TRACE =
    " **** GETNOD:  TRACEBACK - ERROR ENCOUNTERED BY ALLOC() WHEN ALLOCATING NODE";
const char* const DSPNOD_TRACE =
    " **** DSPNOD:  TRACEBACK - ERROR ENCOUNTERED BY PSHPTR() WHEN PUSHING NODE ON FREELIST STACK";

TEST(Pool, TenWordsHoldTwoNodesOfFourThenNothing) {
  Console con;
  TestPool t(10, 4);
  EXPECT_EQ(t.all(), std::vector<int>(10, -1));
  EXPECT_EQ(t.pool.NXTFRE, 1);
  int head = -1;
  EXPECT_EQ(ALLOC(t.pool, head, 4), 1);
  EXPECT_EQ(t.pool.NXTFRE, 6);
  EXPECT_EQ(ALLOC(t.pool, head, 4), 6);  // its link word is word 10
  EXPECT_EQ(t.pool.NXTFRE, 11);
  EXPECT_EQ(ALLOC(t.pool, head, 1), -1);
  EXPECT_EQ(t.pool.NXTFRE, 11);
  EXPECT_EQ(ALLOC(t.pool, head, -12), -1);  // would reach back before word 1
  EXPECT_EQ(t.pool.NXTFRE, 11);

  int node = 99;
  EXPECT_EQ(GETNOD(t.pool, node, 1), -1);
  EXPECT_EQ(node, -1);
  EXPECT_EQ(con.lines(), (Lines{U400_ALLOC, U400_ALLOC, U400_ALLOC, GETNOD_TRACE}));
}

// Pointers come from callers' heads and data words: one that is empty or
// lies outside the pool is refused before any word is touched.
TEST(Pool, EmptyOrForeignPointersChangeNothing) {
  const char* const u400 = "ERROR U400 - BOUNDS OF MEMORY POOL EXCEEDED";
  struct Case {
    bool push;
    int pointer;
    int status;
    std::string text;
  };
  const std::vector<Case> cases = {
      {false, -1, -8, "ERROR U401 - STACK UNDERFLOW"},
      {false, -5, -8, "ERROR U401 - STACK UNDERFLOW"},
      {false, 0, -7, u400},
      {false, 8, -7, u400},  // its link word would be 11
      {false, 11, -7, u400},
      {true, -1, -7, u400},
      {true, 0, -7, u400},
      {true, 8, -7, u400},
      {true, 20, -7, u400},
  };
  for (const Case& c : cases) {
    Console con;
    TestPool t(10, 4);
    int head = c.push ? 4 : c.pointer;
    int node = 99;
    const int status = c.push ? PSHPTR(t.pool, head, c.pointer, 3) : POPPTR(t.pool, head, node, 3);
    EXPECT_EQ(status, c.status) << c.pointer;
    EXPECT_EQ(head, c.push ? 4 : c.pointer);
    EXPECT_EQ(node, c.push ? 99 : -1);
    EXPECT_EQ(t.all(), std::vector<int>(10, -1));
    EXPECT_EQ(con.lines(), Lines{(c.push ? " **** PSHPTR: " : " **** POPPTR: ") + c.text});
  }
}

TEST(Pool, SizesOutsideOneToMaxsizAreRefused) {
  struct Case {
    int size;
    std::string line;
  };
  const std::vector<Case> cases = {
      {5, " **** GETNOD:  ERROR U402 - NODSIZ 5 IS > MAX NODE SIZE 4"},
      {0, " **** GETNOD:  ERROR U402 - NODSIZ 0 IS < MIN NODE SIZE 1"},
      {-2, " **** GETNOD:  ERROR U402 - NODSIZ -2 IS < MIN NODE SIZE 1"},
  };
  for (const Case& c : cases) {
    Console con;
    TestPool t(20, 4);
    int node = 99;
    EXPECT_EQ(GETNOD(t.pool, node, c.size), -1);
    EXPECT_EQ(node, -1);
    EXPECT_EQ(t.pool.NXTFRE, 1);
    EXPECT_EQ(t.allHeads(), std::vector<int>(4, -1));
    EXPECT_EQ(con.lines(), Lines{c.line});
  }
}

TEST(Pool, ReleasedNodeIsReusedForItsOwnSizeOnly) {
  for (int clrflg : {1, 0}) {
    Console con;
    TestPool t(30, 4, 7, clrflg);
    int a = -1;
    ASSERT_EQ(GETNOD(t.pool, a, 3), 1);
    t.words(a) = 41;
    t.words(a + 2) = 43;
    int released = a;
    EXPECT_EQ(DSPNOD(t.pool, released, 3), 1);
    EXPECT_EQ(released, -1);
    EXPECT_EQ(t.heads(3), a);

    int b = -1;
    ASSERT_EQ(GETNOD(t.pool, b, 2), 1);
    EXPECT_NE(b, a);
    int c = -1;
    ASSERT_EQ(GETNOD(t.pool, c, 3), 1);
    EXPECT_EQ(c, a);
    EXPECT_EQ(t.heads(3), -1);
    EXPECT_EQ(t.data(c, 4),
              (clrflg != 0 ? std::vector<int>{7, 7, 7, -1} : std::vector<int>{41, -1, 43, -1}));
    EXPECT_TRUE(con.lines().empty());
  }
}

TEST(Pool, ReleaseFailuresLeaveThePoolAsItWas) {
  struct Case {
    int node;
    int size;
    Lines lines;
  };
  const std::vector<Case> cases = {
      {-1, 2, {DSPNOD_TRACE}},
      {19, 2, {" **** PSHPTR: ERROR U400 - BOUNDS OF MEMORY POOL EXCEEDED", DSPNOD_TRACE}},
      {1, 5,
       {" **** DSPNOD:  ERROR U402 - NODSIZ 5 IS > MAX NODE SIZE 4",
        " **** DSPNOD:  NODE = 41 42 -1 -1 -1"}},
      {18, 5,  // only the words that lie in the pool are shown
       {" **** DSPNOD:  ERROR U402 - NODSIZ 5 IS > MAX NODE SIZE 4",
        " **** DSPNOD:  NODE = -1 -1 -1"}},
      {1, 0,
       {" **** DSPNOD:  ERROR U402 - NODSIZ 0 IS < MIN NODE SIZE 1", " **** DSPNOD:  NODE = "}},
  };
  for (const Case& c : cases) {
    TestPool t(20, 4, 7, 1);
    int a = -1;
    ASSERT_EQ(GETNOD(t.pool, a, 2), 1);
    t.words(1) = 41;
    t.words(2) = 42;
    const std::vector<int> before = t.all();
    Console con;
    int node = c.node;
    EXPECT_EQ(DSPNOD(t.pool, node, c.size), -1);
    EXPECT_EQ(node, c.node);
    EXPECT_EQ(t.all(), before);
    EXPECT_EQ(t.allHeads(), std::vector<int>(4, -1));
    EXPECT_EQ(con.lines(), c.lines);
  }
}

TEST(Pool, RecordsComeBackInReverseOrderAndNodesAreReused) {
  Console con;
  TestPool t(40, 4);
  const Array1<int> a(3, 1), b(3, 2), c(3, 3);
  int head = -1;
  for (CIntTab rec : {CIntTab(a), CIntTab(b), CIntTab(c)}) {
    ASSERT_EQ(PSHNOD(t.pool, head, rec, 3), 1);
  }
  EXPECT_EQ(t.pool.NXTFRE, 13);
  Array1<int> out(4, 0);  // a larger table is fine; only 1..3 are written
  for (int expect : {3, 2, 1}) {
    ASSERT_EQ(POPNOD(t.pool, head, out, 3), 1);
    EXPECT_EQ(std::vector<int>(out.begin(), out.end()),
              (std::vector<int>{expect, expect, expect, 0}));
  }
  EXPECT_EQ(head, -1);
  ASSERT_EQ(PSHNOD(t.pool, head, a, 3), 1);
  EXPECT_EQ(t.pool.NXTFRE, 13);  // taken from the free list
  ASSERT_EQ(POPNOD(t.pool, head, out, 3), 1);

  EXPECT_EQ(POPNOD(t.pool, head, out, 3), -8);
  EXPECT_EQ(con.lines(), (Lines{" **** POPPTR: ERROR U401 - STACK UNDERFLOW",
                                " **** POPNOD: TRACEBACK - ERROR -8 RETURNED BY POPPTR()"}));
}

// Lists hanging from nodes: the head is a data word of another node of the
// same pool, and the list nodes are carved from the same words.
TEST(Pool, HeadInADataWordOfAnotherNode) {
  TestPool t(60, 4);
  int parent = -1;
  ASSERT_EQ(GETNOD(t.pool, parent, 2), 1);
  t.words(parent) = -1;
  t.words(parent + 1) = 77;
  for (int v = 1; v <= 4; ++v) {
    const Array1<int> rec(2, v);
    ASSERT_EQ(PSHNOD(t.pool, t.pool.POOL(parent), rec, 2), 1);
  }
  int child = -1;
  ASSERT_EQ(POPPTR(t.pool, t.pool.POOL(parent), child, 2), 1);
  EXPECT_EQ(t.data(child, 3), (std::vector<int>{4, 4, -1}));
  ASSERT_EQ(DSPNOD(t.pool, child, 2), 1);
  Array1<int> out(2);
  for (int v : {3, 2, 1}) {
    ASSERT_EQ(POPNOD(t.pool, t.pool.POOL(parent), out, 2), 1);
    EXPECT_EQ(out(1), v);
  }
  EXPECT_EQ(t.words(parent), -1);
  EXPECT_EQ(t.words(parent + 1), 77);
  // Every released child is on the free list of size 2, the parent is not.
  int count = 0;
  for (int p = t.heads(2); p != -1; p = t.words(p + 2)) {
    EXPECT_NE(p, parent);
    ++count;
  }
  EXPECT_EQ(count, 4);
}

TEST(Pool, RecordFailuresAreTracedAndChangeNoList) {
  Console con;
  TestPool t(7, 4);
  const Array1<int> rec(3, 5);
  int head = -1;
  ASSERT_EQ(PSHNOD(t.pool, head, rec, 3), 1);
  ASSERT_EQ(head, 1);
  EXPECT_EQ(PSHNOD(t.pool, head, rec, 3), -1);
  EXPECT_EQ(PSHNOD(t.pool, head, rec.slice(1, 2), 3), -1);
  Array1<int> shortOut(2);
  EXPECT_EQ(POPNOD(t.pool, head, shortOut, 3), -1);
  EXPECT_EQ(head, 1);
  EXPECT_EQ(con.lines(), (Lines{U400_ALLOC, GETNOD_TRACE,
                                " **** PSHNOD: TRACEBACK - ERROR -1 RETURNED BY GETNOD()",
                                " **** PSHNOD: ERROR U402 - NODSIZ 3 IS > DATA SIZE 2",
                                " **** POPNOD: ERROR U402 - NODSIZ 3 IS > DATA SIZE 2"}));
}

TEST(Pool, PopOfTooLargeARecordStillDeliversItButIsTraced) {
  Console con;
  TestPool t(20, 2);
  int head = -1;
  ASSERT_EQ(PSHNOD(t.pool, head, Array1<int>(3, 9).slice(1, 2), 2), 1);
  Array1<int> out(3, 0);
  EXPECT_EQ(POPNOD(t.pool, head, out, 3), -1);
  EXPECT_EQ(std::vector<int>(out.begin(), out.end()), (std::vector<int>{9, 9, -1}));
  EXPECT_EQ(con.lines(), (Lines{" **** DSPNOD:  ERROR U402 - NODSIZ 3 IS > MAX NODE SIZE 2",
                                " **** DSPNOD:  NODE = 9 9 -1",
                                " **** POPNOD: TRACEBACK - ERROR -1 RETURNED BY DSPNOD()"}));
}

TEST(Pool, InitialisingAgainEmptiesThePoolAndResetsTheSettings) {
  TestPool t(20, 3, 7, 1);
  int a = -1;
  int b = -1;
  ASSERT_EQ(GETNOD(t.pool, a, 3), 1);
  ASSERT_EQ(GETNOD(t.pool, b, 2), 1);
  ASSERT_EQ(DSPNOD(t.pool, b, 2), 1);
  ASSERT_NE(t.heads(2), -1);

  std::ostringstream messages;
  attachOutput(11, &messages);
  INIDYN(t.pool, 0, 1, 5, 11);
  EXPECT_EQ(t.pool.NXTFRE, 1);
  EXPECT_EQ(t.all(), std::vector<int>(20, -1));
  EXPECT_EQ(t.allHeads(), std::vector<int>(3, -1));
  ASSERT_EQ(GETNOD(t.pool, a, 3), 1);
  EXPECT_EQ(a, 1);
  t.words(a) = 5;
  ASSERT_EQ(DSPNOD(t.pool, a, 3), 1);
  EXPECT_EQ(t.data(1, 3), (std::vector<int>{0, 0, 0}));

  // The message unit of the last initialisation serves every pool.
  TestPool other(4, 1);
  Console con;
  INIMEM(other.pool, 5, 11);
  int node = -1;
  EXPECT_EQ(GETNOD(t.pool, node, 4), -1);
  attachOutput(11, nullptr);
  INIMEM(other.pool, 5, 6);
  EXPECT_TRUE(con.lines().empty());
  EXPECT_EQ(messages.str(), " **** GETNOD:  ERROR U402 - NODSIZ 4 IS > MAX NODE SIZE 3\n");
}

}  // namespace
}  // namespace molvex
