#include "video_slots.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>

namespace qev::sim {

namespace {

// What a module without video answers (the program's answers for entries left NULL).
constexpr std::uintptr_t kNoWindow = 0;
constexpr std::int32_t kNoVideoResult = 0;
constexpr std::int32_t kRefused = -2;

std::string NoSuchSlotText(std::int32_t slot) {
  return fmt::format("Dev_Sim has no video on AV slot {} (it offers slots 0 and 1)", slot);
}

// Copies at most maxLength - 1 bytes and the terminating zero, so a buffer of maxLength bytes
// always suffices.
void CopyText(const std::string &from, char *to, std::int32_t maxLength) {
  const std::size_t n = std::min(from.size(), static_cast<std::size_t>(maxLength) - 1);
  std::memcpy(to, from.data(), n);
  to[n] = '\0';
}

} // namespace

VideoSlots::VideoSlots(devkit::TStreamEngine &engine, CallJournal &journal)
    : engine_(engine), journal_(journal) {
  for (int i = 0; i < kSlots; ++i)
    slots_[static_cast<std::size_t>(i)].feed.slot = i;
}

VideoSlots::~VideoSlots() { CloseAll(); }

std::int32_t VideoSlots::SetHelpers(std::int32_t kind, const DsHelperTable *table) {
  const bool accepted = kind == 1 && table != nullptr && table->Version == QEV_DEVAPI_VERSION;
  if (accepted) {
    std::lock_guard lock(helpersMutex_);
    helpers_ = *table;
  }
  const std::int32_t result = accepted ? 0 : -1;
  journal_.Add(fmt::format("SetHelpers {} -> {}", kind, result));
  return result;
}

DsHelperTable VideoSlots::Helpers() const {
  std::lock_guard lock(helpersMutex_);
  return helpers_;
}

VideoSlots::Slot *VideoSlots::Find(std::int32_t slot) {
  return slot >= 0 && slot < kSlots ? &slots_[static_cast<std::size_t>(slot)] : nullptr;
}

void VideoSlots::Deliver(const std::uint8_t *data, std::int32_t length, void *context) {
  const Feed &feed = *static_cast<const Feed *>(context);
  feed.feedData(feed.slot, data, length);
}

// Under the slot's lock. After the engine's StopFilter returns no packet reaches the graph.
void VideoSlots::StopFeed(Slot &slot) {
  if (slot.filter > 0)
    engine_.StopFilter(slot.filter);
  slot.filter = 0;
}

// Under the slot's lock, with the slot's graph open.
void VideoSlots::StartFeed(Slot &slot, const DsHelperTable &helpers) {
  slot.feed.feedData = helpers.HlpFeedData;
  slot.filter = engine_.StartFilter(QEV_PID_ALL, &Deliver,
                                    static_cast<std::uint16_t>(QEV_DELIVER_AV_SLOT(slot.feed.slot)),
                                    nullptr, nullptr, QEV_FILTER_BULK, &slot.feed);
  if (slot.filter <= 0) {
    slot.filter = 0;
    slot.error = "Dev_Sim has no filter left to feed the video";
    return;
  }
  if (slot.havePids && helpers.HlpStartFeed != nullptr)
    helpers.HlpStartFeed(slot.feed.slot, slot.audio, slot.video, slot.pcr, slot.flags);
}

// Under the slot's lock: the feed first, so that nothing reaches a graph being closed.
void VideoSlots::Close(Slot &slot, const DsHelperTable &helpers) {
  StopFeed(slot);
  if (slot.open && helpers.HlpCloseGraph != nullptr)
    helpers.HlpCloseGraph(slot.feed.slot);
  slot.open = false;
}

std::uintptr_t VideoSlots::Start(std::int32_t slot, std::uintptr_t owner,
                                 std::uintptr_t messageWindow, std::int32_t a, std::int32_t b,
                                 std::int32_t c, std::int32_t d, std::uint32_t style,
                                 std::uint8_t pva) {
  const DsHelperTable helpers = Helpers();
  std::uintptr_t window = kNoWindow;
  if (Slot *s = Find(slot);
      s != nullptr && helpers.HlpOpenAvGraph != nullptr && helpers.HlpFeedData != nullptr) {
    std::lock_guard lock(s->mutex);
    StopFeed(*s); // a new graph replaces the old one: its feed starts afresh
    s->error.clear();
    window = helpers.HlpOpenAvGraph(slot, owner, messageWindow, a, b, c, d, style, pva);
    s->open = window != kNoWindow;
    if (s->open) {
      StartFeed(*s, helpers);
      if (s->filter == 0) { // a picture that would never move is no success
        Close(*s, helpers);
        window = kNoWindow;
      }
    }
  }
  journal_.Add(fmt::format("StartVideo {} {:#x} {:#x} {} {} {} {} {:#x} {} -> {:#x}", slot, owner,
                           messageWindow, a, b, c, d, style, pva, window));
  return window;
}

std::int32_t VideoSlots::Stop(std::int32_t slot) {
  const DsHelperTable helpers = Helpers();
  std::int32_t result = kRefused;
  if (Slot *s = Find(slot); s != nullptr && helpers.HlpCloseGraph != nullptr) {
    std::lock_guard lock(s->mutex);
    StopFeed(*s);
    result = helpers.HlpCloseGraph(slot);
    s->open = false;
  }
  journal_.Add(fmt::format("StopVideo {} -> {}", slot, result));
  return result;
}

void VideoSlots::SetPids(std::int32_t slot, std::uint16_t audio, std::uint16_t video,
                         std::uint16_t pcr, std::int32_t flags) {
  Slot *s = Find(slot);
  if (s == nullptr)
    return;
  const DsHelperTable helpers = Helpers();
  std::lock_guard lock(s->mutex);
  s->havePids = true;
  s->audio = audio, s->video = video, s->pcr = pcr, s->flags = flags;
  if (s->open && s->filter > 0 && helpers.HlpStartFeed != nullptr)
    helpers.HlpStartFeed(slot, audio, video, pcr, flags);
}

void VideoSlots::CloseAll() {
  const DsHelperTable helpers = Helpers();
  for (Slot &s : slots_) {
    std::lock_guard lock(s.mutex);
    Close(s, helpers);
    s.havePids = false; // a new session's programmes are told afresh
  }
}

std::uintptr_t VideoSlots::Move(std::int32_t slot, std::uintptr_t owner,
                                std::uintptr_t messageWindow, std::int32_t a, std::int32_t b,
                                std::int32_t c, std::int32_t d, std::uint32_t style) {
  const auto attach = Helpers().HlpAttachWindow;
  const std::uintptr_t window = Find(slot) != nullptr && attach != nullptr
                                    ? attach(slot, owner, messageWindow, a, b, c, d, style)
                                    : kNoWindow;
  journal_.Add(fmt::format("MoveVideo {} {:#x} {:#x} {} {} {} {} {:#x} -> {:#x}", slot, owner,
                           messageWindow, a, b, c, d, style, window));
  return window;
}

std::int32_t VideoSlots::SetRect(std::int32_t slot, std::int32_t left, std::int32_t top,
                                 std::int32_t width, std::int32_t height, std::int32_t reserved) {
  const auto setRect = Helpers().HlpSetWindowRect;
  const std::int32_t result = Find(slot) != nullptr && setRect != nullptr
                                  ? setRect(slot, left, top, width, height, reserved)
                                  : kNoVideoResult;
  journal_.Add(fmt::format("SetVideoRect {} {} {} {} {} {} -> {}", slot, left, top, width, height,
                           reserved, result));
  return result;
}

std::int32_t VideoSlots::SetOption(std::int32_t slot, std::int32_t option, std::int32_t value) {
  const auto setProperty = Helpers().HlpSetVideoProperty;
  const std::int32_t result =
      Find(slot) != nullptr && setProperty != nullptr ? setProperty(slot, option, value) : kRefused;
  journal_.Add(fmt::format("SetVideoOption {} {} {} -> {}", slot, option, value, result));
  return result;
}

std::int32_t VideoSlots::Sound(std::int32_t slot, std::int32_t write, SoundRecord *sound) {
  const auto helper = Helpers().HlpSound;
  const std::int32_t result = Find(slot) != nullptr && helper != nullptr && sound != nullptr
                                  ? helper(slot, write, sound)
                                  : kRefused;
  journal_.Add(fmt::format("AudioControl {} {} -> {}", slot, write, result));
  return result;
}

std::int32_t VideoSlots::Picture(std::int32_t slot, std::int32_t write, PictureRecord *picture) {
  const auto helper = Helpers().HlpPicture;
  const std::int32_t result = Find(slot) != nullptr && helper != nullptr && picture != nullptr
                                  ? helper(slot, write, picture)
                                  : kRefused;
  journal_.Add(fmt::format("PictureControl {} {} -> {}", slot, write, result));
  return result;
}

std::int32_t VideoSlots::ErrorText(std::int32_t slot, char *text, std::int32_t maxLength) {
  std::int32_t result = kRefused;
  if (text != nullptr && maxLength > 0) {
    result = 0;
    const auto helper = Helpers().HlpErrorText;
    Slot *s = Find(slot);
    std::string own = s == nullptr ? NoSuchSlotText(slot) : helper == nullptr ? kNoHelpersText : "";
    if (s != nullptr && own.empty()) {
      std::lock_guard lock(s->mutex);
      own = s->error;
    }
    if (own.empty())
      result = helper(slot, text, maxLength);
    else
      CopyText(own, text, maxLength);
  }
  journal_.Add(fmt::format("GetVideoError {} -> {}", slot, result));
  return result;
}

} // namespace qev::sim
