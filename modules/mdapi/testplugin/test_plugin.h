#pragma once
// What the host's tests see of the test plugin: its record of every call, and controls that
// make it send commands from the test's thread, from a thread of its own and from inside its
// data entry point. The tests look the two functions up with dlsym in the same library the
// host loaded.

#include "qev_mdapi.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qev_test_plugin {

inline constexpr int kFilters = 256;

struct TState {
  // On_Start's arguments.
  const TPlgHostTable *Host = nullptr;
  std::uintptr_t Window = 0;
  std::int32_t LogFlag = 0;
  std::int32_t Number = 0;
  std::uint8_t *StartArea = nullptr;
  std::uint8_t StartAreaAtStart[QEV_MDAPI_START_AREA] = {};
  std::string Version;
  std::int32_t ResultPreset = 0;

  std::atomic<int> ChannelChanges{0};
  TPlgChannelInfo LastChannel{};
  std::atomic<int> MenuSelected{0};
  std::atomic<int> Exits{0};

  // Data, per FilterId: what arrived, and whether it was meant for that filter. Blocks carry
  // their PID in bytes 0..1 and a sequence number in bytes 2..5.
  std::atomic<std::uint64_t> Bytes[kFilters] = {};
  std::atomic<std::uint16_t> ExpectedPid[kFilters] = {};
  std::atomic<int> WrongFilter{0};
  std::atomic<int> OutOfOrder{0};
  std::uint32_t LastSequence[kFilters] = {}; // only the feed thread touches it
  std::atomic<int> ConcurrentCalls{0};
  std::atomic<int> Overlaps{0};

  // A command sent from inside the data entry point, once per block while set.
  std::atomic<std::uint32_t> CallbackCommand{0};
  std::atomic<int> CallbackSent{0};
  std::atomic<int> CallbackAnswered{0}; // answers != 0

  // The own thread's commands.
  std::atomic<int> ThreadSent{0};
  std::atomic<int> ThreadAnswered{0};

  // Calls in order: "close:<filter>" and "exit", each with the plugin number.
  std::mutex JournalMutex;
  std::vector<std::string> Journal;
};

} // namespace qev_test_plugin

extern "C" {
// The plugin's state.
typedef qev_test_plugin::TState *(*TestPlugin_State_t)();
// Sends one command through the host table, from the calling thread.
typedef std::intptr_t (*TestPlugin_Send_t)(std::uint32_t code, std::intptr_t parameter);
// Starts (count > 0) the plugin's own thread sending `count` version commands, or joins it (0).
typedef void (*TestPlugin_Thread_t)(int count);
}
