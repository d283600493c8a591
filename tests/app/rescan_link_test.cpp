// A channel of the demo sky rescanned as the channel tree asks for it: the real device module,
// engine and lists, and the program's wait dialog.
#include "app/demo_root_test.h"
#include "app/qev_application.h"
#include "data/channel_handle.h"
#include "data/data_store.h"
#include "device/engine_steps.h"
#include "si/scan_texts.h"
#include "ui/ui_context.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace qev;

namespace {

constexpr int kDeadlineMs = 20000;

class RescanLink : public test::DemoRootTest {
protected:
  RescanLink() : DemoRootTest("qev-rescan-link-") {}
};

// A channel of the satellite on another transponder than the record's.
std::int32_t ElsewhereOn(std::uint8_t satIndex, const data::TChannelRec &rec) {
  for (std::uint16_t position = 0;; ++position) {
    const std::int32_t handle = data::MakeChannelHandle(satIndex, position);
    const auto other = data::ChannelLists().ChannelByHandle(handle);
    if (!other)
      return 0;
    if (other->Freq != rec.Freq || other->Polar != rec.Polar)
      return handle;
  }
}

} // namespace

TEST_F(RescanLink, AStaleRecordOfThePlayingTransponderIsReadAgainAndStored) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  const device::TSlotState &slot0 = device::TuningEngine().Slot(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return slot0.Playing(); }, kDeadlineMs));
  const auto &rescan = application.UiContext()->Subsystems.RescanByHandle;
  ASSERT_TRUE(rescan);

  const std::int32_t handle = slot0.CurrentHandle;
  const data::TChannelRec live = *data::ChannelLists().ChannelByHandle(handle);
  ASSERT_GT(live.EsCount, 0);
  data::TChannelRec stale = live;
  stale.EsCount = 0;
  stale.AudPid = 0x1234;
  stale.VidPid = 0x1235;
  ASSERT_EQ(data::ChannelLists().StoreChannel(handle, data::KeyOf(live), stale), handle);

  presenter.AnswerNext(true);
  rescan(handle);
  ASSERT_FALSE(presenter.shown.empty());
  EXPECT_EQ(presenter.shown.back().text, si::kRescanSaveQuestion);
  const data::TChannelRec stored = *data::ChannelLists().ChannelByHandle(handle);
  EXPECT_EQ(stored.EsCount, live.EsCount);
  EXPECT_EQ(stored.AudPid, live.AudPid);
  EXPECT_EQ(stored.VidPid, live.VidPid);
  EXPECT_EQ(slot0.CurrentChannel.AudPid, live.AudPid); // the engine took it too

  const std::int32_t elsewhere = ElsewhereOn(live.SatIndex, live);
  ASSERT_GT(elsewhere, 0);
  rescan(elsewhere);
  EXPECT_EQ(presenter.shown.back().text, si::kNotOnActiveTransponder);
}
