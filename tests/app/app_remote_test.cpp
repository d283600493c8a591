// Keys and remote buttons in the program on the demo sky: a real lircd, fed by `irsend
// simulate`, switches the channel and sets the volume, and the default keys work in the main
// window.
#include "app/hotkeys_link.h"
#include "app/qev_application.h"
#include "demo_root_test.h"
#include "device/engine_steps.h"
#include "device/tuning_engine.h"
#include "support/lircd_peer.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/frame_chan_tree.h"
#include "video/qt/video_manager.h"

#include <QApplication>
#include <QTest>
#include <QTreeView>

#include <fstream>
#include <functional>

using namespace qev;

namespace {

class AppRemote : public test::DemoRootTest {
protected:
  AppRemote() : DemoRootTest("qev-app-remote-") {}

  // The demo root's options with the remote-control client pointed at the given server.
  void UseServer(const std::string &hostPort) {
    std::ofstream(root / "Configs/Options.cfg")
        << "[StartUp]\r\nActiveDevice=Dev_Sim.int\r\nLastChannel=65536\r\n"
        << "[WinLirc]\r\nEnabled=1\r\nHostPort=" << hostPort << "\r\n";
  }
  static std::int32_t Channel() { return device::TuningEngine().Slot(0).CurrentHandle; }
  static int Volume(app::TQevApplication &application) {
    return application.Videos()->Outputs().Settings(0).Sound.Volume;
  }
  static bool WaitFor(const std::function<bool()> &done) { return QTest::qWaitFor(done, 15000); }
};

TEST_F(AppRemote, SimulatedButtonsAndDefaultKeysSwitchTheChannelAndSetTheVolume) {
  if (!test::HaveLirc())
    GTEST_SKIP() << "lircd and irsend are not installed";
  test::TTempDir dir("qev-app-lircd");
  test::LircdPeer lircd(dir);
  if (!lircd.Ready())
    GTEST_SKIP() << "lircd did not start";
  UseServer(lircd.Socket());

  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  ASSERT_TRUE(WaitFor([] { return device::TuningEngine().Slot(0).Playing(); }));
  ASSERT_TRUE(WaitFor([&] { return application.HotKeys().HotKeys().RemoteConnected(); }));
  const std::int32_t first = Channel();
  application.Videos()->Outputs().Settings(0).Sound.Volume = 50;

  ASSERT_EQ(lircd.Simulate("KEY_CHANNELUP", 0), 0);
  ASSERT_TRUE(WaitFor([&] { return Channel() != first; })) << "the demo's HotKeys.cfg";
  QTest::qWait(300); // AntiRepeat: a button within 200 ms of the last one is dropped
  ASSERT_EQ(lircd.Simulate("KEY_VOLUMEUP", 0), 0);
  EXPECT_TRUE(WaitFor([&] { return Volume(application) == 55; }));

  ui::TFormDvbMain &window = *application.MainWindow();
  QApplication::setActiveWindow(&window);
  QTreeView *tree = window.ChannelTree(0)->TreeView();
  tree->setFocus();
  QTest::keyClick(tree, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(Channel(), first) << "Num -";
  QTest::keyClick(tree, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(Volume(application), 50) << "Ctrl+Left";
  QTest::keyClick(tree, Qt::Key_M);
  EXPECT_TRUE(application.Videos()->Outputs().Settings(0).Sound.Muted) << "M";
  application.RequestClose();
  EXPECT_FALSE(application.HotKeys().HotKeys().RemoteRunning()) << "stopped in the shutdown";
}

} // namespace
