// Golden runs: each folder of examples/ and tests/golden/ holds a model (its
// .TXT or .FTR and .DIC files), the keyboard answers (answers.txt) and, in
// expected/, the console transcript (screen.txt), the exit status (status)
// and every file the run writes or changes.  The run happens in a scratch
// copy of the folder, so the folders stay as they are.  A folder with a
// rates file NAME.RAT and solve.args (the arguments after "solve NAME") is
// solved after the run, its figures compared with expected/solve.txt.
//
// MOLVEX_UPDATE_GOLDEN=1 writes what the run gives into expected/ instead of
// comparing; a new or changed golden file is kept only after it was checked
// by reasoning on the model.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "main/dialog.h"
#include "support/command.h"
#include "support/console.h"
#include "support/folders.h"

namespace molvex {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) { return testing::readFile(path); }

void spill(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// What `molvex solve` prints for the model just generated in the working
// directory, its error lines and a failing exit status included; "" for a
// folder without rates.
std::string solveFigures(const fs::path& folder) {
  fs::path rates;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".RAT") rates = entry.path();
  }
  if (rates.empty() || !fs::exists(folder / "solve.args")) return "";
  std::vector<std::string> args = {"solve", rates.stem().string()};
  std::istringstream words(slurp(folder / "solve.args"));
  for (std::string w; words >> w;) args.push_back(w);
  const testing::CommandOutcome run = testing::runCommand(args);
  // The exit status only where it is not 0, so that the file reads as the
  // terminal shows it.
  return run.out + run.err + (run.status ? "exit status " + std::to_string(run.status) + "\n" : "");
}

class Golden : public ::testing::TestWithParam<fs::path> {};

TEST_P(Golden, RunGivesTheExpectedTranscriptAndFiles) {
  const fs::path folder = GetParam();
  const fs::path expected = folder / "expected";
  const bool update = std::getenv("MOLVEX_UPDATE_GOLDEN") != nullptr;
  testing::ScratchDir dir;
  testing::copyFiles(folder, dir.path());
  int status = 0;
  std::string screen;
  {
    testing::Console con(slurp(folder / "answers.txt"));
    status = MOLVEX();
    screen = con.screen();
  }
  const std::string solved = solveFigures(folder);
  if (update) {
    fs::create_directories(expected);
    if (!solved.empty()) spill(expected / "solve.txt", solved);
    spill(expected / "screen.txt", screen);
    spill(expected / "status", std::to_string(status) + "\n");
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      const std::string name = entry.path().filename().string();
      const fs::path input = folder / name;
      const bool unchanged = fs::exists(input) && slurp(input) == slurp(entry.path());
      if (!unchanged) spill(expected / name, slurp(entry.path()));
    }
    GTEST_SKIP() << "golden files written to " << expected;
  }
  ASSERT_TRUE(fs::is_directory(expected)) << expected;
  EXPECT_EQ(screen, slurp(expected / "screen.txt"));
  EXPECT_EQ(std::to_string(status) + "\n", slurp(expected / "status"));
  EXPECT_EQ(solved, fs::exists(expected / "solve.txt") ? slurp(expected / "solve.txt") : "");
  for (const auto& entry : fs::directory_iterator(expected)) {
    const std::string name = entry.path().filename().string();
    if (name == "screen.txt" || name == "status" || name == "solve.txt") continue;
    EXPECT_EQ(dir.read(name), slurp(entry.path())) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Models, Golden, ::testing::ValuesIn(testing::goldenFolders()),
                         testing::goldenName);

}  // namespace
}  // namespace molvex
