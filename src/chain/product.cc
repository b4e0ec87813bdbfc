#include "chain/product.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>

namespace molvex {
namespace {

// An arc of the part's chain by what it does: the state it leads to (0 for a
// failure state), the type that fails, its rate.
struct Move {
  int target;
  int type;
  int name;  // its rate name
  int multiplier;
};

class Part {
 public:
  explicit Part(const SharedParts& in) : in_(in), c_(*in.part) {}

  bool index(Error& error) {
    if (!nameTypes(error) || !readMoves(error)) return false;
    indexShared();
    return true;
  }

  // The image of every state under each symmetry, found by following the
  // arcs from the initial state, which every symmetry keeps: the image of
  // the target of an arc is the target of the image arc out of the image.
  bool images(Error& error) {
    for (const std::vector<int>& perm : in_.symmetries) {
      for (std::size_t t = 1; t < perm.size(); ++t) {
        if (in_.shared[t] != in_.shared[static_cast<std::size_t>(perm[t])]) {
          error = "a symmetry of the part that mixes shared and own events";
          return false;
        }
      }
      std::vector<int> img(static_cast<std::size_t>(c_.nstates) + 1, -1);
      img[0] = 0;
      img[1] = 1;
      std::vector<int> queue = {1};
      for (std::size_t q = 0; q < queue.size(); ++q) {
        const int s = queue[q];
        for (int m = begin(s); m < end(s); ++m) {
          const Move& mv = moves_[static_cast<std::size_t>(m)];
          const int name =
              nameOf_[2 * static_cast<std::size_t>(perm[static_cast<std::size_t>(mv.type)]) +
                      static_cast<std::size_t>(dormant_[static_cast<std::size_t>(mv.name)])];
          const int image = find(img[static_cast<std::size_t>(s)], name);
          if (image < 0 || moves_[static_cast<std::size_t>(image)].multiplier != mv.multiplier) {
            error = "a symmetry of the part that its chain does not keep";
            return false;
          }
          const int to = moves_[static_cast<std::size_t>(image)].target;
          int& known = img[static_cast<std::size_t>(mv.target)];
          if (known >= 0 && known != to) {
            error = "a symmetry of the part that its chain does not keep";
            return false;
          }
          if (known < 0) queue.push_back(mv.target);
          known = to;
        }
      }
      images_.push_back(std::move(img));
    }
    return true;
  }

  int begin(int s) const { return first_[static_cast<std::size_t>(s)]; }
  int end(int s) const { return first_[static_cast<std::size_t>(s) + 1]; }
  const Move& move(int m) const { return moves_[static_cast<std::size_t>(m)]; }
  bool shared(const Move& mv) const { return in_.shared[static_cast<std::size_t>(mv.type)] != 0; }
  // The move of rate name `name` out of `s`, -1 for none.
  int find(int s, int name) const {
    const auto found = byName_.find(key(s, name));
    return found == byName_.end() ? -1 : found->second;
  }
  const std::vector<std::vector<int>>& images() const { return images_; }
  const std::vector<double>& values() const { return value_; }  // by rate name
  int nshared() const { return nshared_; }
  // The move of shared event e (0 .. nshared() - 1) out of `s`, -1 for none.
  int sharedMove(int s, int e) const {
    return sharedMove_[static_cast<std::size_t>(s) * static_cast<std::size_t>(nshared_) +
                       static_cast<std::size_t>(e)];
  }

 private:
  // Which type, and whether dormant, each rate name stands for.
  bool nameTypes(Error& error) {
    std::map<std::string, int, std::less<>> names;
    for (int r = 1; r <= c_.rateNames.size(); ++r) names.emplace(c_.rateNames(r), r);
    type_.assign(static_cast<std::size_t>(c_.rateNames.size()) + 1, 0);
    dormant_.assign(type_.size(), 0);
    nameOf_.assign(2 * (static_cast<std::size_t>(c_.ntypes) + 1), 0);
    for (int t = 1; t <= c_.ntypes; ++t) {
      for (int d = 0; d < 2; ++d) {
        const std::string& n = d == 0 ? c_.typeNames(t) : c_.dormantNames(t);
        const auto found = n.empty() ? names.end() : names.find(n);
        if (found == names.end()) continue;
        const auto r = static_cast<std::size_t>(found->second);
        if (type_[r] != 0 && (type_[r] != t || dormant_[r] != d)) {
          error = "the rate name " + n + " stands for more than one type";
          return false;
        }
        type_[r] = t;
        dormant_[r] = static_cast<char>(d);
        nameOf_[2 * static_cast<std::size_t>(t) + static_cast<std::size_t>(d)] = found->second;
      }
    }
    return true;
  }

  bool readMoves(Error& error) {
    first_.assign(static_cast<std::size_t>(c_.nstates) + 2, 0);
    value_.assign(type_.size(), 0.0);
    for (int s = 1; s <= c_.nstates; ++s) {
      first_[static_cast<std::size_t>(s)] = static_cast<int>(moves_.size());
      for (int a = c_.first(s); a < c_.first(s + 1); ++a) {
        const Arc& arc = c_.arcs(a);
        const int t = type_[static_cast<std::size_t>(arc.rate)];
        const bool expanded = c_.kind(arc.target) == StateKind::Expanded;
        if (t == 0 || (!expanded && c_.kind(arc.target) != StateKind::Failure)) {
          error = "an arc of no type's rate, or into a truncation state";
          return false;
        }
        if (!byName_.emplace(key(s, arc.rate), static_cast<int>(moves_.size())).second) {
          error = "two arcs of one rate name out of one state";
          return false;
        }
        moves_.push_back({expanded ? arc.target : 0, t, arc.rate, arc.multiplier});
        // The value of the name, as an arc of one unit gives it.
        double& value = value_[static_cast<std::size_t>(arc.rate)];
        if (arc.multiplier == 1 || value == 0.0) value = (*in_.rate)(a) / arc.multiplier;
      }
    }
    first_[static_cast<std::size_t>(c_.nstates) + 1] = static_cast<int>(moves_.size());
    return true;
  }

  // The shared events' moves of every state, looked up for each part in
  // every state of the whole.
  void indexShared() {
    std::vector<int> slot(type_.size(), -1);
    for (const Move& mv : moves_) {
      if (shared(mv) && slot[static_cast<std::size_t>(mv.name)] < 0) {
        slot[static_cast<std::size_t>(mv.name)] = nshared_++;
      }
    }
    const auto n = static_cast<std::size_t>(nshared_);
    sharedMove_.assign((static_cast<std::size_t>(c_.nstates) + 1) * n, -1);
    for (int s = 1; s <= c_.nstates; ++s) {
      for (int m = begin(s); m < end(s); ++m) {
        const Move& mv = moves_[static_cast<std::size_t>(m)];
        if (!shared(mv)) continue;
        sharedMove_[static_cast<std::size_t>(s) * n +
                    static_cast<std::size_t>(slot[static_cast<std::size_t>(mv.name)])] = m;
      }
    }
  }

  static std::int64_t key(int s, int name) { return (std::int64_t{s} << 32) | name; }

  const SharedParts& in_;
  const Chain& c_;
  std::vector<int> type_;
  std::vector<char> dormant_;
  std::vector<int> nameOf_;  // 2 * type + dormant -> rate name
  std::vector<int> first_;   // the moves of state s: first_[s] .. first_[s + 1] - 1
  std::vector<Move> moves_;
  std::vector<double> value_;
  int nshared_ = 0;
  std::vector<int> sharedMove_;
  std::unordered_map<std::int64_t, int> byName_;
  std::vector<std::vector<int>> images_;
};

// The states of the whole: sorted tuples of the parts' states (0 for a
// failed part), each the least of its images.
class Whole {
 public:
  Whole(const Part& part, int count, int ntypes)
      : part_(part),
        m_(static_cast<std::size_t>(count)),
        failst_(static_cast<std::size_t>(ntypes) + 1, 0) {
    table_.assign(1024, 0);
    best_.resize(m_);
    work_.resize(m_);
  }

  // The number of the state `tuple` stands for, a new one when it is new.
  int state(std::vector<int>& tuple) {
    least(tuple);
    const std::uint64_t h = hash(tuple.data());
    const std::uint64_t tag = h >> 32 << 32;
    std::size_t slot = static_cast<std::size_t>(h) & (table_.size() - 1);
    for (; table_[slot] != 0; slot = (slot + 1) & (table_.size() - 1)) {
      if ((table_[slot] & ~0xffffffffULL) != tag) continue;
      const int* key = entry((table_[slot] & 0xffffffffULL) - 1);
      std::size_t j = 0;
      while (j < m_ && key[j] == tuple[j]) ++j;
      if (j == m_) return key[m_];
    }
    const std::size_t i = expanded();
    table_[slot] = tag | (i + 1);
    keys_.insert(keys_.end(), tuple.begin(), tuple.end());
    keys_.push_back(++nstates_);
    kinds_.push_back(StateKind::Expanded);
    types_.push_back(0);
    if (4 * expanded() > 3 * table_.size()) rehash();
    return nstates_;
  }

  int failure(int type) {
    int& n = failst_[static_cast<std::size_t>(type)];
    if (n == 0) {
      n = ++nstates_;
      kinds_.push_back(StateKind::Failure);
      types_.push_back(type);
    }
    return n;
  }

  std::size_t expanded() const { return keys_.size() / (m_ + 1); }
  void tuple(std::size_t i, std::vector<int>& out) const {
    const int* key = entry(i);
    out.assign(key, key + m_);
  }
  int nstates() const { return nstates_; }
  StateKind kind(int s) const { return kinds_[static_cast<std::size_t>(s) - 1]; }
  int type(int s) const { return types_[static_cast<std::size_t>(s) - 1]; }
  int failureOf(int type) const { return failst_[static_cast<std::size_t>(type)]; }

 private:
  // Expanded state i: its tuple, then its number.
  const int* entry(std::size_t i) const { return keys_.data() + i * (m_ + 1); }

  std::uint64_t hash(const int* key) const {
    std::uint64_t h = 1469598103934665603ULL;
    for (std::size_t j = 0; j < m_; ++j)
      h = (h ^ static_cast<std::uint32_t>(key[j])) * 1099511628211ULL;
    return h;
  }

  // Few parts: sorted by insertion.
  static void sort(std::vector<int>& v) {
    for (std::size_t i = 1; i < v.size(); ++i) {
      const int x = v[i];
      std::size_t j = i;
      for (; j > 0 && v[j - 1] > x; --j) v[j] = v[j - 1];
      v[j] = x;
    }
  }

  void least(std::vector<int>& tuple) {
    sort(tuple);
    best_ = tuple;
    for (const std::vector<int>& img : part_.images()) {
      for (std::size_t j = 0; j < m_; ++j) work_[j] = img[static_cast<std::size_t>(tuple[j])];
      sort(work_);
      if (work_ < best_) best_.swap(work_);
    }
    tuple.swap(best_);
  }

  void rehash() {
    std::vector<std::uint64_t> bigger(table_.size() * 2, 0);
    for (std::size_t i = 0; i < expanded(); ++i) {
      const std::uint64_t h = hash(entry(i));
      std::size_t slot = static_cast<std::size_t>(h) & (bigger.size() - 1);
      while (bigger[slot] != 0) slot = (slot + 1) & (bigger.size() - 1);
      bigger[slot] = (h >> 32 << 32) | (i + 1);
    }
    table_.swap(bigger);
  }

  const Part& part_;
  std::size_t m_;
  std::vector<std::uint64_t> table_;  // the hash's high half, and 1 + the expanded state's index
  std::vector<int> keys_;
  std::vector<StateKind> kinds_;
  std::vector<int> types_;
  std::vector<int> failst_;  // by type
  std::vector<int> best_;
  std::vector<int> work_;
  int nstates_ = 0;
};

struct Built {
  std::vector<int> count;  // arcs of each expanded state, in the order expanded
  TableStore<Arc> arcs;
};

void add(Built& b, int target, const Move& mv, int times, bool marked) {
  b.arcs.push_back({target, mv.name, mv.multiplier * times, marked});
  ++b.count.back();
}

// The arcs out of the state of `tuple` (sorted, failed parts first).
bool expand(const SharedParts& in, const Part& part, Whole& whole, const std::vector<int>& tuple,
            Built& b, Error& error) {
  const std::size_t m = tuple.size();
  std::size_t alive = 0;
  while (alive < m && tuple[alive] == 0) ++alive;
  const auto failed = [&](std::size_t more) {
    return alive + more >= static_cast<std::size_t>(in.failing);
  };
  std::vector<int> next;
  b.count.push_back(0);
  // A shared event moves every part that has not failed.
  for (int e = 0; e < part.nshared(); ++e) {
    const int first = part.sharedMove(tuple[alive], e);
    next = tuple;
    std::size_t down = 0;
    for (std::size_t j = alive; j < m; ++j) {
      const int same = part.sharedMove(tuple[j], e);
      if ((same < 0) != (first < 0)) {
        error = "a shared event that moves some parts and not others";
        return false;
      }
      if (same < 0) continue;
      next[j] = part.move(same).target;
      down += next[j] == 0 ? 1 : 0;
    }
    if (first < 0) continue;
    const Move& mv = part.move(first);
    if (failed(down)) {
      add(b, whole.failure(mv.type), mv, 1, true);
    } else {
      add(b, whole.state(next), mv, 1, false);
    }
  }
  // A part's own event moves that part; parts in one state move alike.
  for (std::size_t j = alive; j < m;) {
    std::size_t same = j + 1;
    while (same < m && tuple[same] == tuple[j]) ++same;
    const int times = static_cast<int>(same - j);
    for (int a = part.begin(tuple[j]); a < part.end(tuple[j]); ++a) {
      const Move& mv = part.move(a);
      if (part.shared(mv)) continue;
      if (mv.target == 0 && failed(1)) {
        add(b, whole.failure(mv.type), mv, times, true);
        continue;
      }
      next = tuple;
      next[j] = mv.target;
      add(b, whole.state(next), mv, times, false);
    }
    j = same;
  }
  return true;
}

template <typename T>
void copyTable(const Array1<T>& from, Array1<T>& to) {
  to.resize(from.size());
  for (int i = 1; i <= from.size(); ++i) to(i) = from(i);
}

void fill(const Chain& part, const std::vector<double>& value, const Whole& whole, Built& b,
          Chain& out, Array1<double>& rate) {
  out.model = part.model;
  out.cspare = part.cspare;
  out.nstates = whole.nstates();
  out.nbasic = 0;
  out.kind.resize(out.nstates);
  out.type.resize(out.nstates);
  out.first.resize(out.nstates + 1);
  TableStore<double> values;
  values.reserve(b.arcs.size());
  for (const Arc& arc : b.arcs)
    values.push_back(value[static_cast<std::size_t>(arc.rate)] * arc.multiplier);
  rate = Array1<double>(std::move(values));
  out.expansion.resize(static_cast<int>(whole.expanded()));
  std::size_t next = 0;  // the next expanded state, in the order expanded
  int arc = 1;
  for (int s = 1; s <= out.nstates; ++s) {
    out.kind(s) = whole.kind(s);
    out.type(s) = whole.type(s);
    out.first(s) = arc;
    if (whole.kind(s) != StateKind::Expanded) continue;
    out.expansion(static_cast<int>(next) + 1) = s;
    arc += b.count[next++];
  }
  out.first(out.nstates + 1) = arc;
  out.arcs = Array1<Arc>(std::move(b.arcs));
  out.ntypes = part.ntypes;
  copyTable(part.typeNames, out.typeNames);
  copyTable(part.typeLabels, out.typeLabels);
  copyTable(part.dormantNames, out.dormantNames);
  copyTable(part.rateNames, out.rateNames);
  out.failst.resize(out.ntypes);
  out.trncst.resize(out.ntypes, 0);
  for (int t = 1; t <= out.ntypes; ++t) out.failst(t) = whole.failureOf(t);
}

}  // namespace

Composition productChain(const SharedParts& in, Chain& out, Array1<double>& rate, Error& error) {
  Part part(in);
  if (!part.index(error) || !part.images(error)) return Composition::refused;
  Whole whole(part, in.count, in.part->ntypes);
  std::vector<int> tuple(static_cast<std::size_t>(in.count), 1);
  whole.state(tuple);
  Built built;
  for (std::size_t i = 0; i < whole.expanded(); ++i) {
    if (whole.nstates() > in.maxStates) return Composition::tooLarge;
    whole.tuple(i, tuple);
    if (!expand(in, part, whole, tuple, built, error)) return Composition::refused;
  }
  if (whole.nstates() > in.maxStates) return Composition::tooLarge;
  fill(*in.part, part.values(), whole, built, out, rate);
  return Composition::composed;
}

}  // namespace molvex
