#include "recording/recorder_fixture.h"

#include "support/wait_until.h"

#include <thread>

namespace qev::recording::test {
namespace {

using namespace std::chrono_literals;

// Eight recordings written by three delivery threads at once while the user-interface thread
// stops and restarts some of them and the watch thread ends one at its time limit: every file
// keeps whole packets in delivery order.
TEST_F(RecorderTest, EightSlotsDeliveryThreadsStopsAndTheWatchThreadTogether) {
  options_.FileSplitSize = 100 * 188;
  TRecorder &recorder = Recorder();
  for (std::uint8_t av = 0; av < 4; ++av)
    ASSERT_TRUE(recorder.RecStartChannel(TestChannel(), av, 0, false));
  ASSERT_TRUE(recorder.RecStartPid(0x300, "", ""));
  ASSERT_TRUE(recorder.RecStartPid(0x301, "", ""));
  ASSERT_TRUE(recorder.RecStartPid(0x302, "", ""));
  ASSERT_TRUE(recorder.RecStartPid(kFullTsPid, "FTS", ""));
  ASSERT_TRUE(recorder.SetStopAfterSeconds(5, 10));

  std::atomic<bool> done{false};
  const std::vector<std::vector<std::uint16_t>> lanes = {
      {0x100, 0x300}, {0x101, 0x301}, {0x20, 0x302}};
  std::vector<std::thread> threads;
  for (const auto &lane : lanes)
    threads.emplace_back([&, lane] {
      for (int block = 0; !done; ++block) {
        for (const std::uint16_t pid : lane)
          source_.Deliver(pid, Packets(pid, 3, 3 * block));
        std::this_thread::sleep_for(1ms); // a stream's pace; lets the stops in
      }
    });
  std::set<std::string> files;
  for (int round = 0; round < 20; ++round) {
    for (const auto &view : recorder.Slots())
      if (view.State == kRecRunning)
        files.insert(view.FirstFile);
    recorder.RecStopSlot(round % 4);
    recorder.RecStartChannel(TestChannel(), static_cast<std::uint8_t>(round % 4), 0, false);
    if (round == 10)
      Advance(10s);
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_TRUE(qev::test::WaitUntil([&] { return recorder.Slots()[5].State == kRecFree; }));
  done = true;
  for (auto &thread : threads)
    thread.join();
  recorder.RecStopAll();
  EXPECT_FALSE(recorder.RecIsActive());
  for (int av = 0; av < 4; ++av)
    EXPECT_FALSE(recorder.RecIsAvSlotActive(av));

  int checked = 0;
  for (const auto &path : Files()) {
    EXPECT_EQ(CheckTs(ReadAll(path)), "") << path;
    ++checked;
  }
  EXPECT_GE(checked, static_cast<int>(files.size()));
  const auto notes = Notes();
  EXPECT_EQ(std::count(notes.begin(), notes.end(), 1), std::count(notes.begin(), notes.end(), 0));
}

} // namespace
} // namespace qev::recording::test
