#include "frame/instance_hand_over.h"

#include "support/temp_dir.h"
#include "support/wait_until.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <optional>

extern char **environ;

namespace fs = std::filesystem;
using namespace qev::frame;
using ::testing::UnorderedElementsAre;

namespace {

// A hand-over peer process with its standard input and output on pipes.
class TPeer {
public:
  TPeer(const fs::path &root, const fs::path &folder, const std::string &text) {
    int in[2], out[2];
    EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string args[] = {HAND_OVER_PEER, root.string(), folder.string(), text};
    char *argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
    EXPECT_EQ(posix_spawn(&pid_, HAND_OVER_PEER, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
  }
  ~TPeer() {
    CloseInput();
    if (pid_ > 0)
      ::kill(pid_, SIGKILL), Wait();
    ::close(stdout_);
  }

  // The next line it printed; empty after ten seconds of silence or at its end.
  std::string Line() {
    for (;;) {
      if (const auto end = buffer_.find('\n'); end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      pollfd entry{stdout_, POLLIN, 0};
      char chunk[1024];
      ssize_t n = 0;
      if (::poll(&entry, 1, 10000) <= 0 || (n = ::read(stdout_, chunk, sizeof chunk)) <= 0)
        return {};
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  void CloseInput() {
    if (stdin_ >= 0)
      ::close(std::exchange(stdin_, -1));
  }
  void KillHard() { ::kill(pid_, SIGKILL); }
  int Wait() {
    int status = 0;
    ::waitpid(std::exchange(pid_, -1), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  std::string buffer_;
};

class HandOverProcesses : public ::testing::Test {
protected:
  qev::test::TTempDir dir{"qev-handover-"};
  fs::path folder = dir / "run";
  fs::path root = dir / "root";
  fs::path otherRoot = dir / "other";
};

TEST_F(HandOverProcesses, SecondStartOnTheSameRootHandsOverAndEnds) {
  TPeer first(root, folder, "");
  ASSERT_EQ(first.Line(), "first");
  TPeer second(root, folder, "/VIEW /CHN \"Das Erste\"");
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_EQ(first.Line(), "got:/VIEW /CHN \"Das Erste\"");
  // A start without words still hands over: an empty text.
  TPeer third(root, folder, "");
  EXPECT_EQ(third.Wait(), 0);
  EXPECT_EQ(first.Line(), "got:");
  struct stat info {};
  ASSERT_EQ(::stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(HandOverProcesses, AnotherRootRunsSideBySide) {
  TPeer first(root, folder, "");
  ASSERT_EQ(first.Line(), "first");
  TPeer other(otherRoot, folder, "/VIEW");
  EXPECT_EQ(other.Line(), "first");
}

TEST_F(HandOverProcesses, AStartAfterTheFirstWasKilledTakesOverItsStaleSocket) {
  const THandOverPlace place = HandOverPlaceOf(root, folder);
  {
    TPeer first(root, folder, "");
    ASSERT_EQ(first.Line(), "first");
    first.KillHard();
    first.Wait();
  }
  ASSERT_TRUE(fs::exists(place.Socket)); // left behind
  TPeer next(root, folder, "/CH+");
  ASSERT_EQ(next.Line(), "first");
  TPeer after(root, folder, "/CH-");
  EXPECT_EQ(after.Wait(), 0);
  EXPECT_EQ(next.Line(), "got:/CH-");
  next.CloseInput();
  EXPECT_EQ(next.Wait(), 0);
  EXPECT_FALSE(fs::exists(place.Socket));
}

TEST_F(HandOverProcesses, ALongTextArrivesCutTo511Bytes) {
  TPeer first(root, folder, "");
  ASSERT_EQ(first.Line(), "first");
  const std::string text = "/VIEW /CHN " + std::string(589, 'A');
  TPeer second(root, folder, text);
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_EQ(first.Line(), "got:" + text.substr(0, 511));
}

TEST_F(HandOverProcesses, SimultaneousStartsMakeOneInstanceAndLoseNoText) {
  std::vector<std::unique_ptr<TPeer>> peers;
  for (int i = 0; i < 4; ++i)
    peers.push_back(std::make_unique<TPeer>(root, folder, "/SID " + std::to_string(i)));
  // Exactly one of them is the instance; the others end and each text arrives on its own.
  std::optional<int> instance;
  std::vector<std::string> got;
  for (int i = 0; i < 4; ++i) {
    const std::string line = peers[i]->Line();
    if (line == "first") {
      EXPECT_FALSE(instance);
      instance = i;
    } else {
      EXPECT_EQ(line, "");
      EXPECT_EQ(peers[i]->Wait(), 0);
    }
  }
  ASSERT_TRUE(instance);
  for (int i = 0; i < 3; ++i)
    got.push_back(peers[*instance]->Line());
  std::vector<std::string> expected;
  for (int i = 0; i < 4; ++i)
    if (i != *instance)
      expected.push_back("got:/SID " + std::to_string(i));
  EXPECT_THAT(got, ::testing::UnorderedElementsAreArray(expected));
}

TEST(HandOverFolder, RefusesAFolderOthersMayEnterOrALink) {
  qev::test::TTempDir dir("qev-handover-");
  const fs::path open = dir / "open";
  ASSERT_EQ(::mkdir(open.c_str(), 0755), 0);
  EXPECT_NE(PrepareHandOverFolder(open), "");
  const THandOverResult result = HandOver(HandOverPlaceOf(dir / "root", open), "/VIEW");
  EXPECT_FALSE(result.handedOver);
  EXPECT_FALSE(result.listener);
  EXPECT_NE(result.error, "");
  const fs::path link = dir / "link";
  const fs::path target = dir / "target";
  ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
  fs::create_directory_symlink(target, link);
  EXPECT_NE(PrepareHandOverFolder(link), "");
  EXPECT_EQ(PrepareHandOverFolder(dir / "fresh"), "");
}

TEST(HandOverText, CutsAtACharacterBoundary) {
  EXPECT_EQ(HandOverText("short"), "short");
  std::string text(510, 'a');
  text += "\xC3\xA4\xC3\xA4"; // ä straddles byte 511
  EXPECT_EQ(HandOverText(text), std::string(510, 'a'));
  EXPECT_EQ(HandOverText(std::string(600, 'b')).size(), kHandOverMaxBytes);
}

// Sends a text as another user from a forked child; its exit code tells how far it came:
// 0 sent, 1 could not become that user, 2 could not connect.
int SendAsOtherUser(const fs::path &socket, uid_t uid) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(uid) != 0 || ::setuid(uid) != 0)
      ::_exit(1);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
      ::_exit(2);
    const char text[] = "/EXIT";
    // The listener may already have closed: no SIGPIPE.
    [[maybe_unused]] ssize_t n = ::send(fd, text, sizeof text - 1, MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    char ack;
    n = ::read(fd, &ack, 1);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(HandOverUsers, AnotherUsersConnectionIsRefused) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "needs root to act as another user";
  qev::test::TTempDir dir("qev-handover-");
  const THandOverPlace place = HandOverPlaceOf(dir / "root", dir / "run");
  THandOverResult result = HandOver(place, "");
  ASSERT_TRUE(result.listener) << result.error;
  std::mutex lock;
  std::vector<std::string> got;
  result.listener->Start([&](std::string text) {
    std::lock_guard guard(lock);
    got.push_back(text);
  });
  const uid_t nobody = 65534;
  // The private folder keeps the other user out altogether.
  const int blocked = SendAsOtherUser(place.Socket, nobody);
  if (blocked == 1)
    GTEST_SKIP() << "cannot become another user";
  EXPECT_EQ(blocked, 2);
  // Even where the folder and socket let them in, the listener turns them away.
  ::chmod(dir.Path().c_str(), 0755);
  ::chmod(place.Folder.c_str(), 0755);
  ::chmod(place.Socket.c_str(), 0666);
  EXPECT_EQ(SendAsOtherUser(place.Socket, nobody), 0);
  EXPECT_TRUE(qev::test::WaitUntil([&] { return result.listener->Refused() == 1; }));
  std::lock_guard guard(lock);
  EXPECT_TRUE(got.empty());
}

} // namespace
