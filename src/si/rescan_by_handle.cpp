#include "si/rescan_by_handle.h"

#include "data/channel_lists.h"
#include "device/tuning_engine.h"
#include "frame/message_boxes.h"
#include "si/scan_texts.h"

namespace qev::si {
namespace {

// What the engine's listeners hear as the part of the record that was stored: all of it.
constexpr std::intptr_t kStoredWhole = 0xFFFF;

} // namespace

std::optional<TActiveTransponder> ActiveTransponderOf(const device::TTuningEngine &engine) {
  const device::TSlotState &slot = engine.Slot(0);
  if (!slot.Playing())
    return std::nullopt;
  const data::TChannelRec &rec = slot.CurrentChannel;
  return TActiveTransponder{rec.SatIndex, rec.Freq, rec.Polar};
}

bool RescanByHandle(const TRescanLinks &links, const data::TChannelLists &lists,
                    device::TTuningEngine &engine, std::int32_t handle) {
  std::optional<data::TChannelRec> rec = lists.ChannelByHandle(handle);
  if (!rec || !RescanChannel(links, *rec, false) || !frame::Confirm(kRescanSaveQuestion))
    return false;
  if (engine.StoreEditedChannel(handle, *rec, kStoredWhole))
    return true;
  frame::ShowError(kRescanStoreFailed + data::ChName(*rec));
  return false;
}

} // namespace qev::si
