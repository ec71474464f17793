// The decimal separator of the environment's locale: LC_ALL, then LC_NUMERIC, then LANG.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "commands/command_table.h"
#include "commands/exchange_commands.h"
#include "commands/locale_separator.h"
#include "commands/notation_commands.h"
#include "commands/shell_commands.h"

namespace kelvaro {
namespace {

TEST(EnvironmentLocale, LcAllThenLcNumericThenLang) {
  // A locale whose separator is a comma, built for the test: a fresh machine has only C.
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelvaro-test-locales";
  if (!std::filesystem::exists(dir / "de_DE.UTF-8" / "LC_NUMERIC")) {
    std::filesystem::create_directories(dir);
    // localedef may report trouble and still build the locale: its files decide.
    [[maybe_unused]] const int status = std::system(
        ("localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' 2>/dev/null")
            .c_str());
  }
  if (!std::filesystem::exists(dir / "de_DE.UTF-8" / "LC_NUMERIC"))
    GTEST_SKIP() << "localedef cannot build a test locale here";
  const char* names[] = {"LC_ALL", "LC_NUMERIC", "LANG", "LOCPATH"};
  std::string saved[4];
  for (int i = 0; i < 4; ++i) saved[i] = std::getenv(names[i]) ? std::getenv(names[i]) : "";
  for (const char* name : names) unsetenv(name);

  EXPECT_EQ(environmentDecimalSeparator(), ".");
  setenv("LANG", "xx_NOWHERE.UTF-8", 1);  // unknown: the C locale's
  EXPECT_EQ(environmentDecimalSeparator(), ".");
  setenv("LOCPATH", dir.c_str(), 1);
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(environmentDecimalSeparator(), ",");
  setenv("LC_NUMERIC", "C", 1);
  EXPECT_EQ(environmentDecimalSeparator(), ".");
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(environmentDecimalSeparator(), ",");
  setenv("LC_ALL", "", 1);  // set but empty: the next variable decides
  EXPECT_EQ(environmentDecimalSeparator(), ".");

  // Back as they were (an empty one as unset: none of them means anything empty).
  for (int i = 0; i < 4; ++i)
    saved[i].empty() ? unsetenv(names[i]) : setenv(names[i], saved[i].c_str(), 1);
}

TEST(DecimalSeparator, OneByteThatNoNumberUses) {
  for (const char* usable : {".", ",", ";", "'", "_", "/", "~"})
    EXPECT_TRUE(isUsableDecimalSeparator(usable)) << usable;
  for (const char* unusable : {"", "..", "\u066b", "\xab", "0", "9", "+", "-", "e", "E", "i", "I",
                               "(", ")", " ", "\t", "\x7f"})
    EXPECT_FALSE(isUsableDecimalSeparator(unusable)) << unusable;
}

// Whatever separator is in force, the pane reader reads what the printers write with it: a
// polar element through both conversions, a command, and its result used as B.
TEST(DecimalSeparator, ThePaneReaderReadsWhatThePrintersWrite) {
  class Silent : public UserInterface {
    void showNote(const std::string&) override {}
    void showWarning(const std::string&) override {}
  } ui;
  for (char c = '!'; c <= '~'; ++c) {
    const std::string separator(1, c);
    if (!isUsableDecimalSeparator(separator)) continue;
    SCOPED_TRACE(separator);
    CalcState s;
    FormCreate(s, separator);
    s.paneA.setLines({"5(30) 1"});
    RecttoPolar1Click(s);
    PolarToRect1Click(s);
    findCommandByAction("A")->run(s);
    resultToB(s, ui, "");
    findCommandByAction("B")->run(s);
    const std::string row = "  4" + separator + "33+2" + separator + "5i          1\n";
    EXPECT_EQ(s.result.text(), "A=\n" + row + "\nB=\n" + row);
  }
}

}  // namespace
}  // namespace kelvaro
