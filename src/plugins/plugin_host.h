#pragma once
// The plugin host: loads the plugin libraries, keeps the plugin table, serves the plugins'
// commands, opens filters for them and feeds their data, and tells the plugins of each AV slot
// which channel the slot carries. Lives on the user-interface thread; only SetSlotReason and
// the plugins' SendMessage may be called from other threads.

#include "data/channel_rec.h"
#include "devapi/qev_devapi.h"
#include "mdapi/qev_mdapi.h"
#include "plugins/filter_table.h"
#include "plugins/plugin_config.h"
#include "plugins/plugin_log.h"
#include "plugins/plugin_table.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace qev::frame {
class TNotificationHub;
class UiDispatcher;
} // namespace qev::frame
namespace qev::si {
class SectionFilterSource;
}

namespace qev::plugins {

class IPluginDevice;
class THostPort;
struct TLoadedPlugin;

// A slot's channel as the tuning engine has it; handle < 0 (or 0 from an empty slot with a
// zero record) when none.
struct TSlotChannel {
  std::int32_t Handle = -1;
  data::TChannelRec Rec{};
};

// Slot reasons: why a slot's plugins see its channel.
enum SlotReason : std::uint8_t { kReasonPlaying = 0x01, kReasonRecording = 0x02 };

struct TPluginHostLinks {
  TPluginHostLinks(IPluginDevice &device, frame::TNotificationHub &hub)
      : Device(device), Hub(hub) {}

  IPluginDevice &Device;
  frame::TNotificationHub &Hub;
  // Where plugins' commands from other threads run; null: every call is taken as coming from
  // the user-interface thread.
  frame::UiDispatcher *Ui = nullptr;
  std::filesystem::path ConfigFile; // "Plugins.cfg"
  // Leaves "Plugins.cfg" as it is (a listing of plugins, not the program's run).
  bool ReadOnlyConfig = false;
  std::filesystem::path ExeDir; // scanned for slot 0 without subfolders
  std::filesystem::path PluginsDir;
  std::function<TSlotChannel(int slot)> SlotChannel;
  // StoreEditedChannel of the tuning engine; true when stored.
  std::function<bool(std::int32_t handle, const data::TChannelRec &rec)> StoreChannel;
  std::function<SignalStatus()> Signal;
  std::function<std::int32_t()> SatPos;        // the loaded satellite's position
  si::SectionFilterSource *Sections = nullptr; // for the CAT; null: no CAT
  std::function<void()> KeepAlive;             // while the CAT is read; default PumpMessages
  std::chrono::milliseconds CatTimeout{5000};
};

class TPluginHost final : public IPluginTable {
public:
  explicit TPluginHost(TPluginHostLinks links);
  // Frees the plugins when that has not happened yet.
  ~TPluginHost() override;
  TPluginHost(const TPluginHost &) = delete;
  TPluginHost &operator=(const TPluginHost &) = delete;

  // Once per run: reads the options, scans the plugin folders, loads and starts the plugins
  // and applies the start profile. False when already loaded or shut down.
  bool LoadPlugins(bool pipPossible);
  // Closes the filters, calls every plugin's On_Exit and stops their feed threads. The host
  // then stays shut down.
  void FreePlugins();
  bool Active() const { return active_; }
  bool ShutDown() const { return shutDown_; }

  // IPluginTable
  int Count() const override;
  const TPluginEntry &Entry(int index) const override;
  void SetPluginEnabled(int index, bool on, bool notify) override;
  void SetMonitorMenuId(int index, std::int32_t id) override;
  void MenuSelect(int index, int id) override;
  std::vector<TPluginFilterView> Filters() const override;

  // Channel notifications.
  void NotifyPlugins(int slot, bool force);
  // From any thread; the plugins hear of it on the user-interface thread.
  void SetSlotReason(int slot, std::uint8_t bit, bool on);
  std::uint8_t SlotReasons(int slot) const;
  void ChannelSet(int slot, bool force);
  void ChannelGone(int slot);
  void SendChannel(int slot);
  // The host's copy of a channel that was edited.
  void StorePluginChannel(std::int32_t handle, const data::TChannelRec &rec);
  // Before the device module goes (shutdown, suspend): every plugin filter closed, the
  // plugins told.
  void CloseAllFilters();
  // After the device module came back: the plugins hear their channel again and reopen.
  void RetellChannels();

  // A command of the plugin at index, on the user-interface thread; the message's result.
  std::intptr_t Dispatch(int index, std::uint32_t code, std::intptr_t parameter);

  TPluginLog &Log() { return log_; }
  const TPluginOptions &Options() const { return options_; }
  // Stores the options in "Plugins.cfg"; a new block size re-tells every slot its channel.
  void SetOptions(const TPluginOptions &options);
  // Run by LoadPlugins with (StartProfile, false) once the plugins are loaded.
  void SetApplyProfile(std::function<bool(int profile, bool notify)> apply);
  // The profile applier's answer; false while none is plugged in.
  bool ApplyProfile(int number, bool notify);
  // The plugin window of a table index as plugins get it.
  std::uintptr_t WindowOf(int index) const;
  const std::filesystem::path &ConfigFile() const { return links_.ConfigFile; }

private:
  friend class TPluginCommands;

  void LoadFolder(const std::filesystem::path &folder, int slot, bool subfolders,
                  std::vector<std::string> &known);
  void LoadLibrary(const std::filesystem::path &path, int slot, std::vector<std::string> &known);
  void StartPlugin(TLoadedPlugin &plugin);
  TPlgFeedThread &FeedOf(int index);
  void CallChannelChange(TLoadedPlugin &plugin, const TPlgChannelInfo &info);
  bool ValidIndex(int index) const;

  TPluginHostLinks links_;
  TPluginLog log_;
  TFilterTable filters_;
  TPluginOptions options_;
  std::shared_ptr<THostPort> port_;
  std::vector<std::unique_ptr<TLoadedPlugin>> plugins_;
  std::function<bool(int, bool)> applyProfile_;
  bool active_ = false;
  bool shutDown_ = false;
  bool catRunning_ = false;

  struct TSlotCopy {
    std::int32_t Handle = -1;
    data::TChannelRec Rec{};
  };
  std::array<TSlotCopy, kPluginSlots> copies_{};
  mutable std::mutex reasonsMutex_;
  std::array<std::uint8_t, kPluginSlots> reasons_{};
  // Posted reason changes check it before they touch the host.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace qev::plugins
