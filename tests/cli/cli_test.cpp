// kelvaro-cli end to end: standard output, standard error and exit status, byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/cli_run.h"
#include "tests/support/test_locale.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;
using test_support::Cli;
using test_support::Outcome;

const std::string kUsageHint = "Try 'kelvaro-cli --help' for more information.\n";
const std::string kResultAtStart =
    "A=\n"
    "          1          0     3+2.5i\n"
    "          0          1          0\n"
    "          0          0        1.5\n"
    "\n";

TEST_F(Cli, StartUpExamplesThroughTheFirstCommands) {
  const Outcome o = run({"A", "B", "A+B", "A-B"});
  EXPECT_EQ(o, (Outcome{kResultAtStart + "B=\n"
                                         "          1          0     3-2.5i\n"
                                         "          0          1          0\n"
                                         "          0          0        1.5\n"
                                         "\n"
                                         "A+B=\n"
                                         "          2          0          6\n"
                                         "          0          2          0\n"
                                         "          0          0          3\n"
                                         "\n"
                                         "A-B=\n"
                                         "          0          0         5i\n"
                                         "          0          0          0\n"
                                         "          0          0          0\n"
                                         "\n",
                        "", 0}));
}

TEST_F(Cli, ExampleOfTheManual) {
  const std::string a = file("a.txt", "1 2\n3 4\n");
  EXPECT_EQ(run({"--a=" + a, "inv(A)", "Det(A)"}), (Outcome{"inv(A)=\n"
                                                            "         -2          1\n"
                                                            "        1.5       -0.5\n"
                                                            "\n"
                                                            "Det(A)=\n"
                                                            "\n"
                                                            "           -2\n"
                                                            "\n",
                                                            "", 0}));
}

TEST_F(Cli, UsageErrorsStopBeforeAnyAction) {
  const std::string saved = (dir_ / "saved.txt").string();
  EXPECT_EQ(run({"save-result=" + saved, "A", "--bogus=1"}),
            (Outcome{"", "kelvaro-cli: unknown option \"--bogus=1\"\n" + kUsageHint, 2}));
  EXPECT_EQ(run({"save-result=" + saved, "C+D"}),
            (Outcome{"", "kelvaro-cli: unknown action \"C+D\"\n" + kUsageHint, 2}));
  EXPECT_FALSE(fs::exists(saved));

  EXPECT_EQ(run({"--print=result,c"}),
            (Outcome{"", "kelvaro-cli: unknown pane \"c\" in --print\n" + kUsageHint, 2}));
  EXPECT_EQ(run({"--format=round"}),
            (Outcome{"", "kelvaro-cli: --format must be rect or polar\n" + kUsageHint, 2}));
  EXPECT_EQ(run({"--a"}), (Outcome{"", "kelvaro-cli: unknown option \"--a\"\n" + kUsageHint, 2}));
  const std::string missing = (dir_ / "missing.txt").string();
  EXPECT_EQ(run({"--b=" + missing, "A"}),
            (Outcome{"",
                     "kelvaro-cli: cannot read \"" + missing + "\": No such file or directory\n" +
                         kUsageHint,
                     2}));
  EXPECT_EQ(
      run({"--a=-", "--result=-"}),
      (Outcome{"", "kelvaro-cli: standard input can be read for one pane only\n" + kUsageHint, 2}));
}

TEST_F(Cli, HelpAndVersion) {
  const Outcome help = run({"--help", "--bogus"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_TRUE(help.out.starts_with("Usage: kelvaro-cli [OPTION...] [ACTION...]\n")) << help.out;
  for (const char* listed : {" A+B", " A-B", " swap-a-result", " save-result=FILE", " x=TEXT"})
    EXPECT_NE(help.out.find(listed), std::string::npos) << listed;
  EXPECT_EQ(run({"--version"}), (Outcome{"kelvaro-cli 5.4.0\n", "", 0}));
}

TEST_F(Cli, PrintsSeveralPanesUnderHeaders) {
  const Outcome o = run({"--print=a,x,result,b", "--x=1+i", "x=2(90)", "clear-b", "A"});
  EXPECT_EQ(o, (Outcome{"[a]\n"
                        "1       0       3+2.5i  \n"
                        "0       1       0       \n"
                        "0       0       1.5     \n"
                        "[x]\n"
                        "2(90)\n"
                        "[result]\n" +
                            kResultAtStart + "[b]\n",
                        "", 0}));
  EXPECT_EQ(run({"--print=x"}), (Outcome{"1\n", "", 0}));
}

TEST_F(Cli, MessageBoxesGoToStandardErrorAndTheRunGoesOn) {
  const std::string a = file("a.txt", "1 2\n3 x\n");
  EXPECT_EQ(run({"--a=" + a, "A", "B", "swap-a-result", "comma-to-dot"}, "", {"LC_ALL=C"}),
            (Outcome{"A\n"
                     "B=\n"
                     "          1          0     3-2.5i\n"
                     "          0          1          0\n"
                     "          0          0        1.5\n"
                     "\n",
                     "Error: Could not parse real portion [<?>x]\n"
                     "Note: Please remove other characters (eg. A,B,=), and retain the matrix "
                     "need to be swapped!\n"
                     "Warning: Successed!\n",
                     1}));
}

TEST_F(Cli, InvalidPrecisionIsAnErrorBoxAndTheOldPrecisionStays) {
  EXPECT_EQ(run({"--precision=abc", "A"}),
            (Outcome{kResultAtStart, "Error: 'abc' is not a valid floating point value\n", 1}));
  const std::string a = file("a.txt", "0.123456 -2\n");
  EXPECT_EQ(run({"--a=" + a, "--precision=1", "A", "precision=", "A", "precision=e", "A"}),
            (Outcome{"A=\n"
                     "        0.1         -2\n"
                     "\n"
                     "A=\n"
                     "        0.1         -2\n"
                     "\n"
                     "A=\n"
                     " 1.235E-001 -2.000E+000\n"
                     "\n",
                     "Error: '' is not a valid floating point value\n", 1}));
}

TEST_F(Cli, PanesFromFilesWithCrlfAndFromStandardInput) {
  const std::string a = file("a.txt", "1 2\r\n\r\n3 4\r\n");
  const Outcome o = run({"--a=" + a, "--b=-", "A+B", "--print=result,b"}, "5 6\n7\r8");
  EXPECT_EQ(o, (Outcome{"[result]\n"
                        "A+B=\n"
                        "          6          8\n"
                        "         10         12\n"
                        "\n"
                        "[b]\n"
                        "5  6  \n"
                        "7  8  \n",
                        "", 0}));
  // An empty file gives an empty pane; a final LF starts no further line.
  const std::string empty = file("empty.txt", "");
  const std::string one = file("one.txt", "7\n");
  EXPECT_EQ(run({"--a=" + empty, "--result=" + one, "--print=a,result"}),
            (Outcome{"[a]\n[result]\n7\n", "", 0}));
  // Long lines arrive in several pieces: a CR at the end of one piece and its LF at the start
  // of the next still end the line; a CR not followed by LF stays.
  const std::string longLine(65535, '9');
  const std::string big = file("big.txt", longLine + "\r\n" + longLine + "9\r\n8\r");
  EXPECT_EQ(run({"--result=" + big}), (Outcome{longLine + "\n" + longLine + "9\n8\r\n", "", 0}));
}

TEST_F(Cli, CommaSeparatorFromOptionOrLocale) {
  const std::string expected =
      "A=\n"
      "          1          0     3+2,5i\n"
      "          0          1          0\n"
      "          0          0        1,5\n"
      "\n";
  EXPECT_EQ(run({"--decimal-separator=,", "A"}), (Outcome{expected, "", 0}));
  EXPECT_EQ(run({"--decimal-separator=;", "A", "--print=result,a"}),
            (Outcome{"[result]\nA=\n\n[a]\n", "", 0}));

  const std::string locales = test_support::commaLocaleDirectory();
  if (locales.empty()) GTEST_SKIP() << "localedef cannot build a test locale here";
  EXPECT_EQ(run({"A"}, "", {"LOCPATH=" + locales, "LANG=de_DE.UTF-8"}), (Outcome{expected, "", 0}));
  EXPECT_EQ(run({"A"}, "", {"LOCPATH=" + locales, "LC_ALL=C", "LANG=de_DE.UTF-8"}),
            (Outcome{kResultAtStart, "", 0}));
}

TEST_F(Cli, UnwritableStandardOutputIsAFailure) {
  EXPECT_EQ(
      run({"A"}, "", {"LC_ALL=C"}, "/dev/full"),
      (Outcome{"", "kelvaro-cli: cannot write standard output: No space left on device\n", 1}));
}

TEST_F(Cli, SaveResultWritesTheFileOrReportsWhyNot) {
  const std::string saved = (dir_ / "result.txt").string();
  const std::string bad = (dir_ / "nowhere" / "r.txt").string();
  EXPECT_EQ(
      run({"A", "save-result=" + saved, "save-result=" + bad, "clear-result"}),
      (Outcome{"", "Error: Cannot create file \"" + bad + "\". No such file or directory\n", 1}));
  EXPECT_EQ(contentOf(saved), kResultAtStart);
}

}  // namespace
}  // namespace kelvaro
