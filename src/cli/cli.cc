#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <iostream>
#include <limits>
#include <string>

#include "chain/chain.h"
#include "cli/commands.h"
#include "cli/dft.h"
#include "ftinput/cvrtxt.h"
#include "main/files.h"
#include "stategen/store.h"
#include "util/units.h"

namespace molvex {
namespace {

void say(int unit, const std::string& text) { writeText(unit, text); }

// A whole number from `least` to `most` in decimal digits only, `range`
// saying so in words.  The text is handed on rewritten in plain digits,
// since CLI11 would read "010" as octal and " 5" or "+5" as 5.
CLI::Validator wholeNumber(long least, long most, const std::string& what,
                           const std::string& range) {
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        long value = 0;
        bool ok = !text.empty();
        for (char c : text) {
          ok = ok && std::isdigit(static_cast<unsigned char>(c)) != 0;
          if (ok && value <= most) value = value * 10 + (c - '0');  // stops before overflowing
        }
        if (!ok || value < least || value > most) {
          return "'" + text + "' is not " + what + " (" + range + ")";
        }
        text = std::to_string(value);
        return std::string();
      },
      range);
}

// An option given any number of times, one value each time.
void addRepeated(CLI::App& app, const std::string& name, std::vector<std::string>& values,
                 const std::string& help, const std::string& type) {
  app.add_option(name, values, help + " (any number of them)")
      ->type_name(type)
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// Checked as the command line is read, so that a wrong time costs no work.
CLI::Validator timeCheck(bool positive) {
  return CLI::Validator(
      [positive](std::string& text) -> std::string {
        double t = 0.0;
        if (parseTime(text, t) && (!positive || t > 0.0)) return std::string();
        return "'" + text + "' is not a time " + (positive ? "above 0" : "(a number >= 0)");
      },
      "");
}

void addTimes(CLI::App& app, std::vector<std::string>& times) {
  addRepeated(app, "--time", times, "a mission time for the unreliability", "T");
  app.get_option("--time")->check(timeCheck(false));
  // A series adds its times to those of --time as it is read.
  app.add_option_function<std::vector<std::string>>(
         "--times",
         [&times](const std::vector<std::string>& series) {
           for (const std::string& s : series) seriesTimes(s, times);
         },
         "times from START to END every STEP, or in N equal steps (any number of them)")
      ->type_name("START:END:STEP|START:END/N")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            std::vector<std::string> ignored;
            return seriesTimes(text, ignored) == 1
                       ? std::string()
                       : "'" + text +
                             "' is not START:END:STEP or START:END/N (times from 0, "
                             "END not before START, at most " +
                             std::to_string(mostSeriesTimes) + " of them)";
          },
          ""));
}

// The report as a table, one JSON object, or the unreliability as CSV lines.
void addFormats(CLI::App& app, bool& json, bool& csv) {
  CLI::Option* j = app.add_flag("--json", json, "one JSON object instead of the table");
  app.add_flag("--csv", csv, "the unreliability as lines of time,lower,upper (with a header)")
      ->excludes(j);
}

void addSets(CLI::App& app, std::vector<std::string>& sets) {
  addRepeated(app, "--set", sets, "a rate's value, over the rates file's", "NAME=VALUE");
}

void addEpsilon(CLI::App& app, double& epsilon) {
  app.add_option("--epsilon", epsilon, "absolute error bound of the unreliability")
      ->type_name("E")
      ->capture_default_str()
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            // Written out, as a range check lets "nan" through.
            double e = 0.0;
            const bool ok = readDouble(text, e) && e >= 1e-15 && e <= 0.5;
            return ok ? std::string() : "'" + text + "' is not a number from 1e-15 to 0.5";
          },
          "from 1e-15 to 0.5"));
}

void addTruncation(CLI::App& app, int& truncation) {
  app.add_option("--trunc", truncation,
                 "truncate the chain after N failures (0: the complete chain)")
      ->type_name("N")
      ->capture_default_str()
      ->transform(
          wholeNumber(0, std::numeric_limits<int>::max(), "a truncation bound", "0 or more"));
}

void addMaxStates(CLI::App& app, long& maxStates) {
  app.add_option("--max-states", maxStates,
                 "stop the chain at N states (its tables grow as it does)")
      ->type_name("N")
      ->capture_default_str()
      ->transform(
          wholeNumber(leastStateLimit, mostStateLimit, "a number of states",
                      std::to_string(leastStateLimit) + " to " + std::to_string(mostStateLimit)));
}

// A plot file must be named .svg: what is written into it is SVG.
CLI::Validator svgName() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        const std::string ending = ".svg";
        std::string tail =
            text.size() >= ending.size() ? text.substr(text.size() - ending.size()) : "";
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return tail == ending && text.size() > ending.size()
                   ? std::string()
                   : "'" + text + "' is not the name of an SVG file (NAME.svg)";
      },
      "");
}

void addPlot(CLI::App& app, std::string& plot, std::string& until, bool& logTime,
             bool& logProbability) {
  CLI::Option* file =
      app.add_option("--plot", plot, "draw the unreliability over time into an SVG file")
          ->type_name("FILE.svg")
          ->check(svgName());
  app.add_option("--until", until, "the end of the plotted time (default: the largest --time)")
      ->type_name("T")
      ->check(timeCheck(true))
      ->needs(file);
  app.add_flag("--log-time", logTime, "plot against a logarithmic time axis")->needs(file);
  app.add_flag("--log-prob", logProbability, "plot on a logarithmic probability axis")->needs(file);
}

void addQuiet(CLI::App& app, bool& quiet) {
  app.add_flag("--quiet", quiet, "no progress line on the error stream of a terminal");
}

// What solve and run both take, after their rates file.
void addFigures(CLI::App& app, FigureOptions& o) {
  addSets(app, o.sets);
  addTimes(app, o.times);
  addEpsilon(app, o.epsilon);
  addFormats(app, o.json, o.csv);
  addPlot(app, o.plot, o.until, o.logTime, o.logProbability);
  addQuiet(app, o.quiet);
  // --csv prints the curve alone, which has no place for the measures.
  app.add_flag("--importance", o.importance,
               "each component's sensitivity, criticality and improvement potential")
      ->excludes(app.get_option("--csv"));
}

void describeSolve(CLI::App& app, SolveOptions& o) {
  app.description(
      "Figures from the chain that a successful generation of NAME left in the current\n"
      "directory (NAME.INT, NAME.TUP, NAME.DIC), with the failure rates of a rates file:\n"
      "the mean time to failure, the probability of failing at all and, at each --time,\n"
      "the unreliability with its breakdown by component type; bounds after a truncated\n"
      "run.");
  app.add_option("NAME", o.model, "the model name")->type_name("")->required();
  app.add_option("--rates", o.rates, "the rates file: RATENAME VALUE per line (default NAME.RAT)")
      ->type_name("FILE");
  addFigures(app, o);
}

void describeExport(CLI::App& app, ExportOptions& o) {
  app.description(
      "The chain that a successful generation of NAME left in the current directory,\n"
      "written for another engine: DRN for Storm (PREFIX.drn), PRISM's explicit files\n"
      "(PREFIX.tra, PREFIX.sta, PREFIX.lab, and PREFIX.legend saying what each variable of\n"
      "PREFIX.sta is) or a Graphviz graph (PREFIX.dot).");
  app.add_option("NAME", o.model, "the model name")->type_name("")->required();
  app.add_option("--to", o.format, "the format")
      ->type_name("FORMAT")
      ->required()
      ->check(CLI::IsMember({"drn", "prism", "dot"}));
  app.add_option("--rates", o.rates,
                 "the rates file (default NAME.RAT where it exists; needed for prism)")
      ->type_name("FILE");
  app.add_option("-o", o.prefix, "the output files' name without extension (default NAME)")
      ->type_name("PREFIX");
  app.add_flag("--parametric", o.parametric, "drn: keep the rate names as parameters");
  app.add_flag("--force", o.force, "dot: draw a chain of more than 2000 states");
}

void describeGenerate(CLI::App& app, GenerateOptions& o) {
  app.description(
      "The Markov chain of the model NAME in the current directory, generated as the\n"
      "dialogue generates it for the answers NAME and the truncation bound, without the\n"
      "questions: the same files and the same messages, for scripts.");
  app.add_option("NAME", o.model, "the model name")->type_name("")->required();
  addTruncation(app, o.truncation);
  addMaxStates(app, o.maxStates);
}

CLI::Validator modelNameCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return modelName(text) ? std::string()
                               : "'" + text + "' is not a model name (1 to " +
                                     std::to_string(MDLNAM) + " letters, digits, _ or -)";
      },
      "");
}

void describeImport(CLI::App& app, ImportOptions& o) {
  app.description(
      "A Galileo dynamic fault tree (.dft) as MOLVEX's own files in the current\n"
      "directory: the text description NAME.TXT, the dictionary NAME.DIC and the rates\n"
      "file NAME.RAT.  A construct MOLVEX cannot represent is refused with its place in\n"
      "the file; one that other tools compute otherwise is imported with a warning.");
  app.add_option("FILE", o.file, "the .dft file")->type_name("")->required();
  app.add_option("NAME", o.model,
                 "the model name (default: the file's base name, upper-cased, cut to " +
                     std::to_string(MDLNAM) + ")")
      ->type_name("")
      ->check(modelNameCheck());
  app.add_flag("--force", o.force, "write over NAME.TXT, NAME.DIC and NAME.RAT");
}

void describeRun(CLI::App& app, RunOptions& o) {
  app.description(
      "A Galileo dynamic fault tree (.dft) taken to its figures in one step: imported,\n"
      "generated and solved in memory; prints the report of molvex solve\n"
      "(the import's warnings and the generation's messages go to the error stream).");
  app.add_option("FILE", o.file, "the .dft file")->type_name("")->required();
  addTruncation(app, o.truncation);
  app.add_option("--rates", o.rates,
                 "a rates file over the model's rates: NAME VALUE per line, NAME a rate or "
                 "parameter name (others are left alone)")
      ->type_name("FILE");
  addFigures(app, o);
  CLI::Option* keep =
      app.add_option("--keep", o.keep, "keep the model's files in DIR (made when missing)")
          ->type_name("DIR");
  app.add_flag("--force", o.force, "write over the model's files in DIR")->needs(keep);
  addMaxStates(app, o.maxStates);
  app.add_flag("--whole", o.whole,
               "solve the model as one chain, not by its independent parts under static gates");
}

// Reads the command line into the options `app` describes.  Returns -1 when
// the command is to run, else its exit status after the help or the message.
int parse(CLI::App& app, const std::string& name, int argc, const char* const* argv) {
  try {
    app.parse(argc - 1, argv + 1);
  } catch (const CLI::CallForHelp&) {
    say(SCRUNT, app.help());
    return 0;
  } catch (const CLI::ParseError& e) {
    tell("molvex " + name + ": " + e.what() + "\nmolvex " + name + " --help shows its usage\n");
    return 2;
  }
  return -1;
}

// A subcommand: its options, how its command line describes them, and what
// does the work.
template <class Options, void (*describe)(CLI::App&, Options&), int (*work)(const Options&)>
int parseAndRun(CLI::App& app, const std::string& name, int argc, const char* const* argv) {
  Options options;
  describe(app, options);
  const int status = parse(app, name, argc, argv);
  return status >= 0 ? status : work(options);
}

struct Subcommand {
  std::string_view name;
  int (*run)(CLI::App& app, const std::string& name, int argc, const char* const* argv);
};

constexpr Subcommand subcommands[] = {
    {"run", parseAndRun<RunOptions, describeRun, runDftCommand>},
    {"import", parseAndRun<ImportOptions, describeImport, importCommand>},
    {"generate", parseAndRun<GenerateOptions, describeGenerate, generateCommand>},
    {"solve", parseAndRun<SolveOptions, describeSolve, solveCommand>},
    {"export", parseAndRun<ExportOptions, describeExport, exportCommand>},
};

const Subcommand* findSubcommand(std::string_view word) {
  for (const Subcommand& s : subcommands) {
    if (s.name == word) return &s;
  }
  return nullptr;
}

}  // namespace

bool isSubcommand(std::string_view word) { return findSubcommand(word) != nullptr; }

int runSubcommand(int argc, const char* const* argv) {
  if (attachedOutput(errorUnit) == nullptr) attachOutput(errorUnit, &std::cerr);
  const std::string name = argv[1];
  CLI::App app("molvex " + name, "molvex " + name);
  return findSubcommand(name)->run(app, name, argc, argv);
}

}  // namespace molvex
