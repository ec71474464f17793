// kelvaro-cli on inputs that would take memory or time without end: they finish, or they
// are refused with a message, and the run goes on or ends as for any other error.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/cli_run.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;
using test_support::Outcome;
using LimitsCli = test_support::Cli;

TEST_F(LimitsCli, FilesLargerThanAnyPaneOrProjectAreRefusedUnread) {
  // Sparse files: their size is there at once, their bytes are never read.
  const std::string pane = file("pane.txt", "1 2\n");
  fs::resize_file(pane, (std::uintmax_t{1} << 30) + 1);
  EXPECT_EQ(run({"--a=" + pane, "A"}),
            (Outcome{"",
                     "kelvaro-cli: cannot read \"" + pane + "\": File too large\n" +
                         "Try 'kelvaro-cli --help' for more information.\n",
                     2}));
  const std::string project = file("p.mtx", "");
  fs::resize_file(project, std::uintmax_t{400} << 20);
  EXPECT_EQ(run({"open-project=" + project, "--print=x"}),
            (Outcome{"1\n", "Error: '" + project + "' is not a valid project file\n", 1}));
}

TEST_F(LimitsCli, HugeExponentFinishesWhenThePowersRepeatAndIsRefusedOtherwise) {
  const std::string swap = file("swap.txt", "0 1\n1 0\n");
  const std::string turn = file("turn.txt", "0.6 -0.8\n0.8 0.6\n");
  EXPECT_EQ(run({"--a=" + swap, "--b=" + turn, "--x=2147483647", "A^x", "B^x"}),
            (Outcome{"A^(2147483647)=\n"
                     "          0          1\n"
                     "          1          0\n"
                     "\n"
                     "B^(2147483647)\n"
                     " Error: To Calculate B^x, x is too large for a 2 x 2 matrix (at most "
                     "134217729)!\n"
                     "\n",
                     "", 0}));
}

}  // namespace
}  // namespace kelvaro
