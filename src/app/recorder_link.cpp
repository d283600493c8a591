#include "app/recorder_link.h"

#include "devapi/qev_devapi.h"
#include "device/device_module.h"
#include "device/tuning_engine.h"
#include "frame/options.h"
#include "recording/device_record_source.h"
#include "recording/qt/frame_records_list.h"
#include "recording/qt/record_forms.h"
#include "recording/recorder.h"
#include "ui/ui_context.h"

namespace qev::app {

TRecorderLink::TRecorderLink(TLinks links)
    : device_(links.Device), engine_(links.Engine), hub_(links.Hub),
      source_(std::make_unique<recording::TDeviceRecordSource>(links.Device)),
      dialogs_(std::make_unique<recording::TQtRecordDialogs>(
          std::move(links.Owner), [] { return frame::Options().General.PidEditsInHex; })) {
  recording::TRecorderContext context{
      links.Hub, []() -> const frame::TRecordingOptions & { return frame::Options().Recording; },
      [root = std::move(links.Root)] { return recording::DefaultRecordFolder(root()); },
      dialogs_.get()};
  context.Files = links.Files;
  recorder_ = std::make_unique<recording::TRecorder>(*source_, std::move(context));
  recording::PlugSwitchHooks(engine_, *recorder_);
}

TRecorderLink::~TRecorderLink() {
  recording::UnplugSwitchHooks(engine_.Hooks());
  recorder_.reset();
}

void TRecorderLink::FillSubsystems(ui::TUiSubsystems &subsystems) {
  recording::TRecorder &recorder = *recorder_;
  subsystems.RecStartChannel = [&recorder](const data::TChannelRec &rec, int slot, int minutes,
                                           bool ask) {
    recorder.RecStartChannel(rec, static_cast<std::uint8_t>(slot), minutes, ask);
  };
  subsystems.RecStartPid = [&recorder](std::uint16_t pid, const std::string &title,
                                       const std::string &info) {
    recorder.RecStartPid(pid, title, info);
  };
  subsystems.RecSlotActive = [&recorder](int slot) { return recorder.RecIsAvSlotActive(slot); };
  subsystems.RecStopSlot = [&recorder](int slot) { recorder.RecStopAvSlot(slot); };
  subsystems.RecActive = [&recorder] { return recorder.RecIsActive(); };
  subsystems.RecFullTsPossible = [&device = device_] {
    return device.Loaded() && device.GetDeviceInfo(QEV_INFO_ALL_PIDS, 0) != 0;
  };
  subsystems.RecordsTab = [&recorder, &hub = hub_](QWidget *parent) -> QWidget * {
    recording::TRecordsListLinks links;
    links.Slots = [&recorder] { return recorder.Slots(); };
    links.StopSlot = [&recorder](int slot) { recorder.RecStopSlot(slot); };
    links.StopAll = [&recorder] { recorder.RecStopAll(); };
    links.SetStopAfterSeconds = [&recorder](int slot, std::uint32_t seconds) {
      return recorder.SetStopAfterSeconds(slot, seconds);
    };
    return new recording::TFrameRecordsList(parent, hub, std::move(links));
  };
}

} // namespace qev::app
