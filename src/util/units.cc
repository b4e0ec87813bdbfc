#include "util/units.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

namespace molvex {

struct Unit {
  std::unique_ptr<std::fstream> file;  // set when the unit is open on a file
  int fd = -1;                         // set instead when createOutput made the file
  std::unique_ptr<std::stringstream> memory;  // set instead for a file in memory
  std::string memoryName;                     // its name
  std::istream* in = nullptr;
  std::ostream* out = nullptr;
  bool console = false;  // flushed line by line
  bool failed = false;   // a write has failed since the unit was opened
  TextBuffer buf;
};

namespace {

// A file unit's output is handed to its stream once this much has gathered.
constexpr std::size_t FLUSHAT = 1 << 18;

std::array<Unit, MAXUNT + 1>& table() {
  static std::array<Unit, MAXUNT + 1> units = [] {
    std::array<Unit, MAXUNT + 1> u;
    u[5].in = &std::cin;
    u[6].out = &std::cout;
    u[6].console = true;
    return u;
  }();
  return units;
}

// Output to a unit number outside the table, or to a unit with no stream,
// goes nowhere; it is collected here and dropped.
Unit& sink() {
  static Unit nowhere;
  nowhere.buf.clear();
  return nowhere;
}

SyncCall syncCall = ::fsync;
std::map<std::string, std::string>* memoryFiles = nullptr;

bool onFile(const Unit& u) { return u.file || u.fd >= 0 || u.memory; }

Unit* unitAt(int unit) {
  if (unit < 1 || unit > MAXUNT) return nullptr;
  return &table()[static_cast<std::size_t>(unit)];
}

std::string trimmed(std::string_view name) {
  std::size_t n = name.size();
  while (n > 0 && name[n - 1] == ' ') --n;
  return std::string(name.substr(0, n));
}

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void drain(Unit& u) {
  if (u.buf.empty()) return;
  if (u.fd >= 0) {
    if (!writeAll(u.fd, u.buf.view())) u.failed = true;
  } else if (u.out == nullptr) {
    u.failed = true;
  } else {
    u.out->write(u.buf.view().data(), static_cast<std::streamsize>(u.buf.size()));
    if (u.console) u.out->flush();
    if (!*u.out) u.failed = true;
  }
  u.buf.clear();
}

void release(Unit& u) {
  u.file.reset();
  u.memory.reset();
  u.memoryName.clear();
  if (u.fd >= 0) ::close(u.fd);
  u.fd = -1;
  u.in = nullptr;
  u.out = nullptr;
  u.console = false;
  u.failed = false;
  u.buf.clear();
}

// A unit open on a file in memory: its text to read, or an empty one to
// write that becomes the file when the unit is closed.
int openMemory(Unit& u, std::string_view name, bool output) {
  release(u);
  const std::string key = trimmed(name);
  const auto found = memoryFiles->find(key);
  if (!output && found == memoryFiles->end()) return -1;
  u.memory = std::make_unique<std::stringstream>(output ? std::string() : found->second);
  u.memoryName = key;
  if (output) {
    u.out = u.memory.get();
  } else {
    u.in = u.memory.get();
  }
  return 1;
}

}  // namespace

void attachInput(int unit, std::istream* in) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return;
  if (onFile(*u)) closeUnit(unit);
  u->in = in;
}

void attachOutput(int unit, std::ostream* out) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return;
  if (onFile(*u)) closeUnit(unit);
  drain(*u);
  u->out = out;
  u->console = out != nullptr;
  u->failed = false;
}

std::ostream* attachedOutput(int unit) {
  Unit* u = unitAt(unit);
  return u == nullptr || onFile(*u) ? nullptr : u->out;
}

void useMemoryFiles(std::map<std::string, std::string>* files) { memoryFiles = files; }

std::unique_ptr<std::istream> openStream(std::string_view name) {
  const std::string path = trimmed(name);
  if (memoryFiles != nullptr) {
    const auto found = memoryFiles->find(path);
    if (found == memoryFiles->end()) return nullptr;
    return std::make_unique<std::istringstream>(found->second);
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return nullptr;
  auto f = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!f->is_open()) return nullptr;
  return f;
}

bool fileExists(std::string_view name) {
  if (memoryFiles != nullptr) return memoryFiles->count(trimmed(name)) != 0;
  std::error_code ec;
  return std::filesystem::exists(trimmed(name), ec);
}

int openInput(int unit, std::string_view name) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return -1;
  if (memoryFiles != nullptr) return openMemory(*u, name, false);
  release(*u);
  const std::string path = trimmed(name);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return -1;
  auto f = std::make_unique<std::fstream>(path, std::ios::in | std::ios::binary);
  if (!f->is_open()) return -1;
  u->file = std::move(f);
  u->in = u->file.get();
  return 1;
}

int openOutput(int unit, std::string_view name) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return -1;
  if (memoryFiles != nullptr) return openMemory(*u, name, true);
  release(*u);
  auto f = std::make_unique<std::fstream>(trimmed(name),
                                          std::ios::out | std::ios::trunc | std::ios::binary);
  if (!f->is_open()) return -1;
  u->file = std::move(f);
  u->out = u->file.get();
  u->buf.reserve(2 * FLUSHAT);
  return 1;
}

int createOutput(int unit, std::string_view name) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return -1;
  if (memoryFiles != nullptr) {
    return fileExists(name) ? -1 : openMemory(*u, name, true);
  }
  release(*u);
  const int fd = ::open(trimmed(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  u->fd = fd;
  u->buf.reserve(2 * FLUSHAT);
  return 1;
}

int replaceFile(std::string_view newName, std::string_view oldName) {
  const std::string from = trimmed(newName);
  const std::string to = trimmed(oldName);
  if (memoryFiles != nullptr) {
    const auto found = memoryFiles->find(from);
    if (found == memoryFiles->end()) return -1;
    (*memoryFiles)[to] = std::move(found->second);
    memoryFiles->erase(from);
    return 1;
  }
  std::error_code ec;
  const auto old = std::filesystem::status(to, ec);
  if (!ec) std::filesystem::permissions(from, old.permissions(), ec);
  std::filesystem::rename(from, to, ec);
  return ec ? -1 : 1;
}

int syncDirectory(std::string_view name) {
  if (memoryFiles != nullptr) return 1;
  std::filesystem::path dir = std::filesystem::path(trimmed(name)).parent_path();
  if (dir.empty()) dir = ".";
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  int status = syncCall(fd) == 0 ? 1 : -1;
  // A file system that cannot sync a directory at all says so: a rename there
  // is as durable as it makes it, and failing every rewrite on it helps no one.
  if (status != 1 && errno == EINVAL) status = 1;
  ::close(fd);
  return status;
}

int removeFile(std::string_view name) {
  if (memoryFiles != nullptr) return memoryFiles->erase(trimmed(name)) != 0 ? 1 : -1;
  return ::unlink(trimmed(name).c_str()) == 0 ? 1 : -1;
}

std::string linkTarget(std::string_view name) {
  const std::string path = trimmed(name);
  if (memoryFiles != nullptr) return path;
  std::error_code ec;
  if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) return path;
  const std::filesystem::path target = std::filesystem::canonical(path, ec);
  return ec ? std::string() : target.string();
}

void setSyncCall(SyncCall call) { syncCall = call != nullptr ? call : ::fsync; }

void rewindUnit(int unit) {
  Unit* u = unitAt(unit);
  if (u == nullptr || u->in == nullptr) return;
  u->in->clear();
  u->in->seekg(0);
}

int flushUnit(int unit) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return -1;
  drain(*u);
  if (u->out != nullptr) {
    u->out->flush();
    if (!*u->out) u->failed = true;
  }
  return u->failed ? -1 : 1;
}

int closeUnit(int unit) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return -1;
  int status = 1;
  if (u->fd >= 0) {
    drain(*u);
    // Unsynced, a power loss could leave the name of a file that replaced
    // another with part of its content or none.
    if (u->failed || syncCall(u->fd) != 0) status = -1;
    if (::close(u->fd) != 0) status = -1;
    u->fd = -1;
    release(*u);
  } else if (u->file) {
    if (u->out != nullptr && flushUnit(unit) != 1) status = -1;
    u->file->close();
    if (u->out != nullptr && u->file->fail()) status = -1;
    release(*u);
  } else if (u->memory) {
    if (u->out != nullptr) {
      if (flushUnit(unit) != 1 || memoryFiles == nullptr) {
        status = -1;
      } else {
        (*memoryFiles)[u->memoryName] = std::move(*u->memory).str();
      }
    }
    release(*u);
  }
  return status;
}

int readRecord(int unit, std::string& record) {
  record.clear();
  Unit* u = unitAt(unit);
  if (u == nullptr || u->in == nullptr) return -1;
  std::istream& in = *u->in;
  if (!std::getline(in, record)) {
    if (in.eof() && !in.bad()) return -11;
    return -1;
  }
  if (!record.empty() && record.back() == '\r') record.pop_back();
  return 1;
}

void writeText(int unit, std::string_view text) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return;
  u->buf.append(text);
  drain(*u);
  if (u->out != nullptr) u->out->flush();
}

void appendText(int unit, std::string_view text) {
  Unit* u = unitAt(unit);
  if (u == nullptr) return;
  u->buf.append(text);
  if (u->console || u->buf.size() >= FLUSHAT) drain(*u);
}

void TextBuffer::reserve(std::size_t n) {
  if (n > static_cast<std::size_t>(cap_ - data_.get())) grow(n - size());
}

void TextBuffer::grow(std::size_t more) {
  const std::size_t used = size();
  const std::size_t capacity = std::max(2 * static_cast<std::size_t>(cap_ - data_.get()),
                                        std::max<std::size_t>(used + more, 256));
  auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
  if (used > 0) std::memcpy(bigger.get(), data_.get(), used);
  data_ = std::move(bigger);
  end_ = data_.get() + used;
  cap_ = data_.get() + capacity;
}

Line::Line(int unit) : unit_(unitAt(unit)) {
  buf_ = unit_ != nullptr ? &unit_->buf : &sink().buf;
  buf_->push_back(' ');
}

Line::Line(Line&& other) noexcept : buf_(other.buf_), unit_(other.unit_) {
  other.buf_ = nullptr;
}

void Line::end() {
  buf_->push_back('\n');
  if (unit_ == nullptr) {
    buf_->clear();
    return;
  }
  if (unit_->console || unit_->buf.size() >= FLUSHAT) drain(*unit_);
}

Line& Line::digits(int value) {
  char text[16];
  auto r = std::to_chars(text, text + sizeof text, value);
  buf_->append(std::string_view(text, static_cast<std::size_t>(r.ptr - text)));
  return *this;
}

Line& Line::operator<<(Fixed field) {
  char digits[16];
  auto r = std::to_chars(digits, digits + sizeof digits, field.value);
  const int n = static_cast<int>(r.ptr - digits);
  for (int i = n; i < field.width; ++i) buf_->push_back(' ');
  buf_->append(std::string_view(digits, static_cast<std::size_t>(n)));
  return *this;
}

}  // namespace molvex
