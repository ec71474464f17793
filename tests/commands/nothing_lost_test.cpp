// Nothing the user had is lost: a command that fails leaves the operand panes as aligning
// them left them, and a save that fails leaves the old file byte for byte.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/file_io.h"
#include "commands/project_file.h"
#include "commands/shell_commands.h"
#include "numbers/pane_text.h"
#include "tests/support/error_message.h"
#include "tests/support/scratch_directory.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using test_support::errorOf;

Lines aligned(const Lines& lines) {
  Pane pane;
  pane.setLines(lines);
  alignPane(pane);
  return pane.lines();
}

TEST(NothingLost, EveryOperationChangesTheOperandPanesOnlyByAligningThem) {
  // Pairs of panes that make commands fail in each way they can: an element that cannot be
  // read, sizes that do not fit, a zero or singular operand, a complex one where only real
  // numbers are taken; and panes that work.
  const struct {
    Lines a, b;
    const char* x;
  } cases[] = {
      {{"1  2", "", "3 zz"}, {"4 5", "6 qq"}, "2"},
      {{"1 2 3", "4 5 6"}, {"1 2", "3 4", "5 6"}, "1"},
      {{"1 2", "2 4"}, {"0 1e-7", "0 0"}, "-3"},
      {{"1+i 2", "3 4"}, {"5(30) i", "1 2"}, "x"},
      {{"4 1", "1 3"}, {"2 0", "0 2"}, "2"},
  };
  for (const auto& c : cases) {
    for (const CommandInfo& command : commandTable()) {
      SCOPED_TRACE(std::string(command.action) + " on " + c.a.front());
      CalcState s;
      FormCreate(s, ".");
      s.paneA.setLines(c.a);
      s.paneB.setLines(c.b);
      s.coefText = c.x;
      // The fill commands rewrite their pane by design; here their Row field is no number.
      const bool fill = command.resultKind < 0;
      if (fill) s.rowText = "many";
      const std::string error = errorOf([&] { command.run(s); });
      if (fill) {
        EXPECT_EQ(error, "'many' is not a valid integer value");
      }
      EXPECT_EQ(s.paneA.lines(), aligned(c.a));
      EXPECT_EQ(s.paneB.lines(), aligned(c.b));
    }
  }
}

class FailedSaves : public test_support::ScratchDirectoryTest {
 protected:
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  // The message of what fn throws while the scratch directory may not be written to: as
  // root in a child process that has given root up (root may write anywhere), otherwise
  // with the directory's write permission taken away.
  std::string errorInReadOnlyDirectory(const std::function<void()>& fn) {
    if (geteuid() != 0) {
      fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
      const std::string error = errorOf(fn);
      fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
      return error;
    }
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    int channel[2];
    if (pipe(channel) != 0) return "no pipe";
    const pid_t pid = fork();
    if (pid == 0) {
      close(channel[0]);
      const uid_t nobody = 65534;
      if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(1);
      writeAll(channel[1], errorOf(fn));
      _exit(0);
    }
    close(channel[1]);
    std::string error;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) error.append(buffer, n);
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    return error;
  }

  // What fn throws when no file may grow beyond 4096 bytes: the write itself fails.
  static std::string errorWhenWritesFail(const std::function<void()>& fn) {
    struct rlimit old;
    if (getrlimit(RLIMIT_FSIZE, &old) != 0) return "no limit";
    struct rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const std::string error = errorOf(fn);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return error;
  }

  // A state whose project takes far more than 4096 bytes.
  static CalcState largeState() {
    CalcState s;
    FormCreate(s, ".");
    s.paneA.setLines(Lines(400, "1.5 -2 3e10 4 5"));
    s.paneB.setLines({"7"});
    for (int i = 0; i < 2000; ++i) s.result.add(std::string(100, '7'));
    return s;
  }
};

TEST_F(FailedSaves, WriteFailureHalfWayKeepsTheOldFiles) {
  const std::string project = file("old.mtx", std::string("\x01\x02\x03 old project", 15));
  const std::string result = file("old.txt", "old result\n");
  CalcState s = largeState();
  EXPECT_EQ(errorWhenWritesFail([&] { Save3Click(s, project); }),
            "Cannot create file \"" + project + "\". File too large");
  EXPECT_EQ(errorWhenWritesFail([&] { saveResult(s, result); }),
            "Cannot create file \"" + result + "\". File too large");
  EXPECT_EQ(contentOf(project), std::string("\x01\x02\x03 old project", 15));
  EXPECT_EQ(contentOf(result), "old result\n");
  EXPECT_EQ(entries(), 2u);  // no temporary file left behind
  // The same saves succeed without the limit.
  Save3Click(s, project);
  EXPECT_EQ(contentOf(project).size(), 14u + 2 * 8 + 400 * 5 * 10 + 10);
}

TEST_F(FailedSaves, DirectoryThatCannotBeWrittenKeepsTheOldFiles) {
  const std::string project = file("old.mtx", "old project");
  const std::string result = file("old.txt", "old result\n");
  // The files themselves may be written; only a new file beside them cannot be made.
  for (const std::string& p : {project, result}) {
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::group_write | fs::perms::others_read |
                           fs::perms::others_write);
  }
  CalcState s = largeState();
  EXPECT_EQ(errorInReadOnlyDirectory([&] { Save3Click(s, project); }),
            "Cannot create file \"" + project + "\". Permission denied");
  EXPECT_EQ(errorInReadOnlyDirectory([&] { saveResult(s, result); }),
            "Cannot create file \"" + result + "\". Permission denied");
  EXPECT_EQ(contentOf(project), "old project");
  EXPECT_EQ(contentOf(result), "old result\n");
  EXPECT_EQ(entries(), 2u);
}

}  // namespace
}  // namespace kelvaro
