#include "tool/ts_services.h"

#include "data/code_tables.h"
#include "data/si_text.h"
#include "devkit/section_assembler.h"
#include "tool/ts_sky.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <span>

namespace qev::tool {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kReadLimit = 64u << 20; // the tables repeat far more often than this
constexpr std::uint16_t kPatPid = 0x0000;
constexpr std::uint16_t kSdtPid = 0x0011;
constexpr std::uint8_t kPatTable = 0x00, kPmtTable = 0x02, kSdtActualTable = 0x42;
constexpr std::size_t kCrcSize = 4;
constexpr std::size_t kMaxSiText = 255;

enum Descriptor : std::uint8_t {
  kCaDescriptor = 0x09,
  kLanguageDescriptor = 0x0A,
  kServiceDescriptor = 0x48,
  kTeletextDescriptor = 0x56,
  kSubtitlingDescriptor = 0x59,
  kAc3Descriptor = 0x6A,
  kEac3Descriptor = 0x7A,
};

std::uint16_t Word(Bytes b, std::size_t at) {
  return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}
std::uint16_t Pid(Bytes b, std::size_t at) { return Word(b, at) & 0x1FFF; }
std::uint16_t Length12(Bytes b, std::size_t at) { return Word(b, at) & 0x0FFF; }

// Calls `each(tag, body)` for every descriptor of a loop that fits.
template <typename Each> void ForDescriptors(Bytes loop, Each &&each) {
  for (std::size_t at = 0; at + 2 <= loop.size();) {
    const std::size_t length = loop[at + 1];
    if (at + 2 + length > loop.size())
      return;
    each(loop[at], loop.subspan(at + 2, length));
    at += 2 + length;
  }
}

// The body of a long section between its header and CRC; nothing when it is too short.
std::optional<Bytes> LongBody(Bytes section) {
  if (section.size() < 8 + kCrcSize)
    return std::nullopt;
  return section.subspan(8, section.size() - 8 - kCrcSize);
}

std::uint8_t EsKindOf(std::uint8_t streamType) {
  switch (streamType) {
  case 0x01:
  case 0x02:
  case 0x1B:
  case 0x24:
    return data::kKindVideo;
  case 0x03:
  case 0x04:
  case 0x0F:
  case 0x11:
    return data::kKindAudio;
  default:
    return data::kKindUnknown;
  }
}

class TServiceReader {
public:
  explicit TServiceReader(std::uint8_t satIndex) : satIndex_(satIndex) {}

  void Push(const std::uint8_t *packet) {
    const devkit::TsPacket p(packet);
    const std::uint16_t pid = p.Pid();
    if (pid != kPatPid && pid != kSdtPid && !pmtPids_.contains(pid))
      return;
    assemblers_[pid].Push(p, [&](Bytes section) { Take(pid, section); });
  }

  bool Complete() const { return patSeen_ && sdtSeen_ && pmtsSeen_ == services_.size(); }
  bool PatSeen() const { return patSeen_; }

  std::vector<data::TChannelRec> Records() {
    std::vector<data::TChannelRec> records;
    for (const std::uint16_t sid : order_) {
      data::TChannelRec &rec = services_[sid];
      if (data::ChName(rec).empty())
        data::SetChName(rec, fmt::format("(empty) SID {:04X}", rec.SID));
      if (rec.SrvType == 0)
        rec.SrvType = rec.VidPid != 0 ? 1 : rec.AudPid != 0 ? 2 : 0;
      data::SortEsList(rec);
      records.push_back(rec);
    }
    return records;
  }

private:
  void Take(std::uint16_t pid, Bytes section) {
    if (pid == kPatPid && section[0] == kPatTable && !patSeen_)
      ReadPat(section);
    else if (pid == kSdtPid && section[0] == kSdtActualTable && patSeen_ && !sdtSeen_)
      ReadSdt(section);
    else if (section[0] == kPmtTable && section.size() >= 8)
      ReadPmt(section);
  }

  void ReadPat(Bytes section) {
    const auto body = LongBody(section);
    if (!body)
      return;
    const std::uint16_t tsid = Word(section, 3);
    for (std::size_t at = 0; at + 4 <= body->size(); at += 4) {
      const std::uint16_t sid = Word(*body, at);
      if (sid == 0 || services_.contains(sid))
        continue;
      data::TChannelRec rec{};
      rec.Freq = TTsSky::kFrequency;
      rec.Polar = TTsSky::kPolarisation;
      rec.SRate = static_cast<std::uint16_t>(TTsSky::kSymbolRate / 1000);
      rec.TID = tsid;
      rec.SID = sid;
      rec.PmtPid = Pid(*body, at + 2);
      rec.SatIndex = satIndex_;
      rec.VolAdj = 100;
      services_.emplace(sid, rec);
      order_.push_back(sid);
      pmtPids_.insert(rec.PmtPid);
    }
    patSeen_ = true;
  }

  void ReadPmt(Bytes section) {
    const auto found = services_.find(Word(section, 3));
    const auto body = LongBody(section);
    if (found == services_.end() || !body || body->size() < 4 || pmtDone_.contains(found->first))
      return;
    data::TChannelRec &rec = found->second;
    rec.PcrPid = Pid(*body, 0);
    const std::size_t infoLength = Length12(*body, 2);
    if (4 + infoLength > body->size())
      return;
    ForDescriptors(body->subspan(4, infoLength), [&](std::uint8_t tag, Bytes) {
      rec.Encrypted = rec.Encrypted != 0 || tag == kCaDescriptor ? 1 : 0;
    });
    for (std::size_t at = 4 + infoLength; at + 5 <= body->size();) {
      const std::size_t length = Length12(*body, at + 3);
      if (at + 5 + length > body->size())
        break;
      AddStream(rec, (*body)[at], Pid(*body, at + 1), body->subspan(at + 5, length));
      at += 5 + length;
    }
    pmtDone_.insert(found->first);
    ++pmtsSeen_;
  }

  static void AddStream(data::TChannelRec &rec, std::uint8_t type, std::uint16_t pid,
                        Bytes descriptors) {
    data::TEsItem item{};
    item.StreamType = type;
    item.Pid = pid;
    item.Kind = EsKindOf(type);
    ForDescriptors(descriptors, [&](std::uint8_t tag, Bytes body) {
      if (tag == kLanguageDescriptor && body.size() >= 3) {
        const char code[3] = {static_cast<char>(body[0]), static_cast<char>(body[1]),
                              static_cast<char>(body[2])};
        data::SetEsLang(item, data::NormLang(code));
      } else if (tag == kAc3Descriptor || tag == kEac3Descriptor) {
        item.Kind = data::kKindAc3;
      } else if (tag == kTeletextDescriptor) {
        item.Kind = data::kKindTeletext;
      } else if (tag == kSubtitlingDescriptor) {
        item.Kind = data::kKindSubtitle;
      } else if (tag == kCaDescriptor) {
        rec.Encrypted = 1;
      }
    });
    if (item.Kind == data::kKindUnknown || !data::EsAppend(rec, item))
      return;
    std::uint16_t &first = item.Kind == data::kKindVideo   ? rec.VidPid
                           : item.Kind == data::kKindAc3   ? rec.Ac3Pid
                           : item.Kind == data::kKindAudio ? rec.AudPid
                                                           : rec.TtxPid;
    first = first != 0 ? first : pid;
    if (item.Kind == data::kKindAc3 && rec.AudPid == 0)
      rec.AudPid = pid;
  }

  void ReadSdt(Bytes section) {
    const auto body = LongBody(section);
    if (!body || body->size() < 3)
      return;
    for (std::size_t at = 3; at + 5 <= body->size();) {
      const std::uint16_t sid = Word(*body, at);
      const std::size_t length = Length12(*body, at + 3);
      if (at + 5 + length > body->size())
        break;
      if (const auto found = services_.find(sid); found != services_.end())
        ReadService(found->second, body->subspan(at + 5, length));
      at += 5 + length;
    }
    sdtSeen_ = true;
  }

  static void ReadService(data::TChannelRec &rec, Bytes descriptors) {
    ForDescriptors(descriptors, [&](std::uint8_t tag, Bytes body) {
      if (tag != kServiceDescriptor || body.size() < 2)
        return;
      rec.SrvType = body[0];
      const std::size_t providerLength = body[1];
      if (2 + providerLength + 1 > body.size())
        return;
      const std::size_t nameLength = body[2 + providerLength];
      if (3 + providerLength + nameLength > body.size())
        return;
      // Each text with its length byte in front, as the decoder takes it.
      data::SetChProv(rec, data::DecodeSiText(body.subspan(1, 1 + providerLength), kMaxSiText));
      data::SetChName(
          rec, data::DecodeSiText(body.subspan(2 + providerLength, 1 + nameLength), kMaxSiText));
    });
  }

  std::uint8_t satIndex_;
  std::map<std::uint16_t, devkit::TSectionAssembler> assemblers_;
  std::set<std::uint16_t> pmtPids_;
  std::map<std::uint16_t, data::TChannelRec> services_;
  std::set<std::uint16_t> pmtDone_;
  std::vector<std::uint16_t> order_;
  std::size_t pmtsSeen_ = 0;
  bool patSeen_ = false;
  bool sdtSeen_ = false;
};

} // namespace

std::vector<data::TChannelRec> ReadTsServices(const std::filesystem::path &file,
                                              std::uint8_t satIndex, std::string &error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = fmt::format("cannot read {}: {}", file.string(), std::strerror(errno));
    return {};
  }
  TServiceReader reader(satIndex);
  std::uint8_t packet[devkit::kPacketSize];
  for (std::size_t read = 0; read < kReadLimit && !reader.Complete(); read += devkit::kPacketSize) {
    if (!in.read(reinterpret_cast<char *>(packet), sizeof packet))
      break;
    if (packet[0] == devkit::kSyncByte)
      reader.Push(packet);
  }
  if (in.bad())
    error = fmt::format("cannot read {}: {}", file.string(), std::strerror(errno));
  else if (!reader.PatSeen())
    error = "no programme association table in " + file.string();
  return reader.Records();
}

} // namespace qev::tool
