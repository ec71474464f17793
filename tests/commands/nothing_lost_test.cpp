// Nothing the user had is lost: a failed command changes the operand panes only by aligning
// them, a failed save leaves the old file byte for byte, a bad project changes nothing, and
// input that would take memory without end is refused before it is taken.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "commands/command_table.h"
#include "commands/project_file.h"
#include "commands/shell_commands.h"
#include "numbers/pane_text.h"
#include "tests/support/calculator.h"
#include "tests/support/scratch_directory.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;
using test_support::errorOf;
using test_support::Lines;
using test_support::startedWith;

Lines aligned(const Lines& lines) {
  Pane pane;
  pane.setLines(lines);
  alignPane(pane);
  return pane.lines();
}

TEST(NothingLost, EveryOperationChangesTheOperandPanesOnlyByAligningThem) {
  // An element that cannot be read, sizes that do not fit, a zero or singular operand, a
  // complex one where only real numbers are taken, and panes that work.
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
      CalcState s = startedWith(c.a, c.b, c.x);
      // The fill commands rewrite their pane by design; here their Row field is no number.
      const bool fill = command.resultKind < 0;
      if (fill) s.rowText = "many";
      const std::string error = errorOf([&] { command.run(s); });
      EXPECT_TRUE(!fill || error == "'many' is not a valid integer value");
      EXPECT_EQ(s.paneA.lines(), aligned(c.a));
      EXPECT_EQ(s.paneB.lines(), aligned(c.b));
    }
  }
}

// One long first row over many one-element rows: little text, a matrix of n x n.
Lines ragged(int n) {
  Lines lines(n, "1");
  for (int c = 1; c < n; ++c) lines[0] += " 1";
  return lines;
}

TEST(NothingLost, MatricesBeyondTheLargestAreRefusedBeforeMemoryIsTaken) {
  const std::string tooLarge =
      "A 5000 x 5000 matrix is too large: a matrix has at most 16777216 elements.";
  for (const char* action : {"A", "A'", "Det(A)", "Eig(A)", "Svd(A)", "Norm(A)", "inv(A)"}) {
    CalcState s = startedWith(ragged(5000));
    EXPECT_EQ(errorOf([&] { findCommandByAction(action)->run(s); }), tooLarge) << action;
    EXPECT_EQ(s.result.lines().back(), action);  // the label stays without "="
  }
  // A tall A times a wide B, and the orthogonal factor of a tall column.
  CalcState product = startedWith(Lines(5000, "2"), {ragged(5000)[0]});
  EXPECT_EQ(errorOf([&] { findCommandByAction("A*B")->run(product); }), tooLarge);
  CalcState qr = startedWith(Lines(20000, "1"));
  EXPECT_EQ(errorOf([&] { findCommandByAction("QR(A)")->run(qr); }),
            "A 20000 x 20000 matrix is too large: a matrix has at most 16777216 elements.");
  // The largest square matrix still reads.
  CalcState largest = startedWith(ragged(4096));
  EXPECT_EQ(errorOf([&] { findCommandByAction("Dim(A)")->run(largest); }), "");
  EXPECT_EQ(largest.result.line(largest.result.lineCount() - 2), "       4096*4096");
}

TEST(NothingLost, AligningThatWouldOutgrowMemoryIsRefusedAndChangesNothing) {
  // 1100 short elements and one of 2^20 characters: every column would be as wide as it.
  Lines lines(10, std::string(220, ' '));
  for (std::string& line : lines)
    for (std::size_t c = 0; c < line.size(); c += 2) line[c] = '7';
  lines.push_back(std::string(1 << 20, '8'));
  CalcState s = startedWith({"1"}, lines);
  EXPECT_EQ(errorOf([&] { findCommandByAction("A")->run(s); }),
            "Cannot align the pane: its 1101 elements in columns of 1048578 characters would take "
            "more than 1073741824 characters.");
  EXPECT_TRUE(s.result.empty());
  EXPECT_EQ(s.paneB.lines(), lines);
}

// What fn throws when no file may grow beyond 4096 bytes: the write itself fails.
std::string errorWhenWritesFail(const std::function<void()>& fn) {
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

using FailedSaves = test_support::ScratchDirectoryTest;

TEST_F(FailedSaves, WriteFailureHalfWayKeepsTheOldFiles) {
  const std::string project = file("old.mtx", std::string("\x01\x02\x03 old project", 15));
  const std::string result = file("old.txt", "old result\n");
  // A project and a result of far more than 4096 bytes.
  CalcState s = startedWith(Lines(400, "1.5 -2 3e10 4 5"), {"7"});
  for (int i = 0; i < 2000; ++i) s.result.add(std::string(100, '7'));
  EXPECT_EQ(errorWhenWritesFail([&] { Save3Click(s, project); }),
            "Cannot create file \"" + project + "\". File too large");
  EXPECT_EQ(errorWhenWritesFail([&] { saveResult(s, result); }),
            "Cannot create file \"" + result + "\". File too large");
  EXPECT_EQ(contentOf(project), std::string("\x01\x02\x03 old project", 15));
  EXPECT_EQ(contentOf(result), "old result\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2);  // no temporary file left
  // The same saves succeed without the limit.
  Save3Click(s, project);
  EXPECT_EQ(contentOf(project).size(), 14u + 2 * 8 + 400 * 5 * 10 + 10);
}

TEST_F(FailedSaves, ASaveWritesThroughALinkAndKeepsThePermissions) {
  const fs::path target = file("target.txt", "old\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(target, dir_ / "link.txt");
  CalcState s = startedWith({});
  s.result.setLines({"A+B=", ""});
  saveResult(s, (dir_ / "link.txt").string());
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
  EXPECT_EQ(contentOf(target), "A+B=\n\n");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2);
}

// Saves the Result pane "A=" at path; the error, or "" when it was saved.
std::string saveResultAt(const std::string& path) {
  CalcState s = startedWith({});
  s.result.setLines({"A="});
  return errorOf([&] { saveResult(s, path); });
}

// What the reading end fds[0] received once the writing end fds[1] (if any) is closed.
std::string drain(int fds[2]) {
  if (fds[1] >= 0) ::close(fds[1]);
  std::string got;
  char buffer[64];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
  ::close(fds[0]);
  return got;
}

TEST_F(FailedSaves, WhatIsNotAPlainFileIsWrittenInPlaceNeverReplaced) {
  // A FIFO with a reader gets the text and stays a FIFO; without one it is an error.
  const fs::path fifo = dir_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  int fds[2] = {::open(fifo.c_str(), O_RDONLY | O_NONBLOCK), -1};
  ASSERT_GE(fds[0], 0);
  EXPECT_EQ(saveResultAt(fifo.string()), "");
  EXPECT_EQ(drain(fds), "A=\n");
  EXPECT_EQ(saveResultAt(fifo.string()),
            "Cannot create file \"" + fifo.string() + "\". No such device or address");
  EXPECT_TRUE(fs::is_fifo(fifo));

  // A pipe through a descriptor's link, directly and behind a link as /dev/stdout is.
  for (const bool linked : {false, true}) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string path = "/proc/self/fd/" + std::to_string(fds[1]);
    if (linked) {
      fs::create_symlink(path, dir_ / "stdout");
      path = (dir_ / "stdout").string();
    }
    EXPECT_EQ(saveResultAt(path), "");
    EXPECT_EQ(drain(fds), "A=\n") << path;
  }
  EXPECT_TRUE(fs::is_symlink(dir_ / "stdout"));

  // A link that leads nowhere is an error and makes no file.
  fs::create_symlink(dir_ / "nowhere", dir_ / "dangling");
  EXPECT_EQ(
      saveResultAt((dir_ / "dangling").string()),
      "Cannot create file \"" + (dir_ / "dangling").string() + "\". No such file or directory");
  EXPECT_FALSE(fs::exists(dir_ / "nowhere"));

  // A device node like /dev/null stays a device; only root can make one.
  const fs::path device = dir_ / "null";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    EXPECT_EQ(saveResultAt(device.string()), "");
    EXPECT_TRUE(fs::is_character_file(device));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), fs::exists(device) ? 4 : 3);
}

}  // namespace
}  // namespace kelvaro
