// qevtool stats as a user runs it: per-PID packet counts, scrambled packets and continuity
// errors agree with an independent count of the same file (a small counter of our own in
// Python, run as a separate program), on generated streams with known flaws and on dumps of
// the demo sky; ffprobe's elementary streams are all there as PES; the rates add up to the
// file's own rate.
#include "support/run_command.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

const std::string kPeer = std::string(QEV_TS_COUNT_PEER);

constexpr const char *kFlawedStream = R"([transponder]
tsid = 7
onid = 1
network_id = 1
start = 2026-12-09 20:00:00
duration = 4
[service]
id = 0x21
pmt = 0x100
pcr = 0x101
type = 1
name = One
provider = Test
[stream]
kind = mpeg2
pid = 0x101
[stream]
kind = mpa
pid = 0x102
[stream]
kind = ac3
pid = 0x103
[flaws]
packet_loss = 40 0x101
continuity = 7 0x102
duplicate = 11 0x103
transport_error = 13 0x102
)";

bool HavePython() { return std::system("command -v python3 >/dev/null 2>&1") == 0; }

class ToolStatsSky : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qev-stats-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override { fs::remove_all(root); }

  std::string Tool(const std::string &arguments) const {
    return test::Capture(std::string(QEV_QEVTOOL) + " --root '" + root.string() + "' " + arguments +
                         " 2>/dev/null");
  }
  nlohmann::json Stats(const fs::path &file) const {
    return nlohmann::json::parse(Tool("--json --ts '" + file.string() + "' stats"), nullptr, false);
  }

  fs::path root;
};

nlohmann::json Peer(const fs::path &file) {
  return nlohmann::json::parse(test::Capture("python3 '" + kPeer + "' '" + file.string() + "'"),
                               nullptr, false);
}

std::map<int, nlohmann::json> ByPid(const nlohmann::json &stats) {
  std::map<int, nlohmann::json> pids;
  for (const auto &p : stats["pids"])
    pids[p["pid"].get<int>()] = p;
  return pids;
}

// Every PID, its packets, scrambled packets and continuity errors as the peer counts them.
void ExpectPeerAgrees(const nlohmann::json &stats, const nlohmann::json &peer) {
  ASSERT_TRUE(stats.contains("pids")) << stats.dump(1);
  ASSERT_TRUE(peer.contains("pids"));
  const auto ours = ByPid(stats);
  ASSERT_EQ(ours.size(), peer["pids"].size());
  for (const auto &[pidText, counts] : peer["pids"].items()) {
    const int pid = std::stoi(pidText);
    SCOPED_TRACE(pid);
    ASSERT_TRUE(ours.count(pid));
    EXPECT_EQ(ours.at(pid)["packets"], counts["packets"]);
    EXPECT_EQ(ours.at(pid)["scrambled"], counts["scrambled"]);
    EXPECT_EQ(ours.at(pid)["cc_errors"], counts["cc_errors"]);
  }
}

// The PID rates add up to the total, and the total is the file's size over its duration.
void ExpectRatesAddUp(const nlohmann::json &stats, const fs::path &file, double seconds) {
  double sum = 0;
  for (const auto &p : stats["pids"])
    sum += p["kbps"].get<double>();
  const double total = stats["total_kbps"].get<double>();
  EXPECT_NEAR(sum, total, total * 0.001 + 0.05 * stats["pids"].size());
  const double fileKbps = static_cast<double>(fs::file_size(file)) * 8 / seconds / 1000;
  EXPECT_NEAR(total, fileKbps, fileKbps * 0.02);
}

// ffprobe's elementary streams are all counted, as PES.
void ExpectFfprobeStreamsArePes(const nlohmann::json &stats, const fs::path &file) {
  if (!test::HaveFfprobe())
    return;
  const auto probe = nlohmann::json::parse(
      test::Capture("ffprobe -v error -show_streams -show_entries stream=id -of json '" +
                    file.string() + "'"),
      nullptr, false);
  const auto ours = ByPid(stats);
  int seen = 0;
  for (const auto &stream : probe["streams"]) {
    if (!stream.contains("id"))
      continue;
    const int pid = std::stoi(stream["id"].get<std::string>(), nullptr, 16);
    SCOPED_TRACE(pid);
    ASSERT_TRUE(ours.count(pid));
    const std::string type = ours.at(pid)["type"];
    if (type != "Scrambled" && ours.at(pid)["scrambled"] == 0 && type.rfind("SI ", 0) != 0) {
      EXPECT_EQ(type.rfind("PES ", 0), 0u) << type;
    }
    ++seen;
  }
  EXPECT_GT(seen, 0);
}

TEST_F(ToolStatsSky, AGeneratedStreamWithKnownFlawsCountsAsThePeerCountsIt) {
  if (!HavePython())
    GTEST_SKIP() << "python3 is not installed";
  const fs::path description = root / "flawed.txt", file = root / "flawed.ts";
  std::ofstream(description) << kFlawedStream;
  ASSERT_EQ(std::system((std::string(QEV_TSGEN) + " '" + description.string() + "' '" +
                         file.string() + "' >/dev/null")
                            .c_str()),
            0);
  const nlohmann::json stats = Stats(file);
  const nlohmann::json peer = Peer(file);
  ExpectPeerAgrees(stats, peer);
  const auto ours = ByPid(stats);
  EXPECT_GE(ours.at(0x101)["cc_errors"].get<int>(), 1) << "lost packets";
  EXPECT_GE(ours.at(0x102)["cc_errors"].get<int>(), 5) << "counter jumps";
  EXPECT_EQ(ours.at(0x103)["cc_errors"], 0) << "a packet sent twice is allowed";
  EXPECT_EQ(ours.at(0x101)["type"], "PES VID");
  EXPECT_EQ(ours.at(0x102)["type"], "PES AUD");
  // Private stream 1; AC-3 only when the generated frames carry the sync word.
  EXPECT_EQ(ours.at(0x103)["type"].get<std::string>().rfind("PES ", 0), 0u);
  EXPECT_EQ(ours.at(0)["type"], "SI PAT");
  ExpectRatesAddUp(stats, file, 4);
  ExpectFfprobeStreamsArePes(stats, file);
}

TEST_F(ToolStatsSky, DumpsOfTheDemoSkyCountAsThePeerCountsThem) {
  Tool("sats"); // seeds the root
  if (!fs::exists(root / "Devices/Sky/s1_10788v.txt"))
    GTEST_SKIP() << "the demo sky was not built";
  if (!HavePython())
    GTEST_SKIP() << "python3 is not installed";
  for (const auto &[frequency, polarisation, symbolRate] :
       {std::tuple("10788", "V", "22000"), std::tuple("12188", "H", "27500")}) {
    SCOPED_TRACE(frequency);
    const fs::path dump = root / "dump.ts";
    Tool(std::string("dump 1 ") + frequency + " " + polarisation + " " + symbolRate +
         " --seconds 3 --out '" + dump.string() + "'");
    ASSERT_TRUE(fs::exists(dump));
    const nlohmann::json stats = Stats(dump);
    ExpectPeerAgrees(stats, Peer(dump));
    ExpectFfprobeStreamsArePes(stats, dump);
    bool scrambled = false;
    for (const auto &p : stats["pids"])
      scrambled = scrambled || p["type"] == "Scrambled";
    if (std::string(frequency) == "10788") {
      EXPECT_TRUE(scrambled) << "the scrambled service's streams";
    }
  }
}

// Live: the channel's transponder for a time, its rate by the clock.
TEST_F(ToolStatsSky, ALiveChannelIsMeasuredForTheTimeGiven) {
  Tool("sats");
  if (!fs::exists(root / "Devices/Sky/s1_10788v.txt"))
    GTEST_SKIP() << "the demo sky was not built";
  const auto doc = nlohmann::json::parse(Tool("--json stats 65536 --seconds 2"), nullptr, false);
  ASSERT_TRUE(doc.contains("pids")) << doc.dump(1);
  EXPECT_GT(doc["pids"].size(), 5u);
  EXPECT_GT(doc["total_kbps"].get<double>(), 1000);
}

} // namespace
