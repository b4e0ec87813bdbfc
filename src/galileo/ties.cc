// Failures within one transition: MOLVEX's chain sees the failing event
// first, then what each dependency forces down in the order of the file,
// where the field's tools order them in ways of their own.  Where that
// changes the figures the user is told, or refused where the gate asks for
// an order MOLVEX cannot promise.
#include <algorithm>

#include "galileo/translation.h"

namespace molvex::dft {
namespace {

// What MOLVEX makes of a sequence's value, where the field disagrees.
const char* const sequenceValue =
    " the value of an AND gate over its inputs, as Galileo does; tools that take it as a "
    "restriction only give it no value";

// A dependency that forces down a later input of a sequence.
void warnForcedOutOfOrder(const Net& net, int fdep, std::size_t j, Report& report) {
  // The start of a model of draws forces down events failed from the
  // start: out of a sequence's order, no chain starts (solveModel says so).
  if (net.el(net.inputs(fdep)[0]).name == net.model.start) return;
  const int b = net.inputs(fdep)[j];
  for (int s = 0; s < net.count(); ++s) {
    if (net.el(s).kind != DftKind::seq) continue;
    const auto& in = net.inputs(s);
    const auto at = std::find(in.begin(), in.end(), b);
    if (at == in.end() || at == in.begin()) continue;
    report.warn(net.el(fdep).inputs[j].at,
                quoted(net.el(fdep).name) + " forces down " + quoted(net.el(b).name) +
                    ", a later input of the sequence " + quoted(net.el(s).name) +
                    ": MOLVEX drops a failure that would force it out of order, so the trigger "
                    "cannot fail then; other tools let it fail");
  }
}

// A sequence listed as an input or as the toplevel: the field's tools
// disagree on its value (some give it none).
void warnSequences(const Net& net, Report& report) {
  for (int g = 0; g < net.count(); ++g) {
    const DftElement& e = net.el(g);
    for (std::size_t j = 0; j < net.inputs(g).size(); ++j) {
      const DftElement& input = net.el(net.inputs(g)[j]);
      if (input.kind == DftKind::seq) {
        report.warn(e.inputs[j].at, quoted(input.name) + " is an input of " + quoted(e.name) +
                                        ": MOLVEX gives a sequence" + sequenceValue);
      }
    }
    if (!net.isDependency(g)) continue;
    for (std::size_t j = 1; j < net.inputs(g).size(); ++j) warnForcedOutOfOrder(net, g, j, report);
  }
  const DftElement& top = net.el(net.top);
  if (top.kind == DftKind::seq) {
    report.warn(net.model.topAt, "the toplevel " + quoted(top.name) +
                                     " is a sequence: MOLVEX gives it" + sequenceValue);
  }
}

// The basic events below an element, each element's set formed once: a
// tree whose gates share inputs has exponentially many paths.
class BasicsBelow {
 public:
  explicit BasicsBelow(const Net& net) : net_(net) {}

  const std::set<int>& operator()(int i) {
    std::set<int>& out = below_[i];
    if (!out.empty()) return out;
    if (net_.isBasic(i)) {
      out.insert(i);
    } else {
      for (int c : net_.inputs(i)) {
        const std::set<int>& part = (*this)(c);
        out.insert(part.begin(), part.end());
      }
    }
    return out;
  }

 private:
  const Net& net_;
  std::map<int, std::set<int>> below_;
};

// For each basic event, what fails with it in one transition: itself and
// what the dependencies force down, followed as far as they go.
std::map<int, std::set<int>> failingTogether(const Net& net, BasicsBelow& below) {
  std::map<int, std::set<int>> together;
  for (int b = 0; b < net.count(); ++b) {
    if (!net.isBasic(b)) continue;
    std::set<int>& with = together[b];
    with.insert(b);
    for (bool grew = true; grew;) {
      grew = false;
      for (int f = 0; f < net.count(); ++f) {
        if (!net.isDependency(f)) continue;
        const std::set<int>& trigger = below(net.inputs(f)[0]);
        const bool fires =
            std::any_of(trigger.begin(), trigger.end(), [&](int t) { return with.count(t) > 0; });
        if (!fires) continue;
        for (std::size_t j = 1; j < net.inputs(f).size(); ++j) {
          grew = with.insert(net.inputs(f)[j]).second || grew;
        }
      }
    }
  }
  return together;
}

bool meets(const std::set<int>& a, const std::set<int>& b) {
  return std::any_of(a.begin(), a.end(), [&](int x) { return b.count(x) > 0; });
}

// Two inputs of a priority-AND gate that can fail in one transition count
// as failed in order.  They can when a basic event lies below both, or
// when the failure of one basic event below one forces down one below the
// other.
int checkTies(const Net& net, Report& report) {
  BasicsBelow below(net);
  const std::map<int, std::set<int>> together = failingTogether(net, below);
  for (int g = 0; g < net.count(); ++g) {
    const DftElement& gate = net.el(g);
    if (gate.kind != DftKind::pand) continue;
    std::set<int> earlier = below(net.inputs(g)[0]);
    for (std::size_t j = 1; j < net.inputs(g).size(); ++j) {
      const std::set<int>& later = below(net.inputs(g)[j]);
      const bool tie = std::any_of(together.begin(), together.end(), [&](const auto& entry) {
        return meets(entry.second, earlier) && meets(entry.second, later);
      });
      const std::string both = quoted(net.el(net.inputs(g)[j]).name) +
                               " can fail in the same transition as an input before it in " +
                               quoted(gate.name);
      if (tie && gate.word == "pand-excl") {
        return report.fail(gate.inputs[j].at,
                           both +
                               ", a pand-excl: MOLVEX may count inputs failing together as "
                               "failing in order");
      }
      if (tie) {
        report.warn(gate.inputs[j].at,
                    both +
                        ": MOLVEX sees the failing event first, then what each dependency "
                        "forces down in the order of the file, and counts what it sees together "
                        "as in order; the field's tools order these failures in ways of their "
                        "own");
      }
      earlier.insert(later.begin(), later.end());
    }
  }
  return 1;
}

}  // namespace

int checkTransitions(const Net& net, Report& report) {
  warnSequences(net, report);
  return checkTies(net, report);
}

}  // namespace molvex::dft
