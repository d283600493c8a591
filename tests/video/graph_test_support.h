#pragma once

// Shared by the graph tests: a folder of its own per test, and graph files to build from.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace qev::video::test {

namespace fs = std::filesystem;

// A live graph: the source's pins lead through decoders to both renderers.
inline constexpr const char *kLiveGrs = "# live graph\n"
                                        "LoadFilter(qevavsource, Source)\n"
                                        "LoadFilter(videodecoder, VDec)\n"
                                        "LoadFilter(audiodecoder, ADec)\n"
                                        "LoadFilter(videosink, Screen)\n"
                                        "LoadFilter(audiosink, Speaker)\n"
                                        "ConnectPin(Source, Video, VDec, sink)\n"
                                        "ConnectPin(VDec, src, Screen, sink)\n"
                                        "ConnectPin(Source, Audio, ADec, sink)\n"
                                        "ConnectPin(ADec, src, Speaker, sink)\n";

class GraphFolder : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qev-graph-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir, fs::perms::owner_all, ignored);
    fs::remove_all(dir, ignored);
  }
  std::string Write(const std::string &name, const std::string &text) const {
    const fs::path file = dir / name;
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }

  fs::path dir;
};

} // namespace qev::video::test
