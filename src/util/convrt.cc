#include "util/convrt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "main/error.h"
#include "main/files.h"

namespace molvex {
namespace {

constexpr int MAXINV = 80;  // invalid characters kept for the U102 warning
constexpr std::size_t OPRLEN = 20;  // operand texts of OPRNDS

// Powers of ten exactly as the conversion has always formed them, 1.0
// multiplied by 10.0 once per unit of the exponent, so that stored numbers
// keep their last bit; built once at compile time instead of per word.  The
// next multiplication overflows, and the repeated product stays infinite from
// there on, so a larger exponent needs neither a loop nor a larger table.
constexpr int MAXEXP = 308;
constexpr std::array<double, MAXEXP + 1> POWERS = [] {
  std::array<double, MAXEXP + 1> powers{};
  powers[0] = 1.0;
  for (std::size_t e = 1; e < powers.size(); ++e) powers[e] = powers[e - 1] * 10.0;
  return powers;
}();

double powerOfTen(int exponent) {
  return exponent <= MAXEXP ? POWERS[static_cast<std::size_t>(exponent)]
                            : std::numeric_limits<double>::infinity();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isExponentLetter(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }
bool isSkipped(char c) { return c == ' ' || c == ','; }

// The characters of one conversion and the invalid ones met in them.
struct Scan {
  std::string_view text;
  std::array<char, MAXINV> invalid{};
  int kept = 0;
  int count = 0;  // also those beyond the list

  void reject(char c) {
    if (kept < MAXINV) invalid[static_cast<std::size_t>(kept++)] = c;
    ++count;
  }
  std::string_view rejected() const {
    return std::string_view(invalid.data(), static_cast<std::size_t>(kept));
  }
};

// Skips to the first digit (or point, when `pointStarts`) from position i;
// a minus on the way makes `sign` negative, every other character is
// ignored.  Returns its position, or text.size() when there is none.
std::size_t leadIn(std::string_view text, std::size_t i, bool pointStarts, double& sign) {
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (isDigit(c) || (pointStarts && c == '.')) break;
    if (c == '-') sign = -1.0;
  }
  return i;
}

// Hands the digits from position i on to `onDigit`, skipping blanks and
// commas, until a point (when `pointEnds`) or an exponent letter (when
// `letterEnds`); anything else is invalid.  Returns the position of the
// character that ended the run, or text.size().
template <class OnDigit>
std::size_t digitRun(Scan& s, std::size_t i, bool pointEnds, bool letterEnds, OnDigit onDigit) {
  for (; i < s.text.size(); ++i) {
    const char c = s.text[i];
    if ((pointEnds && c == '.') || (letterEnds && isExponentLetter(c))) break;
    if (isDigit(c)) {
      onDigit(c - '0');
    } else if (!isSkipped(c)) {
      s.reject(c);
    }
  }
  return i;
}

bool warns() { return UTQUIE == 0; }

// Applies the exponent that follows the letter at position `letter`.
// False after warning U101 (no exponent digit).
bool applyExponent(Scan& s, std::size_t letter, double& value) {
  double sign = 1.0;
  const std::size_t first = leadIn(s.text, letter + 1, false, sign);
  if (first == s.text.size()) {
    if (warns()) {
      warningLine(UTLMSG, "CONVRT", "U101")
          << "EXPONENT CONTAINS NO DIGITS --->" << s.text.substr(letter + 1);
    }
    return false;
  }
  // Saturates past MAXEXP, where the scale is infinite anyway; so the
  // accumulator cannot overflow however long the exponent.
  int exponent = 0;
  digitRun(s, first, false, false, [&exponent](int d) {
    if (exponent <= MAXEXP) exponent = exponent * 10 + d;
  });
  const double scale = powerOfTen(exponent);
  value = sign > 0.0 ? value * scale : value / scale;
  return true;
}

// The value is left as converted so far on every failure.
int convertScan(Scan& s, double& value) {
  double sign = 1.0;
  std::size_t i = leadIn(s.text, 0, true, sign);
  if (i == s.text.size()) {
    if (warns()) {
      warningLine(UTLMSG, "CONVRT", "U100")
          << "CHAR WORD TO BE CONVERTED TO NUMERIC " << "CONTAINS NO DIGITS";
      Line(UTLMSG) << "             WORD = " << s.text;
    }
    return CVTERR;
  }
  i = digitRun(s, i, true, true, [&value](int d) { value = value * 10.0 + d; });
  double fraction = 0.0;
  if (i < s.text.size() && s.text[i] == '.') {
    double divisor = 1.0;
    i = digitRun(s, i + 1, false, true, [&fraction, &divisor](int d) {
      fraction = fraction * 10.0 + d;
      divisor = divisor * 10.0;
    });
    fraction = fraction / divisor;
  }
  value = (value + fraction) * sign;
  if (i < s.text.size() && !applyExponent(s, i, value)) return CVTERR;
  if (s.count > 0) {
    if (warns()) {
      warningLine(UTLMSG, "CONVRT", "U102")
          << "INVALID CHARACTERS: " << s.rejected() << " " << "DETECTED DURING CONVERSION OF "
          << s.text << "FROM CHAR TO NUMERIC";
    }
    return CVTERR;
  }
  return SUCCES;
}

// Keeps the first OPRLEN characters of an operand in its text.
void keepOperand(std::string& dest, std::string_view operand) {
  std::copy_n(operand.begin(), std::min(operand.size(), OPRLEN), dest.begin());
}

int convertOperand(std::string_view operand, double& value, int& ivalue) {
  const int status = CONVRT(operand, value, static_cast<int>(operand.size()));
  if (status != SUCCES) {
    traceback(SCRUNT, "OPRNDS", status, "CONVRT");
    return ERRGEN;
  }
  ivalue = truncateToInt(value);
  return SUCCES;
}

}  // namespace

int CONVRT(std::string_view WORD, double& DVAL, int NCHAR) {
  Scan s;
  s.text = WORD.substr(0, textCount(NCHAR, WORD.size()));
  DVAL = 0.0;
  return convertScan(s, DVAL);
}

int OPRNDS(std::string_view WORD, char OP, int NCHAR, std::string& LEFT, std::string& RIGHT,
           int& ILEFT, int& IRIGHT, double& DLEFT, double& DRIGHT) {
  LEFT.assign(OPRLEN, ' ');
  RIGHT.assign(OPRLEN, ' ');
  ILEFT = IRIGHT = 0;
  DLEFT = DRIGHT = 0.0;
  // Up to and with the first blank; a word without one is NCHAR long.
  const std::size_t blank = WORD.find(' ');
  const std::string_view word = blank != std::string_view::npos
                                    ? WORD.substr(0, blank + 1)
                                    : WORD.substr(0, textCount(NCHAR, WORD.size()));
  const std::size_t k = word.find(OP);
  if (k == std::string_view::npos) {
    errorLine(UTLMSG, "OPRNDS", "U803")
        << "OPERATOR \"" << OP << "\" NOT FOUND IN WORD (" << word << ") ****";
    return ERRGEN;
  }
  const std::string_view left = word.substr(0, k);
  const std::string_view right = word.substr(k + 1);
  keepOperand(LEFT, left);
  if (left.empty() || right.empty() || right.front() == ' ') {
    errorLine(UTLMSG, "OPRNDS", "U804") << "ILLEGAL FORM " << "FOR BINARY OPERATOR EXPRESSION: "
                                        << "\"" << word << "\"";
    return ERRGEN;
  }
  if (convertOperand(left, DLEFT, ILEFT) != SUCCES) return ERRGEN;
  keepOperand(RIGHT, right);
  return convertOperand(right, DRIGHT, IRIGHT);
}

int INTCHR(std::string& STR, long long IVAL, int& NDIG, int MAXLEN, char JUST) {
  std::fill(STR.begin(), STR.end(), ' ');
  const int width = std::clamp(MAXLEN, 0, static_cast<int>(STR.size()));
  const auto at = [&STR](int index) -> char& { return STR[static_cast<std::size_t>(index)]; };
  int first = width;  // the digits stand in STR[first .. width-1]
  if (IVAL >= 0) {
    long long n = IVAL;
    do {
      if (first == 0) {
        errorLine(UTLMSG, "INTCHR", "U805") << "NUMBER OVERFLOWS CHAR STRING ****";
        return ERRGEN;
      }
      at(--first) = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n > 0);
  }
  NDIG = width - first;
  if (JUST == 'L') {
    for (int i = 0; i < NDIG; ++i) at(i) = at(first + i);
    for (int i = NDIG; i < width; ++i) at(i) = ' ';
  }
  return SUCCES;
}

int truncateToInt(double value) {
  constexpr int lowest = std::numeric_limits<int>::min();
  constexpr int highest = std::numeric_limits<int>::max();
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(lowest) - 1.0) return lowest;
  if (value >= static_cast<double>(highest) + 1.0) return highest;
  return static_cast<int>(value);
}

}  // namespace molvex
