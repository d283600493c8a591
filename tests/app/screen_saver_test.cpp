// The screen saver is held off through a private session bus with a stand-in for the desktop's
// org.freedesktop.ScreenSaver service, as the program does on a real desktop.
#include "app/screen_saver_link.h"
#include "device/tuning_engine.h"
#include "frame/log.h"
#include "frame/notification_hub.h"
#include "frame/qt/screen_saver_inhibitor.h"
#include "video/video_outputs.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace qev;

namespace {

class FakeScreenSaver : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
  std::vector<QString> inhibitedBy;
  std::vector<uint> returned;
  uint lastCookie = 1000;

public slots:
  uint Inhibit(const QString &appName, const QString &reason) {
    inhibitedBy.push_back(appName + ": " + reason);
    return ++lastCookie;
  }
  void UnInhibit(uint cookie) { returned.push_back(cookie); }
};

class ScreenSaver : public ::testing::Test {
protected:
  void SetUp() override {
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon.waitForStarted(5000))
      GTEST_SKIP() << "dbus-daemon is not installed";
    ASSERT_TRUE(daemon.waitForReadyRead(5000));
    address = QString::fromUtf8(daemon.readLine()).trimmed();
    frame::SetLogTarget([this](int, int, const char *text) { logLines.push_back(text); });
  }
  void TearDown() override {
    frame::SetLogTarget(nullptr);
    for (const QString &name : connections)
      QDBusConnection::disconnectFromBus(name);
    daemon.terminate();
    daemon.waitForFinished(5000);
  }

  QDBusConnection Connect(const QString &name) {
    connections.push_back(name);
    return QDBusConnection::connectToBus(address, name);
  }
  void OfferService() {
    QDBusConnection service = Connect("qev-test-screensaver");
    ASSERT_TRUE(service.isConnected());
    ASSERT_TRUE(service.registerObject("/org/freedesktop/ScreenSaver", &fake,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.ScreenSaver"));
  }
  bool WaitFor(const std::function<bool()> &condition) { return QTest::qWaitFor(condition, 5000); }

  QProcess daemon;
  QString address;
  std::vector<QString> connections;
  FakeScreenSaver fake;
  std::vector<std::string> logLines;
};

TEST_F(ScreenSaver, InhibitsOnceAndGivesTheCookieBack) {
  OfferService();
  frame::TScreenSaverInhibitor inhibitor("QEV-DVB", Connect("qev-test-client"));
  inhibitor.SetInhibited(true);
  inhibitor.SetInhibited(true);
  ASSERT_TRUE(WaitFor([&] { return inhibitor.Holding(); }));
  QTest::qWait(100);
  ASSERT_EQ(fake.inhibitedBy.size(), 1u);
  EXPECT_EQ(fake.inhibitedBy[0].left(9), "QEV-DVB: ");

  inhibitor.SetInhibited(false);
  inhibitor.SetInhibited(false);
  EXPECT_FALSE(inhibitor.Holding());
  ASSERT_TRUE(WaitFor([&] { return !fake.returned.empty(); }));
  QTest::qWait(100);
  EXPECT_EQ(fake.returned, std::vector<uint>{1001});

  // Asked again, it takes a new inhibition, which its end gives back.
  {
    frame::TScreenSaverInhibitor again("QEV-DVB", Connect("qev-2"));
    again.SetInhibited(true);
    ASSERT_TRUE(WaitFor([&] { return again.Holding(); }));
  }
  ASSERT_TRUE(WaitFor([&] { return fake.returned.size() == 2; }));
  EXPECT_EQ(fake.returned[1], 1002u);
  EXPECT_TRUE(logLines.empty());
}

TEST_F(ScreenSaver, AWishThatChangesBeforeTheAnswerLeavesNoInhibitionBehind) {
  OfferService();
  frame::TScreenSaverInhibitor inhibitor("QEV-DVB", Connect("qev-test-client"));
  inhibitor.SetInhibited(true);
  inhibitor.SetInhibited(false); // before the cookie came
  ASSERT_TRUE(WaitFor([&] { return fake.returned.size() == 1; }));
  EXPECT_EQ(fake.returned[0], 1001u);
  EXPECT_FALSE(inhibitor.Holding());

  // Ended while its request is still under way: the cookie goes back when it arrives.
  auto ending = std::make_unique<frame::TScreenSaverInhibitor>("QEV-DVB", Connect("qev-3"));
  ending->SetInhibited(true);
  ending.reset();
  ASSERT_TRUE(WaitFor([&] { return fake.returned.size() == 2; }));
  EXPECT_EQ(fake.returned[1], 1002u);
}

TEST_F(ScreenSaver, WithoutTheServiceOrTheBusItLogsOneLineAndTriesAgainWhenAsked) {
  frame::TScreenSaverInhibitor inhibitor("QEV-DVB", Connect("qev-test-client"));
  inhibitor.SetInhibited(true);
  ASSERT_TRUE(WaitFor([&] { return !logLines.empty(); }));
  inhibitor.SetInhibited(false);
  inhibitor.SetInhibited(true);
  QTest::qWait(200);
  EXPECT_EQ(logLines.size(), 1u);
  EXPECT_FALSE(inhibitor.Holding());

  // The service has come meanwhile: the next request gets through.
  OfferService();
  inhibitor.SetInhibited(false);
  inhibitor.SetInhibited(true);
  EXPECT_TRUE(WaitFor([&] { return inhibitor.Holding(); }));

  connections.push_back("qev-nobus");
  frame::TScreenSaverInhibitor unconnected(
      "QEV-DVB", QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "qev-nobus"));
  unconnected.SetInhibited(true);
  unconnected.SetInhibited(false);
  unconnected.SetInhibited(true);
  EXPECT_EQ(logLines.size(), 2u);
  EXPECT_FALSE(unconnected.Holding());
}

TEST_F(ScreenSaver, HeldOffWhileOutputZeroShowsPicturesAndTheOptionIsOn) {
  OfferService();
  bool option = true;
  bool pictures = true;
  QObject owner;
  auto *link = new app::TScreenSaverLink(&owner, {[&] { return option; }, [&] { return pictures; }},
                                         Connect("qev-test-client"));
  const frame::TScreenSaverInhibitor &inhibitor = link->Inhibitor();

  frame::NotifyGlobal(frame::kNotifyVideoOutput, video::kVideoStarted + 0, 0);
  EXPECT_FALSE(inhibitor.Inhibited()) << "no channel has been shown yet";
  frame::NotifyGlobal(frame::kNotifySwitchProgress, device::kSwitchEnded, 1);
  EXPECT_FALSE(inhibitor.Inhibited()) << "slot 1 is not the main picture";
  frame::NotifyGlobal(frame::kNotifySwitchProgress, device::kSwitchEnded, 0);
  EXPECT_TRUE(inhibitor.Inhibited());
  ASSERT_TRUE(WaitFor([&] { return inhibitor.Holding(); }));

  // Zapping keeps it; another output closing does not matter; a radio channel gives it back.
  frame::NotifyGlobal(frame::kNotifySwitchProgress, device::kSwitchBegins, 0);
  frame::NotifyGlobal(frame::kNotifyVideoOutput, video::kVideoClosing + 1, 0);
  EXPECT_TRUE(inhibitor.Inhibited());
  pictures = false;
  frame::NotifyGlobal(frame::kNotifySwitchProgress, device::kSwitchEnded, 0);
  EXPECT_FALSE(inhibitor.Inhibited());
  pictures = true;
  frame::NotifyGlobal(frame::kNotifySwitchProgress, device::kSwitchEnded, 0);
  EXPECT_TRUE(inhibitor.Inhibited());

  // Closing output 0 gives it back, and so does the option, read again on its own.
  frame::NotifyGlobal(frame::kNotifyVideoOutput, video::kVideoClosing + 0, 0);
  EXPECT_FALSE(inhibitor.Inhibited());
  frame::NotifyGlobal(frame::kNotifyVideoOutput, video::kVideoStarted + 0, 0);
  EXPECT_TRUE(inhibitor.Inhibited());
  option = false;
  EXPECT_TRUE(WaitFor([&] { return !inhibitor.Inhibited(); }));
  ASSERT_TRUE(WaitFor([&] { return fake.returned.size() == fake.inhibitedBy.size(); }));

  // Gone with its owner: the hub no longer reaches it.
  option = true;
  frame::NotifyGlobal(frame::kNotifySwitchProgress, device::kSwitchEnded, 0);
  ASSERT_TRUE(WaitFor([&] { return inhibitor.Holding(); }));
  const std::size_t taken = fake.inhibitedBy.size();
  delete link;
  frame::NotifyGlobal(frame::kNotifySwitchProgress, device::kSwitchEnded, 0);
  ASSERT_TRUE(WaitFor([&] { return fake.returned.size() == taken; }));
  EXPECT_TRUE(logLines.empty());
}

} // namespace

#include "screen_saver_test.moc"
