#include "multiplexer.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <unistd.h>

#include "ca_tables.h"
#include "pid_plan.h"
#include "psi_tables.h"
#include "si_tables.h"

namespace qev::tsgen {
namespace {

constexpr std::uint64_t kTicksPerSecond = 27'000'000;
constexpr std::uint64_t kTicksPerMs = kTicksPerSecond / 1000;
constexpr std::uint64_t kTimestampMask = 0x1FFFFFFFFull;
constexpr std::uint64_t kMinBitrate = 100'000;
constexpr double kHeadroom = 1.05;
// Media packets sent in a row at most while tables wait.
constexpr int kMediaRun = 8;
constexpr double kPacketBits = kPacketSize * 8;
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

// Packets a batch of sections fills, stuffing of the last one included.
double PacketsOf(const std::vector<Bytes> &sections) {
  std::size_t bytes = 1;
  for (const Bytes &s : sections) {
    bytes += s.size() + 1;
  }
  return std::ceil(static_cast<double>(bytes) / kPayloadSize);
}

double PerSecond(double packets, std::uint64_t period27) {
  return packets * kPacketBits * kTicksPerSecond / static_cast<double>(period27);
}

std::uint64_t Period27(int periodMs) {
  return static_cast<std::uint64_t>(std::max(periodMs, 1)) * kTicksPerMs;
}

UtcClock DescriptionClock(const Transponder &tp) {
  return [start = tp.start](std::uint64_t t27) {
    return start * 1000 + static_cast<std::int64_t>(t27 / kTicksPerMs);
  };
}

} // namespace

Multiplexer::Multiplexer(const Transponder &tp, std::optional<InputStream> input,
                         MuxOptions options)
    : tp_(tp), input_(std::move(input)),
      clock_(options.clock ? std::move(options.clock) : DescriptionClock(tp)),
      localOffset_(options.live ? ZoneOffset() : FixedOffset(tp.localOffsetMinutes)),
      eit_(tp, options.live), scrambler_(tp), output_(tp.flaws) {
  if (tp.bitrate < kMinBitrate) {
    throw std::invalid_argument(
        fmt::format("the bitrate must be at least {} bit/s, not {}", kMinBitrate, tp.bitrate));
  }
  MakeVariants();
  AddPsiJobs();
  AddSiJobs();
  AddEitJobs();
  AddPcrJobs();
  AddStreamJobs();
  AddInputLoops();
  CheckBitrate();
}

std::uint64_t Multiplexer::SlotTime(std::uint64_t slot) const {
  return slot * kPacketSize * 8 * kTicksPerSecond / tp_.bitrate;
}

std::uint64_t At27(double seconds) {
  return static_cast<std::uint64_t>(std::max(seconds, 0.0) * kTicksPerSecond);
}

Transponder Changed(const Transponder &tp, double at) {
  Transponder variant = tp;
  const Flaws &flaws = tp.flaws;
  std::erase_if(variant.services, [&](const Service &service) {
    return std::any_of(flaws.serviceChanges.begin(), flaws.serviceChanges.end(),
                       [&](const ServiceChange &c) {
                         return c.serviceId == service.serviceId && (c.at <= at) != c.added;
                       });
  });
  for (const PidChange &change : flaws.pidChanges) {
    for (Service &service : variant.services) {
      for (Stream &stream : service.streams) {
        stream.pid = change.at <= at && stream.pid == change.from ? change.to : stream.pid;
      }
      service.pcrPid =
          change.at <= at && service.pcrPid == change.from ? change.to : service.pcrPid;
    }
  }
  return variant;
}

void Multiplexer::MakeVariants() {
  std::set<double> times{0.0};
  for (const PidChange &change : tp_.flaws.pidChanges) {
    times.insert(change.at);
  }
  for (const ServiceChange &change : tp_.flaws.serviceChanges) {
    times.insert(change.at);
  }
  for (const double at : times) {
    variants_.emplace_back(At27(at), Changed(tp_, at));
    CheckPids(variants_.back().second);
  }
}

const Transponder &Multiplexer::VariantAt(std::uint64_t t27) const {
  const auto later = std::upper_bound(variants_.begin(), variants_.end(), t27,
                                      [](std::uint64_t t, const auto &v) { return t < v.first; });
  return later == variants_.begin() ? tp_ : std::prev(later)->second;
}

void Multiplexer::BumpVersions(std::uint16_t pid, TableVersions &versions,
                               std::size_t &seen) const {
  std::size_t reached = 0;
  for (const VersionChange &change : tp_.flaws.versionChanges) {
    reached += At27(change.at) <= building27_ && (!change.pid || *change.pid == pid) ? 1 : 0;
  }
  if (reached > seen) {
    versions.BumpAll();
    seen = reached;
  }
}

void Multiplexer::AddJob(std::uint64_t period27, Lane lane, Make make) {
  jobs_.push_back({std::max<std::uint64_t>(period27, 1), 0, lane, std::move(make)});
  nextDue27_ = 0;
}

SectionPacker &Multiplexer::Packer(std::uint16_t pid) {
  return packers_.try_emplace(pid, pid, tp_.flaws).first->second;
}

void Multiplexer::AddSections(std::uint16_t pid, int periodMs, Build build) {
  const std::uint64_t period27 = Period27(periodMs);
  neededBits_ += PerSecond(PacketsOf(build(Utc(0))), period27);
  TableVersions &versions = versions_.emplace_back();
  AddJob(period27, Lane::Tables,
         [this, pid, &versions, seen = std::size_t{0},
          build = std::move(build)](std::uint64_t t27) mutable {
           BumpVersions(pid, versions, seen);
           return Packer(pid).Pack(versions.Apply(build(Utc(t27))));
         });
}

void Multiplexer::AddPsiJobs() {
  AddSections(kPatPid, tp_.repetition.pat,
              [this](UtcSeconds) { return BuildPat(VariantAt(building27_)); });
  if (!tp_.emms.empty()) {
    const std::vector<Bytes> cat{BuildCat(tp_.emms)};
    AddSections(kCatPid, tp_.repetition.cat, [cat](UtcSeconds) { return cat; });
  }
  for (const Service &service : tp_.services) {
    AddSections(service.pmtPid, tp_.repetition.pmt, [this, id = service.serviceId](UtcSeconds) {
      std::vector<Bytes> pmt;
      for (const Service &now : VariantAt(building27_).services) {
        if (now.serviceId == id) {
          pmt.push_back(BuildPmt(now));
        }
      }
      return pmt;
    });
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
  AddSections(kNitPid, tp_.repetition.nit,
              [this](UtcSeconds) { return BuildNit(VariantAt(building27_)); });
  AddSections(kSdtPid, tp_.repetition.sdt,
              [this](UtcSeconds) { return BuildSdtActual(VariantAt(building27_)); });
  for (const OtherTransport &other : tp_.others) {
    if (!other.services.empty()) {
      const auto sdtOther = BuildSdtOther(other);
      AddSections(kSdtPid, tp_.repetition.sdtOther, [sdtOther](UtcSeconds) { return sdtOther; });
    }
  }
  AddSections(kTimePid, tp_.repetition.time, [this](UtcSeconds now) {
    return std::vector<Bytes>{BuildTdt(now), BuildTot(tp_, now, localOffset_(now))};
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

// Each PCR leaves at most a few slots after it is due: the period keeps room for that below
// the limit.
void Multiplexer::AddPcrJobs() {
  std::set<std::uint16_t> pcrPids;
  for (const Service &service : tp_.services) {
    if (service.pcrPid != kNullPid) {
      pcrPids.insert(service.pcrPid);
    }
  }
  const std::uint64_t slack = SlotTime(pcrPids.size() + 2);
  const std::uint64_t limit = kPcrLimitMs * kTicksPerMs;
  const std::uint64_t period27 =
      std::min(Period27(tp_.repetition.pcr), limit > 2 * slack ? limit - slack : limit / 2);
  for (const std::uint16_t pid : pcrPids) {
    neededBits_ += PerSecond(1, period27);
    AddJob(period27, Lane::Pcr, [pid](std::uint64_t) {
      return std::vector<TsPacket>{MakePacket({.pid = pid, .pcr = true}, {})};
    });
  }
}

void Multiplexer::AddStreamJobs() {
  const std::uint64_t period27 = Period27(tp_.repetition.media);
  for (const Service &service : tp_.services) {
    for (const Stream &stream : service.streams) {
      if (stream.kind == StreamKind::Teletext && !stream.pages.empty()) {
        carousels_.push_back(std::make_unique<TeletextCarousel>(stream));
        TeletextCarousel &carousel = *carousels_.back();
        const double lead = static_cast<double>(kLead90) / 90000;
        neededBits_ +=
            PerSecond(std::ceil((kUnitsPerTeletextPes + 1) * 46.0 / kPayloadSize), period27);
        // Captions follow the picture, which is shown the lead after it is sent.
        AddJob(period27, Lane::Media, [this, &carousel, lead, pid = stream.pid](std::uint64_t t27) {
          const double elapsed = static_cast<double>(t27) / kTicksPerSecond + lead;
          const auto units = carousel.Next(elapsed, Utc(t27), kUnitsPerTeletextPes);
          return Packetize(pid, TeletextPes(units, Pts(t27)));
        });
      } else if (stream.kind == StreamKind::DataSections) {
        const auto sections = BuildDataSections(stream);
        AddSections(stream.pid, tp_.repetition.data, [sections](UtcSeconds) { return sections; });
      } else if (stream.kind != StreamKind::Teletext && !stream.sourcePid) {
        neededBits_ += PerSecond(1, period27);
        AddJob(period27, Lane::Media, [this, &stream](std::uint64_t t27) {
          return Packetize(stream.pid, PlaceholderPes(PesStreamId(stream.kind), Pts(t27),
                                                      PlaceholderPayload(stream.kind)));
        });
      }
    }
  }
}

void Multiplexer::AddInputLoops() {
  if (!input_) {
    return;
  }
  for (const InputStream::Elementary &es : input_->Streams()) {
    loops_.push_back({&es});
    neededBits_ += static_cast<double>(es.bytes) * 8 * 90000 / static_cast<double>(es.period90);
  }
}

std::uint64_t Multiplexer::RequiredBitrate() const {
  return static_cast<std::uint64_t>(std::ceil(neededBits_ * kHeadroom));
}

void Multiplexer::CheckBitrate() const {
  if (RequiredBitrate() > tp_.bitrate) {
    throw std::invalid_argument(
        fmt::format("the bitrate of {} bit/s is too low: the streams and tables of this "
                    "transponder need at least {} bit/s",
                    tp_.bitrate, RequiredBitrate()));
  }
}

UtcSeconds Multiplexer::Utc(std::uint64_t t27) const {
  const std::int64_t ms = clock_(t27);
  return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}

std::uint64_t Multiplexer::Pts(std::uint64_t t27) const {
  return (t27 / 300 + kLead90) & kTimestampMask;
}

void Multiplexer::Enqueue(Lane lane, std::vector<TsPacket> packets) {
  if (lane == Lane::Tables) {
    for (const TsPacket &packet : packets) {
      tables_.Push(packet);
    }
    return;
  }
  auto &target = lane == Lane::Pcr ? pcr_ : media_;
  target.insert(target.end(), packets.begin(), packets.end());
}

TsPacket Multiplexer::Next() {
  static const TsPacket null = MakePacket({.pid = kNullPid}, Bytes(kPayloadSize, 0xFF));
  if (!pcr_.empty()) {
    TsPacket packet = pcr_.front();
    pcr_.pop_front();
    return packet;
  }
  // Media bursts that fill the transponder (every service's key frame at once) would starve
  // the tables for a quarter second; they yield one slot in kMediaRun to a waiting table, which
  // the media's lead absorbs.
  if (!media_.empty() && (tables_.Empty() || ++mediaRun_ < kMediaRun)) {
    TsPacket packet = media_.front();
    media_.pop_front();
    return packet;
  }
  mediaRun_ = 0;
  return tables_.Empty() ? null : tables_.Pop();
}

// Access units are due at their decoding time in the loop; their time stamps move on by the
// loop's period each round, plus the lead.
void Multiplexer::QueueInput(std::uint64_t t27) {
  for (Loop &loop : loops_) {
    const InputStream::Elementary &es = *loop.es;
    for (;;) {
      const InputStream::Unit &unit = es.units[loop.unit];
      const std::uint64_t offset90 = loop.round * es.period90;
      if ((unit.dts90 + offset90) * 300 > t27) {
        nextDue27_ = std::min(nextDue27_, (unit.dts90 + offset90) * 300);
        break;
      }
      const std::uint64_t shift =
          (offset90 + kLead90 + (kTimestampMask + 1 - es.firstDts90)) & kTimestampMask;
      for (std::size_t i = unit.first; i < unit.end; ++i) {
        media_.push_back(es.packets[i]);
        InputStream::ShiftTimestamps(media_.back(), shift);
      }
      if (++loop.unit == es.units.size()) {
        loop.unit = 0;
        ++loop.round;
      }
    }
  }
}

void Multiplexer::QueueDue(std::uint64_t t27) {
  if (t27 < nextDue27_) {
    return;
  }
  nextDue27_ = UINT64_MAX;
  for (Job &job : jobs_) {
    if (job.next27 <= t27) {
      // Made for the time it was due, so that periodic streams keep exact time stamps.
      building27_ = job.next27;
      Enqueue(job.lane, job.make(job.next27));
      job.next27 = std::max(job.next27 + job.period27, t27 + 1);
    }
    nextDue27_ = std::min(nextDue27_, job.next27);
  }
  QueueInput(t27);
}

void Multiplexer::Produce(std::uint64_t packets, const Sink &sink) {
  for (const std::uint64_t end = slot_ + packets; slot_ < end; ++slot_) {
    const std::uint64_t t27 = SlotTime(slot_);
    QueueDue(t27);
    TsPacket packet = Next();
    scrambler_.Apply(packet, Utc(t27));
    output_.Send(packet, t27, sink);
  }
}

void Multiplexer::Run(const Sink &sink) {
  Produce(static_cast<std::uint64_t>(tp_.durationSeconds * static_cast<double>(tp_.bitrate) /
                                     kPacketBits),
          sink);
}

std::optional<InputStream> LoadInput(const Transponder &tp) {
  if (tp.inputFile.empty()) {
    return std::nullopt;
  }
  return InputStream::Load(tp.inputFile, SourceMap(tp));
}

std::vector<std::uint8_t> GenerateStream(const Transponder &tp) {
  std::vector<std::uint8_t> out;
  Multiplexer mux(tp, LoadInput(tp));
  mux.Run([&out](std::span<const std::uint8_t> p) { out.insert(out.end(), p.begin(), p.end()); });
  return out;
}

namespace {

// A file beside the target that is renamed over it once complete, and removed otherwise.
class TemporaryFile {
public:
  explicit TemporaryFile(const std::string &target)
      : target_(target), path_(fmt::format("{}.part-{}", target, ::getpid())) {}
  ~TemporaryFile() {
    if (!committed_) {
      std::remove(path_.c_str());
    }
  }
  TemporaryFile(const TemporaryFile &) = delete;
  TemporaryFile &operator=(const TemporaryFile &) = delete;

  const std::string &Path() const { return path_; }
  void Commit() {
    std::error_code ec;
    std::filesystem::rename(path_, target_, ec);
    if (ec) {
      throw std::runtime_error("cannot write " + target_ + ": " + ec.message());
    }
    committed_ = true;
  }

private:
  std::string target_, path_;
  bool committed_ = false;
};

} // namespace

void GenerateFile(const Transponder &tp, const std::string &path) {
  Multiplexer mux(tp, LoadInput(tp));
  TemporaryFile temporary(path);
  std::ofstream file(temporary.Path(), std::ios::binary | std::ios::trunc);
  if (!file) {
    throw std::runtime_error("cannot write " + path);
  }
  mux.Run([&file](std::span<const std::uint8_t> p) {
    file.write(reinterpret_cast<const char *>(p.data()), static_cast<std::streamsize>(p.size()));
  });
  file.close();
  if (!file) {
    throw std::runtime_error("cannot write " + path);
  }
  temporary.Commit();
}

} // namespace qev::tsgen
