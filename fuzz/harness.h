// What every fuzz target shares: a private working directory, a console that
// swallows the messages, and the model files written from the input.
//
// The library reads and writes the files of a model by name in the current
// directory, so each target works in a directory of its own, made once per
// process in the temporary directory ($TMPDIR) and removed when the process
// exits normally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace molvex {
struct FaultTree;
}

namespace molvex::fuzz {

// Makes the private directory the working directory and attaches the
// keyboard to an empty input and the screen to a sink.  Only the first call
// does anything.
void setUp();

// The input of one execution as text.
std::string_view text(const std::uint8_t* data, std::size_t size);

// Empties the working directory, so that nothing of the previous execution
// is read by this one.
void clearFiles();
// setUp, clearFiles, and the input as the only file, `name`.
void onlyFile(const std::string& name, const std::uint8_t* data, std::size_t size);
void writeFile(const std::string& name, std::string_view content);
// The content of a file ("" when there is none).
std::string readFile(const std::string& name);

// Builds the fault tree file M.FTR into FT as the generation does, with a
// node pool of its own that holds the cold spare lists of any tree the place
// table can take.  Returns the build's status; the files it opens are
// required to be closed again.
int buildTree(FaultTree& FT);

// The number of file descriptors the process holds.
int openFiles();

// Ends the process with a message when a property of a result does not
// hold; libFuzzer keeps the input as a crash.
void require(bool holds, const char* what);

// Runs `body` and requires that it leaves no file open: every routine closes
// what it opened, on its error paths too.
template <class Body>
void closesItsFiles(Body body) {
  const int before = openFiles();
  body();
  require(openFiles() == before, "a file was left open");
}

}  // namespace molvex::fuzz
