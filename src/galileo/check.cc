// What MOLVEX cannot represent in the model as given, before any spare
// module adds elements of its own: draws, undeclared parameters, gates whose
// inputs a sentence cannot hold, cycles.
#include "ftinput/cvrtxt.h"
#include "galileo/translation.h"

namespace molvex::dft {
namespace {

// A dependency has no failure value: listed as an input it is dropped
// where the gate's value is the same without it, refused elsewhere.
int checkDependencyInputs(const Net& net, int i, Report& report) {
  const DftElement& g = net.el(i);
  const bool attaches =
      g.kind == DftKind::andGate || g.kind == DftKind::orGate || g.kind == DftKind::voting;
  for (std::size_t j = 0; j < net.inputs(i).size(); ++j) {
    const int c = net.inputs(i)[j];
    if (!net.isDependency(c) || attaches) continue;
    return report.fail(g.inputs[j].at, quoted(net.el(c).name) + ", an input of " + quoted(g.name) +
                                           ", is a dependency, which has no failure value; list "
                                           "it under an and, or or voting gate, or under none");
  }
  if (net.valued(i).empty()) {
    return report.fail(
        g.at, quoted(g.name) + " has only dependencies as inputs, which have no failure value");
  }
  return 1;
}

// The inputs of one sentence of the text description: a priority-AND gate
// is written as nested gates of two inputs each.
int checkInputCount(const Net& net, int i, Report& report) {
  const DftElement& g = net.el(i);
  const int n = static_cast<int>(net.valued(i).size());
  if (g.kind == DftKind::pand || n <= MXINPS) return 1;
  return report.fail(g.at, quoted(g.name) + " has " + std::to_string(n) +
                               " inputs, more than MOLVEX's " + std::to_string(MXINPS));
}

// A voting gate written as k-of-n has n inputs, a basic event counted by its
// units, and fails with from 1 to all of those that have a value.
int checkVoting(const Net& net, int i, Report& report) {
  const DftElement& g = net.el(i);
  const int written = net.units(net.inputs(i));
  const int counted = net.units(net.valued(i));
  if (g.word.rfind("vot", 0) != 0 && g.n != written) {
    return report.fail(
        g.at, quoted(g.name) + " is " + g.word + " but has " + std::to_string(written) + " inputs");
  }
  if (g.k < 1 || g.k > counted) {
    return report.fail(g.at, quoted(g.name) + " needs from 1 to " + std::to_string(counted) +
                                 " failed inputs to fail, not " + std::to_string(g.k));
  }
  return 1;
}

// A sequence holds back basic events after its first input: MOLVEX's
// sequence has no place for a gate there.  (Its inputs are all valued:
// checkDependencyInputs refused a dependency among them.)
int checkSequence(const Net& net, int i, Report& report) {
  const std::vector<int>& inputs = net.inputs(i);
  for (std::size_t j = 1; j < inputs.size(); ++j) {
    if (net.isBasic(inputs[j])) continue;
    return report.fail(net.el(i).inputs[j].at,
                       quoted(net.el(inputs[j]).name) + ", a later input of a sequence (" +
                           quoted(net.el(i).name) +
                           "), is a gate: MOLVEX takes only basic events there");
  }
  return 1;
}

// One gate's checks, the first refusal told.
int checkGate(const Net& net, int i, bool limits, Report& report) {
  const DftKind kind = net.el(i).kind;
  if (checkDependencyInputs(net, i, report) != 1) return -1;
  if (limits && checkInputCount(net, i, report) != 1) return -1;
  if (kind == DftKind::voting && checkVoting(net, i, report) != 1) return -1;
  // Gates that set their first input against the others.
  const bool relates = kind == DftKind::pand || kind == DftKind::por || kind == DftKind::fdep;
  if (relates && net.valued(i).size() < 2) {
    return report.fail(net.el(i).at, quoted(net.el(i).name) + " needs at least two inputs");
  }
  return kind == DftKind::seq ? checkSequence(net, i, report) : 1;
}

// The walk down from a root: each element with the position of its next
// input to visit.
using Path = std::vector<std::pair<int, std::size_t>>;

// The cycle that the walk closes at `back`, told from there round.
int reportCycle(const Net& net, const Path& path, int back, Report& report) {
  std::string text;
  bool on = false;
  for (const auto& step : path) {
    on = on || step.first == back;
    if (on) text += quoted(net.el(step.first).name) + " -> ";
  }
  return report.fail(net.el(back).at, quoted(net.el(back).name) + " is its own input: " + text +
                                          quoted(net.el(back).name));
}

}  // namespace

// Each parameter declared once, each rate that is no number a parameter;
// no draw, whose outcomes are as many chains (dftDraws).
int checkParameters(const Net& net, Report& report) {
  const DftModel& m = net.model;
  for (const DftElement& e : m.elements) {
    if (!e.hasProb) continue;
    return report.fail(e.at, quoted(e.name) + (e.kind == DftKind::pdep ? " acts" : " fails") +
                                 " with a probability, which makes the figures a mixture of "
                                 "chains, one for each outcome: molvex run computes them, a "
                                 "single chain cannot hold them");
  }
  std::set<std::string> declared;
  for (const DftInput& p : m.params) {
    if (!declared.insert(p.name).second) {
      return report.fail(p.at, "the parameter " + quoted(p.name) + " is declared twice");
    }
  }
  for (const DftElement& e : m.elements) {
    if (e.parametric && !declared.count(e.lambda)) {
      return report.fail(e.at, "lambda of " + quoted(e.name) + " is " + quoted(e.lambda) +
                                   ", neither a number nor a parameter declared with param");
    }
  }
  return 1;
}

// A top with a failure value, and gates that a sentence can state.
int checkGates(const Net& net, bool limits, Report& report) {
  if (net.isDependency(net.top)) {
    return report.fail(net.model.topAt, "the toplevel " + quoted(net.model.top) +
                                            " is a dependency, which has no failure value");
  }
  for (int i = 0; i < net.count(); ++i) {
    if (!net.isBasic(i) && checkGate(net, i, limits, report) != 1) return -1;
  }
  return 1;
}

// An element that is its own input has no value to give: the later steps
// walk the tree as a tree.
int checkCycles(const Net& net, Report& report) {
  // 0 unvisited, 1 on the path, 2 done.
  std::vector<int> mark(net.model.elements.size(), 0);
  Path path;
  for (int root = 0; root < net.count(); ++root) {
    if (mark[static_cast<std::size_t>(root)] != 0) continue;
    path.push_back({root, 0});
    mark[static_cast<std::size_t>(root)] = 1;
    while (!path.empty()) {
      auto& [node, next] = path.back();
      if (next == net.inputs(node).size()) {
        mark[static_cast<std::size_t>(node)] = 2;
        path.pop_back();
        continue;
      }
      const int child = net.inputs(node)[next++];
      if (mark[static_cast<std::size_t>(child)] == 1) return reportCycle(net, path, child, report);
      if (mark[static_cast<std::size_t>(child)] == 0) {
        mark[static_cast<std::size_t>(child)] = 1;
        path.push_back({child, 0});
      }
    }
  }
  return 1;
}

}  // namespace molvex::dft
