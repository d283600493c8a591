#include "ui/channel_info_editor.h"

#include "data/code_tables.h"
#include "frame/log.h"

#include <algorithm>

namespace qev::ui {
namespace {

inline constexpr const char *kErrStoreFailed = "Channel could not be stored: ";

bool IsVideoType(std::uint8_t type) { return type == 1 || type == 2; }
bool IsAudioType(std::uint8_t type) { return type == 3 || type == 4; }

} // namespace

TStreamChoice ApplyStreamChoice(data::TChannelRec &rec, const data::TEsItem &item) {
  TStreamChoice choice;
  if (IsVideoType(item.StreamType)) {
    rec.VidPid = item.Pid;
    choice.Changed = true;
  } else if (IsAudioType(item.StreamType)) {
    rec.AudPid = item.Pid;
    choice = {true, true};
  }
  if (item.Kind == data::kKindAc3) {
    rec.AudPid = rec.Ac3Pid = item.Pid;
    choice = {true, true};
  } else if (item.Kind == data::kKindTeletext) {
    rec.TtxPid = item.Pid;
    choice = {true, true};
  }
  return choice;
}

void TChannelInfoEditor::Refresh() {
  const device::TSlotState &slot = context_.Engine.Slot(0);
  handle_ = slot.SelectedHandle;
  rec_ = slot.SelectedChannel;
}

int TChannelInfoEditor::StreamCount() const {
  return std::clamp<int>(rec_.EsCount, 0, data::kMaxEsItems);
}

int TChannelInfoEditor::CaCount() const {
  return std::clamp<int>(rec_.CaCount, 0, data::kMaxCaItems);
}

bool TChannelInfoEditor::IsPlaying() const {
  return handle_ > 0 && handle_ == context_.Engine.Slot(0).CurrentHandle;
}

bool TChannelInfoEditor::VolumeVisible() const {
  return context_.Options.General.ChanVolAdjust && IsPlaying();
}

bool TChannelInfoEditor::CaFilterOpen(int i) const {
  const auto &filterOpen = context_.Subsystems.PluginFilterOpen;
  return i >= 0 && i < CaCount() && filterOpen && IsPlaying() && filterOpen(rec_.CaList[i].EcmPid);
}

bool TChannelInfoEditor::CaCanEnable(int i) const {
  return i >= 0 && i < CaCount() && data::CaIsDisabled(rec_, i);
}

bool TChannelInfoEditor::CaCanDisable(int i) const {
  return i >= 0 && i < CaCount() && !data::CaIsDisabled(rec_, i);
}

bool TChannelInfoEditor::ChooseStream(int i) {
  if (i < 0 || i >= StreamCount())
    return false;
  data::TChannelRec rec = rec_;
  const TStreamChoice choice = ApplyStreamChoice(rec, rec_.EsList[i]);
  const std::int32_t handle = handle_;
  if (!choice.Changed || !Store(rec, kStoreStreamChoice))
    return false;
  if (choice.Reswitch)
    context_.Engine.ReswitchChannel(handle);
  return true;
}

bool TChannelInfoEditor::ChooseEcm(int i) {
  if (i < 0 || i >= CaCount())
    return false;
  data::TChannelRec rec = rec_;
  const std::int32_t handle = handle_;
  if (!data::SelectEcm(rec, rec.CaList[i].EcmPid) || !Store(rec, kStoreEcmChoice))
    return false;
  context_.Engine.RefreshPluginChannel(handle);
  return true;
}

bool TChannelInfoEditor::SetCaEnabled(int i, bool enabled) {
  if (!(enabled ? CaCanEnable(i) : CaCanDisable(i)))
    return false;
  data::TChannelRec rec = rec_;
  const std::int32_t handle = handle_;
  data::CaSetState(rec, i, enabled ? 1 : 0);
  data::UpdateEcmPid(rec);
  if (!Store(rec, kStoreCaState))
    return false;
  context_.Engine.RefreshPluginChannel(handle);
  return true;
}

void TChannelInfoEditor::MoveVolume(int percent) {
  rec_.VolAdj = static_cast<std::uint8_t>(std::clamp(percent, 0, kVolAdjMax));
}

bool TChannelInfoEditor::StoreVolume() {
  const data::TChannelRec rec = rec_;
  return Store(rec, kStoreVolume);
}

bool TChannelInfoEditor::ResetVolume() {
  MoveVolume(kVolAdjNeutral);
  return StoreVolume();
}

bool TChannelInfoEditor::Edit() {
  if (!CanEdit() || handle_ <= 0)
    return false;
  data::TChannelRec rec = rec_;
  return context_.Subsystems.EditChannel(rec) && Store(rec, kStoreWholeRecord);
}

void TChannelInfoEditor::Rescan() {
  if (CanRescan() && handle_ > 0)
    context_.Subsystems.RescanByHandle(handle_);
}

void TChannelInfoEditor::RecordStream(int i) {
  if (i >= 0 && i < StreamCount())
    RecordPid(rec_.EsList[i].Pid, data::EsKindText(rec_.EsList[i].Kind, ""));
}

void TChannelInfoEditor::RecordEcm(int i) {
  if (i >= 0 && i < CaCount())
    RecordPid(rec_.CaList[i].EcmPid, "ECM");
}

void TChannelInfoEditor::RecordEmm(int i) {
  if (i >= 0 && i < CaCount())
    RecordPid(rec_.CaList[i].EmmPid, "EMM");
}

void TChannelInfoEditor::RecordPid(std::uint16_t pid, const std::string &name) {
  if (CanRecordPid())
    context_.Subsystems.RecStartPid(pid, std::string(), name);
}

// The record is passed as a copy of its own: storing notifies the panel, which takes the
// slot's record into rec_ while the engine still reads the stored one.
bool TChannelInfoEditor::Store(const data::TChannelRec &rec, std::intptr_t callerValue) {
  if (handle_ <= 0)
    return false;
  if (context_.Engine.StoreEditedChannel(handle_, rec, callerValue))
    return true;
  frame::Log(kErrStoreFailed + data::ChName(rec), frame::kLogError);
  Refresh();
  return false;
}

} // namespace qev::ui
