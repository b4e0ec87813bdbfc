// The subcommands for Galileo models: `import` writes MOLVEX's own files for
// a .dft file, `run` takes a .dft file to its figures in one step.
#pragma once

#include <string>
#include <vector>

#include "stategen/store.h"

namespace molvex {

struct ImportOptions {
  std::string file;   // the .dft file
  std::string model;  // "" for the file's base name
  bool force = false;
};

struct RunOptions {
  std::string file;
  int truncation = 0;
  std::vector<std::string> times;
  std::vector<std::string> sets;  // NAME=VALUE, rates beside NAME.RAT's
  std::string rates;              // a rates file over the model's own, "" for none
  // Its values as NAME=VALUE, read at the start of run: a name that no rate
  // of a chain has is left alone, as solve leaves a rates file's.
  std::vector<std::string> fileSets;
  double epsilon = 1e-12;
  bool json = false;
  bool csv = false;
  std::string keep;  // "" to work in memory, leaving no file
  bool force = false;
  long maxStates = mostStateLimit;
  bool whole = false;  // one chain, not a chain for each independent part
  std::string plot;    // as solve's: "" for no plot
  std::string until;
  bool logTime = false;
  bool logProbability = false;
  bool quiet = false;  // no progress line on a terminal
};

// The model name a .dft file gets by default: its base name upper-cased,
// what cannot stand in a model name as '_' (a leading '-' too), cut to 9
// characters.
std::string defaultModelName(const std::string& file);

// A model name that the generation can take whole: 1 to 9 characters,
// letters, digits, '_' and '-', not beginning with '-'.
bool modelName(const std::string& name);

// Each returns the exit status (0 or 1) after its output and messages.
int importCommand(const ImportOptions& options);
int runDftCommand(const RunOptions& options);

}  // namespace molvex
