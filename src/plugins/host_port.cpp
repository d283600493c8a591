#include "plugins/host_port.h"

#include "frame/ui_dispatcher.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace qev::plugins {
namespace {

using namespace std::chrono_literals;

// How often a waiting caller looks whether the port was closed meanwhile.
constexpr auto kClosedPoll = 10ms;
constexpr unsigned kIndexBits = 16;

struct TRegistry {
  std::mutex mutex;
  std::uint32_t next = 1;
  std::map<std::uint32_t, std::weak_ptr<THostPort>> ports;
};

TRegistry &Registry() {
  static TRegistry registry;
  return registry;
}

struct TCallState {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::intptr_t result = 0;
};

} // namespace

THostPort::THostPort(Dispatch dispatch, frame::UiDispatcher *ui)
    : dispatch_(std::move(dispatch)), ui_(ui) {}

std::shared_ptr<THostPort> THostPort::Open(Dispatch dispatch, frame::UiDispatcher *ui) {
  std::shared_ptr<THostPort> port(new THostPort(std::move(dispatch), ui));
  TRegistry &registry = Registry();
  std::lock_guard lock(registry.mutex);
  port->id_ = registry.next++;
  registry.ports[port->id_] = port;
  return port;
}

THostPort::~THostPort() {
  TRegistry &registry = Registry();
  std::lock_guard lock(registry.mutex);
  registry.ports.erase(id_);
}

void THostPort::Close() { open_ = false; }

std::uintptr_t THostPort::Window(int index) const {
  return (static_cast<std::uintptr_t>(id_) << kIndexBits) | static_cast<std::uintptr_t>(index + 1);
}

const TPlgHostTable *THostPort::Table() {
  static const TPlgHostTable table{QEV_MDAPI_HOST_VERSION, &THostPort::SendMessage};
  return &table;
}

std::intptr_t THostPort::SendMessage(std::uintptr_t window, std::uint32_t message,
                                     std::uintptr_t wparam, std::intptr_t lparam) {
  if (message != QEV_MDAPI_MESSAGE)
    return 0;
  std::shared_ptr<THostPort> port;
  {
    TRegistry &registry = Registry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.ports.find(static_cast<std::uint32_t>(window >> kIndexBits));
    if (found != registry.ports.end())
      port = found->second.lock();
  }
  const int index = static_cast<int>(window & ((1u << kIndexBits) - 1)) - 1;
  if (!port || index < 0)
    return 0;
  return port->Call(index, static_cast<std::uint32_t>(wparam), lparam);
}

std::intptr_t THostPort::Call(int index, std::uint32_t code, std::intptr_t parameter) {
  if (ui_ && !ui_->IsUiThread())
    return CallAcross(index, code, parameter);
  return open_ ? dispatch_(index, code, parameter) : 0;
}

std::intptr_t THostPort::CallAcross(int index, std::uint32_t code, std::intptr_t parameter) {
  auto state = std::make_shared<TCallState>();
  ui_->Post([self = shared_from_this(), state, index, code, parameter] {
    const std::intptr_t result = self->open_ ? self->dispatch_(index, code, parameter) : 0;
    std::lock_guard lock(state->mutex);
    state->result = result;
    state->finished = true;
    state->done.notify_all();
  });
  std::unique_lock lock(state->mutex);
  while (!state->finished) {
    if (!open_)
      return 0;
    state->done.wait_for(lock, kClosedPoll);
  }
  return state->result;
}

} // namespace qev::plugins
