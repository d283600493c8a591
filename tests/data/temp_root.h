#pragma once

#include "frame/app_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace qev::test {

// A fresh root folder per test, made the program's paths for the test's duration.
class TempRoot : public ::testing::Test {
protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() /
           ("qev-data-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    frame::SetPaths(frame::TAppPaths(root));
  }
  void TearDown() override { std::filesystem::remove_all(root); }

  static std::string ReadFile(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void WriteFile(const std::filesystem::path &file, const std::string &content) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
  }

  std::filesystem::path root;
};

} // namespace qev::test
