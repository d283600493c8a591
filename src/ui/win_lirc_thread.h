#pragma once

#include "frame/ui_dispatcher.h"
#include "ui/lirc_lines.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qev::ui {

// The remote-control client: reads the lines of a lircd-style server (TCP "host:port" or a UNIX
// socket path) and hands each one to the user-interface thread, waiting until it has been
// processed before reading on. It keeps trying to connect until it succeeds or is stopped,
// waiting longer after each refusal; a dropped connection is made again.
class TWinLircThread {
public:
  using LineHandler = std::function<void(const std::string &line)>;
  struct TTiming {
    std::chrono::milliseconds FirstRetry{1000};
    std::chrono::milliseconds LongestRetry{5000};
    std::chrono::milliseconds ReadTimeout{100};
  };

  // `processLine` runs on the user-interface thread of `ui`; never after Stop has returned.
  TWinLircThread(std::string hostPort, frame::UiDispatcher &ui, LineHandler processLine,
                 TTiming timing);
  TWinLircThread(std::string hostPort, frame::UiDispatcher &ui, LineHandler processLine)
      : TWinLircThread(std::move(hostPort), ui, std::move(processLine), TTiming{}) {}
  ~TWinLircThread();
  TWinLircThread(const TWinLircThread &) = delete;
  TWinLircThread &operator=(const TWinLircThread &) = delete;

  // Ends a blocking read or a pending hand-over at once and joins the thread. Call it from the
  // user-interface thread (the destructor does).
  void Stop();
  bool Connected() const { return connected_; }
  int ConnectAttempts() const { return attempts_; }

private:
  struct THandOff;

  void Run();
  int Connect();
  bool WaitConnected(int fd);
  void ReadLines(int fd);
  void HandOver(const std::string &line);
  void CloseSocket();
  // Returns early when stopped.
  void Pause(std::chrono::milliseconds wait);

  const TLircAddress address_;
  frame::UiDispatcher &ui_;
  const TTiming timing_;
  std::shared_ptr<THandOff> handOff_;
  std::mutex mutex_; // guards fd_ against the shutdown of Stop
  std::condition_variable wake_;
  int fd_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> connected_{false};
  std::atomic<int> attempts_{0};
  std::thread thread_;
};

} // namespace qev::ui
