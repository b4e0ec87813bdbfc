#include <cstdio>
#include <map>
#include <set>

#include "galileo/galileo.h"

namespace molvex {
namespace {

bool counts(DftKind kind) {
  return kind == DftKind::andGate || kind == DftKind::orGate || kind == DftKind::voting;
}

// What a gate above can tell of a basic event: its rate and dormancy.
std::string likeness(const DftElement& e, bool named) {
  char text[96];
  std::snprintf(text, sizeof text, "%a %d %a", e.rate, e.hasDorm ? 1 : 0, e.dorm);
  return (e.parametric ? e.lambda : named ? e.name : "") + " " + text;
}

}  // namespace

std::vector<DftFold> foldIdentical(DftModel& model, bool named) {
  std::map<std::string, int> uses;
  std::map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < model.elements.size(); ++i) {
    index.emplace(model.elements[i].name, i);
    for (const DftInput& input : model.elements[i].inputs) ++uses[input.name];
  }
  std::vector<DftFold> folds;
  std::set<std::string> gone;
  for (DftElement& gate : model.elements) {
    if (!counts(gate.kind)) continue;
    // The events of each likeness, in the order of the gate's inputs.
    std::map<std::string, std::vector<std::size_t>> alike;
    std::vector<std::string> order;
    for (const DftInput& input : gate.inputs) {
      const DftElement& e = model.elements[index.at(input.name)];
      if (e.kind != DftKind::basic || e.hasProb || uses[e.name] != 1 || e.name == model.top) {
        continue;
      }
      const std::string key = likeness(e, named);
      auto& events = alike[key];
      if (events.empty()) order.push_back(key);
      events.push_back(index.at(e.name));
    }
    for (const std::string& key : order) {
      const std::vector<std::size_t>& events = alike[key];
      if (events.size() < 2) continue;
      DftFold fold{gate.name, {}};
      for (std::size_t i : events) {
        fold.events.push_back(model.elements[i].name);
        if (i != events.front()) gone.insert(model.elements[i].name);
      }
      model.elements[events.front()].units = static_cast<int>(events.size());
      folds.push_back(std::move(fold));
    }
    std::erase_if(gate.inputs, [&](const DftInput& input) { return gone.count(input.name) > 0; });
  }
  std::erase_if(model.elements, [&](const DftElement& e) { return gone.count(e.name) > 0; });
  return folds;
}

}  // namespace molvex
