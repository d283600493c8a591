#include "si/section_stream.h"

#include <algorithm>
#include <set>

namespace qev::si::testing {

namespace {

constexpr std::size_t kPayload = 184;

// The section bytes laid out as one stream, with the offsets where sections start.
struct Layout {
  Bytes bytes;
  std::vector<std::size_t> starts;
};

Layout Lay(const std::vector<Bytes> &sections, Packing packing) {
  Layout layout;
  for (const Bytes &section : sections) {
    layout.starts.push_back(layout.bytes.size());
    layout.bytes.insert(layout.bytes.end(), section.begin(), section.end());
    if (packing == Packing::OnePerPacket)
      layout.bytes.push_back(0xFF); // a place holder where Pack stuffs to the end of the payload
  }
  return layout;
}

} // namespace

PackedStream Pack(const std::vector<Bytes> &sections, Packing packing) {
  const Layout layout = Lay(sections, packing);
  const std::set<std::size_t> starts(layout.starts.begin(), layout.starts.end());
  std::set<std::size_t> stuffMarks;
  if (packing == Packing::OnePerPacket)
    for (std::size_t i = 0; i < sections.size(); ++i)
      stuffMarks.insert(layout.starts[i] + sections[i].size());
  const std::size_t n = layout.bytes.size();
  PackedStream out;
  std::vector<std::size_t> payloadOf(n);
  std::size_t p = 0;
  for (;;) {
    while (stuffMarks.count(p) != 0)
      ++p;
    if (p >= n)
      break;
    Bytes payload;
    const auto next = starts.lower_bound(p);
    const bool pointerForm = next != starts.end() && *next < p + kPayload - 1;
    if (pointerForm)
      payload.push_back(static_cast<std::uint8_t>(*next - p));
    while (payload.size() < kPayload && p < n) {
      // A section start that no pointer field announces waits for the next payload.
      if ((!pointerForm && starts.count(p) != 0) || stuffMarks.count(p) != 0)
        break;
      payloadOf[p] = out.payloads.size() / kPayload;
      payload.push_back(layout.bytes[p++]);
    }
    payload.resize(kPayload, 0xFF);
    out.payloads.insert(out.payloads.end(), payload.begin(), payload.end());
  }
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const std::size_t first = layout.starts[i];
    out.extent.emplace_back(payloadOf[first], payloadOf[first + sections[i].size() - 1]);
  }
  return out;
}

Bytes MakeSection(std::uint8_t tableId, std::size_t bodySize, std::mt19937 &random) {
  Bytes body(bodySize);
  for (auto &byte : body)
    byte = static_cast<std::uint8_t>(random());
  const tsgen::SectionId id{.tableId = tableId,
                            .extension = static_cast<std::uint16_t>(random()),
                            .version = static_cast<std::uint8_t>(random() % 32)};
  return tsgen::LongSection(id, body, true);
}

} // namespace qev::si::testing
