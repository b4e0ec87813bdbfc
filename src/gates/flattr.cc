#include "gates/flattr.h"

#include <algorithm>
#include <cstring>

#include "ftinput/gates.h"
#include "ftinput/plctab.h"
#include "gates/trvtre.h"

namespace molvex {
namespace {

constexpr int ONPATH = -2;  // a place whose inputs are being read

class Builder {
 public:
  Builder(const FaultTree& FT, int SPRBAS, int NSLOT, FlatTree& F)
      : FT_(FT), SPRBAS_(SPRBAS), NSLOT_(NSLOT), F_(F) {}

  // The node of the top, or -1.
  int top() {
    const CIntTab P = FT_.PLCTAB;
    if (P.size() < HDROOT) return -1;
    const int free = P(HDFREE);
    const int places = P(HDNPLC);
    // As the walk's stack needs: three words per place behind the records.
    if (free <= HDROOT || places < 0 || free + 3LL * places > P.size()) return -1;
    if (FT_.NBASIC < 0 || FT_.NBASIC > std::min(MAXBAS, FT_.BASE.size()) || NSLOT_ > MAXBAS ||
        NSLOT_ < FT_.NBASIC || SPRBAS_ < FT_.NBASIC) {
      return -1;
    }
    last_ = free - 1 - FNARC;
    at_.assign(static_cast<std::size_t>(free) + 1, -1);
    return node(P(HDROOT));
  }

  // The gates of a gate list of places of `kind`, after the top.
  void listed(const CIntTab L, int kind, FlatTree::Listed& gates) {
    if (L.size() < 1 || L(1) > L.size() - 1) return;  // the walk reports the count
    for (int g = 1; g <= L(1); ++g) {
      const int p = L(g + 1);
      const int i = whole(p) && field(p, FTYPE) == kind ? node(p) : -1;
      if (i < 0) {
        gates.NODES.clear();
        return;
      }
      gates.NODES.push_back(i);
    }
    gates.FLAT = true;
  }

  // Which of the listed gates read each slot, for a list made whole.
  void readers(FlatTree::Listed& gates) const {
    gates.READERS.assign(MAXBAS + 1, {});
    for (std::size_t g = 0; g < gates.NODES.size(); ++g) {
      const std::bitset<MAXBAS + 1> read = slotsRead(gates.NODES[g]);
      for (std::size_t s = 0; s < read.size(); ++s) {
        if (read[s]) gates.READERS[s].push_back(static_cast<int>(g));
      }
    }
  }

  // The inputs of the cold spare gates that hold each component, after the
  // top, by the cold spare routines' own rule: the first input whose record
  // names the component, every input before it a whole record naming one of
  // the components.  Past an input they would report, nothing is known.
  void spareInputs() {
    const CIntTab L = FT_.CSPTAB;
    const int gates = L.size() < 1 ? 0 : std::clamp(L(1), 0, L.size() - 1);
    F_.SPAREINPUTS.assign(static_cast<std::size_t>(gates) * FT_.NBASIC, 0);
    for (int p = 1; p <= gates; ++p) {
      const int g = L(p + 1);
      if (!whole(g)) continue;
      int* const inputs = F_.SPAREINPUTS.data() + static_cast<std::size_t>(p - 1) * FT_.NBASIC;
      for (int j = 1; j <= field(g, FNARC); ++j) {
        const int in = FT_.PLCTAB(g + FNARC + j);
        const int c = whole(in) ? field(in, FBASIC) : 0;
        if (c < 1 || c > FT_.NBASIC) break;
        if (inputs[c - 1] == 0) inputs[c - 1] = j;
      }
    }
  }

  // The FDEP gates of FDPLST, after the top.
  void dependencies() {
    const CIntTab L = FT_.FDPLST;
    const int gates = L.size() < 1 ? 0 : std::clamp(L(1), 0, L.size() - 1);
    for (int g = 1; g <= gates; ++g) F_.FDEPS.push_back(dependency(L(g + 1)));
  }

 private:
  FlatTree::Dependency dependency(int p) {
    FlatTree::Dependency d;
    d.first = static_cast<int>(F_.DEPENDENTS.size());
    if (!whole(p) || field(p, FTYPE) != TFDEP) return d;
    const int i = node(p);
    if (i < 0) return d;
    d.ALWAYS = reads(i, d.BELOW);
    if (forcesBelow(F_.NODES[static_cast<std::size_t>(i)])) return d;
    for (int j = 2; j <= field(p, FNARC); ++j) {
      const int in = FT_.PLCTAB(p + FNARC + j);
      if (in < 0) continue;
      if (!whole(in) || field(in, FTYPE) != TBASIC || field(in, FBASIC) < 1 ||
          field(in, FBASIC) > FT_.NBASIC) {
        F_.DEPENDENTS.resize(static_cast<std::size_t>(d.first));
        return d;
      }
      F_.DEPENDENTS.push_back(field(in, FBASIC));
    }
    d.node = i;
    d.count = static_cast<int>(F_.DEPENDENTS.size()) - d.first;
    return d;
  }

  // Each node at or below node i, once.
  template <class Visit>
  void below(int i, Visit visit) const {
    std::vector<bool> seen(F_.NODES.size());
    std::vector<int> todo{i};
    while (!todo.empty()) {
      const int k = todo.back();
      todo.pop_back();
      if (seen[static_cast<std::size_t>(k)]) continue;
      seen[static_cast<std::size_t>(k)] = true;
      const FlatTree::Node& n = F_.NODES[static_cast<std::size_t>(k)];
      visit(n);
      for (int a = n.first; a < n.first + n.count; ++a) {
        todo.push_back(F_.ARCS[static_cast<std::size_t>(a)].node);
      }
    }
  }

  // The components below node i into BELOW; whether a sharing spare gate's
  // slots are read there too.
  bool reads(int i, std::bitset<MAXBAS + 1>& BELOW) const {
    bool slots = false;
    below(i, [&](const FlatTree::Node& n) {
      if (n.kind == TBASIC) BELOW.set(static_cast<std::size_t>(n.comp));
      slots = slots || n.slots;
    });
    return slots;
  }

  // Every slot of the state the evaluation of node i may read: components,
  // a sharing spare gate's slots, a priority-AND gate's order slot.
  std::bitset<MAXBAS + 1> slotsRead(int i) const {
    std::bitset<MAXBAS + 1> read;
    below(i, [&](const FlatTree::Node& n) {
      if (n.kind == TBASIC) read.set(static_cast<std::size_t>(n.comp));
      if (n.kind == TPAND) read.set(static_cast<std::size_t>(n.m));
      for (int s = n.comp; n.slots && s < n.comp + n.mult; ++s)
        read.set(static_cast<std::size_t>(s));
    });
    return read;
  }

  // Whether an FDEP gate lies below the node, whose walk would force its
  // dependents on the way.  Each node is asked once.
  bool forcesBelow(const FlatTree::Node& n) {
    forces_.resize(F_.NODES.size(), UNKNOWN);
    for (int a = n.first; a < n.first + n.count; ++a) {
      const int i = F_.ARCS[static_cast<std::size_t>(a)].node;
      char& known = forces_[static_cast<std::size_t>(i)];
      if (known == UNKNOWN) {
        const FlatTree::Node& in = F_.NODES[static_cast<std::size_t>(i)];
        known = in.kind == TFDEP || forcesBelow(in) ? YES : NO;
      }
      if (known == YES) return true;
    }
    return false;
  }

  int field(int p, int offset) const { return FT_.PLCTAB(p + offset); }

  static int rule(const FlatTree::Node& n) {
    if (n.kind == TBASIC) return FlatTree::BASIC;
    if (n.slots) return FlatTree::SLOTS;
    if (n.kind == TAND || n.kind == TSEQ || n.kind == TCSP) return FlatTree::ALL;
    if (n.kind == TOR) return FlatTree::ANY;
    if (n.kind == TMOFN) return FlatTree::MOFN;
    if (n.kind == TPAND) return FlatTree::PAND;
    if (n.kind == TFDEP) return FlatTree::FDEP;
    return FlatTree::FIRST;  // a box
  }

  static int under(int kind) {
    return (wholeOnly(kind) ? FlatTree::WHOLE : 0) | (kind == TSEQ ? FlatTree::SEQUENCE : 0);
  }

  bool whole(int p) const {
    return p > HDROOT && p <= last_ && field(p, FNARC) >= 0 && field(p, FNARC) <= last_ - p;
  }

  // The node of the place at p, made with those below it; -1 where the walk
  // could report anything there.
  int node(int p) {
    if (!whole(p)) return -1;
    int& seen = at_[static_cast<std::size_t>(p)];
    if (seen == ONPATH) return -1;  // a cycle
    if (seen >= 0) return seen;
    seen = ONPATH;
    FlatTree::Node n{field(p, FTYPE), 0, 0, 0, 0, 0, false, 0, 0};
    if (!fill(p, n)) return -1;
    n.rule = rule(n);
    n.under = under(n.kind);
    F_.NODES.push_back(n);
    seen = static_cast<int>(F_.NODES.size()) - 1;
    return seen;
  }

  bool fill(int p, FlatTree::Node& n) {
    if (n.kind == TBASIC) {
      n.comp = field(p, FBASIC);
      n.mult = field(p, FMULT);
      return n.comp >= 1 && n.comp <= FT_.NBASIC;
    }
    if (n.kind == TCSP && field(p, FSHARE) != 0) return spareSlots(p, n);
    if (n.kind == TPAND) {
      const int index = field(p, FPAND);
      if (index < 1 || index > std::min(SPRBAS_, NSLOT_) - FT_.NBASIC) return false;
      n.m = FT_.NBASIC + index;
    }
    if (n.kind == TMOFN) n.m = field(p, FGATM);
    const bool known = n.kind == TAND || n.kind == TOR || n.kind == TMOFN || n.kind == TPAND ||
                       n.kind == TSEQ || n.kind == TCSP || n.kind == TFDEP || n.kind == TBOX ||
                       n.kind == TFBOX;
    return known && inputs(p, n);
  }

  // The inputs the walk may visit, in order: a box's and a dependency's end
  // with the first one taken, a priority-AND gate's third is an error.
  bool inputs(int p, FlatTree::Node& n) {
    std::vector<FlatTree::Arc> arcs;
    for (int j = 1; j <= field(p, FNARC); ++j) {
      const int in = FT_.PLCTAB(p + FNARC + j);
      if (in < 0) continue;
      if (n.kind == TPAND && j > 2) return false;
      const int i = node(in);
      if (i < 0) return false;
      arcs.push_back({i, j});
      if (n.kind == TBOX || n.kind == TFBOX || n.kind == TFDEP) break;
    }
    n.first = static_cast<int>(F_.ARCS.size());
    n.count = static_cast<int>(arcs.size());
    F_.ARCS.insert(F_.ARCS.end(), arcs.begin(), arcs.end());
    return true;
  }

  // A sharing spare gate's value is its slots', one per input, in the block
  // of the gate among those of the sharing gates before it in CSPTAB.
  bool spareSlots(int p, FlatTree::Node& n) {
    const CIntTab C = FT_.CSPTAB;
    const int last = C.size() < 1 ? 0 : static_cast<int>(std::min(C(1) + 1LL, 0LL + C.size()));
    int base = 0;
    int i = 2;
    for (; i <= last && C(i) != p; ++i) {
      if (!whole(C(i))) return false;
      base += field(C(i), FNARC);
    }
    n.slots = true;
    n.comp = SPRBAS_ + base + 1;
    n.mult = field(p, FNARC);
    return i <= last && base >= 0 && n.comp + n.mult - 1 <= NSLOT_;
  }

  const FaultTree& FT_;
  int SPRBAS_;
  int NSLOT_;
  FlatTree& F_;
  int last_ = 0;
  std::vector<int> at_;
  enum : char { UNKNOWN, YES, NO };
  std::vector<char> forces_;  // per node: an FDEP gate below it
};

struct Evaluation {
  const FlatTree& F;
  const int* state;  // 1-based
  const int* base;
  const FlatTree::Node* nodes = F.NODES.data();
  const FlatTree::Arc* arcs = F.ARCS.data();
  // The order check's: the state's order slots, which each priority-AND
  // gate met sets before it reads its own.
  int* orders = nullptr;
  // The sequence check has met an intact input of the gate it checks: a
  // basic event under a sequence gate counts from its first failed unit.
  bool gap = false;

  // The value of node i; `under`: its parent's Under bits.  A basic input's
  // value is formed in the gate's loop, without a call: most inputs are
  // basic events.
  int value(int i, int under) const {
    const FlatTree::Node& n = nodes[i];
    return n.rule == FlatTree::BASIC ? basic(n, under) : gate(n);
  }

  int basic(const FlatTree::Node& n, int under) const {
    const int failed = base[n.comp] - state[n.comp];
    if (gap && (under & FlatTree::SEQUENCE) != 0) return failed;
    return failed < n.mult && (under & FlatTree::WHOLE) != 0 ? 0 : failed;
  }

  int gate(const FlatTree::Node& n) const {
    const FlatTree::Arc* arc = arcs + n.first;
    const FlatTree::Arc* const end = arc + n.count;
    switch (n.rule) {
      case FlatTree::SLOTS:
        for (int s = n.comp; s < n.comp + n.mult; ++s) {
          if (state[s] != 0) return 0;
        }
        return 1;
      case FlatTree::ALL:
        for (; arc != end; ++arc) {
          if (value(arc->node, n.under) == 0) return 0;
        }
        return 1;
      case FlatTree::ANY:
        for (; arc != end; ++arc) {
          if (value(arc->node, n.under) > 0) return 1;
        }
        return 0;
      case FlatTree::MOFN:
        for (int acc = 0; arc != end; ++arc) {
          const int v = value(arc->node, n.under);
          if (v >= n.m - acc) return 1;
          acc += v;
        }
        return 0;
      case FlatTree::PAND:
        return pand(n, arc, end);
      case FlatTree::FDEP:
        return arc != end && value(arc->node, n.under) >= 1 && arc->arc == 1 ? 1 : 0;
      default:  // a box: its first input's value
        return arc != end ? value(arc->node, n.under) : 0;
    }
  }

  int pand(const FlatTree::Node& n, const FlatTree::Arc* arc, const FlatTree::Arc* end) const {
    int acc = 0;
    for (; arc != end; ++arc) {
      const int v = value(arc->node, n.under);
      if (orders != nullptr && v >= 1 && orders[n.m] == 0) orders[n.m] = arc->arc;
      acc = arc->arc == 1 ? (v >= 1 ? 1 : 0) : (acc == 1 && v >= 1 && state[n.m] == 1 ? 1 : 0);
    }
    return acc;
  }
};

}  // namespace

void FLTTRE(const FaultTree& FT, int SPRBAS, int NSLOT, FlatTree& F) {
  F = FlatTree{};
  Builder build(FT, SPRBAS, NSLOT, F);
  F.TOP = build.top();
  if (F.TOP < 0) {
    F = FlatTree{};
    return;
  }
  build.dependencies();
  build.listed(FT.SEQLST, TSEQ, F.SEQS);
  if (F.SEQS.FLAT) build.readers(F.SEQS);
  build.listed(FT.PNDLST, TPAND, F.PANDS);
  build.spareInputs();
  F.NBASIC = FT.NBASIC;
  F.SPRBAS = SPRBAS;
  F.NSLOT = NSLOT;
}

int flatValue(const FlatTree& F, int node, CIntTab STATE, CIntTab BASE) {
  const Evaluation e{F, STATE.begin() - 1, BASE.begin() - 1};
  return e.value(node, 0);
}

// The walk evaluates each gate's inputs in turn with the gate's own return
// rule: an input of value 0 opens the gap, one of value 1 or more behind it
// stops the check; the inputs' values follow the common rules, but for the
// gap's, and a nested sequence gate is an AND gate.  A gate's verdict
// depends on the slots its evaluation reads alone, so a gate that reads no
// slot in which STATE differs from a SOURCE every gate allowed allows STATE.
// The answer is whether every gate allows STATE, which does not depend on
// the order the gates are asked in, nor on asking one twice: the gates are
// asked slot by changed slot, so that a transition, which changes a slot or
// two, asks the few gates that read them and tests no other.
int flatSequences(const FlatTree& F, CIntTab STATE, CIntTab BASE, CIntTab SOURCE) {
  Evaluation e{F, STATE.begin() - 1, BASE.begin() - 1};
  const auto allows = [&](int g) {
    const FlatTree::Node& n = e.nodes[F.SEQS.NODES[static_cast<std::size_t>(g)]];
    e.gap = false;
    const FlatTree::Arc* const end = e.arcs + n.first + n.count;
    for (const FlatTree::Arc* arc = e.arcs + n.first; arc != end; ++arc) {
      const int v = e.value(arc->node, n.under);
      if (e.gap && v >= 1) return false;
      if (v == 0) e.gap = true;
    }
    return true;
  };
  if (SOURCE.size() == 0) {
    for (std::size_t g = 0; g < F.SEQS.NODES.size(); ++g) {
      if (!allows(static_cast<int>(g))) return 0;
    }
    return 1;
  }
  const int* const now = STATE.checkedRun(F.NSLOT);
  const int* const was = SOURCE.checkedRun(F.NSLOT);
  constexpr int BLOCK = 4;  // slots passed by one comparison where all are as they were
  for (int s = 0; s < F.NSLOT;) {
    if (s + BLOCK <= F.NSLOT && std::memcmp(now + s, was + s, BLOCK * sizeof(int)) == 0) {
      s += BLOCK;
      continue;
    }
    if (now[s] != was[s]) {
      for (const int g : F.SEQS.READERS[static_cast<std::size_t>(s) + 1]) {
        if (!allows(g)) return 0;
      }
    }
    ++s;
  }
  return 1;
}

// A priority-AND gate has no short-circuit, in the flat form as in the walk,
// so each gate's evaluation meets the gates the walk meets, in its order.
void flatOrders(const FlatTree& F, IntTab STATE, CIntTab BASE) {
  Evaluation e{F, STATE.begin() - 1, BASE.begin() - 1};
  e.orders = STATE.begin() - 1;
  for (const int g : F.PANDS.NODES) e.value(g, 0);
}

}  // namespace molvex
