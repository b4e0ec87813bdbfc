// The figures of `molvex solve` as a reader wants them (a table) and as a
// script wants them (one JSON object with fixed keys).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "chain/chain.h"
#include "chain/solve.h"
#include "importance/importance.h"

namespace molvex {

// A part of a model solved by its independent parts.
struct ReportPart {
  std::string root;           // the element it stands for
  std::string sameAs;         // the part whose chain it shares, "" for a chain of its own
  int states = 0;             // of its chain
  std::vector<double> lower;  // its unreliability at the report's times
  std::vector<double> upper;
};

struct Report {
  const Chain* chain = nullptr;
  std::string ratesFile;
  double epsilon = 0.0;
  Figures figures;
  std::vector<Unreliability> unreliability;
  // A model of draws (prob=, pdep=): its figures are those of `chains`
  // chains, one for each outcome of `draws` draws, weighed by the outcome's
  // probability; the counts of states and transitions are their sums.
  int chains = 1;
  int draws = 0;
  // A model solved by its independent parts under static gates (none: by
  // one chain).  Its figures are the top's; the counts are the sums over
  // the chains solved, the MTTF is taken by quadrature within the relative
  // `mttfError`.
  std::vector<ReportPart> parts;
  double mttfError = 0.0;
  // Identical basic events folded into one of as many units: the gate
  // above them and their names, the first the one that stays.
  std::vector<std::pair<std::string, std::vector<std::string>>> folded;
  // Symmetries of the model that folded the states they map onto each
  // other (over the chains solved); the by-type figures are then shared
  // evenly among the types they map onto each other.
  int symmetries = 0;
  // A model of parts the same up to names that share only the events that
  // trigger dependencies into them: its chain composed from one part's.
  int sharedParts = 0;
  std::vector<std::string> sharedEvents;
  // Why a time has no figure ("" when every time has one): its row says so,
  // and the command fails after the report.
  std::string unsolved;
  // With --importance: what each component means to the figures.
  std::optional<Measures> importance;
};

// Adds the figures of `part`, weighed by `weight`, to those of `mixture`
// (each bound within the epsilon of its parts, as the weights add up to 1);
// the first part gives it its chain and times, terms are the most of any.
void addToMixture(Report& mixture, const Report& part, double weight);

std::string reportTable(const Report& report);
// The unreliability at each time as "time,lower,upper" lines under that
// header, every number with all its digits, for spreadsheets and plotting
// tools.
std::string reportCsv(const Report& report);
// The report in the form asked for: JSON, CSV, or else the table.
std::string reportText(const Report& report, bool json, bool csv);
std::string reportJson(const Report& report);

// A number with every digit a double holds (17 significant); "null" for
// infinity, as JSON has no infinity.
std::string jsonNumber(double value);

}  // namespace molvex
