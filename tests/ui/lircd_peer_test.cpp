// The remote-control client against a real lircd, fed by `irsend simulate`; skipped when lirc is
// not installed.
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "ui/hotkeys.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>

extern char **environ;

namespace qev::ui {
namespace {

using namespace std::chrono_literals;

bool HaveLirc() {
  return std::system("command -v lircd >/dev/null 2>&1 && command -v irsend >/dev/null 2>&1") == 0;
}

// A free port of the kind given, as the kernel hands one out.
int FreePort(int type) {
  const int fd = ::socket(AF_INET, type, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

constexpr const char *kRemoteConfig = R"(begin remote
  name  qevremote
  bits  16
  flags SPACE_ENC
  eps   30
  aeps  100
  header 9000 4500
  one   560 1690
  zero  560 560
  ptrail 560
  gap   108000
  begin codes
    KEY_CHANNELUP   0x0001
    KEY_VOLUMEUP    0x0002
  end codes
end remote
)";

// lircd in the foreground of a child process, on the UDP driver (no device needed), with its
// socket, pid file, log and options in a folder of the test's own.
class Lircd {
public:
  explicit Lircd(const test::TTempDir &dir) : socket_((dir / "lircd").string()) {
    std::ofstream(dir / "remote.conf") << kRemoteConfig;
    std::ofstream(dir / "options.conf") << "[lircd]\nnodaemon = True\n";
    tcpPort_ = FreePort(SOCK_STREAM);
    const std::string args[] = {"lircd",
                                "--nodaemon",
                                "--options-file=" + (dir / "options.conf").string(),
                                "--driver=udp",
                                "--device=" + std::to_string(FreePort(SOCK_DGRAM)),
                                "--allow-simulate",
                                "--output=" + socket_,
                                "--pidfile=" + (dir / "lircd.pid").string(),
                                "--logfile=" + (dir / "lircd.log").string(),
                                "--listen=127.0.0.1:" + std::to_string(tcpPort_),
                                (dir / "remote.conf").string()};
    std::vector<char *> argv;
    for (const std::string &arg : args)
      argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    if (::posix_spawnp(&pid_, "lircd", nullptr, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
  }
  ~Lircd() {
    if (pid_ <= 0)
      return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }

  bool Ready() const {
    return pid_ > 0 && test::WaitUntil([&] { return std::filesystem::exists(socket_); });
  }
  const std::string &Socket() const { return socket_; }
  std::string HostPort() const { return "127.0.0.1:" + std::to_string(tcpPort_); }
  int Simulate(const std::string &button, int repeat) const {
    char line[96];
    std::snprintf(line, sizeof line, "000000000000000%d %02x %s qevremote",
                  button == "KEY_CHANNELUP" ? 1 : 2, repeat, button.c_str());
    const std::string command =
        "irsend -d '" + socket_ + "' SIMULATE '" + line + "' >/dev/null 2>&1";
    return std::system(command.c_str());
  }

private:
  std::string socket_;
  int tcpPort_ = 0;
  pid_t pid_ = -1;
};

class QueueDispatcher final : public frame::UiDispatcher {
public:
  void Post(Task task) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  void Send(Task task) override { task(); }
  bool IsUiThread() const override { return true; }
  void ProcessPending() override {
    for (;;) {
      Task task;
      {
        std::lock_guard lock(mutex_);
        if (tasks_.empty())
          return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

private:
  std::mutex mutex_;
  std::deque<Task> tasks_;
};

class LircdPeerTest : public ::testing::TestWithParam<bool> {};

TEST_P(LircdPeerTest, SimulatedButtonsRunTheirActions) {
  if (!HaveLirc())
    GTEST_SKIP() << "lircd and irsend are not installed";
  test::TTempDir dir("lircd");
  Lircd lircd(dir);
  if (!lircd.Ready())
    GTEST_SKIP() << "lircd did not start";

  QueueDispatcher ui;
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
