#include "support/folders.h"

#include <algorithm>
#include <cctype>

namespace molvex::testing {

namespace fs = std::filesystem;

std::vector<fs::path> goldenFolders() {
  std::vector<fs::path> out;
  for (const char* root : {"examples", "tests/golden"}) {
    const fs::path dir = fs::path(MOLVEX_SOURCE_DIR) / root;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (fs::exists(entry.path() / "answers.txt")) out.push_back(entry.path());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string goldenName(const ::testing::TestParamInfo<fs::path>& info) {
  const fs::path& folder = info.param;
  std::string name = folder.parent_path().filename().string() + "_" + folder.filename().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

void copyFiles(const fs::path& from, const fs::path& to) {
  for (const auto& entry : fs::directory_iterator(from)) {
    if (entry.is_regular_file()) fs::copy_file(entry.path(), to / entry.path().filename());
  }
}

}  // namespace molvex::testing
