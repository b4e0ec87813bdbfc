// What went wrong and where, as every message of the tool layers says it;
// the subcommands print it in one place (fail).
#pragma once

#include <string>
#include <utility>

namespace molvex {

struct Error {
  Error() = default;
  // A message that names no place in a file: a value of the command line,
  // a model as a whole.
  Error(std::string what) : text(std::move(what)) {}  // NOLINT(google-explicit-constructor)
  Error(const char* what) : text(what) {}             // NOLINT(google-explicit-constructor)
  Error(std::string in, int at, std::string what)
      : file(std::move(in)), line(at), text(std::move(what)) {}
  Error(std::string in, int at, int col, std::string what)
      : file(std::move(in)), line(at), column(col), text(std::move(what)) {}

  std::string file;  // "" where no file is at fault
  int line = 0;      // 0: the file as a whole
  int column = 0;    // 0: the line as a whole
  std::string text;

  // "FILE:LINE:COLUMN: text", each part of the place only where there is one
  // (a text read from no file: "LINE:COLUMN: text").
  std::string message() const {
    std::string where = file;
    if (line > 0) where += (where.empty() ? "" : ":") + std::to_string(line);
    if (line > 0 && column > 0) where += ":" + std::to_string(column);
    return where.empty() ? text : where + ": " + text;
  }
};

}  // namespace molvex
