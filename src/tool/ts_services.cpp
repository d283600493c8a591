#include "tool/ts_services.h"

#include "devkit/ts_packet.h"
#include "si/psi_parsers.h"
#include "si/section_assembler.h"
#include "si/section_collector.h"
#include "tool/ts_sky.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>

namespace qev::tool {

namespace {

constexpr std::size_t kReadLimit = 64u << 20; // the tables repeat far more often than this
constexpr std::uint16_t kPatPid = 0x0000;
constexpr std::uint16_t kSdtPid = 0x0011;
constexpr std::uint8_t kPatTable = 0x00, kPmtTable = 0x02, kSdtActualTable = 0x42;
constexpr std::uint16_t kWholeExtension = 0xFFFF;

// The sections of one PID, rebuilt from its payloads and handed to the tables collected there.
class TPidSections {
public:
  explicit TPidSections(std::uint8_t tableId) { assembler_.AsmSetTableIds({&tableId, 1}); }

  void Add(si::SectionCollector &collector) { collectors_.push_back(&collector); }

  void Push(std::span<const std::uint8_t> payload) {
    assembler_.AsmAppend(payload);
    while (assembler_.AsmNextSection())
      for (si::SectionCollector *collector : collectors_)
        collector->Accept(assembler_.Section());
  }

private:
  si::TPk184ToSection assembler_;
  std::vector<si::SectionCollector *> collectors_;
};

// Collects the PAT, then the SDT and every PMT the PAT names, with the scanner's own parsers.
class TServiceReader {
public:
  explicit TServiceReader(std::uint8_t satIndex) : satIndex_(satIndex) {
    Listen(kPatPid, kPatTable, pat_);
    Listen(kSdtPid, kSdtActualTable, sdt_);
  }

  void Push(const devkit::TsPacket &packet) {
    const auto found = pids_.find(packet.Pid());
    if (found == pids_.end() || !packet.HasPayload())
      return;
    found->second.Push(packet.RawPayload());
    if (!patSeen_ && pat_.Complete())
      TakePat();
  }

  bool Complete() const {
    if (!patSeen_ || !sdt_.Complete())
      return false;
    for (const auto &pmt : pmts_)
      if (!pmt->Complete())
        return false;
    return true;
  }
  bool PatSeen() const { return patSeen_; }

  // The records with what their tables gave, finished as a scan finishes them.
  std::vector<data::TChannelRec> Records() {
    for (std::size_t i = 0; i < pmts_.size(); ++i)
      for (const auto &section : pmts_[i]->TakeSections())
        si::ParsePmt(section, records_[i]);
    const si::TRecordFinder find = [this](std::uint16_t tid, std::uint16_t sid) {
      for (data::TChannelRec &rec : records_)
        if (rec.TID == tid && rec.SID == sid)
          return &rec;
      return static_cast<data::TChannelRec *>(nullptr);
    };
    for (const auto &section : sdt_.TakeSections())
      si::ParseSdt(section, find);
    for (data::TChannelRec &rec : records_)
      Finish(rec);
    return std::move(records_);
  }

private:
  void Listen(std::uint16_t pid, std::uint8_t tableId, si::SectionCollector &collector) {
    pids_.try_emplace(pid, tableId).first->second.Add(collector);
  }

  void TakePat() {
    for (const auto &section : pat_.TakeSections())
      si::ParsePat(section, records_);
    for (const data::TChannelRec &rec : records_) {
      pmts_.push_back(std::make_unique<si::SectionCollector>(
          si::SectionTableFilter{kPmtTable, rec.SID, kWholeExtension}));
      Listen(rec.PmtPid, kPmtTable, *pmts_.back());
    }
    patSeen_ = true;
  }

  void Finish(data::TChannelRec &rec) const {
    rec.Freq = TTsSky::kFrequency;
    rec.Polar = TTsSky::kPolarisation;
    rec.SRate = static_cast<std::uint16_t>(TTsSky::kSymbolRate / 1000);
    rec.SatIndex = satIndex_;
    rec.VolAdj = 100;
    rec.Encrypted = rec.Encrypted != 0 || rec.CaCount > 0 ? 1 : 0;
    // A service whose only sound is AC-3 plays that.
    if (rec.AudPid == 0)
      rec.AudPid = rec.Ac3Pid;
    if (data::ChName(rec).empty())
      data::SetChName(rec, fmt::format("(empty) SID {:04X}", rec.SID));
    if (rec.SrvType == 0)
      rec.SrvType = rec.VidPid != 0 ? 1 : rec.AudPid != 0 ? 2 : 0;
    data::SortEsList(rec);
  }

  std::uint8_t satIndex_;
  si::SectionCollector pat_{{kPatTable, 0, 0}};
  si::SectionCollector sdt_{{kSdtActualTable, 0, 0}};
  // One per PAT record, in the same order.
  std::vector<std::unique_ptr<si::SectionCollector>> pmts_;
  std::map<std::uint16_t, TPidSections> pids_;
  std::vector<data::TChannelRec> records_;
  bool patSeen_ = false;
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
      reader.Push(devkit::TsPacket(packet));
  }
  if (in.bad())
    error = fmt::format("cannot read {}: {}", file.string(), std::strerror(errno));
  else if (!reader.PatSeen())
    error = "no programme association table in " + file.string();
  return reader.Records();
}

} // namespace qev::tool
