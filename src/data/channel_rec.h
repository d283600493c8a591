#pragma once

#include "frame/pref_lang.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qev::data {

inline constexpr int kMaxEsItems = 16;
inline constexpr int kMaxCaItems = 16;
inline constexpr int kMaxFavCat = 32;
inline constexpr std::size_t kNameBytes = 30; // 29 bytes of text and a NUL
inline constexpr std::uint32_t kCaDisabledBit = 0x80000000u;

enum EsKind : std::uint8_t {
  kKindVideo = 1,
  kKindAudio = 2,
  kKindAc3 = 3,
  kKindTeletext = 4,
  kKindSubtitle = 5,
  kKindUser = 15,
  kKindUnknown = 255,
};

#pragma pack(push, 1)

struct TEsItem {
  std::uint8_t StreamType;
  std::uint16_t Pid;
  std::uint8_t Kind;
  std::uint8_t Lang[4]; // length byte 0..3, then the code in upper case
  std::uint16_t TtxPage;
};

struct TCaItem {
  std::uint16_t CaId;
  std::uint16_t EcmPid;
  std::uint16_t EmmPid;
  std::uint32_t ProvId; // bit 31: disabled by the user
};

// The channel record exactly as it lies in the channel list files. Copied, stored and compared
// as its 442 bytes, so every setter zero-fills what it leaves unused.
struct TChannelRec {
  std::uint32_t Freq; // kHz; 0 marks a deleted record
  std::uint16_t SRate;
  char Polar;
  std::uint8_t TuneAux;
  std::uint8_t Reserved[4];
  std::uint16_t TID;
  std::uint16_t SID;
  std::uint16_t PmtPid;
  std::uint16_t PcrPid;
  std::uint16_t EcmPid;
  std::uint8_t SrvType;
  char ChProv[kNameBytes];
  char ChName[kNameBytes];
  std::uint16_t VidPid;
  std::uint16_t AudPid;
  std::uint16_t TtxPid;
  std::uint16_t Ac3Pid;
  std::uint8_t EitFlags;
  std::uint8_t Encrypted;
  std::uint8_t EsCount;
  TEsItem EsList[kMaxEsItems];
  std::uint8_t CaCount;
  TCaItem CaList[kMaxCaItems];
  std::uint16_t ChNumber;
  std::uint8_t Categ;
  std::uint8_t SatIndex;
  std::uint8_t VolAdj;
  std::uint8_t ChildLock;
  std::uint8_t FavCat[4];
  std::uint8_t PlgProfile;
  double TimeAdd;
  double TimeUpd;
};

#pragma pack(pop)

static_assert(sizeof(double) == 8 && std::endian::native == std::endian::little);
static_assert(sizeof(TEsItem) == 10);
static_assert(offsetof(TEsItem, StreamType) == 0 && offsetof(TEsItem, Pid) == 1);
static_assert(offsetof(TEsItem, Kind) == 3 && offsetof(TEsItem, Lang) == 4);
static_assert(offsetof(TEsItem, TtxPage) == 8);
static_assert(sizeof(TCaItem) == 10);
static_assert(offsetof(TCaItem, CaId) == 0 && offsetof(TCaItem, EcmPid) == 2);
static_assert(offsetof(TCaItem, EmmPid) == 4 && offsetof(TCaItem, ProvId) == 6);
static_assert(sizeof(TChannelRec) == 442);
static_assert(offsetof(TChannelRec, Freq) == 0 && offsetof(TChannelRec, SRate) == 4);
static_assert(offsetof(TChannelRec, Polar) == 6 && offsetof(TChannelRec, TuneAux) == 7);
static_assert(offsetof(TChannelRec, Reserved) == 8 && offsetof(TChannelRec, TID) == 12);
static_assert(offsetof(TChannelRec, SID) == 14 && offsetof(TChannelRec, PmtPid) == 16);
static_assert(offsetof(TChannelRec, PcrPid) == 18 && offsetof(TChannelRec, EcmPid) == 20);
static_assert(offsetof(TChannelRec, SrvType) == 22 && offsetof(TChannelRec, ChProv) == 23);
static_assert(offsetof(TChannelRec, ChName) == 53 && offsetof(TChannelRec, VidPid) == 83);
static_assert(offsetof(TChannelRec, AudPid) == 85 && offsetof(TChannelRec, TtxPid) == 87);
static_assert(offsetof(TChannelRec, Ac3Pid) == 89 && offsetof(TChannelRec, EitFlags) == 91);
static_assert(offsetof(TChannelRec, Encrypted) == 92 && offsetof(TChannelRec, EsCount) == 93);
static_assert(offsetof(TChannelRec, EsList) == 94 && offsetof(TChannelRec, CaCount) == 254);
static_assert(offsetof(TChannelRec, CaList) == 255 && offsetof(TChannelRec, ChNumber) == 415);
static_assert(offsetof(TChannelRec, Categ) == 417 && offsetof(TChannelRec, SatIndex) == 418);
static_assert(offsetof(TChannelRec, VolAdj) == 419 && offsetof(TChannelRec, ChildLock) == 420);
static_assert(offsetof(TChannelRec, FavCat) == 421 && offsetof(TChannelRec, PlgProfile) == 425);
static_assert(offsetof(TChannelRec, TimeAdd) == 426 && offsetof(TChannelRec, TimeUpd) == 434);

// One entry of the conditional access table as the CAT parser hands it over.
struct TCatEntry {
  std::uint16_t CaId;
  std::uint16_t EmmPid;
};

// Setters that keep the bytes beyond the text zero, so that byte comparison means what it says.
void SetFixedText(char (&field)[kNameBytes], std::string_view utf8);
std::string FixedText(const char (&field)[kNameBytes]);
void SetChName(TChannelRec &rec, std::string_view utf8);
void SetChProv(TChannelRec &rec, std::string_view utf8);
std::string ChName(const TChannelRec &rec);
void SetEsLang(TEsItem &item, std::string_view code);
std::string EsLang(const TEsItem &item);

// Makes a record read from a file safe to use: counts clamped to 16 with the entries beyond
// zeroed, names NUL-terminated and zero-filled, favourite numbers outside 1..32 dropped and the
// rest kept ascending.
void SanitizeChannelRec(TChannelRec &rec);

bool ChValid(const TChannelRec &rec);
bool CaIndexValid(const TChannelRec &rec, int i);
bool EsIndexValid(const TChannelRec &rec, int i);
bool CaIsDisabled(const TChannelRec &rec, int i);
void CaSetState(TChannelRec &rec, int i, int state);
void UpdateEcmPid(TChannelRec &rec);
bool SelectEcm(TChannelRec &rec, std::uint16_t pid);
void FillEmmFromCat(TChannelRec &rec, std::span<const TCatEntry> cat);
// Append and remove keep the unused entries zero.
bool EsAppend(TChannelRec &rec, const TEsItem &item);
bool CaAppend(TChannelRec &rec, const TCaItem &item);
void EsRemove(TChannelRec &rec, int i);
void CaRemove(TChannelRec &rec, int i);
void SortEsList(TChannelRec &rec);
void SortCaList(TChannelRec &rec);
void ValidateAudioPids(TChannelRec &rec);
// VidPid and TtxPid name streams of the list: one that is not there becomes the first video,
// or the first teletext or subtitle stream, of the list, else 0.
void ValidateVideoAndTeletextPids(TChannelRec &rec);
bool SelectPreferredAudio(TChannelRec &rec, const frame::TPrefLangArray &langs);
bool ChEqual(const TChannelRec &a, const TChannelRec &b);
void CopyUserFields(const TChannelRec &src, TChannelRec &dst);
bool MergeScanned(TChannelRec &scanned, TChannelRec &stored, double now);

// The key that a channel handle's holder checks before writing through the handle.
struct TChannelKey {
  std::uint16_t TID = 0;
  std::uint16_t SID = 0;
  std::uint32_t Freq = 0;
  char Polar = 0;
  bool operator==(const TChannelKey &) const = default;
};
TChannelKey KeyOf(const TChannelRec &rec);

} // namespace qev::data
