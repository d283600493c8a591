#include "pid_plan.h"
#include "ts_packet.h"

#include <fmt/format.h>

#include <map>
#include <stdexcept>
#include <string>

namespace qev::tsgen {
namespace {

constexpr std::uint16_t kLastReservedPid = 0x001F;

enum class Use { Pmt, Stream, Pcr, Ecm, Emm };

struct Owner {
  Use use;
  std::string what;
};

const char *KindName(StreamKind kind) {
  switch (kind) {
  case StreamKind::Mpeg2Video:
  case StreamKind::H264Video:
  case StreamKind::HevcVideo:
    return "video";
  case StreamKind::MpegAudio:
  case StreamKind::Ac3Audio:
  case StreamKind::Eac3Audio:
  case StreamKind::AacAudio:
    return "audio";
  case StreamKind::Teletext:
    return "teletext";
  case StreamKind::DataSections:
    return "data";
  }
  return "data";
}

const char *ReservedName(std::uint16_t pid) {
  switch (pid) {
  case 0x00:
    return "the PAT";
  case 0x01:
    return "the CAT";
  case 0x10:
    return "the NIT";
  case 0x11:
    return "the SDT";
  case 0x12:
    return "the EIT";
  case 0x14:
    return "the TDT and TOT";
  default:
    return "PSI/SI tables";
  }
}

bool CarriesPcr(Use use) { return use == Use::Pcr || use == Use::Stream; }

bool MayShare(Use a, Use b) {
  return (a == Use::Ecm && b == Use::Ecm) ||
         ((a == Use::Pcr || b == Use::Pcr) && CarriesPcr(a) && CarriesPcr(b));
}

class Plan {
public:
  void Take(std::uint16_t pid, Use use, const std::string &what) {
    if (pid <= kLastReservedPid || pid == kNullPid) {
      throw std::invalid_argument(fmt::format(
          "PID 0x{:04X} of {} is reserved for {} (0x0000-0x001F and 0x1FFF are not free); "
          "give it a PID from 0x0020 to 0x1FFE",
          pid, what, pid == kNullPid ? "null packets" : ReservedName(pid)));
    }
    const auto [it, fresh] = owners_.try_emplace(pid, Owner{use, what});
    if (fresh || MayShare(it->second.use, use)) {
      if (use != Use::Pcr) {
        it->second = {use, what};
      }
      return;
    }
    throw std::invalid_argument(
        fmt::format("PID 0x{:04X} is used twice: by {} and by {}", pid, it->second.what, what));
  }

private:
  std::map<std::uint16_t, Owner> owners_;
};

} // namespace

void CheckPids(const Transponder &tp) {
  Plan plan;
  for (const EmmEntry &emm : tp.emms) {
    plan.Take(emm.emmPid, Use::Emm, fmt::format("the EMMs of CA system 0x{:04X}", emm.caId));
  }
  for (const Service &service : tp.services) {
    const std::string of = fmt::format("service 0x{:04X}", service.serviceId);
    plan.Take(service.pmtPid, Use::Pmt, "the PMT of " + of);
    for (const Stream &stream : service.streams) {
      plan.Take(stream.pid, Use::Stream,
                fmt::format("the {} stream of {}", KindName(stream.kind), of));
    }
    for (const CaSystem &ca : service.ca) {
      plan.Take(ca.ecmPid, Use::Ecm, fmt::format("the ECMs of CA system 0x{:04X}", ca.caId));
    }
    if (service.pcrPid != kNullPid) {
      plan.Take(service.pcrPid, Use::Pcr, "the PCR of " + of);
    }
  }
}

} // namespace qev::tsgen
