#include "models.h"

#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "stategen/ft2mc.h"

namespace molvex::bench {
namespace {

// Node type codes of the fault tree file.
constexpr int BASIC = 16, OR = 17, MOFN = 18, AND = 19, FBOX = 22, CSP = 25, PAND = 27, SEQ = 28,
              FDEP = 29;

std::string mOfN(int m, int n) { return std::to_string(m) + "/" + std::to_string(n); }

// `n` single components of types 1..3 in turn.
std::vector<int> singles(TreeFile& t, int n) {
  std::vector<int> nodes;
  for (int i = 0; i < n; ++i) nodes.push_back(t.basic(1, i % 3 + 1));
  return nodes;
}

Model finish(const std::string& name, TreeFile& t, int top, int types, int ntrunc = 0) {
  t.gate(FBOX, {top});
  return Model{name, t.text(), types, ntrunc};
}

std::string fileName(const Model& m, const char* ext) { return m.name + ext; }

std::string padded(const std::string& name, std::size_t width) {
  return name + std::string(width > name.size() ? width - name.size() : 0, ' ');
}

}  // namespace

int TreeFile::basic(int mult, int type) {
  const int node = ++nodes_;
  std::ostringstream line;
  line << "N " << node << ' ' << node << ' ' << BASIC << ' ' << mult << '*' << type << '\n';
  text_ += line.str();
  return node;
}

int TreeFile::gate(int code, const std::vector<int>& inputs, const std::string& label) {
  const int node = ++nodes_;
  std::ostringstream lines;
  lines << "N " << node << ' ' << node << ' ' << code;
  if (!label.empty()) lines << ' ' << label;
  lines << '\n';
  for (int in : inputs) lines << "A " << in << ' ' << in << ' ' << node << ' ' << node << '\n';
  text_ += lines.str();
  return node;
}

// The gate over `parts` that fails when all but a little more than half of
// them have failed (8 of 18).
int mostOf(TreeFile& t, const std::vector<int>& parts) {
  const int n = static_cast<int>(parts.size());
  return t.gate(MOFN, parts, mOfN(std::max(n / 2 - 1, 1), n));
}

Model kOfN(int size) {
  TreeFile t;
  return finish("KOFN", t, mostOf(t, singles(t, size)), 3);
}

// Five components of `size` units each; the system fails when all have.
Model multiples(int size) {
  TreeFile t;
  std::vector<int> parts;
  for (int i = 0; i < 5; ++i) parts.push_back(t.basic(size, i % 3 + 1));
  return finish("MULT", t, t.gate(AND, parts), 3);
}

// The tree of kOfN(size), where the failure of the last component takes
// the one before it down too: every state after that failure is kept in the
// persistent list.
Model dependencies(int size) {
  TreeFile t;
  const std::vector<int> parts = singles(t, size);
  t.gate(FDEP, {parts[parts.size() - 1], parts[parts.size() - 2]});
  return finish("FDEP", t, mostOf(t, parts), 3);
}

// `size` cold spare gates, each over a primary, a spare of its own and a
// spare that it shares with its neighbour; the system fails when half of the
// gates have.
Model coldSpares(int size) {
  TreeFile t;
  std::vector<int> gates;
  int shared = 0;
  for (int g = 0; g < size; ++g) {
    const int primary = t.basic(1, 1);
    const int spare = t.basic(1, 2);
    std::vector<int> inputs{primary, spare};
    if (g % 2 == 0) shared = t.basic(1, 3);
    inputs.push_back(shared);
    gates.push_back(t.gate(CSP, inputs));
  }
  const int m = size / 2 > 0 ? size / 2 : 1;
  return finish("CSP", t, t.gate(MOFN, gates, mOfN(m, size)), 3);
}

// `size` priority-AND gates, each over a pair of components; the system
// fails when two of them occur in order.
Model priorityAnds(int size) {
  TreeFile t;
  std::vector<int> gates;
  for (int g = 0; g < size; ++g) {
    const std::vector<int> pair = singles(t, 2);
    gates.push_back(t.gate(PAND, pair));
  }
  return finish("PAND", t, t.gate(MOFN, gates, mOfN(2, size)), 3);
}

// `size` sequence gates, each forcing three components to fail in order;
// the system fails when two of the sequences are complete.
Model sequences(int size) {
  TreeFile t;
  std::vector<int> gates;
  for (int g = 0; g < size; ++g) gates.push_back(t.gate(SEQ, singles(t, 3)));
  return finish("SEQ", t, t.gate(MOFN, gates, mOfN(2, size)), 3);
}

// `size` components, the system failing when six of them have; the chain
// is cut after four failures, so the states of five failures are stored
// and aggregated.
Model truncatedKOfN(int size) {
  TreeFile t;
  const std::vector<int> parts = singles(t, size);
  return finish("TRUNC", t, t.gate(MOFN, parts, mOfN(6, size)), 3, 4);
}

// The static tree: `size` single components, all of which must fail.
Model allOf(int size) {
  TreeFile t;
  return finish("AND", t, t.gate(AND, singles(t, size)), 3);
}

// `size` cold spare gates over a primary and a spare of their own; the
// system fails when half of the gates have.
Model ownSpares(int size) {
  TreeFile t;
  std::vector<int> gates;
  for (int g = 0; g < size; ++g) gates.push_back(t.gate(CSP, singles(t, 2)));
  return finish("SPARE", t, t.gate(MOFN, gates, mOfN(std::max(size / 2, 1), size)), 3);
}

// `size` priority-AND pairs and (size + 1) / 2 cold-spare pairs; the system
// fails when three of the gates have (size 5: five and three under 3 of 8).
Model mixture(int size) {
  TreeFile t;
  std::vector<int> gates;
  for (int g = 0; g < size; ++g) gates.push_back(t.gate(PAND, singles(t, 2)));
  for (int g = 0; g < (size + 1) / 2; ++g) gates.push_back(t.gate(CSP, singles(t, 2)));
  const int n = static_cast<int>(gates.size());
  return finish("MIX", t, t.gate(MOFN, gates, mOfN(std::min(3, n), n)), 3);
}

void writeModel(const Model& m) {
  std::ofstream(fileName(m, ".FTR"), std::ios::binary) << m.ftr;
  std::ofstream dic(fileName(m, ".DIC"), std::ios::binary);
  for (int type = 1; type <= m.types; ++type) {
    dic << type << " PART LAM" << type << "\n  BODY\n";
  }
  for (const char* ext : {".INT", ".TUP", ".TXT"}) std::filesystem::remove(fileName(m, ext));
}

int generate(const Model& m) {
  const std::string model = padded(m.name, 15);
  return FT2MC(model, static_cast<int>(model.size()), m.ntrunc, 1);
}

Outcome outcome(const Model& m, int status) {
  Outcome o;
  o.status = status;
  std::ifstream intFile(fileName(m, ".INT"));
  std::string line;
  std::getline(intFile, line);  // the header
  while (std::getline(intFile, line)) {
    if (line.size() > 2 && line[1] != '*') ++o.transitions;
  }
  std::ifstream tup(fileName(m, ".TUP"));
  while (std::getline(tup, line)) {
    if (!line.empty()) o.states = std::stol(line);
  }
  for (const char* ext : {".INT", ".TUP", ".DIC"}) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(fileName(m, ext), ec);
    if (!ec) o.bytes += static_cast<long>(size);
  }
  return o;
}

double peakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// `size` components each of a type of its own: all but seven under 3 of
// them, the seven under an AND, either failing the system (size 50: about
// 120,000 states).
Model distinctParts(int size) {
  TreeFile t;
  std::vector<int> voting;
  std::vector<int> all;
  for (int i = 1; i <= size; ++i) (i <= size - 7 ? voting : all).push_back(t.basic(1, i));
  const int votes = t.gate(MOFN, voting, mOfN(3, size - 7));
  return finish("DISTINCT", t, t.gate(OR, {votes, t.gate(AND, all)}), size);
}

const std::map<std::string, Model (*)(int)>& families() {
  static const std::map<std::string, Model (*)(int)> byName{
      {"kofn", kOfN},         {"mult", multiples}, {"fdep", dependencies},     {"csp", coldSpares},
      {"pand", priorityAnds}, {"seq", sequences},  {"trunc", truncatedKOfN},   {"and", allOf},
      {"spare", ownSpares},   {"mix", mixture},    {"distinct", distinctParts}};
  return byName;
}

}  // namespace molvex::bench
