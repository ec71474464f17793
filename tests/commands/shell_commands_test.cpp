// The window-free pane commands: start-up, swaps, separator swaps, precision and saving.

#include "commands/shell_commands.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/locale_separator.h"
#include "commands/shell_actions.h"
#include "numbers/calc_error.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/test_locale.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class RecordingInterface : public UserInterface {
 public:
  void showNote(const std::string& text) override { shown.push_back("Note: " + text); }
  void showWarning(const std::string& text) override { shown.push_back("Warning: " + text); }
  Lines shown;
};

TEST(StartUp, ExampleMatricesFollowTheSeparatorComparedWhole) {
  CalcState s;
  s.result.setLines({"old"});
  s.regs.PrecScale = 0;
  s.regs.ResKind = 7;
  s.regs.CoefX = Element::complex(3, 4);
  FormCreate(s, ".");
  EXPECT_TRUE(s.result.empty());
  EXPECT_EQ(s.paneA.lines(), (Lines{"1 0 3+2.5i", "0 1 0", "0 0 1.5"}));
  EXPECT_EQ(s.paneB.lines(), (Lines{"1 0 3-2.5i", "0 1 0", "0 0 1.5"}));
  EXPECT_EQ(s.regs.PrecScale, 1000);
  EXPECT_EQ(s.regs.ResKind, 0);
  EXPECT_EQ(s.regs.CoefX.kind(), ElementKind::Integer);
  EXPECT_EQ(s.regs.CoefX.re(), 1);
  EXPECT_EQ(s.regs.ScalarR.kind(), ElementKind::Integer);

  FormCreate(s, ",");
  EXPECT_EQ(s.paneA.lines(), (Lines{"1 0 3+2,5i", "0 1 0", "0 0 1,5"}));
  EXPECT_EQ(s.paneB.lines(), (Lines{"1 0 3-2,5i", "0 1 0", "0 0 1,5"}));

  for (const char* other : {"\xd9\xab", ",.", "", "'"}) {
    FormCreate(s, other);
    EXPECT_TRUE(s.paneA.empty()) << other;
    EXPECT_TRUE(s.paneB.empty()) << other;
    EXPECT_EQ(s.decimalSeparator, other);
  }
}

TEST(Swaps, SwapAandBExchangesTheLines) {
  CalcState s;
  s.paneA.setLines({"1 2", "", "3 4"});
  s.paneB.setLines({"9"});
  SWapAandB1Click(s);
  EXPECT_EQ(s.paneA.lines(), (Lines{"9"}));
  EXPECT_EQ(s.paneB.lines(), (Lines{"1 2", "", "3 4"}));
}

TEST(Swaps, ResultSwapsAreRefusedWhileLabelsRemain) {
  RecordingInterface ui;
  for (const char* label : {"A+B=", "x = 1", "Det(B)", "A"}) {
    CalcState s;
    s.paneA.setLines({"1"});
    s.paneB.setLines({"2"});
    s.result.setLines({"  3  4", label, "5"});
    SwapAandResult1Click(s, ui);
    SwapBandResult1Click(s, ui);
    EXPECT_EQ(s.paneA.lines(), (Lines{"1"})) << label;
    EXPECT_EQ(s.paneB.lines(), (Lines{"2"})) << label;
    EXPECT_EQ(s.result.lines(), (Lines{"  3  4", label, "5"})) << label;
  }
  const std::string note = "Note: " + std::string(kSwapRefusal);
  EXPECT_EQ(ui.shown, Lines(8, note));
}

TEST(Swaps, ResultSwapsMoveBareMatrices) {
  RecordingInterface ui;
  CalcState s;
  s.paneA.setLines({"1 2"});
  s.paneB.setLines({"b 7"});  // lower-case letters do not block
  s.result.setLines({"ab 3"});
  SwapAandResult1Click(s, ui);
  EXPECT_EQ(s.paneA.lines(), (Lines{"ab 3"}));
  EXPECT_EQ(s.result.lines(), (Lines{"1 2"}));
  SwapBandResult1Click(s, ui);
  EXPECT_EQ(s.paneB.lines(), (Lines{"1 2"}));
  EXPECT_EQ(s.result.lines(), (Lines{"b 7"}));
  // An empty Result pane empties the operand pane.
  clearResultPane(s);
  SwapAandResult1Click(s, ui);
  EXPECT_TRUE(s.paneA.empty());
  EXPECT_EQ(s.result.lines(), (Lines{"ab 3"}));
  EXPECT_TRUE(ui.shown.empty());
}

TEST(SeparatorSwaps, ReplaceEveryOccurrenceAndAlwaysReport) {
  RecordingInterface ui;
  CalcState s;
  s.result.setLines({"A.*B=", "", "        1.5        2,5", ""});
  dottocomma1Click(s, ui);
  EXPECT_EQ(s.result.lines(), (Lines{"A,*B=", "", "        1,5        2,5", ""}));
  commatodot1Click(s, ui);
  EXPECT_EQ(s.result.lines(), (Lines{"A.*B=", "", "        1.5        2.5", ""}));
  commatodot1Click(s, ui);  // nothing left to replace
  EXPECT_EQ(ui.shown, Lines(3, "Warning: Successed!"));
}

TEST(Precision, BoxTextSetsTheScaleOrFailsWithoutChange) {
  CalcState s;
  s.precisionText = "e";
  ComboBox1Change(s);
  EXPECT_EQ(s.regs.PrecScale, 0);
  s.precisionText = "2";
  ComboBox1Change(s);
  EXPECT_EQ(s.regs.PrecScale, 100);
  s.precisionText = "two";
  try {
    ComboBox1Change(s);
    ADD_FAILURE() << "no error";
  } catch (const CalcError& e) {
    EXPECT_STREQ(e.what(), "'two' is not a valid floating point value");
  }
  EXPECT_EQ(s.regs.PrecScale, 100);
}

TEST(ShellActions, NamesAndArguments) {
  std::string_view argument;
  const ShellActionInfo* x = findShellAction("x=1+2i", argument);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(argument, "1+2i");
  ASSERT_NE(findShellAction("save-result=", argument), nullptr);
  EXPECT_EQ(argument, "");
  EXPECT_EQ(findShellAction("align-a", argument)->action, std::string("align-a"));
  EXPECT_EQ(findShellAction("align-a=1", argument), nullptr);
  EXPECT_EQ(findShellAction("format=sideways", argument), nullptr);
  EXPECT_EQ(findShellAction("align", argument), nullptr);

  CalcState s;
  RecordingInterface ui;
  x->run(s, ui, "2(90)");
  EXPECT_EQ(s.coefText, "2(90)");
  findShellAction("precision=5", argument)->run(s, ui, argument);
  EXPECT_EQ(s.precisionText, "5");
  EXPECT_EQ(s.regs.PrecScale, 100000);
}

class SaveResult : public test_support::ScratchDirectoryTest {
 protected:
  void SetUp() override {
    ScratchDirectoryTest::SetUp();
    state_.result.setLines({"A+B=", "", "          2          3", ""});
  }

  std::size_t entriesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  std::string errorSaving(const std::string& path) {
    try {
      saveResult(state_, path);
    } catch (const CalcError& e) {
      return e.what();
    }
    return "";
  }

  CalcState state_;
};

TEST_F(SaveResult, WritesOneLfEndedLinePerPaneLineReplacingTheFile) {
  const fs::path target = file("result.txt", "an older and much longer content\r\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  saveResult(state_, target.string());
  EXPECT_EQ(contentOf(target), "A+B=\n\n          2          3\n\n");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(entriesInDir(), 1u);  // no temporary file left beside it

  state_.result.clear();
  saveResult(state_, target.string());
  EXPECT_EQ(contentOf(target), "");
}

TEST_F(SaveResult, WritesThroughASymbolicLink) {
  const fs::path target = file("target.txt", "old\n");
  const fs::path link = dir_ / "link.txt";
  fs::create_symlink(target, link);
  saveResult(state_, link.string());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(contentOf(target), "A+B=\n\n          2          3\n\n");
}

TEST_F(SaveResult, UnwritablePathsGiveTheSystemsReason) {
  const std::string missing = (dir_ / "no-such-dir" / "r.txt").string();
  EXPECT_EQ(errorSaving(missing),
            "Cannot create file \"" + missing + "\". No such file or directory");
  EXPECT_EQ(errorSaving(dir_.string()),
            "Cannot create file \"" + dir_.string() + "\". Is a directory");
  EXPECT_EQ(entriesInDir(), 0u);
}

TEST_F(SaveResult, FailedWriteLeavesTheExistingFileAsItWas) {
  const fs::path target = file("keep.txt", "precious\n");
  for (int i = 0; i < 2000; ++i) state_.result.add(std::string(100, '7'));
  // A file size limit makes the write itself fail half-way.
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = errorSaving(target.string());
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(error, "Cannot create file \"" + target.string() + "\". File too large");
  EXPECT_EQ(contentOf(target), "precious\n");
  EXPECT_EQ(entriesInDir(), 1u);
}

class EnvironmentLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG", "LOCPATH"}) {
      const char* value = std::getenv(name);
      saved_.push_back({name, value != nullptr, value ? value : ""});
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& v : saved_) {
      if (v.set)
        setenv(v.name.c_str(), v.value.c_str(), 1);
      else
        unsetenv(v.name.c_str());
    }
  }
  struct Saved {
    std::string name;
    bool set;
    std::string value;
  };
  std::vector<Saved> saved_;
};

TEST_F(EnvironmentLocale, UnknownOrMissingLocaleFallsBackToDot) {
  EXPECT_EQ(environmentDecimalSeparator(), ".");
  setenv("LANG", "xx_NOWHERE.UTF-8", 1);
  EXPECT_EQ(environmentDecimalSeparator(), ".");
  EXPECT_EQ(decimalSeparatorOfLocale("C"), ".");
  EXPECT_EQ(decimalSeparatorOfLocale("../../etc"), ".");
}

TEST_F(EnvironmentLocale, LcAllThenLcNumericThenLang) {
  const std::string dir = test_support::commaLocaleDirectory();
  if (dir.empty()) GTEST_SKIP() << "localedef cannot build a test locale here";
  setenv("LOCPATH", dir.c_str(), 1);
  EXPECT_EQ(decimalSeparatorOfLocale("de_DE.UTF-8"), ",");
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(environmentDecimalSeparator(), ",");
  setenv("LC_NUMERIC", "C", 1);
  EXPECT_EQ(environmentDecimalSeparator(), ".");
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(environmentDecimalSeparator(), ",");
  setenv("LC_ALL", "", 1);  // set but empty: the next variable decides
  EXPECT_EQ(environmentDecimalSeparator(), ".");
}

}  // namespace
}  // namespace kelvaro
