#include "dict/dict.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "main/globals.h"
#include "support/console.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;

std::string padded(const std::string& text, std::size_t width) {
  return text + std::string(width - text.size(), ' ');
}

// Entries first .. last, each a header and a one-line body.
std::string entries(int first, int last) {
  std::string text;
  for (int t = first; t <= last; ++t) {
    text += std::to_string(t) + " RATE LAM" + std::to_string(t) + "\n  body of the entry\n";
  }
  return text;
}

// A header place without three words, the last column passed.
const std::string f603 =
    " **** RDDICT: ERROR F603 - UNEXPECTED EOL ENCOUNTERED WHILE PARSING NEXT ITEM FROM "
    "INPUT LINE, OFFSET =  81 ****";

struct Dictionary : ::testing::Test {
  Dictionary() { INITDR(); INIUTL(0, 5, 6, 0); }
  testing::Console con;
  testing::ScratchDir dir;
  Array1<std::string> TYPNAM{96};
  Array1<int> FAILST{96};
  Array1<int> TRNCST{96};
  int NTYPES = -1;

  int read(const std::string& content) {
    dir.write("M.DIC", content);
    return RDDICT("M.DIC", NTYPES, TYPNAM, 96);
  }
  int write(const std::string& content, int ntrunc) {
    dir.write("M.DIC", content);
    return WRTDCT("M.DIC               ", 2, FAILST, TRNCST, ntrunc);
  }
};

TEST_F(Dictionary, ReadsTheTypesUpToFeids) {
  const std::string u900 =
      " **** SKPICT: ERROR U900 - UNEXPECTED END-OF-FILE ENCOUNTERED WHILE READING DICTIONARY FILE";
  const std::string f605 = " **** RDDICT: ERROR F605 - COMPONENT ENTRIES OUT OF ORDER IN DICTIONARY: ****";
  const std::string tooLong = std::string(81, 'x');
  const struct {
    std::string content;
    int status;
    int ntypes;
    Lines screen;
  } cases[] = {
      {"", 1, 0, {}},
      {" FEIDS\n 3 4 \n", 1, 0, {}},
      {entries(1, 2) + "  FEIDS\n 1 2 \n TAIDS\n 3 4\n", 1, 2, {}},
      // Blank lines and lines ending in a comma belong to the body.
      {"1 X LAM1\n first,\n\n   \n second ,  \n end\n2 Y LAM2 MORE WORDS\n b\n", 1, 2, {}},
      // A body may mention FEIDS; only a header place ends the reading.
      {"1 X LAM1\n see FEIDS\n2 Y LAM2\n b\n", 1, 2, {}},
      {entries(1, 2) + "4 Z LAM4\n b\n", -1, 2, {f605, " " + padded("4 Z LAM4", 100)}},
      {"0 Z LAM0\n b\n", -1, 0, {f605, " " + padded("0 Z LAM0", 100)}},
      {entries(1, 96) + "97 Z LAM97\n b\n", -1, 96,
       {" **** RDDICT: ERROR F601 - DICTIONARY OVERFLOW, MAX NUMBER OF COMPONENT TYPES =  96 ****"}},
      {"1 X\n b\n", -1, 1, {f603}},
      {"\n1 X LAM1\n b\n", -1, 0, {f603}},
      {"1 X LAM1\n b\n\n2 Y LAM2\n b\n", -1, 1, {f603}},
      {"  A X LAM1\n b\n", -1, 0,
       {" *** NXTWRD: ERROR U801 - ERROR PARSING NUMERIC VALUE (A) IN LINE: ***",
        "    " + padded("  A X LAM1", 100),
        " **** RDDICT: ERROR F604 - ERROR ENCOUNTERED WHILE PARSING NEXT ITEM FROM INPUT LINE, "
        "OFFSET =   3 ****"}},
      {entries(1, 1) + "2 Y LAM2\n", -1, 2,
       {u900, " **** RDDICT: TRACEBACK - ERROR RETURNED BY SKPICT() ****"}},
      {entries(1, 1) + tooLong + "\n", -1, 1,
       {" **** GETLIN: ERROR U500 - INPUT LINE TOO LONG, MUST BE <= 80 CHAR'S ****",
        " **** GETLIN:  DISPLAY OF INVALID LINE: " + padded(tooLong, 100),
        " **** RDDICT: TRACEBACK - ERROR RETURNED BY GETLIN() ****"}},
  };
  for (const auto& c : cases) {
    con.clear();
    TYPNAM.fill("stale");
    EXPECT_EQ(read(c.content), c.status) << c.content;
    EXPECT_EQ(NTYPES, c.ntypes) << c.content;
    EXPECT_EQ(con.lines(), c.screen) << c.content;
    for (int t = NTYPES + 1; t <= 96; ++t) EXPECT_EQ(TYPNAM(t), std::string(15, ' '));
  }
}

TEST_F(Dictionary, LongNamesAreCutTo15Characters) {
  EXPECT_EQ(read("1 X ABCDEFGHIJKLMNO\n b\n2 X ABCDEFGHIJKLMNOPQR\n b\n3 X ABCDEFGHIJKLMN MORE\n b\n"),
            1);
  EXPECT_EQ(NTYPES, 3);
  EXPECT_EQ(TYPNAM(1), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(TYPNAM(2), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(TYPNAM(3), "ABCDEFGHIJKLMN ");
  const std::string cut = " " + std::string(28, ' ') + "TOO LONG - TRUNCATED TO  15 CHARACTERS ++++";
  EXPECT_EQ(con.lines(),
            (Lines{" ++++ RDDICT: WARNING F100 - FAILURE RATE VARIABLE, ABCDEFGHIJKLMNO     ", cut,
                   " ++++ RDDICT: WARNING F100 - FAILURE RATE VARIABLE, ABCDEFGHIJKLMNOPQR  ", cut}));
}

TEST_F(Dictionary, TheFeidsSectionIsAppendedOrReplaced) {
  FAILST(1) = 7;
  FAILST(2) = 12;
  TRNCST(1) = 8;
  TRNCST(2) = 13;
  const std::string head = "1 X LAM1   \n body,\n\n end  \n2 Y LAM2\n b\n";
  const struct {
    std::string before;
    int ntrunc;
    std::string after;
  } cases[] = {
      {"", 0, " FEIDS\n 7 12 \n"},
      {head, 0, head + " FEIDS\n 7 12 \n"},
      {head, 3, head + " FEIDS\n 7 12 \n TAIDS\n 8 13 \n"},
      {head + "  FEIDS  \n 1 2 \n TAIDS\n 3 4 \n", 0, head + "  FEIDS  \n 7 12 \n"},
      {head + " FEIDS\n", 1, head + " FEIDS\n 7 12 \n TAIDS\n 8 13 \n"},
      // A body line with the letters does not cut away the entries after it.
      {"1 X LAM1\n FEIDS in a body\n2 Y LAM2\n b\n", 0,
       "1 X LAM1\n FEIDS in a body\n2 Y LAM2\n b\n FEIDS\n 7 12 \n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(write(c.before, c.ntrunc), 1) << c.before;
    EXPECT_EQ(dir.read("M.DIC"), c.after) << c.before;
  }
  EXPECT_FALSE(std::filesystem::exists("M.DIC.NEW"));
  EXPECT_TRUE(con.lines().empty());
  EXPECT_EQ(RDDICT("M.DIC", NTYPES, TYPNAM, 96), 1);
  EXPECT_EQ(NTYPES, 2);
}

// A carriage return that is part of a line (reading drops only the one
// before the line end) is kept, so the entries read back as they were.
TEST_F(Dictionary, ARewrittenDictionaryReadsAsItDidBefore) {
  FAILST(1) = 7;
  FAILST(2) = 12;
  // The body line of type 1 ends in the carriage return, not in its comma.
  const std::string entries = "1 X LAM1\r\r\n BODY,\r\r\n2 Y LAM2\r\n B\n";
  EXPECT_EQ(read(entries), 1);
  EXPECT_EQ(NTYPES, 2);
  EXPECT_EQ(TYPNAM(1), "LAM1\r          ");
  EXPECT_EQ(write(entries, 0), 1);
  EXPECT_EQ(dir.read("M.DIC"), "1 X LAM1\r\r\n BODY,\r\r\n2 Y LAM2\n B\n FEIDS\n 7 12 \n");
  EXPECT_EQ(RDDICT("M.DIC", NTYPES, TYPNAM, 96), 1);
  EXPECT_EQ(NTYPES, 2);
  EXPECT_EQ(TYPNAM(1), "LAM1\r          ");
  EXPECT_EQ(TYPNAM(2), "LAM2           ");
  EXPECT_TRUE(con.lines().empty());
}

TEST_F(Dictionary, AFailedRewriteLeavesTheDictionaryAsItWas) {
  const std::string old = entries(1, 2) + " FEIDS\n 1 2 \n";
  std::filesystem::create_directory("M.DIC.NEW");
  EXPECT_EQ(write(old, 0), -1);
  EXPECT_EQ(dir.read("M.DIC"), old);
  EXPECT_EQ(WRTDCT("N.DIC", 2, FAILST, TRNCST, 0), -1);
  EXPECT_EQ(RDDICT("N.DIC", NTYPES, TYPNAM, 96), -1);
  // A dictionary that ends inside an entry is not rewritten either.
  const std::string cut = entries(1, 1) + "2 Y LAM2\n";
  std::filesystem::remove("M.DIC.NEW");
  EXPECT_EQ(write(cut, 0), -1);
  EXPECT_EQ(dir.read("M.DIC"), cut);
  EXPECT_EQ(con.lines(),
            (Lines{" **** WRTDCT: ERROR F606 - ERROR WRITING DICTIONARY FILE ****",
                   " **** WRTDCT: ERROR F600 - DICTIONARY FILE NOT FOUND ****",
                   " **** RDDICT: ERROR F600 - DICTIONARY FILE NOT FOUND ****",
                   " **** SKPICT: ERROR U900 - UNEXPECTED END-OF-FILE ENCOUNTERED WHILE READING "
                   "DICTIONARY FILE",
                   " **** WRTDCT: TRACEBACK - ERROR RETURNED BY SKPICT() ****"}));
}

}  // namespace
}  // namespace molvex
