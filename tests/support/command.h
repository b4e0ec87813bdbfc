// A subcommand of molvex run in the test's process, as a shell would run
// it: its arguments after "molvex", what it prints and its exit status.
#pragma once

#include <string>
#include <vector>

namespace molvex::testing {

struct CommandOutcome {
  int status = -1;
  std::string out;  // the screen
  std::string err;  // the error stream
};

CommandOutcome runCommand(const std::vector<std::string>& args);

// The number behind "key" at or after `from` in a command's JSON output
// (null is infinite, a key not there NaN).
double jsonNumber(const std::string& json, const std::string& key, std::size_t from = 0);

// The names of the components in the JSON of --importance, in their order.
std::vector<std::string> componentNames(const std::string& json);

}  // namespace molvex::testing
