#pragma once

#include "data/channel_rec.h"
#include "device/channel_history.h"

#include <array>
#include <cstdint>

namespace qev::device {

inline constexpr int kAvSlotCount = 4;
// Outputs 0..3 show the AV slots, 4 and 5 play media files.
inline constexpr int kVideoOutputCount = 6;

// What one AV slot has picked, is switching to and plays. Handles start at 0 (no channel);
// the record copies are whole 442-byte values.
struct TSlotState {
  std::int32_t SelectedHandle = 0;
  data::TChannelRec SelectedChannel{};
  std::int32_t RequestedHandle = 0;
  data::TChannelRec PendingChannel{};
  std::int32_t CurrentHandle = 0;
  data::TChannelRec CurrentChannel{};
  std::int32_t PreviousHandle = 0;
  // The channel's volume adjustment in percent, applied on top of the output's own volume.
  int VolumeFactor = 100;
  TChannelHistory History;

  bool Playing() const { return CurrentHandle > 0; }
  // Back to empty, as after a release of the engine.
  void ClearCurrent();
};

// The four slots. Only slot 0 decides the tuned transponder.
class TAvSlots {
public:
  static bool Valid(int slot) { return slot >= 0 && slot < kAvSlotCount; }
  TSlotState &operator[](int slot) { return slots_[static_cast<std::size_t>(slot)]; }
  const TSlotState &operator[](int slot) const { return slots_[static_cast<std::size_t>(slot)]; }

private:
  std::array<TSlotState, kAvSlotCount> slots_{};
};

// The transponder test of the switch: same satellite, frequency and polarisation; the symbol
// rate is not compared.
bool OnSameTransponder(const data::TChannelRec &a, const data::TChannelRec &b);

// The output's volume with the channel's factor: base x factor / 100 within 0..100, 0 muted.
int SlotVolume(int baseVolume, int factor, bool muted);

} // namespace qev::device
