#include "gates/trvtre.h"

#include <algorithm>
#include <functional>

#include "ftinput/fttabs.h"
#include "main/files.h"

namespace molvex {
namespace {

// TRVTRE's own failed-unit counts; each gate routine keeps its own.
int trvtreNfail[MAXBAS];

}  // namespace

int TreeRules::basicValue(int failed, int mult, int parentType) const {
  return failed < mult && wholeOnly(parentType) ? 0 : failed;
}

Next TreeRules::pandReturn(Traversal& t, Frame& f, int value) {
  if (f.arc > 2) return t.pandArcs(f.place);
  return pandOrder(t, f, value);
}

Next TreeRules::seqReturn(Traversal& /*t*/, Frame& /*f*/, int value) { return andRule(value); }

Next TreeRules::pandOrder(Traversal& t, Frame& f, int value) {
  if (f.arc == 1) {
    f.acc = value >= 1 ? 1 : 0;
  } else if (f.arc == 2) {
    if (f.acc != 1 || value < 1) {
      f.acc = 0;
    } else {
      // Both inputs have occurred; whether in order, the gate's slot says.
      int slot = 0;
      if (!t.pandSlot(f.place, slot)) return Next::FAIL;
      f.acc = t.STATE()(slot) == 1 ? 1 : 0;
    }
  }
  return Next::ADVANCE;
}

int Traversal::noRoom() const {
  errorLine(SCRUNT, routine_, "F800") << "TABLE TOO SMALL TO HOLD STACK ****";
  return ERRGEN;
}

int Traversal::prepare() {
  if (checkRoom() != SUCCES) return ERRGEN;
  stack_ = Stack{PLCTAB_.slice(PLCTAB_(HDFREE), FRMSIZ * PLCTAB_(HDNPLC))};
  INISTK(stack_, KBDUNT, SCRUNT);
  return SUCCES;
}

int Traversal::tooManyComponents() const {
  outOfRange("NUMBER OF BASIC COMPONENTS", NBASIC_);
  return ERRGEN;
}

int Traversal::countFailed() {
  if (checkComponents() != SUCCES) return ERRGEN;
  // The bounds are checked above for the whole run, not word by word.
  std::transform(BASE_.begin(), BASE_.begin() + NBASIC_, STATE_.begin(), NFAIL_.begin(),
                 std::minus<>());
  return SUCCES;
}

bool Traversal::badPlace(int place) const {
  if (place >= 0) return outOfRange("PLACE TABLE OFFSET", place);
  errorLine(SCRUNT, routine_, "F806") << "INTERNAL ERROR - PLACE TABLE OFFSET < 0 "
                                      << "(" << place << ")";
  return false;
}

bool Traversal::component(int place, int& c) const {
  c = field(place, FBASIC);
  return (c >= 1 && c <= NBASIC_) || outOfRange("BASIC COMPONENT", c);
}

bool Traversal::pandSlot(int place, int& slot) const {
  return slotAfter(NBASIC_, field(place, FPAND), SPRBAS_, "ORDER SLOT", slot);
}

Next Traversal::pandArcs(int place) const {
  errorLine(SCRUNT, routine_, "F718")
      << "PRIORITY AND GATES MUST HAVE 2 INCOMING "
      << "ARCS; NODE " << PLCTAB_(place) << " HAS " << field(place, FNARC) << " ARCS";
  return Next::FAIL;
}

bool Traversal::gateCount(CIntTab list, int& n) const {
  n = list.size() < 1 ? 0 : std::max(list(1), 0);
  return n == 0 || n < list.size() || outOfRange("GATE LIST COUNT", n);
}

bool Traversal::levelWord(int& slot) const {
  if (NSLOT_ < std::max(NBASIC_, 0) || NSLOT_ >= STATE_.size()) {
    return outOfRange("NUMBER OF SLOTS", NSLOT_);
  }
  slot = NSLOT_ + 1;
  return true;
}

bool Traversal::slotAfter(int after, int index, int last, std::string_view what, int& slot) const {
  const int end = std::min({last, NSLOT_, STATE_.size()});
  if (after < NBASIC_ || index < 1 || index > end - after) return outOfRange(what, index);
  slot = after + index;
  return true;
}

bool Traversal::outOfRange(std::string_view what, int value) const {
  // Same family as the negative offset (F806): the tables handed in are not
  // ones the build makes.
  errorLine(SCRUNT, routine_, "F806") << "INTERNAL ERROR - " << what << " OUT OF RANGE "
                                      << "(" << value << ")";
  return false;
}

Next Traversal::illegalType(int place, int type) const {
  errorLine(SCRUNT, routine_, "F801")
      << "ILLEGAL PLACE TYPE (" << Fixed{type, 4} << ") FOR PLACE " << Fixed{PLCTAB_(place), 4}
      << " AT OFFSET " << Fixed{place, 4} << " IN PLACE TABLE ****";
  return Next::FAIL;
}

Next Traversal::arrive(Frame& f, int type) const {
  if (type == TCSP && field(f.place, FSHARE) != 0) return sharedSpare(f);
  f.acc = type == TAND || type == TSEQ || type == TCSP ? 1 : 0;
  return Next::ADVANCE;
}

// A gate that shares spares has failed once it holds no unit in any input
// position: its slots say so, whatever the basic-component slots show.  Its
// inputs are not visited.
Next Traversal::sharedSpare(Frame& f) const {
  // The sharing gates come first in CSPTAB, with one block of slots each, one
  // slot per input, in list order.
  const int count = CSPTAB_.size() < 1 ? 0 : CSPTAB_(1);
  const int last = static_cast<int>(std::min(count + 1LL, 0LL + CSPTAB_.size()));
  int base = 0;
  int i = 2;
  for (; i <= last && CSPTAB_(i) != f.place; ++i) {
    if (!checkPlace(CSPTAB_(i))) return Next::FAIL;
    base += field(CSPTAB_(i), FNARC);
  }
  if (i > last) {
    errorLine(SCRUNT, routine_, "F807") << "CSP GATE AT OFFSET " << f.place << " IN PLACE TABLE "
                                        << "NOT FOUND IN TABLE OF CSP GATES (CSPTAB)";
    return Next::FAIL;
  }
  const int inputs = field(f.place, FNARC);
  f.acc = 1;
  for (int k = 1; k <= inputs && f.acc == 1; ++k) {
    int slot = 0;
    if (!slotAfter(SPRBAS_, base + k, NSLOT_, "SPARE SLOT", slot)) return Next::FAIL;
    if (STATE_(slot) != 0) f.acc = 0;
  }
  f.arc = inputs;
  return Next::ADVANCE;
}

// Only a frame that does not fit gets here; the stack routine reports it.
int Traversal::overflow(const Frame& f) {
  const int words[FRMSIZ] = {f.place, f.arc, f.acc};
  return stackFault(PUSH(stack_, CIntTab(words, FRMSIZ), FRMSIZ, 0));
}

int Traversal::underflow() {
  int words[FRMSIZ];
  return stackFault(POP(stack_, IntTab(words, FRMSIZ), FRMSIZ, 0));
}

// The stack holds one frame per level of gates, so running out of it means
// the inputs lead round in a cycle.
int Traversal::stackFault(int status) const {
  if (stackFault_ == StackFault::QUIET) return ERRGEN;
  errorLine(SCRUNT, routine_, "F502") << "FAULT TREE HAS INVALID STRUCTURE";
  return status;
}

int TRVTRE(IntTab PLCTAB, CIntTab CSPTAB, int SPRBAS, int NBASIC, int NSLOT, CIntTab STATE,
           CIntTab BASE, int& FAILED, const FlatTree* FLAT) {
  if (FLAT != nullptr && FLAT->TOP >= 0 && FLAT->NBASIC == NBASIC && FLAT->SPRBAS == SPRBAS &&
      FLAT->NSLOT == NSLOT && STATE.size() >= NSLOT && BASE.size() >= NBASIC) {
    FAILED = flatValue(*FLAT, FLAT->TOP, STATE, BASE) != 0 ? 1 : 0;
    return SUCCES;
  }
  Traversal walk("TRVTRE", StackFault::F502, PLCTAB, CSPTAB, SPRBAS, NBASIC, NSLOT, STATE, BASE,
                 IntTab(trvtreNfail, MAXBAS));
  int status = walk.prepare();
  if (status != SUCCES) return status;
  FAILED = 0;
  if ((status = walk.countFailed()) != SUCCES) return status;
  TreeRules rules;
  int value = 0;
  status = walk.evaluate(PLCTAB(HDROOT), rules, value);
  if (status == SUCCES) FAILED = value != 0 ? 1 : 0;
  return status;
}

}  // namespace molvex
