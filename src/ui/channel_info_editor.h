#pragma once

#include "data/channel_rec.h"
#include "device/tuning_engine.h"
#include "frame/options.h"
#include "ui/ui_context.h"

#include <cstdint>

namespace qev::ui {

// Caller's values of StoreEditedChannel for the edits of the information panel.
enum ChannelInfoStore : std::intptr_t {
  kStoreCaState = 4,
  kStoreStreamChoice = 8,
  kStoreVolume = 16,
  kStoreEcmChoice = 32,
  kStoreWholeRecord = 0xFFFF,
};

inline constexpr int kVolAdjMax = 200;
inline constexpr int kVolAdjNeutral = 100;

// What choosing a stream did to the record.
struct TStreamChoice {
  bool Changed = false;  // store the record
  bool Reswitch = false; // the playing slots must take the new audio or teletext PID
};

// Video stream types pick the video PID and audio types the audio PID; an AC-3 stream is the
// audio and the AC-3 PID whatever its type, a teletext stream the teletext PID. Anything else
// (subtitles, data) is left alone.
TStreamChoice ApplyStreamChoice(data::TChannelRec &rec, const data::TEsItem &item);

// AV slot 0's selected channel as the information panel shows and edits it. Works on a copy
// of the slot's record; every change is stored through the engine, whose notification 7 makes
// the panel refresh.
class TChannelInfoEditor {
public:
  explicit TChannelInfoEditor(TUiContext &context) : context_(context) {}

  // Takes the slot's selected channel again.
  void Refresh();

  const data::TChannelRec &Rec() const { return rec_; }
  std::int32_t Handle() const { return handle_; }
  int StreamCount() const;
  int CaCount() const;
  bool PidsInHex() const { return context_.Options.General.PidEditsInHex; }
  void SetPidsInHex(bool hex) { context_.Options.General.PidEditsInHex = hex; }

  // The selected channel is the one slot 0 plays.
  bool IsPlaying() const;
  bool VolumeVisible() const;
  bool CaFilterOpen(int i) const;
  bool CaCanEnable(int i) const;
  bool CaCanDisable(int i) const;

  bool ChooseStream(int i);
  bool ChooseEcm(int i);
  bool SetCaEnabled(int i, bool enabled);

  // Moving the slider changes only the copy; releasing it stores.
  void MoveVolume(int percent);
  bool StoreVolume();
  bool ResetVolume();

  bool CanEdit() const { return static_cast<bool>(context_.Subsystems.EditChannel); }
  bool Edit();
  bool CanRescan() const { return static_cast<bool>(context_.Subsystems.RescanByHandle); }
  void Rescan();
  bool CanRecordPid() const { return static_cast<bool>(context_.Subsystems.RecStartPid); }
  void RecordStream(int i);
  void RecordEcm(int i);
  void RecordEmm(int i);

private:
  bool Store(const data::TChannelRec &rec, std::intptr_t callerValue);
  void RecordPid(std::uint16_t pid, const std::string &name);

  TUiContext &context_;
  std::int32_t handle_ = 0;
  data::TChannelRec rec_{};
};

} // namespace qev::ui
