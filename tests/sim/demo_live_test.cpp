// Every transponder of the demo sky as Dev_Sim.int broadcasts it: three rounds of its clips
// without a seam, and tables on the clock.
#include "description_file.h"
#include "live_transponder.h"
#include "stream_check.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using qev::tsgen::test::StreamCheck;

namespace {

constexpr std::array kTransponders = {"s1_10788v", "s1_12188h", "s2_11054h", "s2_12303v"};
constexpr double kSeconds = 3 * 3 + 1; // three rounds of the three-second clips
constexpr std::int64_t kClockMs = 1'765'000'000'000;

fs::path SkyFolder() { return fs::path(QEV_SHARE_DIR) / "Devices" / "Sky"; }

std::vector<std::uint8_t> Broadcast(const fs::path &description) {
  const auto tp = qev::tsgen::DescriptionFile::Load(description.string());
  qev::sim::LiveTransponder live(description, [](std::uint64_t t27) {
    return kClockMs + static_cast<std::int64_t>(t27 / 27000);
  });
  const auto packets = static_cast<std::size_t>(kSeconds * static_cast<double>(tp.bitrate) / 1504);
  std::vector<std::uint8_t> out(packets * 188);
  for (std::size_t i = 0; i < packets; ++i)
    live.Next(out.data() + i * 188);
  // SI tables and null packets go out only when no PES is half sent: end after the last one.
  const auto lastPid = [&out] {
    const std::uint8_t *p = out.data() + out.size() - 188;
    return (p[1] & 0x1F) << 8 | p[2];
  };
  while (!out.empty() && lastPid() > 0x1F && lastPid() != 0x1FFF)
    out.resize(out.size() - 188);
  return out;
}

bool HaveFfprobe() { return std::system("ffprobe -version >/dev/null 2>&1") == 0; }

// What ffprobe warns about, less the note on the EIT's data stream it makes of PID 0x12 (a
// stream without time stamps in a codec it does not know).
std::string FfprobeWarnings(const std::vector<std::uint8_t> &stream) {
  const fs::path file =
      fs::temp_directory_path() / ("qev-demo-live-" + std::to_string(::getpid()) + ".ts");
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char *>(stream.data()),
             static_cast<std::streamsize>(stream.size()));
  const std::string command = "ffprobe -v warning -show_streams " + file.string() +
                              " 2>&1 >/dev/null | grep -v -e 'Unsupported codec with id 98306' "
                              "-e 'start time for stream [0-9]* is not set'";
  std::string warnings;
  if (FILE *pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
      warnings += buffer;
    ::pclose(pipe);
  }
  fs::remove(file);
  return warnings;
}

TEST(DemoLive, EveryTransponderLoopsWithoutASeam) {
  for (const char *name : kTransponders) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> stream = Broadcast(SkyFolder() / (std::string(name) + ".txt"));
    const StreamCheck check = StreamCheck::Of(stream);
    EXPECT_TRUE(check.continuityErrors.empty()) << check.continuityErrors.front();
    EXPECT_TRUE(check.pcrErrors.empty());
    EXPECT_LT(check.largestPcrIntervalMs, 40.0);
    EXPECT_GT(check.pesCount, 1000u);
    EXPECT_GT(check.smallestPesMarginMs, 100.0) << "a PES came late";
    if (HaveFfprobe())
      EXPECT_EQ(FfprobeWarnings(stream), "");
  }
}

TEST(DemoLive, TheSkyNamesTheDescriptions) {
  std::ifstream sky(fs::path(QEV_SHARE_DIR) / "Devices" / "Dev_Sim.ini");
  const std::string text((std::istreambuf_iterator<char>(sky)), std::istreambuf_iterator<char>());
  for (const char *name : kTransponders) {
    EXPECT_NE(text.find("Sky/" + std::string(name) + ".txt"), std::string::npos) << name;
    EXPECT_TRUE(fs::exists(SkyFolder() / (std::string(name) + "_av.ts"))) << name;
  }
}

} // namespace
