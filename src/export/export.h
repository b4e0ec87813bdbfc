// The chain handed to other engines and viewers, each writer on a stream
// that its caller has opened (and closes, which reports a failed write):
//  - DRN, the explicit format of the Storm model checker;
//  - PRISM's explicit files .tra, .sta and .lab;
//  - a Graphviz graph for looking at small chains.
#pragma once

#include <ostream>

#include "chain/chain.h"
#include "export/slots.h"
#include "util/array1.h"

namespace molvex {

// A CTMC in DRN.  With `rate` (one value per arc, as arcRates gives) the
// transitions carry numbers; with a null pointer the rate names become the
// model's parameters and the transitions their expressions.
void writeDrn(const Chain& chain, const Array1<double>* rate, std::ostream& out);

// PRISM's explicit transitions (.tra), states (.sta: a variable for each of
// `slots`) and labels (.lab).
void writePrismTra(const Chain& chain, const Array1<double>& rate, std::ostream& out);
void writePrismSta(const Chain& chain, const StateSlots& slots, std::ostream& out);
void writePrismLab(const Chain& chain, std::ostream& out);

// What each variable of the .sta means, a line "VARIABLE MEANING" each.
void writeLegend(const StateSlots& slots, std::ostream& out);

// A Graphviz digraph: each state with its number and slots, a legend of
// them, failure and truncation states drawn apart, each arc with its rate
// text.
void writeDot(const Chain& chain, const StateSlots& slots, std::ostream& out);

}  // namespace molvex
