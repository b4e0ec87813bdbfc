#include "ftinput/bldlst.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "main/globals.h"
#include "support/console.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;
using Words = std::vector<int>;
using Parents = std::vector<std::pair<int, int>>;  // CSPTAB entry, FSPBAS

const std::string FILNAM = "TREE.FTR            ";

Words first(CIntTab table, int n) { return {table.begin(), table.begin() + n}; }

struct Build : ::testing::Test {
  int run(const std::string& text) {
    dir.write("TREE.FTR", text);
    return BLDLST(FILNAM, indlst, ft, pool, MAXNOD, MAXBAS);
  }
  // The place record at p: six fixed words and the inputs.
  Words place(int p) const {
    const int n = 6 + ft.PLCTAB(p + FNARC);
    return first(ft.PLCTAB.slice(p, n), n);
  }
  // The CSPRNT list of basic component c, from its head.
  Parents parents(int c) const {
    Parents out;
    for (int node = ft.CSPRNT(c); node != -1; node = words(node + 2)) {
      out.emplace_back(words(node), words(node + 1));
    }
    return out;
  }

  testing::Console con;
  testing::ScratchDir dir;
  Array1<int> indlst{2000};  // room for a full place table
  FaultTree ft;
  Array1<int> words{580000};
  Array1<int> heads{290};
  NodePool pool{words, heads};
  Build() { INIDYN(pool, 0, 1, 5, 6); }
};

// Every node kind; the top comes first, so most arcs name later nodes.
// Cold spares 6 (A, B), 7 (C, D) and 8 (A, D): 7 and 8 share D.
const char* const EVERY_KIND =
    "N 17 17 22\nA 16 16 17 17\n"
    "N 1 1 16 1\nN 2 2 16 2*2\nN 3 3 16 3\nN 4 4 16 4\n"
    "N 5 5 25\nA 1 1 5 5\nA 2 2 5 5\n"
    "N 6 6 25\nA 3 3 6 6\nA 4 4 6 6\n"
    "N 7 7 25\nA 1 1 7 7\nA 4 4 7 7\n"
    "N 8 8 29\nA 5 5 8 8\nA 3 3 8 8\n"        // FDEP, triggered by a gate
    "N 9 9 27\nA 1 1 9 9\nA 3 3 9 9\n"        // PAND
    "N 10 10 28\nA 6 6 10 10\nA 2 2 10 10\n"  // SEQ, leftmost a gate
    "N 11 11 18 3/4\nA 2 2 11 11\nA 9 9 11 11\nA 10 10 11 11\n"
    "N 12 12 17\nA 11 11 12 12\nA 7 7 12 12\n"
    "N 13 13 19\nA 12 12 13 13\nA 8 8 13 13\n"
    "N 14 14 24\nA 13 13 14 14\n"
    "N 15 15 26\nA 14 14 15 15\n"
    "N 16 16 21 LABEL\nA 15 15 16 16\n";

TEST_F(Build, EveryNodeKindIntoTheExactTables) {
  ASSERT_EQ(run(EVERY_KIND), 1);
  EXPECT_TRUE(con.lines().empty());
  EXPECT_EQ(first(ft.PLCTAB, 3), (Words{17, 130, 4}));
  const struct {
    int p;
    Words words;
  } places[] = {
      {4, {1, 22, -1, 0, 0, 1, 122}},     {11, {2, 16, 1, 1, 1, 0}},
      {17, {3, 16, 2, 2, 2, 0}},          {23, {4, 16, 3, 1, 3, 0}},
      {29, {5, 16, 4, 1, 4, 0}},          {35, {6, 25, 0, 0, -1, 2, 11, 17}},
      {43, {7, 25, 0, 1, 0, 2, 23, 29}},  {51, {8, 25, 0, 1, 2, 2, 11, 29}},
      {59, {9, 29, 0, 0, 0, 2, 35, 23}},  {67, {10, 27, 1, 0, 0, 2, 11, 23}},
      {75, {11, 28, 0, 0, 0, 2, 43, 17}}, {83, {12, 18, 3, 4, 0, 3, 17, 67, 75}},
      {92, {13, 17, 0, 0, 0, 2, 83, 51}}, {100, {14, 19, 0, 0, 0, 2, 92, 59}},
      {108, {15, 24, 0, 0, 0, 1, 100}},   {115, {16, 26, 0, 0, 0, 1, 108}},
      {122, {17, 21, 0, 0, 0, 1, 115}},
  };
  for (const auto& p : places) EXPECT_EQ(place(p.p), p.words) << "place " << p.p;
  EXPECT_EQ(first(ft.PLCTAB.slice(129, PLCSIZ - 128), PLCSIZ - 128), Words(PLCSIZ - 128, 0));

  EXPECT_EQ(first(ft.FDPLST, 3), (Words{1, 59, 0}));
  EXPECT_EQ(first(ft.CSPTAB, 5), (Words{3, 43, 51, 35, 0}));  // the sharing gates first
  EXPECT_EQ(first(ft.PNDLST, 3), (Words{1, 67, 0}));
  EXPECT_EQ(first(ft.SEQLST, 3), (Words{1, 75, 0}));
  EXPECT_EQ(ft.NBASIC, 4);
  EXPECT_EQ(first(ft.BASTYP, 4), (Words{1, 2, 3, 4}));
  EXPECT_EQ(first(ft.BASE, 4), (Words{1, 2, 1, 1}));
  EXPECT_EQ(ft.NSHCSP, 2);
  EXPECT_EQ(ft.NSPSLT, 4);
  // Entries 1 (7: C, D, slots 0..), 2 (8: A, D, slots 2..), 3 (6: A, B),
  // each list in the reverse of that order.
  EXPECT_EQ(parents(1), (Parents{{3, -1}, {2, 2}}));
  EXPECT_EQ(parents(2), (Parents{{3, -1}}));
  EXPECT_EQ(parents(3), (Parents{{1, 0}}));
  EXPECT_EQ(parents(4), (Parents{{2, 2}, {1, 0}}));
  EXPECT_EQ(pool.NXTFRE, 1 + 6 * 3);
}

TEST_F(Build, TreeWithoutColdSparesTakesNothingFromThePool) {
  ft.CSPRNT.fill(5);
  ft.NSPSLT = 9;
  ASSERT_EQ(run("N 1 1 16 3\nN 2 2 22\nA 1 1 2 2\n"), 1);
  EXPECT_EQ(first(ft.PLCTAB, 17), (Words{2, 18, 10, 1, 16, 3, 1, 1, 0, 2, 22, -1, 0, 0, 1, 4, 0}));
  EXPECT_EQ(ft.CSPRNT(1), -1);
  EXPECT_EQ(ft.CSPRNT(2), 5);  // beyond NBASIC
  EXPECT_EQ(ft.NSHCSP, 0);
  EXPECT_EQ(ft.NSPSLT, 0);
  EXPECT_EQ(pool.NXTFRE, 1);
}

TEST_F(Build, SparesShareOnlyAsSpares) {
  // Gates (primary; spares): 3 (A; S) and 4 (A; B) have the same primary,
  // 5 (S) and 7 (B) have no spares, 6 (S; A, B) shares the spare B with 4;
  // 10 has no inputs at all.
  ASSERT_EQ(run("N 1 1 16 1\nN 2 2 16 1\nN 9 9 16 1\n"
                "N 3 3 25\nA 1 1 3 3\nA 9 9 3 3\n"
                "N 4 4 25\nA 1 1 4 4\nA 2 2 4 4\n"
                "N 5 5 25\nA 9 9 5 5\n"
                "N 6 6 25\nA 9 9 6 6\nA 1 1 6 6\nA 2 2 6 6\n"
                "N 7 7 25\nA 2 2 7 7\n"
                "N 8 8 22\n"
                "N 10 10 25\n"),
            1);
  EXPECT_EQ(first(ft.CSPTAB, 8), (Words{6, 30, 45, 22, 38, 54, 67, 0}));
  Words fields;
  for (const int g : {22, 30, 38, 45, 54, 67}) {
    fields.push_back(ft.PLCTAB(g + FSHARE));
    fields.push_back(ft.PLCTAB(g + FSPBAS));
  }
  EXPECT_EQ(fields, (Words{0, -1, 1, 0, 0, -1, 1, 2, 0, -1, 0, -1}));
  EXPECT_EQ(ft.NSHCSP, 2);
  EXPECT_EQ(ft.NSPSLT, 5);
  EXPECT_EQ(parents(1), (Parents{{3, -1}, {2, 2}, {1, 0}}));
  EXPECT_EQ(parents(2), (Parents{{5, -1}, {2, 2}, {1, 0}}));
  EXPECT_EQ(parents(3), (Parents{{4, -1}, {3, -1}, {2, 2}}));
}

TEST_F(Build, StructuralRulesInTheirOrder) {
  const std::string basics = "N 1 1 16 1\nN 2 2 16 1\nN 3 3 16 2*5\n";
  const std::string top = "N 99 99 22\n";
  const auto notBasic = [](const std::string& code, const std::string& rule, int arc, int node) {
    return Lines{" **** PASS3: ERROR " + code + " - " + rule + "; ARC " + std::to_string(arc) +
                 " OF NODE " + std::to_string(node) + " IS NOT A BASIC EVENT"};
  };
  const std::string fdep = "DEPENDENT EVENTS FOR A FUNCTIONAL DEPENDENCY GATE MUST BE BASIC EVENTS";
  const std::string csp = "ALL DESCENDENT EVENTS FOR A COLD SPARE GATE MUST BE BASIC EVENTS";
  const std::string seq =
      "ALL DESCENDENT EVENTS EXCEPT THE LEFTMOST EVENT OF A SEQUENCE GATE MUST BE BASIC EVENTS";
  const Lines f715 = {" **** PASS3:  ERROR F715 - CARDINALITY OF INCOMING ARCS (  4) ****",
                      " ****         FOR   2/  3 GATE DO NOT MATCH N =   3 OF M/N GATE ****"};
  const struct {
    std::string text;
    int status;
    Lines screen;
  } cases[] = {
      // 2*5 counts twice, a gate once.
      {basics + "N 4 4 17\nN 5 5 18 2/3\nA 3 3 5 5\nA 4 4 5 5\n" + top, 1, {}},
      {basics + "N 4 4 16 1\nN 5 5 18 2/3\nA 1 1 5 5\nA 2 2 5 5\nA 4 4 5 5\nA 3 3 5 5\n" + top,
       -1,
       {" **** PASS3:  ERROR F715 - CARDINALITY OF INCOMING ARCS (  5) ****",
        " ****         FOR   2/  3 GATE DO NOT MATCH N =   3 OF M/N GATE ****"}},
      {basics +
           "N 5 5 18 2/3\nA 1 1 5 5\nA 2 2 5 5\nA 9 9 5 5\nA 6 6 5 5\n"
           "N 6 6 17\nN 9 9 16 1\n" +
           top,
       -1, f715},
      {basics +
           "N 5 5 18 1/3\nA 7 7 5 5\nA 8 8 5 5\nN 7 7 16 2147483647*1\n"
           "N 8 8 16 2147483647*1\n" +
           top,
       -1,
       {" **** PASS3:  ERROR F715 - CARDINALITY OF INCOMING ARCS (4294967294) ****",
        " ****         FOR   1/  3 GATE DO NOT MATCH N =   3 OF M/N GATE ****"}},
      {basics + "N 4 4 29\nA 1 1 4 4\nA 5 5 4 4\nN 5 5 17\n" + top, -1,
       notBasic("F716", fdep, 2, 4)},
      {basics + "N 4 4 27\nA 1 1 4 4\nA 2 2 4 4\nA 3 3 4 4\n" + top,
       -1,
       {" **** PASS3: ERROR F718 - PRIORITY-AND GATES MUST HAVE 2 INCOMING ARCS; NODE 4 HAS 3 "
        "ARCS"}},
      {basics + "N 4 4 27\nA 1 1 4 4\n" + top,
       -1,
       {" **** PASS3: ERROR F718 - PRIORITY-AND GATES MUST HAVE 2 INCOMING ARCS; NODE 4 HAS 1 "
        "ARCS"}},
      {basics + "N 5 5 17\nN 4 4 25\nA 1 1 4 4\nA 5 5 4 4\n" + top, -1,
       notBasic("F717", csp, 2, 5)},
      {basics + "N 5 5 17\nN 4 4 28\nA 5 5 4 4\nA 1 1 4 4\nA 5 5 4 4\n" + top, -1,
       notBasic("F721", seq, 3, 5)},
      // The first input that repeats an earlier one, named by node numbers:
      // the basic event at 8 8 is node 6 (basic component 4).
      {basics +
           "N 7 7 17\nN 4 4 25\nA 1 1 4 4\nA 8 8 4 4\nA 2 2 4 4\nA 8 8 4 4\nA 1 1 4 4\n"
           "N 8 8 16 1\n" +
           top,
       -1,
       {" **** PASS3: ERROR F725 - INPUT 4 OF COLD SPARE GATE 5 REPEATS BASIC EVENT 6"}},
      // Other gates may list an input twice.
      {basics + "N 4 4 17\nA 1 1 4 4\nA 1 1 4 4\n" + top, 1, {}},
      // The first rule broken in the order of the checks is reported: the
      // places in file order (M/N, FDEP, PAND), then the cold spares, then
      // the sequences.
      {basics + "N 7 7 17\nN 4 4 25\nA 7 7 4 4\nN 5 5 18 1/1\nA 1 1 5 5\nA 2 2 5 5\n" + top,
       -1,
       {" **** PASS3:  ERROR F715 - CARDINALITY OF INCOMING ARCS (  2) ****",
        " ****         FOR   1/  1 GATE DO NOT MATCH N =   1 OF M/N GATE ****"}},
      {basics + "N 7 7 17\nN 4 4 25\nA 7 7 4 4\nN 5 5 27\nA 1 1 5 5\n" + top,
       -1,
       {" **** PASS3: ERROR F718 - PRIORITY-AND GATES MUST HAVE 2 INCOMING ARCS; NODE 6 HAS 1 "
        "ARCS"}},
      {basics + "N 7 7 17\nN 5 5 28\nA 1 1 5 5\nA 7 7 5 5\nN 4 4 25\nA 7 7 4 4\n" + top, -1,
       notBasic("F717", csp, 1, 6)},
      // The cold spare gates one by one, each for gate inputs before repeats.
      {basics + "N 7 7 17\nN 4 4 25\nA 1 1 4 4\nA 1 1 4 4\nA 7 7 4 4\n" + top, -1,
       notBasic("F717", csp, 3, 5)},
      {basics + "N 7 7 17\nN 4 4 25\nA 1 1 4 4\nA 1 1 4 4\nN 5 5 25\nA 7 7 5 5\n" + top,
       -1,
       {" **** PASS3: ERROR F725 - INPUT 2 OF COLD SPARE GATE 5 REPEATS BASIC EVENT 1"}},
  };
  for (const auto& c : cases) {
    con.clear();
    EXPECT_EQ(run(c.text), c.status) << c.text;
    EXPECT_EQ(con.lines(), c.screen) << c.text;
  }
}

TEST_F(Build, AGateWithoutInputsMayEndTheTable) {
  // 596 places and 5 inputs fill all 3584 words; the last place, a gate
  // without inputs, ends in the table's last word.
  std::string full = "N 1000 1000 22\n";
  for (int i = 1; i <= 5; ++i) full += "A 1 1 1000 1000\n";
  for (int i = 1; i <= 594; ++i) full += "N " + std::to_string(i) + " 1 17\n";
  for (const int type : {29, 28, 25}) {
    ASSERT_EQ(run(full + "N 9 9 " + std::to_string(type) + "\n"), 1) << type;
    EXPECT_EQ(ft.PLCTAB(PLCSIZ - FNARC + FTYPE), type);
    EXPECT_EQ(ft.PLCTAB(HDFREE), PLCSIZ + 2);
    EXPECT_TRUE(con.lines().empty());
  }
}

TEST_F(Build, StopsAtTheFirstPassThatFails) {
  // The conversion messages are switched on by the build itself.
  INIUTL(0, 5, 6, 1);
  EXPECT_EQ(run("N 1 1 16 abc\nN 2 2 22\n"), -1);
  EXPECT_EQ(
      con.lines(),
      (Lines{" ++++ CONVRT: WARNING U100 - CHAR WORD TO BE CONVERTED TO NUMERIC CONTAINS NO DIGITS",
             "              WORD = abc"}));
  con.clear();
  ft.PLCTAB.fill(7);
  EXPECT_EQ(run("N 1 1 16 3\n"), -1);
  EXPECT_EQ(con.lines(), (Lines{" **** PASS1: ERROR F916 - \"SYSTEM-FAILURE\" BOX NOT SPECIFIED, "
                                "FAULT TREE INCOMPLETE ****"}));
  EXPECT_EQ(ft.PLCTAB(1), 7);  // pass 2 has not run
}

TEST_F(Build, PoolExhaustionIsPassedUp) {
  Array1<int> few(5);
  NodePool small{few, heads};
  INIDYN(small, 0, 1, 5, 6);
  dir.write("TREE.FTR", "N 1 1 16 1\nN 2 2 16 1\nN 3 3 25\nA 1 1 3 3\nA 2 2 3 3\nN 4 4 22\n");
  EXPECT_EQ(BLDLST(FILNAM, indlst, ft, small, MAXNOD, MAXBAS), -1);
  EXPECT_EQ(con.lines(),
            (Lines{" **** ALLOC: ERROR U400 - BOUNDS OF MEMORY POOL EXCEEDED",
                   " **** GETNOD:  TRACEBACK - ERROR ENCOUNTERED BY ALLOC() WHEN ALLOCATING NODE",
                   " **** MKPRNT: TRACEBACK - ERROR -1 RETURNED BY GETNOD()"}));
}

}  // namespace
}  // namespace molvex
