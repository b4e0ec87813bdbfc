// The measures as `run` and `solve` report them, against what can be had
// without them: a second solve with the component's rate at 0, finite
// differences of solves with the rate moved, and the identities of scaling
// every rate (Σ λ·dMTTF/dλ = −MTTF, Σ λ·dU/dλ = T·dU/dT).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/command.h"
#include "support/console.h"
#include "support/folders.h"
#include "support/random_dft.h"

namespace molvex {
namespace {

using testing::componentNames;
using testing::jsonNumber;
using testing::runCommand;

// Where a component's object begins in the JSON of --importance.
std::size_t componentAt(const std::string& json, const std::string& name) {
  return json.find("{\"component\": \"" + name + "\"");
}

std::string printed(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// Random dynamic models: the two identities to 1e-9, and each component's
// derivatives against central differences of two more solves to 1e-6.
TEST(ImportanceMeasures, RandomModelsKeepTheIdentitiesAndAgreeWithDifferences) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    const std::string model = testing::RandomModel(seed).text();
    SCOPED_TRACE(model);
    testing::ScratchDir dir;
    dir.write("m.dft", model);
    const std::vector<std::string> args = {"run",     "m.dft",       "--json",    "--time",
                                           "0.5",     "--epsilon",   "1e-14",     "--importance"};
    const testing::CommandOutcome r = runCommand(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t checks = r.out.find("\"importance_checks\"");
    EXPECT_NEAR(jsonNumber(r.out, "rate_derivative_sum", checks),
                jsonNumber(r.out, "time_derivative", checks),
                1e-9 * std::abs(jsonNumber(r.out, "time_derivative", checks)));
    const double mttf = jsonNumber(r.out, "mttf_lower");
    if (std::isfinite(mttf)) {
      EXPECT_NEAR(jsonNumber(r.out, "mttf_criticality_sum", checks), -1, 1e-9);
    }
    const std::vector<std::string> names = componentNames(r.out);
    ASSERT_FALSE(names.empty());
    for (const std::string& name : {names.front(), names.back()}) {
      const std::size_t at = componentAt(r.out, name);
      const double rate = jsonNumber(r.out, "rate", at);
      const std::size_t u = r.out.find("\"unreliability\"", at);
      // Every rate that moves with λ, its rate while dormant too, moved by
      // the same factor.
      const double h = 1e-4;
      const std::size_t rates = r.out.find("\"rates\": {", at) + 10;
      const std::string list = r.out.substr(rates, r.out.find('}', rates) - rates);
      double moved[2];
      double movedMttf[2];
      for (int side = 0; side < 2; ++side) {
        std::vector<std::string> set = args;
        set.pop_back();  // no --importance
        for (std::size_t q = list.find('"'); q != std::string::npos;
             q = list.find('"', list.find(':', q))) {
          const std::string rateName = list.substr(q + 1, list.find('"', q + 1) - q - 1);
          const double value = jsonNumber(list, rateName);
          set.insert(set.end(), {"--set", rateName + "=" + printed(value * (side ? 1 + h : 1 - h))});
        }
        const testing::CommandOutcome m = runCommand(set);
        ASSERT_EQ(m.status, 0) << m.err;
        moved[side] = jsonNumber(m.out, "lower", m.out.find("\"unreliability\""));
        movedMttf[side] = jsonNumber(m.out, "mttf_lower");
      }
      const double du = jsonNumber(r.out, "derivative", u);
      EXPECT_NEAR((moved[1] - moved[0]) / (2 * h * rate), du, 1e-6 * std::abs(du) + 1e-9) << name;
      if (std::isfinite(mttf)) {
        const double dm = jsonNumber(r.out, "derivative", at);
        EXPECT_NEAR((movedMttf[1] - movedMttf[0]) / (2 * h * rate), dm, 1e-6 * std::abs(dm))
            << name;
      }
    }
  }
}

// "If perfect" is the figure of a second solve with the component's rates at
// 0, by solve and by run.
struct Perfect {
  const char* example;            // a folder of examples/
  std::vector<std::string> args;  // in it
};

TEST(ImportanceMeasures, APerfectComponentIsASolveWithItsRateAtZero) {
  const Perfect cases[] = {
      {"pumps", {"solve", "PUMPS", "--time", "700"}},
      {"galileo", {"run", "spare.dft", "--time", "700"}},
      {"galileo", {"run", "fdep.dft", "--time", "700"}},
  };
  for (const Perfect& c : cases) {
    testing::ScratchDir dir;
    testing::copyFiles(std::filesystem::path(MOLVEX_SOURCE_DIR) / "examples" / c.example,
                       dir.path());
    if (c.args[0] == "solve") {
      ASSERT_EQ(runCommand({"generate", c.args[1]}).status, 0);
    }
    std::vector<std::string> args = c.args;
    args.push_back("--json");
    std::vector<std::string> asked = args;
    asked.push_back("--importance");
    const testing::CommandOutcome r = runCommand(asked);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& component : componentNames(r.out)) {
      SCOPED_TRACE(c.args[1] + " " + component);
      const std::size_t at = componentAt(r.out, component);
      const std::string key = "\"rate_name\": \"";
      const std::size_t from = r.out.find(key, at) + key.size();
      std::vector<std::string> zero = args;
      zero.insert(zero.end(), {"--set", r.out.substr(from, r.out.find('"', from) - from) + "=0"});
      const testing::CommandOutcome z = runCommand(zero);
      ASSERT_EQ(z.status, 0) << z.err;
      EXPECT_NEAR(jsonNumber(r.out, "perfect_lower", r.out.find("\"unreliability\"", at)),
                  jsonNumber(z.out, "lower", z.out.find("\"unreliability\"")), 1e-12);
      EXPECT_EQ(jsonNumber(r.out, "perfect_lower", at), jsonNumber(z.out, "mttf_lower"));
    }
  }
}

}  // namespace
}  // namespace molvex
