// Deliveries of any shape to a collector: only whole, CRC-proven sections of its table are
// kept, one per section number, handed out in order.

#include "si/fuzz/fuzz_chunks.h"
#include "si/section_collector.h"

namespace {

using namespace qev::si;

void RequireValid(std::span<const std::uint8_t> delivery) {
  const auto section = ValidSection(delivery);
  if (section.empty())
    return;
  fuzz::Require(section.data() == delivery.data() && section.size() <= delivery.size() &&
                    section.size() <= 4096 && Crc32Mpeg(section) == 0,
                "a valid section is a proven prefix of its delivery");
}

void RequireTable(std::vector<SectionCollector::Section> sections,
                  const SectionTableFilter &filter) {
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const auto &s = sections[i];
    fuzz::Require(ValidSection(s).size() == s.size(), "whole valid sections");
    fuzz::Require(s[0] == filter.tableId &&
                      ((s[3] << 8 | s[4]) & filter.extensionMask) == filter.extensionValue,
                  "sections of the filtered table");
    fuzz::Require(s[6] == i && s[7] == sections.back()[7], "section numbers 0..last in order");
  }
}

} // namespace

// The first chunk sets the filter (table_id, extension value, extension mask); every further
// chunk is one delivery.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const auto chunks = fuzz::Chunks({data, size});
  if (chunks.empty() || chunks[0].size() < 5)
    return 0;
  const auto &f = chunks[0];
  const SectionTableFilter filter{f[0], static_cast<std::uint16_t>(f[1] << 8 | f[2]),
                                  static_cast<std::uint16_t>(f[3] << 8 | f[4])};
  SectionCollector collector(filter);
  for (std::size_t i = 1; i < chunks.size(); ++i) {
    RequireValid(chunks[i]);
    collector.Accept(chunks[i]);
    if (collector.Complete())
      RequireTable(collector.TakeSections(), filter);
  }
  collector.TakeSections(); // an incomplete table is handed out too, with gaps
  return 0;
}
