#include "support/finishes_within.h"
#include "support/manual_dispatcher.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "ui/hotkeys.h"
#include "ui/win_lirc_thread.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace qev::ui {
namespace {

using namespace std::chrono_literals;

// A server in the test's process: TCP on a free port of 127.0.0.1, or a UNIX socket.
class TestServer {
public:
  TestServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Listen(reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length);
    hostPort_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  }
  explicit TestServer(const std::string &path) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    Listen(reinterpret_cast<sockaddr *>(&address), sizeof address);
    hostPort_ = path;
  }
  ~TestServer() {
    CloseClient();
    ::close(listener_);
  }

  const std::string &HostPort() const { return hostPort_; }
  void Accept() { client_ = ::accept(listener_, nullptr, nullptr); }
  void Send(const std::string &text) { ::send(client_, text.data(), text.size(), MSG_NOSIGNAL); }
  void CloseClient() {
    if (client_ >= 0)
      ::close(client_);
    client_ = -1;
  }
  // Whether the client closed its end (read gives end of file).
  bool ClientClosed() {
    char byte;
    return ::recv(client_, &byte, 1, 0) == 0;
  }

private:
  void Listen(sockaddr *address, socklen_t length) {
    if (::bind(listener_, address, length) != 0 || ::listen(listener_, 4) != 0)
      throw std::runtime_error("listen");
  }

  int listener_ = -1;
  int client_ = -1;
  std::string hostPort_;
};

class WinLircThreadTest : public ::testing::Test {
protected:
  std::unique_ptr<TWinLircThread> Start(const std::string &hostPort,
                                        TWinLircThread::TTiming timing = {}) {
    return std::make_unique<TWinLircThread>(
        hostPort, ui, [this](const std::string &line) { lines.push_back(line); }, timing);
  }
  // Runs the user-interface side until `count` lines have been processed.
  bool ProcessUntil(std::size_t count) {
    return test::WaitUntil([&] {
      ui.ProcessPending();
      return lines.size() >= count;
    });
  }

  test::ManualDispatcher ui;
  std::vector<std::string> lines; // on the test's thread only
};

TEST_F(WinLircThreadTest, LinesWithEveryLineEndReachTheUserInterfaceInOrder) {
  TestServer server;
  auto client = Start(server.HostPort());
  server.Accept();
  server.Send("1 00 A r\n2 00 B r\r3 00 C r\r\n4 00 ");
  server.Send("D r\n\n\r\n");
  ASSERT_TRUE(ProcessUntil(4));
  EXPECT_EQ(lines, (std::vector<std::string>{"1 00 A r", "2 00 B r", "3 00 C r", "4 00 D r"}));
  EXPECT_TRUE(client->Connected());
}

TEST_F(WinLircThreadTest, AUnixSocketPathIsUsedAsItStands) {
  test::TTempDir dir("lircsock");
  TestServer server((dir / "lircd").string());
  auto client = Start(server.HostPort());
  server.Accept();
  server.Send("0 00 KEY_OK remote\n");
  ASSERT_TRUE(ProcessUntil(1));
  EXPECT_EQ(lines.front(), "0 00 KEY_OK remote");
}

TEST_F(WinLircThreadTest, ADroppedConnectionIsMadeAgain) {
  TestServer server;
  auto client = Start(server.HostPort());
  server.Accept();
  server.Send("0 00 FIRST r\n");
  ASSERT_TRUE(ProcessUntil(1));
  server.CloseClient();
  server.Accept(); // the client comes back
  server.Send("0 00 SECOND r\n");
  ASSERT_TRUE(ProcessUntil(2));
  EXPECT_EQ(lines.back(), "0 00 SECOND r");
  EXPECT_GE(client->ConnectAttempts(), 2);
}

TEST_F(WinLircThreadTest, ARefusedConnectionWaitsBeforeTryingAgain) {
  test::TTempDir dir("lircsock");
  const std::string path = (dir / "later").string();
  auto client = Start(path); // nothing listens yet: refused
  ASSERT_TRUE(test::WaitUntil([&] { return client->ConnectAttempts() >= 1; }));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(client->ConnectAttempts(), 1) << "the first wait is a second, not a busy loop";
  client.reset();

  // With short waits the client finds a server that starts later.
  auto quick = Start(path, {.FirstRetry = 20ms, .LongestRetry = 50ms});
  ASSERT_TRUE(test::WaitUntil([&] { return quick->ConnectAttempts() >= 3; }));
  TestServer server(path);
  server.Accept();
  server.Send("0 00 LATE r\n");
  ASSERT_TRUE(ProcessUntil(1));
  EXPECT_TRUE(quick->Connected());
}

TEST_F(WinLircThreadTest, StopEndsABlockingRead) {
  TestServer server;
  auto client = Start(server.HostPort(), {.ReadTimeout = 3600s});
  server.Accept();
  ASSERT_TRUE(test::WaitUntil([&] { return client->Connected(); }));
  // The reader now waits in recv for an hour; only the shutdown of the socket can end it.
  ASSERT_TRUE(test::FinishesWithin([&] { client->Stop(); }));
  EXPECT_TRUE(server.ClientClosed());
}

TEST_F(WinLircThreadTest, StopEndsAHandOverThatTheUserInterfaceNeverRan) {
  TestServer server;
  auto client = Start(server.HostPort());
  server.Accept();
  server.Send("0 00 PENDING r\n");
  ASSERT_TRUE(test::WaitUntil([&] { return ui.Pending() == 1; }));
  // The user-interface thread stops the client instead of processing the line.
  ASSERT_TRUE(test::FinishesWithin([&] { client->Stop(); }));
  ui.ProcessPending();
  EXPECT_TRUE(lines.empty()) << "a line left over from before the stop is dropped";
}

TEST_F(WinLircThreadTest, HotKeysHandButtonsToTheRegisteredHandler) {
  TestServer server;
  THotKeys hotKeys(&ui, [] { return 0ms; });
  std::vector<std::pair<std::string, int>> buttons;
  hotKeys.SetRemoteHandler(
      [&](const std::string &button, int repeat) { buttons.emplace_back(button, repeat); });
  hotKeys.StartRemote(server.HostPort());
  hotKeys.StartRemote("127.0.0.1:1"); // a client exists: nothing happens
  server.Accept();
  server.Send("BEGIN\nSIGHUP\nEND\n0 00 KEY_OK r\n0 02 KEY_OK r\nshort line\n0 00 KEY_END r\n");
  ASSERT_TRUE(test::WaitUntil([&] {
    ui.ProcessPending();
    return buttons.size() >= 3;
  }));
  EXPECT_EQ(buttons, (std::vector<std::pair<std::string, int>>{
                         {"KEY_OK", 0}, {"KEY_OK", 2}, {"KEY_END", 0}}));
  EXPECT_TRUE(hotKeys.RemoteRunning());
  hotKeys.StopRemote();
  EXPECT_FALSE(hotKeys.RemoteRunning());
}

TEST_F(WinLircThreadTest, AButtonThatClosesTheProgramStopsTheClientFromItsOwnHandOver) {
  TestServer server;
  THotKeys hotKeys(&ui, [] { return 0ms; });
  hotKeys.SetRemoteHandler([&](const std::string &, int) { hotKeys.StopRemote(); });
  hotKeys.StartRemote(server.HostPort());
  server.Accept();
  server.Send("0 00 KEY_POWER r\n");
  ASSERT_TRUE(test::WaitUntil([&] { return ui.Pending() == 1; }));
  // The shutdown runs inside the line's processing and joins the thread that waits for it.
  ASSERT_TRUE(test::FinishesWithin([&] { ui.ProcessPending(); }));
  EXPECT_FALSE(hotKeys.RemoteRunning());
}

} // namespace
} // namespace qev::ui
