// Every transponder of the demo sky as Dev_Sim.int broadcasts it: three rounds of its clips
// without a seam, and tables on the clock.
#include "description_file.h"
#include "live_transponder.h"
#include "stream_check.h"
#include "transponder.h"

#include <gtest/gtest.h>

#include "support/run_command.h"
#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using qev::test::Capture;
using qev::test::HaveFfprobe;
using qev::tsgen::test::StreamCheck;

namespace {

constexpr std::array kTransponders = {"s1_10788v", "s1_12188h", "s2_11054h", "s2_12303v"};
constexpr double kRounds = 3; // of each transponder's clips
constexpr std::int64_t kClockMs = 1'765'000'000'000;

fs::path SkyFolder() { return fs::path(QEV_SHARE_DIR) / "Devices" / "Sky"; }

// Three rounds of the clips (the description's duration is their length) and a second more.
std::vector<std::uint8_t> Broadcast(const fs::path &description) {
  const auto tp = qev::tsgen::DescriptionFile::Load(description.string());
  qev::sim::LiveTransponder live(description, [](std::uint64_t t27) {
    return kClockMs + static_cast<std::int64_t>(t27 / 27000);
  });
  const double seconds = kRounds * tp.durationSeconds + 1;
  const auto packets = static_cast<std::size_t>(seconds * static_cast<double>(tp.bitrate) / 1504);
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

// The picture and sound of the services with conditional access.
std::set<int> ScrambledPids(const qev::tsgen::Transponder &tp) {
  using qev::tsgen::StreamKind;
  std::set<int> pids;
  for (const qev::tsgen::Service &service : tp.services) {
    for (const qev::tsgen::Stream &stream : service.streams) {
      if (!service.ca.empty() && stream.kind != StreamKind::Teletext &&
          stream.kind != StreamKind::DataSections)
        pids.insert(stream.pid);
    }
  }
  return pids;
}

// The PIDs whose content no decoder reads as it is: scrambled picture and sound, and private
// sections.
std::set<int> OpaquePids(const qev::tsgen::Transponder &tp) {
  std::set<int> pids = ScrambledPids(tp);
  for (const qev::tsgen::Service &service : tp.services) {
    for (const qev::tsgen::Stream &stream : service.streams) {
      if (stream.kind == qev::tsgen::StreamKind::DataSections)
        pids.insert(stream.pid);
    }
  }
  return pids;
}

// What ffprobe warns about, less its notes on the streams it cannot read by design: the EIT's
// data stream it makes of PID 0x12 (no time stamps, a codec it does not know) and `opaque`.
std::string FfprobeWarnings(const std::vector<std::uint8_t> &stream, const std::set<int> &opaque) {
  const fs::path file =
      fs::temp_directory_path() / ("qev-demo-live-" + std::to_string(::getpid()) + ".ts");
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char *>(stream.data()),
             static_cast<std::streamsize>(stream.size()));
  std::set<std::string> opaqueIndexes;
  const auto probed =
      nlohmann::json::parse(Capture("ffprobe -v quiet -show_streams -of json " + file.string()));
  for (const auto &s : probed["streams"]) {
    if (opaque.contains(std::stoi(s.value("id", "0x0"), nullptr, 16)))
      opaqueIndexes.insert(std::to_string(s["index"].get<int>()));
  }
  const std::string lines = Capture("ffprobe -v warning -show_streams " + file.string() +
                                    " 2>&1 >/dev/null | grep -v -e 'Unsupported codec with id "
                                    "98306' -e 'start time for stream [0-9]* is not set'");
  fs::remove(file);
  static const std::regex kStreamIndex(R"(stream (\d+))");
  std::istringstream in(lines);
  std::string warnings;
  bool dropped = false;
  for (std::string line; std::getline(in, line);) {
    std::smatch index;
    // ffprobe follows a stream's "Could not find codec parameters" with advice of its own.
    dropped = (std::regex_search(line, index, kStreamIndex) && opaqueIndexes.contains(index[1])) ||
              (dropped && line.starts_with("Consider increasing"));
    if (!dropped)
      warnings += line + "\n";
  }
  return warnings;
}

// Packets of `pids` with a payload, scrambled or in the clear.
std::size_t PayloadPackets(const std::vector<std::uint8_t> &stream, const std::set<int> &pids,
                           bool scrambled) {
  std::size_t count = 0;
  for (std::size_t at = 0; at + 188 <= stream.size(); at += 188) {
    const std::uint8_t *p = stream.data() + at;
    const int pid = (p[1] & 0x1F) << 8 | p[2];
    count += pids.contains(pid) && (p[3] & 0x10) != 0 && ((p[3] & 0xC0) != 0) == scrambled;
  }
  return count;
}

TEST(DemoLive, EveryTransponderLoopsWithoutASeam) {
  int scrambledTransponders = 0;
  for (const char *name : kTransponders) {
    SCOPED_TRACE(name);
    const fs::path description = SkyFolder() / (std::string(name) + ".txt");
    const std::vector<std::uint8_t> stream = Broadcast(description);
    const StreamCheck check = StreamCheck::Of(stream);
    EXPECT_TRUE(check.continuityErrors.empty()) << check.continuityErrors.front();
    EXPECT_TRUE(check.pcrErrors.empty());
    EXPECT_LT(check.largestPcrIntervalMs, 40.0);
    EXPECT_GT(check.pesCount, 1000u);
    EXPECT_GT(check.smallestPesMarginMs, 100.0) << "a PES came late";
    const auto tp = qev::tsgen::DescriptionFile::Load(description.string());
    const std::set<int> scrambled = ScrambledPids(tp);
    if (!scrambled.empty()) {
      ++scrambledTransponders;
      EXPECT_GT(PayloadPackets(stream, scrambled, true), 1000u);
      EXPECT_EQ(PayloadPackets(stream, scrambled, false), 0u) << "a scrambled PID sent clear";
    }
    if (HaveFfprobe()) {
      EXPECT_EQ(FfprobeWarnings(stream, OpaquePids(tp)), "");
    }
  }
  EXPECT_GT(scrambledTransponders, 0);
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
