// The golden folders: each folder of examples/ and tests/golden/ that holds
// a model and the keyboard answers of its dialogue (answers.txt).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace molvex::testing {

// The golden folders, in name order.
std::vector<std::filesystem::path> goldenFolders();

// The name of a folder's test case: its parent's name and its own, each
// character that gtest would refuse made '_'.
std::string goldenName(const ::testing::TestParamInfo<std::filesystem::path>& info);

// Copies the files of a folder, not its subfolders, into a directory.
void copyFiles(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace molvex::testing
