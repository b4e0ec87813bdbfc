// A model generated from its text description and read back as a chain with
// its rates and topological order, for the tests of what is computed from
// chains.
#pragma once

#include <string>
#include <vector>

#include "chain/chain.h"
#include "support/console.h"
#include "util/array1.h"

namespace molvex::testing {

// Model M generated from its text description and dictionary (types named
// A, B, C, ... with the given rates), read back with its rates.
struct Loaded {
  ScratchDir dir;
  Console con;
  Chain chain;
  Array1<double> rate;
  Array1<int> order;
  Loaded(const std::string& txt, const std::vector<double>& rates, int ntrunc);
};

}  // namespace molvex::testing
