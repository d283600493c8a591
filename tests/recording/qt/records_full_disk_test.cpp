// The recorder's list with the real recorder: a recording that fills the disk leaves the list
// and says why, and its file holds only whole packets.
#include "frame/log.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "recording/qt/frame_records_list.h"
#include "recording/record_test_support.h"
#include "recording/recorder.h"
#include "support/temp_dir.h"

#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace qev::recording {
namespace {

// Filters that the test feeds from a thread of its own, as a device's delivery thread does.
class FakeSource final : public IRecordSource {
public:
  std::int32_t StartFilter(std::uint16_t pid, std::uint8_t, DataCallback callback) override {
    const std::lock_guard lock(mutex_);
    filters_[++last_] = {pid, std::move(callback)};
    return last_;
  }
  void StopFilter(std::int32_t handle) override {
    const std::lock_guard lock(mutex_);
    filters_.erase(handle);
  }
  bool Packets188() const override { return true; }
  std::string StreamExtension() const override { return "ts"; }

  void Deliver(std::uint16_t pid, const test::Bytes &block) {
    const std::lock_guard lock(mutex_);
    for (auto &[handle, filter] : filters_)
      if (filter.first == pid)
        filter.second(block.data(), block.size());
  }

private:
  std::mutex mutex_;
  std::int32_t last_ = 0;
  std::map<std::int32_t, std::pair<std::uint16_t, DataCallback>> filters_;
};

class LogLines {
public:
  LogLines() {
    frame::SetLogTarget([this](int, int level, const char *text) {
      const std::lock_guard lock(mutex_);
      if (level == frame::kLogError)
        errors_.emplace_back(text);
    });
  }
  ~LogLines() { frame::SetLogTarget(nullptr); }
  std::vector<std::string> Errors() const {
    const std::lock_guard lock(mutex_);
    return errors_;
  }

private:
  mutable std::mutex mutex_;
  std::vector<std::string> errors_;
};

TEST(RecordsFullDisk, AFullDiskEndsTheRecordingWithAMessageAndAWholeFile) {
  qev::test::TTempDir folder("qev-rec-full-");
  frame::TRecordingOptions options;
  options.DestDirectory = folder.Path().string();
  options.AskBeforeRec = false;
  test::TFaultyFiles files;
  files.FailAfterBytes = 188 * 150 + 100; // the disk fills inside a packet
  frame::TNotificationHub hub;
  LogLines log;
  FakeSource source;
  TRecorderContext context{hub, [&]() -> const frame::TRecordingOptions & { return options; },
                           [&] { return folder.Path(); }, nullptr};
  context.Files = &files;
  TRecorder recorder(source, std::move(context));

  TRecordsListLinks links;
  links.Slots = [&] { return recorder.Slots(); };
  links.StopSlot = [&](int slot) { recorder.RecStopSlot(slot); };
  TFrameRecordsList list(nullptr, hub, links);
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
      source.Deliver(0x100, test::Packets(0x100, 10, block * 10));
  });
  device.join();
  // The watch thread ends it; the list hears of it through the hub.
  EXPECT_TRUE(QTest::qWaitFor([&] { return rows->topLevelItem(0)->isHidden(); }, 5000));
  EXPECT_FALSE(recorder.RecIsActive());
  const auto errors = log.Errors();
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors.front().find("stopped"), std::string::npos) << errors.front();

  const test::Bytes written = test::ReadAll(file);
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written.size() % 188, 0u);
  for (std::size_t at = 0; at < written.size(); at += 188)
    ASSERT_EQ(written[at], 0x47) << at;
}

} // namespace
} // namespace qev::recording
