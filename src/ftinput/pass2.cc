#include <algorithm>
#include <string>

#include "ftinput/bldlst.h"
#include "ftinput/gates.h"
#include "ftinput/plctab.h"
#include "main/error.h"
#include "main/files.h"
#include "util/convrt.h"

namespace molvex {

namespace ftr {

int findEntry(CIntTab INDLST, int x, int y) {
  for (int i = 1; i <= entryCount(INDLST); ++i) {
    const int k = entryPos(i);
    if (INDLST(k) == x && INDLST(k + 1) == y) return k;
  }
  return -1;
}

}  // namespace ftr

int LOOKUP(IntTab INDLST, int X, int Y, int& PLACE, int FUNCT, int& POSITN) {
  POSITN = -1;
  if (FUNCT != 0 && FUNCT != 1) {
    errorLine(SCRUNT, "LOOKUP", "F713") << "ILLEGAL FUNCT:  " << Fixed{FUNCT, 4} << " ****";
    return ERRGEN;
  }
  const int k = ftr::findEntry(INDLST, X, Y);
  if (k < 0) {
    errorLine(SCRUNT, "LOOKUP", "F714")
        << "PLACE AT " << ftr::Coords{X, Y} << " NOT FOUND IN INDEX LIST ****";
    return NOTFND;
  }
  if (FUNCT == 0) {
    PLACE = INDLST(k + 2);
  } else {
    INDLST(k + 2) = PLACE;
  }
  POSITN = k;
  return SUCCES;
}

namespace {

constexpr ftr::Codes PASS2CODES{"PASS2", "F712", "F705"};

// The second pass over the open file: the node being built (p, at x y) and
// the last place table word in use.
class Builder {
 public:
  Builder(IntTab INDLST, FaultTree& FT, int maxnod, int maxbas)
      : INDLST_(INDLST), FT_(FT), PLCTAB_(FT.PLCTAB), maxnod_(maxnod), maxbas_(maxbas) {}

  int run();

 private:
  int node();
  int arc();
  int fields(int type);
  int mofn();
  int basic();
  int append(IntTab list, std::string_view kind);
  int operands(char op, int& left, int& right) const;
  int basicLimit() const;
  int overflow() const;
  int lookupFailed() const;

  IntTab INDLST_;
  FaultTree& FT_;
  IntTab PLCTAB_;
  int maxnod_;
  int maxbas_;
  ftr::Reader in_{PASS2CODES};
  int last_ = HDROOT;
  int p_ = 0;  // no node yet
  int x_ = 0;
  int y_ = 0;
};

int Builder::run() {
  char kind = ' ';
  int status = SUCCES;
  while ((status = in_.next(kind)) == SUCCES) {
    if (kind == 'N') {
      status = node();
    } else if (kind == 'A') {
      status = arc();
    }
    if (status != SUCCES) return status;
  }
  return status == ENDFIL ? SUCCES : status;
}

int Builder::overflow() const {
  errorLine(SCRUNT, "PASS2", "F704")
      << "PLACE TABLE OVERFLOW, TOO MANY FT NODES FOR CURRENT TABLE SIZE";
  return ERRGEN;
}

int Builder::node() {
  const int p = last_ + 1;
  if (p + FNARC > PLCTAB_.size()) return overflow();
  last_ = p + FNARC;
  p_ = p;
  PLCTAB_(HDNPLC) += 1;
  int type = 0;
  if (!in_.readNumber(x_) || !in_.readNumber(y_) || !in_.readNumber(type)) return ERRGEN;
  const bool labelled = type == TBASIC || type == TMOFN || type == TBOX;
  if (labelled && !in_.readText()) return ERRGEN;
  PLCTAB_(p) = PLCTAB_(HDNPLC);
  PLCTAB_(p + FTYPE) = type;
  const int status = fields(type);
  if (status != SUCCES) return status;
  int place = p;
  int position = 0;
  return LOOKUP(INDLST_, x_, y_, place, 1, position) == SUCCES ? SUCCES : lookupFailed();
}

// After LOOKUP's own message, for the node being built.
int Builder::lookupFailed() const {
  errorLine(SCRUNT, "PASS2", "F709")
      << "LOOKUP IN INDEX LIST FAILED FOR ITEM AT LOCATION " << ftr::Coords{x_, y_} << " ****";
  return ERRGEN;
}

int Builder::fields(int type) {
  if (type == TMOFN) return mofn();
  if (type == TBASIC) return basic();
  if (type == TFBOX) {
    PLCTAB_(HDROOT) = p_;
    PLCTAB_(p_ + FGATM) = -1;
    return SUCCES;
  }
  if (type == TFDEP) return append(FT_.FDPLST, "FDEP");
  if (type == TCSP) return append(FT_.CSPTAB, "CSP");
  if (type == TSPARE) {
    PLCTAB_(p_ + FTYPE) = TCSP;
    PLCTAB_(p_ + FREPLC) = 1;
    return append(FT_.CSPTAB, "CSP");
  }
  if (type == TSEQ) return append(FT_.SEQLST, "SEQ");
  if (type == TPAND) {
    const int status = append(FT_.PNDLST, "PAND");
    if (status == SUCCES) PLCTAB_(p_ + FPAND) = FT_.PNDLST(1);
    return status;
  }
  if (type == TOR || type == TAND || type == TBOX || type == TXOR || type == TNOT) return SUCCES;
  errorLine(SCRUNT, "PASS2", "F708")
      << "ILLEGAL FAULT TREE NODE TYPE:  " << Fixed{type, 4} << " ****";
  return ERRGEN;
}

int Builder::mofn() {
  int m = 0;  // a label too short for M/N stays 0/0
  int n = 0;
  if (in_.length() >= 3) {
    const int status = operands('/', m, n);
    if (status != SUCCES) return status;
  }
  // No gate has M or N below 1; with M = 0 it would fail before anything.
  if (m < 1 || n < 1) {
    errorLine(SCRUNT, "PASS2", "F706")
        << "ILLEGAL FORM FOR M/N GATE LABEL: " << in_.word() << " ****";
    return ERRGEN;
  }
  PLCTAB_(p_ + FGATM) = m;
  PLCTAB_(p_ + FGATN) = n;
  return SUCCES;
}

// The fewest basic components that BASTYP, BASE and CSPRNT can hold.
int Builder::basicLimit() const {
  return std::min({maxbas_, FT_.BASTYP.size(), FT_.BASE.size(), FT_.CSPRNT.size()});
}

int Builder::basic() {
  int& NBASIC = FT_.NBASIC;
  NBASIC += 1;
  if (NBASIC > basicLimit()) {
    errorLine(SCRUNT, "PASS2", "F707") << "TOO MANY BASIC COMPONENTS (LEAVES) IN FAULT TREE ****";
    return ERRGEN;
  }
  PLCTAB_(p_ + FBASIC) = NBASIC;
  const std::string& label = in_.word();
  int k = 1;
  int t = 0;
  if (label.find('*') != std::string::npos) {
    const int status = operands('*', k, t);
    if (status != SUCCES) return status;
  } else {
    double value = 0.0;
    if (CONVRT(label, value, in_.length()) != SUCCES) return ERRGEN;
    t = truncateToInt(value);
  }
  // The type indexes the per-type tables of the dictionary; the count is a
  // number of working units.
  if (k < 1 || t < 1) {
    errorLine(SCRUNT, "PASS2", "F724") << "ILLEGAL BASIC EVENT LABEL: " << label << " ****";
    return ERRGEN;
  }
  PLCTAB_(p_ + FCTYPE) = t;
  PLCTAB_(p_ + FMULT) = k;
  FT_.BASTYP(NBASIC) = t;
  FT_.BASE(NBASIC) = k;
  return SUCCES;
}

int Builder::operands(char op, int& left, int& right) const {
  std::string ltext;
  std::string rtext;
  double dleft = 0.0;
  double dright = 0.0;
  return OPRNDS(in_.word(), op, in_.length(), ltext, rtext, left, right, dleft, dright);
}

int Builder::append(IntTab list, std::string_view kind) {
  const int limit = std::min(maxnod_, list.size() - 1);
  if (list(1) >= limit) {
    errorLine(SCRUNT, "PASS2", "F723")
        << "TOO MANY " << kind << " GATES, MAX NO. = " << limit << " ****";
    return ERRGEN;
  }
  list(1) += 1;
  list(list(1) + 1) = p_;
  return SUCCES;
}

int Builder::arc() {
  if (p_ == 0) {
    errorLine(SCRUNT, "PASS2", "F722") << "ARC LINE BEFORE THE FIRST NODE LINE ****";
    in_.echo();
    return ERRGEN;
  }
  int sx = 0;
  int sy = 0;
  int dx = 0;
  int dy = 0;
  if (!in_.readNumber(sx) || !in_.readNumber(sy) || !in_.readNumber(dx) || !in_.readNumber(dy)) {
    return ERRGEN;
  }
  if (dx != x_ || dy != y_) {
    if (dx == 0 && dy == 0) return SUCCES;  // an arc into the reserved point leads nowhere
    errorLine(SCRUNT, "PASS2", "F710") << "DEST COORD MISMATCH FOR INCOMING ARC ****";
    return ERRGEN;
  }
  PLCTAB_(p_ + FNARC) += 1;
  int place = 0;
  int k = 0;
  if (LOOKUP(INDLST_, sx, sy, place, 0, k) != SUCCES) return lookupFailed();
  if (last_ + ARCSIZ > PLCTAB_.size()) return overflow();
  last_ += ARCSIZ;
  PLCTAB_(last_) = k;
  return SUCCES;
}

}  // namespace

int PASS2(std::string_view FILNAM, IntTab INDLST, FaultTree& FT, int NODLIM, int BASLIM) {
  if (openInput(FTRUNT, FILNAM) != SUCCES) {
    errorLine(SCRUNT, "PASS2", "F711") << "ERROR OPENING INPUT FILE " << FILNAM << " ****";
    return ERRGEN;
  }
  rewindUnit(FTRUNT);
  FT.NBASIC = 0;
  FT.PLCTAB.fill(0);
  FT.FDPLST.fill(0);
  FT.CSPTAB.fill(0);
  FT.PNDLST.fill(0);
  FT.SEQLST.fill(0);
  const int status = Builder(INDLST, FT, NODLIM, BASLIM).run();
  closeUnit(FTRUNT);
  return status;
}

}  // namespace molvex
