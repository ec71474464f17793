// Arbitrary bytes opened as a project file. A file that is refused changes nothing at all; a
// file that opens saves, and what it saves opens the same after one more save.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/file_io.h"
#include "commands/project_file.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"

namespace {

using namespace kelvaro;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// Files in a private directory, on a memory file system where there is one.
class Scratch {
 public:
  Scratch() {
    for (const char* base : {"/dev/shm", "/tmp"}) {
      std::string pattern = std::string(base) + "/kelvaro-fuzz-XXXXXX";
      if (::mkdtemp(pattern.data()) != nullptr) {
        dir_ = pattern;
        return;
      }
    }
    fail("no scratch directory");
  }
  ~Scratch() {
    for (const char* name : {"/in.mtx", "/once.mtx", "/twice.mtx"}) ::unlink((dir_ + name).c_str());
    ::rmdir(dir_.c_str());
  }
  std::string path(const char* name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

void writeFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || !writeAll(fd, bytes) || ::close(fd) != 0) fail("cannot write the input file");
}

// Panes A and B empty, so a matrix stored without elements leaves them empty.
CalcState freshState() {
  CalcState state;
  FormCreate(state, ".");
  state.paneA.clear();
  state.paneB.clear();
  return state;
}

bool sameState(const CalcState& a, const CalcState& b) {
  return a.paneA.lines() == b.paneA.lines() && a.paneB.lines() == b.paneB.lines() &&
         a.result.lines() == b.result.lines() && a.coefText == b.coefText &&
         a.precisionText == b.precisionText && a.regs.PrecScale == b.regs.PrecScale &&
         a.regs.MatA.rows() == b.regs.MatA.rows() && a.regs.MatB.rows() == b.regs.MatB.rows();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Scratch scratch;
  const std::string in = scratch.path("in.mtx");
  writeFile(in, std::string_view(reinterpret_cast<const char*>(data), size));

  CalcState state = freshState();
  const CalcState before = state;
  try {
    Open1Click(state, in);
  } catch (const CalcError&) {
    if (!sameState(state, before)) fail("a refused project changed the state");
    return 0;
  }

  // What opened saves, unless it holds what a project cannot store (the value of a field
  // beyond the range of a double, a precision the box reads as no integer). Saving keeps
  // what a project shows: the saved file, saved once more, opens the same.
  const std::string once = scratch.path("once.mtx");
  try {
    Save3Click(state, once);
  } catch (const CalcError&) {
    return 0;
  }
  CalcState reopened = freshState();
  Open1Click(reopened, once);
  const std::string twice = scratch.path("twice.mtx");
  Save3Click(reopened, twice);
  CalcState again = freshState();
  Open1Click(again, twice);
  if (!sameState(reopened, again)) fail("a saved project does not open the same once saved again");
  return 0;
}
