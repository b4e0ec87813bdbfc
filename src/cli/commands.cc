#include "cli/commands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>

#include "chain/chain.h"
#include "chain/rates.h"
#include "chain/solve.h"
#include "cli/cli.h"
#include "cli/progress.h"
#include "cli/report.h"
#include "export/export.h"
#include "main/dialog.h"
#include "main/files.h"
#include "main/globals.h"
#include "plot/plot.h"
#include "stategen/ft2mc.h"
#include "stategen/store.h"
#include "util/units.h"

namespace molvex {
namespace {

constexpr int plotPoints = 200;
constexpr int dotLimit = 2000;  // states; a larger graph cannot be looked at

// Storm reads a parametric chain's rates as expressions over its parameters,
// so each rate name must be a name there.
bool parameterName(const std::string& name) {
  const auto letter = [](char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
  };
  if (name.empty() || !letter(name[0])) return false;
  for (char c : name) {
    if (!letter(c) && !std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

int loadRates(std::string_view command, const Chain& chain, const std::string& file,
              const std::vector<std::string>& sets, Array1<double>& rate) {
  RateTable rates;
  Error error;
  if (!readRates(file, rates, error) || !setRates(sets, chain, rates, error) ||
      !arcRates(chain, rates, rate, error)) {
    return fail(command, error);
  }
  return 0;
}

std::vector<double> plotTimes(double until, bool logTime) {
  std::vector<double> times;
  for (int i = 0; i <= plotPoints; ++i) {
    const double x = static_cast<double>(i) / plotPoints;
    // A log axis starts four decades below its end.
    times.push_back(logTime ? until * std::pow(10.0, 4.0 * (x - 1.0)) : until * x);
  }
  return times;
}

SweepProgress sweepProgress(const Chain& chain, Progress& progress) {
  return [&](long step, long steps) {
    progress.show(chain.model + ": step " + std::to_string(step) + " of about " +
                  std::to_string(steps) + " of the unreliability's sweep");
  };
}

// The state the chain starts in: 1, or where the arc of `startRate` out of
// state 1 leads; 0 when no such arc is there.
int initialState(const Chain& chain, const std::string& startRate) {
  if (startRate.empty()) return 1;
  for (int a = chain.first(1); a < chain.first(2); ++a) {
    if (chain.rateNames(chain.arcs(a).rate) == startRate) return chain.arcs(a).target;
  }
  return 0;
}

}  // namespace

bool parseTime(const std::string& text, double& value) {
  const bool number = readDouble(text, value);
  if (value == 0.0) value = 0.0;  // "-0" is the time 0
  return number && std::isfinite(value) && value >= 0.0;
}

void tell(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  writeText(errorUnit, shown);
}

std::string messageLine(std::string_view command, const Error& error) {
  return "molvex " + std::string(command) + ": " + error.message() + "\n";
}

int fail(std::string_view command, const Error& error) {
  tell(messageLine(command, error));
  return 1;
}

// What it could not open is not its own to remove.
int writeFiles(std::string_view command, const std::vector<Output>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const Output& o = outputs[i];
    std::ofstream file(o.file, std::ios::binary);
    const bool opened = file.is_open();
    if (opened) {
      o.write(file);
      file.close();
    }
    if (!opened || file.fail()) {
      std::error_code ec;
      for (std::size_t j = 0; j < i + (opened ? 1 : 0); ++j)
        std::filesystem::remove(outputs[j].file, ec);
      return fail(command, outputs[i].file + ": cannot be written");
    }
  }
  return 0;
}

int drawPlot(const SolveOptions& o, const SolvedChain& solved, const Figures& figures,
             const std::vector<double>& times) {
  const Chain& chain = solved.chain;
  double until = 0.0;
  if (!o.until.empty()) {
    if (!parseTime(o.until, until) || until == 0.0) {
      return fail(o.command, "--until " + quoteText(o.until) + " is not a time above 0");
    }
  } else if (!times.empty()) {
    until = *std::max_element(times.begin(), times.end());
  } else if (std::isfinite(figures.mttfLower)) {
    until = 3.0 * figures.mttfLower;
  }
  if (!(until > 0.0)) return fail(o.command, "--plot needs --until or a --time above 0");
  PlotData data;
  data.model = chain.model;
  data.times = plotTimes(until, o.logTime);
  data.truncated = chain.truncated();
  data.logTime = o.logTime;
  data.logProbability = o.logProbability;
  std::vector<Unreliability> points;
  Error error;
  Progress progress(progressStream(o.quiet));
  if (!solveUnreliability(chain, solved.rate, solved.order, data.times, o.epsilon, stepLimit(chain),
                          points, error, solved.initial, sweepProgress(chain, progress))) {
    return fail(o.command, error);
  }
  for (const Unreliability& u : points) {
    data.lower.push_back(u.lower);
    data.upper.push_back(u.upper);
  }
  for (int t = 1; t <= chain.ntypes; ++t) {
    if (chain.failst(t) == 0) continue;
    PlotCurve curve{"failure by type " + std::to_string(t) + " (" + chain.typeNames(t) + ")", {}};
    for (const Unreliability& u : points) curve.values.push_back(u.byType(t));
    data.byType.push_back(std::move(curve));
  }
  const std::string svg = svgPlot(data);
  return writeFiles(o.command, {{o.plot, [&](std::ostream& out) { out << svg; }}});
}

int drawImportance(const SolveOptions& o, const Report& report) {
  if (o.plot.empty() || !report.importance || report.unreliability.empty()) return 0;
  char time[32];
  std::snprintf(time, sizeof time, "%g", report.unreliability.back().time);
  BarData data{report.chain->model,
               "Criticality",
               std::string("criticality of the unreliability at time ") + time +
                   " (its percent change for one percent of the rate)",
               {}};
  for (const ComponentMeasures& c : report.importance->components) {
    data.bars.push_back({c.component, c.criticality.back()});
  }
  const std::string svg = svgBars(data);
  const std::string file = o.plot.substr(0, o.plot.size() - 4) + "-importance.svg";
  return writeFiles(o.command, {{file, [&](std::ostream& out) { out << svg; }}});
}

int seriesTimes(const std::string& text, std::vector<std::string>& times) {
  const std::size_t colon = text.find(':');
  const std::size_t last = text.find_first_of(":/", colon == std::string::npos ? 0 : colon + 1);
  if (colon == std::string::npos || last == std::string::npos) return 0;
  double start = 0.0;
  double end = 0.0;
  double by = 0.0;
  if (!parseTime(text.substr(0, colon), start) ||
      !parseTime(text.substr(colon + 1, last - colon - 1), end) || end < start ||
      !parseTime(text.substr(last + 1), by) || by <= 0.0) {
    return 0;
  }
  // START:END/N is N steps; START:END:STEP as many steps of STEP as fit.
  const bool count = text[last] == '/';
  if (count && (by != std::floor(by) || by > mostSeriesTimes - 1)) return 0;
  const double steps = count ? by : std::floor((end - start) / by * (1 + 1e-12));
  if (!(steps < mostSeriesTimes)) return 0;
  for (int i = 0; i <= static_cast<int>(steps); ++i) {
    const double t = count ? (i == by ? end : start + (end - start) * i / by) : start + by * i;
    char number[32];
    std::snprintf(number, sizeof number, "%.17g", t);
    times.push_back(number);
  }
  return 1;
}

int parseTimes(const SolveOptions& o, std::vector<double>& times) {
  for (const std::string& text : o.times) {
    double t = 0.0;
    if (!parseTime(text, t))
      return fail(o.command, "--time " + quoteText(text) + " is not a time (a number >= 0)");
    times.push_back(t);
  }
  return 0;
}

int solveChain(const SolveOptions& o, const std::vector<double>& times, const SolvedChain& solved,
               Report& report) {
  Error error;
  const Chain& chain = solved.chain;
  report.figures = solveFigures(chain, solved.rate, solved.order, solved.initial);
  // A time without a figure takes none from the others.
  Progress progress(progressStream(o.quiet));
  if (!solveUnreliability(chain, solved.rate, solved.order, times, o.epsilon, stepLimit(chain),
                          report.unreliability, error, solved.initial,
                          sweepProgress(chain, progress))) {
    report.unsolved = error.message();
  }
  if (o.importance) {
    progress.show(chain.model + ": the measures of each component");
    report.importance =
        measureComponents(chain, solved.rate, solved.order, solved.initial, times, o.epsilon,
                          stepLimit(chain), report.figures, report.unreliability);
  }
  progress.clear();
  if (!o.plot.empty() && drawPlot(o, solved, report.figures, times) != 0) return 1;
  return drawImportance(o, report);
}

int solveModel(const SolveOptions& o, const std::string& startRate, SolvedChain& solved,
               Report& report, CapturedChain* captured) {
  std::vector<double> times;
  if (parseTimes(o, times) != 0) return 1;
  Error error;
  Chain& chain = solved.chain;
  if (!readChain(o.model, chain, error, captured)) return fail(o.command, error);
  report.chain = &chain;
  report.ratesFile = o.rates.empty() ? o.model + ".RAT" : o.rates;
  report.epsilon = o.epsilon;
  std::vector<std::string> sets;
  const auto named = [&](const std::string& set) {
    const auto& names = chain.rateNames;
    return std::find(names.begin(), names.end(), set.substr(0, set.find('='))) != names.end();
  };
  for (const std::string& set : o.fileSets) {
    if (named(set)) sets.push_back(set);
  }
  for (const std::string& set : o.sets) {
    if (!o.part || named(set)) sets.push_back(set);
  }
  if (loadRates(o.command, chain, report.ratesFile, sets, solved.rate) != 0) return 1;
  if (!topologicalOrder(chain, solved.order, error)) return fail(o.command, error);
  const int initial = initialState(chain, startRate);
  if (initial == 0) {
    return fail(o.command, "the events of " + o.model +
                               " drawn failed from the start (prob=) fail a later input of a "
                               "sequence before the inputs before it: no chain starts so");
  }
  solved.initial = initial;
  return solveChain(o, times, solved, report);
}

int solveCommand(const SolveOptions& o) {
  SolvedChain solved;
  Report report;
  if (solveModel(o, "", solved, report) != 0) return 1;
  return printReport(o.command, report, o.json, o.csv);
}

int printReport(std::string_view command, const Report& report, bool json, bool csv) {
  writeText(SCRUNT, reportText(report, json, csv));
  return report.unsolved.empty() ? 0 : fail(command, report.unsolved);
}

int exportCommand(const ExportOptions& o) {
  Chain chain;
  Error error;
  if (!readChain(o.model, chain, error)) return fail("export", error);
  const std::string prefix = o.prefix.empty() ? o.model : o.prefix;
  const std::string defaultRates = o.model + ".RAT";
  const std::string ratesFile =
      !o.rates.empty() ? o.rates : (fileExists(defaultRates) ? defaultRates : std::string());
  Array1<double> rate;
  std::vector<Output> outputs;
  StateSlots slots;
  if (o.format == "dot") {
    if (!o.rates.empty()) {
      return fail("export", "--to dot draws the rate names, not values: --rates has no use there");
    }
    if (chain.nstates > dotLimit && !o.force) {
      return fail("export", std::to_string(chain.nstates) + " states are more than a graph of " +
                                std::to_string(dotLimit) + " can show; --force draws it anyway");
    }
    outputs.push_back({prefix + ".dot", [&](std::ostream& out) { writeDot(chain, slots, out); }});
  } else if (o.format == "prism") {
    if (ratesFile.empty()) {
      return fail("export", "prism needs rate values: give --rates FILE or write " + defaultRates);
    }
    if (loadRates("export", chain, ratesFile, {}, rate) != 0) return 1;
    outputs.push_back(
        {prefix + ".tra", [&](std::ostream& out) { writePrismTra(chain, rate, out); }});
    outputs.push_back(
        {prefix + ".sta", [&](std::ostream& out) { writePrismSta(chain, slots, out); }});
    outputs.push_back({prefix + ".legend", [&](std::ostream& out) { writeLegend(slots, out); }});
    outputs.push_back({prefix + ".lab", [&](std::ostream& out) { writePrismLab(chain, out); }});
  } else {
    const bool numbers = !o.parametric && !ratesFile.empty();
    if (numbers && loadRates("export", chain, ratesFile, {}, rate) != 0) return 1;
    for (int r = 1; !numbers && r <= chain.rateNames.size(); ++r) {
      if (!parameterName(chain.rateNames(r))) {
        return fail("export",
                    "rate name " + quoteText(chain.rateNames(r)) +
                        " is not a parameter name (letters, digits, _): give a rates file");
      }
    }
    outputs.push_back({prefix + ".drn", [&, numbers](std::ostream& out) {
                         writeDrn(chain, numbers ? &rate : nullptr, out);
                       }});
  }
  if (o.format != "drn") {
    if (!readStateSlots(chain, slots, error)) return fail("export", error);
    if (!slots.warning.empty()) tell(messageLine("export", "warning: " + slots.warning));
  }
  if (writeFiles("export", outputs) != 0) return 1;
  for (const Output& out : outputs) writeText(SCRUNT, "wrote " + out.file + "\n");
  return 0;
}

int generateCommand(const GenerateOptions& o) {
  if (o.truncation < 0) {
    return fail("generate", "--trunc " + std::to_string(o.truncation) +
                                " is not a truncation bound (0 or more)");
  }
  const int previousLimit = MAXSTA;
  if (setTableGrowth(o.maxStates) != SUCCES) {
    return fail("generate", "--max-states " + std::to_string(o.maxStates) +
                                " is not a number of states (" + std::to_string(leastStateLimit) +
                                " to " + std::to_string(mostStateLimit) + ")");
  }
  // The set-up the dialogue gives each model, so that nothing a previous
  // model or command left behind can change this one.
  INITDR();
  INIUTL(0, 5, 6, 0);
  const int VERBOSE = 1;
  int status = ERRGEN;
  SYMRAT = o.symmetry;
  try {
    status = FT2MC(answerField(o.model, MDLLEN), MDLLEN, o.truncation, VERBOSE);
  } catch (const std::bad_alloc&) {
    // The tables grow with the chain: a machine without the memory for it
    // gets a message, not an abort.
    for (int unit : {DICUNT, TXTUNT, FTRUNT, INTUNT, TUPUNT}) closeUnit(unit);
    fail("generate", "not enough memory for the chain of " + o.model +
                         " (--trunc or a smaller --max-states needs less)");
  }
  SYMRAT = nullptr;
  setStateLimit(previousLimit);
  return status == SUCCES ? 0 : 1;
}

}  // namespace molvex
