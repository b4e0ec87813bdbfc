// The figures of `molvex solve` as a reader wants them (a table) and as a
// script wants them (one JSON object with fixed keys).
#pragma once

#include <string>
#include <vector>

#include "chain/chain.h"
#include "chain/solve.h"

namespace molvex {

struct Report {
  const Chain* chain = nullptr;
  std::string ratesFile;
  double epsilon = 0.0;
  Figures figures;
  std::vector<Unreliability> unreliability;
};

std::string reportTable(const Report& report);
std::string reportJson(const Report& report);

// A number with every digit a double holds (17 significant); "null" for
// infinity, as JSON has no infinity.
std::string jsonNumber(double value);

}  // namespace molvex
