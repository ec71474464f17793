// The decimal separator of the environment's locale: LC_ALL, then LC_NUMERIC, then LANG.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "commands/locale_separator.h"

namespace kelvaro {
namespace {

// A directory holding a locale "de_DE.UTF-8" whose separator is a comma, built for the test (a
// fresh machine has only the C locales); empty when it cannot be built.
std::string commaLocaleDirectory() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelvaro-test-locales";
  const std::filesystem::path locale = dir / "de_DE.UTF-8";
  if (!std::filesystem::exists(locale / "LC_NUMERIC")) {
    std::filesystem::create_directories(dir);
    // localedef may report trouble and still build the locale: its files decide.
    [[maybe_unused]] const int status =
        std::system(("localedef -i de_DE -f UTF-8 '" + locale.string() + "' 2>/dev/null").c_str());
  }
  return std::filesystem::exists(locale / "LC_NUMERIC") ? dir.string() : "";
}

// Each test starts without the variables and leaves them as it found them.
class EnvironmentLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.emplace_back(value != nullptr, value ? value : "");
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < saved_.size(); ++i)
      saved_[i].first ? setenv(kNames[i], saved_[i].second.c_str(), 1) : unsetenv(kNames[i]);
  }
  static constexpr const char* kNames[] = {"LC_ALL", "LC_NUMERIC", "LANG", "LOCPATH"};
  std::vector<std::pair<bool, std::string>> saved_;
};

TEST_F(EnvironmentLocale, UnknownOrMissingLocaleFallsBackToDot) {
  EXPECT_EQ(environmentDecimalSeparator(), ".");
  setenv("LANG", "xx_NOWHERE.UTF-8", 1);
  EXPECT_EQ(environmentDecimalSeparator(), ".");
  EXPECT_EQ(decimalSeparatorOfLocale("../../etc"), ".");
}

TEST_F(EnvironmentLocale, LcAllThenLcNumericThenLang) {
  const std::string dir = commaLocaleDirectory();
  if (dir.empty()) GTEST_SKIP() << "localedef cannot build a test locale here";
  setenv("LOCPATH", dir.c_str(), 1);
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
