#pragma once

// A real lircd for the tests of the remote-control client, fed by `irsend simulate`. Tests skip
// when lirc is not installed or lircd does not start.
#include "support/temp_dir.h"
#include "support/wait_until.h"

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char **environ;

namespace qev::test {

inline bool HaveLirc() {
  return std::system("command -v lircd >/dev/null 2>&1 && command -v irsend >/dev/null 2>&1") == 0;
}

// A free port of the kind given, as the kernel hands one out.
inline int FreePort(int type) {
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

inline constexpr const char *kRemoteConfig = R"(begin remote
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
    KEY_MUTE        0x0003
  end codes
end remote
)";

// lircd in the foreground of a child process, on the UDP driver (no device needed), with its
// socket, pid file, log and options in a folder of the test's own.
class LircdPeer {
public:
  explicit LircdPeer(const TTempDir &dir) : socket_((dir / "lircd").string()) {
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
  ~LircdPeer() {
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
    std::snprintf(line, sizeof line, "0000000000000000 %02x %s qevremote", repeat, button.c_str());
    const std::string command =
        "irsend -d '" + socket_ + "' SIMULATE '" + line + "' >/dev/null 2>&1";
    return std::system(command.c_str());
  }

private:
  std::string socket_;
  int tcpPort_ = 0;
  pid_t pid_ = -1;
};

} // namespace qev::test
