#include "device/tuning_engine.h"

#include "device/ui_busy_scope.h"
#include "frame/log.h"
#include "frame/message_boxes.h"
#include "frame/options.h"

#include <fmt/format.h>

#include <string>
#include <utility>

namespace qev::device {

namespace {

template <typename F, typename... Args> void Run(const F &hook, Args &&...args) {
  if (hook)
    hook(std::forward<Args>(args)...);
}

template <typename R, typename F, typename... Args>
R Ask(const F &hook, R fallback, Args &&...args) {
  return hook ? hook(std::forward<Args>(args)...) : fallback;
}

bool Refuse(const char *text, bool showMessages) {
  if (showMessages)
    frame::ShowError(text);
  return false;
}

std::string PolarText(const data::TChannelRec &rec) {
  return rec.Polar ? std::string(1, rec.Polar) : std::string();
}

// Marks the engine busy for the length of one switch, whatever way it ends.
class TBusyMark {
public:
  explicit TBusyMark(bool &busy) : busy_(busy) { busy_ = true; }
  ~TBusyMark() { busy_ = false; }
  TBusyMark(const TBusyMark &) = delete;
  TBusyMark &operator=(const TBusyMark &) = delete;

private:
  bool &busy_;
};

} // namespace

bool TTuningEngine::SwitchChannel(int slot, std::int32_t handle, bool showMessages) {
  return Request({slot, handle, showMessages, std::nullopt});
}

bool TTuningEngine::SwitchAndRecord(int slot, std::int32_t handle, int minutes) {
  return Request({slot, handle, false, minutes});
}

bool TTuningEngine::Request(const TSwitchRequest &request) {
  if (busy_) {
    waiting_.Put(request);
    return false;
  }
  // A close or suspend asked for while the switch pumps messages waits for its end.
  const TUiBusyScope operation;
  const bool done = Perform(request);
  while (const auto next = waiting_.Take())
    Perform(*next);
  return done;
}

bool TTuningEngine::Perform(const TSwitchRequest &request) {
  const bool done = Switch(request.Slot, request.Handle, request.ShowMessages);
  if (done && request.RecordMinutes)
    Run(hooks_.StartRecording, request.Slot, *request.RecordMinutes);
  return done;
}

bool TTuningEngine::Switch(int slot, std::int32_t handle, bool showMessages) {
  if (!TAvSlots::Valid(slot) || handle <= 0)
    return false;
  const auto rec = links_.Lists.ChannelByHandle(handle);
  if (!rec)
    return false;
  TBusyMark busy(busy_);
  TSlotState &state = slots_[slot];
  state.RequestedHandle = handle;
  state.PendingChannel = *rec;
  if (!CanSwitch(slot, showMessages))
    return false;
  Notify(frame::kNotifySwitchProgress, kSwitchBegins, slot);
  bool done = false;
  try {
    Play(slot);
    done = true;
  } catch (...) {
    // The windows wait for the end of the switch to enable their lists again, so the end is
    // announced however far the switch got.
  }
  Notify(frame::kNotifySwitchProgress, kSwitchEnded, slot);
  frame::Log("");
  return done;
}

void TTuningEngine::Play(int slot) {
  TSlotState &state = slots_[slot];
  if (slot == 0)
    PrepareMain();
  if (state.CurrentHandle != state.RequestedHandle)
    AddToHistory(state);
  state.PreviousHandle = state.CurrentHandle;
  state.CurrentHandle = state.RequestedHandle;
  state.CurrentChannel = state.PendingChannel;
  HandOverPids(slot);
  Run(hooks_.NotifyPlugins, slot, false);
  if (!Ask(hooks_.OutputOpen, false, slot))
    Run(hooks_.OpenOutput, slot);
  ApplySound(slot);
  ApplyPicture(slot);
  if (slot == 0)
    FinishMain();
}

void TTuningEngine::PrepareMain() {
  links_.Device.SetTeletextPid(0);
  Run(hooks_.TtxStop);
  const TSlotState &main = slots_[0];
  const int profile = main.PendingChannel.PlgProfile;
  if (profile != 0 && frame::Options().General.ChanPlgProfile)
    Run(hooks_.ApplyPluginProfile, profile);
  if (!OnSameTransponder(main.PendingChannel, main.CurrentChannel))
    TuneMainTransponder();
}

void TTuningEngine::AddToHistory(TSlotState &slot) {
  const data::TChannelRec &left = slot.CurrentChannel;
  if (slot.CurrentHandle <= 0 || left.Freq == 0 || left.SID == 0)
    return;
  data::TSatRec sat{};
  const std::string satName =
      links_.Sats.SatGet(left.SatIndex, sat) ? data::SatName(sat) : data::kNoSat;
  const TClock::time_point now = links_.Clock();
  slot.History.Add(slot.CurrentHandle, HistoryText(now, left, satName), now);
}

void TTuningEngine::HandOverPids(int slot) {
  const TSlotState &state = slots_[slot];
  int flags = kPidFlagsBase;
  if (state.PreviousHandle != state.CurrentHandle)
    flags += kPidFlagChanged;
  frame::Log(fmt::format("Set PIDs for Channel[{}]", slot), frame::kLogInfo);
  const data::TChannelRec &ch = state.CurrentChannel;
  if (ch.AudPid == ch.Ac3Pid)
    flags += kPidFlagAc3;
  links_.Device.SetChannelPids(slot, ch.AudPid, ch.VidPid, ch.PcrPid, flags);
  frame::Log("");
}

void TTuningEngine::ApplySound(int slot) {
  TSlotState &state = slots_[slot];
  state.VolumeFactor = frame::Options().General.ChanVolAdjust ? state.CurrentChannel.VolAdj : 100;
  if (const auto sound = Ask(hooks_.SlotSound, std::optional<TSlotSound>{}, slot)) {
    SoundRecord record{};
    record.Flags = QEV_SOUND_VOLUME;
    record.Volume =
        static_cast<std::uint8_t>(SlotVolume(sound->Volume, state.VolumeFactor, sound->Muted));
    links_.Device.AudioControl(slot, true, record);
  }
  if (slot == 0)
    Run(hooks_.RefreshVolumeDisplay);
}

void TTuningEngine::ApplyPicture(int slot) {
  if (auto picture = Ask(hooks_.SlotPicture, std::optional<PictureRecord>{}, slot))
    links_.Device.PictureControl(slot, true, *picture);
}

void TTuningEngine::FinishMain() {
  const TSlotState &main = slots_[0];
  frame::Options().StartUp.LastChannel = main.CurrentHandle;
  // By the channel's own satellite: the loaded one may be another after a scan.
  links_.LastChannels.Set(main.CurrentChannel.SatIndex, main.CurrentHandle);
  const std::uint16_t ttxPid = main.CurrentChannel.TtxPid;
  if (ttxPid >= 1 && ttxPid < kNoTeletextPid) {
    links_.Device.SetTeletextPid(ttxPid);
    Run(hooks_.TtxRestart, ttxPid);
  } else {
    links_.Device.SetTeletextPid(kNoTeletextPid);
  }
}

bool TTuningEngine::CanSwitch(int slot, bool showMessages) const {
  if (!TAvSlots::Valid(slot))
    return false;
  const data::TChannelRec &pending = slots_[slot].PendingChannel;
  if (pending.ChildLock != 0 && Ask(hooks_.ChildLockActive, false))
    return false;
  if (!Ask(hooks_.RecordingActive, false))
    return true;
  if (Ask(hooks_.SlotRecorded, false, slot))
    return Refuse(kErrRecordingChannel, showMessages);
  if (OnSameTransponder(pending, slots_[0].CurrentChannel))
    return true;
  return Refuse(kErrRecordingTransponder, showMessages);
}

void TTuningEngine::TuneMainTransponder() {
  Run(hooks_.EpgStop);
  if (frame::Options().Session.ClearGuideOnTpChange)
    Run(hooks_.EpgClear);
  CloseOutputsOnOldTransponder();
  const data::TChannelRec &pending = slots_[0].PendingChannel;
  const bool satLoaded = links_.LoadedSat.Loaded();
  const bool otherSat = !satLoaded || pending.SatIndex != links_.LoadedSat.Index();
  const bool satChanged = links_.LoadedSat.TakeEdited() || otherSat;
  if (otherSat) {
    data::TSatRec sat{};
    links_.Sats.SatGet(pending.SatIndex, sat);
    links_.LoadedSat.Load(sat);
    // The first satellite of a run adds to the guide kept from the last one; only leaving a
    // satellite for another empties it.
    if (satLoaded)
      Run(hooks_.EpgClear);
  }
  const std::string polar = PolarText(pending);
  frame::Log(fmt::format("Tuning to {} {}", pending.Freq, polar), frame::kLogInfo);
  // The lock is not waited for: the tuner status shows it when it comes.
  links_.Tuner.TuneTransponder(pending.Freq, polar, pending.SRate, 0, satChanged);
  if (frame::Options().General.EpgBgParser)
    Run(hooks_.EpgStart);
  Notify(frame::kNotifySwitchProgress, kSwitchTuned, 0);
}

// Slots 1 to 3 show services of slot 0's transponder; once the tuner leaves it their pictures
// are gone, whichever outputs they use.
void TTuningEngine::CloseOutputsOnOldTransponder() {
  const TSlotState &main = slots_[0];
  if (!main.Playing())
    return;
  for (int slot = 1; slot < kAvSlotCount; ++slot) {
    const TSlotState &other = slots_[slot];
    if (other.Playing() && OnSameTransponder(other.CurrentChannel, main.CurrentChannel))
      Run(hooks_.CloseOutput, slot);
  }
}

void TTuningEngine::DvbEngine_ReleaseResources() {
  Run(hooks_.EpgStop);
  Run(hooks_.TtxStop);
  Run(hooks_.RecStopAll);
  for (int output = 0; output < kVideoOutputCount; ++output)
    Run(hooks_.CloseOutput, output);
  slots_[0].ClearCurrent();
  // The dish equipment may lose its settings while the device is given up (a suspend), so
  // the next tune sends them again.
  links_.LoadedSat.Clear();
}

void TTuningEngine::SelectSlotChannel(int slot, std::int32_t handle, std::intptr_t callerValue) {
  if (!TAvSlots::Valid(slot) || handle <= 0)
    return;
  const auto rec = links_.Lists.ChannelByHandle(handle);
  if (!rec)
    return;
  slots_[slot].SelectedChannel = *rec;
  slots_[slot].SelectedHandle = handle;
  Notify(frame::kNotifyChannelSelected, callerValue, slot);
}

bool TTuningEngine::StoreEditedChannel(std::int32_t handle, const data::TChannelRec &rec,
                                       std::intptr_t callerValue) {
  // Handle 0 is what an empty slot holds: it must not take the record.
  if (handle <= 0)
    return false;
  for (int slot = 0; slot < kAvSlotCount; ++slot) {
    TSlotState &state = slots_[slot];
    if (state.SelectedHandle == handle)
      state.SelectedChannel = rec;
    if (state.CurrentHandle == handle)
      state.CurrentChannel = rec;
  }
  Run(hooks_.StorePluginChannel, handle, rec);
  const auto stored = links_.Lists.ChannelByHandle(handle);
  if (!stored)
    return false;
  const std::int32_t written = links_.Lists.StoreChannel(handle, data::KeyOf(*stored), rec);
  if (written < 0)
    return false;
  Notify(frame::kNotifyChannelStored, written, callerValue);
  return true;
}

void TTuningEngine::ReswitchChannel(std::int32_t handle) {
  if (handle <= 0)
    return;
  for (int slot = 0; slot < kAvSlotCount; ++slot)
    if (slots_[slot].CurrentHandle == handle)
      SwitchChannel(slot, handle, true);
}

void TTuningEngine::RefreshPluginChannel(std::int32_t handle) {
  if (handle <= 0)
    return;
  for (int slot = 0; slot < kAvSlotCount; ++slot)
    if (slots_[slot].CurrentHandle == handle)
      Run(hooks_.NotifyPlugins, slot, true);
}

void TTuningEngine::SwapPip() {
  const std::int32_t main = slots_[0].CurrentHandle;
  SwitchChannel(0, slots_[1].CurrentHandle, true);
  SwitchChannel(1, main, true);
}

bool TTuningEngine::SwitchToSatellite(int satIndex) {
  const std::int32_t handle = links_.LastChannels.Get(satIndex);
  return handle >= 0 && SwitchChannel(0, handle, true);
}

void TTuningEngine::Notify(int index, std::intptr_t first, std::intptr_t second) {
  links_.Hub.Notify(index, first, second);
}

} // namespace qev::device
