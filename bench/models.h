// Parametrised models for the benchmarks: fault tree files whose chains grow
// with one size parameter, written with their dictionary into the current
// directory, and what one generation of them gave.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace molvex::bench {

// A fault tree file under construction.  Node i stands at (i, i); the arcs
// of a gate follow its node line, in input order.
class TreeFile {
 public:
  // A basic event of `mult` components of type `type`; returns its node.
  int basic(int mult, int type);
  // A gate of the given type code over `inputs`, with a label where the code
  // needs one (M/N); returns its node.
  int gate(int code, const std::vector<int>& inputs, const std::string& label = "");
  const std::string& text() const { return text_; }

 private:
  int nodes_ = 0;
  std::string text_;
};

struct Model {
  std::string name;  // at most 9 characters
  std::string ftr;   // the fault tree file
  int types = 0;     // component types in the dictionary
  int ntrunc = 0;    // truncation bound (0: the complete chain)
};

// The families; `size` is the family's growth parameter (see models.cc).
Model kOfN(int size);           // k of n single components (8 of 18)
Model multiples(int size);      // an AND over components of multiplicity `size`
Model dependencies(int size);   // k of n, with triggers that force others down
Model coldSpares(int size);     // cold spare gates, neighbours sharing a spare
Model priorityAnds(int size);   // priority-AND gates over pairs of components
Model sequences(int size);      // sequence gates over triples of components
Model truncatedKOfN(int size);  // a wide k of n, cut before its failures
Model allOf(int size);          // an AND over `size` single components
Model ownSpares(int size);      // cold spare gates, each with a spare of its own
Model mixture(int size);        // priority-AND pairs and cold-spare pairs
Model distinctParts(int size);  // components of a type each, 3 of most OR all of seven

// The families by the names the one-run programs take on their command line.
const std::map<std::string, Model (*)(int)>& families();

// Writes NAME.FTR and NAME.DIC into the current directory and removes the
// outputs of an earlier run.
void writeModel(const Model& m);

// What a generation of the model wrote.
struct Outcome {
  int status = 0;
  long states = 0;       // the total of the .TUP file
  long transitions = 0;  // arc lines of the .INT file
  long bytes = 0;        // .INT, .TUP and .DIC
};

// Runs the generation of a model written before.
int generate(const Model& m);
// Reads back what the last generation of the model wrote.
Outcome outcome(const Model& m, int status);

// The largest resident size of this process so far, in MiB.
double peakMiB();

}  // namespace molvex::bench
