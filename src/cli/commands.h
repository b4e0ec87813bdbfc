// What each subcommand does once its command line has been understood.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/report.h"
#include "stategen/store.h"
#include "stategen/symmet.h"

namespace molvex {

// What solve and run are asked for alike: the figures, the values over the
// rates file's, and the form of the report and the plot.
struct FigureOptions {
  std::vector<std::string> sets;  // NAME=VALUE over the rates file's values
  // NAME=VALUE under `sets`: a name that no rate of the chain has is left
  // alone, as in a rates file.
  std::vector<std::string> fileSets;
  std::vector<std::string> times;  // as given, checked by the command
  double epsilon = 1e-12;
  bool json = false;
  bool csv = false;   // the unreliability as a series of time,lower,upper lines
  std::string plot;   // "" for no plot
  std::string until;  // "" for the default end of the plot
  bool logTime = false;
  bool logProbability = false;
  bool quiet = false;  // no progress line on a terminal
  bool importance = false;  // each component's measures (importance/importance.h)
};

struct SolveOptions : FigureOptions {
  std::string model;
  std::string rates;  // "" for NAME.RAT
  // A part of a model: a set that names no rate of this chain is another
  // part's.
  bool part = false;
  std::string command = "solve";  // the subcommand typed, which every message names
};

struct ExportOptions {
  std::string model;
  std::string format;  // drn, prism or dot
  std::string rates;   // "" for NAME.RAT where it exists
  std::string prefix;  // "" for NAME
  bool parametric = false;
  bool force = false;
};

// What generate and run are asked for alike: how far the chain goes.
struct ChainOptions {
  int truncation = 0;               // 0 for the complete chain
  long maxStates = mostStateLimit;  // the cap on this generation's states
};

struct GenerateOptions : ChainOptions {
  std::string model;
  RateClass symmetry;  // the rates told apart when symmetries fold states; none: no folding
};

// Writes `text` on the error unit, each control character but the line
// break shown as \xNN: a message quotes names and lines of the user's files,
// which must not move the terminal's cursor or clear what it shows.
void tell(std::string_view text);

// "molvex COMMAND: " and the error's message, a line as every message of a
// subcommand is.
std::string messageLine(std::string_view command, const Error& error);

// Tells "molvex COMMAND: " and the error's message; returns 1, the exit
// status of bad input.  The one place a subcommand's error is printed.
int fail(std::string_view command, const Error& error);

// A file a command writes: its name and what writes it on a stream.
struct Output {
  std::string file;
  std::function<void(std::ostream&)> write;
};

// Writes each file whole; after a failed write none of the files this run
// wrote is left, so a user never takes a cut file for a chain.  Returns 0, or
// 1 after the message of `command`.
int writeFiles(std::string_view command, const std::vector<Output>& outputs);

// A chain with what the solver takes besides: the value of each arc's rate,
// an order in which every arc leads forward, and the state it starts in.
struct SolvedChain {
  Chain chain;
  Array1<double> rate;
  Array1<int> order;
  int initial = 1;
};

// A time of the command line: a finite number, not negative.
bool parseTime(const std::string& text, double& value);

// The most times one series of --times may hold.
constexpr int mostSeriesTimes = 100000;

// The times of a series START:END:STEP (START, START + STEP, ... up to END)
// or START:END/N (N equal steps from START to END, both included), appended
// to `times` as texts.  Returns 1, or 0 when `text` is no such series.
int seriesTimes(const std::string& text, std::vector<std::string>& times);

// The times of --time, each checked.  Returns 0, or 1 after the message.
int parseTimes(const SolveOptions& o, std::vector<double>& times);

// The plot of o.plot: the unreliability of a solved chain up to --until (by
// default the largest of `times`).  Returns 0, or 1 after the message.
int drawPlot(const SolveOptions& o, const SolvedChain& solved, const Figures& figures,
             const std::vector<double>& times);

// With --importance and --plot FILE.svg, the criticalities of the
// unreliability at the last time into FILE-importance.svg, ranked as the
// report ranks them.  Returns 0, or 1 after the message.
int drawImportance(const SolveOptions& o, const Report& report);

// The figures of a chain with its rates and order into `report` (its times'
// unreliability, and the plot asked for).  Returns 0, or 1 after the message.
int solveChain(const SolveOptions& o, const std::vector<double>& times, const SolvedChain& solved,
               Report& report);

// The figures of `solve` into `report`, read into `solved`; the chain starts
// where the arc of `startRate` out of state 1 leads (in state 1 when it is
// ""), and the plot is drawn; the chain's states and arcs are those of
// `captured` when given.  Returns 0, or 1 after the message.
int solveModel(const SolveOptions& options, const std::string& startRate, SolvedChain& solved,
               Report& report, CapturedChain* captured = nullptr);

// Prints the report in the form asked for; returns the exit status: 1 after
// the message of a time without a figure.
int printReport(std::string_view command, const Report& report, bool json, bool csv);

// Each returns the exit status (0 or 1) after its output and messages.
int solveCommand(const SolveOptions& options);
int exportCommand(const ExportOptions& options);

// Generates the model as the dialogue does once it has its answers: the same
// files and the same messages of the generation on the screen unit, without
// the dialogue's questions and tracebacks.  1 when the model failed.  The
// state limit in force before the call is in force again after it.
int generateCommand(const GenerateOptions& options);

}  // namespace molvex
