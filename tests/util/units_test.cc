#include "util/units.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "support/console.h"

namespace molvex {
namespace {

using testing::Console;
using testing::ScratchDir;

TEST(FreeFormat, IntegersTakeABlankOnlyWhenTheTextBeforeLacksOne) {
  Console con;
  Line(6) << "**** SETFT: TRACEBACK - " << "ERROR " << -1 << " RETURNED BY FT2MC()";
  Line(6) << "(" << 1 << 1 << 0;
  Line(6) << 1 << " " << 2 << "    " << "2*LAM1;           ";
  Line(6);
  Line(6) << 12 << "x" << 3;
  EXPECT_EQ(con.lines(), (std::vector<std::string>{
                             " **** SETFT: TRACEBACK - ERROR -1 RETURNED BY FT2MC()",
                             " ( 1 1 0",
                             " 1 2    2*LAM1;           ",
                             " ",
                             " 12x 3",
                         }));
}

TEST(FreeFormat, ALineEndedWhileAnotherIsFormedLeavesItWhole) {
  Console con;
  {
    Line outer(6);
    outer << "A";
    Line(6) << "B";  // the console hands on what it holds, "A" too
    outer << 7;
  }
  EXPECT_EQ(con.screen(), " A B\n 7\n");
}

TEST(FreeFormat, FixedFieldsAreRightJustifiedAndNeverCut) {
  Console con;
  Line(6) << "(" << Fixed{20, 4} << "," << Fixed{-3, 4} << ")" << Fixed{12345, 3};
  EXPECT_EQ(con.lines(), std::vector<std::string>{" (  20,  -3)12345"});
}

TEST(FreeFormat, TextGrowsPastEveryRoomItHadWithoutLosingWhatItHeld) {
  TextBuffer text;
  std::string expected;
  for (const std::size_t piece : {0, 1, 254, 1, 300, 0, 5000, 3}) {
    const std::string add(piece, static_cast<char>('a' + expected.size() % 26));
    text.append(add);
    expected += add;
    text.push_back('|');
    expected += '|';
  }
  EXPECT_EQ(text.view(), expected);
  TextBuffer moved = std::move(text);
  EXPECT_EQ(moved.view(), expected);
  moved.clear();
  moved.push_back('x');
  EXPECT_EQ(moved.view(), "x");
}

TEST(Units, PromptStaysOnItsLine) {
  Console con;
  writeText(6, " Define another model  (y/n) ?  ");
  EXPECT_EQ(con.screen(), " Define another model  (y/n) ?  ");
}

TEST(Units, KeyboardRecordsEndAtEndOfInput) {
  Console con("first\r\nsecond");
  std::string rec;
  EXPECT_EQ(readRecord(5, rec), 1);
  EXPECT_EQ(rec, "first");
  EXPECT_EQ(readRecord(5, rec), 1);
  EXPECT_EQ(rec, "second");
  EXPECT_EQ(readRecord(5, rec), -11);
  EXPECT_EQ(readRecord(5, rec), -11);
}

TEST(Units, FilesAreWrittenReadAndRewound) {
  ScratchDir dir;
  EXPECT_FALSE(fileExists("A.INT"));
  ASSERT_EQ(openOutput(9, "A.INT   "), 1);
  Line(9) << "SORTED";
  Line(9) << 1 << " " << 2;
  EXPECT_EQ(closeUnit(9), 1);
  EXPECT_TRUE(fileExists("A.INT  "));
  EXPECT_EQ(dir.read("A.INT"), " SORTED\n 1 2\n");

  ASSERT_EQ(openInput(8, "A.INT"), 1);
  std::string rec;
  EXPECT_EQ(readRecord(8, rec), 1);
  EXPECT_EQ(readRecord(8, rec), 1);
  EXPECT_EQ(rec, " 1 2");
  EXPECT_EQ(readRecord(8, rec), -11);
  rewindUnit(8);
  EXPECT_EQ(readRecord(8, rec), 1);
  EXPECT_EQ(rec, " SORTED");
  EXPECT_EQ(closeUnit(8), 1);
}

// Files in memory behave as those on the disk, and the disk sees none of
// them: written when closed, read back, never created twice, replaced,
// removed; a name is no link.
TEST(Units, FilesInMemoryNeverTouchTheDisk) {
  ScratchDir dir;
  std::map<std::string, std::string> files = {{"M.DIC", "1 BE A\n"}};
  useMemoryFiles(&files);
  EXPECT_TRUE(fileExists("M.DIC  "));
  EXPECT_FALSE(fileExists("M.INT"));
  EXPECT_EQ(openInput(8, "M.INT"), -1);
  ASSERT_EQ(openOutput(9, "M.INT "), 1);
  Line(9) << "SORTED";
  EXPECT_EQ(files.count("M.INT"), 0U);
  EXPECT_EQ(closeUnit(9), 1);
  EXPECT_EQ(files["M.INT"], " SORTED\n");
  ASSERT_EQ(openInput(8, "M.INT"), 1);
  std::string rec;
  EXPECT_EQ(readRecord(8, rec), 1);
  EXPECT_EQ(rec, " SORTED");
  EXPECT_EQ(readRecord(8, rec), -11);
  EXPECT_EQ(closeUnit(8), 1);
  EXPECT_EQ(createOutput(9, "M.DIC"), -1);
  ASSERT_EQ(createOutput(9, "M.DIC.NEW"), 1);
  Line(9) << "FEIDS";
  EXPECT_EQ(closeUnit(9), 1);
  EXPECT_EQ(replaceFile("M.DIC.NEW", "M.DIC"), 1);
  EXPECT_EQ(files,
            (std::map<std::string, std::string>{{"M.DIC", " FEIDS\n"}, {"M.INT", " SORTED\n"}}));
  EXPECT_EQ(linkTarget("M.DIC "), "M.DIC");
  EXPECT_EQ(syncDirectory("M.DIC"), 1);
  EXPECT_EQ(removeFile("M.INT"), 1);
  EXPECT_EQ(removeFile("M.INT"), -1);
  useMemoryFiles(nullptr);
  EXPECT_FALSE(fileExists("M.DIC"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Units, OpeningForOutputEmptiesAnOldFile) {
  ScratchDir dir;
  dir.write("B.TUP", "old line 1\nold line 2\nold line 3\n");
  ASSERT_EQ(openOutput(30, "B.TUP"), 1);
  Line(30) << 2;
  EXPECT_EQ(closeUnit(30), 1);
  EXPECT_EQ(dir.read("B.TUP"), " 2\n");
}

TEST(Units, MissingFilesAndDirectoriesDoNotOpen) {
  ScratchDir dir;
  EXPECT_EQ(openInput(4, "NONE.DIC"), -1);
  std::filesystem::create_directory(dir.path() / "D.INT");
  EXPECT_TRUE(fileExists("D.INT"));
  EXPECT_EQ(openInput(4, "D.INT"), -1);
  EXPECT_EQ(openOutput(9, "D.INT"), -1);
  std::string rec;
  EXPECT_EQ(readRecord(4, rec), -1);
}

// A stream attached to a unit that has a file open takes its place only
// after the file is closed: what was written reaches the file, and no stream
// of the old file is left behind on the unit.
TEST(Units, AttachingAStreamClosesTheFileOfTheUnit) {
  ScratchDir dir;
  dir.write("IN.TXT", "line\n");
  ASSERT_EQ(openOutput(7, "OUT.TXT"), 1);
  Line(7) << "KEPT";
  std::istringstream keyboard("typed\n");
  attachInput(7, &keyboard);
  EXPECT_EQ(dir.read("OUT.TXT"), " KEPT\n");
  Line(7) << "NOWHERE";
  EXPECT_EQ(flushUnit(7), -1);
  std::string rec;
  EXPECT_EQ(readRecord(7, rec), 1);
  EXPECT_EQ(rec, "typed");

  ASSERT_EQ(openInput(7, "IN.TXT"), 1);
  std::ostringstream screen;
  attachOutput(7, &screen);
  EXPECT_EQ(readRecord(7, rec), -1);
  Line(7) << "SHOWN";
  EXPECT_EQ(screen.str(), " SHOWN\n");
  attachInput(7, nullptr);
  attachOutput(7, nullptr);
}

TEST(Units, AFullDiskIsReportedWhenTheUnitIsClosed) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
  ASSERT_EQ(openOutput(9, "/dev/full"), 1);
  Line(9) << "SORTED";
  EXPECT_EQ(closeUnit(9), -1);
}

}  // namespace
}  // namespace molvex

namespace molvex {
namespace {

TEST(Units, ReplaceFileSwapsInTheNewContentWithTheOldPermissions) {
  testing::ScratchDir dir;
  dir.write("M.DIC", "old\n");
  std::filesystem::permissions(dir.path() / "M.DIC", std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_write);
  dir.write("M.DIC.NEW", "new\n");
  EXPECT_EQ(replaceFile("M.DIC.NEW", "M.DIC"), 1);
  EXPECT_EQ(dir.read("M.DIC"), "new\n");
  EXPECT_FALSE(fileExists("M.DIC.NEW"));
  EXPECT_EQ(std::filesystem::status(dir.path() / "M.DIC").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(replaceFile("NONE.NEW", "M.DIC"), -1);
  EXPECT_EQ(dir.read("M.DIC"), "new\n");
}

}  // namespace
}  // namespace molvex
