#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace qev::frame {

// Only one instance runs per root: a second start hands its command line over a per-user UNIX
// socket to the running one and ends. The socket lives in a folder that only the user may enter;
// an exclusive flock on a lock file beside it says which process owns it, so a socket left by a
// killed instance is recognised as stale and replaced.
inline constexpr std::size_t kHandOverMaxBytes = 511;

struct THandOverPlace {
  std::filesystem::path Folder;
  std::filesystem::path Socket;
  std::filesystem::path Lock;
};

// $XDG_RUNTIME_DIR, or a folder of the user's own in the temporary folder when it is not set.
std::filesystem::path HandOverRuntimeFolder();
// "qevdvb-<hash of the root>.sock" and ".lock" in the folder.
THandOverPlace HandOverPlaceOf(const std::filesystem::path &root,
                               const std::filesystem::path &folder);
// Creates the folder (0700) when missing; an error text unless it is a real folder of this user
// that nobody else may enter.
std::string PrepareHandOverFolder(const std::filesystem::path &folder);
// The first kHandOverMaxBytes bytes of the text, cut at a UTF-8 character boundary.
std::string HandOverText(std::string_view text);

// The first instance's side: owns the lock and the listening socket; a thread accepts the
// connections and gives each one's text, in order, to the receiver. Connections of other users
// are refused. The thread is joined, the socket removed and the lock released on destruction.
class THandOverListener {
public:
  using Receiver = std::function<void(std::string text)>;

  THandOverListener(int lockFd, int listenFd, std::filesystem::path socket);
  ~THandOverListener();
  THandOverListener(const THandOverListener &) = delete;
  THandOverListener &operator=(const THandOverListener &) = delete;

  // Starts delivering; connections made before are queued by the socket and delivered now.
  void Start(Receiver receiver);
  // Connections closed unread because their peer was another user.
  int Refused() const { return refused_; }

private:
  void Run();
  void Serve(int connection);

  int lockFd_;
  int listenFd_;
  int wakePipe_[2] = {-1, -1};
  std::filesystem::path socket_;
  Receiver receiver_;
  std::atomic<int> refused_{0};
  std::thread thread_;
};

struct THandOverResult {
  // The text went to the running instance: this process ends.
  bool handedOver = false;
  // This process is the first instance; null when the listener could not be set up (then the
  // program runs on without one and error says why).
  std::unique_ptr<THandOverListener> listener;
  std::string error;
};

// Becomes the first instance, or hands the text to the instance that is. A lock held by an
// instance that is still starting is waited for up to patience.
THandOverResult HandOver(const THandOverPlace &place, std::string_view text,
                         std::chrono::milliseconds patience = std::chrono::seconds(5));

} // namespace qev::frame
