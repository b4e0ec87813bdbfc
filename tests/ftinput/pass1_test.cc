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

const std::string FILNAM = "TREE.FTR            ";  // 20 characters, as the caller names it

std::string padded(const std::string& text, std::size_t width = 80) {
  return text + std::string(width - text.size(), ' ');
}

struct Pass1 : ::testing::Test {
  Pass1() {
    INITDR();
    INIUTL(0, 5, 6, 0);
  }
  int run(const std::string& text, IntTab list, int nodlim = MAXNOD) {
    dir.write("TREE.FTR", text);
    return PASS1(FILNAM, list, nodlim);
  }
  int run(const std::string& text) { return run(text, indlst); }
  // The index list from word 1 on.
  std::vector<int> words(int n) const { return {indlst.begin(), indlst.begin() + n}; }
  // Whether the file has been closed.
  static bool closed() {
    std::string record;
    return readRecord(FTRUNT, record) == -1;
  }

  testing::Console con;
  testing::ScratchDir dir;
  Array1<int> indlst{1000, 99};
};

TEST_F(Pass1, ListsTheNodeLinesInFileOrder) {
  const std::string text =
      "C a comment line\n"
      "N 1 2 16 3 with words behind\n"
      "A 1 2 5 5\n"
      "n 9 9 22\n"  // kinds are compared exactly
      "N 5 5 19\r\n"
      "N -3 7 22\n";
  // Only the first entry's words are cleared; the others write their place
  // words themselves, and nothing after the last entry is touched.
  EXPECT_EQ(run(text, indlst, 1), 1);
  EXPECT_EQ(words(11), (std::vector<int>{3, 1, 2, 0, 5, 5, 0, -3, 7, 0, 99}));
  EXPECT_TRUE(con.lines().empty());
  EXPECT_TRUE(closed());
}

TEST_F(Pass1, OnlyTheFirst80ColumnsAreScanned) {
  // The type ends in column 80; read whole it would be 229.
  const std::string cut = padded("N 1 1", 78) + "229 and more";
  EXPECT_EQ(run(cut + "\nC " + std::string(150, 'x') + "\n"), 1);
  EXPECT_TRUE(con.lines().empty());
}

TEST_F(Pass1, RejectsWhatItCannotIndex) {
  const auto parse = [](const std::string& line) {
    return Lines{" **** PASS1: ERROR F703 - ERROR PARSING NEXT WORD FROM INPUT LINE: ****",
                 " " + padded(line)};
  };
  const std::string f916 =
      " **** PASS1: ERROR F916 - \"SYSTEM-FAILURE\" BOX NOT SPECIFIED, FAULT TREE INCOMPLETE ****";
  const struct {
    std::string text;
    Lines screen;
  } cases[] = {
      {"N 1 1 16 3\nN 2 2 19\nA 1 1 2 2\n", {f916}},
      {"C comment\nNODE 1 1 16\nN 2 2 22\n",
       {" **** PASS1: ERROR F701 - UNEXPECTED INPUT ITEM: FIRST ITEM TOO LONG ",
        " " + std::string(25, ' ') + "ON THE FOLLOWING INPUT LINE:", " " + padded("NODE 1 1 16")}},
      {"N 1 1 22\n\nN 2 2 16 3\n", parse("")},
      {"N 1 1 22\n   \n", parse("")},
      {"N 1 1 22\nN 5 7\n", parse("N 5 7")},
      {"N 1 1 22\nN 5\n", parse("N 5")},
      {"N x 1 22\n",
       {" *** NXTWRD: ERROR U801 - ERROR PARSING NUMERIC VALUE (x) IN LINE: ***",
        "    " + padded("N x 1 22"), parse("N x 1 22")[0], parse("N x 1 22")[1]}},
      {"N 1 1 16 3\nN 2 2 22\nN 1 1 19\n",
       {" **** PASS1: ERROR F719 - TWO NODES AT THE SAME COORDINATES (   1,   1) ****"}},
      {"N 1 1 22\nN -20 300 22\n",
       {" **** PASS1: ERROR F720 - MORE THAN ONE \"SYSTEM-FAILURE\" BOX SPECIFIED ****"}},
  };
  for (const auto& c : cases) {
    con.clear();
    EXPECT_EQ(run(c.text), -1) << c.text;
    EXPECT_EQ(con.lines(), c.screen) << c.text;
    EXPECT_TRUE(closed()) << c.text;
  }
}

TEST_F(Pass1, ALongFileFindsTheDuplicateAtItsEnd) {
  // Far more nodes than a place table holds: a search of the list per node
  // line would take minutes here.
  const int n = 150000;
  std::string text = "N 0 0 22\n";
  for (int i = 1; i < n; ++i) text += "N " + std::to_string(i) + " -7 17\n";
  Array1<int> big(3 * n + 1);
  EXPECT_EQ(run(text + "N 1 -7 17\n", big), -1);
  EXPECT_EQ(con.lines(),
            Lines{" **** PASS1: ERROR F719 - TWO NODES AT THE SAME COORDINATES (   1,  -7) ****"});
  EXPECT_EQ(big(1), n);
}

TEST_F(Pass1, FileMustExistAndOpen) {
  EXPECT_EQ(PASS1(FILNAM, indlst, MAXNOD), -1);
  std::filesystem::create_directory("DIR.FTR");
  EXPECT_EQ(PASS1("DIR.FTR             ", indlst, MAXNOD), -1);
  EXPECT_EQ(
      con.lines(),
      (Lines{" **** PASS1: ERROR F700 - FAULT TREE DESCRIPTION FILE (TREE.FTR            ) "
             "NOT FOUND ****",
             " **** PASS1: ERROR F702 - ERROR OPENING INPUT FILE DIR.FTR              ****"}));
}

TEST_F(Pass1, UnreadableFileIsAnErrorNotAnEmptyTree) {
  EXPECT_EQ(PASS1("/proc/self/mem      ", indlst, MAXNOD), -1);
  EXPECT_EQ(con.lines(),
            (Lines{" **** GETLIN: ERROR U501 - ERROR ENCOUNTERED READING INPUT LINE FROM FILE",
                   " **** PASS1: TRACEBACK - ERROR -1 RETURNED BY GETLIN()"}));
}

TEST_F(Pass1, EntriesMustFitTheIndexList) {
  const std::string overflow =
      " **** PASS1: ERROR F704 - INDEX LIST OVERFLOW, TOO MANY FT NODES ****";
  const std::string tree = "N 1 1 22\nN 2 2 16 1\nN 3 3 16 2\n";
  for (const int size : {7, 9}) {  // two entries, and all but the last place word of three
    con.clear();
    EXPECT_EQ(run(tree, indlst.slice(1, size)), -1) << size;
    EXPECT_EQ(con.lines(), Lines{overflow}) << size;
    EXPECT_EQ(indlst(1), 2);
    EXPECT_EQ(indlst(size + 1), 99) << size;
  }
  con.clear();
  EXPECT_EQ(run(tree, indlst.slice(1, 10)), 1);
  EXPECT_TRUE(con.lines().empty());
}

}  // namespace
}  // namespace molvex
