// A recorded file played in a loop: its own bytes unchanged, and at each wrap a clean
// discontinuity on every PID as a continuity analyser following ISO/IEC 13818-1 sees it.
#include "sim/test_sky.h"
#include "ts_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <vector>

namespace qev::sim::test {
namespace {

using Packet = std::vector<std::uint8_t>;

// Continuity counters as a receiver checks them: a packet with a payload counts one up, one
// with an adaptation field only repeats the count; a set discontinuity indicator excuses a
// jump.
class ContinuityAnalyser {
public:
  void Take(const Packet &p) {
    const int pid = ((p[1] & 0x1F) << 8) | p[2];
    if (pid == 0x1FFF)
      return;
    const bool payload = (p[3] & 0x10) != 0;
    const int continuity = p[3] & 0x0F;
    const bool discontinuity = (p[3] & 0x20) != 0 && p[4] > 0 && (p[5] & 0x80) != 0;
    const auto last = last_.find(pid);
    if (discontinuity)
      ++discontinuities_[pid];
    else if (last != last_.end() && continuity != (last->second + (payload ? 1 : 0)) % 16)
      ++errors;
    last_[pid] = continuity;
  }
  int Discontinuities(int pid) const {
    const auto found = discontinuities_.find(pid);
    return found == discontinuities_.end() ? 0 : found->second;
  }
  std::set<int> Pids() const {
    std::set<int> pids;
    for (const auto &[pid, count] : last_)
      pids.insert(pid);
    return pids;
  }

  int errors = 0;

private:
  std::map<int, int> last_;
  std::map<int, int> discontinuities_;
};

bool IsMarker(const Packet &p) {
  return p[3] >> 4 == 0x2 && p[4] == 183 && p[5] == 0x80 &&
         std::all_of(p.begin() + 6, p.end(), [](std::uint8_t b) { return b == 0xFF; });
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TsFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    path = TestSky::Stream("north_low_v.ts", 0x11);
    bytes = ReadAll(path);
    ASSERT_EQ(bytes.size() % 188, 0u);
    ASSERT_TRUE(file.Open(path));
  }
  std::vector<Packet> ReadOnce(std::size_t most) {
    std::vector<Packet> packets;
    Packet packet(188);
    while (packets.size() < most && file.Next(packet.data(), false))
      packets.push_back(packet);
    return packets;
  }
  std::size_t PacketsInFile() const { return bytes.size() / 188; }

  std::filesystem::path path;
  std::vector<std::uint8_t> bytes;
  TsFile file;
};

TEST_F(TsFileTest, LoopingAnnouncesEachWrapOnEveryPidAndKeepsTheFilesBytes) {
  ContinuityAnalyser analyser;
  std::vector<std::uint8_t> withoutMarkers; // three times the file
  std::size_t markers = 0;
  Packet p(188);
  while (withoutMarkers.size() < 3 * bytes.size() && file.Next(p.data(), true)) {
    analyser.Take(p);
    if (IsMarker(p))
      ++markers;
    else
      withoutMarkers.insert(withoutMarkers.end(), p.begin(), p.end());
  }
  EXPECT_EQ(analyser.errors, 0);
  const std::set<int> pids = analyser.Pids();
  ASSERT_GE(pids.size(), 4u); // PAT, PMT, picture, sound at least
  for (const int pid : pids)
    EXPECT_EQ(analyser.Discontinuities(pid), 2) << "PID " << pid;
  EXPECT_EQ(markers, 2 * pids.size());
  ASSERT_EQ(withoutMarkers.size(), 3 * bytes.size());
  for (std::size_t i = 0; i < withoutMarkers.size(); ++i)
    ASSERT_EQ(withoutMarkers[i], bytes[i % bytes.size()]) << "byte " << i;
}

TEST_F(TsFileTest, WithoutLoopingTheFileComesOnceUntouched) {
  const std::vector<Packet> played = ReadOnce(PacketsInFile() * 2);
  ASSERT_EQ(played.size(), PacketsInFile());
  for (std::size_t i = 0; i < played.size(); ++i)
    ASSERT_TRUE(std::equal(played[i].begin(), played[i].end(), bytes.begin() + 188 * i));
}

TEST(DiscontinuityPacketTest, CountsFromWhatTheNextPacketContinues) {
  std::uint8_t withPayload[188] = {0x47, 0x41, 0x01, 0x13}; // PUSI, PID 0x101, payload, CC 3
  std::uint8_t marker[188];
  MakeDiscontinuityPacket(withPayload, marker);
  EXPECT_EQ(marker[1], 0x01); // no unit start
  EXPECT_EQ(marker[2], 0x01);
  EXPECT_EQ(marker[3], 0x22);
  std::uint8_t adaptationOnly[188] = {0x47, 0x01, 0x00, 0x20, 183, 0x10}; // CC 0, no payload
  MakeDiscontinuityPacket(adaptationOnly, marker);
  EXPECT_EQ(marker[3], 0x20);
  std::uint8_t wraps[188] = {0x47, 0x00, 0x00, 0x10}; // payload with CC 0: marker holds 15
  MakeDiscontinuityPacket(wraps, marker);
  EXPECT_EQ(marker[3], 0x2F);
  EXPECT_EQ(marker[4], 183);
  EXPECT_EQ(marker[5], 0x80);
}

} // namespace
} // namespace qev::sim::test
