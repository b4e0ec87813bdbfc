// Test fixtures: a console whose keyboard is fed from a string and whose
// screen is captured, and a scratch directory that is the working directory
// while a test runs.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace molvex::testing {

class Console {
 public:
  explicit Console(const std::string& keyboard = "");
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Everything written on the screen so far.
  std::string screen() const;
  // The screen split into lines, without their line ends.
  std::vector<std::string> lines() const;
  // Forgets what the screen holds so far.
  void clear();

 private:
  std::istringstream keyboard_;
  std::ostringstream screen_;
};

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return dir_; }
  // Writes a file of the given content in the directory.
  void write(const std::string& name, const std::string& content) const;
  // Reads a file of the directory whole ("" when it does not exist).
  std::string read(const std::string& name) const;

 private:
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

// Reads a file whole ("" when it does not exist).
std::string readFile(const std::filesystem::path& path);

// Splits text into lines without their line ends.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace molvex::testing
