// Stand-by, hibernation and power-off go to logind; a private bus carries a stand-in for it
// that hands out inhibitor descriptors and records the requests. The stand-in answers on a
// thread of its own, as logind would from its process, since the program calls it blocking.
#include "frame/qt/logind_power.h"
#include "frame/qt/logind_sleep_monitor.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <mutex>
#include <optional>
#include <vector>

using namespace qev;
using ::testing::ElementsAre;

namespace {

class FakeLogind : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
  ~FakeLogind() override {
    for (const auto &lock : locks)
      ::close(lock.second);
  }
  // Inhibitors of the mode whose descriptor the client still holds.
  int Held(const QString &mode) const {
    std::lock_guard guard(mutex);
    int held = 0;
    for (const auto &[lockMode, readEnd] : locks) {
      pollfd entry{readEnd, POLLIN, 0};
      if (lockMode == mode && ::poll(&entry, 1, 0) == 0)
        ++held;
    }
    return held;
  }

  int Count(const QString &call) const {
    std::lock_guard guard(mutex);
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
  }
  void Set(const QString &answer, bool refusing) {
    std::lock_guard guard(mutex);
    can = answer;
    refuse = refusing;
  }

private:
  mutable std::mutex mutex;
  QString can = "yes";
  bool refuse = false;
  std::vector<QString> calls;
  std::vector<std::pair<QString, int>> locks;

public:
public slots:
  QString CanSuspend() { return Answer("CanSuspend"); }
  QString CanHibernate() { return Answer("CanHibernate"); }
  void Suspend(bool interactive) { Request("Suspend", interactive); }
  void Hibernate(bool interactive) { Request("Hibernate", interactive); }
  void PowerOff(bool interactive) { Request("PowerOff", interactive); }
  QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &, const QString &,
                                  const QString &mode) {
    std::lock_guard guard(mutex);
    calls.push_back("Inhibit " + what + " " + mode);
    int ends[2];
    if (::pipe(ends) != 0)
      return {};
    locks.emplace_back(mode, ends[0]);
    QDBusUnixFileDescriptor sent(ends[1]); // a copy goes out; ours closes here
    ::close(ends[1]);
    return sent;
  }

private:
  QString Answer(const QString &method) {
    std::lock_guard guard(mutex);
    calls.push_back(method);
    return can;
  }
  void Request(const QString &method, bool interactive) {
    std::lock_guard guard(mutex);
    calls.push_back(method + (interactive ? " interactive" : ""));
    if (refuse)
      sendErrorReply(QDBusError::AccessDenied, "Operation denied");
  }
};

class LogindPower : public ::testing::Test {
protected:
  void SetUp() override {
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon.waitForStarted(5000))
      GTEST_SKIP() << "dbus-daemon is not installed";
    ASSERT_TRUE(daemon.waitForReadyRead(5000));
    address = QString::fromUtf8(daemon.readLine()).trimmed();
    fake.moveToThread(&serviceThread);
    serviceThread.start();
    QDBusConnection service = Connect("qev-test-logind");
    ASSERT_TRUE(
        service.registerObject("/org/freedesktop/login1", &fake, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.login1"));
  }
  void TearDown() override {
    monitor.reset();
    power.reset();
    serviceThread.quit();
    serviceThread.wait();
    for (const QString &name : connections)
      QDBusConnection::disconnectFromBus(name);
    daemon.terminate();
    daemon.waitForFinished(5000);
  }
  // logind's signal before (true) and after (false) the machine sleeps.
  void Announce(bool start) {
    QDBusMessage signal = QDBusMessage::createSignal(
        "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
    signal << start;
    QDBusConnection::connectToBus(address, "qev-test-logind").send(signal);
  }
  QDBusConnection Connect(const QString &name) {
    connections.push_back(name);
    return QDBusConnection::connectToBus(address, name);
  }
  // The program's side: the sleep monitor (refusing while `refused`) and the power requests.
  void StartProgram() {
    monitor = std::make_unique<frame::TLogindSleepMonitor>(
        frame::TLogindSleepMonitor::Handlers{[this] { return !refused; },
                                             [this] { events.push_back("suspend"); },
                                             [this] { events.push_back("resume"); }},
        std::chrono::milliseconds(10), Connect("qev-test-program"));
    power = std::make_unique<frame::TLogindPower>(Connect("qev-test-power"));
    power->SetSleepMonitor(monitor.get());
  }
  std::optional<bool> RunAndWait(void (frame::TLogindPower::*request)(frame::TLogindPower::Done)) {
    std::optional<bool> result;
    (power.get()->*request)([&](bool ok) { result = ok; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 5000))
      ADD_FAILURE() << "no answer";
    return result;
  }
  static bool WaitFor(const std::function<bool()> &condition) {
    return QTest::qWaitFor(condition, 5000);
  }

  QProcess daemon;
  QString address;
  std::vector<QString> connections;
  QThread serviceThread;
  FakeLogind fake;
  bool refused = false;
  std::vector<std::string> events;
  std::unique_ptr<frame::TLogindSleepMonitor> monitor;
  std::unique_ptr<frame::TLogindPower> power;
};

TEST_F(LogindPower, OwnSuspendPassesTheUsersRefusalOnceAndTheRefusalHoldsAfterWaking) {
  refused = true; // the user does not want the system to sleep while the program runs
  StartProgram();
  ASSERT_TRUE(monitor->Active());
  EXPECT_EQ(fake.Held("delay"), 1);
  ASSERT_TRUE(WaitFor([&] { return fake.Held("block") == 1; }));

  EXPECT_EQ(RunAndWait(&frame::TLogindPower::Suspend), true);
  EXPECT_EQ(fake.Held("block"), 0); // let past for the program's own request
  EXPECT_EQ(fake.Count("CanSuspend"), 1);
  EXPECT_EQ(fake.Count("Suspend"), 1);

  Announce(true);
  ASSERT_TRUE(WaitFor([&] { return fake.Held("delay") == 0; }));
  EXPECT_THAT(events, ElementsAre("suspend"));
  QTest::qWait(50);
  EXPECT_EQ(fake.Held("block"), 0);

  Announce(false);
  ASSERT_TRUE(WaitFor([&] { return fake.Held("delay") == 1; }));
  EXPECT_THAT(events, ElementsAre("suspend", "resume"));
  EXPECT_TRUE(WaitFor([&] { return fake.Held("block") == 1; }));
  EXPECT_TRUE(monitor->Refusing());
}

TEST_F(LogindPower, NothingIsAskedWhenTheMachineCannotSleep) {
  fake.Set("no", false);
  StartProgram();
  EXPECT_EQ(RunAndWait(&frame::TLogindPower::Suspend), false);
  EXPECT_EQ(RunAndWait(&frame::TLogindPower::Hibernate), false);
  EXPECT_EQ(fake.Count("Suspend"), 0);
  EXPECT_EQ(fake.Count("Hibernate"), 0);
  EXPECT_FALSE(monitor->OwnSleepPermitted());
}

TEST_F(LogindPower, ARefusedRequestRestoresTheBlock) {
  refused = true;
  fake.Set("yes", true);
  StartProgram();
  ASSERT_TRUE(WaitFor([&] { return fake.Held("block") == 1; }));
  EXPECT_EQ(RunAndWait(&frame::TLogindPower::Hibernate), false);
  EXPECT_FALSE(monitor->OwnSleepPermitted());
  EXPECT_TRUE(WaitFor([&] { return fake.Held("block") == 1; }));
  EXPECT_EQ(RunAndWait(&frame::TLogindPower::PowerOff), false);
}

TEST_F(LogindPower, PowerOffIsOneRequestWithoutInteraction) {
  StartProgram();
  EXPECT_EQ(RunAndWait(&frame::TLogindPower::PowerOff), true);
  EXPECT_EQ(fake.Count("PowerOff"), 1);
  EXPECT_EQ(fake.Held("block"), 0);
}

TEST(LogindPowerWithoutBus, RequestsFailQuietly) {
  frame::TLogindPower power(
      QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "qev-test-nobus"));
  EXPECT_FALSE(power.CanSuspend());
  std::optional<bool> result;
  power.PowerOff([&](bool ok) { result = ok; });
  EXPECT_EQ(result, false);
  QDBusConnection::disconnectFromBus("qev-test-nobus");
}

} // namespace

#include "power_test.moc"
