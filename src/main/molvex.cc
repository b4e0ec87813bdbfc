// The molvex command: the dialogue, a subcommand, or its usage and version.
#include <cstdlib>
#include <iostream>
#include <new>
#include <string_view>

#if MOLVEX_SUBCOMMANDS
#include "cli/cli.h"
#endif
#include "main/dialog.h"
#include "stategen/store.h"

namespace {

constexpr std::string_view USAGE =
    "Usage: molvex [--help | --version | --max-states N]\n"
    "       molvex run FILE.dft [--trunc N] [--time T]... [--json] [--keep DIR]\n"
    "       molvex import FILE.dft [NAME] [--force]\n"
    "       molvex generate NAME [--trunc N] [--max-states N]\n"
    "       molvex solve NAME [--rates FILE] [--time T]... [--json] [--plot FILE.svg]\n"
    "       molvex export NAME --to drn|prism|dot [--rates FILE] [-o PREFIX]\n"
    "\n"
    "Without arguments molvex holds its dialogue on the console: for each model it\n"
    "asks for the model name and the truncation bound (0: the complete chain), reads\n"
    "NAME.DIC and NAME.TXT (converted to NAME.FTR) or NAME.FTR from the current\n"
    "directory, and writes the Markov chain NAME.INT, the state tuples NAME.TUP and\n"
    "the dictionary NAME.DIC back with its failure and truncation state numbers.\n"
    "\n"
    "Subcommands (each with its own --help, also shown by molvex help CMD):\n"
    "  run       a Galileo model (.dft) to its figures in one step: import,\n"
    "            generate and solve in memory\n"
    "  import    a Galileo model (.dft) as NAME.TXT, NAME.DIC and NAME.RAT\n"
    "  generate  one model's chain as the dialogue generates it, without the\n"
    "            questions: the same files and messages, for scripts\n"
    "  solve     the mean time to failure and the unreliability of a generated\n"
    "            chain, with bounds after a truncated run and a breakdown by\n"
    "            component type\n"
    "  export    the generated chain for Storm (DRN), PRISM or Graphviz\n"
    "\n"
    "Options:\n"
    "  --help, -h      print this text and exit (so does molvex help)\n"
    "  --version       print the version and exit\n"
    "  --max-states N  hold the dialogue with room for N states (80000 to\n"
    "                  10000000; default 80000), the tables sized to match\n"
    "\n"
    "Exit status: 0 after the last model, 1 after a failed model, 2 for a wrong\n"
    "argument, 3 when the input ended before a model was completely defined.\n"
    "A subcommand exits with 0 when done, 1 for bad input or a failed model, 2 for\n"
    "wrong usage.\n"
    "\n"
    "Documentation: README.md and docs/ in the MOLVEX sources.\n";

// The ways people ask a command for its usage.
bool asksHelp(std::string_view arg) { return arg == "--help" || arg == "-h" || arg == "help"; }

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  if (argc == 2 && asksHelp(argv[1])) {
    std::cout << USAGE;
    return 0;
  }
#if MOLVEX_SUBCOMMANDS
  if (argc == 3 && std::string_view(argv[1]) == "help" && molvex::isSubcommand(argv[2])) {
    const char* const asked[] = {argv[0], argv[2], "--help"};
    return molvex::runSubcommand(3, asked);
  }
  if (argc > 1 && molvex::isSubcommand(argv[1])) return molvex::runSubcommand(argc, argv);
#else
  if (argc > 1 && argv[1][0] != '-') {
    std::cerr << "molvex: no subcommand '" << argv[1] << "' in this molvex: it was built "
              << "without CLI11 (Debian: libcli11-dev)\n";
    return 2;
  }
#endif
  if (argc == 3 && std::string_view(argv[1]) == "--max-states") {
    char* end = nullptr;
    const long states = std::strtol(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0' || molvex::setStateLimit(states) != 1) {
      std::cerr << "molvex: --max-states takes a number of states from 80000 to 10000000, not '"
                << argv[2] << "'\n";
      return 2;
    }
  } else if (argc > 1) {
    const std::string_view arg = argv[1];
    if (argc == 2 && arg == "--version") {
      std::cout << "molvex " << MOLVEX_VERSION << "\n";
      return 0;
    }
    // Name the argument that is wrong: the first one, or the one after an
    // option that takes none.
    const std::string_view wrong =
        (asksHelp(arg) || arg == "--version") ? std::string_view(argv[2]) : arg;
    std::cerr << "molvex: unknown argument '" << wrong << "'\n" << USAGE;
    return 2;
  }
  int status = 1;
  try {
    status = molvex::MOLVEX();
  } catch (const std::bad_alloc&) {
    // Only a raised state limit asks for more than a machine may have.
    std::cerr << "molvex: not enough memory for the tables of " << molvex::MAXSTA
              << " states (a smaller --max-states needs less)\n";
    return 1;
  }
  std::cout << "Stop - Program terminated." << std::endl;
  return status;
}
