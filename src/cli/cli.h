// The subcommands of molvex beside its dialogue: `solve` (figures from a
// generated chain) and `export` (the chain for other engines).  Their output
// goes to the screen unit, their messages to errorUnit.
#pragma once

#include <string_view>

namespace molvex {

// The unit of the subcommands' error messages (the standard error stream
// unless a caller has attached another stream).
constexpr int errorUnit = 42;

bool isSubcommand(std::string_view word);

// Runs argv[1] with its arguments.  Returns the exit status: 0 done, 1 bad
// input (the message names the file, and its line where there is one),
// 2 wrong usage (with the subcommand's usage).
int runSubcommand(int argc, const char* const* argv);

}  // namespace molvex
