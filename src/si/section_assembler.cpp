#include "si/section_assembler.h"

#include "si/crc32_mpeg.h"

#include <algorithm>
#include <cstring>

namespace qev::si {

namespace {

// Long header (8 bytes) and CRC_32: the smallest section whose CRC can prove it.
constexpr std::size_t kMinSectionSize = 12;
// Compaction moves the unconsumed tail only once the consumed part outweighs it, so each byte is
// moved a bounded number of times.
constexpr std::size_t kCompactThreshold = 64 * 1024;

} // namespace

void TPk184ToSection::AsmSetTableIds(std::span<const std::uint8_t> ids) {
  wanted_.fill(false);
  for (std::uint8_t id : ids.first(std::min(ids.size(), kMaxTableIds)))
    wanted_[id] = true;
}

void TPk184ToSection::AsmAppend(std::span<const std::uint8_t> data) {
  Compact();
  buffer_.insert(buffer_.end(), data.begin(), data.end());
}

void TPk184ToSection::AsmReset() {
  std::vector<std::uint8_t>().swap(buffer_);
  readPos_ = 0;
  expected_ = kNone;
  sectionSize_ = 0;
}

void TPk184ToSection::Compact() {
  const std::size_t drop = readPos_ - readPos_ % kPayloadSize;
  if (drop < kCompactThreshold || drop < buffer_.size() - drop)
    return;
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
  readPos_ -= drop;
  if (expected_ != kNone)
    expected_ = expected_ >= drop ? expected_ - drop : kNone;
}

bool TPk184ToSection::AsmNextSection() {
  const std::uint8_t *data = buffer_.data();
  for (std::size_t i = readPos_; i < buffer_.size(); ++i) {
    if (!wanted_[data[i]])
      continue;
    switch (TryAt(i)) {
    case Outcome::Delivered:
      readPos_ = i + span_;
      expected_ = readPos_;
      return true;
    case Outcome::NeedMore:
      readPos_ = i;
      return false;
    case Outcome::Failed:
      if (i == expected_ || PointerAimsAt(i))
        ++rejected_;
      if (i == expected_)
        expected_ = kNone;
      break;
    }
  }
  readPos_ = buffer_.size();
  return false;
}

bool TPk184ToSection::PointerAimsAt(std::size_t start) const {
  const std::size_t offset = start % kPayloadSize;
  return offset > 0 && buffer_[start - offset] == offset - 1;
}

// The payload start in which the section ends when its header is read straight through: a
// pointer byte there lies inside the section's tail. kNone when it ends in its first payload.
std::size_t TPk184ToSection::EndPointer(std::size_t start) const {
  if (start + 2 >= buffer_.size())
    return kNone;
  const std::size_t end = start + SizeAt(start + 1, start + 2);
  const std::size_t boundary = end - end % kPayloadSize;
  return boundary > start + 2 ? boundary : kNone;
}

std::size_t TPk184ToSection::SizeAt(std::size_t high, std::size_t low) const {
  return ((buffer_[high] & 0x0F) << 8 | buffer_[low]) + 3;
}

// The layouts a section at `start` can have: straight through, with a pointer byte in the payload
// where it ends, or (header split over two payloads) with a pointer byte inside the header. The
// likeliest goes first: a pointer byte that counts exactly the section's tail.
TPk184ToSection::Outcome TPk184ToSection::TryAt(std::size_t start) {
  std::array<std::size_t, 3> layouts{kNone, kNone, kNone};
  std::size_t count = 1;
  const std::size_t endPointer = EndPointer(start);
  if (endPointer != kNone) {
    layouts[count++] = endPointer;
    const std::size_t tail = start + SizeAt(start + 1, start + 2) - endPointer;
    if (endPointer < buffer_.size() && buffer_[endPointer] == tail)
      std::swap(layouts[0], layouts[1]);
  }
  const std::size_t nextPayload = start - start % kPayloadSize + kPayloadSize;
  if (nextPayload <= start + 2)
    layouts[count++] = nextPayload;
  bool needMore = false;
  for (std::size_t i = 0; i < count; ++i) {
    const Outcome outcome = TryLayout(start, layouts[i]);
    if (outcome == Outcome::Delivered)
      return outcome;
    needMore = needMore || outcome == Outcome::NeedMore;
  }
  return needMore ? Outcome::NeedMore : Outcome::Failed;
}

TPk184ToSection::Outcome TPk184ToSection::TryLayout(std::size_t start, std::size_t pointer) {
  const auto index = [&](std::size_t k) {
    const std::size_t at = start + k;
    return pointer != kNone && at >= pointer ? at + 1 : at;
  };
  const std::size_t length = buffer_.size();
  if (index(2) >= length)
    return Outcome::NeedMore;
  const std::uint8_t flags = buffer_[index(1)];
  const std::size_t size = SizeAt(index(1), index(2));
  if ((flags & 0x80) == 0 || size < kMinSectionSize || size > kMaxSectionSize)
    return Outcome::Failed;
  const std::size_t last = index(size - 1);
  if (pointer != kNone && (last <= pointer || last >= pointer + kPayloadSize))
    return Outcome::Failed;
  if (last >= length)
    return Outcome::NeedMore;
  const std::uint8_t *data = buffer_.data();
  if (pointer == kNone) {
    std::memcpy(section_.data(), data + start, size);
  } else {
    const std::size_t head = pointer - start;
    std::memcpy(section_.data(), data + start, head);
    std::memcpy(section_.data() + head, data + pointer + 1, size - head);
  }
  if (Crc32Mpeg({section_.data(), size}) != 0)
    return Outcome::Failed;
  sectionSize_ = size;
  span_ = last + 1 - start;
  return Outcome::Delivered;
}

} // namespace qev::si
