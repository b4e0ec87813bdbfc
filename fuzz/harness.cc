#include "harness.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <streambuf>

#include "ftinput/bldlst.h"
#include "ftinput/fttabs.h"
#include "main/error.h"
#include "stategen/store.h"
#include "util/units.h"

namespace molvex::fuzz {
namespace {

namespace fs = std::filesystem;

// Three words per input of a cold spare gate, and a place table of PLCSIZ
// words holds fewer inputs than that.
constexpr int BLDPOOL = 4 * PLCSIZ;

// Accepts every character and keeps none.
class Sink : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

std::string& directory() {
  static std::string path;
  return path;
}

void removeDirectory() {
  std::error_code ec;
  fs::current_path(fs::temp_directory_path(), ec);
  fs::remove_all(directory(), ec);
}

}  // namespace

void setUp() {
  static bool done = false;
  if (done) return;
  done = true;
  std::string pattern = (fs::temp_directory_path() / "molvex-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("molvex fuzz: no private directory");
    std::abort();
  }
  directory() = pattern;
  fs::current_path(pattern);
  std::atexit(removeDirectory);
  static std::istringstream keyboard;
  static Sink sink;
  static std::ostream screen(&sink);
  attachInput(5, &keyboard);
  attachOutput(6, &screen);
}

std::string_view text(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

void clearFiles() {
  for (const auto& entry : fs::directory_iterator(fs::current_path())) {
    std::error_code ec;
    fs::remove_all(entry.path(), ec);
  }
}

void onlyFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  setUp();
  clearFiles();
  writeFile(name, text(data, size));
}

void writeFile(const std::string& name, std::string_view content) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int buildTree(FaultTree& FT) {
  static Array1<int> INDLST(WRKSIZ);
  static Array1<int> words(BLDPOOL);
  static Array1<int> heads(MAXNSZ);
  NodePool pool{words, heads};
  INIDYN(pool, 0, 1, 5, 6);
  int status = ERRGEN;
  closesItsFiles(
      [&] { status = BLDLST("M.FTR               ", INDLST, FT, pool, MAXNOD, MAXBAS); });
  return status;
}

int openFiles() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "molvex fuzz: %s\n", what);
  std::abort();
}

}  // namespace molvex::fuzz
