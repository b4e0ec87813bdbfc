// Every test registered with CTest carries a timeout, so that a test that
// hangs fails the run within minutes instead of holding it until the CI
// job's own limit.  The test list is read back from CTest itself.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace molvex {
namespace {

// What the command prints on stdout; "" when it cannot be run or fails.
std::string output(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "";
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "";
}

// The objects of the "tests" array of CTest's JSON test list, as texts.
// Brackets inside strings (test names, regular expressions) do not count.
std::vector<std::string> testObjects(const std::string& json) {
  std::vector<std::string> out;
  std::size_t i = json.find("\"tests\"");
  if (i == std::string::npos || (i = json.find('[', i)) == std::string::npos) return out;
  int depth = 0;
  std::size_t start = 0;
  for (bool quoted = false; i < json.size(); ++i) {
    const char c = json[i];
    if (quoted) {
      if (c == '\\') ++i;
      if (c == '"') quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '[' || c == '{') {
      if (++depth == 2 && c == '{') start = i;
    } else if (c == ']' || c == '}') {
      if (--depth == 1 && c == '}') out.push_back(json.substr(start, i + 1 - start));
      if (depth == 0) break;
    }
  }
  return out;
}

TEST(CTest, EveryTestHasATimeoutOfMinutes) {
  const std::string json =
      output("'" + std::string(MOLVEX_CTEST) + "' --test-dir '" + std::string(MOLVEX_BINARY_DIR) +
             "' --show-only=json-v1 2>/dev/null");
  if (json.empty()) GTEST_SKIP() << "ctest cannot be run here";
  const std::vector<std::string> tests = testObjects(json);
  ASSERT_GT(tests.size(), 1u) << "no test list in the output of ctest";
  // A TIMEOUT of 0 means none at all.
  const std::regex timeout(R"re("name"\s*:\s*"TIMEOUT"\s*,\s*"value"\s*:\s*([0-9.]+))re");
  const std::regex name(
      R"re(^\{\s*(?:"command"\s*:\s*\[[^\]]*\]\s*,\s*)?"name"\s*:\s*"([^"]*)")re");
  int without = 0;
  for (const std::string& test : tests) {
    std::smatch m;
    const double seconds = std::regex_search(test, m, timeout) ? std::atof(m[1].str().c_str()) : 0;
    if (seconds > 0 && seconds <= 600) continue;
    std::smatch n;
    ADD_FAILURE() << (std::regex_search(test, n, name) ? n[1].str() : test)
                  << (seconds > 0 ? ": timeout of " + m[1].str() + " s" : ": no timeout");
    if (++without == 5) break;  // the first few tell enough
  }
}

}  // namespace
}  // namespace molvex
