#include "support/command.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string_view>

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

double jsonNumber(const std::string& json, const std::string& key, std::size_t from) {
  const std::size_t at = json.find("\"" + key + "\": ", from);
  if (at == std::string::npos) return std::nan("");
  const char* value = json.c_str() + at + key.size() + 4;
  return std::string_view(value).substr(0, 4) == "null" ? std::numeric_limits<double>::infinity()
                                                        : std::strtod(value, nullptr);
}

std::vector<std::string> componentNames(const std::string& json) {
  std::vector<std::string> names;
  const std::string key = "{\"component\": \"";
  for (std::size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
    const std::size_t from = at + key.size();
    names.push_back(json.substr(from, json.find('"', from) - from));
  }
  return names;
}

}  // namespace molvex::testing
