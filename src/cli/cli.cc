#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>

#include "chain/chain.h"
#include "cli/commands.h"
#include "main/files.h"
#include "util/units.h"

namespace molvex {
namespace {

void say(int unit, const std::string& text) { writeText(unit, text); }

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
  app.add_option("--time", o.times, "a mission time for the unreliability (any number of them)")
      ->type_name("T")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--epsilon", o.epsilon, "absolute error bound of the unreliability")
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
  app.add_flag("--json", o.json, "one JSON object instead of the table");
  CLI::Option* plot =
      app.add_option("--plot", o.plot, "draw the unreliability over time into an SVG file")
          ->type_name("FILE.svg");
  app.add_option("--until", o.until, "the end of the plotted time (default: the largest --time)")
      ->type_name("T")
      ->needs(plot);
  app.add_flag("--log-time", o.logTime, "plot against a logarithmic time axis")->needs(plot);
}

void describeExport(CLI::App& app, ExportOptions& o) {
  app.description(
      "The chain that a successful generation of NAME left in the current directory,\n"
      "written for another engine: DRN for Storm (PREFIX.drn), PRISM's explicit files\n"
      "(PREFIX.tra, PREFIX.sta, PREFIX.lab) or a Graphviz graph (PREFIX.dot).");
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

}  // namespace

bool isSubcommand(std::string_view word) { return word == "solve" || word == "export"; }

int runSubcommand(int argc, const char* const* argv) {
  if (attachedOutput(errorUnit) == nullptr) attachOutput(errorUnit, &std::cerr);
  const std::string name = argv[1];
  CLI::App app("molvex " + name, "molvex " + name);
  SolveOptions solve;
  ExportOptions exportOptions;
  if (name == "solve") {
    describeSolve(app, solve);
  } else {
    describeExport(app, exportOptions);
  }
  try {
    app.parse(argc - 1, argv + 1);
  } catch (const CLI::CallForHelp&) {
    say(SCRUNT, app.help());
    return 0;
  } catch (const CLI::ParseError& e) {
    say(errorUnit, "molvex " + name + ": " + e.what() + "\n" + app.help());
    return 2;
  }
  return name == "solve" ? solveCommand(solve) : exportCommand(exportOptions);
}

}  // namespace molvex
