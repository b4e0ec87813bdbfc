// The user documentation is held to the program, so that it cannot drift:
// docs/messages.md explains exactly the message codes the sources can print,
// and every fenced block of README.md and docs/*.md that stands for a file,
// a console session or the usage text shows what the program has or prints.
//
// A fenced block is tagged in its info string, after the language word:
//   ```text examples/pumps/PUMPS.TXT   the file, verbatim
//   ```text examples/pumps             a terminal session of that example,
//                                      its answers typed and echoed
//   ```text molvex --help              what the command prints
// Only command lines to type may go untagged, as ```sh blocks.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace molvex {
namespace {

namespace fs = std::filesystem;

const fs::path ROOT = MOLVEX_SOURCE_DIR;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The contents of the string literals of a C++ source, comments and
// character literals skipped.
std::vector<std::string> stringLiterals(const std::string& src) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < src.size(); ++i) {
    if (src.compare(i, 2, "//") == 0) {
      i = src.find('\n', i);
      if (i == std::string::npos) break;
    } else if (src.compare(i, 2, "/*") == 0) {
      i = src.find("*/", i + 2);
      if (i == std::string::npos) break;
      ++i;
    } else if (src[i] == '"' || src[i] == '\'') {
      const char quote = src[i];
      std::string text;
      for (++i; i < src.size() && src[i] != quote; ++i) {
        if (src[i] == '\\' && i + 1 < src.size()) ++i;
        text.push_back(src[i]);
      }
      if (quote == '"') out.push_back(text);
    }
  }
  return out;
}

bool isCodeChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// Message codes in a text: F or U and three digits (or the unassigned
// F???), standing alone.
void addCodes(const std::string& text, std::set<std::string>& codes) {
  for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
    if (text[i] != 'F' && text[i] != 'U') continue;
    if (i > 0 && isCodeChar(text[i - 1])) continue;
    if (i + 4 < text.size() && isCodeChar(text[i + 4])) continue;
    const std::string tail = text.substr(i + 1, 3);
    const bool digits = std::all_of(tail.begin(), tail.end(), [](char c) {
      return std::isdigit(static_cast<unsigned char>(c));
    });
    if (digits || tail == "???") codes.insert(text.substr(i, 4));
  }
}

std::set<std::string> sourceCodes() {
  std::set<std::string> codes;
  for (const auto& entry : fs::recursive_directory_iterator(ROOT / "src")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".cc" && ext != ".h") continue;
    for (const std::string& literal : stringLiterals(slurp(entry.path()))) addCodes(literal, codes);
  }
  return codes;
}

std::string listed(const std::set<std::string>& codes) {
  std::string out;
  for (const std::string& c : codes) out += c + " ";
  return out;
}

TEST(Messages, DocumentedCodesAreExactlyThoseTheSourcesPrint) {
  const std::set<std::string> printed = sourceCodes();
  std::set<std::string> documented;
  addCodes(slurp(ROOT / "docs/messages.md"), documented);
  ASSERT_GT(printed.size(), 50u) << "the literals of src/ were not found";
  std::set<std::string> missing;
  std::set<std::string> stale;
  for (const std::string& c : printed) {
    if (documented.count(c) == 0) missing.insert(c);
  }
  for (const std::string& c : documented) {
    if (printed.count(c) == 0) stale.insert(c);
  }
  EXPECT_TRUE(missing.empty()) << "codes missing from docs/messages.md: " << listed(missing);
  EXPECT_TRUE(stale.empty()) << "codes docs/messages.md lists but no source prints: "
                             << listed(stale);
}

TEST(Messages, CodesAreFoundInLiteralsOnly) {
  std::set<std::string> codes;
  for (const std::string& literal : stringLiterals(
           "// F111 in a comment\n/* U222 */ char q = '\"'; f(\"F333\", \"x\\\"F444\", \"UF555\");"
           " g(\"F???\");")) {
    addCodes(literal, codes);
  }
  EXPECT_EQ(codes, (std::set<std::string>{"F333", "F444", "F???"}));
}

// A fenced block of a document.
struct Block {
  std::string where;               // document and line of the opening fence
  std::vector<std::string> words;  // the info string
  std::string text;                // the lines between the fences, each with its line end
};

std::vector<std::string> splitWords(const std::string& text) {
  std::istringstream in(text);
  return std::vector<std::string>(std::istream_iterator<std::string>(in),
                                  std::istream_iterator<std::string>());
}

std::vector<fs::path> documents() {
  std::vector<fs::path> out{ROOT / "README.md"};
  for (const auto& entry : fs::directory_iterator(ROOT / "docs")) {
    if (entry.path().extension() == ".md") out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<Block> blocks() {
  std::vector<Block> out;
  for (const fs::path& doc : documents()) {
    std::istringstream in(slurp(doc));
    std::string line;
    Block* open = nullptr;
    for (int n = 1; std::getline(in, line); ++n) {
      const std::string where = fs::relative(doc, ROOT).string() + ":" + std::to_string(n);
      if (open != nullptr) {
        if (line == "```") {
          open = nullptr;
        } else {
          open->text += line + "\n";
        }
      } else if (line.rfind("```", 0) == 0) {
        out.push_back({where, splitWords(line.substr(3)), ""});
        open = &out.back();
      } else {
        // A fence inside a list item would escape the checks below.
        EXPECT_EQ(line.find("```"), std::string::npos) << where << ": fence not in column 1";
      }
    }
    EXPECT_EQ(open, nullptr) << fs::relative(doc, ROOT).string() << ": fence left open";
  }
  return out;
}

bool tagged(const Block& b, std::string_view head) {
  return b.words.size() >= 2 && b.words[1].rfind(head, 0) == 0;
}

// Where the dialogue waits for an answer: at the start of a line, or behind
// a yes/no question.
bool typedAt(const std::string& session, std::size_t at) {
  return at == 0 || session[at - 1] == '\n' || (at >= 3 && session.compare(at - 3, 3, "?  ") == 0);
}

// A terminal session of an example: the expected screen with each answer
// typed (and echoed) where the dialogue waits for it, and the stop line.
// Returns the screen that remains when the typed answers are taken out.
std::string untyped(std::string session, const fs::path& example) {
  std::istringstream answers(slurp(example / "answers.txt"));
  std::string answer;
  std::size_t from = 0;
  while (std::getline(answers, answer)) {
    const std::string typed = answer + "\n";
    std::size_t at = session.find(typed, from);
    while (at != std::string::npos && !typedAt(session, at)) at = session.find(typed, at + 1);
    if (at == std::string::npos) return "answer '" + answer + "' not typed in the session";
    session.erase(at, typed.size());
    from = at;
  }
  return session;
}

TEST(Docs, EveryFencedBlockIsTaggedOrACommand) {
  for (const Block& b : blocks()) {
    const bool command = b.words.size() == 1 && b.words[0] == "sh";
    EXPECT_TRUE(command || b.words.size() >= 2) << b.where << ": untagged block";
    if (b.words.size() < 2) continue;
    const bool known = tagged(b, "examples/") || b.words[1] == "molvex";
    EXPECT_TRUE(known) << b.where << ": unknown tag " << b.words[1];
  }
}

TEST(Docs, FileBlocksShowTheExampleFilesVerbatim) {
  int shown = 0;
  for (const Block& b : blocks()) {
    if (!tagged(b, "examples/")) continue;
    const fs::path path = ROOT / b.words[1];
    if (fs::is_directory(path)) continue;
    ASSERT_TRUE(fs::is_regular_file(path)) << b.where << ": no file " << b.words[1];
    EXPECT_EQ(b.text, slurp(path)) << b.where << ": differs from " << b.words[1];
    ++shown;
  }
  EXPECT_GT(shown, 0);
}

TEST(Docs, SessionBlocksShowTheExampleRuns) {
  for (const Block& b : blocks()) {
    if (!tagged(b, "examples/") || !fs::is_directory(ROOT / b.words[1])) continue;
    const fs::path example = ROOT / b.words[1];
    const std::string screen =
        slurp(example / "expected/screen.txt") + "Stop - Program terminated.\n";
    EXPECT_EQ(untyped(b.text, example), screen) << b.where << ": session of " << b.words[1];
  }
}

TEST(Docs, SessionsAreCheckedAnswerByAnswer) {
  const fs::path example = ROOT / "examples/pumps";
  const std::string screen = slurp(example / "expected/screen.txt");
  EXPECT_EQ(
      untyped(" Modelname? \nPUMPS\n \n \n0\n \n Define another model  (y/n  default = n ) ?  n\n",
              example),
      screen);
  EXPECT_NE(untyped(" Modelname? \n \n \n0\n \n Define another model  (y/n  default = n ) ?  n\n",
                    example),
            screen);
}

TEST(Docs, EveryExampleIsShownInTheDocs) {
  std::set<std::string> shown;
  for (const Block& b : blocks()) {
    if (!tagged(b, "examples/")) continue;
    const fs::path tag = fs::path(b.words[1]).lexically_relative("examples");
    shown.insert(tag.begin()->string());
  }
  for (const auto& entry : fs::directory_iterator(ROOT / "examples")) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(shown.count(name), 1u) << "examples/" << name << " is shown in no document";
  }
}

// What the molvex command prints on stdout and stderr, and its exit status.
struct Outcome {
  std::string output;
  int status = -1;
};

Outcome runMolvex(const std::string& args) {
  Outcome run;
  // From the top of the sources, where the documents' paths start.
  const std::string command = "cd '" + ROOT.string() + "' && '" + std::string(MOLVEX_BINARY_DIR) +
                              "/molvex' " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool haveMolvex() { return fs::exists(fs::path(MOLVEX_BINARY_DIR) / "molvex"); }

TEST(Docs, UsageBlocksShowWhatTheCommandPrints) {
  if (!haveMolvex()) GTEST_SKIP() << "molvex is not built";
  int shown = 0;
  for (const Block& b : blocks()) {
    if (b.words.size() < 2 || b.words[1] != "molvex") continue;
    std::string args;
    for (std::size_t i = 2; i < b.words.size(); ++i) args += b.words[i] + " ";
    const Outcome run = runMolvex(args);
    EXPECT_EQ(run.status, 0) << b.where;
    EXPECT_EQ(b.text, run.output) << b.where << ": molvex " << args;
    ++shown;
  }
  EXPECT_GE(shown, 2);
}

// However people ask for the usage, they get it: molvex's own, or a
// subcommand's.
TEST(Docs, EveryWayOfAskingForHelpShowsTheUsage) {
  if (!haveMolvex()) GTEST_SKIP() << "molvex is not built";
  const std::string usage = runMolvex("--help").output;
  for (const char* args : {"-h", "help"}) {
    const Outcome run = runMolvex(args);
    EXPECT_EQ(run.status, 0) << args;
    EXPECT_EQ(run.output, usage) << args;
  }
  const Outcome solve = runMolvex("help solve");
  EXPECT_EQ(solve.status, 0);
  EXPECT_EQ(solve.output, runMolvex("solve --help").output);
}

TEST(Docs, AWrongArgumentExitsWithTwoAfterSayingSo) {
  if (!haveMolvex()) GTEST_SKIP() << "molvex is not built";
  for (const char* args :
       {"--bogus", "-help", "--help --version", "help --version", "--version extra"}) {
    const Outcome run = runMolvex(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(run.output.rfind("molvex: unknown argument '", 0), 0u) << args << ": " << run.output;
  }
}

TEST(Docs, AStateLimitOutOfRangeExitsWithTwo) {
  if (!haveMolvex()) GTEST_SKIP() << "molvex is not built";
  for (const char* args : {"--max-states 79999", "--max-states many", "--max-states ''"}) {
    const Outcome run = runMolvex(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(run.output.rfind("molvex: --max-states takes a number of states from 80000 to ", 0),
              0u)
        << args << ": " << run.output;
  }
}

}  // namespace
}  // namespace molvex
