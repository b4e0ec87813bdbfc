#include "support/command.h"

#include <sstream>

#include "cli/cli.h"
#include "support/console.h"
#include "util/units.h"

namespace molvex::testing {

CommandOutcome runCommand(const std::vector<std::string>& args) {
  std::vector<const char*> argv = {"molvex"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  Console con;
  std::ostringstream err;
  attachOutput(errorUnit, &err);
  CommandOutcome outcome;
  outcome.status = runSubcommand(static_cast<int>(argv.size()), argv.data());
  attachOutput(errorUnit, nullptr);
  outcome.out = con.screen();
  outcome.err = err.str();
  return outcome;
}

}  // namespace molvex::testing
