#include <cstdio>
#include <map>
#include <set>

#include "galileo/galileo.h"

namespace molvex {
namespace {

bool isStatic(DftKind kind) {
  return kind == DftKind::andGate || kind == DftKind::orGate || kind == DftKind::voting;
}

bool isDependency(DftKind kind) { return kind == DftKind::fdep || kind == DftKind::pdep; }

std::string exact(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%a", value);
  return text;
}

class Splitter {
 public:
  Splitter(const DftModel& model, bool named)
      : m_(model), named_(named), links_(model.elements.size()) {
    for (std::size_t i = 0; i < model.elements.size(); ++i)
      index_.emplace(model.elements[i].name, i);
    for (std::size_t i = 0; i < model.elements.size(); ++i) {
      for (const DftInput& input : model.elements[i].inputs) {
        const std::size_t c = index_.at(input.name);
        links_[i].push_back(c);
        links_[c].push_back(i);
      }
    }
  }

  DftModules split() {
    const std::size_t top = index_.at(m_.top);
    std::vector<char> all(m_.elements.size(), 1);
    node(top, all);
    for (std::size_t p = 0; p < out_.parts.size(); ++p) {
      const auto first = shapes_.emplace(dftShape(out_.parts[p], named_), static_cast<int>(p));
      out_.same.push_back(first.first->second);
    }
    return std::move(out_);
  }

 private:
  const DftElement& el(std::size_t i) const { return m_.elements[i]; }

  // Splits `gate`, which owns the elements `owned` (itself among them), into
  // a node of the tree.  Returns the node's index.
  int node(std::size_t gate, const std::vector<char>& owned) {
    const int at = static_cast<int>(out_.tree.size());
    out_.tree.emplace_back();
    const DftElement& g = el(gate);
    // Each input's group: the elements tied to it below the gate.
    std::vector<int> group(m_.elements.size(), -1);
    int groups = 0;
    for (const DftInput& input : g.inputs) {
      const std::size_t c = index_.at(input.name);
      if (group[c] < 0) label(c, gate, owned, groups++, group);
    }
    std::vector<std::vector<std::size_t>> valued(static_cast<std::size_t>(groups));
    for (const DftInput& input : g.inputs) {
      const std::size_t c = index_.at(input.name);
      if (!isDependency(el(c).kind)) valued[static_cast<std::size_t>(group[c])].push_back(c);
    }
    // A basic event of several units (folded) fails by the gate above it:
    // on its own it would fail with its first unit.
    const auto units = [&](std::size_t c) {
      return el(c).kind == DftKind::basic && el(c).units > 1;
    };
    std::size_t parts = 0;
    bool joined = false;  // some group holds several inputs, or several units
    for (const auto& v : valued) {
      parts += v.empty() ? 0 : 1;
      joined = joined || v.size() > 1 || (v.size() == 1 && units(v[0]));
    }
    // A voting gate counts its inputs one by one, and units one by one:
    // inputs tied together cannot be counted apart.  An element that takes
    // the gate or what lies above it as an input (a dependency on it, a
    // sequence after it) ties the gate's inputs to the rest of the model.
    if (!isStatic(g.kind) || parts < 2 || (joined && g.kind == DftKind::voting) ||
        reachesOut(group)) {
      setPart(at, gate, owned, {});
      return at;
    }
    StaticNode n;
    n.kind = g.kind == DftKind::andGate  ? StaticNode::Kind::andGate
             : g.kind == DftKind::orGate ? StaticNode::Kind::orGate
                                         : StaticNode::Kind::voting;
    n.k = g.k;
    n.name = g.name;
    for (int k = 0; k < groups; ++k) {
      const std::vector<std::size_t>& inputs = valued[static_cast<std::size_t>(k)];
      if (inputs.empty()) continue;  // a dependency on nothing below the gate
      std::vector<char> mine(m_.elements.size(), 0);
      for (std::size_t i = 0; i < group.size(); ++i) mine[i] = group[i] == k;
      if (inputs.size() == 1 && !units(inputs[0])) {
        n.inputs.push_back(node(inputs[0], mine));
      } else {
        // Several inputs tied together, or units: a gate of the same kind
        // over them.
        const int part = static_cast<int>(out_.tree.size());
        out_.tree.emplace_back();
        setPart(part, gate, mine, inputs);
        n.inputs.push_back(part);
      }
    }
    out_.tree[static_cast<std::size_t>(at)] = std::move(n);
    return at;
  }

  // Whether an element of a group has an input outside every group.
  bool reachesOut(const std::vector<int>& group) const {
    for (std::size_t i = 0; i < group.size(); ++i) {
      if (group[i] < 0) continue;
      for (const DftInput& input : el(i).inputs) {
        if (group[index_.at(input.name)] < 0) return true;
      }
    }
    return false;
  }

  // Gives every element that `from` reaches within `owned`, without passing
  // through `gate`, the group `k`.
  void label(std::size_t from, std::size_t gate, const std::vector<char>& owned, int k,
             std::vector<int>& group) const {
    std::vector<std::size_t> stack = {from};
    group[from] = k;
    while (!stack.empty()) {
      const std::size_t e = stack.back();
      stack.pop_back();
      for (std::size_t next : links_[e]) {
        if (next == gate || !owned[next] || group[next] >= 0) continue;
        group[next] = k;
        stack.push_back(next);
      }
    }
  }

  // Node `at` becomes a part: the elements `owned`, in the order of their
  // statements, under `root` -- or, with `inputs`, under a gate like `root`
  // over those inputs alone.
  void setPart(int at, std::size_t root, const std::vector<char>& owned,
               const std::vector<std::size_t>& inputs) {
    DftModel part;
    part.params = m_.params;
    part.hasTop = true;
    part.topAt = m_.topAt;
    for (std::size_t i = 0; i < m_.elements.size(); ++i) {
      if (owned[i] && (inputs.empty() || i != root)) part.elements.push_back(el(i));
    }
    part.top = el(root).name;
    if (!inputs.empty()) {
      DftElement gate = el(root);
      gate.inputs.clear();
      for (std::size_t c : inputs) gate.inputs.push_back({el(c).name, el(root).at});
      part.elements.push_back(std::move(gate));
    }
    StaticNode& n = out_.tree[static_cast<std::size_t>(at)];
    n.kind = StaticNode::Kind::part;
    n.part = static_cast<int>(out_.parts.size());
    // A gate over some of the inputs of `root` is named by them.
    n.name = el(root).name;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      n.name += (i == 0 ? " (" : " ") + el(inputs[i]).name + (i + 1 == inputs.size() ? ")" : "");
    }
    out_.parts.push_back(std::move(part));
  }

  const DftModel& m_;
  bool named_;
  std::map<std::string, std::size_t> index_;
  std::vector<std::vector<std::size_t>> links_;  // inputs and users of each element
  std::map<std::string, int> shapes_;
  DftModules out_;
};

// The indexes of the elements in the order a walk down from the top meets
// them, the elements below none after, in the order of their statements.
std::vector<std::size_t> shapeOrder(const DftModel& part) {
  std::map<std::string, std::size_t> at;
  for (std::size_t i = 0; i < part.elements.size(); ++i) at.emplace(part.elements[i].name, i);
  std::set<std::string> met;
  std::vector<std::size_t> order;
  const auto meet = [&](const std::string& name) {
    if (met.insert(name).second) order.push_back(at[name]);
  };
  std::size_t walked = 0;
  const auto walk = [&] {
    for (; walked < order.size(); ++walked) {
      for (const DftInput& input : part.elements[order[walked]].inputs) meet(input.name);
    }
  };
  meet(part.top);
  walk();
  for (const DftElement& e : part.elements) {
    meet(e.name);
    walk();
  }
  return order;
}

}  // namespace

std::string dftShape(const DftModel& part, bool named) {
  const std::vector<std::size_t> order = shapeOrder(part);
  std::map<std::string, int> number;
  for (std::size_t i : order) {
    number.emplace(part.elements[i].name, static_cast<int>(number.size()));
  }
  std::string text;
  for (std::size_t i : order) {
    const DftElement& e = part.elements[i];
    text += e.word + " " + std::to_string(e.k) + " " + std::to_string(e.n) + " " +
            std::to_string(e.units) + " " + (e.parametric ? e.lambda : exact(e.rate)) + " " +
            (named && e.kind == DftKind::basic && !e.parametric ? e.name + " " : "") +
            (e.hasDorm ? exact(e.dorm) : "-") + " " + (e.hasProb ? exact(e.prob) : "-") + " (";
    for (const DftInput& input : e.inputs) text += std::to_string(number[input.name]) + " ";
    text += ")\n";
  }
  for (const DftElement& e : part.elements) text += std::to_string(number[e.name]) + " ";
  return text;
}

std::vector<std::string> dftShapeOrder(const DftModel& part) {
  std::vector<std::string> names;
  for (std::size_t i : shapeOrder(part)) names.push_back(part.elements[i].name);
  return names;
}

DftModules dftModules(const DftModel& model, bool named) { return Splitter(model, named).split(); }

}  // namespace molvex
