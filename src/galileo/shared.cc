#include <map>
#include <set>

#include "galileo/galileo.h"

namespace molvex {
namespace {

class Sharing {
 public:
  explicit Sharing(const DftModel& model) : m_(model) {
    for (std::size_t i = 0; i < model.elements.size(); ++i)
      index_.emplace(model.elements[i].name, i);
  }

  bool split(bool named, DftSharing& out) {
    const auto top = index_.find(m_.top);
    if (top == index_.end()) return false;
    const DftElement& gate = el(top->second);
    if (gate.kind != DftKind::andGate && gate.kind != DftKind::orGate &&
        gate.kind != DftKind::voting) {
      return false;
    }
    findShared();
    if (shared_.empty()) return false;
    removed_ = dependencies_;
    removed_.insert(shared_.begin(), shared_.end());
    removed_.insert(top->second);
    std::vector<std::size_t> roots;
    for (const DftInput& input : gate.inputs) {
      const std::size_t c = index_.at(input.name);
      if (dependencies_.count(c) != 0) continue;
      if (removed_.count(c) != 0 || isDependency(el(c).kind)) return false;
      roots.push_back(c);
    }
    if (roots.size() < 2 || !label(roots) || sequenced()) return false;
    out = DftSharing();
    out.kind = gate.kind == DftKind::andGate  ? StaticNode::Kind::andGate
               : gate.kind == DftKind::orGate ? StaticNode::Kind::orGate
                                              : StaticNode::Kind::voting;
    out.k = gate.k;
    for (std::size_t i : shared_) out.shared.push_back(el(i).name);
    for (std::size_t g = 0; g < roots.size(); ++g)
      out.parts.push_back(part(roots[g], static_cast<int>(g)));
    const std::string first = dftShape(out.parts[0], named);
    for (const DftModel& p : out.parts) {
      if (dftShape(p, named) != first) return false;
    }
    return true;
  }

 private:
  static bool isDependency(DftKind kind) { return kind == DftKind::fdep || kind == DftKind::pdep; }
  const DftElement& el(std::size_t i) const { return m_.elements[i]; }

  // Basic events of one unit, drawn by no chance, that are read only as the
  // triggers of dependencies, and those dependencies.
  void findShared() {
    std::vector<char> trigger(m_.elements.size(), 0);
    std::vector<char> other(m_.elements.size(), 0);
    for (const DftElement& e : m_.elements) {
      for (std::size_t p = 0; p < e.inputs.size(); ++p) {
        const std::size_t c = index_.at(e.inputs[p].name);
        (e.kind == DftKind::fdep && p == 0 ? trigger : other)[c] = 1;
      }
    }
    for (std::size_t i = 0; i < m_.elements.size(); ++i) {
      const DftElement& e = el(i);
      if (e.kind == DftKind::basic && e.units == 1 && !e.hasProb && trigger[i] && !other[i]) {
        shared_.insert(i);
      }
    }
    for (std::size_t i = 0; i < m_.elements.size(); ++i) {
      const DftElement& e = el(i);
      if (e.kind == DftKind::fdep && !e.inputs.empty() &&
          shared_.count(index_.at(e.inputs[0].name)) != 0) {
        dependencies_.insert(i);
      }
    }
  }

  // Gives each element the part of the root it is tied to; false when two
  // roots are tied, or an element or a dependent lies in no part.
  bool label(const std::vector<std::size_t>& roots) {
    std::vector<std::vector<std::size_t>> links(m_.elements.size());
    for (std::size_t i = 0; i < m_.elements.size(); ++i) {
      if (removed_.count(i) != 0) continue;
      for (const DftInput& input : el(i).inputs) {
        const std::size_t c = index_.at(input.name);
        if (removed_.count(c) != 0) return false;
        links[i].push_back(c);
        links[c].push_back(i);
      }
    }
    group_.assign(m_.elements.size(), -1);
    for (std::size_t g = 0; g < roots.size(); ++g) {
      if (group_[roots[g]] >= 0) return false;
      std::vector<std::size_t> stack = {roots[g]};
      group_[roots[g]] = static_cast<int>(g);
      while (!stack.empty()) {
        const std::size_t e = stack.back();
        stack.pop_back();
        for (std::size_t next : links[e]) {
          if (group_[next] >= 0) continue;
          group_[next] = static_cast<int>(g);
          stack.push_back(next);
        }
      }
    }
    for (std::size_t i = 0; i < m_.elements.size(); ++i) {
      if (removed_.count(i) == 0 && group_[i] < 0) return false;
    }
    for (std::size_t d : dependencies_) {
      for (std::size_t p = 1; p < el(d).inputs.size(); ++p) {
        if (group_[index_.at(el(d).inputs[p].name)] < 0) return false;
      }
    }
    return true;
  }

  // Whether a part holds a sequence: it holds back a dependency that would
  // fail its inputs out of order, even once its part has failed, so that
  // the shared event's failure depends on every part's state.
  bool sequenced() const {
    for (std::size_t i = 0; i < m_.elements.size(); ++i) {
      if (group_[i] >= 0 && el(i).kind == DftKind::seq) return true;
    }
    return false;
  }

  // The part of group `g`: its elements, then the shared events, then the
  // dependencies on them over its own events, each in statement order.
  DftModel part(std::size_t root, int g) const {
    DftModel part;
    part.params = m_.params;
    part.hasTop = true;
    part.topAt = m_.topAt;
    part.top = el(root).name;
    for (std::size_t i = 0; i < m_.elements.size(); ++i) {
      if (group_[i] == g) part.elements.push_back(el(i));
    }
    for (std::size_t i : shared_) part.elements.push_back(el(i));
    for (std::size_t d : dependencies_) {
      DftElement dependency = el(d);
      dependency.inputs.resize(1);
      for (std::size_t p = 1; p < el(d).inputs.size(); ++p) {
        if (group_[index_.at(el(d).inputs[p].name)] == g) {
          dependency.inputs.push_back(el(d).inputs[p]);
        }
      }
      if (dependency.inputs.size() > 1) part.elements.push_back(std::move(dependency));
    }
    return part;
  }

  const DftModel& m_;
  std::map<std::string, std::size_t> index_;
  std::set<std::size_t> shared_;        // in statement order
  std::set<std::size_t> dependencies_;  // on shared events
  std::set<std::size_t> removed_;       // the top, shared events and their dependencies
  std::vector<int> group_;
};

}  // namespace

bool dftSharing(const DftModel& model, bool named, DftSharing& out) {
  return Sharing(model).split(named, out);
}

}  // namespace molvex
