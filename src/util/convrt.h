// Numeric text conversion: words of the input files and of the dialogue
// become numbers, operator labels (2/3, 4*1) are split into their operands,
// and non-negative integers become left-justified text for the output files.
//
// CONVRT and INTCHR run while states are generated; they allocate nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace molvex {

// Converts the first NCHAR characters of WORD into DVAL with the tolerant
// syntax of the input files: characters before the first digit or point are
// skipped (any minus among them makes the value negative), blanks and commas
// inside the number are ignored, E/e/D/d start a power of ten.  Characters
// beyond the end of WORD are absent, so NCHAR is cut to WORD.size().
// Returns 1, or 0 after warning U100, U101 or U102 on UTLMSG (written only
// while UTQUIE is 0); DVAL then holds what was accumulated.
int CONVRT(std::string_view WORD, double& DVAL, int NCHAR);

// Splits WORD at the first OP before the first blank (or within the first
// NCHAR characters when WORD has no blank) and converts both sides.  LEFT
// and RIGHT are set to 20 blanks and receive the operand texts, of which
// they keep the first 20 characters; the operands are converted from WORD
// itself, so a longer operand still converts from all its digits.
// Returns 1, or -1 after U803/U804 (UTLMSG) or a failed conversion
// (traceback on SCRUNT).
int OPRNDS(std::string_view WORD, char OP, int NCHAR, std::string& LEFT, std::string& RIGHT,
           int& ILEFT, int& IRIGHT, double& DLEFT, double& DRIGHT);

// Writes IVAL as decimal digits into a field of MAXLEN columns of STR, right-
// justified, or left-justified when JUST is 'L'; the rest of STR is blank and
// NDIG is the number of digits.  IVAL is wide: a rate multiplier sums the
// units of several components, which may pass the int range.  The field never extends beyond STR.size().
// A negative IVAL writes nothing (NDIG = 0).  Returns 1, or -1 after U805 on
// UTLMSG when the digits do not fit (STR keeps those written so far, NDIG is
// left alone).
int INTCHR(std::string& STR, long long IVAL, int& NDIG, int MAXLEN, char JUST);

// A converted value truncated toward zero into an int.  Values beyond the
// int range give INT_MAX or INT_MIN (so they still fail any later range
// check of the caller), a NaN gives 0.
int truncateToInt(double value);

// How many characters of a text of `size` a count of n covers: a count
// beyond the text stops at its end, a negative one covers nothing.
inline std::size_t textCount(int n, std::size_t size) {
  return n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), size);
}

}  // namespace molvex
