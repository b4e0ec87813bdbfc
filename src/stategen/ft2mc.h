// The generation of one model's Markov chain.
#pragma once

#include <string_view>

namespace molvex {

// Reads the model's dictionary and fault tree, generates the chain
// breadth-first (truncated after NTRUNC failures when NTRUNC > 0) and writes
// the .INT and .TUP files and the dictionary back.  Returns 1, -1 after a
// failure of the generation, or the status of a failing reader or writer.
int FT2MC(std::string_view MODEL, int LENGTH, int NTRUNC, int VERBOSE);

}  // namespace molvex
