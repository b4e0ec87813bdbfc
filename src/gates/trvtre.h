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

#include <string_view>

#include "ftinput/gates.h"
#include "ftinput/plctab.h"
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
// it as it was.
int TRVTRE(IntTab PLCTAB, CIntTab CSPTAB, int SPRBAS, int NBASIC, int NSLOT, CIntTab STATE,
           CIntTab BASE, int& FAILED);

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
  Traversal(std::string_view routine, StackFault stackFault, IntTab PLCTAB, CIntTab CSPTAB,
            int SPRBAS, int NBASIC, int NSLOT, CIntTab STATE, CIntTab BASE, IntTab NFAIL);

  // Checks that the free area holds three words per place (F800) and empties
  // the stack there.  Returns 1 or -1.
  int prepare();
  // NFAIL(i) := BASE(i) - STATE(i), i = 1..NBASIC.  Returns 1 or -1.
  int countFailed();
  // Evaluates the subtree of `start` above a sentinel frame of its own;
  // `value` is the subtree's value.  Returns 1 (also when a rule stopped the
  // evaluation), -1 after a message, or the stack's status.
  template <class Rules>
  int evaluate(int start, Rules& rules, int& value);

  // For the rules.
  int field(int place, int offset) const { return PLCTAB_(place + offset); }
  int input(int place, int j) const { return PLCTAB_(place + FNARC + j); }
  // Whether `place` is a whole record of the place table; false after F806.
  bool checkPlace(int place) const;
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
  Next arrive(Frame& f, int type) const;
  template <class Rules>
  Next leave(Rules& rules, Frame& f, int type, int& value);
  Next sharedSpare(Frame& f) const;
  // Slot `index` of the block of slots after slot `after` that ends at
  // `last`; false after F806 when the state vector has no such slot.
  bool slotAfter(int after, int index, int last, std::string_view what, int& slot) const;
  bool outOfRange(std::string_view what, int value) const;
  Next illegalType(int place, int type) const;
  // Takes the next input that is not skipped, or hands the gate's value to
  // its parent when all are taken.
  int advance(Frame& f, int type, int& value);
  int push(const Frame& f);
  int pop(Frame& f);
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
  int free_ = 0;  // PLCTAB(HDFREE): where the stack begins, the places end
  Stack stack_;
};

template <class Rules>
int Traversal::evaluate(int start, Rules& rules, int& value) {
  int status = push(Frame{SENTNL, 1, 0});
  if (status != SUCCES) return status;
  value = 0;
  // The start must be a place: a sentinel there would end the evaluation
  // before it began.
  if (start == SENTNL) {
    checkPlace(start);
    return ERRGEN;
  }
  Frame f{start, 0, 0};
  while (f.place != SENTNL) {
    if (!checkPlace(f.place)) return ERRGEN;
    const int type = field(f.place, FTYPE);
    if (type == TBASIC) {
      // A basic event is never pushed: its value goes straight to the parent.
      int c = 0;
      if (!component(f.place, c)) return ERRGEN;
      const int mult = field(f.place, FMULT);
      if ((status = pop(f)) != SUCCES) return status;
      const int parentType = f.place == SENTNL ? 0 : field(f.place, FTYPE);
      value = rules.basicValue(NFAIL_(c), mult, parentType);
      continue;
    }
    const Next next = f.arc == 0 ? arrive(f, type) : leave(rules, f, type, value);
    if (next == Next::FAIL) return ERRGEN;
    if (next == Next::STOP) return SUCCES;
    status = next == Next::FINISH ? pop(f) : advance(f, type, value);
    if (status != SUCCES) return status;
  }
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
