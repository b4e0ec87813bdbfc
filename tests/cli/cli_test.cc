// The subcommands as a script meets them: exit statuses, the usage on a
// wrong command line, the JSON keys, and nothing written after bad input.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "stategen/ft2mc.h"
#include "support/command.h"
#include "support/console.h"

namespace molvex {
namespace {

using testing::runCommand;

std::string source(const std::string& file) {
  return testing::readFile(std::string(MOLVEX_SOURCE_DIR) + "/" + file);
}

// A scratch directory holding an example as its run left it, with rates.
struct Generated {
  testing::ScratchDir dir;
  Generated(const std::string& folder, const std::string& name) {
    for (const char* ext : {".INT", ".TUP", ".DIC"}) {
      dir.write(name + ext, source("examples/" + folder + "/expected/" + name + ext));
    }
    dir.write(name + ".RAT", source("examples/" + folder + "/" + name + ".RAT"));
  }
};

TEST(Subcommands, AWrongCommandLineExitsWithTwoAndTheUsage) {
  Generated g("pumps", "PUMPS");
  const std::vector<std::vector<std::string>> wrong = {
      {"solve"},
      {"solve", "PUMPS", "--bogus"},
      {"solve", "PUMPS", "--until", "5"},
      {"solve", "PUMPS", "--epsilon", "0"},
      {"solve", "PUMPS", "--epsilon", "nan"},
      {"solve", "PUMPS", "--time", "-1"},
      {"solve", "PUMPS", "--time", "soon"},
      {"solve", "PUMPS", "--time", "nan"},
      {"solve", "PUMPS", "--plot", "out.svg", "--until", "0"},
      {"solve", "PUMPS", "OTHER"},
      {"solve", "PUMPS", "--csv", "--importance"},
      {"export", "PUMPS"},
      {"export", "PUMPS", "--to", "pdf"},
  };
  for (const auto& args : wrong) {
    SCOPED_TRACE(args.back());
    const testing::CommandOutcome r = runCommand(args);
    EXPECT_EQ(r.status, 2);
    // One line of what is wrong, one of where the usage is: not the usage.
    EXPECT_EQ(r.err.rfind("molvex " + args[0] + ": ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\nmolvex " + args[0] + " --help shows its usage\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    EXPECT_EQ(r.out, "");
  }
  const testing::CommandOutcome help = runCommand({"solve", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--time T"), std::string::npos);
}

TEST(Subcommands, BadInputExitsWithOneAndWritesNothing) {
  Generated g("pumps", "PUMPS");
  const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
      {{"--rates", "NONE.RAT"}, "molvex solve: NONE.RAT: not found\n"},
      // A control character of the user's is shown, not sent to the terminal.
      {{"--rates", "A\x1b[2J\x7f.RAT"}, "molvex solve: A\\x1b[2J\\x7f.RAT: not found\n"},
  };
  for (const auto& [extra, message] : bad) {
    SCOPED_TRACE(message);
    std::vector<std::string> args = {"solve", "PUMPS", "--plot", "out.svg"};
    args.insert(args.end(), extra.begin(), extra.end());
    const testing::CommandOutcome r = runCommand(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, message);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(g.dir.path() / "out.svg"));
  }
  // A file in the way is reported, and is not this run's to remove.
  std::filesystem::create_directory(g.dir.path() / "in-the-way.svg");
  const testing::CommandOutcome blocked =
      runCommand({"solve", "PUMPS", "--plot", "in-the-way.svg", "--time", "5"});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.err, "molvex solve: in-the-way.svg: cannot be written\n");
  EXPECT_TRUE(std::filesystem::is_directory(g.dir.path() / "in-the-way.svg"));
  const testing::CommandOutcome dotRates =
      runCommand({"export", "PUMPS", "--to", "dot", "--rates", "PUMPS.RAT"});
  EXPECT_EQ(dotRates.status, 1);
  EXPECT_EQ(dotRates.err.rfind("molvex export: --to dot draws the rate names", 0), 0u)
      << dotRates.err;
  g.dir.write("m.dft", "toplevel T; T and \"A\x1b]0;x\x07\";");
  EXPECT_EQ(runCommand({"run", "m.dft"}).err.find('\x1b'), std::string::npos);
  const testing::CommandOutcome missing = runCommand({"export", "NOPE", "--to", "dot"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("molvex export: NOPE.DIC: not a dictionary", 0), 0u) << missing.err;
}

// The JSON with every number replaced by '#': the keys and their order are
// what scripts rely on.
std::string skeleton(const std::string& json) {
  return std::regex_replace(json, std::regex("-?[0-9][0-9.eE+-]*"), "#");
}

TEST(Subcommands, JsonHasExactlyTheDocumentedKeys) {
  Generated pumps("pumps", "PUMPS");
  const testing::CommandOutcome r =
      runCommand({"solve", "PUMPS", "--json", "--time", "100", "--time", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(skeleton(r.out),
            "{\"model\": \"PUMPS\", \"chains\": #, \"truncated\": false, \"states\": "
            "{\"operational\": #, "
            "\"failure\": #, \"truncation\": #, \"transitions\": #}, \"mttf_lower\": #, "
            "\"mttf_upper\": #, \"p_fail\": {\"lower\": #, \"upper\": #}, \"unreliability\": "
            "[{\"time\": #, \"lower\": #, \"upper\": #, \"terms\": #, \"by_type\": {\"#\": #, "
            "\"#\": #}}, "
            "{\"time\": #, \"lower\": #, \"upper\": #, \"terms\": #, \"by_type\": {\"#\": #, "
            "\"#\": #}}], \"type_names\": {\"#\": \"PRIMARY PUMP\", \"#\": \"BACKUP PUMP\"}}\n");
  // 17 significant digits: parallel pumps, MTTF = 1/a + 1/b - 1/(a+b).
  EXPECT_NE(r.out.find("\"mttf_lower\": 1166.666666666666"), std::string::npos) << r.out;

  Generated trunc("truncation", "TRUNC");
  const testing::CommandOutcome t = runCommand({"solve", "TRUNC", "--json"});
  ASSERT_EQ(t.status, 0) << t.err;
  EXPECT_NE(t.out.find("\"truncated\": true"), std::string::npos);
  EXPECT_NE(t.out.find("\"mttf_upper\": null"), std::string::npos) << "no upper bound";
  EXPECT_NE(t.out.find("\"unreliability\": []"), std::string::npos);
}

TEST(Subcommands, APlotIsWrittenBesideTheFigures) {
  Generated g("truncation", "TRUNC");
  const testing::CommandOutcome r =
      runCommand({"solve", "TRUNC", "--plot", "trunc.svg", "--log-time", "--until", "1e4"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(g.dir.read("trunc.svg").find("<svg"), std::string::npos);
}

TEST(Subcommands, AGraphOfTooManyStatesNeedsForce) {
  // Eleven single components under an AND gate: 2^11 - 1 operational
  // states and 11 failure states, more than a picture can show.
  testing::ScratchDir dir;
  testing::Console con;
  std::string txt =
      "NODE 20 TYPE FBOX INPUT 19\nNODE 19 TYPE AND 11 INPUT 1 2 3 4 5 6 7 8 9 10 11\n";
  std::string dic;
  for (int i = 1; i <= 11; ++i) {
    txt +=
        "NODE " + std::to_string(i) + " TYPE BASIC 1 OF COMPONENT TYPE " + std::to_string(i) + "\n";
    dic += std::to_string(i) + " PART L" + std::to_string(i) + "\n  BODY\n";
  }
  dir.write("BIG.TXT", txt);
  dir.write("BIG.DIC", dic);
  ASSERT_EQ(FT2MC("BIG            ", 15, 0, 1), 1) << con.screen();
  const testing::CommandOutcome refused = runCommand({"export", "BIG", "--to", "dot"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "molvex export: 2058 states are more than a graph of 2000 can show; --force draws it "
            "anyway\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "BIG.dot"));
  const testing::CommandOutcome forced = runCommand({"export", "BIG", "--to", "dot", "--force"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(forced.out, "wrote BIG.dot\n");
}

}  // namespace
}  // namespace molvex
