#pragma once

#include "data/channel_rec.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace qev::data {
class TSatTransponders;
}

namespace qev::si {

// The PSI/SI table parsers. Each takes one section as it was delivered (table_id first, CRC_32
// last) and reads it only through TSectionReader: a damaged length field makes a loop stop at
// the end of the section or of the delivered bytes, never beyond, and the CRC is never read as
// data. None of them checks the CRC, version or current_next_indicator; the collector decides
// which copies to hand over. They keep no state, so several may run at once on different
// threads as long as each writes its own target.

using TSection = std::span<const std::uint8_t>;

inline constexpr int kMaxCatItems = 8;
inline constexpr std::size_t kCatRawBytes = 64;

// One CA descriptor of the CAT, kept raw from its tag on for the plugins.
struct TCatItem {
  std::uint8_t Tag;
  std::uint8_t Length;
  std::uint16_t CaSystemId;
  std::uint16_t EmmPid;
  std::uint16_t StoredLength; // Length + 2, at most 64
  std::uint8_t Raw[kCatRawBytes];
};

struct TCatList {
  std::uint32_t Count;
  TCatItem Items[kMaxCatItems];
};

static_assert(sizeof(TCatItem) == 72 && sizeof(TCatList) == 580);

// What the scan needs to collect one PMT: its PID and the service it must carry.
struct TPmtJob {
  std::uint16_t Pid;
  std::uint16_t Sid;
};

// Finds the scan record of a service, or nullptr when the scan does not know it.
using TRecordFinder = std::function<data::TChannelRec *(std::uint16_t tid, std::uint16_t sid)>;

// PAT: appends an all-zero record with TID, SID and PmtPid for every program except
// program_number 0 (the network PID).
void ParsePat(TSection section, std::vector<data::TChannelRec> &scanList);
// The PMT collections the records of a PAT ask for, in list order.
std::vector<TPmtJob> PmtJobs(std::span<const data::TChannelRec> records);

// PMT: fills one record's PcrPid, streams (EsList, VidPid, AudPid, Ac3Pid, TtxPid) and CA
// entries. Writes nothing else of the record.
void ParsePmt(TSection section, data::TChannelRec &rec);

// CAT: appends its CA descriptors to the list, at most kMaxCatItems in all.
void ParseCat(TSection section, TCatList &cat);

// The CA systems and EMM PIDs of a CAT, as FillEmmFromCat takes them.
std::vector<data::TCatEntry> CatEntries(const TCatList &cat);

// SDT actual, for a scan: sets SrvType, the names, EitFlags and Encrypted of every service
// that `find` knows. Its CA descriptors are ignored: the CA list is the PMT parser's, which
// may be writing the same record at the same time.
void ParseSdt(TSection section, const TRecordFinder &find);
// SDT actual, for a rescan: acts only on the record whose TID and SID match.
void ParseSdtOne(TSection section, data::TChannelRec &rec);

// NIT actual: names the network, and adds every satellite transponder it describes to the
// list (TpAdd decides on duplicates); the first orbital position names the list's position.
void ParseNit(TSection section, data::TSatTransponders &list);

// Adds a CA entry unless the same system and ECM PID are there already (with the same
// provider, or with none); false when refused or the list is full. The first ECM PID becomes
// the record's EcmPid.
bool CaAdd(data::TChannelRec &rec, std::uint16_t caId, std::uint16_t ecmPid, std::uint32_t provId);
// Adds the stream, or finds it when the same type and PID are there; its index, or -1 for a
// stream type that is not recorded or a full list. Known video and audio types fill VidPid and
// AudPid when those are still 0.
int EsAdd(data::TChannelRec &rec, std::uint8_t streamType, std::uint16_t pid);

} // namespace qev::si
