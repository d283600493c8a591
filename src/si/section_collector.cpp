#include "si/section_collector.h"

#include "si/crc32_mpeg.h"

namespace qev::si {
namespace {

// table_id, section_syntax_indicator/length, table_id_extension, version, section_number,
// last_section_number, then at least the CRC.
constexpr std::size_t kLongHeaderSize = 8;
constexpr std::size_t kCrcSize = 4;
constexpr std::size_t kMaxSectionSize = 4096;

std::uint16_t TableIdExtension(std::span<const std::uint8_t> section) {
  return static_cast<std::uint16_t>(section[3] << 8 | section[4]);
}
int Version(std::span<const std::uint8_t> section) { return (section[5] >> 1) & 0x1F; }
bool CurrentNext(std::span<const std::uint8_t> section) { return (section[5] & 0x01) != 0; }

} // namespace

std::span<const std::uint8_t> ValidSection(std::span<const std::uint8_t> data) {
  if (data.size() < 3 || (data[1] & 0x80) == 0)
    return {};
  const std::size_t total = 3 + (static_cast<std::size_t>(data[1] & 0x0F) << 8 | data[2]);
  if (total < kLongHeaderSize + kCrcSize || total > kMaxSectionSize || total > data.size())
    return {};
  const auto section = data.first(total);
  if (Crc32Mpeg(section) != 0 || !CurrentNext(section) || section[6] > section[7])
    return {};
  return section;
}

SectionCollector::SectionCollector(const SectionTableFilter &filter)
    : filter_(filter), slots_(256) {}

bool SectionCollector::Matches(std::span<const std::uint8_t> section) const {
  return section[0] == filter_.tableId &&
         (TableIdExtension(section) & filter_.extensionMask) == filter_.extensionValue;
}

void SectionCollector::Accept(std::span<const std::uint8_t> data) {
  const auto section = ValidSection(data);
  if (section.empty() || !Matches(section))
    return;
  std::lock_guard lock(mutex_);
  if (CompleteLocked())
    return;
  const std::uint8_t number = section[6];
  const std::uint8_t last = section[7];
  // A new version, or a changed section count within one, makes what was held stale.
  if (version_ != Version(section) || (present_.any() && lastSection_ != last)) {
    ClearLocked();
    version_ = Version(section);
  }
  if (present_.test(number))
    return;
  lastSection_ = last;
  slots_[number].assign(section.begin(), section.end());
  present_.set(number);
  if (CompleteLocked())
    completed_.notify_all();
}

bool SectionCollector::CompleteLocked() const {
  if (!present_.any())
    return false;
  for (unsigned n = 0; n <= lastSection_; ++n)
    if (!present_.test(n))
      return false;
  return true;
}

bool SectionCollector::Complete() const {
  std::lock_guard lock(mutex_);
  return CompleteLocked();
}

bool SectionCollector::Empty() const {
  std::lock_guard lock(mutex_);
  return present_.none();
}

SectionCollector::Counts SectionCollector::Progress() const {
  std::lock_guard lock(mutex_);
  return {static_cast<int>(present_.count()), present_.any() ? lastSection_ : 0};
}

std::vector<SectionCollector::Section> SectionCollector::TakeSections() {
  std::lock_guard lock(mutex_);
  std::vector<Section> sections;
  for (unsigned n = 0; n < slots_.size(); ++n)
    if (present_.test(n))
      sections.push_back(std::move(slots_[n]));
  ClearLocked();
  return sections;
}

void SectionCollector::Clear() {
  std::lock_guard lock(mutex_);
  ClearLocked();
}

void SectionCollector::ClearLocked() {
  for (auto &slot : slots_)
    slot.clear();
  present_.reset();
  version_ = -1;
  lastSection_ = 0;
}

} // namespace qev::si
