#include "video/helper_table.h"

#include "video/graph_errors.h"
#include "video/graph_slots.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>

namespace qev::video {

namespace {

// The slots outlive the device module: they are set before it is loaded and cleared after it
// was closed, so a helper never runs while the slots go away.
std::atomic<TGraphSlots *> gSlots{nullptr};

TGraphSlots *Slots() noexcept { return gSlots.load(std::memory_order_acquire); }

// The helpers are called by a device module through C; nothing may escape them.
template <typename Result, typename Call> Result Guarded(Result failed, Call call) noexcept {
  try {
    if (TGraphSlots *slots = Slots())
      return call(*slots);
  } catch (...) {
  }
  return failed;
}

std::uintptr_t HlpOpenAvGraph(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow,
                              std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint32_t,
                              std::uint8_t pva) noexcept {
  return Guarded<std::uintptr_t>(0, [&](TGraphSlots &slots) {
    return slots.OpenAvGraph(slot, owner, messageWindow, pva != 0);
  });
}

std::uintptr_t HlpAttachWindow(std::int32_t slot, std::uintptr_t owner,
                               std::uintptr_t messageWindow, std::int32_t, std::int32_t,
                               std::int32_t, std::int32_t, std::uint32_t) noexcept {
  return Guarded<std::uintptr_t>(
      0, [&](TGraphSlots &slots) { return slots.AttachWindow(slot, owner, messageWindow); });
}

std::int32_t HlpSetWindowRect(std::int32_t slot, std::int32_t left, std::int32_t top,
                              std::int32_t width, std::int32_t height, std::int32_t) noexcept {
  return Guarded<std::int32_t>(kNoGraph, [&](TGraphSlots &slots) {
    return slots.SetWindowRect(slot, left, top, width, height);
  });
}

std::int32_t HlpSetVideoProperty(std::int32_t slot, std::int32_t property,
                                 std::int32_t value) noexcept {
  return Guarded<std::int32_t>(
      kNoGraph, [&](TGraphSlots &slots) { return slots.SetVideoProperty(slot, property, value); });
}

std::int32_t HlpCloseGraph(std::int32_t slot) noexcept {
  return Guarded<std::int32_t>(0, [&](TGraphSlots &slots) {
    slots.CloseGraph(slot);
    return 0;
  });
}

std::int32_t HlpStartFeed(std::int32_t slot, std::uint16_t audioPid, std::uint16_t videoPid,
                          std::uint16_t pcrPid, std::int32_t flags) noexcept {
  return Guarded<std::int32_t>(kNoGraph, [&](TGraphSlots &slots) {
    return slots.StartFeed(slot, audioPid, videoPid, pcrPid, flags);
  });
}

// A picture or sound call the graph cannot take: an operation other than get (0) and set (1),
// or no record. An empty slot answers as such first.
std::optional<std::int32_t> RefusedRecordCall(TGraphSlots &slots, std::int32_t slot,
                                              std::int32_t operation, const void *record) {
  if ((operation == 0 || operation == 1) && record != nullptr)
    return std::nullopt;
  if (!slots.HasGraph(slot))
    return kNoGraph;
  return operation != 0 && operation != 1 ? kErrBadOperation : kErrNoRecord;
}

std::int32_t HlpPicture(std::int32_t slot, std::int32_t set, PictureRecord *picture) noexcept {
  return Guarded<std::int32_t>(kNoGraph, [&](TGraphSlots &slots) -> std::int32_t {
    if (const auto refused = RefusedRecordCall(slots, slot, set, picture))
      return *refused;
    return slots.Picture(slot, set != 0, *picture);
  });
}

std::int32_t HlpSound(std::int32_t slot, std::int32_t set, SoundRecord *sound) noexcept {
  return Guarded<std::int32_t>(kNoGraph, [&](TGraphSlots &slots) -> std::int32_t {
    if (const auto refused = RefusedRecordCall(slots, slot, set, sound))
      return *refused;
    return slots.Sound(slot, set != 0, *sound);
  });
}

std::int32_t HlpErrorText(std::int32_t slot, char *text, std::int32_t maxLength) noexcept {
  if (text == nullptr || maxLength <= 0)
    return 0;
  text[0] = '\0';
  Guarded<int>(0, [&](TGraphSlots &slots) {
    const std::string error = slots.LastError(slot);
    std::size_t length = std::min(error.size(), static_cast<std::size_t>(maxLength) - 1);
    // A cut text still ends on a whole character.
    while (length > 0 && length < error.size() && (error[length] & 0xC0) == 0x80)
      --length;
    std::memcpy(text, error.data(), length);
    text[length] = '\0';
    return 0;
  });
  return 0;
}

void HlpFeedData(std::int32_t slot, const std::uint8_t *data, std::int32_t length) noexcept {
  if (TGraphSlots *slots = Slots())
    slots->FeedData(slot, data, length);
}

const DsHelperTable kTable{
    QEV_DEVAPI_VERSION, HlpOpenAvGraph, HlpAttachWindow, HlpSetWindowRect, HlpSetVideoProperty,
    HlpCloseGraph,      HlpStartFeed,   HlpPicture,      HlpSound,         HlpErrorText,
    HlpFeedData,
};

} // namespace

const DsHelperTable &HelperTable() { return kTable; }

void SetHelperSlots(TGraphSlots *slots) { gSlots.store(slots, std::memory_order_release); }

} // namespace qev::video
