// Fault trees for the gate tests, laid out place by place as the build
// leaves them, so that a test states its tree in a few calls and needs no
// fault tree file.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "ftinput/fttabs.h"
#include "gates/trvtre.h"
#include "main/globals.h"

namespace molvex::testing {

// A fault tree laid out place by place as the build leaves it, with the
// state to evaluate it against.  Order slots and shared-spare slots follow
// the basic-component slots in the order their gates were made.
class Tree {
 public:
  Tree() { INITDR(); }

  // A basic event of `mult` units of component type `type`, `failed` of
  // them failed.
  int basic(int mult, int failed, int type = 1) {
    const int c = ++nbasic_;
    ft.BASE(c) = mult;
    state(c) = mult - failed;
    return place(TBASIC, {}, type, mult, c);
  }
  int gate(int type, std::vector<int> inputs, int w2 = 0) { return place(type, inputs, w2, 0, 0); }
  int box(int input) { return gate(TFBOX, {input}, -1); }
  int pand(int first, int second, int order) {
    orders_.push_back(order);
    return gate(TPAND, {first, second}, static_cast<int>(orders_.size()));
  }
  int csp(std::vector<int> inputs) { return listed(place(TCSP, inputs, 0, 0, -1)); }
  // A cold spare gate that shares spares, holding `slots` units in its input
  // positions; `inList` false leaves it out of CSPTAB.
  int sharedCsp(std::vector<int> inputs, std::vector<int> slots, bool inList = true) {
    const int p = place(TCSP, inputs, 0, 1, static_cast<int>(spares_.size()));
    spares_.insert(spares_.end(), slots.begin(), slots.end());
    if (!inList) return p;
    ++ft.NSHCSP;
    return listed(p);
  }
  void setInput(int p, int j, int entry) { ft.PLCTAB(p + FNARC + j) = entry; }

  // Completes the header with `root` and lays out the state vector.
  void finish(int root) {
    ft.PLCTAB(HDNPLC) = nodes_;
    ft.PLCTAB(HDFREE) = next_ + 1;
    ft.PLCTAB(HDROOT) = root;
    ft.NBASIC = NBASIC = nbasic_;
    ft.NSPSLT = static_cast<int>(spares_.size());
    SPRBAS = NBASIC + static_cast<int>(orders_.size());
    NSLOT = SPRBAS + static_cast<int>(spares_.size());
    for (std::size_t i = 0; i < orders_.size(); ++i)
      state(NBASIC + 1 + static_cast<int>(i)) = orders_[i];
    for (std::size_t i = 0; i < spares_.size(); ++i)
      state(SPRBAS + 1 + static_cast<int>(i)) = spares_[i];
  }
  // TRVTRE on the finished tree.  Whatever happens, the places are left as
  // they were; after a success the stack words are empty again.
  int evaluate() {
    const int free = ft.PLCTAB(HDFREE);
    const std::vector<int> places(ft.PLCTAB.begin(), ft.PLCTAB.begin() + free - 1);
    const int status = TRVTRE(ft.PLCTAB, ft.CSPTAB.slice(1, ft.CSPTAB(1) + 1), SPRBAS, NBASIC,
                              NSLOT, state, ft.BASE, FAILED);
    EXPECT_EQ(std::vector<int>(ft.PLCTAB.begin(), ft.PLCTAB.begin() + free - 1), places);
    if (status == 1) {
      const int used = 3 * ft.PLCTAB(HDNPLC);
      EXPECT_EQ(std::vector<int>(ft.PLCTAB.begin() + free - 1, ft.PLCTAB.begin() + free - 1 + used),
                std::vector<int>(used, -1));
    }
    return status;
  }
  int run(int root) {
    finish(root);
    return evaluate();
  }

  FaultTree ft;
  Array1<int> state{BASSIZ};
  int NBASIC = 0, SPRBAS = 0, NSLOT = 0;
  int FAILED = 7;  // neither 0 nor 1: shows whether it was set

 private:
  int place(int type, const std::vector<int>& inputs, int w2, int w3, int w4) {
    const int p = next_;
    for (int w : {++nodes_, type, w2, w3, w4, static_cast<int>(inputs.size())})
      ft.PLCTAB(next_++) = w;
    for (int e : inputs) ft.PLCTAB(next_++) = e;
    return p;
  }
  int listed(int p) {
    ft.CSPTAB(++ft.CSPTAB(1) + 1) = p;
    return p;
  }
  int next_ = 4;  // the first place follows the three header words
  int nodes_ = 0;
  int nbasic_ = 0;
  std::vector<int> orders_, spares_;
};

}  // namespace molvex::testing
