#include "plugins/plugin_host.h"

#include "frame/fast_ini_file.h"
#include "frame/log.h"
#include "frame/message_boxes.h"
#include "frame/message_pump.h"
#include "frame/notification_hub.h"
#include "frame/string_utils.h"
#include "frame/ui_dispatcher.h"
#include "plugins/channel_info.h"
#include "plugins/host_port.h"
#include "plugins/plugin_library.h"

#include <dlfcn.h>
#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <system_error>

namespace qev::plugins {
namespace fs = std::filesystem;
namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot < kPluginSlots; }

// The entries of a folder as the scan takes them: libraries by name, then subfolders by name.
struct TFolderListing {
  std::vector<fs::path> Libraries;
  std::vector<fs::path> Folders;
};

TFolderListing ListFolder(const fs::path &folder) {
  TFolderListing listing;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path &path = it->path();
    std::error_code kind;
    if (it->is_directory(kind))
      listing.Folders.push_back(path);
    else if (IsPluginFileName(path))
      listing.Libraries.push_back(path);
  }
  std::sort(listing.Libraries.begin(), listing.Libraries.end());
  std::sort(listing.Folders.begin(), listing.Folders.end());
  return listing;
}

// A folder of the root in whatever letter case it was created.
fs::path SubFolder(const fs::path &parent, const std::string &name) {
  fs::path exact = parent / name;
  std::error_code error;
  if (parent.empty() || fs::is_directory(exact, error))
    return exact;
  for (const fs::path &folder : ListFolder(parent).Folders)
    if (frame::EqualsNoCase(folder.filename().string(), name))
      return folder;
  return exact;
}

} // namespace

TPluginHost::TPluginHost(TPluginHostLinks links)
    : links_(std::move(links)), log_(links_.Hub), filters_(links_.Device, log_, links_.Hub) {
  port_ =
      THostPort::Open([this](int index, std::uint32_t code,
                             std::intptr_t parameter) { return Dispatch(index, code, parameter); },
                      links_.Ui);
}

TPluginHost::~TPluginHost() {
  FreePlugins();
  port_->Close();
}

bool TPluginHost::LoadPlugins(bool pipPossible) {
  if (active_ || shutDown_)
    return false;
  frame::TFastIniFile config(links_.ConfigFile);
  options_ = ReadPluginOptions(config);
  std::vector<std::string> known = ReadKnowPlugins(config);
  const std::size_t knownBefore = known.size();
  active_ = true;
  filters_.SetActive(true);
  filters_.Clear();
  const fs::path &root = links_.PluginsDir;
  if (!links_.ExeDir.empty())
    LoadFolder(links_.ExeDir, 0, false, known);
  LoadFolder(root, 0, false, known);
  LoadFolder(SubFolder(root, "AV0"), 0, true, known);
  if (pipPossible) {
    LoadFolder(SubFolder(root, "PIP"), 1, true, known);
    LoadFolder(SubFolder(root, "AV1"), 1, true, known);
    LoadFolder(SubFolder(root, "AV2"), 2, true, known);
    LoadFolder(SubFolder(root, "AV3"), 3, true, known);
  }
  for (auto &plugin : plugins_)
    plugin->Entry.MonitorMenuId = ReadMonitorMenuId(config, plugin->Entry.DllName);
  if (known.size() != knownBefore && !links_.ReadOnlyConfig) {
    WriteKnowPlugins(config, known);
    if (const std::string error = config.UpdateFile(); !error.empty())
      frame::ShowError(error);
    log_.Add(PluginLogKind::Info, fmt::format("KnowPlugins was updated ({})..", knownBefore));
  }
  ApplyProfile(options_.StartProfile, false);
  return true;
}

void TPluginHost::LoadFolder(const fs::path &folder, int slot, bool subfolders,
                             std::vector<std::string> &known) {
  if (folder.empty())
    return;
  const TFolderListing listing = ListFolder(folder);
  for (const fs::path &library : listing.Libraries)
    LoadLibrary(library, slot, known);
  if (!subfolders)
    return;
  for (const fs::path &sub : listing.Folders)
    if (const std::string name = sub.filename().string(); !name.starts_with('#'))
      LoadFolder(sub, slot, true, known);
}

void TPluginHost::LoadLibrary(const fs::path &path, int slot, std::vector<std::string> &known) {
  if (plugins_.size() >= static_cast<std::size_t>(kMaxPlugins)) {
    log_.Add(PluginLogKind::Warning,
             fmt::format("Plugin table full ({}), not loaded : {}", kMaxPlugins, path.string()));
    return;
  }
  const std::size_t index = plugins_.size();
  try {
    void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
      return;
    auto plugin = std::make_unique<TLoadedPlugin>();
    plugin->Path = path;
    plugin->Module = module;
    plugin->Entry.DllName = frame::Trim(path.filename().string());
    if (!FindExports(module, plugin->Exports)) {
      dlclose(module);
      return;
    }
    plugin->Entry.AvSlot = static_cast<std::uint8_t>(slot);
    plugin->Entry.Enabled = options_.LoadEn;
    char name[QEV_MDAPI_NAME_BUFFER];
    std::memset(name, 0x55, sizeof name);
    plugin->Exports.SendName(name);
    plugin->Entry.PluginName = PluginNameFrom(name);
    plugin->Entry.Menu = LoadPluginMenu(module, path);
    plugins_.push_back(std::move(plugin));
    StartPlugin(*plugins_.back());
    AddKnownPlugin(known, plugins_.back()->Entry.DllName);
    log_.Add(PluginLogKind::PluginLoaded,
             path.string() + " (" + plugins_.back()->Entry.PluginName + ")",
             static_cast<int>(index));
  } catch (const std::exception &error) {
    plugins_.resize(std::min(plugins_.size(), index));
    log_.Add(PluginLogKind::Error, "Error loading : " + path.string() + " (" + error.what() + ")");
  } catch (...) {
    plugins_.resize(std::min(plugins_.size(), index));
    log_.Add(PluginLogKind::Error, "Error loading : " + path.string() + " (unknown error)");
  }
}

void TPluginHost::StartPlugin(TLoadedPlugin &plugin) {
  const int index = static_cast<int>(plugins_.size()) - 1;
  std::int32_t result = -1;
  plugin.Exports.Start(THostPort::Table(), WindowOf(index), -1, index + 1, plugin.StartArea.data(),
                       QEV_MDAPI_VERSION_TEXT, &result);
}

void TPluginHost::FreePlugins() {
  if (!active_)
    return;
  shutDown_ = true;
  CloseAllFilters();
  active_ = false;
  filters_.SetActive(false);
  port_->Close();
  // The feed threads go before On_Exit, so no data entry point runs once a plugin has left.
  for (auto &plugin : plugins_)
    plugin->Feed.reset();
  for (std::size_t index = 0; index < plugins_.size(); ++index) {
    TLoadedPlugin &plugin = *plugins_[index];
    if (!plugin.Exports.Exit)
      continue;
    try {
      plugin.Exports.Exit(THostPort::Table(), WindowOf(static_cast<int>(index)), 0);
    } catch (...) {
      // A plugin that fails to leave does not keep the others from it.
    }
  }
  plugins_.clear();
}

void TPluginHost::CloseAllFilters() {
  for (int slot = 0; slot < kPluginSlots; ++slot)
    ChannelGone(slot);
  frame::PumpMessages();
  for (int index : filters_.OpenFilters()) {
    const TMDFilter &filter = filters_[index];
    if (!filter.InUse)
      continue; // closed by a plugin meanwhile
    const int owner = filter.DllId - 1;
    if (ValidIndex(owner) && plugins_[owner]->Exports.FilterClose) {
      try {
        plugins_[owner]->Exports.FilterClose(filter.FilterId);
      } catch (...) {
        // The filter is closed all the same.
      }
    }
    if (filters_[index].InUse)
      filters_.Delete(index);
  }
  filters_.Clear();
}

void TPluginHost::RetellChannels() {
  for (int slot = 0; slot < kPluginSlots; ++slot)
    NotifyPlugins(slot, true);
}

int TPluginHost::Count() const { return static_cast<int>(plugins_.size()); }

const TPluginEntry &TPluginHost::Entry(int index) const { return plugins_.at(index)->Entry; }

bool TPluginHost::ValidIndex(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < plugins_.size();
}

void TPluginHost::SetPluginEnabled(int index, bool on, bool notify) {
  if (!ValidIndex(index))
    return;
  TLoadedPlugin &plugin = *plugins_[index];
  if (plugin.Entry.Enabled == on)
    return;
  plugin.Entry.Enabled = on;
  if (notify && plugin.Exports.ChannelChange) {
    const TSlotCopy &copy = copies_[plugin.Entry.AvSlot % kPluginSlots];
    CallChannelChange(plugin, on ? BuildChannelInfo(copy.Rec) : NoChannelInfo());
  }
}

void TPluginHost::SetMonitorMenuId(int index, std::int32_t id) {
  if (ValidIndex(index))
    plugins_[index]->Entry.MonitorMenuId = id;
}

void TPluginHost::MenuSelect(int index, int id) {
  if (!active_ || !ValidIndex(index) || !plugins_[index]->Exports.MenuSelect)
    return;
  try {
    plugins_[index]->Exports.MenuSelect(static_cast<std::uint32_t>(id) & 0xFFFF);
  } catch (...) {
    // The plugin's fault stays with it.
  }
}

std::vector<TPluginFilterView> TPluginHost::Filters() const { return filters_.Views(); }

void TPluginHost::NotifyPlugins(int slot, bool force) {
  if (!ValidSlot(slot))
    return;
  frame::Log(fmt::format("Notify Plugins[{}]", slot));
  if (SlotReasons(slot) != 0)
    ChannelSet(slot, force);
  else
    ChannelGone(slot);
  frame::Log("");
}

void TPluginHost::SetSlotReason(int slot, std::uint8_t bit, bool on) {
  if (!ValidSlot(slot))
    return;
  {
    std::lock_guard lock(reasonsMutex_);
    reasons_[slot] = on ? (reasons_[slot] | bit) : (reasons_[slot] & ~bit);
  }
  if (links_.Ui && !links_.Ui->IsUiThread()) {
    links_.Ui->Post([this, alive = std::weak_ptr<int>(alive_), slot] {
      if (alive.lock())
        NotifyPlugins(slot, false);
    });
    return;
  }
  NotifyPlugins(slot, false);
}

std::uint8_t TPluginHost::SlotReasons(int slot) const {
  std::lock_guard lock(reasonsMutex_);
  return ValidSlot(slot) ? reasons_[slot] : 0;
}

void TPluginHost::ChannelSet(int slot, bool force) {
  if (!ValidSlot(slot))
    return;
  TSlotChannel current;
  if (links_.SlotChannel)
    current = links_.SlotChannel(slot);
  TSlotCopy &copy = copies_[slot];
  if (!force && current.Handle == copy.Handle)
    return;
  copy.Handle = current.Handle;
  copy.Rec = current.Rec;
  SendChannel(slot);
}

void TPluginHost::ChannelGone(int slot) {
  if (!ValidSlot(slot))
    return;
  TSlotCopy &copy = copies_[slot];
  // Handle 0 names a channel like any other.
  if (copy.Handle < 0)
    return;
  copy = TSlotCopy{};
  SendChannel(slot);
}

void TPluginHost::SendChannel(int slot) {
  if (!active_ || !ValidSlot(slot))
    return;
  links_.Hub.Notify(frame::kNotifyPluginHost, kSlotChannel, slot);
  log_.ClearCommands();
  const TPlgChannelInfo info = BuildChannelInfo(copies_[slot].Rec);
  // By index: a plugin's call may end in a message pump in which the host is freed.
  for (std::size_t index = 0; active_ && index < plugins_.size(); ++index) {
    TLoadedPlugin &plugin = *plugins_[index];
    if (plugin.Entry.AvSlot == slot && plugin.Entry.Enabled && plugin.Exports.ChannelChange)
      CallChannelChange(plugin, info);
  }
}

void TPluginHost::CallChannelChange(TLoadedPlugin &plugin, const TPlgChannelInfo &info) {
  try {
    plugin.Exports.ChannelChange(info);
  } catch (...) {
    // A plugin's fault stays with it.
  }
}

void TPluginHost::StorePluginChannel(std::int32_t handle, const data::TChannelRec &rec) {
  for (TSlotCopy &copy : copies_)
    if (copy.Handle >= 0 && copy.Handle == handle)
      copy.Rec = rec;
}

void TPluginHost::SetOptions(const TPluginOptions &options) {
  const bool newBlockSize = options.PkSize != options_.PkSize;
  options_ = options;
  frame::TFastIniFile config(links_.ConfigFile);
  WritePluginOptions(config, options_);
  if (const std::string error = config.UpdateFile(); !error.empty())
    frame::ShowError(error);
  if (newBlockSize)
    for (int slot = 0; slot < kPluginSlots; ++slot)
      NotifyPlugins(slot, true);
}

void TPluginHost::SetApplyProfile(std::function<bool(int, bool)> apply) {
  applyProfile_ = std::move(apply);
}

bool TPluginHost::ApplyProfile(int number, bool notify) {
  return applyProfile_ ? applyProfile_(number, notify) : false;
}

std::uintptr_t TPluginHost::WindowOf(int index) const { return port_->Window(index); }

TPlgFeedThread &TPluginHost::FeedOf(int index) {
  auto &feed = plugins_[index]->Feed;
  if (!feed)
    feed = std::make_unique<TPlgFeedThread>();
  return *feed;
}

} // namespace qev::plugins
