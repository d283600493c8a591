// The remote-control client against a real lircd, fed by `irsend simulate`; skipped when lirc is
// not installed.
#include "support/lircd_peer.h"
#include "support/manual_dispatcher.h"
#include "ui/hotkeys.h"

#include <gtest/gtest.h>

namespace qev::ui {
namespace {

using namespace std::chrono_literals;

class LircdPeerTest : public ::testing::TestWithParam<bool> {};

TEST_P(LircdPeerTest, SimulatedButtonsRunTheirActions) {
  if (!test::HaveLirc())
    GTEST_SKIP() << "lircd and irsend are not installed";
  test::TTempDir dir("lircd");
  test::LircdPeer lircd(dir);
  if (!lircd.Ready())
    GTEST_SKIP() << "lircd did not start";

  test::ManualDispatcher ui;
  THotKeys hotKeys(&ui, [] { return 0ms; });
  hotKeys.Table().Find(0x1001)->Remote1 = "KEY_CHANNELUP";
  hotKeys.Table().Find(0x1003)->Remote2 = "KEY_VOLUMEUP";
  std::vector<std::uint16_t> actions;
  hotKeys.SetRemoteHandler([&](const std::string &button, int repeat) {
    if (const auto action = RemoteAction(hotKeys.Table(), button, repeat))
      actions.push_back(*action);
  });
  const bool overTcp = GetParam();
  hotKeys.StartRemote(overTcp ? lircd.HostPort() : lircd.Socket());
  ASSERT_TRUE(test::WaitUntil([&] { return hotKeys.RemoteConnected(); }));

  ASSERT_EQ(lircd.Simulate("KEY_CHANNELUP", 0), 0);
  ASSERT_EQ(lircd.Simulate("KEY_CHANNELUP", 1), 0); // a repeat of a channel button: nothing
  ASSERT_EQ(lircd.Simulate("KEY_VOLUMEUP", 1), 0);  // a repeat of the volume: runs
  ASSERT_TRUE(test::WaitUntil([&] {
    ui.ProcessPending();
    return actions.size() >= 2;
  }));
  EXPECT_EQ(actions, (std::vector<std::uint16_t>{0x1001, 0x1003}));
}

INSTANTIATE_TEST_SUITE_P(UnixSocketAndTcp, LircdPeerTest, ::testing::Bool());

} // namespace
} // namespace qev::ui
