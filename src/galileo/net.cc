// Resolving the names of a model: every later step walks the tree by element
// indices, and a name that is not defined or an input listed twice is
// refused here, at the input that names it.
#include <map>

#include "galileo/translation.h"

namespace molvex::dft {
namespace {

using Index = std::map<std::string, int, std::less<>>;

int resolveInputs(Net& net, const Index& index, int i, Report& report) {
  const DftElement& e = net.el(i);
  std::set<int> seen;
  for (const DftInput& input : e.inputs) {
    const auto it = index.find(input.name);
    if (it == index.end()) {
      return report.fail(
          input.at, quoted(input.name) + ", an input of " + quoted(e.name) + ", is not defined");
    }
    if (!seen.insert(it->second).second) {
      return report.fail(input.at,
                         quoted(input.name) + " is an input of " + quoted(e.name) + " twice");
    }
    net.in[static_cast<std::size_t>(i)].push_back(it->second);
  }
  return 1;
}

}  // namespace

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

int Net::units(const std::vector<int>& elements) const {
  int sum = 0;
  for (int c : elements) sum += el(c).units;
  return sum;
}

std::vector<int> Net::valued(int i) const {
  std::vector<int> out;
  for (int c : inputs(i)) {
    if (!isDependency(c)) out.push_back(c);
  }
  return out;
}

std::set<int> Net::under(int root) const {
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

int resolve(const DftModel& model, Net& net, Report& report) {
  net.model = model;
  net.given = net.count();
  Index index;
  for (int i = 0; i < net.count(); ++i) index.emplace(net.el(i).name, i);
  const auto top = index.find(model.top);
  if (top == index.end()) {
    return report.fail(model.topAt, "the toplevel " + quoted(model.top) + " is not defined");
  }
  net.top = top->second;
  net.in.resize(model.elements.size());
  for (int i = 0; i < net.count(); ++i) {
    if (resolveInputs(net, index, i, report) != 1) return -1;
  }
  return 1;
}

}  // namespace molvex::dft
