// The measures of a model of independent parts under static gates, from
// each part's.  The top's unreliability is a function of the parts' that is
// linear in each of them (every part is one input of the tree above), so a
// rate θ of part p alone moves it by
//   dU_top/dθ = (U_top(U_p = 1) − U_top(U_p = 0)) · dU_p/dθ,
// and the top with a component perfect is the top over that part's
// unreliability with it perfect.  The MTTF, an integral over the parts'
// curves, moves by the same rule under the integral (mttfSensitivity).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "chain/combine.h"
#include "importance/importance.h"

namespace molvex {

// A part as its measures are combined: its chain (shared with the parts the
// same as it), what its measures say, and its chain's names as the model
// names this part's elements and their rates.
struct MeasuredPart {
  PartChain chain;
  PartBounds bounds;
  const Measures* measures = nullptr;
  const std::vector<Unreliability>* figures = nullptr;  // at the times asked
  ModelNames names;
};

// The measures of the top of `tree` over `parts` (in the order of the
// tree's part nodes), with the top's figures and its unreliability at
// `times`.  A component is a rate name: one that parts share (a parameter)
// is one component over all of them.
Measures partsMeasures(const StaticTree& tree, const std::vector<MeasuredPart>& parts,
                       const std::vector<double>& times, double epsilon, const Figures& figures,
                       const std::vector<Unreliability>& top);

}  // namespace molvex
