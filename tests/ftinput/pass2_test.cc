#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ftinput/bldlst.h"
#include "main/globals.h"
#include "support/console.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;
using Words = std::vector<int>;

const std::string FILNAM = "TREE.FTR            ";

std::string padded(const std::string& text, std::size_t width = 80) {
  return text + std::string(width - text.size(), ' ');
}

Words first(CIntTab table, int n) { return {table.begin(), table.begin() + n}; }

TEST(Lookup, FindsAndStoresByCoordinates) {
  INITDR();
  testing::Console con;
  Array1<int> indlst(12, 0);
  // (1,1) twice: the first entry wins; the fourth entry is not there.
  const Words list = {3, 1, 1, 40, 7, -8, 0, 1, 1, 50, 0, 0};
  std::copy(list.begin(), list.end(), indlst.begin());
  int place = 0;
  int pos = 0;
  EXPECT_EQ(LOOKUP(indlst, 1, 1, place, 0, pos), 1);
  EXPECT_EQ(place, 40);
  EXPECT_EQ(pos, 2);
  place = 60;
  EXPECT_EQ(LOOKUP(indlst, 7, -8, place, 1, pos), 1);
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(indlst(7), 60);
  EXPECT_TRUE(con.lines().empty());

  EXPECT_EQ(LOOKUP(indlst, 8, 7, place, 0, pos), -15);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(LOOKUP(indlst, 1, 1, place, 2, pos), -1);
  EXPECT_EQ(pos, -1);
  // A count beyond the list only covers the entries it holds.
  indlst(1) = 5;
  EXPECT_EQ(LOOKUP(indlst, 0, 0, place, 0, pos), -15);
  EXPECT_EQ(place, 60);
  EXPECT_EQ(
      con.lines(),
      (Lines{" **** LOOKUP: ERROR F714 - PLACE AT (   8,   7) NOT FOUND IN INDEX LIST ****",
             " **** LOOKUP: ERROR F713 - ILLEGAL FUNCT:     2 ****",
             " **** LOOKUP: ERROR F714 - PLACE AT (   0,   0) NOT FOUND IN INDEX LIST ****"}));
}

struct Pass2 : ::testing::Test {
  Pass2() {
    INITDR();
    INIUTL(0, 5, 6, 0);
  }
  // Pass 1 (whose verdict is not the point here), then pass 2 on a clean screen.
  int run(const std::string& text, int nodlim = MAXNOD) {
    dir.write("TREE.FTR", text);
    PASS1(FILNAM, indlst, MAXNOD);
    con.clear();
    return PASS2(FILNAM, indlst, ft, nodlim, MAXBAS);
  }
  static bool closed() {
    std::string record;
    return readRecord(FTRUNT, record) == -1;
  }

  testing::Console con;
  testing::ScratchDir dir;
  Array1<int> indlst{2000};
  FaultTree ft;
};

TEST_F(Pass2, BuildsPlacesWithInputsAsIndexPositions) {
  ft.PLCTAB.fill(7);
  ft.CSPTAB.fill(7);
  ft.NBASIC = 9;
  const std::string text =
      "N 1 1 22\n"
      "A 2 2 1 1\n"  // the source comes later in the file
      "N 2 2 18 2/3\n"
      "A 3 3 2 2\n"
      "A 3 3 0 0\n"  // ignored
      "X 1 2 3\n"
      "A 4 4 2 2 more\n"
      "N 3 3 16 2*5\n"
      "N 4 4 16 7.9\n";
  ASSERT_EQ(run(text), 1);
  EXPECT_TRUE(con.lines().empty());
  EXPECT_TRUE(closed());
  EXPECT_EQ(first(ft.PLCTAB, 32), (Words{4, 0,  4,                   // header
                                         1, 22, -1, 0, 0, 1, 5,      // box at 4
                                         2, 18, 2,  3, 0, 2, 8, 11,  // 2/3 at 11
                                         3, 16, 5,  2, 1, 0,         // 2*5 at 19
                                         4, 16, 7,  1, 2, 0,         // 7 at 25
                                         0, 0}));
  EXPECT_EQ(first(indlst, 13), (Words{4, 1, 1, 4, 2, 2, 11, 3, 3, 19, 4, 4, 25}));
  EXPECT_EQ(ft.NBASIC, 2);  // events, not components
  EXPECT_EQ(first(ft.BASTYP, 2), (Words{5, 7}));
  EXPECT_EQ(first(ft.BASE, 2), (Words{2, 1}));
  EXPECT_EQ(first(ft.CSPTAB, GATSIZ), Words(GATSIZ, 0));
}

TEST_F(Pass2, ListsTheDynamicGatesOfEachKind) {
  const std::string text =
      "N 1 1 27\nN 2 2 25\nN 3 3 29\nN 4 4 27\nN 5 5 28\nN 6 6 25\nN 7 7 22\n"
      "N 8 8 17\nN 9 9 19\nN 10 10 21 BOXNAME\nN 11 11 24\nN 12 12 26\n";
  ASSERT_EQ(run(text), 1);
  EXPECT_EQ(first(ft.PNDLST, 4), (Words{2, 4, 22, 0}));
  EXPECT_EQ(first(ft.CSPTAB, 4), (Words{2, 10, 34, 0}));
  EXPECT_EQ(first(ft.FDPLST, 3), (Words{1, 16, 0}));
  EXPECT_EQ(first(ft.SEQLST, 3), (Words{1, 28, 0}));
  EXPECT_EQ(ft.PLCTAB(4 + FPAND), 1);
  EXPECT_EQ(ft.PLCTAB(22 + FPAND), 2);
  EXPECT_EQ(ft.PLCTAB(HDROOT), 40);
  EXPECT_EQ(ft.PLCTAB(HDNPLC), 12);
  EXPECT_EQ(ft.PLCTAB(58 + FTYPE), 21);
}

TEST_F(Pass2, RejectsLinesItCannotBuild) {
  const auto parse = [](const std::string& line) {
    return Lines{" **** PASS2: ERROR F712 - ERROR PARSING NEXT WORD FROM INPUT LINE: ****",
                 " " + padded(line)};
  };
  const auto mofn = [](const std::string& label) {
    return Lines{" **** PASS2: ERROR F706 - ILLEGAL FORM FOR M/N GATE LABEL: " + padded(label, 20) +
                 " ****"};
  };
  const auto basic = [](const std::string& label) {
    return Lines{" **** PASS2: ERROR F724 - ILLEGAL BASIC EVENT LABEL: " + padded(label, 20) +
                 " ****"};
  };
  const std::string f722 = " **** PASS2: ERROR F722 - ARC LINE BEFORE THE FIRST NODE LINE ****";
  const struct {
    std::string text;
    Lines screen;
  } cases[] = {
      {"N 1 1 22\nAB 1\n",
       {" **** PASS2: ERROR F705 - UNEXPECTED INPUT ITEM: FIRST ITEM TOO LONG ",
        " " + std::string(25, ' ') + "ON THE FOLLOWING INPUT LINE:", " " + padded("AB 1")}},
      {"N 1 1 22\n\n", parse("")},
      {"N 1 1 22\nN 2 2 16\n", parse("N 2 2 16")},
      {"N 1 1 22\nN 2 2 21\n", parse("N 2 2 21")},
      {"N 1 1 22\nA 2 2 1\n", parse("A 2 2 1")},
      {"N 1 1 18 23\n", mofn("23")},
      {"N 1 1 18 0/3\n", mofn("0/3")},
      {"N 1 1 18 2/0\n", mofn("2/0")},
      {"N 1 1 18 234\n",
       {" **** OPRNDS: ERROR U803 - OPERATOR \"/\" NOT FOUND IN WORD (234 ) ****"}},
      {"N 1 1 18 2/\n", mofn("2/")},
      {"N 1 1 18 22/\n",
       {" **** OPRNDS: ERROR U804 - ILLEGAL FORM FOR BINARY OPERATOR EXPRESSION: \"22/ \""}},
      {"N 1 1 22\nN 2 2 16 0*3\n", basic("0*3")},
      {"N 1 1 22\nN 2 2 16 2*0\n", basic("2*0")},
      {"N 1 1 22\nN 2 2 16 -1\n", basic("-1")},
      {"N 1 1 22\nN 2 2 16 abc\n",
       {" ++++ CONVRT: WARNING U100 - CHAR WORD TO BE CONVERTED TO NUMERIC CONTAINS NO DIGITS",
        "              WORD = abc"}},
      {"N 1 1 22\nN 2 2 20\n",
       {" **** PASS2: ERROR F708 - ILLEGAL FAULT TREE NODE TYPE:    20 ****"}},
      {"N 1 1 22\nN 2 2 30\n",
       {" **** PASS2: ERROR F708 - ILLEGAL FAULT TREE NODE TYPE:    30 ****"}},
      {"N 1 1 22\nA 9 -9 1 1\n",
       {" **** LOOKUP: ERROR F714 - PLACE AT (   9,  -9) NOT FOUND IN INDEX LIST ****",
        " **** PASS2: ERROR F709 - LOOKUP IN INDEX LIST FAILED FOR ITEM AT LOCATION (   1,   1) "
        "****"}},
      {"N 2 2 16 1\nN 1 1 22\nA 2 2 2 2\n",
       {" **** PASS2: ERROR F710 - DEST COORD MISMATCH FOR INCOMING ARC ****"}},
      {"A 1 1 2 2\nN 2 2 22\n", {f722, " " + padded("A 1 1 2 2")}},
      {"A 1 1 0 0\nN 2 2 22\n", {f722, " " + padded("A 1 1 0 0")}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.text), -1) << c.text;
    EXPECT_EQ(con.lines(), c.screen) << c.text;
    EXPECT_TRUE(closed()) << c.text;
  }
}

TEST_F(Pass2, LimitsAreCheckedBeforeTheyArePassed) {
  std::string basics = "N 0 0 22\n";
  for (int i = 1; i <= 97; ++i) basics += "N " + std::to_string(i) + " 1 16 2*1\n";
  EXPECT_EQ(run(basics), -1);
  EXPECT_EQ(
      con.lines(),
      Lines{" **** PASS2: ERROR F707 - TOO MANY BASIC COMPONENTS (LEAVES) IN FAULT TREE ****"});
  EXPECT_EQ(ft.NBASIC, 97);

  const std::string overflow =
      " **** PASS2: ERROR F704 - PLACE TABLE OVERFLOW, TOO MANY FT NODES FOR CURRENT TABLE SIZE";
  std::string nodes = "N 0 0 22\n";
  for (int i = 1; i < 595; ++i) nodes += "N " + std::to_string(i) + " 1 17\n";
  // 596 places of 6 words fill 3579 words; the 597th does not fit.
  EXPECT_EQ(run(nodes + "N 9 9 17\n"), 1);
  EXPECT_EQ(run(nodes + "N 9 9 17\nN 9 8 17\n"), -1);
  EXPECT_EQ(con.lines(), Lines{overflow});
  // Nor does a sixth input of the last place.
  const std::string arcs = nodes + "N 9 9 17\n" + "A 1 1 9 9\n" + "A 2 1 9 9\n" + "A 3 1 9 9\n" +
                           "A 4 1 9 9\n" + "A 5 1 9 9\n";
  EXPECT_EQ(run(arcs), 1);
  EXPECT_EQ(ft.PLCTAB(PLCSIZ), ftr::entryPos(6));  // the source (5,1)
  EXPECT_EQ(run(arcs + "A 6 1 9 9\n"), -1);
  EXPECT_EQ(con.lines(), Lines{overflow});
}

TEST_F(Pass2, GateListsHoldTheirSizeAndNoMore) {
  const struct {
    int type;
    const char* kind;
  } kinds[] = {{29, "FDEP"}, {25, "CSP"}, {27, "PAND"}, {28, "SEQ"}};
  for (const auto& k : kinds) {
    std::string text = "N 0 0 22\n";
    for (int i = 1; i <= 3; ++i)
      text += "N " + std::to_string(i) + " 1 " + std::to_string(k.type) + "\n";
    EXPECT_EQ(run(text, 2), -1);
    EXPECT_EQ(con.lines(), Lines{" **** PASS2: ERROR F723 - TOO MANY " + std::string(k.kind) +
                                 " GATES, MAX NO. = 2 ****"});
  }
  std::string csp = "N 0 0 22\n";
  for (int i = 1; i <= 257; ++i) csp += "N " + std::to_string(i) + " 1 25\n";
  EXPECT_EQ(run(csp), -1);
  EXPECT_EQ(con.lines(), Lines{" **** PASS2: ERROR F723 - TOO MANY CSP GATES, MAX NO. = 256 ****"});
  EXPECT_EQ(ft.CSPTAB(1), 256);
}

TEST_F(Pass2, FileMustOpen) {
  std::filesystem::create_directory("DIR.FTR");
  EXPECT_EQ(PASS2("DIR.FTR             ", indlst, ft, MAXNOD, MAXBAS), -1);
  EXPECT_EQ(con.lines(),
            Lines{" **** PASS2: ERROR F711 - ERROR OPENING INPUT FILE DIR.FTR              ****"});
}

}  // namespace
}  // namespace molvex
