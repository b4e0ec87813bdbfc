#include <algorithm>

#include "galileo/galileo.h"

namespace molvex {
namespace {

bool named(const DftModel& model, const std::string& name) {
  return std::any_of(model.elements.begin(), model.elements.end(),
                     [&](const DftElement& e) { return e.name == name; });
}

// A name no element of the model has.
std::string freshName(const DftModel& model, std::string name) {
  while (named(model, name)) name += "'";
  return name;
}

}  // namespace

std::vector<DftDraw> dftDraws(const DftModel& model) {
  std::vector<DftDraw> draws;
  for (std::size_t i = 0; i < model.elements.size(); ++i) {
    const DftElement& e = model.elements[i];
    if (e.hasProb) draws.push_back({static_cast<int>(i), e.prob});
  }
  return draws;
}

void drawnModel(const DftModel& model, const std::vector<DftDraw>& draws, unsigned long outcome,
                DftModel& out, double& weight) {
  out = model;
  weight = 1.0;
  DftElement start;
  start.name = freshName(model, "start");
  start.lambda = "1";
  start.rate = 1.0;
  DftElement forces;
  forces.name = freshName(model, "start forces");
  forces.kind = DftKind::fdep;
  forces.word = "fdep";
  forces.inputs.push_back({start.name, {}});
  std::vector<std::string> gone;
  for (std::size_t i = 0; i < draws.size(); ++i) {
    const bool drawn = ((outcome >> i) & 1UL) != 0;
    weight *= drawn ? draws[i].p : 1.0 - draws[i].p;
    DftElement& e = out.elements[static_cast<std::size_t>(draws[i].element)];
    e.hasProb = false;
    if (e.kind == DftKind::pdep) {
      e.kind = DftKind::fdep;
      e.word = "fdep";
      if (!drawn) gone.push_back(e.name);
      continue;
    }
    e.lambda = "0";
    e.rate = 0.0;
    if (drawn) forces.inputs.push_back({e.name, e.at});
  }
  // A dependency that does not act is no element, nor an input of one.
  for (const std::string& name : gone) {
    auto& elements = out.elements;
    elements.erase(std::remove_if(elements.begin(), elements.end(),
                                  [&](const DftElement& e) { return e.name == name; }),
                   elements.end());
    for (DftElement& e : elements) {
      e.inputs.erase(std::remove_if(e.inputs.begin(), e.inputs.end(),
                                    [&](const DftInput& in) { return in.name == name; }),
                     e.inputs.end());
    }
  }
  out.start = start.name;
  out.elements.push_back(std::move(start));
  if (forces.inputs.size() > 1) out.elements.push_back(std::move(forces));
}

}  // namespace molvex
