#include "eit_payloads.h"

#include "eit_tables.h"
#include "flaws.h"
#include "section_packer.h"
#include "ts_packet.h"

#include <string>

namespace qev::guide::testing {

tsgen::Transponder EventTransponder(std::uint16_t tsid, std::int64_t start, int count) {
  tsgen::Transponder tp;
  tp.transportStreamId = tsid;
  tp.originalNetworkId = 1;
  tp.start = start;
  tsgen::Service service;
  service.serviceId = 0x21;
  service.pmtPid = 0x100;
  service.name = "One";
  for (int i = 0; i < count; ++i) {
    tsgen::Event event;
    event.eventId = static_cast<std::uint16_t>(i + 1);
    event.start = start + i * 1800;
    event.duration = 1800;
    event.name = "Event " + std::to_string(i + 1);
    event.shortText = "About event " + std::to_string(i + 1);
    service.events.push_back(event);
  }
  tp.services.push_back(service);
  return tp;
}

std::vector<tsgen::Bytes> EitSections(const tsgen::Transponder &tp, std::int64_t now) {
  const tsgen::EitBuilder builder(tp, false);
  std::vector<tsgen::Bytes> sections;
  for (const tsgen::Service &service : tp.services) {
    for (auto part : {builder.PresentFollowing(service, now), builder.Schedule(service, now)})
      sections.insert(sections.end(), part.begin(), part.end());
  }
  return sections;
}

tsgen::Bytes Payloads(const std::vector<tsgen::Bytes> &sections) {
  const tsgen::Flaws none;
  tsgen::SectionPacker packer(0x12, none);
  tsgen::Bytes payloads;
  for (const tsgen::TsPacket &packet : packer.Pack(sections))
    payloads.insert(payloads.end(), packet.bytes.begin() + 4, packet.bytes.end());
  return payloads;
}

} // namespace qev::guide::testing
