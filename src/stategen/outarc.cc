#include "stategen/outarc.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
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

// The end of an arc's line: four blanks, the multiplier and "*" where the
// line shows it, and the rate text.
void writeTail(Line& line, std::string_view mult, const Rate& rate) {
  line << "    ";
  if (!mult.empty()) line << mult << '*';
  line << rate.view();
}

// The rate name of transition k.
const std::string& rateName(const RateNames& NAMES, CIntTab BASTYP, const ArcTable& ARCS, int k) {
  const int type = BASTYP(ARCS.ARCBE(k));
  return ARCS.ARCDRM(k) != 0 ? NAMES.DRMNAM(type) : NAMES.TYPNAM(type);
}

// An integer's digits; a slot value is nearly always one digit.
void appendDigits(std::string& text, int value) {
  if (value >= 0 && value <= 9) {
    text.push_back(static_cast<char>('0' + value));
    return;
  }
  char digits[16];
  const auto r = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, static_cast<std::size_t>(r.ptr - digits));
}

}  // namespace

void commentHead(CommentHead& HEAD, CIntTab CUR, int NSLOT) {
  HEAD.TEXT.clear();
  HEAD.TEXT.push_back('*');
  HEAD.AT.resize(static_cast<std::size_t>(std::max(NSLOT, 0)) + 2);
  for (int i = 1; i <= NSLOT; ++i) {
    HEAD.AT[static_cast<std::size_t>(i)] = static_cast<int>(HEAD.TEXT.size());
    HEAD.TEXT.push_back(' ');
    appendDigits(HEAD.TEXT, CUR(i));
  }
  HEAD.AT.back() = static_cast<int>(HEAD.TEXT.size());
  HEAD.NUMBER.clear();
  appendDigits(HEAD.NUMBER, CUR(NSLOT + 2));
}

namespace {

// " ->" and each slot of NEW after one blank, as the free-format writer puts
// integers behind " -> ": a run of slots equal to the source's is copied
// from the head.
void writeTarget(Line& line, const ArcStates& S) {
  line << " ->";
  const std::vector<int>& at = S.HEAD.AT;
  const std::string_view head(S.HEAD.TEXT);
  // Every slot is read, so the runs are checked once; slot i is at i - 1.
  const int* const target = S.NEW.checkedRun(S.NSLOT);
  const int* const source = S.CUR.checkedRun(S.NSLOT);
  const auto n = static_cast<std::size_t>(std::max(S.NSLOT, 0));
  for (std::size_t i = 0; i < n;) {
    if (target[i] != source[i]) {
      line << target[i];
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < n && target[j] == source[j]) ++j;
    line << head.substr(static_cast<std::size_t>(at[i + 1]),
                        static_cast<std::size_t>(at[j + 1] - at[i + 1]));
    i = j;
  }
}

}  // namespace

void OUTARC(const ArcStates& S, int k, const RateNames& NAMES, CIntTab TRNCST, CIntTab BASTYP,
            ArcTable& ARCS) {
  const int type = BASTYP(ARCS.ARCBE(k));
  const std::string& name = rateName(NAMES, BASTYP, ARCS, k);
  // Merged transitions may together hold more units than an int counts.
  long long m = ARCS.ARCMUL(k);
  const int target = IABSV(ARCS.ARCTO(k));
  const bool failure = ARCS.ARCTO(k) < 0;
  // Every later transition is looked at, so their targets are checked once.
  const int* const to = ARCS.ARCTO.checkedRun(ARCS.NTRANS);
  for (int j = k + 1; j <= ARCS.NTRANS; ++j) {
    if (to[j - 1] == to[k - 1] && rateName(NAMES, BASTYP, ARCS, j) == name) {
      m += ARCS.ARCMUL(j);
      ARCS.ARCTO(j) = 0;
    }
  }
  const bool marked = failure || (S.TRUNC != 0 && TRNCST(type) == target);
  if (CHNSNK != nullptr) {
    CHNSNK->arc(S.CURNUM, target, m, type, ARCS.ARCDRM(k) != 0, marked);
    return;
  }
  // A multiplier is nearly always one digit.
  static std::string digits(20, ' ');
  int ndig = 1;
  if (m >= 0 && m <= 9) {
    digits[0] = static_cast<char>('0' + m);
  } else if (const int status = INTCHR(digits, m, ndig, 20, 'L'); status != SUCCES) {
    errorLine(SCRUNT, "OUTARC", "F505") << Fixed{status, 2} << " RETURNED BY INTCHR()";
    return;
  }
  const std::string_view mult(digits.data(), static_cast<std::size_t>(ndig));
  const Rate rate(name, marked);
  if (S.VERBOSE != 0) {
    // The head of every arc of the source is the same, formed once.
    Line line(INTUNT);
    line << S.HEAD.TEXT;
    if (failure) {
      line << " -> F " << type;
    } else {
      writeTarget(line, S);
    }
    writeTail(line, mult, rate);
  }
  {
    Line arc(INTUNT);
    arc << S.HEAD.NUMBER << " " << target;
    writeTail(arc, m > 1 ? mult : "", rate);
  }
  if (S.VERBOSE != 0) Line{INTUNT};
}

}  // namespace molvex
