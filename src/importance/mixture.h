// The measures of a model whose start is drawn (a probability that an event
// has failed, that a dependency acts): its figures are the outcomes'
// weighed by their probabilities, which no rate moves, so each derivative
// is the outcomes' weighed alike, and so is each figure with a component
// perfect -- an outcome in whose chain the component never fails keeps its
// own figure.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "importance/importance.h"

namespace molvex {

struct Outcome {
  double weight = 0.0;
  Measures measures;
  double mttfLower = 0.0;  // the outcome's own figures
  double mttfUpper = 0.0;
  std::vector<std::pair<double, double>> unreliability;  // lower, upper at each time
};

// The mixture's measures, with its figures `figures` and `top` (its
// unreliability at each time).  The rate name `leftOut` (the event that
// makes the start) is no component.
Measures mixtureMeasures(const std::vector<Outcome>& outcomes, const std::string& leftOut,
                         const Figures& figures, const std::vector<Unreliability>& top);

}  // namespace molvex
