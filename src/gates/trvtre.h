// The fault tree traversal: whether the top event has occurred in a state,
// and the one engine behind every routine that evaluates the tree against a
// state (the top event here; the triggers, priority-AND gates and sequence
// gates in the gate routines).
//
// The traversal is iterative.  Its frames (place, arc index, accumulator)
// live on a stack laid into the free tail of the place table, three words per
// place; the tree is walked depth first, left to right, and each gate stops
// at the first input that settles its value.  A routine that runs the
// traversal owns its own failed-unit counts (NFAIL) and differs from the
// others only in a few gate rules, which it bends by deriving from TreeRules
// and hiding the hook it changes.  The hooks are bound at compile time: the
// traversal runs once per new state and again per transition, so it
// allocates nothing and calls nothing through pointers.
#pragma once

#include <algorithm>
#include <string_view>

#include "ftinput/gates.h"
#include "ftinput/plctab.h"
#include "gates/flattr.h"
#include "main/error.h"
#include "util/array1.h"
#include "util/stkque.h"

namespace molvex {

// Whether the top event of the tree in PLCTAB has occurred in STATE: FAILED
// := 1 or 0.  CSPTAB is the cold spare gate list (count, then the gates);
// the whole list or its used part (slice(1, count + 1)) may be passed, as
// only the entries the view holds are read.  Returns 1, -1 after a message,
// or the stack's status after a PUSH or POP failure (F502).  FAILED is 0
// after any error but a table too small for the stack (F800), which leaves
// it as it was.  FLAT, where given, is the flat form made of these tables
// (FLTTRE): the top is evaluated through it where it has one.
int TRVTRE(IntTab PLCTAB, CIntTab CSPTAB, int SPRBAS, int NBASIC, int NSLOT, CIntTab STATE,
           CIntTab BASE, int& FAILED, const FlatTree* FLAT = nullptr);

// Under gates of these types a basic event of several units counts only once
// all of them have failed; under the others each failed unit counts.
inline bool wholeOnly(int type) {
  return type == TAND || type == TXOR || type == TFDEP || type == TPAND || type == TSEQ ||
         type == TCSP;
}

// What a gate rule tells the traversal to do next.
enum class Next {
  ADVANCE,  // take the gate's next input (or finish with its accumulator)
  FINISH,   // the gate's value is settled: pass the value in hand up now
  STOP,     // end the whole evaluation at once, successfully
  FAIL,     // the rule has printed its error: end with -1
};

struct Frame {
  int place;  // place offset, or SENTNL
  int arc;    // how many inputs have been taken; 0 on first arrival
  int acc;    // the gate's running value
};

constexpr int SENTNL = -1;  // the place of the frame below the start place
constexpr int FRMSIZ = 3;   // words of a stack frame
constexpr int UNUSED = -1;  // a stack word that holds no frame

// How a failed PUSH or POP is reported: TRVTRE names it (F502) and returns
// the stack's status; the gate routines leave it at the stack's own message
// and return -1.
enum class StackFault { F502, QUIET };

class Traversal;

// The gate rules every traversal shares.  Each hook sees the frame of the
// gate that an input has just returned to (its arc index names that input)
// and that input's value.
struct TreeRules {
  // The value a basic event with `failed` of its `mult` units failed hands
  // to a parent of type `parentType` (0 above the start place).
  int basicValue(int failed, int mult, int parentType) const;
  // An FDEP gate's trigger has occurred; the gate's value becomes 1 and its
  // dependent inputs are skipped.
  Next fdepTriggered(Traversal&, int /*place*/) { return Next::ADVANCE; }
  // Return to a priority-AND gate: its inputs in order, more than two is an
  // error (F718).
  Next pandReturn(Traversal& t, Frame& f, int value);
  // Return to a sequence gate: as an AND gate.
  Next seqReturn(Traversal& t, Frame& f, int value);

  // The accumulator of a priority-AND gate after input 1 or 2 has returned;
  // other inputs leave it alone.
  static Next pandOrder(Traversal& t, Frame& f, int value);
  // AND: a zero input settles the gate at 0.
  static Next andRule(int value) { return value == 0 ? Next::FINISH : Next::ADVANCE; }
};

class Traversal {
 public:
  // `routine` names every message; NFAIL is the routine's own table of
  // failed-unit counts (MAXBAS words).
  // Inline with the checks below: the spare routines make one for every
  // call, several per transition, and use little else of it.
  Traversal(std::string_view routine, StackFault stackFault, IntTab PLCTAB, CIntTab CSPTAB,
            int SPRBAS, int NBASIC, int NSLOT, CIntTab STATE, CIntTab BASE, IntTab NFAIL)
      : routine_(routine),
        stackFault_(stackFault),
        PLCTAB_(PLCTAB),
        CSPTAB_(CSPTAB),
        SPRBAS_(SPRBAS),
        NBASIC_(NBASIC),
        NSLOT_(NSLOT),
        STATE_(STATE),
        BASE_(BASE),
        NFAIL_(NFAIL) {}

  // Checks that the free area holds three words per place (F800) and empties
  // the stack there.  Returns 1 or -1.
  int prepare();
  // The check alone, for the routines that read places without walking.
  int checkRoom() {
    const int free = PLCTAB_(HDFREE);
    const int places = PLCTAB_(HDNPLC);
    lastRecord_ = free - 1 - FNARC;
    // A free area that begins inside the header, or a negative place count,
    // leaves no room for a stack either.
    if (free <= HDROOT || places < 0 || free + 3LL * places > PLCTAB_.size()) return noRoom();
    return SUCCES;
  }
  // NFAIL(i) := BASE(i) - STATE(i), i = 1..NBASIC.  Returns 1 or -1.
  int countFailed();
  // That the tables hold NBASIC components, the check of countFailed alone,
  // for the routines that read no counts.  Returns 1 or -1.
  int checkComponents() const {
    if (NBASIC_ < 0 || NBASIC_ > std::min({NFAIL_.size(), STATE_.size(), BASE_.size()})) {
      return tooManyComponents();
    }
    return SUCCES;
  }
  // Evaluates the subtree of `start` above a sentinel frame of its own;
  // `value` is the subtree's value.  Returns 1 (also when a rule stopped the
  // evaluation), -1 after a message, or the stack's status.
  template <class Rules>
  int evaluate(int start, Rules& rules, int& value);

  // For the rules.
  int field(int place, int offset) const { return PLCTAB_(place + offset); }
  int input(int place, int j) const { return PLCTAB_(place + FNARC + j); }
  // Whether `place` is a whole record of the place table; false after F806.
  // A record lies whole between the header and the free area, so a stray
  // offset can neither read past the table nor take stack words for a place.
  bool checkPlace(int place) const {
    if (place <= HDROOT || place > lastRecord_) return badPlace(place);
    const int inputs = field(place, FNARC);
    return (inputs >= 0 && inputs <= lastRecord_ - place) || badPlace(place);
  }
  // The basic component number of the basic event at `place`; false after
  // F806 when it is not one of the NBASIC components.
  bool component(int place, int& c) const;
  // The order slot of the priority-AND gate at `place` in the state vector;
  // false after F806 when the vector has no such slot.
  bool pandSlot(int place, int& slot) const;
  // F718: a priority-AND gate with more than two inputs.
  Next pandArcs(int place) const;
  // The number of gates in a gate list (count, then the gates): none for a
  // count below 1; false after F806 when the count runs past the list.
  bool gateCount(CIntTab list, int& n) const;
  // The slot of the level word (NSLOT + 1); false after F806 when the state
  // vector has no such word behind its basic-component slots.
  bool levelWord(int& slot) const;
  CIntTab STATE() const { return STATE_; }
  CIntTab BASE() const { return BASE_; }
  IntTab NFAIL() const { return NFAIL_; }

 private:
  // F806 for a place that is not a whole record.
  bool badPlace(int place) const;
  Next arrive(Frame& f, int type) const;
  template <class Rules>
  Next leave(Rules& rules, Frame& f, int type, int& value);
  Next sharedSpare(Frame& f) const;
  // Slot `index` of the block of slots after slot `after` that ends at
  // `last`; false after F806 when the state vector has no such slot.
  bool slotAfter(int after, int index, int last, std::string_view what, int& slot) const;
  bool outOfRange(std::string_view what, int value) const;
  int noRoom() const;             // F800
  int tooManyComponents() const;  // F806 on NBASIC
  Next illegalType(int place, int type) const;
  // Takes the next input that is not skipped, or hands the gate's value to
  // its parent when all are taken.  A basic event is never pushed: its value
  // goes straight back to the gate in hand, which its frame would have left
  // on the stack, but only where that frame would have fitted, so that the
  // stack overflows where it would have.
  template <class Rules>
  int advance(Rules& rules, Frame& f, int type, int& value);
  // The value the basic event at `place` hands to a parent of type
  // `parentType`.  Returns 1 or -1.
  template <class Rules>
  int basicEvent(Rules& rules, int place, int parentType, int& value) const;
  // A frame goes on and off the stack word by word; the stack routines see
  // only a frame that does not fit, or a pop from an empty stack, and report
  // it (U701, U702) exactly as on any stack.
  bool hasRoom() const { return stack_.TOP >= 0 && stack_.TOP <= stack_.STKSIZ() - FRMSIZ; }
  int push(const Frame& f);
  int pop(Frame& f);
  int overflow(const Frame& f);
  int underflow();
  int stackFault(int status) const;

  std::string_view routine_;
  StackFault stackFault_;
  IntTab PLCTAB_;
  CIntTab CSPTAB_;
  int SPRBAS_;
  int NBASIC_;
  int NSLOT_;
  CIntTab STATE_;
  CIntTab BASE_;
  IntTab NFAIL_;
  int lastRecord_ = 0;  // the last offset a place record fits at, before the free area
  Stack stack_;
};

inline int Traversal::push(const Frame& f) {
  if (!hasRoom()) return overflow(f);
  const int top = stack_.TOP;
  const IntTab words = stack_.STACK;
  words(top + 1) = f.place;
  words(top + 2) = f.arc;
  words(top + 3) = f.acc;
  stack_.TOP = top + FRMSIZ;
  return SUCCES;
}

// The words a frame leaves read as unused again, as after the stack's own POP.
inline int Traversal::pop(Frame& f) {
  const int top = stack_.TOP;
  if (top < FRMSIZ || top > stack_.STKSIZ()) return underflow();
  const IntTab words = stack_.STACK;
  f = Frame{words(top - 2), words(top - 1), words(top)};
  words(top - 2) = words(top - 1) = words(top) = UNUSED;
  stack_.TOP = top - FRMSIZ;
  return SUCCES;
}

template <class Rules>
int Traversal::evaluate(int start, Rules& rules, int& value) {
  int status = push(Frame{SENTNL, 1, 0});
  if (status != SUCCES) return status;
  value = 0;
  // The start must be a place: a sentinel there would end the evaluation
  // before it began.
  if (!checkPlace(start)) return ERRGEN;
  Frame f{start, 0, 0};
  if (field(start, FTYPE) == TBASIC) {
    if ((status = basicEvent(rules, start, 0, value)) != SUCCES) return status;
    return pop(f);  // the sentinel
  }
  while (f.place != SENTNL) {
    const int type = field(f.place, FTYPE);
    const Next next = f.arc == 0 ? arrive(f, type) : leave(rules, f, type, value);
    if (next == Next::FAIL) return ERRGEN;
    if (next == Next::STOP) return SUCCES;
    status = next == Next::FINISH ? pop(f) : advance(rules, f, type, value);
    if (status != SUCCES) return status;
  }
  return SUCCES;
}

template <class Rules>
int Traversal::advance(Rules& rules, Frame& f, int type, int& value) {
  const int inputs = field(f.place, FNARC);
  while (f.arc < inputs) {
    const int next = input(f.place, ++f.arc);
    if (next < 0) continue;  // an input left out of the tree
    if (!hasRoom()) return overflow(f);
    if (!checkPlace(next)) return ERRGEN;
    if (field(next, FTYPE) == TBASIC) return basicEvent(rules, next, type, value);
    push(f);  // there is room
    f = Frame{next, 0, 0};
    value = 0;
    return SUCCES;
  }
  // An M/N gate that gets here has fewer than M failed inputs.
  value = type == TMOFN ? 0 : f.acc;
  return pop(f);
}

template <class Rules>
int Traversal::basicEvent(Rules& rules, int place, int parentType, int& value) const {
  int c = 0;
  if (!component(place, c)) return ERRGEN;
  value = rules.basicValue(NFAIL_(c), field(place, FMULT), parentType);
  return SUCCES;
}

template <class Rules>
Next Traversal::leave(Rules& rules, Frame& f, int type, int& value) {
  if (type == TAND || type == TCSP) return TreeRules::andRule(value);  // CSP: unshared only
  if (type == TSEQ) return rules.seqReturn(*this, f, value);
  if (type == TOR) {
    if (value <= 0) return Next::ADVANCE;
    value = 1;
    return Next::FINISH;
  }
  if (type == TMOFN) {
    // Compared before it is added: inputs of many units each must not
    // overflow the count.
    if (value < field(f.place, FGATM) - f.acc) {
      f.acc += value;
      return Next::ADVANCE;
    }
    value = 1;
    return Next::FINISH;
  }
  if (type == TFDEP) {
    // Only the trigger is looked at; the dependents are the gate's effect,
    // not part of its value.
    f.acc = value >= 1 && f.arc == 1 ? 1 : 0;
    if (f.acc == 1 && rules.fdepTriggered(*this, f.place) == Next::FAIL) return Next::FAIL;
    f.arc = field(f.place, FNARC);
    return Next::ADVANCE;
  }
  if (type == TPAND) return rules.pandReturn(*this, f, value);
  if (type == TBOX || type == TFBOX) return Next::FINISH;  // only the first input counts
  return illegalType(f.place, type);
}

}  // namespace molvex
