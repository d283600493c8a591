#include "si_tables.h"

#include <stdexcept>

#include "descriptors.h"

namespace qev::tsgen {
namespace {

std::vector<Bytes> BuildSdt(std::uint8_t tableId, std::uint16_t tsid, std::uint16_t onid,
                            const std::vector<Service> &services) {
  std::vector<Bytes> entries;
  for (const Service &service : services) {
    ByteWriter entry;
    entry.Put16(service.serviceId);
    entry.Put8(0xFC | (service.eitSchedule ? 2 : 0) | (service.eitPresentFollowing ? 1 : 0));
    const auto loop =
        entry.BeginLength(12, (service.runningStatus & 7) << 1 | (service.ca.empty() ? 0 : 1));
    descriptor::Service(entry, service);
    entry.EndLength(loop);
    entries.push_back(entry.Take());
  }
  std::vector<Bytes> bodies;
  for (const Bytes &group : GroupEntries(entries, kMaxPsiBody - 3)) {
    ByteWriter body;
    body.Put16(onid);
    body.Put8(0xFF);
    body.PutBytes(group);
    bodies.push_back(body.Take());
  }
  return NumberSections({.tableId = tableId, .extension = tsid}, bodies, true);
}

Bytes NitEntry(std::uint16_t tsid, std::uint16_t onid, const SatelliteDelivery &delivery,
               const std::vector<Service> &services) {
  ByteWriter entry;
  entry.Put16(tsid);
  entry.Put16(onid);
  const auto loop = entry.BeginLength(12, 0xF);
  descriptor::SatelliteDelivery(entry, delivery);
  descriptor::ServiceList(entry, services);
  entry.EndLength(loop);
  return entry.Take();
}

} // namespace

std::vector<Bytes> BuildSdtActual(const Transponder &tp) {
  return BuildSdt(0x42, tp.transportStreamId, tp.originalNetworkId, tp.services);
}

std::vector<Bytes> BuildSdtOther(const OtherTransport &other) {
  return BuildSdt(0x46, other.transportStreamId, other.originalNetworkId, other.services);
}

std::vector<Bytes> BuildNit(const Transponder &tp) {
  ByteWriter network;
  descriptor::NetworkName(network, tp.networkName, tp.networkCharset);
  std::vector<Bytes> entries{
      NitEntry(tp.transportStreamId, tp.originalNetworkId, tp.delivery, tp.services)};
  for (const OtherTransport &other : tp.others) {
    entries.push_back(
        NitEntry(other.transportStreamId, other.originalNetworkId, other.delivery, other.services));
  }
  std::vector<Bytes> bodies;
  // The network descriptors are repeated in every section so each one names the network.
  for (const Bytes &group : GroupEntries(entries, kMaxPsiBody - 4 - network.Size())) {
    ByteWriter body;
    body.Put16(0xF000 | network.Size());
    body.PutBytes(network.Data());
    body.Put16(0xF000 | group.size());
    body.PutBytes(group);
    bodies.push_back(body.Take());
  }
  return NumberSections({.tableId = 0x40, .extension = tp.networkId}, bodies, true);
}

Bytes BuildTdt(UtcSeconds now) {
  ByteWriter body;
  PutMjdTime(body, now);
  return ShortSection(0x70, body.Data(), false);
}

Bytes BuildTot(const Transponder &tp, UtcSeconds now, const LocalOffset &offset) {
  ByteWriter body;
  PutMjdTime(body, now);
  const auto loop = body.BeginLength(12, 0xF);
  descriptor::LocalTimeOffset(body, tp.timeCountry, offset.minutes, offset.nextChange,
                              offset.nextMinutes);
  body.EndLength(loop);
  return ShortSection(0x73, body.Data(), true);
}

Bytes BuildStuffing(std::size_t size) {
  if (size < 3) {
    throw std::invalid_argument("a stuffing table has at least its 3-byte header");
  }
  const Bytes body(size - 3, 0xFF);
  return ShortSection(0x72, body, false);
}

} // namespace qev::tsgen
