#include "cli/dft.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <optional>
#include <set>
#include <sstream>

#include "chain/product.h"
#include "chain/rates.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "ftinput/cvrtxt.h"
#include "galileo/galileo.h"
#include "importance/mixture.h"
#include "importance/parts.h"
#include "main/files.h"
#include "util/units.h"

namespace molvex {
namespace {

namespace fs = std::filesystem;

// The most draws (prob=, pdep=) a model may make: one chain per outcome.
constexpr std::size_t mostDraws = 12;

// What the reader or the translation said, placed in `file`.
Error inFile(Error said, const std::string& file) {
  said.file = file;
  return said;
}

// What "-" stands for as a file: the standard input.
constexpr std::string_view standardInput = "-";

// The model's file as the rates file's heading and the report name it.
std::string sourceName(const std::string& file, bool path) {
  if (file == standardInput) return "the standard input";
  return path ? file : fs::path(file).filename().string();
}

// Where run's rates come from: the .dft file (or the rates file --keep
// wrote from it), and the rates file over it.
std::string ratesSource(const RunOptions& o, const std::string& kept = "") {
  return (kept.empty() ? sourceName(o.file, true) : kept) +
         (o.rates.empty() ? "" : ", over them " + o.rates);
}

// The text of the .dft file, or of the standard input for "-".  Returns 0,
// or 1 after the message.
int readText(std::string_view command, const std::string& file, std::string& text) {
  std::ifstream in;
  if (file != standardInput) {
    std::error_code ec;
    in.open(file, std::ios::binary);
    if (!fs::is_regular_file(file, ec) || !in) return fail(command, file + ": " + unreadable(file));
  }
  std::istream& from = file == standardInput ? std::cin : in;
  text.assign(std::istreambuf_iterator<char>(from), std::istreambuf_iterator<char>());
  return from.bad() ? fail(command, file + ": cannot be read") : 0;
}

// Reads the .dft file.  Returns 0, or 1 after the message.
int readFile(std::string_view command, const std::string& file, DftModel& model) {
  std::string text;
  if (readText(command, file, text) != 0) return 1;
  Error error;
  return readDft(text, model, error) ? 0 : fail(command, inFile(error, file));
}

// Translates the model of `file`, printing the warnings not in `said` yet
// (and adding them there).  Returns 0, or 1 after the message.
int translateModel(std::string_view command, const std::string& file, const DftModel& model,
                   DftFiles& files, std::set<std::string>& said, bool limits = true) {
  Error error;
  if (!translateDft(model, sourceName(file, false), files, error, limits)) {
    return fail(command, inFile(error, file));
  }
  for (Error w : files.warnings) {
    w.text = "warning: " + w.text;
    const std::string line = messageLine(command, inFile(w, file));
    if (said.insert(line).second) tell(line);
  }
  return 0;
}

// The parts that have a chain of their own.
int countOwn(const DftModules& modules) {
  int own = 0;
  for (std::size_t p = 0; p < modules.same.size(); ++p) {
    own += modules.same[p] == static_cast<int>(p) ? 1 : 0;
  }
  return own;
}

// The node of the tree that stands for part `p`.
int partNode(const DftModules& modules, std::size_t p) {
  for (std::size_t i = 0; i < modules.tree.size(); ++i) {
    const StaticNode& node = modules.tree[i];
    if (node.kind == StaticNode::Kind::part && static_cast<std::size_t>(node.part) == p) {
      return static_cast<int>(i);
    }
  }
  return 0;
}

int translateFile(std::string_view command, const std::string& file, DftFiles& files) {
  DftModel model;
  std::set<std::string> said;
  return readFile(command, file, model) != 0 ? 1
                                             : translateModel(command, file, model, files, said);
}

// Writes NAME.TXT, NAME.DIC and NAME.RAT into `dir`; without `force` none
// of them may exist already, so that no file of the user's is lost.
int writeModel(std::string_view command, const DftFiles& files, const fs::path& dir,
               const std::string& model, bool force) {
  const std::vector<std::pair<std::string, const std::string*>> parts = {
      {".TXT", &files.txt}, {".DIC", &files.dic}, {".RAT", &files.rat}};
  std::vector<Output> outputs;
  for (const auto& part : parts) {
    const std::string path = (dir / (model + part.first)).string();
    std::error_code ec;
    if (!force && fs::exists(fs::symlink_status(path, ec))) {
      return fail(command, path + " exists already (--force writes over it)");
    }
    const std::string* text = part.second;
    outputs.push_back({path, [text](std::ostream& out) { out << *text; }});
  }
  return writeFiles(command, outputs);
}

std::string modelFor(const std::string& given, const std::string& file) {
  return given.empty() ? defaultModelName(file) : given;
}

// The sets of the command line, a parameter given by its name in the .dft
// file as its rate name.
std::vector<std::string> mappedSets(std::vector<std::string> sets,
                                    const std::map<std::string, std::string>& parameters) {
  for (std::string& set : sets) {
    const std::size_t equals = set.find('=');
    const auto rate =
        equals == std::string::npos ? parameters.end() : parameters.find(set.substr(0, equals));
    if (rate != parameters.end()) set = rate->second + set.substr(equals);
  }
  return sets;
}

// The values run takes over the model's own: its rates file's, then its
// --set's.
std::vector<std::string> allSets(const RunOptions& o) {
  std::vector<std::string> sets = o.fileSets;
  sets.insert(sets.end(), o.sets.begin(), o.sets.end());
  return sets;
}

// Rate names of one value are one rate to the symmetries; a name the command
// line sets is one of its own, as it may be one event's, and so is the
// start's (`own`), as the chain is solved from where the start leads: no
// symmetry may move it.
RateClass rateClasses(const std::string& ratesFile, const std::vector<std::string>& sets,
                      const std::string& own) {
  RateTable table;
  Error error;
  if (!readRates(ratesFile, table, error)) return nullptr;
  std::map<std::string, int, std::less<>> classes;
  std::map<double, int> byValue;
  for (const auto& [name, value] : table.value) {
    classes[name] = byValue.emplace(value, static_cast<int>(byValue.size()) + 1).first->second;
  }
  int next = static_cast<int>(byValue.size());
  for (const std::string& set : sets) classes[set.substr(0, set.find('='))] = ++next;
  if (!own.empty()) classes[own] = ++next;
  return [classes](std::string_view name) {
    const auto found = classes.find(name);
    return found == classes.end() ? 0 : found->second;
  };
}

// Types that symmetries map onto each other fail with the same probability,
// as the chain starts in a state every symmetry keeps (the start's own rate
// is one no symmetry moves): the chain folded by them holds their sum, which
// each of them gets its share of, and the failure state of any of them.
void shareOverOrbits(const Symmetries& SY, Chain& chain, Report& report) {
  report.symmetries = SY.NSYM;
  if (SY.NSYM == 0) return;
  const int n = std::min(chain.ntypes, SY.ORBIT.size());
  std::vector<int> size(static_cast<std::size_t>(n) + 1, 0);
  for (int t = 1; t <= n; ++t) ++size[static_cast<std::size_t>(SY.ORBIT(t))];
  for (int t = 1; t <= n; ++t) {
    const int o = SY.ORBIT(t);
    if (chain.failst(o) == 0) chain.failst(o) = chain.failst(t);
  }
  for (int t = 1; t <= n; ++t) chain.failst(t) = chain.failst(SY.ORBIT(t));
  for (Unreliability& u : report.unreliability) {
    std::vector<double> sum(size.size(), 0.0);
    for (int t = 1; t <= n; ++t) sum[static_cast<std::size_t>(SY.ORBIT(t))] += u.byType(t);
    for (int t = 1; t <= n; ++t) {
      const auto o = static_cast<std::size_t>(SY.ORBIT(t));
      u.byType(t) = sum[o] / size[o];
    }
  }
}

// What a generation in memory needs undone however it ends: the files in
// memory and the sink of its chain.
struct InMemory {
  InMemory(std::map<std::string, std::string>& files, CapturedChain& captured) {
    useMemoryFiles(&files);
    CHNSNK = &captured;
  }
  ~InMemory() {
    useMemoryFiles(nullptr);
    CHNSNK = nullptr;
  }
  InMemory(const InMemory&) = delete;
  InMemory& operator=(const InMemory&) = delete;
};

// What run asks of solve: its figures, the plot drawn apart (plotRun) into
// the user's directory.
SolveOptions solveOptions(const RunOptions& o) {
  SolveOptions solve;
  static_cast<FigureOptions&>(solve) = o;
  solve.plot.clear();
  solve.command = "run";
  return solve;
}

// The plot of run's --plot, named as the user named it from `from`, the
// directory run was started in.
int plotRun(const RunOptions& o, const fs::path& from, SolveOptions solve,
            const SolvedChain& solved, const Report& report) {
  solve.plot = o.plot.empty() || from.empty() ? o.plot : (from / o.plot).string();
  std::vector<double> times;
  if (parseTimes(solve, times) != 0) return 1;
  if (drawPlot(solve, solved, report.figures, times) != 0) return 1;
  return drawImportance(solve, report);
}

// Generates and solves the model of `files` into `report` (its chain in
// `solved`), the generation's messages on the error unit so that the screen
// holds the report alone.  With --keep the model's files and the chain's are
// written into `dir`, as generate writes them; otherwise the model is in
// memory and the generation hands its chain to the solver as it goes.
int generateAndSolve(const RunOptions& o, const fs::path& dir, const std::string& model,
                     const DftFiles& files, SolvedChain& solved, Report& report, bool part,
                     bool fold = true) {
  const bool keep = !o.keep.empty();
  std::error_code ec;
  const fs::path back = keep ? fs::current_path(ec) : fs::path();
  if (ec) return fail("run", "cannot tell the current directory");
  if (keep) {
    fs::create_directories(dir, ec);
    if (writeModel("run", files, dir, model, o.force) != 0) return 1;
    fs::current_path(dir, ec);
    if (ec) return fail("run", dir.string() + ": cannot be entered");
  }
  std::map<std::string, std::string> memory = {
      {model + ".TXT", files.txt}, {model + ".DIC", files.dic}, {model + ".RAT", files.rat}};
  CapturedChain captured;
  Progress progress(progressStream(o.quiet));
  captured.progress = [&](std::size_t states) {
    progress.show(model + ": " + std::to_string(states) + " states generated");
  };
  std::optional<InMemory> inMemory;
  if (!keep) inMemory.emplace(memory, captured);
  const std::map<std::string, std::string>& parameters = files.parameterRates;
  std::ostream* screen = attachedOutput(SCRUNT);
  attachOutput(SCRUNT, attachedOutput(errorUnit));
  GenerateOptions generate;
  static_cast<ChainOptions&>(generate) = o;
  generate.model = model;
  if (!o.whole && (!fold || !o.plot.empty() || o.importance)) {
    // Every rate its own: no symmetry folds states, dead spare modules do.
    // (The plot draws each type's curve from the chain's own failure states, the
    // measures each component's from its own arcs.)
    generate.symmetry = [](std::string_view) { return 0; };
  } else if (!o.whole) {
    generate.symmetry =
        rateClasses(model + ".RAT", mappedSets(allSets(o), parameters), files.startRate);
  }
  int status = generateCommand(generate);
  progress.clear();
  attachOutput(SCRUNT, screen);
  if (status != 0 && STAFUL != 0) {
    fail("run", "the chain of " + model + " has more than " + std::to_string(o.maxStates) +
                    " states: --max-states N raises the limit (to " +
                    std::to_string(mostStateLimit) +
                    " at most), --trunc N cuts the chain after N failures into bounds");
  } else if (status != 0) {
    fail("run", "the generation of " + model + " failed");
  } else {
    SolveOptions solve = solveOptions(o);
    solve.model = model;
    solve.sets = mappedSets(o.sets, parameters);
    solve.fileSets = mappedSets(o.fileSets, parameters);
    solve.part = part;
    status = solveModel(solve, files.startRate, solved, report, keep ? nullptr : &captured);
    if (status == 0) shareOverOrbits(SYMRES, solved.chain, report);
    // The plot goes to the user's directory, not to the files in memory.
    inMemory.reset();
    if (status == 0 && !o.plot.empty() && !part) status = plotRun(o, back, solve, solved, report);
    // The rates are the model's own; a kept rates file is where the user can
    // change them.
    report.ratesFile = ratesSource(o, keep ? (dir / (model + ".RAT")).string() : "");
  }
  if (keep) fs::current_path(back, ec);
  return status;
}

// A model of draws: a chain for each outcome, in a directory of its own below
// `dir`, the figures their mixture.
int runDrawn(const RunOptions& o, const DftModel& model, const fs::path& dir,
             const std::string& name) {
  const std::vector<DftDraw> draws = dftDraws(model);
  if (draws.size() > mostDraws) {
    return fail("run", o.file + ": " + std::to_string(draws.size()) +
                           " draws at the start (prob=, pdep=) make 2^" +
                           std::to_string(draws.size()) + " chains, more than the " +
                           std::to_string(1UL << mostDraws) + " molvex run solves");
  }
  // The start's own failure is no failure of the model: the bound counts
  // those after it.
  RunOptions drawnOptions = o;
  if (o.truncation > 0 && o.truncation < std::numeric_limits<int>::max()) {
    ++drawnOptions.truncation;
  }
  Report mixture;
  mixture.draws = static_cast<int>(draws.size());
  SolvedChain first;  // the chain the report shows; the others are let go when solved
  std::set<std::string> said;
  std::vector<Outcome> outcomes;
  std::string startRate;
  for (unsigned long outcome = 0; outcome < (1UL << draws.size()); ++outcome) {
    DftModel drawn;
    double weight = 0.0;
    drawnModel(model, draws, outcome, drawn, weight);
    if (weight == 0.0) continue;
    DftFiles files;
    SolvedChain other;
    SolvedChain& chain = mixture.chain == nullptr ? first : other;
    Report part;
    if (translateModel("run", o.file, drawn, files, said) != 0 ||
        generateAndSolve(drawnOptions, dir / std::to_string(outcome), name, files, chain, part,
                         false) != 0) {
      return 1;
    }
    addToMixture(mixture, part, weight);
    if (o.importance) {
      outcomes.push_back({weight, std::move(*part.importance), part.figures.mttfLower,
                          part.figures.mttfUpper, {}});
      for (const Unreliability& u : part.unreliability) {
        outcomes.back().unreliability.emplace_back(u.lower, u.upper);
      }
      startRate = files.startRate;
    }
    // The breakdown shows each type that fails in any of the chains.
    for (int t = 1; t <= first.chain.ntypes; ++t) {
      if (first.chain.failst(t) == 0) first.chain.failst(t) = chain.chain.failst(t);
    }
  }
  first.chain.ntrunc = o.truncation;
  if (o.importance) {
    mixture.importance =
        mixtureMeasures(outcomes, startRate, mixture.figures, mixture.unreliability);
  }
  return printReport("run", mixture, o.json, o.csv);
}

void noteFolds(const std::vector<DftFold>& folds, Report& report) {
  for (const DftFold& f : folds) report.folded.emplace_back(f.gate, f.events);
}

// The figures of the top of `modules` into `report`, from those of its parts
// in `reports` and `chains` (each part's in that of the first part the same
// as it), and each part's chain and bounds into `parts` and `bounds`.
// Returns 0, or 1 after the message.
int combineParts(const RunOptions& o, const DftModules& modules,
                 const std::vector<SolvedChain>& chains, const std::vector<Report>& reports,
                 Report& report, std::vector<PartChain>& parts, std::vector<PartBounds>& bounds) {
  const std::size_t n = modules.parts.size();
  const auto own = [&](std::size_t p) { return static_cast<std::size_t>(modules.same[p]); };
  std::vector<double> lower(n);
  std::vector<double> upper(n);
  const auto top = [&](const auto& value, double& low, double& high) {
    for (std::size_t p = 0; p < n; ++p) value(own(p), lower[p], upper[p]);
    low = topFailure(modules.tree, lower);
    high = topFailure(modules.tree, upper);
  };
  for (const Report& r : reports) {
    if (report.unsolved.empty()) report.unsolved = r.unsolved;
  }
  Figures& f = report.figures;
  top(
      [&](std::size_t p, double& l, double& u) {
        l = reports[p].figures.pFailLower;
        u = reports[p].figures.pFailUpper;
      },
      f.pFailLower, f.pFailUpper);
  report.unreliability.resize(reports[own(0)].unreliability.size());
  for (std::size_t j = 0; j < report.unreliability.size(); ++j) {
    Unreliability& u = report.unreliability[j];
    u.time = reports[own(0)].unreliability[j].time;
    top(
        [&](std::size_t p, double& l, double& h) {
          l = reports[p].unreliability[j].lower;
          h = reports[p].unreliability[j].upper;
          u.terms = std::max(u.terms, reports[p].unreliability[j].terms);
        },
        u.lower, u.upper);
  }
  bounds.assign(n, PartBounds());
  parts.assign(n, PartChain());
  std::vector<double> stuck(n);
  for (std::size_t p = 0; p < n; ++p) {
    const SolvedChain& c = chains[own(p)];
    parts[p] = {&c.chain, &c.rate, &c.order, c.initial};
    const Figures& g = reports[own(p)].figures;
    stuck[p] = g.pStuck;
    bounds[p] = own(p) != p ? bounds[own(p)]
                            : PartBounds{fastestExit(c.chain, c.rate),
                                         longestMeanTime(c.chain, c.rate, c.order), g.pStuck,
                                         g.pFailUpper - g.pFailLower};
    ReportPart part;
    part.root = modules.tree[static_cast<std::size_t>(partNode(modules, p))].name;
    part.states = c.chain.nstates;
    for (const Unreliability& u : reports[own(p)].unreliability) {
      part.lower.push_back(u.lower);
      part.upper.push_back(u.upper);
    }
    if (own(p) != p) part.sameAs = report.parts[own(p)].root;
    report.parts.push_back(part);
    if (own(p) != p) continue;
    f.operational += g.operational;
    f.failure += g.failure;
    f.truncation += g.truncation;
    f.transitions += g.transitions;
    report.symmetries += reports[p].symmetries;
  }
  CombinedMttf mttf;
  Error error;
  if (!combinedMttf(modules.tree, bounds, parts, partSweep(parts), mttf, error)) {
    return fail("run", "the mean time to failure: " + error.message());
  }
  // What the report says of an infinite mean time: the top can end working.
  if (std::isinf(mttf.lower)) {
    f.pStuck = std::max(topReliability(modules.tree, stuck), std::numeric_limits<double>::min());
  }
  report.chains = countOwn(modules);
  f.mttfLower = mttf.lower;
  f.mttfUpper = mttf.upper;
  report.mttfError = mttf.relativeError;
  report.ratesFile = ratesSource(o);
  report.epsilon = o.epsilon;
  return 0;
}

// Element from[i] of a part's translation `fromFiles` as the whole model
// (`whole`) names to[i], with its rates: the part's own rate names can differ
// from the whole's, which tells apart names that read alike in any part.
ModelNames modelNames(const std::vector<std::string>& from, const DftFiles& fromFiles,
                      const std::vector<std::string>& to, const DftFiles& whole) {
  ModelNames names;
  for (std::size_t i = 0; i < from.size() && i < to.size(); ++i) {
    names.labels.emplace(from[i], to[i]);
    const auto a = fromFiles.eventRates.find(from[i]);
    const auto b = whole.eventRates.find(to[i]);
    if (a == fromFiles.eventRates.end() || b == whole.eventRates.end()) continue;
    for (std::size_t k = 0; k < a->second.size() && k < b->second.size(); ++k) {
      names.rates.emplace(a->second[k], b->second[k]);
    }
  }
  return names;
}

// The measures of each component of a model of parts, from each part's
// (of its chain, the first part's the same as it) into `report`, named as
// in the whole model (`whole`).  Returns 0, or 1 after the message.
int measureParts(const RunOptions& o, const DftModules& modules, const DftFiles& whole,
                 const std::vector<DftFiles>& files, const std::vector<PartChain>& chains,
                 const std::vector<PartBounds>& bounds, const std::vector<Report>& reports,
                 Report& report) {
  std::vector<MeasuredPart> parts(modules.parts.size());
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const auto own = static_cast<std::size_t>(modules.same[p]);
    parts[p] = {chains[p], bounds[p], &*reports[own].importance, &reports[own].unreliability,
                modelNames(dftShapeOrder(modules.parts[own]), files[own],
                           dftShapeOrder(modules.parts[p]), whole)};
  }
  std::vector<double> times;
  if (parseTimes(solveOptions(o), times) != 0) return 1;
  report.importance =
      partsMeasures(modules.tree, parts, times, o.epsilon, report.figures, report.unreliability);
  return 0;
}

// A model of independent parts: a chain for each part that is not the same
// as one before it, each in a directory of its own below `dir`.
int runParts(const RunOptions& o, const DftModules& modules, const DftFiles& whole,
             const std::vector<DftFold>& folds, const fs::path& dir, const std::string& name) {
  const std::size_t n = modules.parts.size();
  std::vector<SolvedChain> chains(n);
  std::vector<Report> reports(n);
  std::vector<DftFiles> files(n);
  std::set<std::string> said;
  for (std::size_t p = 0; p < n; ++p) {
    if (modules.same[p] != static_cast<int>(p)) continue;
    if (translateModel("run", o.file, modules.parts[p], files[p], said) != 0 ||
        generateAndSolve(o, dir / std::to_string(p + 1), name, files[p], chains[p], reports[p],
                         true) != 0) {
      return 1;
    }
  }
  // A set that names a rate of no part names none of the model.
  for (const std::string& set : o.sets) {
    bool known = false;
    for (std::size_t p = 0; p < n && !known; ++p) {
      if (modules.same[p] != static_cast<int>(p)) continue;
      const std::string mapped = mappedSets({set}, files[p].parameterRates)[0];
      const auto& names = chains[p].chain.rateNames;
      known =
          std::find(names.begin(), names.end(), mapped.substr(0, mapped.find('='))) != names.end();
    }
    if (!known) {
      return fail("run", "--set " + quoteText(set) +
                             ": not NAME=VALUE with a parameter or rate name of " + o.file);
    }
  }
  Chain top;
  top.model = name;
  for (const SolvedChain& c : chains) top.ntrunc = std::max(top.ntrunc, c.chain.ntrunc);
  Report report;
  report.chain = &top;
  noteFolds(folds, report);
  std::vector<PartChain> parts;
  std::vector<PartBounds> bounds;
  if (combineParts(o, modules, chains, reports, report, parts, bounds) != 0) return 1;
  if (o.importance && measureParts(o, modules, whole, files, parts, bounds, reports, report) != 0) {
    return 1;
  }
  return printReport("run", report, o.json, o.csv);
}

// Every permutation of the types that the symmetries of the last generation
// make together, when they are at most MAXGRP; else the symmetries alone,
// which fold fewer states.
std::vector<std::vector<int>> typeGroup(const Symmetries& SY, int ntypes) {
  std::vector<std::vector<int>> generators;
  for (int g = 0; g < SY.NSYM; ++g) {
    std::vector<int> perm(static_cast<std::size_t>(ntypes) + 1, 0);
    for (int t = 1; t <= ntypes; ++t) perm[static_cast<std::size_t>(t)] = SY.TYPES(g * MAXBAS + t);
    generators.push_back(std::move(perm));
  }
  std::vector<int> identity(static_cast<std::size_t>(ntypes) + 1);
  for (int t = 0; t <= ntypes; ++t) identity[static_cast<std::size_t>(t)] = t;
  std::set<std::vector<int>> seen = {identity};
  std::vector<std::vector<int>> group = {identity};
  for (std::size_t i = 0; i < group.size(); ++i) {
    for (const std::vector<int>& g : generators) {
      std::vector<int> next(identity.size());
      for (std::size_t t = 0; t < next.size(); ++t)
        next[t] = g[static_cast<std::size_t>(group[i][t])];
      if (!seen.insert(next).second) continue;
      if (group.size() >= static_cast<std::size_t>(MAXGRP)) return generators;
      group.push_back(std::move(next));
    }
  }
  group.erase(group.begin());
  return group;
}

// Where each type of the first part's chain stands in the whole model, for
// each part: the whole's type of the event in the same place of that part's
// statements (0 for the unit of a spare module, which is no event and never
// fails by itself).  Empty when an event cannot be followed.
std::vector<std::vector<int>> wholeTypes(const DftSharing& sharing, const DftFiles& first,
                                         const Chain& chain, const DftFiles& whole) {
  std::map<int, std::size_t> placeOf;  // a type of the part -> its event's place
  const DftModel& part = sharing.parts[0];
  for (std::size_t k = 0; k < part.elements.size(); ++k) {
    const auto type = first.eventTypes.find(part.elements[k].name);
    if (type != first.eventTypes.end()) placeOf.emplace(type->second, k);
  }
  std::vector<std::vector<int>> map(
      sharing.parts.size(), std::vector<int>(static_cast<std::size_t>(chain.ntypes) + 1, 0));
  for (std::size_t p = 0; p < sharing.parts.size(); ++p) {
    for (int t = 1; t <= chain.ntypes; ++t) {
      const auto k = placeOf.find(t);
      if (k == placeOf.end() && chain.failst(t) == 0) continue;
      if (k == placeOf.end()) return {};
      const auto type = whole.eventTypes.find(sharing.parts[p].elements[k->second].name);
      if (type == whole.eventTypes.end()) return {};
      map[p][static_cast<std::size_t>(t)] = type->second;
    }
  }
  return map;
}

// The by-type figures of the first part's types, shared already among the
// types the part's symmetries map onto each other, as the whole's: each
// part has the same chance to be the one that fails.
void wholeBreakdown(const std::vector<std::vector<int>>& map, const Chain& product, Chain& shown,
                    Report& report) {
  const double parts = static_cast<double>(map.size());
  for (Unreliability& u : report.unreliability) {
    Array1<double> byType(shown.ntypes, 0.0);
    for (const std::vector<int>& types : map) {
      for (int t = 1; t <= product.ntypes; ++t) {
        const int type = types[static_cast<std::size_t>(t)];
        if (type != 0) byType(type) += u.byType(t) / parts;
      }
    }
    u.byType = std::move(byType);
  }
  for (const std::vector<int>& types : map) {
    for (int t = 1; t <= product.ntypes; ++t) {
      const int type = types[static_cast<std::size_t>(t)];
      if (type != 0 && product.failst(t) != 0) shown.failst(type) = 1;
    }
  }
}

// The types of the part's chain that are shared events.
std::vector<char> sharedTypes(const DftSharing& sharing, const DftFiles& first,
                              const Chain& chain) {
  std::vector<char> shared(static_cast<std::size_t>(chain.ntypes) + 1, 0);
  for (const std::string& event : sharing.shared) {
    const int type = first.eventTypes.at(event);
    if (type >= 1 && type <= chain.ntypes) shared[static_cast<std::size_t>(type)] = 1;
  }
  return shared;
}

// What the report shows of the whole model: its types by their rate names
// and labels.
void shownTypes(const DictionaryEntries& entries, Chain& shown) {
  shown.ntypes = static_cast<int>(entries.names.size()) - 1;
  shown.typeNames.resize(shown.ntypes);
  shown.typeLabels.resize(shown.ntypes);
  for (int t = 1; t <= shown.ntypes; ++t) {
    shown.typeNames(t) = entries.names[static_cast<std::size_t>(t)];
    shown.typeLabels(t) = entries.labels[static_cast<std::size_t>(t)];
  }
  shown.failst.resize(shown.ntypes, 0);
}

// The whole's chain composed from the part's, solved into `report`.
// Returns 0 or 1 after the message, or -1 where the composition does not
// hold for the part's chain.
int solveShared(const RunOptions& o, const SharedParts& in, SolvedChain& product, Report& report) {
  Error error;
  Composition composed = Composition::refused;
  try {
    composed = productChain(in, product.chain, product.rate, error);
  } catch (const std::bad_alloc&) {
    return fail("run", "no memory for the chain of the " + std::to_string(in.count) + " parts");
  }
  if (composed == Composition::tooLarge) {
    return fail("run", "the chain of the " + std::to_string(in.count) +
                           " parts has more states than " + std::to_string(in.maxStates) +
                           " (--max-states)");
  }
  if (composed != Composition::composed) return -1;
  if (!topologicalOrder(product.chain, product.order, error)) return fail("run", error);
  const SolveOptions solve = solveOptions(o);
  std::vector<double> times;
  if (parseTimes(solve, times) != 0 || solveChain(solve, times, product, report) != 0) return 1;
  return 0;
}

// The names of the elements of a part's statements, in their order.
std::vector<std::string> elementNames(const DftModel& part) {
  std::vector<std::string> names;
  for (const DftElement& e : part.elements) names.push_back(e.name);
  return names;
}

// The types of each component of the composed chain: those of its own rate.
std::vector<std::vector<int>> componentTypes(const Chain& chain,
                                             const std::vector<Component>& components) {
  std::vector<std::vector<int>> types;
  for (const Component& c : components) {
    types.emplace_back();
    for (int t = 1; t <= chain.ntypes; ++t) {
      if (chain.typeNames(t) == chain.rateNames(c.names.front())) types.back().push_back(t);
    }
  }
  return types;
}

// The class of each type under the permutations: the types they map onto
// each other.
std::vector<int> typeClasses(const std::vector<std::vector<int>>& permutations, int ntypes) {
  std::vector<int> root(static_cast<std::size_t>(ntypes) + 1);
  for (int t = 0; t <= ntypes; ++t) root[static_cast<std::size_t>(t)] = t;
  const auto find = [&](int t) {
    while (root[static_cast<std::size_t>(t)] != t) t = root[static_cast<std::size_t>(t)];
    return t;
  };
  for (const std::vector<int>& g : permutations) {
    for (int t = 1; t <= ntypes; ++t) {
      root[static_cast<std::size_t>(find(t))] = find(g[static_cast<std::size_t>(t)]);
    }
  }
  for (int t = 0; t <= ntypes; ++t) root[static_cast<std::size_t>(t)] = find(t);
  return root;
}

// The figures with a shared event perfect: its rates at 0 in the part, the
// whole composed again, folded by the symmetries that keep the event.
std::string perfectShared(const SharedParts& in, const std::vector<int>& types, const Component& c,
                          const std::vector<double>& times, double epsilon, Figures& figures,
                          std::vector<Unreliability>& u) {
  SharedParts kept = in;
  kept.symmetries.clear();
  for (const std::vector<int>& g : in.symmetries) {
    bool keeps = true;
    for (int t : types) keeps = keeps && g[static_cast<std::size_t>(t)] == t;
    if (keeps) kept.symmetries.push_back(g);
  }
  const Array1<double> rate = withoutRates(*in.part, *in.rate, c.names);
  kept.rate = &rate;
  SolvedChain perfect;
  Error error;
  if (productChain(kept, perfect.chain, perfect.rate, error) != Composition::composed ||
      !topologicalOrder(perfect.chain, perfect.order, error)) {
    return "the parts with it perfect do not compose: " + error.message();
  }
  perfectFigures(perfect.chain, perfect.rate, perfect.order, perfect.initial, times, epsilon,
                 stepLimit(perfect.chain), figures, u);
  return "";
}

// The measures of each element of a model of parts that share triggers,
// from the composed chain: a component of the part stands for its element
// in every part, a shared event for itself, and the part's symmetries fold
// the chain.  Returns 0, or 1 after the message.
int measureShared(const RunOptions& o, const DftSharing& sharing, const DftFiles& first,
                  const DftFiles& whole, const SharedParts& in, const SolvedChain& product,
                  Report& report) {
  std::vector<double> times;
  if (parseTimes(solveOptions(o), times) != 0) return 1;
  const Chain& chain = product.chain;
  const std::vector<Component> components = chainComponents(chain, product.rate);
  const std::vector<std::vector<int>> types = componentTypes(chain, components);
  const std::vector<int> classOf = typeClasses(in.symmetries, chain.ntypes);
  const auto shared = [&](const std::vector<int>& of) {
    return !of.empty() && in.shared[static_cast<std::size_t>(of.front())] != 0;
  };
  std::map<std::string, std::size_t> index;  // own rate name -> component
  for (std::size_t i = 0; i < components.size(); ++i) {
    index.emplace(chain.rateNames(components[i].names.front()), i);
  }
  Lumping lumping;
  lumping.orbit = [&](std::size_t i) {
    std::vector<std::size_t> orbit;
    for (std::size_t k = 0; k < components.size(); ++k) {
      bool met = false;
      for (int a : types[i]) {
        for (int b : types[k])
          met = met || classOf[static_cast<std::size_t>(a)] == classOf[static_cast<std::size_t>(b)];
      }
      if (met) orbit.push_back(k);
    }
    return orbit;
  };
  lumping.copies = [&](const Component& c) {
    return shared(types[index.at(chain.rateNames(c.names.front()))]) ? 1 : in.count;
  };
  lumping.perfect = [&](const Component& c, Figures& f, std::vector<Unreliability>& u) {
    const std::vector<int>& of = types[index.at(chain.rateNames(c.names.front()))];
    if (!shared(of)) {
      return "one of " + std::to_string(in.count) +
             " elements in parts the same up to names, which the chain composes: one of them "
             "alone perfect needs the whole model's chain (--whole)";
    }
    return perfectShared(in, of, c, times, o.epsilon, f, u);
  };
  Measures measures =
      measureComponents(chain, product.rate, product.order, product.initial, times, o.epsilon,
                        stepLimit(chain), report.figures, report.unreliability, &lumping);
  std::vector<ComponentMeasures> each;
  for (int p = 0; p < in.count; ++p) {
    // The parts' statements are in the same places.
    const ModelNames names =
        modelNames(elementNames(sharing.parts[0]), first,
                   elementNames(sharing.parts[static_cast<std::size_t>(p)]), whole);
    for (const ComponentMeasures& c : measures.components) {
      if (p == 0 || !shared(types[index.at(c.rateName)])) {
        each.push_back(renamedMeasures(c, names));
      }
    }
  }
  rankComponents(each);
  measures.components = std::move(each);
  report.importance = std::move(measures);
  return 0;
}

// A model of parts that share trigger events: the chain of the first part
// with them, generated twice (folded by its symmetries, to learn them, and
// unfolded), gives the whole's by composition.  Returns 0 or 1 after the
// report or message, or -1, having said nothing, where the composition does
// not hold and the whole's chain must be generated.
int runShared(const RunOptions& o, const DftSharing& sharing, const DftFiles& whole,
              const std::vector<DftFold>& folds, const std::string& name) {
  // The part's warnings are the whole model's, said already.
  DftFiles first;
  Error refused;
  if (!translateDft(sharing.parts[0], sourceName(o.file, false), first, refused)) {
    return -1;
  }
  SolvedChain folded;
  SolvedChain part;
  Report report;
  // The part's own measures are none of the whole's (measureShared).
  RunOptions figures = o;
  figures.importance = false;
  // Unfolded first, so that the symmetries the folded generation finds stay
  // in SYMRES for the breakdown.
  if (generateAndSolve(figures, fs::path(), name, first, part, report, true, false) != 0) return 1;
  if (generateAndSolve(figures, fs::path(), name, first, folded, report, true) != 0) return 1;
  SharedParts in;
  in.symmetries = typeGroup(SYMRES, folded.chain.ntypes);
  const DictionaryEntries names = dictionaryEntries(whole.dic);
  const auto map = wholeTypes(sharing, first, part.chain, whole);
  if (map.empty()) return -1;
  in.part = &part.chain;
  in.rate = &part.rate;
  in.shared = sharedTypes(sharing, first, part.chain);
  in.count = static_cast<int>(sharing.parts.size());
  in.maxStates = o.maxStates;
  in.failing = sharing.kind == StaticNode::Kind::orGate    ? 1
               : sharing.kind == StaticNode::Kind::andGate ? in.count
                                                           : sharing.k;
  report = Report();
  SolvedChain product;
  const int status = solveShared(figures, in, product, report);
  if (status != 0) return status;
  if (o.importance && measureShared(o, sharing, first, whole, in, product, report) != 0) return 1;
  Chain shown;
  shown.model = name;
  shownTypes(names, shown);
  shareOverOrbits(SYMRES, product.chain, report);
  wholeBreakdown(map, product.chain, shown, report);
  report.chain = &shown;
  report.sharedParts = in.count;
  report.sharedEvents = sharing.shared;
  report.ratesFile = ratesSource(o);
  report.epsilon = o.epsilon;
  noteFolds(folds, report);
  return printReport("run", report, o.json, o.csv);
}

}  // namespace

std::string defaultModelName(const std::string& file) {
  if (file == standardInput) return "STDIN";
  std::string name;
  for (char c : fs::path(file).stem().string()) {
    const unsigned char u = static_cast<unsigned char>(c);
    name += std::isalnum(u) && u < 0x80 ? static_cast<char>(std::toupper(u)) : c == '-' ? c : '_';
  }
  name = name.substr(0, MDLNAM);
  // A name that begins with '-' would read as an option on the next command.
  if (!name.empty() && name[0] == '-') name[0] = '_';
  return name.empty() ? "MODEL" : name;
}

bool modelName(const std::string& name) {
  if (name.empty() || name.size() > MDLNAM || name[0] == '-') return false;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!(std::isalnum(u) && u < 0x80) && c != '_' && c != '-') return false;
  }
  return true;
}

int importCommand(const ImportOptions& o) {
  DftFiles files;
  if (translateFile("import", o.file, files) != 0) return 1;
  const std::string model = modelFor(o.model, o.file);
  if (writeModel("import", files, fs::path(), model, o.force) != 0) return 1;
  writeText(SCRUNT, model + ".TXT, " + model + ".DIC and " + model + ".RAT written from " +
                        sourceName(o.file, true) + "\n");
  return 0;
}

namespace {

// The values of a rates file as NAME=VALUE.  Returns 0, or 1 after the
// message.
int readFileSets(const std::string& file, std::vector<std::string>& sets) {
  RateTable table;
  Error error;
  if (!readRates(file, table, error)) return fail("run", error);
  for (const auto& [name, value] : table.value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    sets.push_back(name + "=" + text);
  }
  return 0;
}

}  // namespace

int runDftCommand(const RunOptions& given) {
  RunOptions o = given;
  if (!o.rates.empty() && readFileSets(o.rates, o.fileSets) != 0) return 1;
  DftModel read;
  if (readFile("run", o.file, read) != 0) return 1;
  DftFiles files;
  std::set<std::string> said;
  const bool drawn = !dftDraws(read).empty();
  // The refusals and warnings of the model as written, whatever its parts;
  // only a part must fit one chain.
  if (!drawn && translateModel("run", o.file, read, files, said, o.whole) != 0) return 1;
  DftModel model = read;
  // A rate set on the command line may be one event's: events are then told
  // apart by their names too.
  const bool named = !allSets(o).empty();
  // Each element's measures come from arcs of its own: none is folded into
  // another.
  const std::vector<DftFold> folds =
      drawn || o.whole || o.importance ? std::vector<DftFold>() : foldIdentical(model, named);
  const DftModules modules = drawn || o.whole ? DftModules() : dftModules(model, named);
  const std::string name = defaultModelName(o.file);
  fs::path dir;
  std::error_code ec;
  if (!o.keep.empty()) {
    dir = fs::absolute(o.keep, ec);
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) return fail("run", o.keep + ": cannot be made a directory");
  }
  if (!o.plot.empty() && (drawn || modules.parts.size() > 1)) {
    return fail("run", "--plot draws the curve of one chain, and " + o.file +
                           (drawn ? " is a mixture of chains, one for each outcome of its draws"
                                  : " is solved by its independent parts: --whole makes it one"));
  }
  int status = 0;
  if (drawn) {
    status = runDrawn(o, read, dir, name);
  } else if (modules.parts.size() > 1) {
    status = runParts(o, modules, files, folds, dir, name);
  } else {
    // The whole model need not fit one chain when its parts are composed.
    DftSharing sharing;
    DftFiles folded;
    // The plot's breakdown by type is drawn from a generated chain's types.
    if (!o.whole && o.keep.empty() && o.truncation == 0 && o.plot.empty() &&
        dftSharing(model, named, sharing)) {
      if (translateModel("run", o.file, model, folded, said, false) != 0) return 1;
      status = runShared(o, sharing, folded, folds, name);
      if (status >= 0) return status;
      status = 0;
    }
    SolvedChain chain;
    Report report;
    noteFolds(folds, report);
    if (!o.whole) status = translateModel("run", o.file, model, files, said);
    if (status == 0) status = generateAndSolve(o, dir, name, files, chain, report, false);
    if (status == 0) status = printReport("run", report, o.json, o.csv);
  }
  return status;
}

}  // namespace molvex
