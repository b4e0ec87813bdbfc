#include "cli/progress.h"

#include <unistd.h>

#include <iostream>

namespace molvex {

Progress::Progress(std::ostream* out, Clock::duration first, Clock::duration every)
    : out_(out), next_(Clock::now() + first), every_(every) {}

Progress::~Progress() { clear(); }

void Progress::show(const std::string& what) {
  if (out_ == nullptr || Clock::now() < next_) return;
  next_ = Clock::now() + every_;
  // Blanks over what is left of a longer line before.
  const std::size_t pad = shown_ > what.size() ? shown_ - what.size() : 0;
  *out_ << '\r' << what << std::string(pad, ' ') << std::flush;
  shown_ = what.size();
}

void Progress::clear() {
  if (out_ == nullptr || shown_ == 0) return;
  *out_ << '\r' << std::string(shown_, ' ') << '\r' << std::flush;
  shown_ = 0;
}

std::ostream* progressStream(bool quiet) {
  return !quiet && isatty(STDERR_FILENO) == 1 ? &std::cerr : nullptr;
}

}  // namespace molvex
