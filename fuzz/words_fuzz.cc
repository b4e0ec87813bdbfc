// Words of the input files and of the dialogue: the numeric conversion, the
// word scanner, the operator labels and the integer text of the writers, on
// arbitrary lines.
//
// The first byte sets the scan (trace and quiet flags, the last column and
// the width of the integer text); every further line of the input is one
// line to scan.
#include <cstdint>
#include <string>
#include <string_view>

#include "harness.h"
#include "main/error.h"
#include "main/files.h"
#include "main/globals.h"
#include "util/convrt.h"
#include "util/lineio.h"

namespace molvex {
namespace {

struct Settings {
  int last;   // the last column scanned: 80, or a few columns around the line's end
  int width;  // of the integer text: 0..20, beyond it, or negative
};

Settings settingsOf(std::uint8_t control) {
  INIUTL(control & 1, KBDUNT, SCRUNT, (control >> 1) & 1);
  const int shift = (control >> 2) & 7;
  const int width = (control >> 5) == 7 ? -1 : 3 * (control >> 5);
  return Settings{shift == 0 ? 80 : shift - 4, width};
}

// The operator labels of a word, as the fault tree build splits them.
void operands(std::string_view word) {
  for (const char op : {'/', '*'}) {
    std::string left;
    std::string right;
    int ileft = 0;
    int iright = 0;
    double dleft = 0.0;
    double dright = 0.0;
    OPRNDS(word, op, static_cast<int>(word.size()), left, right, ileft, iright, dleft, dright);
    fuzz::require(left.size() == 20 && right.size() == 20, "OPRNDS changed an operand's length");
  }
}

void integerText(int value, int width) {
  std::string digits(20, ' ');
  int ndig = -7;
  const int status = INTCHR(digits, value, ndig, width, 'L');
  fuzz::require(digits.size() == 20, "INTCHR changed the text's length");
  if (status == SUCCES && value >= 0 && width >= 1 && width <= 20) {
    fuzz::require(digits.substr(0, static_cast<std::size_t>(ndig)) == std::to_string(value),
                  "INTCHR wrote other digits");
  }
}

// All words of the line, in each mode, as the readers take them.
void scanLine(const std::string& line, const Settings& s) {
  static constexpr char MODES[] = {'N', 'C', 'U', 'n', 'c', 'u', 'X'};
  int START = 1;
  for (int i = 0;; ++i) {
    char TYPE = MODES[static_cast<std::size_t>(i) % sizeof MODES];
    const char mode = TYPE;
    int LEN = 0;
    int IVAL = 0;
    double DVAL = 0.0;
    std::string WORD(20, ' ');
    const int before = START;
    const int status = NXTWRD(line, START, s.last, TYPE, LEN, WORD, IVAL, DVAL);
    fuzz::require(WORD.size() == 20, "NXTWRD changed the word's length");
    if (status == ENDLIN) return;
    if (status != SUCCES) {
      // A word that fails is not consumed; taken as text it must be.
      TYPE = 'C';
      fuzz::require(NXTWRD(line, START, s.last, TYPE, LEN, WORD, IVAL, DVAL) == SUCCES,
                    "a word that failed in one mode failed as text");
    } else if (mode == 'N' || mode == 'n' || TYPE == 'N') {
      fuzz::require(IVAL == truncateToInt(DVAL), "NXTWRD's integer is not its value truncated");
    }
    fuzz::require(START > before && LEN >= 1, "NXTWRD took a word without moving on");
    const std::string_view word = std::string_view(line).substr(
        static_cast<std::size_t>(START - LEN - 1), static_cast<std::size_t>(LEN));
    operands(word);
    double value = 0.0;
    if (CONVRT(word, value, LEN) == 1) integerText(truncateToInt(value), s.width);
  }
}

// The line helpers of the text description converter and the dialogue.
void helpers(std::string line, int last) {
  TRNCHR(line, last, ":,", 2, "  ");
  UPCASE(line, last);
  int first = 1;
  int end = last;
  FNDWRD(line, first, end);
  double value = 0.0;
  CONVRT(line, value, last);
}

}  // namespace
}  // namespace molvex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace molvex;
  fuzz::setUp();
  if (size == 0) return 0;
  const Settings s = settingsOf(data[0]);
  std::string_view rest = fuzz::text(data + 1, size - 1);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string line(rest.substr(0, end));
    scanLine(line, s);
    helpers(line, s.last);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  return 0;
}
