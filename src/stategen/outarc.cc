#include "stategen/outarc.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "main/globals.h"
#include "util/convrt.h"
#include "util/lineio.h"

namespace molvex {
namespace {

constexpr int RATLEN = NAMLEN + 3;

// The rate text: the name, then ";" — or "*X;" for an arc into a failure or
// truncation aggregation state — at the first blank behind the name.  The
// three blanks after the name leave room for the suffix even when the name
// fills all of its 15 characters.
struct Rate {
  std::array<char, RATLEN> text;
  Rate(std::string_view name, bool absorbing) {
    text.fill(' ');
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), NAMLEN), text.begin());
    const auto p = static_cast<std::size_t>(std::find(text.begin(), text.end(), ' ') - text.begin());
    const std::string_view suffix = absorbing ? "*X;" : ";";
    std::copy(suffix.begin(), suffix.end(), text.begin() + static_cast<std::ptrdiff_t>(p));
  }
  std::string_view view() const { return std::string_view(text.data(), text.size()); }
};

void writeSlots(Line& line, CIntTab v, int NSLOT) {
  for (int i = 1; i <= NSLOT; ++i) line << v(i);
}

}  // namespace

void OUTARC(const ArcStates& S, int k, Span1<const std::string> TYPNAM, CIntTab TRNCST,
            CIntTab BASTYP, ArcTable& ARCS) {
  const int b = ARCS.ARCBE(k);
  const int type = BASTYP(b);
  // Merged transitions may together hold more units than an int counts.
  long long m = ARCS.ARCMUL(k);
  const int target = IABSV(ARCS.ARCTO(k));
  const bool failure = ARCS.ARCTO(k) < 0;
  for (int j = k + 1; j <= ARCS.NTRANS; ++j) {
    if (ARCS.ARCTO(j) == ARCS.ARCTO(k) && TYPNAM(BASTYP(ARCS.ARCBE(j))) == TYPNAM(type)) {
      m += ARCS.ARCMUL(j);
      ARCS.ARCTO(j) = 0;
    }
  }
  static std::string digits(20, ' ');
  int ndig = 0;
  const int status = INTCHR(digits, m, ndig, 20, 'L');
  if (status != SUCCES) {
    errorLine(SCRUNT, "OUTARC", "F505") << Fixed{status, 2} << " RETURNED BY INTCHR()";
    return;
  }
  const std::string_view mult(digits.data(), static_cast<std::size_t>(ndig));
  const Rate rate(TYPNAM(type), failure || (S.TRUNC != 0 && TRNCST(type) == target));
  if (S.VERBOSE != 0) {
    Line line(INTUNT);
    line << "*";
    writeSlots(line, S.CUR, S.NSLOT);
    if (failure) {
      line << " -> F" << type;
    } else {
      line << " -> ";
      writeSlots(line, S.NEW, S.NSLOT);
    }
    line << "    " << mult << "*" << rate.view();
  }
  {
    Line line(INTUNT);
    line << S.CURNUM << " " << target << "    ";
    if (m > 1) line << mult << "*";
    line << rate.view();
  }
  if (S.VERBOSE != 0) Line{INTUNT};
}

}  // namespace molvex
