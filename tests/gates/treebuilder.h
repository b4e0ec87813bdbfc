// A fault tree laid out place by place as the build leaves it, with the
// state to evaluate it against, for the tests of the traversal and of the
// gate routines that run it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ftinput/fttabs.h"
#include "main/globals.h"

namespace molvex::testing {

// Gates are listed as the build lists them: FDEP and SEQ gates when they
// are made, PAND gates with their order slot, CSP gates (unless left out).
// Order slots and shared-spare slots follow the basic-component slots in
// the order their gates were made.
class Tree {
 public:
  Tree() { INITDR(); }

  // A basic event of `mult` units of component type `type`, `failed` of
  // them failed.
  int basic(int mult, int failed, int type = 1) {
    const int c = ++nbasic_;
    ft.BASE(c) = mult;
    ft.BASTYP(c) = type;
    state(c) = mult - failed;
    return place(TBASIC, {}, type, mult, c);
  }
  int gate(int type, std::vector<int> inputs, int w2 = 0) {
    const int p = place(type, inputs, w2, 0, 0);
    if (type == TFDEP) listed(ft.FDPLST, p);
    if (type == TSEQ) listed(ft.SEQLST, p);
    return p;
  }
  int box(int input) { return gate(TFBOX, {input}, -1); }
  // A priority-AND gate whose order slot holds `order`.
  int pand(int first, int second, int order) {
    orders_.push_back(order);
    return listed(ft.PNDLST, gate(TPAND, {first, second}, static_cast<int>(orders_.size())));
  }
  int csp(std::vector<int> inputs) { return listed(ft.CSPTAB, place(TCSP, inputs, 0, 0, -1)); }
  // A cold spare gate that shares spares, holding `slots` units in its input
  // positions; `inList` false leaves it out of CSPTAB.
  int sharedCsp(std::vector<int> inputs, std::vector<int> slots, bool inList = true) {
    const int p = place(TCSP, inputs, 0, 1, static_cast<int>(spares_.size()));
    spares_.insert(spares_.end(), slots.begin(), slots.end());
    if (!inList) return p;
    ++ft.NSHCSP;
    return listed(ft.CSPTAB, p);
  }
  // A sharing gate that replaces the units a dependency forces down.
  int replacingCsp(std::vector<int> inputs, std::vector<int> slots) {
    const int p = sharedCsp(std::move(inputs), std::move(slots));
    ft.PLCTAB(p + FREPLC) = 1;
    return p;
  }
  void setInput(int p, int j, int entry) { ft.PLCTAB(p + FNARC + j) = entry; }

  // Completes the header with `root` and lays out the state vector, with
  // the level word `level`.
  void finish(int root, int level = 0) {
    ft.PLCTAB(HDNPLC) = nodes_;
    ft.PLCTAB(HDFREE) = next_ + 1;
    ft.PLCTAB(HDROOT) = root;
    NBASIC = ft.NBASIC = nbasic_;
    ft.NSPSLT = static_cast<int>(spares_.size());
    SPRBAS = NBASIC + static_cast<int>(orders_.size());
    NSLOT = SPRBAS + static_cast<int>(spares_.size());
    for (std::size_t i = 0; i < orders_.size(); ++i)
      state(NBASIC + 1 + static_cast<int>(i)) = orders_[i];
    for (std::size_t i = 0; i < spares_.size(); ++i)
      state(SPRBAS + 1 + static_cast<int>(i)) = spares_[i];
    levelWord_ = NSLOT + 1;
    state(levelWord_) = level;
  }
  // Runs a routine on the finished tree.  Whatever happens, the places are
  // left as they were; after a success the stack words are empty again,
  // unless the routine may stop with frames left (`framesLeft`).
  int keepsPlaces(const std::function<int()>& routine, bool framesLeft = false) {
    const int free = ft.PLCTAB(HDFREE);
    const std::vector<int> places(ft.PLCTAB.begin(), ft.PLCTAB.begin() + free - 1);
    const int status = routine();
    EXPECT_EQ(std::vector<int>(ft.PLCTAB.begin(), ft.PLCTAB.begin() + free - 1), places);
    if (status == 1 && !framesLeft) {
      const int used = 3 * ft.PLCTAB(HDNPLC);
      EXPECT_EQ(std::vector<int>(ft.PLCTAB.begin() + free - 1, ft.PLCTAB.begin() + free - 1 + used),
                std::vector<int>(used, -1));
    }
    return status;
  }
  // The working units of the basic components, then the order slots.
  std::vector<int> slots() const { return {state.begin(), state.begin() + SPRBAS}; }
  // The level word where finish() laid it.
  int level() const { return state(levelWord_); }

  FaultTree ft;
  Array1<int> state{BASSIZ};
  int NBASIC = 0, SPRBAS = 0, NSLOT = 0;

 private:
  int place(int type, const std::vector<int>& inputs, int w2, int w3, int w4) {
    const int p = next_;
    for (int w : {++nodes_, type, w2, w3, w4, static_cast<int>(inputs.size())})
      ft.PLCTAB(next_++) = w;
    for (int e : inputs) ft.PLCTAB(next_++) = e;
    return p;
  }
  static int listed(Array1<int>& list, int p) {
    list(++list(1) + 1) = p;
    return p;
  }
  int next_ = 4;  // the first place follows the three header words
  int nodes_ = 0;
  int nbasic_ = 0;
  int levelWord_ = 1;
  std::vector<int> orders_, spares_;
};

}  // namespace molvex::testing
