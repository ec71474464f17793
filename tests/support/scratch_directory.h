#pragma once
// A fresh directory, named after the running test, for the files a test writes and reads.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kelvaro::test_support {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');  // parameterised tests
    dir_ = std::filesystem::temp_directory_path() /
           ("kelvaro-" + std::to_string(getpid()) + "-" + name).substr(0, 200);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~ScratchDirectory() { std::filesystem::remove_all(dir_); }

  // Writes a file in the directory and returns its path.
  std::string file(const std::string& name, const std::string& content) const {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).string();
  }
  static std::string contentOf(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  std::filesystem::path dir_;
};

class ScratchDirectoryTest : public ::testing::Test, public ScratchDirectory {};

}  // namespace kelvaro::test_support
