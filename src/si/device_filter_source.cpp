#include "si/device_filter_source.h"

#include "devapi/qev_devapi.h"

#include <array>

namespace qev::si {
namespace {

using FilterBytes = std::array<std::uint8_t, QEV_SECTION_FILTER_BYTES>;

// Match and mask bytes compared with the first bytes of a section: the table id, and the
// table_id_extension (bytes 3..4) when the filter looks at it, so that the module drops
// foreign tables before they cost a delivery.
struct SectionMatch {
  FilterBytes match{};
  FilterBytes mask{};

  explicit SectionMatch(const SectionTableFilter &filter) {
    match[0] = filter.tableId;
    mask[0] = 0xFF;
    const std::uint16_t value = filter.extensionValue & filter.extensionMask;
    match[3] = static_cast<std::uint8_t>(value >> 8);
    match[4] = static_cast<std::uint8_t>(value);
    mask[3] = static_cast<std::uint8_t>(filter.extensionMask >> 8);
    mask[4] = static_cast<std::uint8_t>(filter.extensionMask);
  }
};

} // namespace

std::int32_t TDeviceFilterSource::OpenFilter(std::uint16_t pid, const SectionTableFilter &filter,
                                             DataCallback callback) {
  const SectionMatch bytes(filter);
  return consumers_.Start(pid, QEV_DELIVER_SECTIONS, bytes.match.data(), bytes.mask.data(),
                          std::move(callback));
}

} // namespace qev::si
