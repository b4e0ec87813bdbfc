// The subcommands of molvex beside its dialogue: `generate` (one model's
// chain without the questions), `solve` (figures from a generated chain) and
// `export` (the chain for other engines).  Their output goes to the screen
// unit, their messages to errorUnit; `generate` prints the generation's
// messages on the screen unit, where the dialogue shows them.
#pragma once

#include <string_view>

namespace molvex {

// The unit of the subcommands' error messages (the standard error stream
// unless a caller has attached another stream).
constexpr int errorUnit = 42;

bool isSubcommand(std::string_view word);

// Runs argv[1], a subcommand (isSubcommand), with its arguments.  Returns the exit
// status: 0 done, 1 bad input (the message names the file, and its line where
// there is one) or a failed model, 2 wrong usage (with the subcommand's usage).
int runSubcommand(int argc, const char* const* argv);

}  // namespace molvex
