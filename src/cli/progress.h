// Progress of long work on the error stream, where a person watches it: one
// line, written over in place, first after a second of work and then at
// most twice a second, and cleared when the work is done, so that what the
// command prints afterwards stands alone.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace molvex {

class Progress {
 public:
  using Clock = std::chrono::steady_clock;
  // Nothing is shown when `out` is null (not a terminal, or --quiet).
  explicit Progress(std::ostream* out, Clock::duration first = std::chrono::seconds(1),
                    Clock::duration every = std::chrono::milliseconds(500));
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Shows `what` if it is time to.
  void show(const std::string& what);
  // Clears the line, if one was shown.
  void clear();

 private:
  std::ostream* out_;
  Clock::time_point next_;
  Clock::duration every_;
  std::size_t shown_ = 0;  // the length of the line on the screen
};

// The error stream when it is a terminal and progress is wanted, else null.
std::ostream* progressStream(bool quiet);

}  // namespace molvex
