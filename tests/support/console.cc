#include "support/console.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <random>

#include "util/units.h"

namespace molvex::testing {

Console::Console(const std::string& keyboard) : keyboard_(keyboard) {
  attachInput(5, &keyboard_);
  attachOutput(6, &screen_);
}

Console::~Console() {
  attachInput(5, &std::cin);
  attachOutput(6, &std::cout);
}

std::string Console::screen() const { return screen_.str(); }

std::vector<std::string> Console::lines() const { return splitLines(screen_.str()); }

void Console::clear() { screen_.str(""); }

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> out;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

ScratchDir::ScratchDir() : previous_(std::filesystem::current_path()) {
  std::random_device rd;
  for (;;) {
    dir_ = std::filesystem::temp_directory_path() / ("molvex-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(dir_)) break;
  }
  std::filesystem::current_path(dir_);
}

ScratchDir::~ScratchDir() {
  std::filesystem::current_path(previous_);
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

void ScratchDir::write(const std::string& name, const std::string& content) const {
  std::ofstream out(dir_ / name, std::ios::binary);
  out << content;
}

std::string ScratchDir::read(const std::string& name) const { return readFile(dir_ / name); }

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace molvex::testing
