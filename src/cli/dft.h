// The subcommands for Galileo models: `import` writes MOLVEX's own files for
// a .dft file, `run` takes a .dft file to its figures in one step.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

namespace molvex {

struct ImportOptions {
  std::string file;   // the .dft file
  std::string model;  // "" for the file's base name
  bool force = false;
};

// The figures as solve's (the sets, and the rates file's values read into
// fileSets at the start, by the model's names), the chain as generate's.
struct RunOptions : FigureOptions, ChainOptions {
  std::string file;
  std::string rates;  // a rates file over the model's own, "" for none
  std::string keep;   // "" to work in memory, leaving no file
  bool force = false;
  bool whole = false;  // one chain, not a chain for each independent part
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
