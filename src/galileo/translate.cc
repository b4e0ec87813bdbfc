#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <set>

#include "galileo/galileo.h"

namespace molvex {
namespace {

// MOLVEX's limits, as its build and generation enforce them.
constexpr int maxNodes = 256;
constexpr int maxBasic = 96;
constexpr int maxSlots = 96;
constexpr int maxInputs = 70;
constexpr int placeWords = 3584;
// Rate names of 15 characters and more draw a warning from the dictionary
// reader.
constexpr std::size_t maxRateName = 14;
constexpr std::size_t textColumns = 80;

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// A line of the dictionary that holds "FEIDS" anywhere ends its entries for
// the reader and the rewrite alike: no name may carry it there.
std::string withoutMarker(std::string text, std::string_view instead) {
  for (std::size_t at; (at = text.find("FEIDS")) != std::string::npos;) {
    text.replace(at, 5, instead);
  }
  return text;
}

bool isBasic(const DftElement& e) { return e.kind == DftKind::basic; }

// The model with every name resolved: inputs as element indices.
class Net {
 public:
  Net(const DftModel& model, DftFiles& files, DftMessage& error, bool limits)
      : m_(model), files_(files), error_(error), limits_(limits) {}

  int translate(std::string_view source) {
    if (resolve() != 1 || checkParameters() != 1 || checkGates() != 1 || checkCycles() != 1 ||
        formModules() != 1 || checkSpareRoles() != 1 || checkTriggers() != 1 ||
        checkOrders() != 1 || dormancy() != 1 || number() != 1) {
      return -1;
    }
    warnSequences();
    if (checkTies() != 1) return -1;
    writeText();
    writeDictionary(source);
    return 1;
  }

 private:
  const DftElement& el(int i) const { return m_.elements[static_cast<std::size_t>(i)]; }
  int count() const { return static_cast<int>(m_.elements.size()); }

  int fail(DftPlace at, std::string text) {
    error_ = {at, std::move(text)};
    return -1;
  }
  void warn(DftPlace at, std::string text) { files_.warnings.push_back({at, std::move(text)}); }

  int resolve() {
    for (int i = 0; i < count(); ++i) index_.emplace(el(i).name, i);
    const auto top = index_.find(m_.top);
    if (top == index_.end())
      return fail(m_.topAt, "the toplevel " + quoted(m_.top) + " is not defined");
    top_ = top->second;
    in_.resize(m_.elements.size());
    for (int i = 0; i < count(); ++i) {
      std::set<int> seen;
      for (const DftInput& input : el(i).inputs) {
        const auto it = index_.find(input.name);
        if (it == index_.end()) {
          return fail(input.at, quoted(input.name) + ", an input of " + quoted(el(i).name) +
                                    ", is not defined");
        }
        if (!seen.insert(it->second).second) {
          return fail(input.at,
                      quoted(input.name) + " is an input of " + quoted(el(i).name) + " twice");
        }
        in_[static_cast<std::size_t>(i)].push_back(it->second);
      }
    }
    return 1;
  }

  const std::vector<int>& inputs(int i) const { return in_[static_cast<std::size_t>(i)]; }

  // Each parameter declared once, each rate that is no number a parameter;
  // no draw, whose outcomes are as many chains (dftDraws).
  int checkParameters() {
    for (const DftElement& e : m_.elements) {
      if (!e.hasProb) continue;
      return fail(e.at, quoted(e.name) + (e.kind == DftKind::pdep ? " acts" : " fails") +
                            " with a probability, which makes the figures a mixture of chains, "
                            "one for each outcome: molvex run computes them, a single chain "
                            "cannot hold them");
    }
    for (const DftInput& p : m_.params) {
      if (!params_.emplace(p.name, "").second) {
        return fail(p.at, "the parameter " + quoted(p.name) + " is declared twice");
      }
    }
    for (const DftElement& e : m_.elements) {
      if (e.parametric && !params_.count(e.lambda)) {
        return fail(e.at, "lambda of " + quoted(e.name) + " is " + quoted(e.lambda) +
                              ", neither a number nor a parameter declared with param");
      }
    }
    return 1;
  }

  bool isDependency(int i) const { return el(i).kind == DftKind::fdep; }

  // The inputs a gate counts: a basic event by its units.
  int units(const std::vector<int>& elements) const {
    int sum = 0;
    for (int c : elements) sum += el(c).units;
    return sum;
  }

  // The inputs that the gate's value depends on: a dependency listed under
  // an AND, OR or voting gate only attaches it to the tree.
  std::vector<int> valued(int i) const {
    std::vector<int> out;
    for (int c : inputs(i)) {
      if (!isDependency(c)) out.push_back(c);
    }
    return out;
  }

  // A dependency has no failure value: listed as an input it is dropped
  // where the gate's value is the same without it, refused elsewhere.
  int checkDependencyInputs(int i) {
    const DftElement& g = el(i);
    const bool attaches =
        g.kind == DftKind::andGate || g.kind == DftKind::orGate || g.kind == DftKind::voting;
    for (std::size_t j = 0; j < inputs(i).size(); ++j) {
      const int c = inputs(i)[j];
      if (!isDependency(c) || attaches) continue;
      return fail(g.inputs[j].at, quoted(el(c).name) + ", an input of " + quoted(g.name) +
                                      ", is a dependency, which has no failure value; list it "
                                      "under an and, or or voting gate, or under none");
    }
    if (valued(i).empty()) {
      return fail(g.at,
                  quoted(g.name) + " has only dependencies as inputs, which have no failure value");
    }
    return 1;
  }

  int checkGates() {
    if (isDependency(top_)) {
      return fail(m_.topAt, "the toplevel " + quoted(m_.top) +
                                " is a dependency, which has no failure value");
    }
    for (int i = 0; i < count(); ++i) {
      const DftElement& g = el(i);
      const std::string name = quoted(g.name);
      if (g.kind == DftKind::basic) continue;
      if (checkDependencyInputs(i) != 1) return -1;
      const int written = units(inputs(i));
      const int n = static_cast<int>(valued(i).size());
      if (limits_ && g.kind != DftKind::pand && n > maxInputs) {
        return fail(g.at, name + " has " + std::to_string(n) + " inputs, more than MOLVEX's " +
                              std::to_string(maxInputs));
      }
      if (g.kind == DftKind::voting) {
        if (g.word.rfind("vot", 0) != 0 && g.n != written) {
          return fail(g.at,
                      name + " is " + g.word + " but has " + std::to_string(written) + " inputs");
        }
        if (g.k < 1 || g.k > units(valued(i))) {
          return fail(g.at, name + " needs from 1 to " + std::to_string(units(valued(i))) +
                                " failed inputs to fail, not " + std::to_string(g.k));
        }
      }
      if ((g.kind == DftKind::pand || g.kind == DftKind::por || g.kind == DftKind::fdep) && n < 2) {
        return fail(g.at, name + " needs at least two inputs");
      }
      // A sequence holds back basic events after its first input: MOLVEX's
      // sequence has no place for a gate there.
      if (g.kind == DftKind::seq) {
        for (int j = 1; j < n; ++j) {
          const DftElement& input = el(inputs(i)[static_cast<std::size_t>(j)]);
          if (isBasic(input)) continue;
          return fail(g.inputs[static_cast<std::size_t>(j)].at,
                      quoted(input.name) + ", a later input of a sequence (" + name +
                          "), is a gate: MOLVEX takes only basic events there");
        }
      }
    }
    return 1;
  }

  int checkCycles() {
    // 0 unvisited, 1 on the path, 2 done.
    std::vector<int> mark(m_.elements.size(), 0);
    std::vector<std::pair<int, std::size_t>> path;
    for (int root = 0; root < count(); ++root) {
      if (mark[static_cast<std::size_t>(root)] != 0) continue;
      path.push_back({root, 0});
      mark[static_cast<std::size_t>(root)] = 1;
      while (!path.empty()) {
        auto& [node, next] = path.back();
        if (next == inputs(node).size()) {
          mark[static_cast<std::size_t>(node)] = 2;
          path.pop_back();
          continue;
        }
        const int child = inputs(node)[next++];
        if (mark[static_cast<std::size_t>(child)] == 1) return cycle(path, child);
        if (mark[static_cast<std::size_t>(child)] == 0) {
          mark[static_cast<std::size_t>(child)] = 1;
          path.push_back({child, 0});
        }
      }
    }
    return 1;
  }

  int cycle(const std::vector<std::pair<int, std::size_t>>& path, int back) {
    std::string text;
    bool on = false;
    for (const auto& step : path) {
      on = on || step.first == back;
      if (on) text += quoted(el(step.first).name) + " -> ";
    }
    return fail(el(back).at,
                quoted(el(back).name) + " is its own input: " + text + quoted(el(back).name));
  }

  // A gate that is an input of a spare gate is a spare module.  Each module
  // gets a unit: a basic event that the spare gates take in its place, that
  // fails only when forced, and that a dependency from the module's gate
  // forces down (as does any dependency that forces the module down).  The
  // basic events of a module sleep while no gate holds its unit.
  int formModules() {
    const int given = given_ = count();
    for (int g = 0; g < given; ++g) {
      if (el(g).kind != DftKind::spare) continue;
      for (std::size_t j = 0; j < inputs(g).size(); ++j) {
        const int c = inputs(g)[j];
        if (!isBasic(el(c))) in_[static_cast<std::size_t>(g)][j] = unitOf(c);
      }
    }
    for (int f = 0; f < given; ++f) {
      if (el(f).kind != DftKind::fdep) continue;
      for (std::size_t j = 1; j < inputs(f).size(); ++j) {
        const int c = inputs(f)[j];
        if (isBasic(el(c))) continue;
        const auto unit = unit_.find(c);
        if (unit == unit_.end()) {
          return fail(el(f).inputs[j].at,
                      quoted(el(c).name) + ", a dependent event (" + quoted(el(f).name) +
                          "), is a gate but no spare module: MOLVEX forces basic events down");
        }
        in_[static_cast<std::size_t>(f)][j] = unit->second;
        forced_.insert(c);
      }
    }
    for (int module : modules_) {
      if (members(module) != 1) return -1;
    }
    return 1;
  }

  int unitOf(int module) {
    const auto known = unit_.find(module);
    if (known != unit_.end()) return known->second;
    const DftElement root = el(module);
    DftElement unit;
    unit.name = root.name + " unit";
    unit.at = root.at;
    unit.lambda = "0";
    DftElement forces;
    forces.name = root.name + " fails";
    forces.at = root.at;
    forces.kind = DftKind::fdep;
    forces.word = "fdep";
    forces.inputs = {{root.name, root.at}, {unit.name, root.at}};
    const int u = count();
    m_.elements.push_back(std::move(unit));
    m_.elements.push_back(std::move(forces));
    in_.push_back({});
    in_.push_back({module, u});
    unit_.emplace(module, u);
    modules_.push_back(module);
    return u;
  }

  // The element and those below it through the inputs that have a value,
  // each once (gates may share inputs).
  std::set<int> under(int root) const {
    std::set<int> below;
    std::vector<int> walk = {root};
    while (!walk.empty()) {
      const int x = walk.back();
      walk.pop_back();
      if (!below.insert(x).second) continue;
      for (int c : valued(x)) walk.push_back(c);
    }
    return below;
  }

  // The elements below a module (its gates and basic events, the units of
  // the modules inside it, not what lies below those) belong to it alone:
  // no gate outside may take one of them as an input, but for dependencies,
  // which may trigger on them or force them down.
  int members(int module) {
    const std::set<int> below = under(module);
    for (int x : below) {
      inModule_.insert(x);
      // Where two modules hold it, the check below refuses the model.
      if (isBasic(el(x))) moduleOf_.emplace(x, module);
    }
    if (below.count(top_)) {
      return fail(el(module).at, "the spare module " + quoted(el(module).name) +
                                     " holds the toplevel: a module's events belong to it alone");
    }
    for (int g = 0; g < count(); ++g) {
      if (below.count(g) || isDependency(g)) continue;
      for (std::size_t j = 0; j < inputs(g).size(); ++j) {
        if (!below.count(inputs(g)[j])) continue;
        return fail(el(g).inputs[j].at, quoted(el(inputs(g)[j]).name) +
                                            " lies in the spare module " + quoted(el(module).name) +
                                            " and is an input of " + quoted(el(g).name) +
                                            " as well: a module's events belong to it alone");
      }
    }
    return 1;
  }

  // A basic event under several spare gates must be a spare of each: the
  // generation has no rule for a unit that is one gate's primary and another
  // gate's primary or spare.
  int checkSpareRoles() {
    std::vector<std::vector<int>> gatesOf(m_.elements.size());
    for (int g = 0; g < count(); ++g) {
      if (el(g).kind != DftKind::spare) continue;
      for (std::size_t j = 0; j < inputs(g).size(); ++j) {
        const int b = inputs(g)[j];
        gatesOf[static_cast<std::size_t>(b)].push_back(g);
      }
    }
    for (int g = 0; g < count(); ++g) {
      if (el(g).kind != DftKind::spare) continue;
      const int primary = inputs(g)[0];
      const auto& holders = gatesOf[static_cast<std::size_t>(primary)];
      if (holders.size() > 1) {
        const int other = holders[0] == g ? holders[1] : holders[0];
        return fail(el(g).inputs[0].at,
                    quoted(el(primary).name) + " is the primary of " + quoted(el(g).name) +
                        " and an input of " + quoted(el(other).name) +
                        " as well: MOLVEX shares spares between spare gates, not primaries");
      }
    }
    for (int g = 0; g < count(); ++g) {
      if (el(g).kind != DftKind::spare) continue;
      for (std::size_t j = 1; j < inputs(g).size(); ++j) {
        if (gatesOf[static_cast<std::size_t>(inputs(g)[j])].size() > 1) sharing_.insert(g);
      }
    }
    return 1;
  }

  // What a dependency triggers on must fail when the field says it does.
  // Two things would make it fail late in MOLVEX's chain: the events of a
  // spare module sleep again once the module is let go, where the field
  // keeps them active; and a dependency is evaluated before the spare gates
  // that share spares take theirs in the same transition.
  int checkTriggers() {
    for (int f = 0; f < count(); ++f) {
      if (!isDependency(f)) continue;
      const int trigger = inputs(f)[0];
      // A module's own gate fails before its unit is let go, unless the
      // module may be let go first.
      const bool root = unit_.count(trigger) > 0;
      if (f < given_ && inModule_.count(trigger) && (!root || releasable(trigger))) {
        return fail(el(f).inputs[0].at,
                    "the trigger of " + quoted(el(f).name) +
                        (root ? " is a spare module that may be let go before it fails"
                              : " lies in a spare module") +
                        ": MOLVEX lets a module's events sleep once the module is let go, "
                        "where the field keeps them active");
      }
      for (int x : under(trigger)) {
        if (!sharing_.count(x)) continue;
        return fail(el(f).inputs[0].at,
                    "the trigger of " + quoted(el(f).name) + " holds " + quoted(el(x).name) +
                        ", a spare gate that shares spares: MOLVEX evaluates a dependency "
                        "before such gates take their spares, so it would act late");
      }
    }
    return 1;
  }

  // Whether the module may be let go before its own gate fails: when a
  // dependency forces it down, or when it lies in another module, which is
  // let go when that one fails through any other of its events.
  bool releasable(int module) const {
    return forced_.count(module) > 0 || moduleOf_.count(unit_.at(module)) > 0;
  }

  // A priority gate records the order of its inputs also while the
  // dependencies act, before the spare gates that share spares have taken
  // theirs: its inputs must not hold such a gate in a model that has
  // dependencies.
  int checkOrders() {
    const bool dependencies =
        std::any_of(m_.elements.begin(), m_.elements.end(),
                    [](const DftElement& e) { return e.kind == DftKind::fdep; });
    for (int g = 0; g < count() && dependencies; ++g) {
      if (el(g).kind != DftKind::pand && el(g).kind != DftKind::por) continue;
      for (int x : under(g)) {
        if (!sharing_.count(x)) continue;
        return fail(el(g).at, quoted(el(g).name) + " holds " + quoted(el(x).name) +
                                  ", a spare gate that shares spares, in a model with "
                                  "dependencies: MOLVEX would see the order of its inputs before "
                                  "such gates take their spares");
      }
    }
    return 1;
  }

  // The dormancy factor of each basic event that may lie dormant, as a
  // spare or in a spare module: its dorm=, or else the meaning of the
  // keyword of the spare gates it may lie dormant under (csp cold, hsp hot;
  // wsp and spare, on which the field's tools disagree, hot as most read it,
  // with a warning).  A spare that the toplevel reaches through gates other
  // than spare gates is in use from the start, as the field activates it:
  // it fails at its full rate while dormant too.
  int dormancy() {
    std::set<int> active;
    activate(top_, active);
    for (int b = 0; b < count(); ++b) {
      const DftElement& e = el(b);
      if (!isBasic(e) || unitOfModule(b)) continue;
      const std::vector<std::pair<int, std::size_t>> under = sleepsUnder(b);
      if (under.empty()) continue;
      double dorm = e.dorm;
      if (!e.hasDorm && impliedDormancy(b, under, dorm) != 1) return -1;
      if (active.count(b) || dorm == 1.0) {
        dormant_[b] = "";
      } else if (dorm > 0.0 && e.parametric) {
        return fail(e.at, quoted(e.name) + " is a warm spare whose rate is the parameter " +
                              quoted(e.lambda) +
                              ": MOLVEX has no name for dorm times a "
                              "parameter; give lambda as a number, or dorm as 0 or 1");
      } else if (dorm > 0.0) {
        dormant_[b] = shortest(dorm * e.rate);
      }
    }
    return 1;
  }

  // The elements that the toplevel uses from the start: down through every
  // gate but the spare gates, whose spares wait until taken.
  void activate(int i, std::set<int>& active) const {
    if (!active.insert(i).second || el(i).kind == DftKind::spare) return;
    for (int c : valued(i)) activate(c, active);
  }

  bool unitOfModule(int b) const { return b >= given_; }
  int moduleWithUnit(int unit) const {
    for (const auto& [module, u] : unit_) {
      if (u == unit) return module;
    }
    return -1;
  }

  // The spare gates and inputs under which b may lie dormant: its own as a
  // spare, and those of the units of the modules it lies in, inside out.
  std::vector<std::pair<int, std::size_t>> sleepsUnder(int b) const {
    std::vector<std::pair<int, std::size_t>> under;
    for (int x = b;;) {
      for (int g = 0; g < count(); ++g) {
        if (el(g).kind != DftKind::spare) continue;
        for (std::size_t j = 1; j < inputs(g).size(); ++j) {
          if (inputs(g)[j] == x) under.emplace_back(g, j);
        }
      }
      const auto module = moduleOf_.find(x);
      if (module == moduleOf_.end()) return under;
      x = unit_.at(module->second);
    }
  }

  int impliedDormancy(int b, const std::vector<std::pair<int, std::size_t>>& under, double& dorm) {
    std::map<double, int> implied;  // a factor -> the first gate that implies it
    for (const auto& [g, j] : under) {
      const DftElement& gate = el(g);
      const bool guessed = gate.word == "wsp" || gate.word == "spare";
      implied.emplace(gate.word == "csp" ? 0.0 : 1.0, g);
      if (guessed) {
        warn(gate.inputs[j].at,
             quoted(el(b).name) + ", dormant under " + quoted(gate.name) + " (" + gate.word +
                 "), has no dorm=: MOLVEX takes it as hot (dorm=1), as most of the field's "
                 "tools do; others take it as cold: give dorm= to say which");
      }
    }
    if (implied.size() > 1) {
      return fail(el(b).at, quoted(el(b).name) + " has no dorm= and is dormant under " +
                                quoted(el(implied.begin()->second).name) +
                                ", which makes it cold, and under " +
                                quoted(el(implied.rbegin()->second).name) +
                                ", which makes it hot: give dorm=");
    }
    dorm = implied.begin()->first;
    return 1;
  }

  // The shortest decimal text that reads back as the same double.
  static std::string shortest(double value) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
  }

  // The elements in the order of their sentences: the gates, then the
  // basic events, the units of spare modules first, outer modules before
  // the modules inside them (a type lies in a module of a lower type).
  std::vector<int> writingOrder() const {
    std::vector<int> order;
    std::vector<std::pair<int, int>> units;  // depth, unit
    for (int i = 0; i < count(); ++i) {
      if (!isBasic(el(i))) order.push_back(i);
      if (!unitOfModule(i) || !isBasic(el(i))) continue;
      int depth = 0;
      for (auto at = moduleOf_.find(i); at != moduleOf_.end();
           at = moduleOf_.find(unit_.at(at->second))) {
        ++depth;
      }
      units.emplace_back(depth, i);
    }
    std::stable_sort(units.begin(), units.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& unit : units) order.push_back(unit.second);
    for (int i = 0; i < given_; ++i) {
      if (isBasic(el(i))) order.push_back(i);
    }
    return order;
  }

  // Node numbers in the order of the sentences: the system-failure box, the
  // gates (a priority-AND gate of m inputs as m - 1 nested ones), the basic
  // events; and the limits of the build checked on the way.
  int number() {
    int nodes = 1;
    int basics = 0;
    int slots = 0;
    int words = 5 + 9 + 1;  // header, the free word, the box and its input
    node_.assign(m_.elements.size(), 0);
    type_.assign(m_.elements.size(), 0);
    order_ = writingOrder();
    for (int i : order_) {
      const DftElement& e = el(i);
      const bool basic = isBasic(e);
      if (basic) type_[static_cast<std::size_t>(i)] = basics + 1;
      const int n = static_cast<int>(valued(i).size());
      const int added = e.kind == DftKind::pand ? n - 1 : e.kind == DftKind::por ? 2 : 1;
      node_[static_cast<std::size_t>(i)] = nodes + 1;
      nodes += added;
      words += 9 * added + (e.kind == DftKind::pand  ? 2 * added
                            : e.kind == DftKind::por ? 2 + n
                                                     : n);
      if (basic) ++basics;
      slots += basic                     ? 1
               : e.kind == DftKind::pand ? added
               : e.kind == DftKind::por  ? 1
               : sharing_.count(i)       ? n
                                         : 0;
      const char* beyond = basics > maxBasic  ? "the basic events are more than MOLVEX's 96"
                           : nodes > maxNodes ? "the nodes of the tree are more than MOLVEX's 256"
                           : slots > maxSlots ? "the state vector needs more than MOLVEX's 96 slots"
                           : words > placeWords
                               ? "the tree needs more than MOLVEX's 3584 words of tables"
                               : nullptr;
      if (beyond != nullptr && limits_) {
        return fail(e.at, "with " + quoted(e.name) + " " + beyond);
      }
    }
    return 1;
  }

  // A sequence listed as an input or as the toplevel: the field's tools
  // disagree on its value (some give it none).
  void warnSequences() {
    for (int g = 0; g < count(); ++g) {
      const DftElement& e = el(g);
      for (std::size_t j = 0; j < inputs(g).size(); ++j) {
        const DftElement& input = el(inputs(g)[j]);
        if (input.kind == DftKind::seq) {
          warn(e.inputs[j].at, quoted(input.name) + " is an input of " + quoted(e.name) +
                                   ": MOLVEX gives a sequence the value of an AND gate over its "
                                   "inputs, as Galileo does; tools that take it as a restriction "
                                   "only give it no value");
        }
      }
      if (e.kind != DftKind::fdep) continue;
      for (std::size_t j = 1; j < inputs(g).size(); ++j) warnSequenceOf(g, j);
    }
    const DftElement& top = el(top_);
    if (top.kind == DftKind::seq) {
      warn(m_.topAt, "the toplevel " + quoted(top.name) +
                         " is a sequence: MOLVEX gives it the value of an AND gate over its "
                         "inputs, as Galileo does; tools that take it as a restriction only "
                         "give it no value");
    }
  }

  void warnSequenceOf(int fdep, std::size_t j) {
    // The start of a model of draws forces down events failed from the
    // start: out of a sequence's order, no chain starts (solveModel says so).
    if (el(inputs(fdep)[0]).name == m_.start) return;
    const int b = inputs(fdep)[j];
    for (int s = 0; s < count(); ++s) {
      if (el(s).kind != DftKind::seq) continue;
      const auto& in = inputs(s);
      const auto at = std::find(in.begin(), in.end(), b);
      if (at == in.end() || at == in.begin()) continue;
      warn(el(fdep).inputs[j].at,
           quoted(el(fdep).name) + " forces down " + quoted(el(b).name) +
               ", a later input of the sequence " + quoted(el(s).name) +
               ": MOLVEX drops a failure that would force it out of order, so the trigger "
               "cannot fail then; other tools let it fail");
    }
  }

  // The basic events below an element, each element's set formed once: a
  // tree whose gates share inputs has exponentially many paths.
  const std::set<int>& below(int i) {
    std::set<int>& out = below_[i];
    if (!out.empty()) return out;
    if (isBasic(el(i))) {
      out.insert(i);
    } else {
      for (int c : inputs(i)) {
        const std::set<int>& part = below(c);
        out.insert(part.begin(), part.end());
      }
    }
    return out;
  }

  // Two inputs of a priority-AND gate that can fail in one transition count
  // as failed in order.  They can when a basic event lies below both, or
  // when the failure of one basic event below one forces down one below the
  // other (through dependencies, followed as far as they go).
  int checkTies() {
    std::map<int, std::set<int>> together;  // a basic event -> what fails with it
    for (int b = 0; b < count(); ++b) {
      if (!isBasic(el(b))) continue;
      std::set<int>& with = together[b];
      with.insert(b);
      for (bool grew = true; grew;) {
        grew = false;
        for (int f = 0; f < count(); ++f) {
          if (el(f).kind != DftKind::fdep) continue;
          const std::set<int>& trigger = below(inputs(f)[0]);
          const bool fires =
              std::any_of(trigger.begin(), trigger.end(), [&](int t) { return with.count(t) > 0; });
          if (!fires) continue;
          for (std::size_t j = 1; j < inputs(f).size(); ++j) {
            grew = with.insert(inputs(f)[j]).second || grew;
          }
        }
      }
    }
    for (int g = 0; g < count(); ++g) {
      if (el(g).kind != DftKind::pand) continue;
      std::set<int> earlier = below(inputs(g)[0]);
      for (std::size_t j = 1; j < inputs(g).size(); ++j) {
        const std::set<int>& later = below(inputs(g)[j]);
        const bool tie = std::any_of(together.begin(), together.end(), [&](const auto& entry) {
          const auto hits = [&](const std::set<int>& s) {
            return std::any_of(entry.second.begin(), entry.second.end(),
                               [&](int b) { return s.count(b) > 0; });
          };
          return hits(earlier) && hits(later);
        });
        const std::string both = quoted(el(inputs(g)[j]).name) +
                                 " can fail in the same transition as an input before it in " +
                                 quoted(el(g).name);
        // Within one transition MOLVEX sees the failing event first, then
        // what each dependency forces down, in the order of the file, and
        // counts what it sees together as in order; the field's tools order
        // a failure and what it forces in ways of their own.
        if (tie && el(g).word == "pand-excl") {
          return fail(el(g).inputs[j].at,
                      both +
                          ", a pand-excl: MOLVEX may count inputs failing together as "
                          "failing in order");
        }
        if (tie) {
          warn(el(g).inputs[j].at,
               both +
                   ": MOLVEX sees the failing event first, then what each dependency forces "
                   "down in the order of the file, and counts what it sees together as in "
                   "order; the field's tools order these failures in ways of their own");
        }
        earlier.insert(later.begin(), later.end());
      }
    }
    return 1;
  }

  void sentence(int node, const std::string& word, const std::vector<int>& nodes) {
    std::string line = "NODE " + std::to_string(node) + " TYPE " + word + " " +
                       std::to_string(nodes.size()) + " INPUT";
    for (int n : nodes) {
      const std::string item = " " + std::to_string(n);
      // An input list goes on over the next lines within the columns read.
      if (line.size() + item.size() > textColumns) {
        files_.txt += line + "\n";
        line = "    ";
      }
      line += item;
    }
    files_.txt += line + "\n";
  }

  int nodeOf(int i) const { return node_[static_cast<std::size_t>(i)]; }
  int typeOf(int i) const { return type_[static_cast<std::size_t>(i)]; }

  void writeText() {
    files_.txt = "NODE 1 TYPE FBOX INPUT " + std::to_string(nodeOf(top_)) + "\n";
    for (int i : order_) {
      const DftElement& e = el(i);
      std::vector<int> nodes;
      for (int c : valued(i)) nodes.push_back(nodeOf(c));
      if (isBasic(e)) {
        files_.txt += "NODE " + std::to_string(nodeOf(i)) + " TYPE BASIC " +
                      std::to_string(e.units) + " OF COMPONENT TYPE " + std::to_string(typeOf(i)) +
                      "\n";
      } else if (e.kind == DftKind::pand) {
        // PAND(a, b, c) as PAND(PAND(a, b), c), the outer gate first: the
        // inner gate has failed exactly when a and b have, a no later than
        // b, and the outer one then asks that to be no later than c.
        const int n = static_cast<int>(nodes.size());
        for (int k = n - 1; k >= 1; --k) {
          const int self = nodeOf(i) + (n - 1 - k);
          const int first = k == 1 ? nodes[0] : self + 1;
          sentence(self, "PAND", {first, nodes[static_cast<std::size_t>(k)]});
        }
      } else if (e.kind == DftKind::por) {
        // POR(a, b, c) as PAND(a, OR(a, b, c)): the OR fails with the
        // first of the three, and a no later than that is a before b and
        // c, or with them, as the inclusive gate reads it.
        sentence(nodeOf(i), "PAND", {nodes[0], nodeOf(i) + 1});
        sentence(nodeOf(i) + 1, "OR", nodes);
      } else {
        sentence(nodeOf(i), gateWord(i), nodes);
      }
    }
  }

  std::string gateWord(int i) const {
    const DftElement& e = el(i);
    switch (e.kind) {
      case DftKind::andGate:
        return "AND";
      case DftKind::orGate:
        return "OR";
      case DftKind::voting:
        return std::to_string(e.k) + "/" + std::to_string(units(valued(i)));
      case DftKind::seq:
        return "SEQ";
      case DftKind::fdep:
        return "FDEP";
      default:
        // The field's spare gate: a unit a dependency forces down is
        // replaced by the next spare, as when it fails by itself.
        return "SPARE";
    }
  }

  // A rate name from the element's name: upper-case letters, digits and
  // underscores, beginning with a letter, unique, short enough to be kept
  // whole.  "X" marks arcs into failure states in the chain: not a name.
  std::string rateName(const std::string& name) {
    std::string base;
    for (char c : name) {
      const unsigned char u = static_cast<unsigned char>(c);
      base += std::isalnum(u) && u < 0x80 ? static_cast<char>(std::toupper(u)) : '_';
    }
    if (base.empty() || !std::isalpha(static_cast<unsigned char>(base[0])) || base == "X") {
      base = "L" + base;
    }
    base = withoutMarker(base, "FEID_S");
    std::string candidate = base.substr(0, maxRateName);
    for (int n = 2; !rateNames_.insert(candidate).second; ++n) {
      const std::string suffix = "_" + std::to_string(n);
      candidate = base.substr(0, maxRateName - suffix.size()) + suffix;
    }
    return candidate;
  }

  // The element's name as its description line: quoted, so that the line
  // is never blank nor ends with a comma (either would make the dictionary
  // reader take the next line), within the columns read, without control
  // characters; `before` and `after` go round the quotes.
  static std::string description(const std::string& name, std::string_view before = "",
                                 std::string_view after = "") {
    std::string text = withoutMarker(printable(name), "FEIDs");
    const std::size_t room = textColumns - 4 - before.size() - after.size();
    if (text.size() > room) {
      std::size_t cut = room - 3;
      while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
      text = text.substr(0, cut) + "...";
    }
    return "  " + std::string(before) + "\"" + text + "\"" + std::string(after);
  }

  // Control characters as '?': a line break or a tab would change the
  // lines of the file.
  static std::string printable(std::string_view text) {
    std::string out;
    for (char c : text) {
      const unsigned char u = static_cast<unsigned char>(c);
      out += u < 0x20 || u == 0x7f ? '?' : c;
    }
    return out;
  }

  void writeDictionary(std::string_view source) {
    files_.dic.clear();
    files_.rat = "# The failure rates of the basic events of " + printable(source) + "\n";
    // Parameters keep their names in the chain; their values are the user's.
    for (const DftInput& p : m_.params) {
      const std::string& rate = params_[p.name] = rateName(p.name);
      files_.parameterRates[p.name] = rate;
      files_.rat += "# " + rate + ": the parameter " + printable(quoted(p.name)) +
                    ", its value here or with --set " + rate + "=VALUE\n";
    }
    for (int i : order_) {
      const DftElement& e = el(i);
      if (!isBasic(e)) continue;
      const std::string rate = e.parametric ? params_.at(e.lambda) : rateName(e.name);
      if (e.name == m_.start) files_.startRate = rate;
      files_.eventTypes[e.name] = typeOf(i);
      const std::string type = std::to_string(typeOf(i));
      if (unitOfModule(i)) {
        files_.dic += type + " BE " + rate + "\n" +
                      description(el(moduleWithUnit(i)).name, "unit of the spare module ") + "\n";
      } else {
        const std::string more =
            e.units > 1 ? " and " + std::to_string(e.units - 1) + " identical beside it" : "";
        files_.dic += type + " BE " + rate + "\n" + description(e.name, "", more) + "\n";
        if (!e.parametric) files_.rat += rate + " " + e.lambda + "\n";
      }
      const auto module = moduleOf_.find(i);
      if (module != moduleOf_.end()) {
        files_.dic += type + " MODULE " + std::to_string(typeOf(unit_.at(module->second))) +
                      "\n  asleep while its spare module is not in use\n";
      }
      // A unit, or a basic event that never fails by itself.
      if (unitOfModule(i) || e.rate == 0.0) {
        files_.dic += type + " FORCED ONLY\n  fails only when forced down\n";
      }
      const auto dormant = dormant_.find(i);
      if (dormant == dormant_.end()) continue;
      // A hot spare, or one in use from the start, fails at one rate.
      const std::string asleep = dormant->second.empty() ? rate : rateName(e.name + " dorm");
      files_.dic +=
          type + " DORMANT " + asleep + "\n" + description(e.name, "", " while dormant") + "\n";
      if (asleep != rate) files_.rat += asleep + " " + dormant->second + "\n";
    }
  }

  DftModel m_;  // the model, with the units of spare modules and their dependencies added
  DftFiles& files_;
  DftMessage& error_;
  bool limits_;  // refuse a model beyond the sizes of one chain
  std::map<std::string, int, std::less<>> index_;
  std::vector<std::vector<int>> in_;
  std::vector<int> node_;
  std::vector<int> type_;                      // of a basic event: its component type
  std::vector<int> order_;                     // of the sentences
  int given_ = 0;                              // elements of the model as given; the units follow
  std::map<std::string, std::string> params_;  // a parameter -> its rate name
  std::map<int, int> unit_;                    // a spare module -> its unit
  std::vector<int> modules_;                   // the spare modules in the order they were met
  std::map<int, int> moduleOf_;                // a basic event or unit -> the module it lies in
  std::set<int> forced_;                       // the spare modules that a dependency forces down
  std::set<int> inModule_;  // every element that lies in a spare module, its gate too
  // The spares that fail while dormant: the value of their rate then, or ""
  // for the rate of a unit in use.
  std::map<int, std::string> dormant_;
  std::set<int> sharing_;  // spare gates that share a spare with another
  std::set<std::string> rateNames_;
  std::map<int, std::set<int>> below_;
  int top_ = 0;
};

}  // namespace

int translateDft(const DftModel& model, std::string_view source, DftFiles& files, DftMessage& error,
                 bool limits) {
  files = DftFiles();
  files.warnings = model.warnings;
  Net net(model, files, error, limits);
  return net.translate(source);
}

}  // namespace molvex
