// The one-run measurement of big models: `molvex run` on the benchmark
// models of the literature, on models of many identical components and of
// many independent parts, and on one chain of about a million states with
// tables that grow against tables sized once.  Each model runs in a process
// of its own, so that its time and peak resident size are its own.
//
//   molvex_big [--slow]     --slow adds ftpp5 as one chain without its
//                           symmetries (--whole: minutes, gigabytes)
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  double seconds = 0.0;
  double peakMiB = 0.0;
  std::string out;
};

// `molvex ARGS` in `dir`, its screen into a file read back, its standard
// input `answers` ("" for none).
Outcome molvex(const fs::path& dir, const std::vector<std::string>& args,
               const std::string& answers = "") {
  const fs::path screen = dir / "screen.txt";
  std::fflush(stdout);  // the child's streams are its own
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    std::FILE* out = std::freopen(screen.c_str(), "w", stdout);
    std::FILE* err = std::freopen("/dev/null", "w", stderr);
    std::FILE* in = std::freopen(answers.empty() ? "/dev/null" : answers.c_str(), "r", stdin);
    if (out == nullptr || err == nullptr || in == nullptr) _exit(127);
    std::vector<char*> argv = {const_cast<char*>(MOLVEX_BINARY)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(MOLVEX_BINARY, argv.data());
    _exit(127);
  }
  Outcome o;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.peakMiB = usage.ru_maxrss / 1024.0;
  std::ifstream in(screen);
  o.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return o;
}

// The number after `key` (at or after `after`) in a JSON text, as written.
std::string field(const std::string& json, const std::string& key, const std::string& after = "") {
  const std::size_t at = json.find("\"" + key + "\": ", json.find(after));
  if (at == std::string::npos) return "-";
  const std::size_t from = at + key.size() + 4;
  return json.substr(from, json.find_first_of(",}", from) - from);
}

// The chains a run solved: one, or those of its parts that share none.
std::string chains(const std::string& json) {
  std::size_t own = 0;
  for (std::size_t at = 0; (at = json.find("\"same_as\": null", at)) != std::string::npos; ++at) {
    ++own;
  }
  return std::to_string(json.find("\"parts\"") == std::string::npos ? 1 : own);
}

// The largest chain of a run by parts, else its one chain's states.
std::string largest(const std::string& json) {
  std::size_t best = 0;
  bool parts = false;
  for (std::size_t at = 0; (at = json.find("\"states\": ", at)) != std::string::npos; ++at) {
    const std::string value = json.substr(at + 10, json.find_first_of(",}", at + 10) - at - 10);
    if (value[0] == '{') continue;
    parts = true;
    best = std::max<std::size_t>(best, std::stoul(value));
  }
  if (parts) return std::to_string(best);
  const long all = std::stol(field(json, "operational")) + std::stol(field(json, "failure")) +
                   std::stol(field(json, "truncation"));
  return std::to_string(all);
}

void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

// n basic events of rate 1 under one gate.
std::string identical(int n, const std::string& gate) {
  std::string text = "toplevel T;\nT " + gate;
  for (int i = 0; i < n; ++i) text += " E" + std::to_string(i);
  text += ";\n";
  for (int i = 0; i < n; ++i) text += "E" + std::to_string(i) + " lambda=1;\n";
  return text;
}

// `parts` modules of 10 components each, rates apart from module to module:
// a cold spare gate of three, a priority-AND pair, an AND of three whose
// events a trigger of the module forces down, and one more event.
std::string modules(int parts) {
  std::string text = "toplevel T;\nT 3of" + std::to_string(parts);
  for (int m = 0; m < parts; ++m) text += " M" + std::to_string(m);
  text += ";\n";
  for (int m = 0; m < parts; ++m) {
    const std::string s = std::to_string(m);
    const double l = 1e-3 * (1.0 + m / 10.0);
    text += "M" + s + " or S" + s + " P" + s + " A" + s + " D" + s + ";\n";
    text += "S" + s + " csp S" + s + "a S" + s + "b S" + s + "c;\n";
    text += "P" + s + " pand P" + s + "a P" + s + "b;\n";
    text += "A" + s + " and A" + s + "a A" + s + "b A" + s + "c;\n";
    text += "F" + s + " fdep T" + s + " A" + s + "a A" + s + "b;\n";
    for (const char* e : {"Sa", "Sb", "Sc", "Pa", "Pb", "Aa", "Ab", "Ac", "T", "D"}) {
      const std::string name = std::string(1, e[0]) + s + (e[1] ? std::string(1, e[1]) : "");
      text += name + " lambda=" + std::to_string(l * (1 + (e[1] ? e[1] - 'a' : 3))) + ";\n";
    }
  }
  return text;
}

// n events of rates apart under one AND gate: one chain of 2^n states.
std::string distinct(int n) {
  std::string text = "toplevel T;\nT and";
  for (int i = 0; i < n; ++i) text += " E" + std::to_string(i);
  text += ";\n";
  for (int i = 0; i < n; ++i) {
    text += "E" + std::to_string(i) + " lambda=" + std::to_string(1.0 + i / 100.0) + ";\n";
  }
  return text;
}

void row(const std::string& model, const Outcome& o, const std::string& figure) {
  std::printf("| %s | %s | %s | %.2f s | %.0f MiB | %s |\n", model.c_str(),
              o.status == 0 ? chains(o.out).c_str() : "-",
              o.status == 0 ? largest(o.out).c_str() : "-", o.seconds, o.peakMiB,
              o.status == 0 ? figure.c_str() : ("exit " + std::to_string(o.status)).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const bool slow = argc > 1 && std::string(argv[1]) == "--slow";
  char pattern[] = "/tmp/molvex-big-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path dir = pattern;
  const fs::path shared = fs::path(MOLVEX_SOURCE_DIR) / "tests" / "galileo" / "benchmarks";

  std::printf("| model | chains | largest chain (states) | time | peak | figure |\n");
  std::printf("|---|---:|---:|---:|---:|---|\n");
  struct Benchmark {
    std::string name, time;
    std::vector<std::string> options;
  };
  // ftppc's triads share only their network elements: composed from one
  // triad's chain; cut after more failures than it has components, it is
  // one chain folded by its symmetries, generated as before.
  std::vector<Benchmark> benchmarks = {{"cps", "1", {}},
                                       {"cas", "1", {}},
                                       {"mdcs", "1", {}},
                                       {"ftpp4", "1", {}},
                                       {"ftpp5", "1", {}},
                                       {"ftppc", "1", {}},
                                       {"ftppc", "1", {"--trunc", "100"}},
                                       {"hecs22", "1", {}},
                                       {"hecs322", "100", {}},
                                       {"rc", "1", {}}};
  if (slow) benchmarks.push_back({"ftpp5", "1", {"--whole"}});
  for (const Benchmark& b : benchmarks) {
    const fs::path file = shared / (b.name + ".dft");
    std::vector<std::string> args = {"run", file.string(), "--json", "--time", b.time};
    args.insert(args.end(), b.options.begin(), b.options.end());
    const Outcome o = molvex(dir, args);
    std::string name = b.name;
    for (const std::string& option : b.options) name += " " + option;
    row(name, o,
        "U(" + b.time + ") = " + field(o.out, "lower", "\"unreliability\"") + ", MTTF " +
            field(o.out, "mttf_lower"));
  }
  write(dir / "and18.dft", identical(18, "and"));
  const Outcome folded = molvex(dir, {"run", "and18.dft", "--json"});
  row("AND of 18 identical", folded, "MTTF " + field(folded.out, "mttf_lower"));
  write(dir / "parts.dft", modules(50));
  const Outcome parts = molvex(dir, {"run", "parts.dft", "--json", "--time", "1"});
  row("500 components, 50 parts of 10", parts,
      "U(1) = " + field(parts.out, "lower", "\"unreliability\"") + ", MTTF " + field(parts.out, "mttf_lower"));
  // One chain of 1,048,578 states: generated with tables that grow, and by
  // the dialogue with its tables sized once for two million states.
  write(dir / "and20.dft", distinct(20));
  molvex(dir, {"import", "and20.dft"});
  write(dir / "answers.txt", "AND20\n0\nn\n");
  const Outcome grown = molvex(dir, {"generate", "AND20"});
  const Outcome sized = molvex(dir, {"--max-states", "2000000"}, (dir / "answers.txt").string());
  std::printf("\nAND of 20 events of rates apart, one chain of 2^20 + 2 states, generated:\n\n");
  std::printf("| tables | time | peak | exit |\n|---|---:|---:|---:|\n");
  std::printf("| growing (generate) | %.2f s | %.0f MiB | %d |\n", grown.seconds, grown.peakMiB,
              grown.status);
  std::printf("| sized once for 2,000,000 states (the dialogue) | %.2f s | %.0f MiB | %d |\n",
              sized.seconds, sized.peakMiB, sized.status);
  fs::remove_all(dir);
  return 0;
}
