#include "util/convrt.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <sstream>

#include "main/globals.h"
#include "support/console.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;

// Messages on the screen, conversion warnings on.
struct Conversion : ::testing::Test {
  Conversion() { INITDR(); INIUTL(0, 5, 6, 0); }
  ~Conversion() override { INIUTL(0, 5, 6, 0); }
  testing::Console con;
};

// 10 to the power e formed at run time by repeated multiplication.
double repeated(int e) {
  volatile double ten = 10.0;
  double scale = 1.0;
  for (int i = 0; i < e; ++i) scale *= ten;
  return scale;
}

TEST_F(Conversion, TolerantSyntaxConvertsSilently) {
  const struct {
    const char* word;
    double value;
  } cases[] = {
      {"12", 12.0},      {"-12", -12.0},    {"1.5E3", 1500.0},  {"1.5e3", 1500.0},
      {"1.5D3", 1500.0}, {"1.5d3", 1500.0}, {"1.5E+3", 1500.0}, {"1.5E-3", 1.5 / 1000.0},
      {".5", 0.5},       {".", 0.0},        {"1,000", 1000.0},  {"1 000", 1000.0},
      {"X5", 5.0},       {"+5", 5.0},       {"--5", -5.0},      {"-X-5", -5.0},
      {"E5", 5.0},       {"1EX-2", 0.01},   {"1E 0,2", 100.0},  {"007.50", 7.5},
      // The fraction is divided once and the exponent applied once, so the
      // last bit is not always that of a correctly rounded conversion.
      {"1.23E-5", (1.0 + 23.0 / 100.0) / 100000.0}, {"0.7E-10", 0.7 / 1e10},
  };
  for (const auto& c : cases) {
    double v = -1.0;
    EXPECT_EQ(CONVRT(c.word, v, static_cast<int>(std::string_view(c.word).size())), 1) << c.word;
    EXPECT_EQ(v, c.value) << c.word;
  }
  EXPECT_TRUE(con.lines().empty());
}

TEST_F(Conversion, CountsCutTheWordAndNeverReachBeyondIt) {
  double v = 0.0;
  EXPECT_EQ(CONVRT("12X", v, 2), 1);
  EXPECT_EQ(v, 12.0);
  EXPECT_EQ(CONVRT(std::string_view("3456", 2), v, 40), 1);
  EXPECT_EQ(v, 34.0);
  EXPECT_EQ(CONVRT("12", v, -3), 0);
  EXPECT_EQ(con.lines(),
            (Lines{" ++++ CONVRT: WARNING U100 - CHAR WORD TO BE CONVERTED TO NUMERIC CONTAINS "
                   "NO DIGITS",
                   "              WORD = "}));
}

TEST_F(Conversion, FailuresWarnWithExactLines) {
  const std::string head = " ++++ CONVRT: WARNING ";
  const std::string nodig = head + "U100 - CHAR WORD TO BE CONVERTED TO NUMERIC CONTAINS NO DIGITS";
  const std::string many(85, 'x');
  const struct {
    std::string word;
    double value;  // what was accumulated
    Lines lines;
  } cases[] = {
      {"", 0.0, {nodig, "              WORD = "}},
      {"-", 0.0, {nodig, "              WORD = -"}},
      {"E", 0.0, {nodig, "              WORD = E"}},
      {"1E", 1.0, {head + "U101 - EXPONENT CONTAINS NO DIGITS --->"}},
      {"2.5E+-", 2.5, {head + "U101 - EXPONENT CONTAINS NO DIGITS --->+-"}},
      {"5X",
       5.0,
       {head + "U102 - INVALID CHARACTERS: X DETECTED DURING CONVERSION OF 5XFROM CHAR TO NUMERIC"}},
      {"1-2.3.4+",
       12.34,
       {head + "U102 - INVALID CHARACTERS: -.+ DETECTED DURING CONVERSION OF 1-2.3.4+FROM CHAR TO "
               "NUMERIC"}},
      // Only the first 80 invalid characters are listed; the rest still fail.
      {"1" + many, 1.0,
       {head + "U102 - INVALID CHARACTERS: " + std::string(80, 'x') +
        " DETECTED DURING CONVERSION OF 1" + many + "FROM CHAR TO NUMERIC"}},
  };
  for (const auto& c : cases) {
    con.clear();
    double v = -1.0;
    EXPECT_EQ(CONVRT(c.word, v, static_cast<int>(c.word.size())), 0) << c.word;
    EXPECT_EQ(v, c.value) << c.word;
    EXPECT_EQ(con.lines(), c.lines) << c.word;
  }
  con.clear();
  INIUTL(0, 5, 6, 1);
  double v = 0.0;
  EXPECT_EQ(CONVRT("5X", v, 2), 0);
  EXPECT_EQ(CONVRT("E", v, 1), 0);
  EXPECT_TRUE(con.lines().empty());
}

TEST_F(Conversion, ExponentsUpTo308ScaleByRepeatedMultiplication) {
  const double mantissa = 1.0 + 7.0 / 10.0;
  for (int e = 0; e <= 308; ++e) {
    const std::string word = "1.7E" + std::to_string(e);
    double v = 0.0;
    ASSERT_EQ(CONVRT(word, v, static_cast<int>(word.size())), 1);
    ASSERT_EQ(v, mantissa * repeated(e)) << word;
    ASSERT_EQ(CONVRT("1.7E-" + std::to_string(e), v, static_cast<int>(word.size()) + 1), 1);
    ASSERT_EQ(v, mantissa / repeated(e)) << word;
  }
  double v = 0.0;
  EXPECT_EQ(CONVRT("1.7976931348623157E308", v, 22), 1);
  EXPECT_EQ(v, (1.0 + 7976931348623157.0 / 1e16) * repeated(308));
  EXPECT_TRUE(std::isfinite(v));
  // Beyond, the repeated product is infinite; a huge exponent ends at once.
  const std::string huge = "-2E" + std::string(5000, '9');
  EXPECT_EQ(CONVRT(huge, v, static_cast<int>(huge.size())), 1);
  EXPECT_EQ(v, -std::numeric_limits<double>::infinity());
  EXPECT_EQ(CONVRT("1E309", v, 5), 1);
  EXPECT_EQ(v, std::numeric_limits<double>::infinity());
  EXPECT_EQ(CONVRT("1E-309", v, 6), 1);
  EXPECT_EQ(v, 0.0);
}

TEST_F(Conversion, OperandsAreSplitAtTheFirstOperator) {
  std::string left = "junk", right;
  int il = 9, ir = 9;
  double dl = 9.0, dr = 9.0;
  EXPECT_EQ(OPRNDS("2/3                 ", '/', 3, left, right, il, ir, dl, dr), 1);
  EXPECT_EQ(left, "2" + std::string(19, ' '));
  EXPECT_EQ(right, "3" + std::string(19, ' '));
  EXPECT_EQ(std::vector<int>({il, ir}), std::vector<int>({2, 3}));
  EXPECT_EQ(OPRNDS("3*2", '*', 30, left, right, il, ir, dl, dr), 1);
  EXPECT_EQ(std::vector<int>({il, ir}), std::vector<int>({3, 2}));
  EXPECT_EQ(OPRNDS("2.7*-2.7", '*', 8, left, right, il, ir, dl, dr), 1);
  EXPECT_EQ(std::vector<int>({il, ir}), std::vector<int>({2, -2}));
  EXPECT_EQ(dr, -(2.0 + 7.0 / 10.0));
  // A long operand keeps 20 characters of text but converts from all of them;
  // an integer beyond the int range is held at its limit.
  const std::string digits = "1234567890123456789012345";
  EXPECT_EQ(OPRNDS(digits + "/-5E9", '/', 31, left, right, il, ir, dl, dr), 1);
  EXPECT_EQ(left, digits.substr(0, 20));
  EXPECT_EQ(dl, 1234567890123456789012345.0);
  EXPECT_EQ(std::vector<int>({il, ir}), std::vector<int>({INT_MAX, INT_MIN}));
  EXPECT_TRUE(con.lines().empty());
}

TEST_F(Conversion, BadOperatorExpressionsFailWithExactLines) {
  const std::string u804 = " **** OPRNDS: ERROR U804 - ILLEGAL FORM FOR BINARY OPERATOR EXPRESSION: ";
  const std::string back = " **** OPRNDS: TRACEBACK - ERROR 0 RETURNED BY CONVRT()";
  const struct {
    std::string word;
    int nchar;
    Lines lines;
  } cases[] = {
      {"23    ", 2, {" **** OPRNDS: ERROR U803 - OPERATOR \"/\" NOT FOUND IN WORD (23 ) ****"}},
      {"23/4", 2, {" **** OPRNDS: ERROR U803 - OPERATOR \"/\" NOT FOUND IN WORD (23) ****"}},
      {"/3  ", 2, {u804 + "\"/3 \""}},
      {"2/ 3", 2, {u804 + "\"2/ \""}},
      {"2/", 2, {u804 + "\"2/\""}},
      {"2/3/4 ",
       5,
       {" ++++ CONVRT: WARNING U102 - INVALID CHARACTERS: / DETECTED DURING CONVERSION OF 3/4 "
        "FROM CHAR TO NUMERIC",
        back}},
      {"A/3", 3,
       {" ++++ CONVRT: WARNING U100 - CHAR WORD TO BE CONVERTED TO NUMERIC CONTAINS NO DIGITS",
        "              WORD = A", back}},
  };
  for (const auto& c : cases) {
    con.clear();
    std::string left, right;
    int il = 9, ir = 9;
    double dl = 9.0, dr = 9.0;
    EXPECT_EQ(OPRNDS(c.word, '/', c.nchar, left, right, il, ir, dl, dr), -1) << c.word;
    EXPECT_EQ(con.lines(), c.lines) << c.word;
    EXPECT_EQ(right.size(), 20u);
  }
}

TEST_F(Conversion, OperandMessagesGoToTheMessageUnitAndTracebacksToTheScreen) {
  std::ostringstream messages;
  attachOutput(20, &messages);
  INIUTL(0, 5, 20, 0);
  std::string left, right;
  int il = 0, ir = 0;
  double dl = 0.0, dr = 0.0;
  EXPECT_EQ(OPRNDS("2/X", '/', 3, left, right, il, ir, dl, dr), -1);
  EXPECT_EQ(OPRNDS("2", '*', 1, left, right, il, ir, dl, dr), -1);
  attachOutput(20, nullptr);
  EXPECT_EQ(testing::splitLines(messages.str()).size(), 3u);
  EXPECT_EQ(con.lines(), Lines{" **** OPRNDS: TRACEBACK - ERROR 0 RETURNED BY CONVRT()"});
}

TEST_F(Conversion, IntegersBecomeJustifiedDigits) {
  const std::string overflow = " **** INTCHR: ERROR U805 - NUMBER OVERFLOWS CHAR STRING ****";
  const struct {
    int value, maxlen;
    char just;
    int status, ndig;
    std::string text;
  } cases[] = {
      {0, 20, 'L', 1, 1, "0"},
      {12345, 20, 'L', 1, 5, "12345"},
      {12345, 20, 'R', 1, 5, std::string(15, ' ') + "12345"},
      {123, 10, 'R', 1, 3, "       123"},
      {-7, 20, 'L', 1, 0, ""},
      {12345, 3, 'L', -1, 99, "345"},  // the digits written before the overflow
      {0, 0, 'L', -1, 99, ""},
      {123, 30, 'R', 1, 3, std::string(17, ' ') + "123"},  // no wider than the text
  };
  for (const auto& c : cases) {
    con.clear();
    std::string str(20, 'x');
    int ndig = 99;
    EXPECT_EQ(INTCHR(str, c.value, ndig, c.maxlen, c.just), c.status) << c.value;
    EXPECT_EQ(ndig, c.ndig) << c.value;
    EXPECT_EQ(str, c.text + std::string(20 - c.text.size(), ' ')) << c.value;
    EXPECT_EQ(con.lines(), c.status == 1 ? Lines{} : Lines{overflow}) << c.value;
  }
}

TEST(Truncation, TowardZeroAndHeldAtTheIntLimits) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    int result;
  } cases[] = {{2.7, 2},           {-2.7, -2},          {-0.5, 0},
               {2147483647.9, INT_MAX}, {2147483648.0, INT_MAX}, {-2147483648.9, INT_MIN},
               {-2147483649.0, INT_MIN}, {inf, INT_MAX},  {-inf, INT_MIN},
               {std::nan(""), 0}};
  for (const auto& c : cases) EXPECT_EQ(truncateToInt(c.value), c.result) << c.value;
}

}  // namespace
}  // namespace molvex
