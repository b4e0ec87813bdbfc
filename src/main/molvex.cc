// The molvex command: the dialogue, or its usage and version.
#include <iostream>
#include <string_view>

#include "main/dialog.h"

namespace {

constexpr std::string_view USAGE =
    "Usage: molvex [--help | --version]\n"
    "\n"
    "Without arguments molvex holds its dialogue on the console: for each model it\n"
    "asks for the model name and the truncation bound (0: the complete chain), reads\n"
    "NAME.DIC and NAME.TXT (converted to NAME.FTR) or NAME.FTR from the current\n"
    "directory, and writes the Markov chain NAME.INT, the state tuples NAME.TUP and\n"
    "the dictionary NAME.DIC back with its failure and truncation state numbers.\n"
    "\n"
    "Options:\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Exit status: 0 after the last model, 1 after a failed model, 2 for a wrong\n"
    "argument, 3 when the input ended before a model was completely defined.\n"
    "\n"
    "Documentation: README.md and docs/ in the MOLVEX sources.\n";

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  if (argc > 1) {
    const std::string_view arg = argv[1];
    if (argc == 2 && arg == "--help") {
      std::cout << USAGE;
      return 0;
    }
    if (argc == 2 && arg == "--version") {
      std::cout << "molvex " << MOLVEX_VERSION << "\n";
      return 0;
    }
    // Name the argument that is wrong: the first one, or the one after an
    // option that takes none.
    const std::string_view wrong =
        (arg == "--help" || arg == "--version") ? std::string_view(argv[2]) : arg;
    std::cerr << "molvex: unknown argument '" << wrong << "'\n" << USAGE;
    return 2;
  }
  const int status = molvex::MOLVEX();
  std::cout << "Stop - Program terminated." << std::endl;
  return status;
}
