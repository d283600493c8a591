// The tsgen program: reproducible files for a fixed start, and refusals that leave no file.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string output; // stdout and stderr
};

class TsgenProgram : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qev-tsgen-cli-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Outcome Run(const std::string &arguments) const {
    Outcome outcome;
    const std::string command = std::string(QEV_TSGEN_PROGRAM) + " " + arguments + " 2>&1";
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
      return outcome;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
      outcome.output += buffer;
    }
    const int status = ::pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
  }
  fs::path Write(const std::string &name, const std::string &text) const {
    std::ofstream(dir_ / name) << text;
    return dir_ / name;
  }
  static Bytes Read(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The sample description with one line replaced.
  fs::path SampleWith(const std::string &from, const std::string &to) const {
    std::ifstream in(SamplePath());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (const auto at = text.find(from); at != std::string::npos) {
      text.replace(at, from.size(), to);
    }
    return Write("changed.txt", text);
  }
  void ExpectRefused(const fs::path &description, const std::string &message) const {
    const fs::path out = dir_ / "refused.ts";
    const Outcome outcome = Run(description.string() + " " + out.string() + " --seconds 1");
    EXPECT_EQ(outcome.exitCode, 1) << outcome.output;
    EXPECT_NE(outcome.output.find(message), std::string::npos) << outcome.output;
    EXPECT_FALSE(fs::exists(out));
    for (const auto &entry : fs::directory_iterator(dir_)) {
      EXPECT_EQ(entry.path().extension(), ".txt") << "left behind: " << entry.path();
    }
  }

  fs::path dir_;
};

TEST_F(TsgenProgram, AFixedStartGivesTheSameBytesEveryTime) {
  const std::string args =
      SamplePath() + " " + (dir_ / "a.ts").string() + " --seconds 2 --start '2025-06-01 08:00:00'";
  ASSERT_EQ(Run(args).exitCode, 0);
  fs::rename(dir_ / "a.ts", dir_ / "b.ts");
  ASSERT_EQ(Run(args).exitCode, 0);
  const Bytes a = Read(dir_ / "a.ts");
  EXPECT_EQ(a.size(), static_cast<std::size_t>(2 * 4'000'000 / 1504) * 188);
  EXPECT_EQ(a, Read(dir_ / "b.ts"));
  ASSERT_EQ(Run(SamplePath() + " " + (dir_ / "c.ts").string() +
                " --duration 2 --start '2025-06-01 08:00:01'")
                .exitCode,
            0);
  EXPECT_NE(a, Read(dir_ / "c.ts")) << "another start, another clock in the tables";
}

TEST_F(TsgenProgram, BadInputIsRefusedWithAMessageAndNoFile) {
  ExpectRefused(SampleWith("pid = 0x0102", "pid = 0x0011"),
                "PID 0x0011 of the audio stream of service 0x0101 is reserved for the SDT");
  ExpectRefused(SampleWith("bitrate = 4000000", "bitrate = 150000"),
                "the bitrate of 150000 bit/s is too low");
  ExpectRefused(SampleWith("[transponder]", "[transponder]\ninput = missing.ts"), "missing.ts");
  const Outcome noDir = Run(SamplePath() + " " + (dir_ / "none" / "x.ts").string());
  EXPECT_EQ(noDir.exitCode, 1);
  EXPECT_NE(noDir.output.find("cannot write"), std::string::npos) << noDir.output;
  EXPECT_EQ(Run(SamplePath() + " x.ts --start tomorrow").exitCode, 1);
  EXPECT_NE(Run(SamplePath() + " x.ts --seconds soon").output.find("--seconds wants a positive"),
            std::string::npos);
  EXPECT_EQ(Run(SamplePath()).exitCode, 2);
}

} // namespace
} // namespace qev::tsgen::test
