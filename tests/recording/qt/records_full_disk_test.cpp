// The recordings list with the real recorder: a recording that fills the disk leaves the list
// and says why, and its file holds only whole packets.
#include "recording/qt/frame_records_list.h"
#include "recording/record_test_support.h"
#include "recording/recorder_fixture.h"

#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace qev::recording::test {
namespace {

class RecordsFullDisk : public RecorderTest {};

TEST_F(RecordsFullDisk, AFullDiskEndsTheRecordingWithAMessageAndAWholeFile) {
  TFaultyFiles files;
  files.FailAfterBytes = 188 * 150 + 100; // the disk fills inside a packet
  TRecorder &recorder = Recorder(&files);
  TRecordsListLinks links;
  links.Slots = [&] { return recorder.Slots(); };
  links.StopSlot = [&](int slot) { recorder.RecStopSlot(slot); };
  TFrameRecordsList list(nullptr, hub_, links);
  auto *rows = list.findChild<QTreeWidget *>("TreeRecords");

  data::TChannelRec channel{};
  std::strcpy(channel.ChName, "Demo One");
  channel.VidPid = channel.PcrPid = 0x100;
  channel.AudPid = 0x101;
  channel.PmtPid = 0x20;
  ASSERT_TRUE(recorder.RecStartChannel(channel, 0, 0, false));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !rows->topLevelItem(0)->isHidden(); }));
  const std::string file = recorder.Slots()[0].FirstFile;

  std::thread device([&] {
    for (int block = 0; block < 40; ++block)
      source_.Deliver(0x100, Packets(0x100, 10, block * 10));
  });
  device.join();
  // The watch thread ends it; the list hears of it through the hub.
  EXPECT_TRUE(QTest::qWaitFor([&] { return rows->topLevelItem(0)->isHidden(); }, 5000));
  EXPECT_FALSE(recorder.RecIsActive());
  const auto errors = Errors();
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors.front().find("stopped"), std::string::npos) << errors.front();

  const Bytes written = ReadAll(file);
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written.size() % 188, 0u);
  for (std::size_t at = 0; at < written.size(); at += 188)
    ASSERT_EQ(written[at], 0x47) << at;
}

} // namespace
} // namespace qev::recording::test
