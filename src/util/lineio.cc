#include "util/lineio.h"

#include <algorithm>
#include <climits>

#include "main/error.h"
#include "main/files.h"
#include "util/convrt.h"
#include "util/units.h"

namespace molvex {
namespace {

int length(std::string_view text) { return static_cast<int>(text.size()); }

// Column `col` (1-based) of a text.
char column(std::string_view text, int col) { return text[static_cast<std::size_t>(col - 1)]; }

bool isNumeric(char c) {
  constexpr std::string_view NUMSET = "-.EeDd0123456789";
  return NUMSET.find(c) != std::string_view::npos;
}

// Whether columns MAXLEN+1..LINLEN of the line hold anything but blanks.
bool textBeyond(std::string_view line, int maxlen, int linlen) {
  int first = std::max(maxlen, 0) + 1;
  int last = std::min(linlen, length(line));
  if (last < first) return false;
  FNDWRD(line, first, last);
  return column(line, first) != ' ';
}

// Converts a numeric-looking word for NXTWRD; the values change only on
// success, so a failure leaves them at -1.
int convertWord(std::string_view word, int& ival, double& dval) {
  double value = 0.0;
  if (CONVRT(word, value, length(word)) != SUCCES) return ERRGEN;
  dval = value;
  ival = truncateToInt(value);
  return SUCCES;
}

void reportNotNumeric(const std::string& line, std::string_view word) {
  // Three asterisks and a head of its own: not the common error line.
  Line(UTLMSG) << "*** NXTWRD: ERROR U801 - " << "ERROR PARSING NUMERIC VALUE (" << word
               << ") IN LINE: ***";
  Line(UTLMSG) << "   " << line;
}

}  // namespace

int GETLIN(std::string& LINE, int MAXLEN, int LINLEN, int UNIT) {
  std::fill(LINE.begin(), LINE.end(), ' ');
  std::string record;
  const int status = readRecord(UNIT, record);
  if (status == ENDFIL) return ENDFIL;
  if (status != SUCCES) {
    errorLine(SCRUNT, "GETLIN", "U501") << "ERROR ENCOUNTERED READING INPUT LINE " << "FROM FILE";
    return ERRGEN;
  }
  std::copy_n(record.begin(), std::min(record.size(), LINE.size()), LINE.begin());
  if (LINLEN > MAXLEN && textBeyond(LINE, MAXLEN, LINLEN)) {
    errorLine(SCRUNT, "GETLIN", "U500")
        << "INPUT LINE TOO LONG, MUST BE <= " << MAXLEN << " CHAR'S ****";
    // A continuation line without the word ERROR: not the common error line.
    Line(SCRUNT) << "**** GETLIN:  " << "DISPLAY OF INVALID LINE: " << LINE;
    return ERRGEN;
  }
  return SUCCES;
}

int NXTWRD(const std::string& LINE, int& START, int LAST, char& TYPE, int& LEN,
           std::string& WORD, int& IVAL, double& DVAL) {
  LEN = 0;
  std::fill(WORD.begin(), WORD.end(), ' ');
  IVAL = -1;
  DVAL = -1.0;
  const int last = std::min(LAST, length(LINE));
  int p = std::max(START, 1);
  while (p <= last && column(LINE, p) == ' ') ++p;
  if (UTRACE != 0) Line(UTLMSG) << "NXTWRD: START = " << START << "; OFFSET = " << p;
  START = p;

  int q = p;
  bool text = false;
  while (q <= last && column(LINE, q) != ' ') {
    if (!isNumeric(column(LINE, q))) text = true;
    ++q;
  }
  LEN = q - p;
  const std::string_view word =
      LEN > 0 ? std::string_view(LINE).substr(static_cast<std::size_t>(p - 1),
                                              static_cast<std::size_t>(LEN))
              : std::string_view();
  std::copy_n(word.begin(), std::min(word.size(), WORD.size()), WORD.begin());
  if (UTRACE != 0) {
    Line(UTLMSG) << "NXTWRD: LEN = " << LEN;
    Line(UTLMSG) << "NXTWRD: WORD = " << word;
  }
  if (LEN == 0) return ENDLIN;

  switch (TYPE) {
    case 'N':
    case 'n':
      if (text) {
        reportNotNumeric(LINE, word);
        return ERRGEN;
      }
      if (convertWord(word, IVAL, DVAL) != SUCCES) return ERRGEN;
      break;
    case 'U':
    case 'u':
      if (!text && convertWord(word, IVAL, DVAL) != SUCCES) return ERRGEN;
      TYPE = text ? 'C' : 'N';
      break;
    case 'C':
    case 'c':
      break;
    default:
      // The asterisks stand after the routine's name here.
      Line(UTLMSG) << "NXTWRD: **** ERROR U802 - " << "ILLEGAL FUNCTION ---> " << TYPE << " ****";
      return ERRGEN;
  }
  START = q;
  return SUCCES;
}

void TRNCHR(std::string& STR, int N, std::string_view FROM, int M, std::string_view TO) {
  const std::size_t pairs = textCount(M, std::min(FROM.size(), TO.size()));
  for (std::size_t i = 0; i < textCount(N, STR.size()); ++i) {
    for (std::size_t j = 0; j < pairs; ++j) {
      if (STR[i] == FROM[j]) STR[i] = TO[j];
    }
  }
}

void UPCASE(std::string& STR, int N) {
  for (std::size_t i = 0; i < textCount(N, STR.size()); ++i) {
    if (STR[i] >= 'a' && STR[i] <= 'z') STR[i] = static_cast<char>(STR[i] - 'a' + 'A');
  }
}

void FNDWRD(std::string_view STR, int& FIRST, int& LAST) {
  const int last = std::min(LAST, length(STR));
  bool found = false;
  for (int i = std::max(FIRST, 1); i <= last; ++i) {
    const bool blank = column(STR, i) == ' ';
    if (blank && found) {
      LAST = i;
      return;
    }
    if (!blank && !found) {
      FIRST = i;
      found = true;
    }
  }
  LAST = found ? last : FIRST;
}

int IABSV(int I) {
  if (I == INT_MIN) return INT_MAX;
  return I < 0 ? -I : I;
}

}  // namespace molvex
