// One run on a model at the state limit: the generation with the index, the
// copy of the files it wrote, the generation that hands the chain over
// instead of writing it (what the work costs without the text), the
// generation with the plain scan of the lists (which must write the same
// files), and the peak memory.
//
//   molvex_limit [FAMILY SIZE] [--no-scan]
//
// FAMILY is one of the names below; without it, the model nearest to the
// limit of 80,000 states: nine sequence gates (78,733 states).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "models.h"
#include "stategen/outarc.h"
#include "stategen/store.h"
#include "support/console.h"

namespace fs = std::filesystem;
using molvex::bench::Model;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Compared piecewise, so that the comparison does not add to the peak.
bool sameFiles(const fs::path& a, const fs::path& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  static char bx[1 << 16], by[1 << 16];
  for (;;) {
    x.read(bx, sizeof bx);
    y.read(by, sizeof by);
    if (x.gcount() != y.gcount() ||
        std::memcmp(bx, by, static_cast<std::size_t>(x.gcount())) != 0) {
      return false;
    }
    if (x.gcount() == 0) return x.eof() && y.eof();
  }
}

// Generates the model with the index or with the scan; returns the seconds.
double timedGeneration(const Model& m, int useIndex, molvex::bench::Outcome& out) {
  molvex::bench::writeModel(m);
  molvex::IDXDEF = useIndex;
  const auto start = Clock::now();
  const int status = molvex::bench::generate(m);
  const double seconds = secondsSince(start);
  out = molvex::bench::outcome(m, status);
  return seconds;
}

// Takes the chain as the generation hands it over and keeps only counts.
class CountingSink : public molvex::ChainSink {
 public:
  void state(int, molvex::CIntTab, int) override { ++states; }
  void arc(int, int, long long, int, bool, bool) override { ++arcs; }
  void total(int) override {}
  long states = 0, arcs = 0;
};

// The generation with the index, the chain handed over instead of written;
// returns the seconds.
double untextedGeneration(const Model& m, CountingSink& sink, int& status) {
  molvex::bench::writeModel(m);
  molvex::IDXDEF = 1;
  molvex::CHNSNK = &sink;
  const auto start = Clock::now();
  status = molvex::bench::generate(m);
  const double seconds = secondsSince(start);
  molvex::CHNSNK = nullptr;
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const auto& families = molvex::bench::families();
  bool scan = true;
  std::string family = "seq";
  int size = 9;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-scan") == 0) {
      scan = false;
    } else if (std::strcmp(argv[i], "--max-states") == 0 && i + 1 < argc &&
               molvex::setStateLimit(std::atol(argv[i + 1])) == 1) {
      ++i;
    } else if (families.count(argv[i]) != 0 && i + 1 < argc) {
      family = argv[i];
      size = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: molvex_limit [FAMILY SIZE] [--no-scan] [--max-states N]\n");
      return 2;
    }
  }
  const Model m = families.at(family)(size);

  const molvex::testing::ScratchDir scratch;
  molvex::bench::Outcome indexed, scanned;
  const double tIndex = timedGeneration(m, 1, indexed);
  const double peak = molvex::bench::peakMiB();
  std::printf("model %s %d: status %d, %ld states, %ld transitions, %ld bytes written\n",
              family.c_str(), size, indexed.status, indexed.states, indexed.transitions,
              indexed.bytes);
  std::printf("generation with the index: %.3f s (peak resident %.1f MiB)\n", tIndex, peak);

  fs::create_directory("copy");
  const std::string cp = "cp " + m.name + ".INT " + m.name + ".TUP copy/";
  const auto start = Clock::now();
  const int cpStatus = std::system(cp.c_str());
  const double tCopy = secondsSince(start);
  std::printf("cp of the .INT and .TUP files: %.3f s (status %d); generation / cp = %.1f\n", tCopy,
              cpStatus, tIndex / tCopy);

  int result = indexed.status == 1 ? 0 : 1;
  fs::create_directory("indexed");
  for (const char* ext : {".INT", ".TUP", ".DIC"}) {
    fs::rename(m.name + ext, "indexed/" + m.name + ext);
  }
  CountingSink sink;
  int bareStatus = 0;
  const double tBare = untextedGeneration(m, sink, bareStatus);
  std::printf(
      "generation without the text (status %d, chain handed over, %ld states, %ld arcs): %.3f s; "
      "/ cp = %.1f\n",
      bareStatus, sink.states, sink.arcs, tBare, tBare / tCopy);
  if (bareStatus != indexed.status) result = 1;
  if (scan) {
    const double tScan = timedGeneration(m, 0, scanned);
    bool same = true;
    for (const char* ext : {".INT", ".TUP", ".DIC"}) {
      same = same && sameFiles(m.name + ext, "indexed/" + m.name + ext);
    }
    std::printf("generation with the plain scan: %.3f s; scan / index = %.1f; files %s\n", tScan,
                tScan / tIndex, same ? "identical" : "DIFFER");
    if (!same) result = 1;
  }
  std::printf("peak resident size of the process: %.1f MiB\n", molvex::bench::peakMiB());
  return result;
}
