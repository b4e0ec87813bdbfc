#include "dict/dict.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <set>

#include "main/globals.h"
#include "support/console.h"
#include "support/folders.h"
#include "util/units.h"

namespace molvex {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string F606 = " **** WRTDCT: ERROR F606 - ERROR WRITING DICTIONARY FILE ****";

// What a flush to the disk found when it was called.
struct Synced {
  bool directory;
  ino_t inode;
  off_t size;       // of a file; 0 for a directory
  bool freshThere;  // whether M.DIC.NEW existed
  bool operator==(const Synced&) const = default;
};
std::vector<Synced> synced;
// When set, what a flush returns in place of fsync's answer.
int (*syncOutcome)(const Synced&) = nullptr;

int recordSync(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return -1;
  const bool directory = S_ISDIR(st.st_mode);
  synced.push_back({directory, st.st_ino, directory ? 0 : st.st_size,
                    fs::exists(fs::symlink_status("M.DIC.NEW"))});
  return syncOutcome != nullptr ? syncOutcome(synced.back()) : fsync(fd);
}

ino_t inode(const char* name) {
  struct stat st {};
  return stat(name, &st) == 0 ? st.st_ino : 0;
}

// Files written from now on are cut at `bytes`, the write failing then.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : handler_(signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit cut = saved_;
    cut.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &cut);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, handler_);
  }

 private:
  rlimit saved_{};
  void (*handler_)(int);
};

std::string padded(const std::string& text, std::size_t width) {
  return text + std::string(width - text.size(), ' ');
}

// Entries first .. last, each a header and a one-line body.
std::string entries(int first, int last) {
  std::string text;
  for (int t = first; t <= last; ++t) {
    text += std::to_string(t) + " RATE LAM" + std::to_string(t) + "\n  body of the entry\n";
  }
  return text;
}

// A header place without three words, the last column passed.
const std::string f603 =
    " **** RDDICT: ERROR F603 - UNEXPECTED EOL ENCOUNTERED WHILE PARSING NEXT ITEM FROM "
    "INPUT LINE, OFFSET =  81 ****";

struct Dictionary : ::testing::Test {
  Dictionary() {
    INITDR();
    INIUTL(0, 5, 6, 0);
    synced.clear();
    syncOutcome = nullptr;
    setSyncCall(recordSync);
  }
  ~Dictionary() override { setSyncCall(nullptr); }
  testing::Console con;
  testing::ScratchDir dir;
  Array1<std::string> TYPNAM{96};
  Array1<int> FAILST{96};
  Array1<int> TRNCST{96};
  int NTYPES = -1;

  int read(const std::string& content) {
    dir.write("M.DIC", content);
    return RDDICT("M.DIC", NTYPES, TYPNAM, 96);
  }
  int write(const std::string& content, int ntrunc) {
    dir.write("M.DIC", content);
    return WRTDCT("M.DIC               ", 2, FAILST, TRNCST, ntrunc);
  }
};

TEST_F(Dictionary, ReadsTheTypesUpToFeids) {
  const std::string u900 =
      " **** SKPICT: ERROR U900 - UNEXPECTED END-OF-FILE ENCOUNTERED WHILE READING DICTIONARY FILE";
  const std::string f605 = " **** RDDICT: ERROR F605 - COMPONENT ENTRIES OUT OF ORDER IN DICTIONARY: ****";
  const std::string tooLong = std::string(81, 'x');
  const struct {
    std::string content;
    int status;
    int ntypes;
    Lines screen;
  } cases[] = {
      {"", 1, 0, {}},
      {" FEIDS\n 3 4 \n", 1, 0, {}},
      {entries(1, 2) + "  FEIDS\n 1 2 \n TAIDS\n 3 4\n", 1, 2, {}},
      // Blank lines and lines ending in a comma belong to the body.
      {"1 X LAM1\n first,\n\n   \n second ,  \n end\n2 Y LAM2 MORE WORDS\n b\n", 1, 2, {}},
      // A body may mention FEIDS; only a header place ends the reading.
      {"1 X LAM1\n see FEIDS\n2 Y LAM2\n b\n", 1, 2, {}},
      {entries(1, 2) + "4 Z LAM4\n b\n", -1, 2, {f605, " " + padded("4 Z LAM4", 100)}},
      {"0 Z LAM0\n b\n", -1, 0, {f605, " " + padded("0 Z LAM0", 100)}},
      {entries(1, 96) + "97 Z LAM97\n b\n", -1, 96,
       {" **** RDDICT: ERROR F601 - DICTIONARY OVERFLOW, MAX NUMBER OF COMPONENT TYPES =  96 ****"}},
      {"1 X\n b\n", -1, 1, {f603}},
      {"\n1 X LAM1\n b\n", -1, 0, {f603}},
      {"1 X LAM1\n b\n\n2 Y LAM2\n b\n", -1, 1, {f603}},
      {"  A X LAM1\n b\n", -1, 0,
       {" *** NXTWRD: ERROR U801 - ERROR PARSING NUMERIC VALUE (A) IN LINE: ***",
        "    " + padded("  A X LAM1", 100),
        " **** RDDICT: ERROR F604 - ERROR ENCOUNTERED WHILE PARSING NEXT ITEM FROM INPUT LINE, "
        "OFFSET =   3 ****"}},
      {entries(1, 1) + "2 Y LAM2\n", -1, 2,
       {u900, " **** RDDICT: TRACEBACK - ERROR RETURNED BY SKPICT() ****"}},
      {entries(1, 1) + tooLong + "\n", -1, 1,
       {" **** GETLIN: ERROR U500 - INPUT LINE TOO LONG, MUST BE <= 80 CHAR'S ****",
        " **** GETLIN:  DISPLAY OF INVALID LINE: " + padded(tooLong, 100),
        " **** RDDICT: TRACEBACK - ERROR RETURNED BY GETLIN() ****"}},
  };
  for (const auto& c : cases) {
    con.clear();
    TYPNAM.fill("stale");
    EXPECT_EQ(read(c.content), c.status) << c.content;
    EXPECT_EQ(NTYPES, c.ntypes) << c.content;
    EXPECT_EQ(con.lines(), c.screen) << c.content;
    for (int t = NTYPES + 1; t <= 96; ++t) EXPECT_EQ(TYPNAM(t), std::string(15, ' '));
  }
}

// A type's further forms right after its entry, for a reader that asks;
// anywhere else, twice, malformed, or for a reader that does not ask, each
// is the entry out of order it always was.
TEST_F(Dictionary, FurtherFormsFollowTheirType) {
  const std::string f605 =
      " **** RDDICT: ERROR F605 - COMPONENT ENTRIES OUT OF ORDER IN DICTIONARY: ****";
  const std::string dormant2 = "2 DORMANT D2\n b\n";
  const std::string type3 = "3 Z LAM3\n b\n";
  struct Forms {
    std::vector<std::string> dormant;  // of types 1, 2, 3
    std::vector<int> module, forced;
    bool operator==(const Forms&) const = default;
  };
  const Forms none{{"", "", ""}, {0, 0, 0}, {0, 0, 0}};
  const struct {
    std::string content;
    bool asks;
    int status;
    Forms forms;
  } cases[] = {
      {entries(1, 2) + dormant2 + type3, true, 1, {{"", "D2", ""}, {0, 0, 0}, {0, 0, 0}}},
      {"1 X LAM1\n b\n1 DORMANT LAM1 more\n b\n",
       true,
       1,
       {{"LAM1", "", ""}, {0, 0, 0}, {0, 0, 0}}},
      {entries(1, 2) + "2 MODULE 1\n b\n2 FORCED ONLY\n b\n" + dormant2 + type3 +
           "3 MODULE 2\n b\n",
       true,
       1,
       {{"", "D2", ""}, {0, 1, 2}, {0, 1, 0}}},
      {entries(1, 2) + dormant2 + "2 DORMANT D3\n b\n",
       true,
       -1,
       {{"", "D2", ""}, {0, 0, 0}, {0, 0, 0}}},
      {entries(1, 2) + "1 DORMANT D1\n b\n", true, -1, none},
      {entries(1, 2) + "2 dormant D2\n b\n", true, -1, none},
      {entries(1, 2) + "2 DORMANT\n b\n", true, -1, none},
      {entries(1, 2) + "2 MODULE 2\n b\n", true, -1, none},
      {entries(1, 2) + "2 MODULE 0\n b\n", true, -1, none},
      {entries(1, 2) + "2 MODULE 1x\n b\n", true, -1, none},
      {entries(1, 2) + "2 MODULE 1\n b\n2 MODULE 1\n b\n",
       true,
       -1,
       {{"", "", ""}, {0, 1, 0}, {0, 0, 0}}},
      {entries(1, 2) + "2 FORCED NOW\n b\n", true, -1, none},
      {entries(1, 2) + dormant2, false, -1, none},
  };
  for (const auto& c : cases) {
    con.clear();
    Array1<std::string> DRMNAM(96, "stale");
    Array1<int> MODTYP(96, 7), FRCONL(96, 7);
    const TypeForms forms{DRMNAM, MODTYP, FRCONL};
    dir.write("M.DIC", c.content);
    EXPECT_EQ(RDDICT("M.DIC", NTYPES, TYPNAM, 96, nullptr, c.asks ? &forms : nullptr), c.status)
        << c.content;
    if (c.status == 1) {
      EXPECT_EQ(con.lines(), Lines{}) << c.content;
    } else {
      EXPECT_EQ(con.lines().at(0), f605) << c.content;
    }
    if (!c.asks) continue;
    Forms read;
    for (int t = 1; t <= 3; ++t) {
      read.dormant.push_back(DRMNAM(t).substr(0, DRMNAM(t).find(' ')));
      read.module.push_back(MODTYP(t));
      read.forced.push_back(FRCONL(t));
    }
    // What came before a line out of order stays read.
    EXPECT_EQ(read, c.forms) << c.content;
  }
}

TEST_F(Dictionary, LongNamesAreCutTo15Characters) {
  EXPECT_EQ(read("1 X ABCDEFGHIJKLMNO\n b\n2 X ABCDEFGHIJKLMNOPQR\n b\n3 X ABCDEFGHIJKLMN MORE\n b\n"),
            1);
  EXPECT_EQ(NTYPES, 3);
  EXPECT_EQ(TYPNAM(1), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(TYPNAM(2), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(TYPNAM(3), "ABCDEFGHIJKLMN ");
  const std::string cut = " " + std::string(28, ' ') + "TOO LONG - TRUNCATED TO  15 CHARACTERS ++++";
  EXPECT_EQ(con.lines(),
            (Lines{" ++++ RDDICT: WARNING F100 - FAILURE RATE VARIABLE, ABCDEFGHIJKLMNO     ", cut,
                   " ++++ RDDICT: WARNING F100 - FAILURE RATE VARIABLE, ABCDEFGHIJKLMNOPQR  ", cut}));
}

TEST_F(Dictionary, TheFeidsSectionIsAppendedOrReplaced) {
  FAILST(1) = 7;
  FAILST(2) = 12;
  TRNCST(1) = 8;
  TRNCST(2) = 13;
  const std::string head = "1 X LAM1   \n body,\n\n end  \n2 Y LAM2\n b\n";
  const struct {
    std::string before;
    int ntrunc;
    std::string after;
  } cases[] = {
      {"", 0, " FEIDS\n 7 12 \n"},
      {head, 0, head + " FEIDS\n 7 12 \n"},
      {head, 3, head + " FEIDS\n 7 12 \n TAIDS\n 8 13 \n"},
      {head + "  FEIDS  \n 1 2 \n TAIDS\n 3 4 \n", 0, head + "  FEIDS  \n 7 12 \n"},
      {head + " FEIDS\n", 1, head + " FEIDS\n 7 12 \n TAIDS\n 8 13 \n"},
      // A body line with the letters does not cut away the entries after it.
      {"1 X LAM1\n FEIDS in a body\n2 Y LAM2\n b\n", 0,
       "1 X LAM1\n FEIDS in a body\n2 Y LAM2\n b\n FEIDS\n 7 12 \n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(write(c.before, c.ntrunc), 1) << c.before;
    EXPECT_EQ(dir.read("M.DIC"), c.after) << c.before;
  }
  EXPECT_FALSE(std::filesystem::exists("M.DIC.NEW"));
  EXPECT_TRUE(con.lines().empty());
  EXPECT_EQ(RDDICT("M.DIC", NTYPES, TYPNAM, 96), 1);
  EXPECT_EQ(NTYPES, 2);
}

// A carriage return that is part of a line (reading drops only the one
// before the line end) is kept, so the entries read back as they were.
TEST_F(Dictionary, ARewrittenDictionaryReadsAsItDidBefore) {
  FAILST(1) = 7;
  FAILST(2) = 12;
  // The body line of type 1 ends in the carriage return, not in its comma.
  const std::string entries = "1 X LAM1\r\r\n BODY,\r\r\n2 Y LAM2\r\n B\n";
  EXPECT_EQ(read(entries), 1);
  EXPECT_EQ(NTYPES, 2);
  EXPECT_EQ(TYPNAM(1), "LAM1\r          ");
  EXPECT_EQ(write(entries, 0), 1);
  EXPECT_EQ(dir.read("M.DIC"), "1 X LAM1\r\r\n BODY,\r\r\n2 Y LAM2\n B\n FEIDS\n 7 12 \n");
  EXPECT_EQ(RDDICT("M.DIC", NTYPES, TYPNAM, 96), 1);
  EXPECT_EQ(NTYPES, 2);
  EXPECT_EQ(TYPNAM(1), "LAM1\r          ");
  EXPECT_EQ(TYPNAM(2), "LAM2           ");
  EXPECT_TRUE(con.lines().empty());
}

TEST_F(Dictionary, AFailedRewriteLeavesTheDictionaryAsItWas) {
  const std::string old = entries(1, 2) + " FEIDS\n 1 2 \n";
  std::filesystem::create_directory("M.DIC.NEW");
  EXPECT_EQ(write(old, 0), -1);
  EXPECT_EQ(dir.read("M.DIC"), old);
  EXPECT_EQ(WRTDCT("N.DIC", 2, FAILST, TRNCST, 0), -1);
  EXPECT_EQ(RDDICT("N.DIC", NTYPES, TYPNAM, 96), -1);
  // A dictionary that ends inside an entry is not rewritten either.
  const std::string cut = entries(1, 1) + "2 Y LAM2\n";
  std::filesystem::remove("M.DIC.NEW");
  EXPECT_EQ(write(cut, 0), -1);
  EXPECT_EQ(dir.read("M.DIC"), cut);
  EXPECT_EQ(con.lines(),
            (Lines{" **** WRTDCT: ERROR F606 - ERROR WRITING DICTIONARY FILE ****",
                   " **** WRTDCT: ERROR F600 - DICTIONARY FILE NOT FOUND ****",
                   " **** RDDICT: ERROR F600 - DICTIONARY FILE NOT FOUND ****",
                   " **** SKPICT: ERROR U900 - UNEXPECTED END-OF-FILE ENCOUNTERED WHILE READING "
                   "DICTIONARY FILE",
                   " **** WRTDCT: TRACEBACK - ERROR RETURNED BY SKPICT() ****"}));
}

TEST_F(Dictionary, TheNewFileIsOnTheDiskBeforeItTakesTheNameAndTheNameAfter) {
  EXPECT_EQ(write(entries(1, 2), 0), 1);
  struct stat dic {};
  ASSERT_EQ(stat("M.DIC", &dic), 0);
  EXPECT_EQ(synced, (std::vector<Synced>{{false, dic.st_ino, dic.st_size, true},
                                         {true, inode("."), 0, false}}));
}

// Each failure after M.DIC.NEW was made removes it; only one after the
// rename leaves the new dictionary in place.
TEST_F(Dictionary, AFailedRewriteRemovesItsNewFile) {
  FAILST(1) = 7;
  FAILST(2) = 12;
  const std::string old = entries(1, 2) + " FEIDS\n 1 2 \n";
  const std::string rewritten = entries(1, 2) + " FEIDS\n 7 12 \n";
  const struct {
    const char* what;
    bool cut;  // the new file cannot be written whole
    int (*outcome)(const Synced&);
    int status;
    std::string after;  // M.DIC, "/" when it is a directory
  } cases[] = {
      {"the new file is cut short", true, nullptr, -1, old},
      {"the new file cannot be flushed", false,
       [](const Synced& s) { return s.directory ? 0 : (errno = EIO, -1); }, -1, old},
      {"the dictionary became a directory before the rename", false,
       [](const Synced& s) {
         if (!s.directory && fs::remove("M.DIC")) fs::create_directories("M.DIC/ENTRY");
         return 0;
       },
       -1, "/"},
      {"the directory cannot be flushed", false,
       [](const Synced& s) { return s.directory ? (errno = EIO, -1) : 0; }, -1, rewritten},
      {"a file system that cannot flush a directory", false,
       [](const Synced& s) { return s.directory ? (errno = EINVAL, -1) : 0; }, 1, rewritten},
  };
  for (const auto& c : cases) {
    con.clear();
    fs::remove_all("M.DIC");
    dir.write("M.DIC", old);
    syncOutcome = c.outcome;
    std::optional<FileSizeLimit> limit;
    if (c.cut) limit.emplace(old.size() / 2);
    EXPECT_EQ(WRTDCT("M.DIC", 2, FAILST, TRNCST, 0), c.status) << c.what;
    limit.reset();
    EXPECT_EQ(fs::is_directory("M.DIC") ? "/" : dir.read("M.DIC"), c.after) << c.what;
    EXPECT_FALSE(fs::exists(fs::symlink_status("M.DIC.NEW"))) << c.what;
    EXPECT_EQ(con.lines(), c.status == 1 ? Lines{} : Lines{F606}) << c.what;
  }
}

// An M.DIC.NEW the run did not make is not its to empty, write through or
// remove; the dictionary then stays as it was.
TEST_F(Dictionary, ANewFileThatWasThereIsLeftAlone) {
  const std::string old = entries(1, 2);
  for (const bool link : {false, true}) {
    con.clear();
    dir.write("OTHER", "not ours\n");
    fs::remove("M.DIC.NEW");
    if (link) {
      fs::create_symlink("OTHER", "M.DIC.NEW");
    } else {
      dir.write("M.DIC.NEW", "not ours\n");
    }
    EXPECT_EQ(write(old, 0), -1) << link;
    EXPECT_EQ(dir.read("M.DIC"), old) << link;
    EXPECT_EQ(dir.read("M.DIC.NEW"), "not ours\n") << link;
    EXPECT_EQ(dir.read("OTHER"), "not ours\n") << link;
    EXPECT_EQ(fs::is_symlink(fs::symlink_status("M.DIC.NEW")), link);
    EXPECT_EQ(con.lines(), Lines{F606}) << link;
  }
  EXPECT_TRUE(synced.empty());
}

// Two model folders share one dictionary, A through a chain of two links.
TEST_F(Dictionary, ALinkedDictionaryIsRewrittenWhereItLies) {
  FAILST(1) = 7;
  FAILST(2) = 12;
  for (const char* folder : {"shared", "A", "B"}) fs::create_directory(folder);
  dir.write("shared/REAL.DIC", entries(1, 2));
  fs::permissions("shared/REAL.DIC", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("REAL.DIC", "shared/LINK.DIC");
  fs::create_symlink("../shared/LINK.DIC", "A/M.DIC");
  fs::create_symlink("../shared/REAL.DIC", "B/M.DIC");
  fs::current_path("A");
  EXPECT_EQ(WRTDCT("M.DIC", 2, FAILST, TRNCST, 0), 1);
  fs::current_path(dir.path());
  EXPECT_EQ(fs::read_symlink("A/M.DIC"), "../shared/LINK.DIC");
  EXPECT_EQ(fs::read_symlink("shared/LINK.DIC"), "REAL.DIC");
  const std::string rewritten = entries(1, 2) + " FEIDS\n 7 12 \n";
  EXPECT_EQ(dir.read("shared/REAL.DIC"), rewritten);
  EXPECT_EQ(dir.read("B/M.DIC"), rewritten);
  EXPECT_EQ(fs::status("shared/REAL.DIC").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(".")) {
    names.insert(entry.path().lexically_relative(".").string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"A", "A/M.DIC", "B", "B/M.DIC", "shared",
                                          "shared/LINK.DIC", "shared/REAL.DIC"}));
  struct stat real {};
  ASSERT_EQ(stat("shared/REAL.DIC", &real), 0);
  EXPECT_EQ(synced, (std::vector<Synced>{{false, real.st_ino, real.st_size, false},
                                         {true, inode("shared"), 0, false}}));
  EXPECT_TRUE(con.lines().empty());
}

// What the dialogue asks of the kernel, seen from outside: the recorded
// flushes above do not show that they reach it.
TEST(DictionaryOnDisk, TheKernelFlushesTheNewFileBeforeTheRenameAndTheDirectoryAfter) {
  const fs::path molvex = fs::path(MOLVEX_BINARY_DIR) / "molvex";
  if (!fs::exists(molvex)) GTEST_SKIP() << "molvex is not built";
  if (std::system("command -v strace >/dev/null 2>&1") != 0) GTEST_SKIP() << "no strace";
  testing::ScratchDir dir;
  testing::copyFiles(fs::path(MOLVEX_SOURCE_DIR) / "examples/pumps", dir.path());
  // The leak checker of a sanitized build cannot work under a tracer.
  const std::string command =
      "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" strace -f -y -o trace "
      "-e trace=fsync,fdatasync,rename,renameat,renameat2 '" +
      molvex.string() + "' < answers.txt > screen 2>&1";
  const int status = std::system(command.c_str());
  const std::string trace = dir.read("trace");
  if (trace.find("+++ exited") == std::string::npos) GTEST_SKIP() << "strace cannot trace here";
  EXPECT_EQ(status, 0) << dir.read("screen");
  // The calls on the dictionary and on its directory; strace shows a file
  // descriptor with its path.
  const std::string here = fs::canonical(dir.path()).string();
  const std::regex sync(R"(^\d+ +(f(?:data)?sync)\(\d+<(.*)>\) += (-?\d+))");
  const std::regex rename(R"(^\d+ +rename\w*\(.*"PUMPS\.DIC\.NEW".*\) += (-?\d+))");
  Lines calls;
  for (const std::string& line : testing::splitLines(trace)) {
    std::smatch m;
    if (std::regex_search(line, m, sync) && (m[2] == here || m[2] == here + "/PUMPS.DIC.NEW")) {
      calls.push_back(m[1].str() + " " + m[2].str() + " = " + m[3].str());
    } else if (std::regex_search(line, m, rename)) {
      calls.push_back("rename = " + m[1].str());
    }
  }
  EXPECT_EQ(calls,
            (Lines{"fsync " + here + "/PUMPS.DIC.NEW = 0", "rename = 0", "fsync " + here + " = 0"}))
      << trace;
  EXPECT_EQ(dir.read("PUMPS.DIC"),
            testing::readFile(fs::path(MOLVEX_SOURCE_DIR) / "examples/pumps/expected/PUMPS.DIC"));
}

}  // namespace
}  // namespace molvex
