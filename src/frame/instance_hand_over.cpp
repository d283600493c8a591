#include "frame/instance_hand_over.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <utility>

namespace qev::frame {

namespace fs = std::filesystem;

namespace {

constexpr int kReadTimeoutMs = 2000;
constexpr int kAckTimeoutMs = 3000;
constexpr auto kRetryPause = std::chrono::milliseconds(50);
constexpr char kAck = '\x06';

std::string ErrnoText(const std::string &what) { return what + ": " + std::strerror(errno); }

// FNV-1a over the root's path: stable between runs and short enough for a socket name.
std::string RootHash(const fs::path &root) {
  std::uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : fs::weakly_canonical(root).string()) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

bool SocketAddress(const fs::path &path, sockaddr_un &address) {
  address = {};
  address.sun_family = AF_UNIX;
  const std::string text = path.string();
  if (text.size() >= sizeof address.sun_path)
    return false;
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  return true;
}

uid_t PeerUid(int fd) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
    return static_cast<uid_t>(-1);
  return credentials.uid;
}

bool WaitReadable(int fd, int timeoutMs) {
  pollfd entry{fd, POLLIN, 0};
  int n;
  while ((n = ::poll(&entry, 1, timeoutMs)) < 0 && errno == EINTR) {
  }
  return n > 0;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

class TFd {
public:
  explicit TFd(int fd = -1) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  TFd(const TFd &) = delete;
  TFd &operator=(const TFd &) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

private:
  int fd_;
};

// The lock file's descriptor when this process now owns the root; -1 when another one does.
// Other failures are errors.
int TryLock(const THandOverPlace &place, std::string &error) {
  TFd fd(::open(place.Lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (fd.Get() < 0) {
    error = ErrnoText("Cannot open " + place.Lock.string());
    return -1;
  }
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK)
      error = ErrnoText("Cannot lock " + place.Lock.string());
    return -1;
  }
  return fd.Release();
}

// Replaces whatever a dead owner left and listens. Only the lock's owner calls it.
int Listen(const fs::path &socket, std::string &error) {
  sockaddr_un address;
  if (!SocketAddress(socket, address)) {
    error = "Socket path too long: " + socket.string();
    return -1;
  }
  TFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.Get() < 0 || (::unlink(socket.c_str()) != 0 && errno != ENOENT) ||
      ::bind(fd.Get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      ::chmod(socket.c_str(), 0600) != 0 || ::listen(fd.Get(), 16) != 0) {
    error = ErrnoText("Cannot listen on " + socket.string());
    return -1;
  }
  return fd.Release();
}

enum class TSend { Sent, NoListener, Refused };

TSend Send(const fs::path &socket, std::string_view text, std::string &error) {
  sockaddr_un address;
  if (!SocketAddress(socket, address))
    return TSend::NoListener;
  TFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.Get() < 0 ||
      ::connect(fd.Get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
    return TSend::NoListener;
  // Our command line goes to nobody but ourselves.
  if (PeerUid(fd.Get()) != ::geteuid()) {
    error = "The hand-over socket belongs to another user: " + socket.string();
    return TSend::Refused;
  }
  if (!WriteAll(fd.Get(), text) || ::shutdown(fd.Get(), SHUT_WR) != 0)
    return TSend::NoListener;
  // The answer says the text was read; a listener that closes unanswered has died meanwhile.
  char ack = 0;
  if (!WaitReadable(fd.Get(), kAckTimeoutMs) || ::recv(fd.Get(), &ack, 1, 0) != 1 || ack != kAck)
    return TSend::NoListener;
  return TSend::Sent;
}

} // namespace

fs::path HandOverRuntimeFolder() {
  if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return runtime;
  return fs::temp_directory_path() / ("qevdvb-" + std::to_string(::geteuid()));
}

THandOverPlace HandOverPlaceOf(const fs::path &root, const fs::path &folder) {
  const std::string base = "qevdvb-" + RootHash(root);
  return {folder, folder / (base + ".sock"), folder / (base + ".lock")};
}

std::string PrepareHandOverFolder(const fs::path &folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    return ErrnoText("Cannot create " + folder.string());
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0)
    return ErrnoText("Cannot inspect " + folder.string());
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0)
    return "Not a private folder of this user: " + folder.string();
  return {};
}

std::string HandOverText(std::string_view text) {
  if (text.size() <= kHandOverMaxBytes)
    return std::string(text);
  std::size_t end = kHandOverMaxBytes;
  // Back up over continuation bytes to the start of the character that does not fit.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return std::string(text.substr(0, end));
}

THandOverListener::THandOverListener(int lockFd, int listenFd, fs::path socket)
    : lockFd_(lockFd), listenFd_(listenFd), socket_(std::move(socket)) {
  if (::pipe2(wakePipe_, O_CLOEXEC) != 0)
    wakePipe_[0] = wakePipe_[1] = -1;
}

THandOverListener::~THandOverListener() {
  if (thread_.joinable()) {
    const char stop = 0;
    [[maybe_unused]] ssize_t n = ::write(wakePipe_[1], &stop, 1);
    thread_.join();
  }
  // Removed while the lock is still held, so it never removes a successor's socket.
  ::unlink(socket_.c_str());
  ::close(listenFd_);
  for (int fd : wakePipe_)
    if (fd >= 0)
      ::close(fd);
  ::close(lockFd_);
}

void THandOverListener::Start(Receiver receiver) {
  if (thread_.joinable() || wakePipe_[0] < 0)
    return;
  receiver_ = std::move(receiver);
  thread_ = std::thread([this] { Run(); });
}

void THandOverListener::Run() {
  for (;;) {
    pollfd entries[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (::poll(entries, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      return;
    }
    if (entries[1].revents)
      return;
    if (entries[0].revents & POLLIN) {
      const int connection = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection >= 0) {
        Serve(connection);
        ::close(connection);
      }
    }
  }
}

// One connection carries one text, read whole before the next connection is taken.
void THandOverListener::Serve(int connection) {
  if (PeerUid(connection) != ::geteuid()) {
    ++refused_;
    return;
  }
  std::string text;
  char buffer[kHandOverMaxBytes + 1];
  while (text.size() <= kHandOverMaxBytes && WaitReadable(connection, kReadTimeoutMs)) {
    const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  WriteAll(connection, std::string_view(&kAck, 1));
  if (receiver_)
    receiver_(HandOverText(text));
}

THandOverResult HandOver(const THandOverPlace &place, std::string_view text,
                         std::chrono::milliseconds patience) {
  THandOverResult result;
  if (result.error = PrepareHandOverFolder(place.Folder); !result.error.empty())
    return result;
  const std::string sent = HandOverText(text);
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (const int lockFd = TryLock(place, result.error); lockFd >= 0) {
      const int listenFd = Listen(place.Socket, result.error);
      if (listenFd < 0) {
        ::close(lockFd);
        return result;
      }
      result.listener = std::make_unique<THandOverListener>(lockFd, listenFd, place.Socket);
      return result;
    }
    if (!result.error.empty())
      return result;
    // Another instance owns the root; it may still be setting up its socket.
    switch (Send(place.Socket, sent, result.error)) {
    case TSend::Sent:
      result.handedOver = true;
      return result;
    case TSend::Refused:
      return result;
    case TSend::NoListener:
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      result.error = "The running instance does not answer on " + place.Socket.string();
      return result;
    }
    std::this_thread::sleep_for(kRetryPause);
  }
}

} // namespace qev::frame
