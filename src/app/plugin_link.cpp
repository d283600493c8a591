#include "app/plugin_link.h"

#include "device/device_module.h"
#include "device/transponder_tuner.h"
#include "device/tuner.h"
#include "device/tuning_engine.h"
#include "frame/app_paths.h"
#include "frame/notification_hub.h"
#include "frame/ui_dispatcher.h"
#include "plugins/plugin_device.h"
#include "plugins/plugin_host.h"
#include "si/device_filter_source.h"
#include "ui/ui_context.h"
#include "video/video_outputs.h"

namespace qev::app {
namespace {

constexpr auto VideoHandler = frame::MethodHandler<TPluginLink, &TPluginLink::VideoOutput>;
constexpr auto RecordingHandler = frame::MethodHandler<TPluginLink, &TPluginLink::Recording>;
// The caller's value of StoreEditedChannel for a plugin's save.
constexpr std::intptr_t kPluginSave = 4;

} // namespace

TPluginLink::TPluginLink(device::TDeviceModule &device, device::TTuningEngine &engine,
                         frame::TNotificationHub &hub)
    : engine_(engine), hub_(hub), device_(std::make_unique<plugins::TModulePluginDevice>(device)),
      sections_(std::make_unique<si::TDeviceFilterSource>(device)) {
  plugins::TPluginHostLinks links(*device_, hub);
  links.Ui = frame::CurrentDispatcher();
  links.ConfigFile = frame::Paths().PluginsFile;
  links.ExeDir = frame::Paths().ExeDir;
  links.PluginsDir = frame::Paths().Plugins;
  links.SlotChannel = [&engine](int slot) {
    const device::TSlotState &state = engine.Slot(slot);
    // The engine's empty slot holds handle 0 and a zero record.
    return state.CurrentHandle > 0
               ? plugins::TSlotChannel{state.CurrentHandle, state.CurrentChannel}
               : plugins::TSlotChannel{};
  };
  links.StoreChannel = [&engine](std::int32_t handle, const data::TChannelRec &rec) {
    return engine.StoreEditedChannel(handle, rec, kPluginSave);
  };
  links.Signal = [] { return device::Tuner().Status(); };
  links.SatPos = [] { return static_cast<std::int32_t>(device::LoadedSat().Rec().SatPos); };
  links.Sections = sections_.get();
  host_ = std::make_unique<plugins::TPluginHost>(std::move(links));
  PlugEngine();
  hub_.Add(frame::kNotifyVideoOutput, VideoHandler, this);
  hub_.Add(frame::kNotifyRecording, RecordingHandler, this);
}

TPluginLink::~TPluginLink() {
  hub_.Remove(frame::kNotifyVideoOutput, VideoHandler, this);
  hub_.Remove(frame::kNotifyRecording, RecordingHandler, this);
  device::TSwitchHooks &hooks = engine_.Hooks();
  hooks.NotifyPlugins = nullptr;
  hooks.StorePluginChannel = nullptr;
  hooks.ApplyPluginProfile = nullptr;
  alive_.reset();
  host_->FreePlugins();
}

void TPluginLink::PlugEngine() {
  device::TSwitchHooks &hooks = engine_.Hooks();
  hooks.NotifyPlugins = [this](int slot, bool forced) { host_->NotifyPlugins(slot, forced); };
  hooks.StorePluginChannel = [this](std::int32_t handle, const data::TChannelRec &rec) {
    host_->StorePluginChannel(handle, rec);
  };
  hooks.ApplyPluginProfile = [this](int profile) { host_->ApplyProfile(profile, false); };
}

int TPluginLink::LoadStep(bool pipPossible) {
  host_->LoadPlugins(pipPossible);
  return 0;
}

void TPluginLink::CloseFilters() { host_->CloseAllFilters(); }

void TPluginLink::Resumed() { host_->RetellChannels(); }

void TPluginLink::FreeStep() { host_->FreePlugins(); }

void TPluginLink::FillSubsystems(ui::TUiSubsystems &subsystems) {
  subsystems.PluginHost = host_.get();
  subsystems.PluginFilterOpen = [this](std::uint16_t pid) {
    for (const plugins::TPluginFilterView &filter : host_->Filters())
      if (filter.Pid == pid)
        return true;
    return false;
  };
}

// From any thread: the host queues what reaches plugins to the user-interface thread.
void TPluginLink::VideoOutput(std::intptr_t event, std::intptr_t) {
  const int output = static_cast<int>(event & 0xFF);
  if (output >= plugins::kPluginSlots)
    return;
  if ((event & ~0xFF) == video::kVideoStarted)
    host_->SetSlotReason(output, plugins::kReasonPlaying, true);
  else if ((event & ~0xFF) == video::kVideoClosing)
    host_->SetSlotReason(output, plugins::kReasonPlaying, false);
}

// The recorder announces from its own threads: which slots it records is read on the
// user-interface thread.
void TPluginLink::Recording(std::intptr_t, std::intptr_t) {
  frame::RunOnUiThread([this, alive = std::weak_ptr<int>(alive_)] {
    if (!alive.lock())
      return;
    const auto &recorded = engine_.Hooks().SlotRecorded;
    for (int slot = 0; slot < plugins::kPluginSlots; ++slot) {
      const bool now = recorded && recorded(slot);
      const bool before = host_->SlotReasons(slot) & plugins::kReasonRecording;
      if (now != before)
        host_->SetSlotReason(slot, plugins::kReasonRecording, now);
    }
  });
}

} // namespace qev::app
