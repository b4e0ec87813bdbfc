#include "stategen/symmet.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <vector>

#include "ftinput/gates.h"
#include "ftinput/plctab.h"

namespace molvex {
namespace {

constexpr int unset = -1;

struct Place {
  int at = 0;  // offset in the place table
  int type = 0;
  std::vector<int> in;  // inputs as place indices; -1 for one outside the table
};

// The tree as places, what each one is up to its position, and what lies
// below it.
struct Tree {
  const FaultTree& FT;
  std::vector<Place> places;
  std::vector<int> sig;              // equal for places the same up to names
  std::vector<int> height;           // longest path down to a basic event
  std::vector<std::set<int>> below;  // basic places
};

bool unordered(int type) { return type == TOR || type == TAND || type == TMOFN; }

int field(const Tree& T, int p, int f) { return T.FT.PLCTAB(T.places[p].at + f); }

// Inputs in the order the place's kind counts them: any order for static
// gates and a dependency's dependents (sorted), else position by position.
void inCountedOrder(int type, std::vector<int>& in) {
  const auto from = type == TFDEP && !in.empty() ? 1 : 0;
  if (unordered(type) || type == TFDEP) std::sort(in.begin() + from, in.end());
}

// Inputs a and b the same, in the way the place's kind counts them.
bool sameInputs(int type, std::vector<int> a, std::vector<int> b) {
  inCountedOrder(type, a);
  inCountedOrder(type, b);
  return a == b;
}

bool readPlaces(Tree& T) {
  const Array1<int>& PLCTAB = T.FT.PLCTAB;
  std::map<int, int> index;
  const int free = PLCTAB(HDFREE);
  for (int p = HDROOT + 1; p < free && static_cast<int>(T.places.size()) < PLCTAB(HDNPLC);) {
    if (p + FNARC > PLCTAB.size()) return false;
    Place place;
    place.at = p;
    place.type = PLCTAB(p + FTYPE);
    const int n = PLCTAB(p + FNARC);
    if (n < 0 || p + FNARC + n > PLCTAB.size()) return false;
    for (int j = 1; j <= n; ++j) place.in.push_back(PLCTAB(p + FNARC + j));
    index[p] = static_cast<int>(T.places.size());
    T.places.push_back(place);
    p += FNARC + n + 1;
  }
  for (Place& place : T.places) {
    for (int& in : place.in) {
      const auto found = index.find(in);
      in = found == index.end() ? unset : found->second;
    }
  }
  return true;
}

// Signatures, heights and basic events below, bottom up; a cycle leaves the
// tree without symmetries.
struct Signer {
  Tree& T;
  const TypeRates& TR;
  const RateClass& RATES;
  std::map<std::vector<int>, int> ids;
  std::vector<int> state;  // 0 not seen, 1 in progress, 2 done

  int rate(const std::string& name, int own) const {
    if (name[0] == ' ') return 0;
    const std::string_view trimmed(name.data(), name.find_last_not_of(' ') + 1);
    const int c = RATES(trimmed);
    return c > 0 ? c : -own;
  }

  std::vector<int> basicKey(int p) const {
    const int t = field(T, p, FCTYPE);
    if (t < 1 || t > TR.NTYPES) return {TBASIC, -t, 0, 0, 0, 0};
    // A type that fails only when forced has no transition at its rate.
    const int own = TR.FRCONL(t) != 0 ? 0 : rate(TR.TYPNAM(t), t);
    return {TBASIC,
            own,
            rate(TR.DRMNAM(t), t),
            field(T, p, FMULT),
            TR.FRCONL(t),
            TR.MODTYP(t) != 0 ? 1 : 0};
  }

  bool sign(int p) {
    if (p == unset) return true;
    if (state[p] == 2) return true;
    if (state[p] == 1) return false;
    state[p] = 1;
    const Place& place = T.places[p];
    std::vector<int> key;
    int h = 0;
    if (place.type == TBASIC) {
      key = basicKey(p);
      T.below[p].insert(p);
    } else {
      key = {place.type};
      if (place.type == TMOFN) key.insert(key.end(), {field(T, p, FGATM), field(T, p, FGATN)});
      if (place.type == TCSP) key.insert(key.end(), {field(T, p, FREPLC), field(T, p, FSHARE)});
      std::vector<int> inputs;
      for (int in : place.in) {
        if (!sign(in)) return false;
        inputs.push_back(in == unset ? unset : T.sig[in]);
        if (in == unset) continue;
        h = std::max(h, T.height[in] + 1);
        T.below[p].insert(T.below[in].begin(), T.below[in].end());
      }
      inCountedOrder(place.type, inputs);
      key.insert(key.end(), inputs.begin(), inputs.end());
    }
    T.sig[p] = ids.emplace(key, static_cast<int>(ids.size())).first->second;
    T.height[p] = h;
    state[p] = 2;
    return true;
  }
};

// A permutation of places being built: an involution, each place its own
// image unless it is swapped.
struct Swap {
  const Tree& T;
  std::vector<int> to;

  std::vector<int> image(const std::vector<int>& in) const {
    std::vector<int> out;
    for (int x : in) out.push_back(x == unset || to[x] == unset ? x : to[x]);
    return out;
  }

  // Walks two inputs' trees side by side, pairing their places.
  bool match(int x, int y) {
    if (x == unset || y == unset) return x == y;
    if (to[x] != unset || to[y] != unset) return to[x] == y && to[y] == x;
    if (T.sig[x] != T.sig[y]) return false;
    to[x] = y;
    to[y] = x;
    const std::vector<int>& a = T.places[x].in;
    const std::vector<int>& b = T.places[y].in;
    for (std::size_t j = 0; j < a.size(); ++j) {
      if (!match(a[j], b[j])) return false;
    }
    return true;
  }

  // A dependency whose dependents move moves with them, and its trigger's
  // tree with it: the tree of a spare module hangs on the unit it forces
  // down.
  bool follow(const std::vector<int>& dependencies) {
    const auto dependents = [&](int f) {
      return std::vector<int>(T.places[f].in.begin() + 1, T.places[f].in.end());
    };
    for (bool moved = true; moved;) {
      moved = false;
      for (int f : dependencies) {
        const std::vector<int> img = image(dependents(f));
        if (to[f] != unset || sameInputs(TOR, dependents(f), img)) continue;
        int g = 0;
        while (g < static_cast<int>(dependencies.size()) &&
               !(to[dependencies[g]] == unset && dependencies[g] != f &&
                 T.sig[dependencies[g]] == T.sig[f] &&
                 sameInputs(TOR, dependents(dependencies[g]), img))) {
          ++g;
        }
        if (g == static_cast<int>(dependencies.size())) return false;
        to[f] = dependencies[g];
        to[dependencies[g]] = f;
        if (!match(T.places[f].in[0], T.places[dependencies[g]].in[0])) return false;
        moved = true;
      }
    }
    return true;
  }

  // The places above: each keeps its place when its inputs' images are its
  // inputs, else takes that of the place whose inputs they are.
  bool extend(const std::vector<int>& byHeight) {
    for (int p : byHeight) {
      if (to[p] != unset) continue;
      const Place& place = T.places[p];
      const std::vector<int> img = image(place.in);
      if (sameInputs(place.type, place.in, img)) {
        to[p] = p;
        continue;
      }
      bool found = false;
      for (std::size_t q = 0; q < T.places.size() && !found; ++q) {
        found =
            to[q] == unset && T.sig[q] == T.sig[p] && sameInputs(place.type, T.places[q].in, img);
        if (found) {
          to[p] = static_cast<int>(q);
          to[q] = p;
        }
      }
      if (!found) return false;
    }
    return true;
  }

  bool holds() const {
    for (std::size_t p = 0; p < T.places.size(); ++p) {
      const int q = to[p];
      if (q == unset || to[q] != static_cast<int>(p) || T.sig[q] != T.sig[p]) return false;
      if (!sameInputs(T.places[p].type, T.places[q].in, image(T.places[p].in))) return false;
    }
    return true;
  }
};

// What failures one transition can bring about together: the failing
// component and those that dependencies force down with it, read without the
// state (a superset).
std::vector<std::pair<int, std::set<int>>> together(const Tree& T) {
  std::vector<std::pair<int, std::set<int>>> all;
  for (std::size_t c = 0; c < T.places.size(); ++c) {
    if (T.places[c].type != TBASIC) continue;
    std::set<int> F = {static_cast<int>(c)};
    for (bool grew = true; grew;) {
      grew = false;
      for (const Place& p : T.places) {
        if (p.type != TFDEP || p.in.empty() || p.in[0] == unset) continue;
        const std::set<int>& trigger = T.below[p.in[0]];
        if (std::none_of(trigger.begin(), trigger.end(), [&](int b) { return F.count(b); })) {
          continue;
        }
        for (std::size_t j = 1; j < p.in.size(); ++j) {
          if (p.in[j] != unset) grew = F.insert(p.in[j]).second || grew;
        }
      }
    }
    all.emplace_back(static_cast<int>(c), F);
  }
  return all;
}

// Whether a symmetry keeps the order in which the generation serves what
// fails together: within each pool of gates sharing spares, and among
// dependencies where order-keeping gates see their order.
struct Orders {
  const Tree& T;
  std::vector<std::pair<int, std::set<int>>> fail;  // a failing component, what fails with it
  std::vector<int> shared;                          // the sharing spare gates in the order served
  std::vector<int> pool;                            // per entry of `shared`
  bool simultaneous = false;

  explicit Orders(const Tree& tree) : T(tree), fail(together(tree)) {
    for (const auto& [c, F] : fail) simultaneous = simultaneous || F.size() > 1;
    std::map<int, int> at;
    for (std::size_t p = 0; p < T.places.size(); ++p) at[T.places[p].at] = static_cast<int>(p);
    for (int i = 1; i <= T.FT.NSHCSP; ++i) shared.push_back(at[T.FT.CSPTAB(i + 1)]);
    pool.resize(shared.size());
    std::iota(pool.begin(), pool.end(), 0);
    for (std::size_t a = 0; a < shared.size(); ++a) {
      for (std::size_t b = a + 1; b < shared.size(); ++b) {
        if (sharesInput(shared[a], shared[b])) relabel(pool[b], pool[a]);
      }
    }
  }

  bool sharesInput(int g, int h) const {
    const std::vector<int>& a = T.places[g].in;
    const std::vector<int>& b = T.places[h].in;
    return std::any_of(a.begin(), a.end(),
                       [&](int x) { return std::find(b.begin(), b.end(), x) != b.end(); });
  }

  void relabel(int from, int to) {
    for (int& p : pool) p = p == from ? to : p;
  }

  // One transition never loses more than one unit of the pool.
  bool quiet(int which) const {
    std::set<int> units;
    for (std::size_t g = 0; g < shared.size(); ++g) {
      if (pool[g] != which) continue;
      for (int in : T.places[shared[g]].in) {
        if (in != unset) units.insert(T.below[in].begin(), T.below[in].end());
      }
    }
    for (const auto& [c, F] : fail) {
      long lost = 0;
      for (int x : F) {
        if (units.count(x)) lost += x == c ? 1 : field(T, x, FMULT);
      }
      if (lost > 1) return false;
    }
    return true;
  }

  bool kept(const std::vector<int>& to) const {
    if (!simultaneous) return true;
    std::map<int, int> served;
    for (std::size_t g = 0; g < shared.size(); ++g) served[shared[g]] = static_cast<int>(g);
    for (std::size_t a = 0; a < shared.size(); ++a) {
      for (std::size_t b = a + 1; b < shared.size(); ++b) {
        if (pool[a] == pool[b] && served[to[shared[a]]] > served[to[shared[b]]] &&
            !quiet(pool[a])) {
          return false;
        }
      }
    }
    const bool ordering = T.FT.PNDLST(1) > 0 || T.FT.SEQLST(1) > 0;
    for (std::size_t p = 0; p < T.places.size(); ++p) {
      if (ordering && T.places[p].type == TFDEP && to[p] != static_cast<int>(p)) return false;
    }
    return true;
  }
};

// The slots a symmetry moves each slot to; false when they are no
// permutation of the state vector.
bool slotsOf(const Tree& T, const std::vector<int>& to, int NSLOT, int SPRBAS,
             std::vector<int>& slot) {
  slot.resize(static_cast<std::size_t>(NSLOT) + 1);
  std::iota(slot.begin(), slot.end(), 0);
  const int NBASIC = T.FT.NBASIC;
  const auto put = [&](int from, int into) {
    if (from < 1 || from > NSLOT || into < 1 || into > NSLOT) return false;
    slot[from] = into;
    return true;
  };
  for (std::size_t p = 0; p < T.places.size(); ++p) {
    const int q = to[p];
    const int type = T.places[p].type;
    bool ok = true;
    if (type == TBASIC) ok = put(field(T, p, FBASIC), field(T, q, FBASIC));
    if (type == TPAND) ok = put(NBASIC + field(T, p, FPAND), NBASIC + field(T, q, FPAND));
    if (type == TCSP && field(T, p, FSPBAS) >= 0) {
      for (std::size_t j = 1; j <= T.places[p].in.size() && ok; ++j) {
        ok = put(SPRBAS + field(T, p, FSPBAS) + static_cast<int>(j),
                 SPRBAS + field(T, q, FSPBAS) + static_cast<int>(j));
      }
    }
    if (!ok) return false;
  }
  std::vector<int> seen(slot);
  std::sort(seen.begin(), seen.end());
  for (int s = 0; s <= NSLOT; ++s) {
    if (seen[s] != s) return false;
  }
  return true;
}

// The component types a symmetry swaps, checked to be one map that keeps
// each spare module's types together.
bool typesOf(const Tree& T, const TypeRates& TR, const std::vector<int>& to,
             std::vector<int>& type) {
  type.resize(static_cast<std::size_t>(TR.NTYPES) + 1);
  std::iota(type.begin(), type.end(), 0);
  std::vector<bool> fixed(type.size(), false);
  for (std::size_t p = 0; p < T.places.size(); ++p) {
    if (T.places[p].type != TBASIC) continue;
    const int t = field(T, p, FCTYPE);
    const int u = field(T, to[p], FCTYPE);
    if (t < 1 || t > TR.NTYPES || u < 1 || u > TR.NTYPES) return false;
    if (fixed[t] && type[t] != u) return false;
    type[t] = u;
    fixed[t] = true;
  }
  for (int t = 1; t <= TR.NTYPES; ++t) {
    const int m = TR.MODTYP(t);
    if (type[type[t]] != t) return false;
    if ((m == 0) != (TR.MODTYP(type[t]) == 0)) return false;
    if (m >= 1 && m <= TR.NTYPES && TR.MODTYP(type[t]) != type[m]) return false;
  }
  return true;
}

// Every permutation the symmetries make together, as long as they are few.
void closeGroup(Symmetries& SY, int NSLOT) {
  std::vector<std::vector<int>> group(1, std::vector<int>(static_cast<std::size_t>(NSLOT) + 1));
  std::iota(group[0].begin(), group[0].end(), 0);
  std::set<std::vector<int>> seen(group.begin(), group.end());
  SY.NGRP = 0;
  for (std::size_t e = 0; e < group.size(); ++e) {
    for (int g = 0; g < SY.NSYM; ++g) {
      // Applying a symmetry after e: slot s takes what e put into the
      // symmetry's source slot.
      std::vector<int> from(group[e]);
      for (int s = 1; s <= NSLOT; ++s) from[s] = group[e][SY.SLOTS(g * MAXBAS + s)];
      if (!seen.insert(from).second) continue;
      if (static_cast<int>(group.size()) >= MAXGRP) return;
      group.push_back(from);
    }
  }
  for (std::size_t e = 0; e < group.size(); ++e) {
    for (int s = 1; s <= NSLOT; ++s) SY.GROUP(static_cast<int>(e) * MAXBAS + s) = group[e][s];
  }
  SY.NGRP = static_cast<int>(group.size());
}

// The least image of STATE under the whole group, into STATE.  This runs for
// every transition: the tables are read through pointers, their bounds
// checked once here.
void leastOfGroup(const Symmetries& SY, IntTab STATE, int NSLOT, IntTab BEST) {
  if (NSLOT > MAXBAS || NSLOT > STATE.size() || NSLOT > BEST.size()) return;
  const int* state = STATE.begin() - 1;
  int* best = BEST.begin() - 1;
  for (int s = 1; s <= NSLOT; ++s) best[s] = state[s];
  for (int e = 1; e < SY.NGRP; ++e) {
    const int* from = SY.GROUP.begin() + e * MAXBAS - 1;
    int s = 1;
    while (s <= NSLOT && state[from[s]] == best[s]) ++s;
    if (s > NSLOT || state[from[s]] > best[s]) continue;
    for (int i = s; i <= NSLOT; ++i) best[i] = state[from[i]];
  }
  for (int s = 1; s <= NSLOT; ++s) STATE(s) = best[s];
}

// Whether nothing but the module's own gates sees its events: no order or
// shared-spare slot lies over them, and a dependency that touches them is
// triggered inside the module and forces down members or its unit only.
bool diesAlone(const Tree& T, const std::set<int>& members, int unit) {
  const auto touches = [&](int p) {
    const std::set<int>& b = T.below[p];
    return std::any_of(b.begin(), b.end(), [&](int x) { return members.count(x) != 0; });
  };
  const auto within = [&](int p) {
    const std::set<int>& b = T.below[p];
    return std::all_of(b.begin(), b.end(), [&](int x) { return members.count(x) != 0; });
  };
  for (std::size_t p = 0; p < T.places.size(); ++p) {
    const Place& place = T.places[p];
    const int g = static_cast<int>(p);
    const bool slotted = place.type == TPAND || place.type == TSEQ ||
                         (place.type == TCSP && field(T, g, FSPBAS) >= 0);
    if (slotted && touches(g)) return false;
    if (place.type != TFDEP || place.in.empty()) continue;
    bool reaches = place.in[0] != unset && touches(place.in[0]);
    bool inside = place.in[0] != unset && within(place.in[0]);
    for (std::size_t j = 1; j < place.in.size(); ++j) {
      const int d = place.in[j];
      reaches = reaches || (d != unset && members.count(d) != 0);
      inside = inside && d != unset && (members.count(d) != 0 || d == unit);
    }
    if (reaches && !inside) return false;
  }
  return true;
}

// The spare modules whose events die with their unit (see DEADBY).
void deadModules(const Tree& T, const TypeRates& TR, Symmetries& SY) {
  const auto typeAt = [&](int p) { return field(T, p, FCTYPE); };
  const auto inModule = [&](int t, int u) {
    for (int depth = 0; t >= 1 && t <= TR.NTYPES && depth <= TR.NTYPES; ++depth) {
      t = TR.MODTYP(t);
      if (t == u) return true;
    }
    return false;
  };
  for (int u = 1; u <= TR.NTYPES; ++u) {
    std::set<int> members;
    std::vector<int> units;
    for (std::size_t p = 0; p < T.places.size(); ++p) {
      if (T.places[p].type != TBASIC) continue;
      if (typeAt(static_cast<int>(p)) == u) units.push_back(static_cast<int>(p));
      if (inModule(typeAt(static_cast<int>(p)), u)) members.insert(static_cast<int>(p));
    }
    if (members.empty() || units.size() != 1 || !diesAlone(T, members, units[0])) continue;
    for (int m : members) {
      const int slot = field(T, m, FBASIC);
      // An event's own module before one around it: the unit of the inner
      // one dies with the outer's in turn.
      if (SY.DEADBY(slot) == 0 || TR.MODTYP(typeAt(m)) == u) {
        SY.DEADBY(slot) = field(T, units[0], FBASIC);
      }
    }
    ++SY.NDEAD;
  }
}

int find(std::vector<int>& parent, int t) {
  while (parent[t] != t) t = parent[t] = parent[parent[t]];
  return t;
}

}  // namespace

void FNDSYM(const FaultTree& FT, const TypeRates& TR, const RateClass& RATES, int NSLOT, int SPRBAS,
            Symmetries& SY) {
  SY.NSYM = 0;
  SY.NGRP = 0;
  SY.NDEAD = 0;
  SY.DEADBY.fill(0);
  for (int t = 1; t <= SY.ORBIT.size(); ++t) SY.ORBIT(t) = t;
  Tree T{FT, {}, {}, {}, {}};
  if (!readPlaces(T)) return;
  const std::size_t n = T.places.size();
  T.sig.assign(n, 0);
  T.height.assign(n, 0);
  T.below.assign(n, {});
  Signer S{T, TR, RATES, {}, std::vector<int>(n, 0)};
  for (std::size_t p = 0; p < n; ++p) {
    if (!S.sign(static_cast<int>(p))) return;
  }
  std::vector<int> byHeight(n);
  std::iota(byHeight.begin(), byHeight.end(), 0);
  std::stable_sort(byHeight.begin(), byHeight.end(),
                   [&](int a, int b) { return T.height[a] < T.height[b]; });
  deadModules(T, TR, SY);
  const Orders orders(T);
  std::vector<int> parent(static_cast<std::size_t>(TR.NTYPES) + 1);
  std::iota(parent.begin(), parent.end(), 0);
  std::set<std::vector<int>> found;
  std::vector<int> dependencies;  // with a trigger and a dependent at least
  for (std::size_t p = 0; p < n; ++p) {
    if (T.places[p].type == TFDEP && T.places[p].in.size() >= 2 && T.places[p].in[0] != unset) {
      dependencies.push_back(static_cast<int>(p));
    }
  }

  // Two places that may change places: inputs of one static gate, or two
  // dependencies.
  const auto attempt = [&](int a, int b) {
    Swap W{T, std::vector<int>(n, unset)};
    std::vector<int> slot;
    std::vector<int> type;
    if (!W.match(a, b) || !W.follow(dependencies) || !W.extend(byHeight) || !W.holds() ||
        !orders.kept(W.to) || !slotsOf(T, W.to, NSLOT, SPRBAS, slot) ||
        !typesOf(T, TR, W.to, type)) {
      return false;
    }
    bool moves = false;
    for (int s = 1; s <= NSLOT; ++s) moves = moves || slot[s] != s;
    if (!moves || !found.insert(slot).second || SY.NSYM >= MAXSYM) return moves;
    for (int s = 1; s <= NSLOT; ++s) SY.SLOTS(SY.NSYM * MAXBAS + s) = slot[s];
    for (int t = 1; t <= TR.NTYPES; ++t)
      SY.TYPES(SY.NSYM * MAXBAS + t) = type[static_cast<std::size_t>(t)];
    ++SY.NSYM;
    for (int t = 1; t <= TR.NTYPES; ++t) parent[find(parent, t)] = find(parent, type[t]);
    return true;
  };
  const auto pairs = [&](const std::vector<int>& candidates) {
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      for (std::size_t j = i + 1; j < candidates.size(); ++j) {
        const int a = candidates[i];
        const int b = candidates[j];
        if (a != unset && b != unset && a != b && T.sig[a] == T.sig[b] && attempt(a, b)) break;
      }
    }
  };
  for (std::size_t p = 0; p < n; ++p) {
    if (unordered(T.places[p].type)) pairs(T.places[p].in);
  }
  pairs(dependencies);
  closeGroup(SY, NSLOT);
  for (int t = 1; t <= TR.NTYPES; ++t) {
    int least = t;
    for (int u = 1; u <= TR.NTYPES; ++u) {
      if (find(parent, u) == find(parent, t)) least = std::min(least, u);
    }
    SY.ORBIT(t) = least;
  }
}

void NRMSTA(const Symmetries& SY, IntTab STATE, int NSLOT, IntTab WORK) {
  // Each symmetry swaps places, so its slot map is its own inverse: the
  // image of STATE holds STATE(SLOTS(s)) in slot s, compared without being
  // formed until it is the lower.
  for (bool died = SY.NDEAD > 0; died;) {
    died = false;
    for (int s = 1; s <= NSLOT && s <= SY.DEADBY.size(); ++s) {
      const int unit = SY.DEADBY(s);
      if (unit == 0 || STATE(unit) != 0 || STATE(s) == 0) continue;
      STATE(s) = 0;
      died = true;
    }
  }
  if (SY.NGRP > 0) return leastOfGroup(SY, STATE, NSLOT, WORK);
  for (bool lower = true; lower;) {
    lower = false;
    for (int g = 0; g < SY.NSYM; ++g) {
      const int base = g * MAXBAS;
      int s = 1;
      while (s <= NSLOT && STATE(SY.SLOTS(base + s)) == STATE(s)) ++s;
      if (s > NSLOT || STATE(SY.SLOTS(base + s)) > STATE(s)) continue;
      for (int i = 1; i <= NSLOT; ++i) WORK(i) = STATE(SY.SLOTS(base + i));
      for (int i = 1; i <= NSLOT; ++i) STATE(i) = WORK(i);
      lower = true;
    }
  }
}

}  // namespace molvex
