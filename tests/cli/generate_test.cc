// `molvex generate` is the dialogue's generation of one model without the
// questions: for the same answers it must leave the same files, byte for
// byte, print the same messages of the generation and fail where the
// dialogue fails.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "main/dialog.h"
#include "stategen/store.h"
#include "support/command.h"
#include "support/console.h"
#include "support/folders.h"

namespace molvex {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

Files filesOf(const fs::path& dir) {
  Files files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    files[entry.path().filename().string()] = testing::readFile(entry.path());
  }
  return files;
}

// The dialogue's screen without the lines the dialogue writes itself.  For
// the answers of one model (its name, a valid bound, no other model) they
// stand at fixed places around what FT2MC prints: before it the name prompt
// and three blank lines (after the name, before and after the bound); after
// it either the question for another model, without line end, after a
// success, or the SETFT and MOLVEX tracebacks, the last two lines, after a
// failure.  Each piece must be found where expected, so that nothing FT2MC
// printed can be taken away instead.
std::string generationMessages(std::string screen, int status) {
  const std::string head = " Modelname? \n \n \n \n";
  if (screen.rfind(head, 0) != 0) {
    ADD_FAILURE() << "no name prompt and framing lines at the start:\n" << screen;
    return screen;
  }
  screen.erase(0, head.size());
  if (status == 0) {
    const std::string question = " Define another model  (y/n  default = n ) ?  ";
    if (screen.size() < question.size() ||
        screen.compare(screen.size() - question.size(), question.size(), question) != 0) {
      ADD_FAILURE() << "no question for another model at the end:\n" << screen;
      return screen;
    }
    screen.resize(screen.size() - question.size());
    return screen;
  }
  for (const std::string routine : {"MOLVEX", "SETFT"}) {
    const std::size_t last = screen.size() < 2 ? 0 : screen.rfind('\n', screen.size() - 2) + 1;
    const std::string traceback = " **** " + routine + ": TRACEBACK - ";
    if (screen.compare(last, traceback.size(), traceback) != 0) {
      ADD_FAILURE() << "no traceback of " << routine << " at the end:\n" << screen;
      return screen;
    }
    screen.erase(last);
  }
  return screen;
}

// Runs the dialogue on the answers and `generate` with the name and bound
// they give, each in its own copy of the folder.
void expectLikeDialogue(const fs::path& folder, const std::string& answers) {
  const std::vector<std::string> lines = testing::splitLines(answers);
  ASSERT_GE(lines.size(), 2u) << "answers without a name and a bound";
  int dialogueStatus = -1;
  std::string screen;
  Files written;
  {
    testing::ScratchDir dir;
    testing::copyFiles(folder, dir.path());
    testing::Console con(answers);
    dialogueStatus = MOLVEX();
    screen = con.screen();
    written = filesOf(dir.path());
  }
  ASSERT_TRUE(dialogueStatus == 0 || dialogueStatus == 1) << dialogueStatus << "\n" << screen;
  testing::ScratchDir dir;
  testing::copyFiles(folder, dir.path());
  const testing::CommandOutcome run =
      testing::runCommand({"generate", lines[0], "--trunc", lines[1]});
  EXPECT_EQ(run.status, dialogueStatus);
  EXPECT_EQ(run.out, generationMessages(screen, dialogueStatus));
  EXPECT_EQ(run.err, "");
  const Files generated = filesOf(dir.path());
  EXPECT_EQ(generated.size(), written.size());
  for (const auto& [name, content] : written) {
    EXPECT_EQ(generated.count(name) != 0 ? generated.at(name) : "(not written)", content) << name;
  }
}

class GenerateLikeDialogue : public ::testing::TestWithParam<fs::path> {};

TEST_P(GenerateLikeDialogue, GivesTheFilesMessagesAndStatusOfTheDialogue) {
  expectLikeDialogue(GetParam(), testing::readFile(GetParam() / "answers.txt"));
}

INSTANTIATE_TEST_SUITE_P(Models, GenerateLikeDialogue,
                         ::testing::ValuesIn(testing::goldenFolders()), testing::goldenName);

// Answers that the dialogue reads its own way: the name blank-padded or cut
// to its field, the bound in decimal whatever its leading zeros.
TEST(Generate, ReadsTheNameAndBoundAsTheDialogueDoes) {
  const fs::path pumps = fs::path(MOLVEX_SOURCE_DIR) / "examples/pumps";
  for (const char* answers : {"PUMPS  \n0\nn\n", "PUMPS\n010\nn\n", "PUMPSPUMPSPUMPSX\n0\n"}) {
    SCOPED_TRACE(answers);
    expectLikeDialogue(pumps, answers);
  }
}

TEST(Generate, AWrongCommandLineExitsWithTwoAndGeneratesNothing) {
  testing::ScratchDir dir;
  testing::copyFiles(fs::path(MOLVEX_SOURCE_DIR) / "examples/pumps", dir.path());
  const std::vector<std::vector<std::string>> wrong = {
      {"generate"},
      {"generate", "PUMPS", "OTHER"},
      {"generate", "PUMPS", "--trunc", "-1"},
      {"generate", "PUMPS", "--trunc", "one"},
      {"generate", "PUMPS", "--trunc", "0x1"},  // a number to strtol, not to the dialogue
      {"generate", "PUMPS", "--trunc", "2147483648"},
      {"generate", "PUMPS", "--max-states", "79999"},
      {"generate", "PUMPS", "--max-states", "10000001"},
      {"generate", "PUMPS", "--max-states", "many"},
  };
  for (const auto& args : wrong) {
    SCOPED_TRACE(args.back());
    const testing::CommandOutcome r = testing::runCommand(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("molvex generate: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\nmolvex generate --help shows its usage\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(dir.path() / "PUMPS.INT"));
  }
}

// A chain of 80,001 states, one per level: a raised limit is the one F510
// names, and the default is back for whatever is generated next.
TEST(Generate, TheStateLimitHoldsForThatGenerationOnly) {
  testing::ScratchDir dir;
  dir.write("M.DIC", "1 PART LAM\n  BODY\n");
  dir.write("M.FTR", "N 1 1 16 100000*1\nN 2 2 18 100001/100000\nA 1 1 2 2\nN 3 3 22\nA 2 2 3 3\n");
  const testing::CommandOutcome r = testing::runCommand({"generate", "M", "--max-states", "90000"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind(" **** FT2MC: ERROR F510 - TOO MANY STATES GENERATED, MAX = 90000\n", 0),
            0u)
      << r.out;
  EXPECT_EQ(MAXSTA, leastStateLimit);
}

// A chain past the dialogue's default needs no --max-states: the tables
// grow with it.  The chain of 100,001 states, one per level.
TEST(Generate, TablesGrowWithTheChain) {
  testing::ScratchDir dir;
  dir.write("M.DIC", "1 PART LAM\n  BODY\n");
  dir.write("M.FTR", "N 1 1 16 100000*1\nN 2 2 18 100001/100000\nA 1 1 2 2\nN 3 3 22\nA 2 2 3 3\n");
  const testing::CommandOutcome r = testing::runCommand({"generate", "M"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(dir.read("M.TUP").find("\n -1\n 100001\n"), std::string::npos);
  EXPECT_EQ(GROWTB, 0);
  EXPECT_EQ(MAXSTA, leastStateLimit);
}

// The dialogue's tables for ten million states on a machine that cannot
// hold them: a message and exit status 1, not an abort (here the address
// space is cut to 1.5 GB; the sanitizers need far more than that for
// themselves).
TEST(Generate, TablesBeyondTheMemoryAreAMessageNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer cannot run in a small address space";
#else
  testing::ScratchDir dir;
  dir.write("M.DIC", "1 PART LAM\n  BODY\n");
  dir.write("M.FTR", "N 1 1 16 1\nN 2 2 22\nA 1 1 2 2\n");
  const std::string command = "ulimit -v 1500000; printf 'M\\n0\\nn\\n' | '" +
                              std::string(MOLVEX_BINARY_DIR) +
                              "/molvex' --max-states 10000000 2>&1 >/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << output;
  EXPECT_EQ(output,
            "molvex: not enough memory for the tables of 10000000 states (a smaller "
            "--max-states needs less)\n");
#endif
}

}  // namespace
}  // namespace molvex
