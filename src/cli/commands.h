// What each subcommand does once its command line has been understood.
#pragma once

#include <string>
#include <vector>

namespace molvex {

struct SolveOptions {
  std::string model;
  std::string rates;               // "" for NAME.RAT
  std::vector<std::string> times;  // as given, checked by the command
  double epsilon = 1e-12;
  bool json = false;
  std::string plot;   // "" for no plot
  std::string until;  // "" for the default end of the plot
  bool logTime = false;
};

struct ExportOptions {
  std::string model;
  std::string format;  // drn, prism or dot
  std::string rates;   // "" for NAME.RAT where it exists
  std::string prefix;  // "" for NAME
  bool parametric = false;
  bool force = false;
};

// Each returns the exit status (0 or 1) after its output and messages.
int solveCommand(const SolveOptions& options);
int exportCommand(const ExportOptions& options);

}  // namespace molvex
