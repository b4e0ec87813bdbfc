#include "util/lineio.h"

#include <gtest/gtest.h>

#include <climits>

#include "main/globals.h"
#include "support/console.h"
#include "util/convrt.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;

// Messages and the trace on the screen; the trace is switched on per test.
struct LineInput : ::testing::Test {
  LineInput() { INITDR(); INIUTL(0, 5, 6, 0); }
  ~LineInput() override { INIUTL(0, 5, 6, 0); }
  testing::Console con;
};

std::string padded(const std::string& text, std::size_t width) {
  return text + std::string(width - text.size(), ' ');
}

TEST_F(LineInput, OnlyColumns81To100MustBeBlank) {
  testing::ScratchDir dir;
  const std::string col81 = std::string(80, 'a') + "b";
  const std::string col100 = std::string(99, ' ') + "c";
  dir.write("T.TXT", std::string(80, 'a') + "\n" + col81 + "\r\n" + col100 + "\n" +
                         std::string(100, ' ') + "d\n\n   \nlast");
  ASSERT_EQ(openInput(TXTUNT, "T.TXT"), 1);
  const std::string u500 = " **** GETLIN: ERROR U500 - INPUT LINE TOO LONG, MUST BE <= 80 CHAR'S ****";
  const std::string show = " **** GETLIN:  DISPLAY OF INVALID LINE: ";
  const struct {
    int status;
    std::string line;
    Lines screen;
  } reads[] = {
      {1, std::string(80, 'a'), {}},
      {-1, col81, {u500, show + padded(col81, 100)}},
      {-1, col100, {u500, show + col100}},
      {1, "", {}},  // column 101 is dropped
      {1, "", {}},
      {1, "", {}},
      {1, "last", {}},
      {-11, "", {}},
  };
  for (const auto& r : reads) {
    con.clear();
    std::string line(100, 'x');
    EXPECT_EQ(GETLIN(line, 80, 100, TXTUNT), r.status) << r.line;
    EXPECT_EQ(line, padded(r.line, 100));
    EXPECT_EQ(con.lines(), r.screen) << r.line;
  }
  closeUnit(TXTUNT);
}

TEST(LineBuffer, ReadsStayInsideTheBuffer) {
  INITDR();
  testing::Console keyboard("abcdefghijklmno\n");
  std::string line(10, ' ');
  EXPECT_EQ(GETLIN(line, 80, 100, KBDUNT), 1);
  EXPECT_EQ(line, "abcdefghij");
  EXPECT_EQ(GETLIN(line, 5, 100, KBDUNT), -11);
  EXPECT_EQ(line, std::string(10, ' '));
  EXPECT_EQ(GETLIN(line, 80, 100, 40), -1);  // a unit with no file
  EXPECT_EQ(keyboard.lines(),
            Lines{" **** GETLIN: ERROR U501 - ERROR ENCOUNTERED READING INPUT LINE FROM FILE"});
}

// One NXTWRD call on a line, with the results it gives back.
struct Scan {
  std::string line;
  int start = 1;
  int last = 80;
  char type = 'N';
  int len = -5;
  std::string word = std::string(20, '#');
  int ival = 0;
  double dval = 0.0;

  int next(char mode) {
    type = mode;
    return NXTWRD(line, start, last, type, len, word, ival, dval);
  }
};

TEST_F(LineInput, WordsAreTakenByMode) {
  const std::string nodig =
      " ++++ CONVRT: WARNING U100 - CHAR WORD TO BE CONVERTED TO NUMERIC CONTAINS NO DIGITS";
  const auto u801 = [](const std::string& word) {
    return Lines{" *** NXTWRD: ERROR U801 - ERROR PARSING NUMERIC VALUE (" + word + ") IN LINE: ***",
                 "      " + padded(word, 78)};
  };
  const struct {
    std::string word;
    char mode;
    int status;
    char type;  // on return
    int ival;
    double dval;
    Lines lines;
  } cases[] = {
      {"-5", 'N', 1, 'N', -5, -5.0, {}},
      {"1D3", 'n', 1, 'n', 1000, 1000.0, {}},
      {"2.7", 'N', 1, 'N', 2, 2.7, {}},
      {"-2.7", 'u', 1, 'N', -2, -2.7, {}},
      {".", 'N', 1, 'N', 0, 0.0, {}},
      {"12", 'C', 1, 'C', -1, -1.0, {}},
      {"+5", 'U', 1, 'C', -1, -1.0, {}},
      {"+5", 'N', -1, 'N', -1, -1.0, u801("+5")},
      {"1\t2", 'N', -1, 'N', -1, -1.0, u801("1\t2")},
      {"E", 'U', -1, 'U', -1, -1.0, {nodig, "              WORD = E"}},
      {"DEED", 'U', -1, 'U', -1, -1.0, {nodig, "              WORD = DEED"}},
      {"1E", 'N', -1, 'N', -1, -1.0, {" ++++ CONVRT: WARNING U101 - EXPONENT CONTAINS NO DIGITS --->"}},
      {"12", 'X', -1, 'X', -1, -1.0, {" NXTWRD: **** ERROR U802 - ILLEGAL FUNCTION ---> X ****"}},
  };
  for (const auto& c : cases) {
    con.clear();
    Scan s{padded("  " + c.word, 80)};
    EXPECT_EQ(s.next(c.mode), c.status) << c.word;
    EXPECT_EQ(s.type, c.type) << c.word;
    EXPECT_EQ(s.ival, c.ival) << c.word;
    EXPECT_EQ(s.dval, c.dval) << c.word;
    EXPECT_EQ(s.len, static_cast<int>(c.word.size())) << c.word;
    EXPECT_EQ(s.word, padded(c.word, 20)) << c.word;
    // An error leaves the word to be read again.
    EXPECT_EQ(s.start, c.status == 1 ? 3 + s.len : 3) << c.word;
    EXPECT_EQ(con.lines(), c.lines) << c.word;
  }
}

TEST_F(LineInput, TheLineEndsAtLast) {
  Scan s{std::string(77, ' ') + "XYZQ" + std::string(19, ' ')};
  EXPECT_EQ(s.next('C'), 1);
  EXPECT_EQ(s.word, padded("XYZ", 20));
  EXPECT_EQ(s.start, 81);
  EXPECT_EQ(s.next('X'), -10);  // no word, so no complaint about the mode
  EXPECT_EQ(s.start, 81);
  EXPECT_EQ(s.len, 0);
  s.start = 85;
  EXPECT_EQ(s.next('N'), -10);
  EXPECT_EQ(s.start, 85);

  Scan blank{std::string(100, ' ')};
  EXPECT_EQ(blank.next('C'), -10);
  EXPECT_EQ(blank.start, 81);

  Scan shortLine{"  7"};  // LAST beyond the text
  EXPECT_EQ(shortLine.next('N'), 1);
  EXPECT_EQ(shortLine.ival, 7);
  EXPECT_EQ(shortLine.next('N'), -10);
  EXPECT_EQ(shortLine.start, 4);
  EXPECT_TRUE(con.lines().empty());
}

TEST_F(LineInput, LongWordsKeep20CharactersAndConvertFromAll) {
  const std::string digits = "1234567890123456789012345";
  Scan s{" " + digits + " TAIL"};
  EXPECT_EQ(s.next('N'), 1);
  EXPECT_EQ(s.len, 25);
  EXPECT_EQ(s.word, digits.substr(0, 20));
  EXPECT_EQ(s.dval, 1234567890123456789012345.0);
  EXPECT_EQ(s.ival, INT_MAX);
}

TEST_F(LineInput, TraceShowsEveryScan) {
  INIUTL(1, 5, 6, 0);
  Scan s{"  AB"};
  EXPECT_EQ(s.next('C'), 1);
  EXPECT_EQ(s.next('C'), -10);
  EXPECT_EQ(con.lines(), (Lines{" NXTWRD: START = 1; OFFSET = 3", " NXTWRD: LEN = 2",
                                " NXTWRD: WORD = AB", " NXTWRD: START = 5; OFFSET = 5",
                                " NXTWRD: LEN = 0", " NXTWRD: WORD = "}));
}

TEST(Words, FndwrdEndsAtTheBlankAfterTheWord) {
  const struct {
    std::string str;
    int first, last;        // in
    int wordFirst, wordLast;  // out
  } cases[] = {
      {"  AB CD", 1, 7, 3, 5}, {"  AB", 1, 4, 3, 4},   {"  AB CD", 5, 7, 6, 7},
      {"    ", 2, 4, 2, 2},    {"ABCD", 2, 3, 2, 3}, {"AB", 1, 10, 1, 2},
      {"AB", 0, 2, 1, 2},
  };
  for (const auto& c : cases) {
    int first = c.first, last = c.last;
    FNDWRD(c.str, first, last);
    EXPECT_EQ(std::vector<int>({first, last}), std::vector<int>({c.wordFirst, c.wordLast}))
        << c.str << " " << c.first << ".." << c.last;
  }
}

TEST(Words, CharactersAreTranslatedInPairOrder) {
  std::string str = "a:b,c";
  TRNCHR(str, 80, ":,", 2, "  ");
  EXPECT_EQ(str, "a b c");
  str = "abab";
  TRNCHR(str, 3, "ab", 2, "bc");  // a -> b -> c; the fourth column is outside N
  EXPECT_EQ(str, "cccb");
  TRNCHR(str, 4, "cb", 5, "x");  // only the pairs both texts hold
  EXPECT_EQ(str, "xxxb");
  str = "yes, No 1z";
  UPCASE(str, 9);
  EXPECT_EQ(str, "YES, NO 1z");
  UPCASE(str, 100);
  EXPECT_EQ(str, "YES, NO 1Z");
}

TEST(Words, AbsoluteValueHasNoOverflow) {
  EXPECT_EQ(std::vector<int>({IABSV(5), IABSV(-5), IABSV(0), IABSV(INT_MAX), IABSV(INT_MIN)}),
            std::vector<int>({5, 5, 0, INT_MAX, INT_MAX}));
}

}  // namespace
}  // namespace molvex
