#include "teletext/ttx_pes_walker.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace qev::teletext {

namespace {

constexpr std::size_t kPacketSize = 188;
constexpr std::uint8_t kSyncByte = 0x47;
constexpr std::uint8_t kPrivateStream1 = 0xBD;
constexpr std::size_t kPesFixedHeader = 9; // start code, stream id, length, flags, header length
constexpr std::uint8_t kFirstEbuDataId = 0x10;
constexpr std::uint8_t kLastEbuDataId = 0x1F;
constexpr std::uint8_t kTeletextUnit = 0x02;
constexpr std::uint8_t kSubtitleUnit = 0x03;
constexpr std::uint8_t kTeletextUnitLength = 0x2C;
constexpr std::size_t kUnitHead = 4; // id, length, field/line, framing code

} // namespace

void TTtxPesWalker::Reset() {
  state_ = TState::WaitStart;
  lastCounter_ = -1;
}

void TTtxPesWalker::Feed(std::span<const std::uint8_t> packets) {
  for (std::size_t at = 0; at + kPacketSize <= packets.size(); at += kPacketSize)
    Packet(packets.data() + at);
}

bool TTtxPesWalker::ContinuityHolds(std::uint8_t counter, bool &duplicate) {
  const int last = std::exchange(lastCounter_, counter);
  duplicate = counter == last;
  return last < 0 || duplicate || counter == ((last + 1) & 0x0F);
}

void TTtxPesWalker::Packet(const std::uint8_t *p) {
  const bool damaged = p[0] != kSyncByte || (p[1] & 0x80) != 0;
  const bool scrambled = (p[3] & 0xC0) != 0;
  if (damaged || scrambled) {
    Reset();
    return;
  }
  const bool unitStart = (p[1] & 0x40) != 0;
  const bool adaptation = (p[3] & 0x20) != 0;
  if ((p[3] & 0x10) == 0)
    return; // no payload, and the counter stays
  bool duplicate = false;
  if (!ContinuityHolds(p[3] & 0x0F, duplicate))
    state_ = TState::WaitStart;
  if (duplicate)
    return;
  std::size_t start = 4;
  if (adaptation)
    start += 1 + std::size_t{p[4]};
  if (start >= kPacketSize)
    return;
  if (unitStart) {
    state_ = TState::PesHeader;
    headerGot_ = 0;
  }
  if (state_ != TState::WaitStart)
    Consume(p + start, kPacketSize - start);
}

void TTtxPesWalker::Consume(const std::uint8_t *data, std::size_t size) {
  while (size > 0 && state_ != TState::WaitStart) {
    // The fixed header comes before the bytes that the PES length bounds.
    const bool bounded = pesLeft_ >= 0 && state_ != TState::PesHeader;
    const std::size_t room = bounded ? std::min(size, static_cast<std::size_t>(pesLeft_)) : size;
    const std::size_t used = Step(data, room);
    if (bounded) {
      pesLeft_ -= static_cast<long>(used);
      if (pesLeft_ == 0)
        state_ = TState::WaitStart; // a unit cut short by the PES end is dropped
    }
    data += used;
    size -= used;
  }
}

std::size_t TTtxPesWalker::Step(const std::uint8_t *data, std::size_t size) {
  switch (state_) {
  case TState::PesHeader:
    return TakeHeader(data, size);
  case TState::HeaderData: {
    const std::size_t used = std::min(skip_, size);
    skip_ -= used;
    if (skip_ == 0)
      state_ = TState::DataIdentifier;
    return used;
  }
  case TState::DataIdentifier:
    state_ =
        data[0] >= kFirstEbuDataId && data[0] <= kLastEbuDataId ? TState::Units : TState::WaitStart;
    unitGot_ = 0;
    return 1;
  case TState::Units:
    return TakeUnit(data, size);
  case TState::WaitStart:
    break;
  }
  return size;
}

std::size_t TTtxPesWalker::TakeHeader(const std::uint8_t *data, std::size_t size) {
  const std::size_t used = std::min(kPesFixedHeader - headerGot_, size);
  std::memcpy(header_.data() + headerGot_, data, used);
  headerGot_ += used;
  if (headerGot_ < kPesFixedHeader)
    return used;
  const auto &h = header_;
  if (h[0] != 0 || h[1] != 0 || h[2] != 1 || h[3] != kPrivateStream1) {
    state_ = TState::WaitStart;
    return used;
  }
  const long length = h[4] << 8 | h[5];
  // The length counts from after its own field: the flags and header length bytes come first.
  pesLeft_ = length == 0 ? -1 : std::max(0L, length - 3);
  skip_ = h[8];
  state_ = skip_ > 0 ? TState::HeaderData : TState::DataIdentifier;
  if (pesLeft_ == 0)
    state_ = TState::WaitStart;
  return used;
}

std::size_t TTtxPesWalker::TakeUnit(const std::uint8_t *data, std::size_t size) {
  if (unitGot_ < 2) {
    const std::size_t used = std::min(2 - unitGot_, size);
    std::memcpy(unit_.data() + unitGot_, data, used);
    unitGot_ += used;
    if (unitGot_ == 2 && unit_[1] == 0)
      UnitDone();
    return used;
  }
  const std::size_t need = std::size_t{unit_[1]} + 2;
  const std::size_t used = std::min(need - unitGot_, size);
  if (unitGot_ < unit_.size())
    std::memcpy(unit_.data() + unitGot_, data, std::min(used, unit_.size() - unitGot_));
  unitGot_ += used;
  if (unitGot_ == need)
    UnitDone();
  return used;
}

void TTtxPesWalker::UnitDone() {
  const bool teletext = unit_[0] == kTeletextUnit || unit_[0] == kSubtitleUnit;
  if (teletext && unit_[1] == kTeletextUnitLength)
    decoder_.Decode(
        std::span<const std::uint8_t, kTtxPacketBytes>(unit_.data() + kUnitHead, kTtxPacketBytes));
  unitGot_ = 0;
}

} // namespace qev::teletext
