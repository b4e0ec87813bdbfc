#include "chain/chain.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "dict/dict.h"
#include "ftinput/fttabs.h"
#include "main/files.h"
#include "util/units.h"

namespace molvex {
namespace {

// One file of the chain read line by line, each error naming the file and
// the line.
class Reader {
 public:
  Reader(std::string name, Error& error) : name_(std::move(name)), error_(error) {}

  int open() {
    in_ = openStream(name_);
    return in_ != nullptr ? 1 : failAtEnd(unreadable(name_));
  }
  // The next line: 1, or -11 at the end of the file, or -1 after an error.
  int next(std::string& line) {
    if (!std::getline(*in_, line)) return in_->bad() ? failAtEnd("read error") : -11;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return 1;
  }
  // The next line that is not blank.
  int nextText(std::string& line) {
    for (;;) {
      const int status = next(line);
      if (status != 1 || line.find_first_not_of(' ') != std::string::npos) return status;
    }
  }
  int failHere(const std::string& message) { return fail(number_, message); }
  // Of the file as a whole.
  int failAtEnd(const std::string& message) { return fail(0, message); }
  void skipTo(int line) {
    std::string ignored;
    while (number_ < line && next(ignored) == 1) {
    }
  }
  int line() const { return number_; }

 private:
  int fail(int line, const std::string& message) {
    error_ = {name_, line, message};
    return -1;
  }

  std::string name_;
  Error& error_;
  std::unique_ptr<std::istream> in_;
  int number_ = 0;
};

// A line of integers only: the .TUP file and the FEIDS and TAIDS values.
int integers(Reader& in, const std::string& line, std::vector<int>& values, std::string_view what) {
  values.clear();
  for (std::string_view w : blankWords(line)) {
    int v = 0;
    if (!toInt(w, v)) return in.failHere(quoteText(w) + " is not an integer " + std::string(what));
    values.push_back(v);
  }
  return 1;
}

// ---------------------------------------------------------------- .DIC

int readTypes(const std::string& file, Chain& chain, int& feidln, Error& error) {
  Array1<std::string> names(MAXBAS);
  Array1<std::string> dormant(MAXBAS);
  Array1<int> module(MAXBAS), forced(MAXBAS);
  const TypeForms forms{dormant, module, forced};
  const auto read = [&] { return RDDICT(file, chain.ntypes, names, MAXBAS, &feidln, &forms); };
  if (!readsAsGenerationDoes(read, file, "a dictionary", error)) return -1;
  const auto cut = [](const std::string& n) { return n.substr(0, n.find_last_not_of(' ') + 1); };
  chain.typeNames.resize(chain.ntypes);
  chain.dormantNames.resize(chain.ntypes);
  chain.typeLabels.resize(chain.ntypes);
  std::string text;
  Reader in(file, error);
  if (in.open() != 1) return -1;
  for (std::string line; in.next(line) == 1;) text += line + "\n";
  const DictionaryEntries entries = dictionaryEntries(text);
  for (int t = 1; t <= chain.ntypes; ++t) {
    chain.typeNames(t) = cut(names(t));
    chain.dormantNames(t) = cut(dormant(t));
    const auto i = static_cast<std::size_t>(t);
    chain.typeLabels(t) = i < entries.labels.size() ? entries.labels[i] : "";
  }
  return 1;
}

// The lines behind FEIDS as the generation writes them: the failure states,
// and after a truncated run "TAIDS" and the truncation states.
int readStateLines(const std::string& file, int feidln, Chain& chain, bool& taids, Error& error) {
  Reader in(file, error);
  if (in.open() != 1) return -1;
  in.skipTo(feidln);
  std::string line;
  std::vector<int> values;
  const auto typeValues = [&](Array1<int>& to, std::string_view key) {
    if (in.nextText(line) != 1) {
      return in.failAtEnd("ends after its " + std::string(key) + " line without the state numbers");
    }
    if (integers(in, line, values, "(a state number)") != 1) return -1;
    if (static_cast<int>(values.size()) != chain.ntypes) {
      return in.failHere(std::to_string(values.size()) + " state numbers behind " +
                         std::string(key) + " for " + std::to_string(chain.ntypes) +
                         " component types");
    }
    to.resize(chain.ntypes);
    for (int t = 1; t <= chain.ntypes; ++t) to(t) = values[static_cast<std::size_t>(t - 1)];
    return 1;
  };
  if (typeValues(chain.failst, "FEIDS") != 1) return -1;
  chain.trncst.resize(chain.ntypes, 0);
  taids = false;
  int status = in.nextText(line);
  if (status == 1 && blankWords(line) == std::vector<std::string_view>{"TAIDS"}) {
    taids = true;
    if (typeValues(chain.trncst, "TAIDS") != 1) return -1;
    status = in.nextText(line);
  }
  if (status == 1)
    return in.failHere("unexpected line behind the state numbers: " + quoteText(line));
  return status == -1 ? -1 : 1;
}

// ---------------------------------------------------------------- .TUP

struct Tuples {
  std::vector<int> order;  // state numbers in the order of the file
  std::vector<int> slots;  // nbasic per state, in that order
  int total = 0;
};

int readTuples(const std::string& file, int& nbasic, Tuples& tup, Error& error) {
  Reader in(file, error);
  if (in.open() != 1) return -1;
  std::string line;
  std::vector<int> values;
  const std::string unfinished =
      "ends without its closing total: the run that wrote it did not finish; generate the "
      "model again";
  const auto one = [&](int& value, std::string_view what) {
    const int status = in.nextText(line);
    if (status == -11) return in.failAtEnd(unfinished);
    if (status != 1 || integers(in, line, values, what) != 1) return -1;
    if (values.size() != 1) return in.failHere("one integer expected " + std::string(what));
    value = values[0];
    return 1;
  };
  if (one(nbasic, "(the number of basic components)") != 1) return -1;
  if (nbasic < 1 || nbasic > MAXBAS) {
    return in.failHere("the number of basic components must be 1 to " + std::to_string(MAXBAS));
  }
  for (;;) {
    int number = 0;
    if (one(number, "(a state number)") != 1) return -1;
    if (number == -1) break;
    if (number < 1) return in.failHere("state number " + std::to_string(number) + " is below 1");
    const int status = in.nextText(line);
    if (status == -11) return in.failAtEnd(unfinished);
    if (status != 1 || integers(in, line, values, "(working units)") != 1) return -1;
    if (static_cast<int>(values.size()) != nbasic) {
      return in.failHere(std::to_string(values.size()) + " working-unit counts for " +
                         std::to_string(nbasic) + " basic components");
    }
    for (int v : values) {
      if (v < 0) return in.failHere("a negative number of working units");
    }
    tup.order.push_back(number);
    tup.slots.insert(tup.slots.end(), values.begin(), values.end());
  }
  if (one(tup.total, "(the total number of states)") != 1) return -1;
  if (in.nextText(line) == 1) return in.failHere("unexpected line behind the total");
  return 1;
}

// ---------------------------------------------------------------- .INT

struct RawArc {
  int source;
  int line;
  Arc arc;
};

int readHeader(Reader& in, Chain& chain) {
  std::string line;
  const int status = in.nextText(line);
  if (status == -11) return in.failAtEnd("empty: no header line");
  if (status != 1) return -1;
  const auto w = blankWords(line);
  std::size_t i = 1;
  bool ok = !w.empty() && w[0] == "SORTED";
  if (ok && i < w.size() && w[i] == "TRUNC=") {
    ok = i + 1 < w.size() && toInt(w[i + 1], chain.ntrunc) && chain.ntrunc > 0;
    i += 2;
  }
  if (ok && i < w.size() && w[i] == "CSPARE") {
    chain.cspare = true;
    ++i;
  }
  if (!ok || i != w.size()) {
    return in.failHere(quoteText(line) + " is not a chain header (SORTED [TRUNC= n] [CSPARE])");
  }
  return 1;
}

// A rate text "[K*]NAME[*X];" against the rate names of the dictionary: a
// name may itself hold '*', so each reading is tried, the usual one first.
bool parseRate(std::string_view text, const std::map<std::string, int, std::less<>>& known,
               Arc& arc, std::string& name) {
  if (text.size() < 2 || text.back() != ';') return false;
  text.remove_suffix(1);
  const std::size_t star = text.find('*');
  int k = 1;
  const bool hasK = star != std::string_view::npos && toInt(text.substr(0, star), k) && k >= 1;
  for (int withK = hasK ? 1 : 0; withK >= 0; --withK) {
    std::string_view rest = withK ? text.substr(star + 1) : text;
    const bool hasX = rest.size() > 2 && rest.substr(rest.size() - 2) == "*X";
    for (int withX = hasX ? 1 : 0; withX >= 0; --withX) {
      const std::string_view n = withX ? rest.substr(0, rest.size() - 2) : rest;
      if (known.find(n) != known.end()) {
        arc.multiplier = withK ? k : 1;
        arc.marked = withX == 1;
        name = std::string(n);
        return true;
      }
    }
  }
  return false;
}

// The arcs a generation handed over, with the rate names their types have.
int takeArcs(CapturedChain& captured, const std::string& file, Chain& chain,
             std::map<std::string, int, std::less<>>& known, std::vector<std::string>& names,
             std::vector<RawArc>& raw, Error& error) {
  raw.reserve(raw.size() + captured.arcs.size());
  for (; !captured.arcs.empty(); captured.arcs.pop_front()) {
    const CapturedChain::Taken& a = captured.arcs.front();
    if (a.type < 1 || a.type > chain.ntypes || a.multiplier > std::numeric_limits<int>::max()) {
      error = {file, 0,
               "an arc of " + std::to_string(a.source) + " -> " + std::to_string(a.target) +
                   " has no rate of the dictionary's"};
      return -1;
    }
    const std::string& name = a.dormant ? chain.dormantNames(a.type) : chain.typeNames(a.type);
    const auto found = known.find(name);
    if (found == known.end()) {
      error = {file, 0, "no rate name of type " + std::to_string(a.type)};
      return -1;
    }
    if (found->second == 0) {
      names.push_back(name);
      found->second = static_cast<int>(names.size());
    }
    const Arc arc{a.target, found->second, static_cast<int>(a.multiplier), a.marked};
    raw.push_back(RawArc{a.source, 0, arc});
  }
  return 1;
}

int readArcs(const std::string& file, Chain& chain, std::vector<RawArc>& raw, Error& error,
             CapturedChain* captured) {
  Reader in(file, error);
  if (in.open() != 1) return -1;
  if (readHeader(in, chain) != 1) return -1;
  std::map<std::string, int, std::less<>> known;
  for (int t = 1; t <= chain.ntypes; ++t) {
    known.emplace(chain.typeNames(t), 0);
    if (!chain.dormantNames(t).empty()) known.emplace(chain.dormantNames(t), 0);
  }
  std::vector<std::string> names;
  std::string line;
  std::string name;
  for (;;) {
    const int status = in.next(line);
    if (status == -11) break;
    if (status != 1) return -1;
    const auto w = blankWords(line);
    if (w.empty() || w[0][0] == '*') continue;  // the separator and comment lines
    RawArc r{0, in.line(), Arc{}};
    if (w.size() != 3 || !toInt(w[0], r.source) || !toInt(w[1], r.arc.target)) {
      return in.failHere(quoteText(line) + " is not an arc line (SOURCE TARGET RATE;)");
    }
    if (!parseRate(w[2], known, r.arc, name)) {
      return in.failHere("rate " + quoteText(w[2]) + " is not [K*]NAME[*X]; with a rate name of " +
                         chain.model + ".DIC");
    }
    int& index = known.find(name)->second;
    if (index == 0) {
      names.push_back(name);
      index = static_cast<int>(names.size());
    }
    r.arc.rate = index;
    raw.push_back(r);
  }
  if (captured != nullptr && takeArcs(*captured, file, chain, known, names, raw, error) != 1) {
    return -1;
  }
  chain.rateNames.resize(static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i)
    chain.rateNames(static_cast<int>(i) + 1) = names[i];
  return 1;
}

// ------------------------------------------------------- putting together

// Every state number is one expanded state of the .TUP file, or the failure
// or truncation state of a type, and the counts add up to the .TUP total.
int placeStates(Chain& chain, const Tuples& tup, const std::string& tupFile,
                const std::string& dicFile, Error& error) {
  chain.nstates = tup.total;
  // Beside the expanded states there is at most one failure and one
  // truncation state per type; a larger total cannot be of one run, and
  // must not size the tables.
  const long most = static_cast<long>(tup.order.size()) + 2L * chain.ntypes;
  if (chain.nstates < 1 || chain.nstates > most) {
    error = {tupFile, 0,
             "a total of " + std::to_string(tup.total) + " states for " +
                 std::to_string(tup.order.size()) + " expanded states and " +
                 std::to_string(chain.ntypes) + " component types: the files are not of one run"};
    return -1;
  }
  chain.kind.resize(chain.nstates, StateKind::Expanded);
  chain.type.resize(chain.nstates, 0);
  Array1<char> seen(chain.nstates, 0);
  chain.units.resize(chain.nstates * chain.nbasic, 0);
  chain.expansion.resize(static_cast<int>(tup.order.size()));
  for (std::size_t i = 0; i < tup.order.size(); ++i) {
    const int s = tup.order[i];
    if (s > chain.nstates) {
      error = {tupFile, 0,
               "state " + std::to_string(s) + " beyond the total of " +
                   std::to_string(chain.nstates) + " states"};
      return -1;
    }
    if (seen(s)) {
      error = {tupFile, 0, "state " + std::to_string(s) + " listed twice"};
      return -1;
    }
    seen(s) = 1;
    chain.expansion(static_cast<int>(i) + 1) = s;
    for (int b = 1; b <= chain.nbasic; ++b) {
      chain.units((s - 1) * chain.nbasic + b) =
          tup.slots[i * chain.nbasic + static_cast<std::size_t>(b - 1)];
    }
  }
  if (tup.order.empty() || tup.order[0] != 1) {
    error = {tupFile, 0, "does not begin with the initial state 1"};
    return -1;
  }
  const auto mark = [&](const Array1<int>& states, StateKind kind, const char* key) {
    for (int t = 1; t <= chain.ntypes; ++t) {
      const int s = states(t);
      if (s == 0) continue;
      const std::string what =
          std::string(key) + " names state " + std::to_string(s) + " for type " + std::to_string(t);
      if (s < 0 || s > chain.nstates) {
        error = {dicFile, 0,
                 what + ", but " + tupFile + " counts " + std::to_string(chain.nstates) +
                     " states: the files are not of one run"};
        return -1;
      }
      if (seen(s)) {
        error = {dicFile, 0,
                 what +
                     ", which is already an expanded, failure or truncation "
                     "state: the files are not of one run"};
        return -1;
      }
      seen(s) = 1;
      chain.kind(s) = kind;
      chain.type(s) = t;
    }
    return 1;
  };
  if (mark(chain.failst, StateKind::Failure, "FEIDS") != 1) return -1;
  if (mark(chain.trncst, StateKind::Truncation, "TAIDS") != 1) return -1;
  for (int s = 1; s <= chain.nstates; ++s) {
    if (!seen(s)) {
      error = {tupFile, 0,
               "state " + std::to_string(s) + " of " + std::to_string(chain.nstates) +
                   " is neither expanded nor a failure or truncation state of " + dicFile +
                   ": the files are not of one run"};
      return -1;
    }
  }
  return 1;
}

// The arcs grouped by source state, after checking each against the states:
// sources are expanded states in the order of the .TUP file, targets are
// states of the chain, "*X" marks every arc into a failure state and none
// into an expanded one.  An arc into a truncation state may lack it: a
// successor found again keeps the number it has, which may be the
// truncation state of another type than the one failing now.
int placeArcs(Chain& chain, const std::vector<RawArc>& raw, const std::string& intFile,
              Error& error) {
  Array1<int> position(chain.nstates, 0);
  for (int i = 1; i <= chain.expansion.size(); ++i) position(chain.expansion(i)) = i;
  int last = 0;
  Array1<char> reached(chain.nstates, 0);
  chain.first.resize(chain.nstates + 1, 0);
  for (const RawArc& r : raw) {
    const auto fail = [&](const std::string& message) {
      error = {intFile, r.line, message};
      return -1;
    };
    const std::string arc =
        "arc " + std::to_string(r.source) + " -> " + std::to_string(r.arc.target);
    if (r.source < 1 || r.source > chain.nstates || r.arc.target < 1 ||
        r.arc.target > chain.nstates) {
      return fail(arc + " names a state outside 1 .. " + std::to_string(chain.nstates));
    }
    if (chain.kind(r.source) != StateKind::Expanded) {
      return fail(arc + " leaves a failure or truncation state");
    }
    if (position(r.source) < last) {
      return fail(arc + " out of the order of expansion of " + chain.model +
                  ".TUP: the files are not of one run");
    }
    last = position(r.source);
    const StateKind to = chain.kind(r.arc.target);
    if (r.arc.marked && to == StateKind::Expanded) {
      return fail(arc +
                  " is marked *X but leads to an expanded state: the files are not of one run");
    }
    if (!r.arc.marked && to == StateKind::Failure) {
      return fail(arc + " leads to a failure state without *X: the files are not of one run");
    }
    // A failure state is numbered by the type of the component whose
    // failure reaches it, and that type's rate name, active or dormant, is
    // the arc's.
    const int t = chain.type(r.arc.target);
    if (to == StateKind::Failure && chain.rateNames(r.arc.rate) != chain.typeNames(t) &&
        chain.rateNames(r.arc.rate) != chain.dormantNames(t)) {
      return fail(arc + " has the rate " + chain.rateNames(r.arc.rate) +
                  ", but FEIDS makes state " + std::to_string(r.arc.target) +
                  " the failure state of type " + std::to_string(t) + " (" + chain.typeNames(t) +
                  "): the files are not of one run");
    }
    reached(r.arc.target) = 1;
    ++chain.first(r.source);
  }
  // Every expanded state but the initial one was found as a successor, so a
  // chain cut short beside the tuples of a complete run is no chain of them.
  for (int i = 1; i <= chain.expansion.size(); ++i) {
    const int s = chain.expansion(i);
    if ((s == 1) == (reached(s) == 1)) {
      error = {
          intFile, 0,
          (s == 1 ? std::string("an arc leads back to the initial state 1")
                  : "no arc leads to state " + std::to_string(s) + " of " + chain.model + ".TUP") +
              ": the files are not of one run"};
      return -1;
    }
  }
  // Counts to starting positions, then each arc into its place.
  int start = 1;
  for (int s = 1; s <= chain.nstates + 1; ++s) {
    const int count = s <= chain.nstates ? chain.first(s) : 0;
    chain.first(s) = start;
    start += count;
  }
  chain.arcs.resize(static_cast<int>(raw.size()));
  Array1<int> fill(chain.nstates, 0);
  for (const RawArc& r : raw) {
    chain.arcs(chain.first(r.source) + fill(r.source)) = r.arc;
    ++fill(r.source);
  }
  return 1;
}

}  // namespace

std::vector<std::string_view> blankWords(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool toInt(std::string_view word, int& value) {
  const char* end = word.data() + word.size();
  const auto r = std::from_chars(word.data(), end, value);
  return r.ec == std::errc() && r.ptr == end;
}

bool readDouble(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size();
}

DictionaryEntries dictionaryEntries(std::string_view text) {
  DictionaryEntries out{{""}, {""}};
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    int type = 0;
    std::string word;
    std::string name;
    if (!(words >> type >> word >> name) || type < 1 || type > MAXBAS) continue;
    // Every entry and form has its description on the next line, which
    // may begin with a number too.
    std::string description;
    if (std::getline(in, description)) {
      const std::size_t first = description.find_first_not_of(' ');
      const std::size_t last = description.find_last_not_of(' ');
      description = first == std::string::npos ? "" : description.substr(first, last - first + 1);
    }
    const auto t = static_cast<std::size_t>(type);
    if (out.names.size() > t && !out.names[t].empty()) continue;  // a form of the type
    out.names.resize(std::max(out.names.size(), t + 1));
    out.labels.resize(out.names.size());
    out.names[t] = name;
    if (description.size() >= 2 && description.front() == '"' && description.back() == '"') {
      description = description.substr(1, description.size() - 2);
    }
    out.labels[t] = description.empty() ? word : description;
  }
  return out;
}

bool readsAsGenerationDoes(const std::function<int()>& routine, const std::string& file,
                           const std::string& what, Error& error) {
  std::ostringstream messages;
  std::ostream* screen = attachedOutput(SCRUNT);
  attachOutput(SCRUNT, &messages);
  const int status = routine();
  attachOutput(SCRUNT, screen);
  if (status == 1) return true;
  std::string text = messages.str();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  error = {file, 0, "not " + what + " the generation reads:\n" + text};
  return false;
}

std::string unreadable(const std::string& file) {
  std::error_code ec;
  const auto type = std::filesystem::status(file, ec).type();
  if (type == std::filesystem::file_type::directory) return "is a directory";
  if (!fileExists(file) && type == std::filesystem::file_type::not_found) return "not found";
  std::ifstream in(file);
  if (in) return "cannot be read";
  std::string why = std::strerror(errno);
  if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
  return why;
}

std::string quoteText(std::string_view text) {
  text = text.substr(0, text.find_last_not_of(' ') + 1);
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  out += text;
  out += '\'';
  return out;
}

std::string Chain::rateExpression(const Arc& arc) const {
  std::string text = arc.multiplier > 1 ? std::to_string(arc.multiplier) + "*" : "";
  return text + rateNames(arc.rate);
}

std::string Chain::rateText(const Arc& arc) const {
  return arc.marked ? rateExpression(arc) + "*X" : rateExpression(arc);
}

void CapturedChain::state(int NUMBER, CIntTab UNITS, int NBASIC) {
  nbasic = NBASIC;
  order.push_back(NUMBER);
  if (progress && order.size() % 4096 == 0) progress(order.size());
  for (int b = 1; b <= NBASIC; ++b) slots.push_back(UNITS(b));
}

void CapturedChain::arc(int SOURCE, int TARGET, long long MULT, int TYPE, bool DORMANT,
                        bool MARKED) {
  arcs.push_back(Taken{SOURCE, TARGET, MULT, TYPE, DORMANT, MARKED});
}

bool readChain(std::string_view model, Chain& chain, Error& error, CapturedChain* captured) {
  chain = Chain();
  chain.model = std::string(model);
  const std::string dicFile = chain.model + ".DIC";
  const std::string tupFile = chain.model + ".TUP";
  const std::string intFile = chain.model + ".INT";
  if (chain.model.empty() || chain.model.find_first_of(" /") != std::string::npos) {
    error = quoteText(chain.model) + " is not a model name";
    return false;
  }
  int feidln = 0;
  if (readTypes(dicFile, chain, feidln, error) != 1) return false;
  if (feidln == 0) {
    error = {dicFile, 0, "has no FEIDS line: no generation of the model has succeeded"};
    return false;
  }
  bool taids = false;
  if (readStateLines(dicFile, feidln, chain, taids, error) != 1) return false;
  Tuples tup;
  if (captured == nullptr) {
    if (readTuples(tupFile, chain.nbasic, tup, error) != 1) return false;
  } else if (captured->nstates == 0) {
    error = {tupFile, 0, "the generation did not finish"};
    return false;
  } else {
    chain.nbasic = captured->nbasic;
    tup = Tuples{std::move(captured->order), std::move(captured->slots), captured->nstates};
  }
  std::vector<RawArc> raw;
  if (readArcs(intFile, chain, raw, error, captured) != 1) return false;
  if (chain.truncated() != taids) {
    error = {dicFile, 0,
             (chain.truncated() ? "no TAIDS line, but " + intFile + " is truncated"
                                : "a TAIDS line, but " + intFile + " is not truncated") +
                 ": the files are not of one run"};
    return false;
  }
  return placeStates(chain, tup, tupFile, dicFile, error) == 1 &&
         placeArcs(chain, raw, intFile, error) == 1;
}

}  // namespace molvex
