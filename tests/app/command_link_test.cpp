// Command lines handed over by later starts, and the sleep timer, drive the running program.
#include "app/command_link.h"
#include "app/qev_application.h"
#include "data/data_store.h"
#include "demo_root_test.h"
#include "device/engine_steps.h"
#include "device/tuning_engine.h"
#include "frame/process_flags.h"
#include "ui/qt/form_dvb_main.h"

#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace qev;

namespace {

class CommandLink : public test::DemoRootTest {
protected:
  CommandLink() : DemoRootTest("qev-command-link-") {}
  void TearDown() override {
    device::TuningEngine().Hooks().StartRecording = nullptr;
    frame::Flags().ForceExit = false;
    DemoRootTest::TearDown();
  }
  // Another channel on the satellite that slot 0 plays: its handle and name.
  std::pair<std::int32_t, std::string> AnotherChannel() {
    const std::int32_t current = device::TuningEngine().Slot(0).CurrentHandle;
    const int sat = current >> 16;
    const data::TChannelsList *list = data::ChannelLists().ListOf(sat);
    for (int i = 0; list && i < list->Count(); ++i)
      if (sat * 65536 + i != current)
        return {sat * 65536 + i, data::ChName(list->Item(i))};
    return {-1, ""};
  }
};

TEST_F(CommandLink, AHandedOverViewSwitchesTheRunningInstanceByName) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  ASSERT_GT(device::TuningEngine().Slot(0).CurrentHandle, 0);
  const auto [handle, name] = AnotherChannel();
  ASSERT_GE(handle, 0);
  application.ReceiveCommand("/view /sat " + std::to_string(handle >> 16) + " /chn " + name);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return device::TuningEngine().Slot(0).CurrentHandle == handle; }, 10000));
  application.RequestClose();
}

TEST_F(CommandLink, ARecordingWithAtEndExitRecordsThenClosesWithoutAsking) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  std::vector<std::pair<int, int>> recordings;
  device::TuningEngine().Hooks().StartRecording = [&](int slot, int minutes) {
    recordings.emplace_back(slot, minutes);
  };
  application.ShutdownSteps().SetRecordingQuery([] { return true; });
  const auto [handle, name] = AnotherChannel();
  application.ReceiveCommand("/REC /SAT " + std::to_string(handle >> 16) + " /CHN " + name +
                             " /DUR 1 /ATEND EXIT");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !recordings.empty(); }, 10000));
  EXPECT_EQ(recordings.front(), std::make_pair(0, 1));
  EXPECT_EQ(device::TuningEngine().Slot(0).CurrentHandle, handle);
  recording::TSleepTimer &timer = application.Commands().SleepTimer();
  ASSERT_TRUE(timer.Armed());
  EXPECT_EQ(timer.Action(), recording::kSleepExit);
  const auto ahead = timer.Trigger() - timer.Now();
  EXPECT_GT(ahead, std::chrono::seconds(60));
  EXPECT_LE(ahead, std::chrono::seconds(62));

  // The minute is over: the program closes, the running recording asks nothing.
  timer.SetSleepTimer(0, recording::kSleepExit);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !application.MainWindow()->isVisible(); }, 5000));
  EXPECT_TRUE(frame::Flags().Closing);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(CommandLink, HandedOverTextsWaitForTheMainWindowAndExitCloses) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  application.ReceiveCommand("/exit"); // still starting: dropped
  QApplication::processEvents();
  ASSERT_TRUE(application.Start());
  QTest::qWait(100);
  EXPECT_TRUE(application.MainWindow()->isVisible());
  EXPECT_FALSE(frame::Flags().ForceExit);
  application.ShutdownSteps().SetRecordingQuery([] { return true; });
  application.ReceiveCommand("/exit");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !application.MainWindow()->isVisible(); }, 5000));
  EXPECT_TRUE(presenter.shown.empty());
}

} // namespace
