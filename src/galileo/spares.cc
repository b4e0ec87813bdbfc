// Spare modules, and the spare gates around them: MOLVEX's spare gate takes
// basic events, so a gate under one becomes a unit of its own, and what the
// chain then does with the module's events must still be what the field
// means by them.
#include <algorithm>

#include "galileo/translation.h"

namespace molvex::dft {
namespace {

// A gate that is an input of a spare gate is a spare module.  Each module
// gets a unit: a basic event that the spare gates take in its place, that
// fails only when forced, and that a dependency from the module's gate
// forces down (as does any dependency that forces the module down).  The
// basic events of a module sleep while no gate holds its unit.
class ModuleForming {
 public:
  ModuleForming(Net& net, Spares& spares, Report& report)
      : net_(net), spares_(spares), report_(report) {}

  int form() {
    for (int g = 0; g < net_.given; ++g) {
      if (net_.isSpareGate(g)) takeUnits(g);
    }
    for (int f = 0; f < net_.given; ++f) {
      if (net_.isDependency(f) && forceUnits(f) != 1) return -1;
    }
    for (int module : modules_) {
      if (members(module) != 1) return -1;
    }
    return 1;
  }

 private:
  // The spare gate takes the units of the modules among its inputs.
  void takeUnits(int g) {
    for (std::size_t j = 0; j < net_.inputs(g).size(); ++j) {
      const int c = net_.inputs(g)[j];
      if (net_.isBasic(c)) continue;
      const int unit = unitOf(c);
      net_.in[static_cast<std::size_t>(g)][j] = unit;
    }
  }

  // The dependency forces down the units of the modules it names.
  int forceUnits(int f) {
    for (std::size_t j = 1; j < net_.inputs(f).size(); ++j) {
      const int c = net_.inputs(f)[j];
      if (net_.isBasic(c)) continue;
      const auto unit = spares_.unit.find(c);
      if (unit == spares_.unit.end()) {
        return report_.fail(net_.el(f).inputs[j].at,
                            quoted(net_.el(c).name) + ", a dependent event (" +
                                quoted(net_.el(f).name) +
                                "), is a gate but no spare module: MOLVEX forces basic events "
                                "down");
      }
      net_.in[static_cast<std::size_t>(f)][j] = unit->second;
      spares_.forced.insert(c);
    }
    return 1;
  }

  int unitOf(int module) {
    const auto known = spares_.unit.find(module);
    if (known != spares_.unit.end()) return known->second;
    const DftElement root = net_.el(module);
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
    const int u = net_.count();
    net_.model.elements.push_back(std::move(unit));
    net_.model.elements.push_back(std::move(forces));
    net_.in.push_back({});
    net_.in.push_back({module, u});
    spares_.unit.emplace(module, u);
    modules_.push_back(module);
    return u;
  }

  // The elements below a module (its gates and basic events, the units of
  // the modules inside it, not what lies below those) belong to it alone:
  // no gate outside may take one of them as an input, but for dependencies,
  // which may trigger on them or force them down.
  int members(int module) {
    const std::set<int> below = net_.under(module);
    for (int x : below) {
      spares_.inModule.insert(x);
      // Where two modules hold it, the check below refuses the model.
      if (net_.isBasic(x)) spares_.moduleOf.emplace(x, module);
    }
    const std::string name = quoted(net_.el(module).name);
    if (below.count(net_.top)) {
      return report_.fail(net_.el(module).at, "the spare module " + name +
                                                  " holds the toplevel: a module's events "
                                                  "belong to it alone");
    }
    for (int g = 0; g < net_.count(); ++g) {
      if (below.count(g) || net_.isDependency(g)) continue;
      for (std::size_t j = 0; j < net_.inputs(g).size(); ++j) {
        const int x = net_.inputs(g)[j];
        if (!below.count(x)) continue;
        return report_.fail(net_.el(g).inputs[j].at,
                            quoted(net_.el(x).name) + " lies in the spare module " + name +
                                " and is an input of " + quoted(net_.el(g).name) +
                                " as well: a module's events belong to it alone");
      }
    }
    return 1;
  }

  Net& net_;
  Spares& spares_;
  Report& report_;
  std::vector<int> modules_;  // in the order they were met
};

// The spare gates that take each element as an input.
std::vector<std::vector<int>> spareGatesOf(const Net& net) {
  std::vector<std::vector<int>> gatesOf(net.model.elements.size());
  for (int g = 0; g < net.count(); ++g) {
    if (!net.isSpareGate(g)) continue;
    for (int b : net.inputs(g)) gatesOf[static_cast<std::size_t>(b)].push_back(g);
  }
  return gatesOf;
}

// The first spare gate below `root` that shares spares, or -1.
int sharingGateUnder(const Net& net, const Spares& spares, int root) {
  for (int x : net.under(root)) {
    if (spares.sharing.count(x)) return x;
  }
  return -1;
}

}  // namespace

int Spares::moduleWithUnit(int u) const {
  for (const auto& [module, of] : unit) {
    if (of == u) return module;
  }
  return -1;
}

std::vector<int> Spares::enclosing(int x) const {
  std::vector<int> units;
  for (auto at = moduleOf.find(x); at != moduleOf.end(); at = moduleOf.find(units.back())) {
    units.push_back(unit.at(at->second));
  }
  return units;
}

bool Spares::releasable(int module) const {
  return forced.count(module) > 0 || moduleOf.count(unit.at(module)) > 0;
}

int formModules(Net& net, Spares& spares, Report& report) {
  return ModuleForming(net, spares, report).form();
}

// A basic event under several spare gates must be a spare of each: the
// generation has no rule for a unit that is one gate's primary and another
// gate's primary or spare.
int checkSpareRoles(const Net& net, Spares& spares, Report& report) {
  const std::vector<std::vector<int>> gatesOf = spareGatesOf(net);
  for (int g = 0; g < net.count(); ++g) {
    if (!net.isSpareGate(g)) continue;
    const int primary = net.inputs(g)[0];
    const auto& holders = gatesOf[static_cast<std::size_t>(primary)];
    if (holders.size() <= 1) continue;
    const int other = holders[0] == g ? holders[1] : holders[0];
    return report.fail(net.el(g).inputs[0].at,
                       quoted(net.el(primary).name) + " is the primary of " +
                           quoted(net.el(g).name) + " and an input of " +
                           quoted(net.el(other).name) +
                           " as well: MOLVEX shares spares between spare gates, not primaries");
  }
  for (int g = 0; g < net.count(); ++g) {
    if (!net.isSpareGate(g)) continue;
    for (std::size_t j = 1; j < net.inputs(g).size(); ++j) {
      if (gatesOf[static_cast<std::size_t>(net.inputs(g)[j])].size() > 1) spares.sharing.insert(g);
    }
  }
  return 1;
}

// What a dependency triggers on must fail when the field says it does.
// Two things would make it fail late in MOLVEX's chain: the events of a
// spare module sleep again once the module is let go, where the field
// keeps them active; and a dependency is evaluated before the spare gates
// that share spares take theirs in the same transition.
int checkTriggers(const Net& net, const Spares& spares, Report& report) {
  for (int f = 0; f < net.count(); ++f) {
    if (!net.isDependency(f)) continue;
    const int trigger = net.inputs(f)[0];
    const DftPlace at = net.el(f).inputs[0].at;
    const std::string of = "the trigger of " + quoted(net.el(f).name);
    // A module's own gate fails before its unit is let go, unless the
    // module may be let go first.
    const bool root = spares.unit.count(trigger) > 0;
    if (f < net.given && spares.inModule.count(trigger) && (!root || spares.releasable(trigger))) {
      return report.fail(at, of +
                                 (root ? " is a spare module that may be let go before it fails"
                                       : " lies in a spare module") +
                                 ": MOLVEX lets a module's events sleep once the module is let "
                                 "go, where the field keeps them active");
    }
    const int sharing = sharingGateUnder(net, spares, trigger);
    if (sharing >= 0) {
      return report.fail(at, of + " holds " + quoted(net.el(sharing).name) +
                                 ", a spare gate that shares spares: MOLVEX evaluates a "
                                 "dependency before such gates take their spares, so it would "
                                 "act late");
    }
  }
  return 1;
}

// A priority gate records the order of its inputs also while the
// dependencies act, before the spare gates that share spares have taken
// theirs: its inputs must not hold such a gate in a model that has
// dependencies.
int checkOrders(const Net& net, const Spares& spares, Report& report) {
  const bool dependencies =
      std::any_of(net.model.elements.begin(), net.model.elements.end(),
                  [](const DftElement& e) { return e.kind == DftKind::fdep; });
  for (int g = 0; g < net.count() && dependencies; ++g) {
    if (net.el(g).kind != DftKind::pand && net.el(g).kind != DftKind::por) continue;
    const int sharing = sharingGateUnder(net, spares, g);
    if (sharing < 0) continue;
    return report.fail(net.el(g).at, quoted(net.el(g).name) + " holds " +
                                         quoted(net.el(sharing).name) +
                                         ", a spare gate that shares spares, in a model with "
                                         "dependencies: MOLVEX would see the order of its inputs "
                                         "before such gates take their spares");
  }
  return 1;
}

}  // namespace molvex::dft
