#include "multiplexer.h"

#include <fstream>
#include <set>
#include <stdexcept>

#include "ca_tables.h"
#include "psi_tables.h"
#include "si_tables.h"

namespace qev::tsgen {
namespace {

constexpr std::uint64_t kTicksPerSecond = 27'000'000;
constexpr std::uint64_t kTicksPerMs = kTicksPerSecond / 1000;
constexpr std::uint64_t kPtsLead90 = 90000 / 5; // presentation 200 ms after arrival
constexpr std::uint16_t kPatPid = 0x0000, kCatPid = 0x0001, kNitPid = 0x0010;
constexpr std::uint16_t kSdtPid = 0x0011, kEitPid = 0x0012, kTimePid = 0x0014;
constexpr std::size_t kPlaceholderPayload = 64;

std::uint8_t PesStreamId(StreamKind kind) {
  switch (kind) {
  case StreamKind::Mpeg2Video:
  case StreamKind::H264Video:
  case StreamKind::HevcVideo:
    return 0xE0;
  case StreamKind::MpegAudio:
  case StreamKind::AacAudio:
    return 0xC0;
  case StreamKind::Ac3Audio:
  case StreamKind::Eac3Audio:
  case StreamKind::Teletext:
  case StreamKind::DataSections:
    return 0xBD;
  }
  return 0xBD;
}

// What a stream without a source carries: nothing a decoder would show, but well-formed enough
// that probing tools accept it. H.264 gets an access unit delimiter and filler data, since
// its parsers reject bytes without a start code.
Bytes PlaceholderPayload(StreamKind kind) {
  if (kind != StreamKind::H264Video) {
    return Bytes(kPlaceholderPayload, 0);
  }
  Bytes payload{0x00, 0x00, 0x00, 0x01, 0x09, 0xF0, 0x00, 0x00, 0x01, 0x0C};
  payload.resize(kPlaceholderPayload - 1, 0xFF);
  payload.push_back(0x80);
  return payload;
}

std::map<std::uint16_t, std::uint16_t> SourceMap(const Transponder &tp) {
  std::map<std::uint16_t, std::uint16_t> remap;
  for (const Service &service : tp.services) {
    for (const Stream &stream : service.streams) {
      if (stream.sourcePid) {
        remap[*stream.sourcePid] = stream.pid;
      }
    }
  }
  return remap;
}

} // namespace

Multiplexer::Multiplexer(const Transponder &tp, std::optional<InputStream> input)
    : tp_(tp), input_(std::move(input)), eit_(tp), scrambler_(tp), output_(tp.flaws) {
  if (tp.bitrate < 100'000) {
    throw std::invalid_argument("the bitrate must be at least 100000 bit/s");
  }
  pcrBase27_ = input_ ? input_->FirstPcr27() : 0;
  AddPsiJobs();
  AddSiJobs();
  AddEitJobs();
  AddPcrJobs();
  AddStreamJobs();
}

void Multiplexer::AddJob(int periodMs, bool urgent, Make make) {
  const std::uint64_t period = static_cast<std::uint64_t>(std::max(periodMs, 1)) * kTicksPerMs;
  jobs_.push_back({period, 0, urgent, std::move(make)});
}

SectionPacker &Multiplexer::Packer(std::uint16_t pid) {
  return packers_.try_emplace(pid, pid, tp_.flaws).first->second;
}

void Multiplexer::AddSections(std::uint16_t pid, int periodMs,
                              std::function<std::vector<Bytes>(UtcSeconds)> build) {
  AddJob(periodMs, false, [this, pid, build = std::move(build)](std::uint64_t t27) {
    return Packer(pid).Pack(build(Utc(t27)));
  });
}

void Multiplexer::AddPsiJobs() {
  const auto pat = BuildPat(tp_);
  AddSections(kPatPid, tp_.repetition.pat, [pat](UtcSeconds) { return pat; });
  if (!tp_.emms.empty()) {
    const std::vector<Bytes> cat{BuildCat(tp_.emms)};
    AddSections(kCatPid, tp_.repetition.cat, [cat](UtcSeconds) { return cat; });
  }
  for (const Service &service : tp_.services) {
    const std::vector<Bytes> pmt{BuildPmt(service)};
    AddSections(service.pmtPid, tp_.repetition.pmt, [pmt](UtcSeconds) { return pmt; });
    for (const CaSystem &ca : service.ca) {
      AddSections(ca.ecmPid, tp_.repetition.ecm, [&service, &ca](UtcSeconds now) {
        return std::vector<Bytes>{BuildEcm(service, ca, now)};
      });
    }
  }
  for (const EmmEntry &emm : tp_.emms) {
    AddSections(emm.emmPid, tp_.repetition.emm,
                [this, &emm](UtcSeconds now) { return BuildEmms(tp_, emm, now); });
  }
}

void Multiplexer::AddSiJobs() {
  const auto nit = BuildNit(tp_);
  AddSections(kNitPid, tp_.repetition.nit, [nit](UtcSeconds) { return nit; });
  const auto sdt = BuildSdtActual(tp_);
  AddSections(kSdtPid, tp_.repetition.sdt, [sdt](UtcSeconds) { return sdt; });
  for (const OtherTransport &other : tp_.others) {
    if (!other.services.empty()) {
      const auto sdtOther = BuildSdtOther(other);
      AddSections(kSdtPid, tp_.repetition.sdtOther, [sdtOther](UtcSeconds) { return sdtOther; });
    }
  }
  AddSections(kTimePid, tp_.repetition.time, [this](UtcSeconds now) {
    return std::vector<Bytes>{BuildTdt(now), BuildTot(tp_, now)};
  });
}

void Multiplexer::AddEitJobs() {
  for (const Service &service : tp_.services) {
    if (service.eitPresentFollowing) {
      AddSections(kEitPid, tp_.repetition.eitPresentFollowing,
                  [this, &service](UtcSeconds now) { return eit_.PresentFollowing(service, now); });
    }
    if (service.eitSchedule && !service.events.empty()) {
      AddSections(kEitPid, tp_.repetition.eitSchedule,
                  [this, &service](UtcSeconds now) { return eit_.Schedule(service, now); });
    }
  }
  for (const OtherTransport &other : tp_.others) {
    for (const Service &service : other.services) {
      if (service.eitPresentFollowing && !service.events.empty()) {
        AddSections(kEitPid, tp_.repetition.eitPresentFollowingOther,
                    [this, &other, &service](UtcSeconds now) {
                      return eit_.PresentFollowingOther(other, service, now);
                    });
      }
    }
  }
}

void Multiplexer::AddPcrJobs() {
  std::set<std::uint16_t> pcrPids;
  for (const Service &service : tp_.services) {
    if (service.pcrPid != kNullPid) {
      pcrPids.insert(service.pcrPid);
    }
  }
  for (const std::uint16_t pid : pcrPids) {
    AddJob(tp_.repetition.pcr, true, [pid](std::uint64_t) {
      return std::vector<TsPacket>{MakePacket({.pid = pid, .pcr = true}, {})};
    });
  }
}

void Multiplexer::AddStreamJobs() {
  for (const Service &service : tp_.services) {
    for (const Stream &stream : service.streams) {
      if (stream.kind == StreamKind::Teletext && !stream.pages.empty()) {
        carousels_.push_back(std::make_unique<TeletextCarousel>(stream, tp_.start));
        TeletextCarousel &carousel = *carousels_.back();
        AddJob(tp_.repetition.media, false, [this, &carousel, pid = stream.pid](std::uint64_t t27) {
          const double elapsed = static_cast<double>(t27) / kTicksPerSecond;
          return Packetize(pid,
                           TeletextPes(carousel.Next(elapsed, kUnitsPerTeletextPes), Pts(t27)));
        });
      } else if (stream.kind == StreamKind::DataSections) {
        const auto sections = BuildDataSections(stream);
        AddSections(stream.pid, tp_.repetition.data, [sections](UtcSeconds) { return sections; });
      } else if (stream.kind != StreamKind::Teletext && !stream.sourcePid) {
        AddJob(tp_.repetition.media, false, [this, &stream](std::uint64_t t27) {
          return Packetize(stream.pid, PlaceholderPes(PesStreamId(stream.kind), Pts(t27),
                                                      PlaceholderPayload(stream.kind)));
        });
      }
    }
  }
}

UtcSeconds Multiplexer::Utc(std::uint64_t t27) const {
  return tp_.start + static_cast<UtcSeconds>(t27 / kTicksPerSecond);
}

std::uint64_t Multiplexer::Pts(std::uint64_t t27) const {
  return ((pcrBase27_ + t27) / 300 + kPtsLead90) & 0x1FFFFFFFFull;
}

void Multiplexer::QueueDue(std::uint64_t t27) {
  for (Job &job : jobs_) {
    if (job.next27 > t27) {
      continue;
    }
    auto &target = job.urgent ? urgent_ : queue_;
    for (TsPacket &packet : job.make(t27)) {
      target.push_back(packet);
    }
    job.next27 = std::max(job.next27 + job.period27, t27 + 1);
  }
  if (!input_) {
    return;
  }
  const auto &packets = input_->Packets();
  while (inputCursor_ < packets.size() && packets[inputCursor_].due27 <= t27) {
    queue_.push_back(packets[inputCursor_++].packet);
  }
}

void Multiplexer::Run(const Sink &sink) {
  const double bits = static_cast<double>(kPacketSize * 8);
  const auto slots =
      static_cast<std::uint64_t>(tp_.durationSeconds * static_cast<double>(tp_.bitrate) / bits);
  const TsPacket null = MakePacket({.pid = kNullPid}, Bytes(kPayloadSize, 0xFF));
  for (std::uint64_t slot = 0; slot < slots; ++slot) {
    const std::uint64_t t27 = slot * kPacketSize * 8 * kTicksPerSecond / tp_.bitrate;
    QueueDue(t27);
    auto &from = urgent_.empty() ? queue_ : urgent_;
    TsPacket packet = from.empty() ? null : from.front();
    if (!from.empty()) {
      from.pop_front();
    }
    scrambler_.Apply(packet, Utc(t27));
    if (output_.Finish(packet, pcrBase27_ + t27)) {
      sink(packet.bytes);
    }
  }
}

namespace {

std::optional<InputStream> LoadInput(const Transponder &tp) {
  if (tp.inputFile.empty()) {
    return std::nullopt;
  }
  return InputStream::Load(tp.inputFile, SourceMap(tp), tp.bitrate);
}

} // namespace

std::vector<std::uint8_t> GenerateStream(const Transponder &tp) {
  std::vector<std::uint8_t> out;
  Multiplexer mux(tp, LoadInput(tp));
  mux.Run([&out](std::span<const std::uint8_t> p) { out.insert(out.end(), p.begin(), p.end()); });
  return out;
}

void GenerateFile(const Transponder &tp, const std::string &path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    throw std::runtime_error("cannot write " + path);
  }
  Multiplexer mux(tp, LoadInput(tp));
  mux.Run([&file](std::span<const std::uint8_t> p) {
    file.write(reinterpret_cast<const char *>(p.data()), static_cast<std::streamsize>(p.size()));
  });
  if (!file.flush()) {
    throw std::runtime_error("cannot write " + path);
  }
}

} // namespace qev::tsgen
