#pragma once
// A plugin host over a fake device, with the test plugin copied into a fresh root so each
// test gets the plugin's state new.

#include "frame/event_loop.h"
#include "frame/notification_hub.h"
#include "plugins/plugin_device.h"
#include "plugins/plugin_host.h"
#include "support/temp_dir.h"
#include "test_plugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace qev::plugins::test {

namespace fs = std::filesystem;

// Filters whose data the test sends, from its own thread. Every block carries the filter's
// PID in bytes 0..1 and the PID's running sequence number in bytes 2..5, as the test plugin
// checks.
class TFakePluginDevice final : public IPluginDevice {
public:
  struct TFilter {
    std::uint16_t Pid = 0;
    std::uint16_t Mode = 0;
    std::uint8_t Flags = 0;
    FilterCallback Callback = nullptr;
    void *Context = nullptr;
  };

  bool Packets188() override { return packets188; }
  std::int32_t StartFilter(std::uint16_t pid, std::uint16_t mode, std::uint8_t flags,
                           FilterCallback callback, void *context) override {
    std::lock_guard lock(mutex_);
    if (refuse)
      return 0;
    const std::int32_t handle = nextHandle_++;
    filters_[handle] = {pid, mode, flags, callback, context};
    return handle;
  }
  std::int32_t StopFilter(std::int32_t handle) override {
    std::lock_guard lock(mutex_); // waits for a delivery in progress
    return filters_.erase(handle) == 1 ? 0 : -1;
  }
  std::int32_t PassPluginData(int slot, const std::uint8_t *block) override {
    lastSlot = slot;
    std::memcpy(lastBlock, block, sizeof lastBlock);
    return passAnswer;
  }

  // One block of `bytes` to every open filter (or to one PID).
  void DeliverAll(std::size_t bytes = 184, int pid = -1) {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> block(bytes);
    for (auto &[handle, filter] : filters_) {
      if (pid >= 0 && filter.Pid != pid)
        continue;
      block[0] = static_cast<std::uint8_t>(filter.Pid);
      block[1] = static_cast<std::uint8_t>(filter.Pid >> 8);
      const std::uint32_t sequence = ++sequences_[filter.Pid];
      std::memcpy(block.data() + 2, &sequence, sizeof sequence);
      filter.Callback(block.data(), static_cast<std::int32_t>(block.size()), filter.Context);
    }
  }
  std::map<std::int32_t, TFilter> Open() {
    std::lock_guard lock(mutex_);
    return filters_;
  }

  std::atomic<bool> packets188{true};
  std::atomic<bool> refuse{false};
  std::int32_t passAnswer = 1;
  int lastSlot = -1;
  std::uint8_t lastBlock[QEV_PLUGIN_DATA_BYTES] = {};

private:
  std::mutex mutex_;
  std::int32_t nextHandle_ = 1;
  std::map<std::int32_t, TFilter> filters_;
  // Per PID across filters, so a reopened filter continues the count.
  std::map<std::uint16_t, std::uint32_t> sequences_;
};

// The test plugin as the host loaded it from a folder.
struct TTestPlugin {
  explicit TTestPlugin(const fs::path &library) {
    handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
      return;
    state = reinterpret_cast<TestPlugin_State_t>(dlsym(handle, "TestPlugin_State"))();
    send = reinterpret_cast<TestPlugin_Send_t>(dlsym(handle, "TestPlugin_Send"));
    thread = reinterpret_cast<TestPlugin_Thread_t>(dlsym(handle, "TestPlugin_Thread"));
    data = reinterpret_cast<TPlgDataEntry>(dlsym(handle, "OnTestData"));
  }
  ~TTestPlugin() {
    if (handle)
      dlclose(handle); // only the reference taken here
  }
  TTestPlugin(const TTestPlugin &) = delete;
  TTestPlugin &operator=(const TTestPlugin &) = delete;

  // Starts filter `id` on pid; the running id, 0 when refused.
  std::uint32_t StartFilter(std::uint16_t id, std::uint16_t pid, const char *name = "TEST") {
    TPlgFilterRequest request{};
    request.DllId = static_cast<std::uint16_t>(state->Number);
    request.FilterId = id;
    request.Pid = pid;
    std::strncpy(request.Name, name, sizeof request.Name - 1);
    request.DataEntry = data;
    state->ExpectedPid[id] = static_cast<std::uint16_t>(pid & 0x1FFF);
    return send(QEV_MDAPI_START_FILTER, reinterpret_cast<std::intptr_t>(&request)) == 1
               ? request.RunningId
               : 0;
  }
  std::intptr_t StopFilter(std::uint32_t runningId) {
    return send(QEV_MDAPI_STOP_FILTER, static_cast<std::intptr_t>(runningId));
  }

  void *handle = nullptr;
  qev_test_plugin::TState *state = nullptr;
  TestPlugin_Send_t send = nullptr;
  TestPlugin_Thread_t thread = nullptr;
  TPlgDataEntry data = nullptr;
};

inline void CopyLibrary(const fs::path &from, const fs::path &to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

class THostFixture : public ::testing::Test {
protected:
  THostFixture() { fs::create_directories(PluginsDir()); }

  fs::path PluginsDir() const { return root_ / "Plugins"; }
  fs::path ConfigFile() const { return root_ / "Configs" / "Plugins.cfg"; }

  TPluginHostLinks Links() {
    TPluginHostLinks links(device_, hub_);
    links.ConfigFile = ConfigFile();
    links.PluginsDir = PluginsDir();
    links.SlotChannel = [this](int slot) { return slots_[slot]; };
    return links;
  }
  TPluginHost &Host() {
    if (!host_)
      host_ = std::make_unique<TPluginHost>(Links());
    return *host_;
  }
  // The test plugin copied to Plugins/<relative>, loaded with the host.
  fs::path AddTestPlugin(const std::string &relative = "qev_test.so") {
    const fs::path target = PluginsDir() / relative;
    CopyLibrary(QEV_TEST_PLUGIN, target);
    return target;
  }
  std::unique_ptr<TTestPlugin> LoadWithTestPlugin() {
    const fs::path library = AddTestPlugin();
    EXPECT_TRUE(Host().LoadPlugins(false));
    return std::make_unique<TTestPlugin>(library);
  }
  // Slot 0 plays a channel, with reason "playing".
  void PlayChannel(std::int32_t handle, const char *name, int slot = 0) {
    slots_[slot].Handle = handle;
    slots_[slot].Rec = data::TChannelRec{};
    data::SetChName(slots_[slot].Rec, name);
    slots_[slot].Rec.Freq = 11494000;
    slots_[slot].Rec.VidPid = 0x100;
    Host().SetSlotReason(slot, kReasonPlaying, true);
  }
  std::vector<std::string> LogTexts() {
    std::vector<std::string> texts;
    for (const TPluginLogLine &line : Host().Log().Lines())
      texts.push_back(line.Text);
    return texts;
  }

  qev::test::TTempDir root_{"qev-plugins-"};
  frame::TNotificationHub hub_;
  TFakePluginDevice device_;
  std::array<TSlotChannel, kPluginSlots> slots_{};
  std::unique_ptr<TPluginHost> host_;
};

} // namespace qev::plugins::test
