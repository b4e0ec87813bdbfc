// The units layer: every console and file transfer of the program goes
// through a unit number, as the rest of the program speaks of them (keyboard
// 5, screen 6, dictionary 4, ...).  A unit is either attached to a stream the
// caller owns (the keyboard and the screen, or a test's string streams) or
// opened on a file by name.
//
// Output is collected per unit and handed to the stream in large pieces; a
// console unit is flushed at the end of every line so that a dialogue shows
// each message before it reads the answer.  A failed write is remembered and
// reported by closeUnit, so that a full disk is never taken for success.
#pragma once

#include <cstring>
#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace molvex {

constexpr int MAXUNT = 99;  // unit numbers 1..99

// Attaches an existing stream (not owned) to a unit, replacing whatever the
// unit had; a file open on the unit is closed first.  A null pointer
// detaches it.
void attachInput(int unit, std::istream* in);
void attachOutput(int unit, std::ostream* out);

// The stream attached to an output unit (null when none, or when the unit
// is open on a file), so that a caller may borrow the unit and give it back.
std::ostream* attachedOutput(int unit);

// Files kept in memory instead of on the disk: while a map is given, every
// file the units open, create, test, replace, remove or follow is the entry
// of its name (trailing blanks ignored), and a file written is there once
// its unit is closed.  A null pointer goes back to the disk.
void useMemoryFiles(std::map<std::string, std::string>* files);

// A file to read as a stream of its own, apart from the units: the one in
// memory while files are kept there, else the one on the disk; null when it
// is not there or cannot be opened.
std::unique_ptr<std::istream> openStream(std::string_view name);

// Whether a file of that name (trailing blanks ignored) exists.
bool fileExists(std::string_view name);

// Open a file on a unit: for reading an existing file, or for writing a file
// that is created or emptied.  Return 1, or -1 when it cannot be opened.
int openInput(int unit, std::string_view name);
int openOutput(int unit, std::string_view name);

// Creates a file for writing on a unit only when nothing of that name exists
// (no file, directory or link), so that a file this run did not create is
// never emptied or written through.  Closing the unit puts the file on the
// disk, and fails when that fails.  Returns 1, or -1 (nothing is created).
int createOutput(int unit, std::string_view name);

// Puts the file `newName` in the place of `oldName` in one step, keeping the
// old file's permissions: a reader sees either the whole old file or the
// whole new one.  Returns 1, or -1 (the old file is then untouched).
int replaceFile(std::string_view newName, std::string_view oldName);

// Puts on the disk the directory that holds the file `name`, so that a file
// renamed into it keeps its name after a power loss.  Returns 1, or -1.
int syncDirectory(std::string_view name);

// Removes a file (not a directory); returns 1, or -1.
int removeFile(std::string_view name);

// The file a name stands for: a symbolic link, or a chain of them, followed
// to the file at its end; any other name as given.  Trailing blanks are
// dropped; "" when a link leads nowhere.
std::string linkTarget(std::string_view name);

// The call that puts a file or a directory on the disk: fsync, unless a test
// has put its own in its place to watch the calls or to make one fail.  A
// null call restores fsync.
using SyncCall = int (*)(int fd);
void setSyncCall(SyncCall call);

// Positions an input unit at the beginning of its file.
void rewindUnit(int unit);

// Flushes and closes a file unit; returns 1, or -1 when any write to it has
// failed (a full disk, a closed stream) since it was opened.
int closeUnit(int unit);

// Flushes what has been written to the unit; returns 1, or -1 after a failed
// write.
int flushUnit(int unit);

// Reads one record (line) without its line end; a carriage return before the
// line end is dropped as well.  Returns 1, -11 at end of file, -1 when the
// unit cannot be read.
int readRecord(int unit, std::string& record);

// Writes text without ending the line (a prompt that leaves the cursor
// behind it) and flushes it.
void writeText(int unit, std::string_view text);

// Appends text to a unit's output as it stands, line ends included, and hands
// it to the stream only when much has gathered: for files written in bulk.
void appendText(int unit, std::string_view text);

// A right-justified integer field of fixed width, for the messages whose
// layout gives columns.  A value wider than the field is written whole.
struct Fixed {
  int value;
  int width;
};

struct Unit;  // a unit's stream and the output gathered for it

// The output gathered for a unit: a growing text that appends with one
// check of its room, as the lines of a chain are appended millions of times.
class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(TextBuffer&& other) noexcept { *this = std::move(other); }
  TextBuffer& operator=(TextBuffer&& other) noexcept {
    data_ = std::move(other.data_);
    end_ = std::exchange(other.end_, nullptr);
    cap_ = std::exchange(other.cap_, nullptr);
    return *this;
  }

  void append(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(cap_ - end_)) grow(text.size());
    if (!text.empty()) std::memcpy(end_, text.data(), text.size());
    end_ += text.size();
  }
  void push_back(char c) {
    if (end_ == cap_) grow(1);
    *end_++ = c;
  }
  // The last character, or none ('\0') in an empty text: a line's text is
  // handed on when another line on its unit ends while it is being formed.
  char back() const { return end_ != data_.get() ? end_[-1] : '\0'; }
  std::size_t size() const { return static_cast<std::size_t>(end_ - data_.get()); }
  bool empty() const { return end_ == data_.get(); }
  void clear() { end_ = data_.get(); }
  void reserve(std::size_t n);
  std::string_view view() const { return std::string_view(data_.get(), size()); }

 private:
  void grow(std::size_t more);  // room for `more` characters beyond the text

  std::unique_ptr<char[]> data_;
  char* end_ = nullptr;
  char* cap_ = nullptr;
};

// One free-format line.  It begins with one blank; a text item is written
// as given; an integer item is written as its digits, preceded by one blank
// unless the line so far ends in a blank.  The line ends when the Line object
// goes out of scope.  The items most lines are made of are appended here,
// without a call: the arc lines of a chain are written millions of times.
class Line {
 public:
  explicit Line(int unit);
  Line(Line&& other) noexcept;
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;
  Line& operator=(Line&&) = delete;
  ~Line() {
    if (buf_ != nullptr) end();
  }

  Line& operator<<(std::string_view text) {
    buf_->append(text);
    return *this;
  }
  Line& operator<<(const char* text) { return *this << std::string_view(text); }
  Line& operator<<(const std::string& text) { return *this << std::string_view(text); }
  Line& operator<<(char c) {
    buf_->push_back(c);
    return *this;
  }
  Line& operator<<(int value) {
    if (buf_->back() != ' ') buf_->push_back(' ');
    // A slot value or a small count is a single digit: no conversion.
    if (value >= 0 && value <= 9) {
      buf_->push_back(static_cast<char>('0' + value));
      return *this;
    }
    return digits(value);
  }
  Line& operator<<(Fixed field);

 private:
  void end();
  Line& digits(int value);

  TextBuffer* buf_;
  Unit* unit_;  // null for output that goes nowhere
};

}  // namespace molvex
