#pragma once
// A locale whose decimal separator is a comma, built into a private directory for the tests
// that need one: a fresh machine has only the C locales. Empty when it cannot be built.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kelvaro::test_support {

// The directory to use as LOCPATH; it holds the locale "de_DE.UTF-8".
inline std::string commaLocaleDirectory() {
  static const std::string directory = [] {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "kelvaro-test-locales";
    const std::filesystem::path locale = dir / "de_DE.UTF-8";
    if (std::filesystem::exists(locale / "LC_NUMERIC")) return dir.string();
    std::filesystem::create_directories(dir);
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + locale.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 && !std::filesystem::exists(locale / "LC_NUMERIC"))
      return std::string();
    return dir.string();
  }();
  return directory;
}

}  // namespace kelvaro::test_support
