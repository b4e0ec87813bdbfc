// The rate at which a spare fails while dormant: the dictionary gives it a
// rate of its own only where it differs from the rate in use, and the
// field's keywords say different things where no dorm= is given.
#include <charconv>

#include "galileo/translation.h"

namespace molvex::dft {
namespace {

using Sleeps = std::vector<std::pair<int, std::size_t>>;  // spare gates and input positions

// The elements that the toplevel uses from the start: down through every
// gate but the spare gates, whose spares wait until taken.
void activate(const Net& net, int i, std::set<int>& active) {
  if (!active.insert(i).second || net.isSpareGate(i)) return;
  for (int c : net.valued(i)) activate(net, c, active);
}

// The spare gates and inputs under which b may lie dormant: its own as a
// spare, and those of the units of the modules it lies in, inside out.
Sleeps sleepsUnder(const Net& net, const Spares& spares, int b) {
  std::vector<int> sleepers = {b};
  const std::vector<int> units = spares.enclosing(b);
  sleepers.insert(sleepers.end(), units.begin(), units.end());
  Sleeps under;
  for (int x : sleepers) {
    for (int g = 0; g < net.count(); ++g) {
      if (!net.isSpareGate(g)) continue;
      for (std::size_t j = 1; j < net.inputs(g).size(); ++j) {
        if (net.inputs(g)[j] == x) under.emplace_back(g, j);
      }
    }
  }
  return under;
}

// The factor that the keywords of the spare gates imply for an event
// without dorm=: csp cold, hsp hot; wsp and spare, on which the field's
// tools disagree, hot as most read it, with a warning.
int impliedDormancy(const Net& net, int b, const Sleeps& under, double& dorm, Report& report) {
  std::map<double, int> implied;  // a factor -> the first gate that implies it
  for (const auto& [g, j] : under) {
    const DftElement& gate = net.el(g);
    const bool guessed = gate.word == "wsp" || gate.word == "spare";
    implied.emplace(gate.word == "csp" ? 0.0 : 1.0, g);
    if (guessed) {
      report.warn(gate.inputs[j].at,
                  quoted(net.el(b).name) + ", dormant under " + quoted(gate.name) + " (" +
                      gate.word +
                      "), has no dorm=: MOLVEX takes it as hot (dorm=1), as most of the field's "
                      "tools do; others take it as cold: give dorm= to say which");
    }
  }
  if (implied.size() > 1) {
    return report.fail(
        net.el(b).at,
        quoted(net.el(b).name) + " has no dorm= and is dormant under " +
            quoted(net.el(implied.begin()->second).name) + ", which makes it cold, and under " +
            quoted(net.el(implied.rbegin()->second).name) + ", which makes it hot: give dorm=");
  }
  dorm = implied.begin()->first;
  return 1;
}

// The shortest decimal text that reads back as the same double.
std::string shortest(double value) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

}  // namespace

// The dormancy factor of each basic event that may lie dormant, as a
// spare or in a spare module: its dorm=, or else the one its spare gates
// imply.  A spare that the toplevel reaches through gates other than spare
// gates is in use from the start, as the field activates it: it fails at
// its full rate while dormant too.
int dormancy(const Net& net, const Spares& spares, Dormancy& dormant, Report& report) {
  std::set<int> active;
  activate(net, net.top, active);
  for (int b = 0; b < net.count(); ++b) {
    const DftElement& e = net.el(b);
    if (!net.isBasic(b) || net.isUnit(b)) continue;
    const Sleeps under = sleepsUnder(net, spares, b);
    if (under.empty()) continue;
    double dorm = e.dorm;
    if (!e.hasDorm && impliedDormancy(net, b, under, dorm, report) != 1) return -1;
    if (active.count(b) || dorm == 1.0) {
      dormant[b] = "";
    } else if (dorm > 0.0 && e.parametric) {
      return report.fail(e.at, quoted(e.name) + " is a warm spare whose rate is the parameter " +
                                   quoted(e.lambda) +
                                   ": MOLVEX has no name for dorm times a "
                                   "parameter; give lambda as a number, or dorm as 0 or 1");
    } else if (dorm > 0.0) {
      dormant[b] = shortest(dorm * e.rate);
    }
  }
  return 1;
}

}  // namespace molvex::dft
