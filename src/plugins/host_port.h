#pragma once
// The way back from plugins into the host: the host table's SendMessage finds the host by the
// plugin window it is given and runs the command on the user-interface thread. A caller on
// another thread waits for it; once the port is closed (the host shuts down) waiting callers
// get 0 at once and later calls are refused, so a plugin thread never blocks a shutdown.

#include "mdapi/qev_mdapi.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace qev::frame {
class UiDispatcher;
}

namespace qev::plugins {

class THostPort : public std::enable_shared_from_this<THostPort> {
public:
  // (plugin index, command code, parameter) -> result; runs on the user-interface thread.
  using Dispatch = std::function<std::intptr_t(int, std::uint32_t, std::intptr_t)>;

  static std::shared_ptr<THostPort> Open(Dispatch dispatch, frame::UiDispatcher *ui);
  // On the user-interface thread; the dispatch is not called afterwards.
  void Close();
  ~THostPort();

  std::uintptr_t Window(int index) const;
  static const TPlgHostTable *Table();

private:
  THostPort(Dispatch dispatch, frame::UiDispatcher *ui);
  static std::intptr_t SendMessage(std::uintptr_t window, std::uint32_t message,
                                   std::uintptr_t wparam, std::intptr_t lparam);
  std::intptr_t Call(int index, std::uint32_t code, std::intptr_t parameter);
  std::intptr_t CallAcross(int index, std::uint32_t code, std::intptr_t parameter);

  Dispatch dispatch_;
  frame::UiDispatcher *ui_;
  std::uint32_t id_ = 0;
  std::atomic<bool> open_{true};
};

} // namespace qev::plugins
