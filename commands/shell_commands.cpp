#include "commands/shell_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "numbers/calc_error.h"
#include "numbers/pane_text.h"
#include "numbers/result_writer.h"

namespace kelvaro {

void FormCreate(CalcState& state, const std::string& decimalSeparator) {
  state.result.clear();
  state.paneA.clear();
  state.paneB.clear();
  state.decimalSeparator = decimalSeparator;
  if (decimalSeparator == ".") {
    state.paneA.setLines({"1 0 3+2.5i", "0 1 0", "0 0 1.5"});
    state.paneB.setLines({"1 0 3-2.5i", "0 1 0", "0 0 1.5"});
  } else if (decimalSeparator == ",") {
    state.paneA.setLines({"1 0 3+2,5i", "0 1 0", "0 0 1,5"});
    state.paneB.setLines({"1 0 3-2,5i", "0 1 0", "0 0 1,5"});
  }
  state.regs = Registers{};
}

void Refresh1Click(CalcState& state) {
  alignPane(state.paneA);
}
void Refresh2Click(CalcState& state) {
  alignPane(state.paneB);
}
void Align1Click(CalcState& state) {
  alignPane(state.result);
}

void clearPaneA(CalcState& state) {
  state.paneA.clear();
}
void clearPaneB(CalcState& state) {
  state.paneB.clear();
}
void clearResultPane(CalcState& state) {
  state.result.clear();
}

void SWapAandB1Click(CalcState& state) {
  std::vector<std::string> formerA = state.paneA.lines();
  state.paneA.setLines(state.paneB.lines());
  state.paneB.setLines(std::move(formerA));
}

namespace {

// A result that still holds a label or an operand name is not a bare matrix.
bool resultHoldsLabels(const Pane& result) {
  for (const auto& line : result.lines())
    if (line.find_first_of("=AB") != std::string::npos) return true;
  return false;
}

void swapWithResult(CalcState& state, Pane& operand, UserInterface& ui) {
  if (resultHoldsLabels(state.result)) {
    ui.showNote(std::string(kSwapRefusal));
    return;
  }
  std::vector<std::string> formerOperand = operand.lines();
  operand.setLines(state.result.lines());
  state.result.setLines(std::move(formerOperand));
}

[[noreturn]] void throwCannotCreate(const std::string& path, int error) {
  throw CalcError("Cannot create file \"" + path + "\". " + std::strerror(error));
}

// Where the bytes finally go: a symbolic link is followed, so saving through it writes the
// file it points to instead of replacing the link.
std::string saveTarget(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = realpath(path.c_str(), nullptr)) {
      std::string target = resolved;
      std::free(resolved);
      return target;
    }
  }
  return path;
}

std::string directoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A fresh file beside the target; its name is new, so nothing of anyone else is touched.
int createTemporary(const std::string& directory, std::string& name) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = directory + "/.kelvaro-save-" + std::to_string(getpid()) + "-" +
           std::to_string(counter++) + ".tmp";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

void SwapAandResult1Click(CalcState& state, UserInterface& ui) {
  swapWithResult(state, state.paneA, ui);
}

void SwapBandResult1Click(CalcState& state, UserInterface& ui) {
  swapWithResult(state, state.paneB, ui);
}

void commatodot1Click(CalcState& state, UserInterface& ui) {
  replaceCharacter(state.result, ',', '.');
  ui.showWarning(std::string(kSeparatorSwapDone));
}

void dottocomma1Click(CalcState& state, UserInterface& ui) {
  replaceCharacter(state.result, '.', ',');
  ui.showWarning(std::string(kSeparatorSwapDone));
}

void saveResult(const CalcState& state, const std::string& path) {
  const std::string target = saveTarget(path);
  struct stat existing;
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) throwCannotCreate(path, EISDIR);
  // An existing file the user may not write stays protected, as an in-place write would.
  if (exists && ::access(target.c_str(), W_OK) != 0) throwCannotCreate(path, errno);

  std::string bytes;
  std::size_t size = 0;
  for (const auto& line : state.result.lines()) size += line.size() + 1;
  bytes.reserve(size);
  for (const auto& line : state.result.lines()) {
    bytes += line;
    bytes += '\n';
  }

  std::string temporary;
  const int fd = createTemporary(directoryOf(target), temporary);
  if (fd < 0) throwCannotCreate(path, errno);
  int error = 0;
  if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) error = errno;
  if (error == 0 && !writeAll(fd, bytes)) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    throwCannotCreate(path, error);
  }
}

void ComboBox1Change(CalcState& state) {
  changePrecision(state.precisionText, state.decimalPoint(), state.regs);
}

}  // namespace kelvaro
