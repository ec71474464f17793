#pragma once
// A fresh directory per test for files the test writes and reads back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kelvaro::test_support {

class ScratchDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() / ("kelvaro-" + std::to_string(getpid()) + "-" +
                                                     info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Writes a file in the directory and returns its path.
  std::string file(const std::string& name, const std::string& content) const {
    const std::filesystem::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }
  static std::string contentOf(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  std::filesystem::path dir_;
};

}  // namespace kelvaro::test_support
