#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "ftinput/bldlst.h"
#include "ftinput/gates.h"
#include "main/error.h"
#include "main/files.h"
#include "util/lineio.h"

namespace molvex {
namespace ftr {

int Reader::next(char& kind) {
  // Only the text columns are read into the line, so what lies beyond
  // column 80 is cut off rather than rejected.
  const int status = GETLIN(line_, NCOLS, NCOLS, FTRUNT);
  if (status == ENDFIL) return ENDFIL;
  if (status != SUCCES) {
    // A line that cannot be read must not pass for the end of the tree.
    traceback(SCRUNT, codes_.routine, status, "GETLIN");
    return ERRGEN;
  }
  start_ = 1;
  if (!readText()) return ERRGEN;
  if (len_ > 1) {
    errorLine(SCRUNT, codes_.routine, codes_.tooLong)
        << "UNEXPECTED INPUT ITEM: FIRST ITEM TOO LONG ";
    // The continuation line is indented under the text, without a head.
    Line(SCRUNT) << std::string(25, ' ') << "ON THE FOLLOWING INPUT LINE:";
    echo();
    return ERRGEN;
  }
  kind = word_[0];
  return SUCCES;
}

bool Reader::readNumber(int& value) {
  if (!scan('N')) return false;
  value = ival_;
  return true;
}

bool Reader::readText() { return scan('C'); }

void Reader::echo() const { Line(SCRUNT) << line_; }

bool Reader::scan(char mode) {
  double dval = 0.0;
  if (NXTWRD(line_, start_, NCOLS, mode, len_, word_, ival_, dval) == SUCCES) return true;
  parseError();
  return false;
}

void Reader::parseError() const {
  errorLine(SCRUNT, codes_.routine, codes_.parse)
      << "ERROR PARSING NEXT WORD FROM INPUT LINE: ****";
  echo();
}

}  // namespace ftr

namespace {

constexpr ftr::Codes PASS1CODES{"PASS1", "F703", "F701"};

int indexOverflow() {
  errorLine(SCRUNT, "PASS1", "F704") << "INDEX LIST OVERFLOW, TOO MANY FT NODES ****";
  return ERRGEN;
}

// The coordinates of the entries so far.  Searching the list for each node
// line instead would take hours on a long file.
using Seen = std::unordered_set<std::uint64_t>;

std::uint64_t coordsKey(int x, int y) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) |
         static_cast<std::uint32_t>(y);
}

// Adds the entry (x, y) with place offset 0; the place word is written here
// because only the words of NODLIM entries were cleared.
int addEntry(IntTab INDLST, Seen& seen, int x, int y) {
  if (!seen.insert(coordsKey(x, y)).second) {
    errorLine(SCRUNT, "PASS1", "F719")
        << "TWO NODES AT THE SAME COORDINATES " << ftr::Coords{x, y} << " ****";
    return ERRGEN;
  }
  const int k = ftr::entryPos(INDLST(1) + 1);
  if (k + 2 > INDLST.size()) return indexOverflow();
  INDLST(k) = x;
  INDLST(k + 1) = y;
  INDLST(k + 2) = 0;
  INDLST(1) += 1;
  return SUCCES;
}

// Indexes the node lines of the open file and counts its system-failure
// boxes (at most one).
int indexNodes(IntTab INDLST, bool& root) {
  ftr::Reader in(PASS1CODES);
  Seen seen;
  char kind = ' ';
  int status = SUCCES;
  while ((status = in.next(kind)) == SUCCES) {
    if (kind != 'N') continue;
    int x = 0;
    int y = 0;
    int type = 0;
    if (!in.readNumber(x) || !in.readNumber(y)) return ERRGEN;
    status = addEntry(INDLST, seen, x, y);
    if (status != SUCCES) return status;
    if (!in.readNumber(type)) return ERRGEN;
    if (type != TFBOX) continue;
    if (root) {
      errorLine(SCRUNT, "PASS1", "F720") << "MORE THAN ONE \"SYSTEM-FAILURE\" BOX SPECIFIED ****";
      return ERRGEN;
    }
    root = true;
  }
  return status == ENDFIL ? SUCCES : status;
}

}  // namespace

int PASS1(std::string_view FILNAM, IntTab INDLST, int NODLIM) {
  if (!fileExists(FILNAM)) {
    errorLine(SCRUNT, "PASS1", "F700")
        << "FAULT TREE DESCRIPTION FILE (" << FILNAM << ") NOT FOUND ****";
    return ERRGEN;
  }
  if (openInput(FTRUNT, FILNAM) != SUCCES) {
    errorLine(SCRUNT, "PASS1", "F702") << "ERROR OPENING INPUT FILE " << FILNAM << " ****";
    return ERRGEN;
  }
  rewindUnit(FTRUNT);
  const long long cleared = std::clamp(3LL * NODLIM + 1, 0LL, 1LL * INDLST.size());
  INDLST.slice(1, static_cast<int>(cleared)).fill(0);
  bool root = false;
  const int status = indexNodes(INDLST, root);
  closeUnit(FTRUNT);
  if (status != SUCCES) return status;
  if (!root) {
    errorLine(SCRUNT, "PASS1", "F916")
        << "\"SYSTEM-FAILURE\" BOX NOT SPECIFIED, FAULT TREE INCOMPLETE ****";
    return ERRGEN;
  }
  return SUCCES;
}

}  // namespace molvex
