#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "ftinput/bldlst.h"
#include "ftinput/gates.h"
#include "ftinput/plctab.h"
#include "main/error.h"
#include "main/files.h"
#include "main/globals.h"

namespace molvex {
namespace {

constexpr int PRNWDS = 2;  // data words of a CSPRNT node: CSPTAB entry, FSPBAS

// The gates of a gate list, whose word 1 counts them.
IntTab gatesOf(IntTab list) { return list.slice(2, std::clamp(list(1), 0, list.size() - 1)); }

// Inputs first.. of the place at p.  None is an empty view of its own: a
// place that ends in the table's last word has no word behind its inputs.
IntTab inputsOf(IntTab PLCTAB, int p, int first = 1) {
  const int n = PLCTAB(p + FNARC) - first + 1;
  return n > 0 ? PLCTAB.slice(p + FNARC + first, n) : IntTab();
}

bool isBasic(CIntTab PLCTAB, int q) { return PLCTAB(q + FTYPE) == TBASIC; }

// Inputs first.. of the gate at p must be basic events.
int requireBasic(IntTab PLCTAB, int p, int first, std::string_view code, std::string_view rule) {
  const IntTab inputs = inputsOf(PLCTAB, p, first);
  const auto bad =
      std::find_if(inputs.begin(), inputs.end(), [&](int q) { return !isBasic(PLCTAB, q); });
  if (bad == inputs.end()) return SUCCES;
  const int j = first + static_cast<int>(bad - inputs.begin());
  errorLine(SCRUNT, "PASS3", code)
      << rule << "; ARC " << j << " OF NODE " << PLCTAB(p) << " IS NOT A BASIC EVENT";
  return ERRGEN;
}

// A count right-justified in `width` columns, or wider when it needs more.
std::string rightJustified(long long value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  return text;
}

// N of an M/N gate counts an input basic event once per component.  The sum
// of large multiplicities may pass the int range, hence 64 bits.
int checkMofN(IntTab PLCTAB, int p) {
  long long count = 0;
  for (const int q : inputsOf(PLCTAB, p)) count += isBasic(PLCTAB, q) ? PLCTAB(q + FMULT) : 1;
  const int m = PLCTAB(p + FGATM);
  const int n = PLCTAB(p + FGATN);
  if (count == n) return SUCCES;
  errorLine(SCRUNT, "PASS3", "F715", 2)
      << "CARDINALITY OF INCOMING ARCS (" << rightJustified(count, 3) << ") ****";
  // The second line of F715 is aligned under the first, without a head.
  Line(SCRUNT) << "****         FOR " << Fixed{m, 3} << "/" << Fixed{n, 3}
               << " GATE DO NOT MATCH N = " << Fixed{n, 3} << " OF M/N GATE ****";
  return ERRGEN;
}

int checkPlace(IntTab PLCTAB, int p) {
  const int type = PLCTAB(p + FTYPE);
  if (type == TMOFN) return checkMofN(PLCTAB, p);
  if (type == TFDEP) {
    return requireBasic(PLCTAB, p, 2, "F716",
                        "DEPENDENT EVENTS FOR A FUNCTIONAL DEPENDENCY GATE MUST BE BASIC EVENTS");
  }
  if (type == TPAND && PLCTAB(p + FNARC) != 2) {
    errorLine(SCRUNT, "PASS3", "F718") << "PRIORITY-AND GATES MUST HAVE 2 INCOMING ARCS; NODE "
                                       << PLCTAB(p) << " HAS " << PLCTAB(p + FNARC) << " ARCS";
    return ERRGEN;
  }
  return SUCCES;
}

// Whether a spare of the cold spare gate g is also a spare of another gate.
bool sharesSpare(IntTab PLCTAB, IntTab gates, int g) {
  for (const int spare : inputsOf(PLCTAB, g, 2)) {
    for (const int h : gates) {
      const IntTab others = inputsOf(PLCTAB, h, 2);
      if (h != g && std::find(others.begin(), others.end(), spare) != others.end()) return true;
    }
  }
  return false;
}

// A cold spare gate takes over its inputs' units one input after the other
// (a sharing gate keeps a slot per input); an input listed twice would have
// its units counted twice, and the rates of their failures with them.
int requireDistinct(IntTab PLCTAB, int g) {
  const IntTab inputs = inputsOf(PLCTAB, g);
  for (int n = 2; n <= inputs.size(); ++n) {
    const int q = inputs(n);
    const IntTab earlier = inputs.slice(1, n - 1);
    if (std::find(earlier.begin(), earlier.end(), q) == earlier.end()) continue;
    errorLine(SCRUNT, "PASS3", "F725") << "INPUT " << n << " OF COLD SPARE GATE " << PLCTAB(g)
                                       << " REPEATS BASIC EVENT " << PLCTAB(q);
    return ERRGEN;
  }
  return SUCCES;
}

int checkColdSpares(IntTab PLCTAB, FaultTree& FT) {
  const IntTab gates = gatesOf(FT.CSPTAB);
  for (const int g : gates) {
    int status = requireBasic(PLCTAB, g, 1, "F717",
                              "ALL DESCENDENT EVENTS FOR A COLD SPARE GATE MUST BE BASIC EVENTS");
    if (status == SUCCES) status = requireDistinct(PLCTAB, g);
    if (status != SUCCES) return status;
    const bool shares = sharesSpare(PLCTAB, gates, g);
    PLCTAB(g + FSHARE) = shares ? 1 : 0;
    if (shares) FT.NSHCSP += 1;
  }
  return SUCCES;
}

int checkSequences(IntTab PLCTAB, const FaultTree& FT) {
  for (const int g : gatesOf(FT.SEQLST)) {
    const int status = requireBasic(PLCTAB, g, 2, "F721",
                                    "ALL DESCENDENT EVENTS EXCEPT THE LEFTMOST EVENT OF A "
                                    "SEQUENCE GATE MUST BE BASIC EVENTS");
    if (status != SUCCES) return status;
  }
  return SUCCES;
}

// A node of CSPRNT for cold spare gate `entry`, pushed on `head`.
int addParent(NodePool& pool, int& head, int entry, int base) {
  int node = pool.NULPTR;
  int status = GETNOD(pool, node, PRNWDS);
  if (status != SUCCES) {
    traceback(SCRUNT, "MKPRNT", status, "GETNOD");
    return status;
  }
  pool.POOL(node) = entry;
  pool.POOL(node + 1) = base;
  status = PSHPTR(pool, head, node, PRNWDS);
  if (status != SUCCES) traceback(SCRUNT, "MKPRNT", status, "PSHPTR");
  return status;
}

}  // namespace

int PASS3(IntTab INDLST, FaultTree& FT) {
  const IntTab PLCTAB = FT.PLCTAB;
  FT.NSHCSP = 0;
  int end = HDROOT;  // the last word of the last place
  for (int i = 1; i <= ftr::entryCount(INDLST); ++i) {
    const int p = INDLST(ftr::entryPos(i) + 2);
    for (int& k : inputsOf(PLCTAB, p)) k = INDLST(k + 2);
    const int status = checkPlace(PLCTAB, p);
    if (status != SUCCES) return status;
    end = p + FNARC + PLCTAB(p + FNARC);
  }
  PLCTAB(HDFREE) = end + 2;
  const int status = checkColdSpares(PLCTAB, FT);
  return status == SUCCES ? checkSequences(PLCTAB, FT) : status;
}

void SRTCSP(FaultTree& FT) {
  const IntTab gates = gatesOf(FT.CSPTAB);
  const auto sharing = [&FT](int g) { return FT.PLCTAB(g + FSHARE) == 1; };
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (int i = 2; i <= gates.size(); ++i) {
      if (sharing(gates(i)) && !sharing(gates(i - 1))) {
        std::swap(gates(i), gates(i - 1));
        exchanged = true;
      }
    }
  }
}

int MKPRNT(NodePool& POOL2, FaultTree& FT) {
  const IntTab PLCTAB = FT.PLCTAB;
  FT.CSPRNT.slice(1, FT.NBASIC).fill(POOL2.NULPTR);
  int total = 0;  // shared-spare slots given out so far
  const IntTab gates = gatesOf(FT.CSPTAB);
  for (int i = 1; i <= gates.size(); ++i) {
    const int g = gates(i);
    const bool shares = PLCTAB(g + FSHARE) == 1;
    // Set before the inputs, so that a gate without any still reads -1.
    PLCTAB(g + FSPBAS) = shares ? total : -1;
    for (const int q : inputsOf(PLCTAB, g)) {
      const int status = addParent(POOL2, FT.CSPRNT(PLCTAB(q + FBASIC)), i, PLCTAB(g + FSPBAS));
      if (status != SUCCES) return status;
    }
    if (shares) total += PLCTAB(g + FNARC);
  }
  FT.NSPSLT = total;
  return SUCCES;
}

int BLDLST(std::string_view FILNAM, IntTab INDLST, FaultTree& FT, NodePool& POOL2, int NODLIM,
           int BASLIM) {
  INITDR();
  INIUTL(0, KBDUNT, SCRUNT, 0);  // the conversion reports bad labels itself
  int status = PASS1(FILNAM, INDLST, NODLIM);
  if (status == SUCCES) status = PASS2(FILNAM, INDLST, FT, NODLIM, BASLIM);
  if (status == SUCCES) status = PASS3(INDLST, FT);
  if (status != SUCCES) return status;
  if (FT.CSPTAB(1) > 0 && FT.NSHCSP > 0) SRTCSP(FT);
  return MKPRNT(POOL2, FT);
}

}  // namespace molvex
