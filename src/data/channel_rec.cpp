#include "data/channel_rec.h"

#include "data/si_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

namespace qev::data {

namespace {

bool IsAudio(const TEsItem &item) { return item.Kind == kKindAudio || item.Kind == kKindAc3; }

std::string_view LangView(const TEsItem &item) {
  return {reinterpret_cast<const char *>(item.Lang + 1), std::min<std::size_t>(item.Lang[0], 3)};
}

// A date is days since 1899-12-30; anything else (NaN, infinite, negative) means not set.
double DateOr0(double t) { return std::isfinite(t) && t >= 0 ? t : 0; }

// Clamps a count read from a file and zeroes the entries beyond it.
template <typename Item> void ClampList(std::uint8_t &count, Item (&items)[16]) {
  count = std::min<std::uint8_t>(count, 16);
  std::memset(static_cast<void *>(items + count), 0, sizeof(Item) * (16 - count));
}

template <typename Item> void RemoveAt(std::uint8_t &count, Item (&items)[16], int i) {
  if (i < 0 || i >= count)
    return;
  std::memmove(static_cast<void *>(items + i), items + i + 1, sizeof(Item) * (count - i - 1));
  --count;
  std::memset(static_cast<void *>(items + count), 0, sizeof(Item));
}

void NormaliseFavCat(std::uint8_t (&fav)[4]) {
  for (std::uint8_t &n : fav) {
    if (n > kMaxFavCat)
      n = 0;
  }
  std::sort(std::begin(fav), std::end(fav));
  for (int i = 3; i > 0; --i) { // each category once; the duplicate becomes an empty place
    if (fav[i] != 0 && fav[i] == fav[i - 1])
      fav[i - 1] = 0;
  }
  std::sort(std::begin(fav), std::end(fav));
}

} // namespace

void SetFixedText(char (&field)[kNameBytes], std::string_view utf8) {
  const std::string_view cut = CutUtf8(utf8.substr(0, utf8.find('\0')), kNameBytes - 1);
  std::memset(field, 0, kNameBytes);
  std::copy(cut.begin(), cut.end(), field);
}

std::string FixedText(const char (&field)[kNameBytes]) {
  return std::string(field, strnlen(field, kNameBytes));
}

void SetChName(TChannelRec &rec, std::string_view utf8) { SetFixedText(rec.ChName, utf8); }
void SetChProv(TChannelRec &rec, std::string_view utf8) { SetFixedText(rec.ChProv, utf8); }
std::string ChName(const TChannelRec &rec) { return FixedText(rec.ChName); }

void SetEsLang(TEsItem &item, std::string_view code) {
  std::memset(item.Lang, 0, sizeof item.Lang);
  const std::size_t n = std::min<std::size_t>(code.size(), 3);
  item.Lang[0] = static_cast<std::uint8_t>(n);
  for (std::size_t i = 0; i < n; ++i) {
    const char c = code[i];
    item.Lang[1 + i] = static_cast<std::uint8_t>((c >= 'a' && c <= 'z') ? c - 32 : c);
  }
}

std::string EsLang(const TEsItem &item) { return std::string(LangView(item)); }

void SanitizeChannelRec(TChannelRec &rec) {
  ClampList(rec.EsCount, rec.EsList);
  ClampList(rec.CaCount, rec.CaList);
  for (int i = 0; i < rec.EsCount; ++i)
    rec.EsList[i].Lang[0] = std::min<std::uint8_t>(rec.EsList[i].Lang[0], 3);
  SetFixedText(rec.ChName, FixedText(rec.ChName));
  SetFixedText(rec.ChProv, FixedText(rec.ChProv));
  NormaliseFavCat(rec.FavCat);
  rec.TimeAdd = DateOr0(rec.TimeAdd);
  rec.TimeUpd = DateOr0(rec.TimeUpd);
}

bool ChValid(const TChannelRec &rec) { return rec.Freq != 0 && rec.ChName[0] != '\0'; }
bool CaIndexValid(const TChannelRec &rec, int i) { return i >= 0 && i < rec.CaCount; }
bool EsIndexValid(const TChannelRec &rec, int i) { return i >= 0 && i < rec.EsCount; }

bool CaIsDisabled(const TChannelRec &rec, int i) {
  return !CaIndexValid(rec, i) || (rec.CaList[i].ProvId & kCaDisabledBit) != 0;
}

void CaSetState(TChannelRec &rec, int i, int state) {
  if (!CaIndexValid(rec, i))
    return;
  if (state == 0)
    rec.CaList[i].ProvId |= kCaDisabledBit;
  else if (state == 1)
    rec.CaList[i].ProvId &= ~kCaDisabledBit;
}

void UpdateEcmPid(TChannelRec &rec) {
  rec.EcmPid = 0;
  for (int i = 0; i < rec.CaCount; ++i) {
    if (!CaIsDisabled(rec, i)) {
      rec.EcmPid = rec.CaList[i].EcmPid;
      return;
    }
  }
}

bool SelectEcm(TChannelRec &rec, std::uint16_t pid) {
  bool found = false;
  for (int i = 0; i < rec.CaCount; ++i) {
    if (rec.CaList[i].EcmPid != pid)
      continue;
    found = true;
    if (i != 0)
      std::swap(rec.CaList[0], rec.CaList[i]);
  }
  if (found)
    rec.EcmPid = pid;
  return found;
}

void FillEmmFromCat(TChannelRec &rec, std::span<const TCatEntry> cat) {
  for (int i = 0; i < rec.CaCount; ++i) {
    const auto match = std::find_if(
        cat.begin(), cat.end(), [&](const TCatEntry &e) { return e.CaId == rec.CaList[i].CaId; });
    if (match != cat.end())
      rec.CaList[i].EmmPid = match->EmmPid;
  }
}

bool EsAppend(TChannelRec &rec, const TEsItem &item) {
  if (rec.EsCount >= kMaxEsItems)
    return false;
  rec.EsList[rec.EsCount++] = item;
  return true;
}

bool CaAppend(TChannelRec &rec, const TCaItem &item) {
  if (rec.CaCount >= kMaxCaItems)
    return false;
  rec.CaList[rec.CaCount++] = item;
  return true;
}

void EsRemove(TChannelRec &rec, int i) { RemoveAt(rec.EsCount, rec.EsList, i); }
void CaRemove(TChannelRec &rec, int i) { RemoveAt(rec.CaCount, rec.CaList, i); }

void SortEsList(TChannelRec &rec) {
  std::stable_sort(rec.EsList, rec.EsList + rec.EsCount, [](const TEsItem &a, const TEsItem &b) {
    return std::tuple(a.Kind, LangView(a)) < std::tuple(b.Kind, LangView(b));
  });
}

namespace {
// By value: the record is packed, and a reference to one of its fields may be misaligned.
std::tuple<std::uint16_t, std::uint32_t, std::uint16_t> CaOrder(const TCaItem &item) {
  return {static_cast<std::uint16_t>(item.CaId), item.ProvId & ~kCaDisabledBit,
          static_cast<std::uint16_t>(item.EcmPid)};
}
} // namespace

void SortCaList(TChannelRec &rec) {
  std::stable_sort(rec.CaList, rec.CaList + rec.CaCount, [](const TCaItem &a, const TCaItem &b) {
    return CaOrder(a) < CaOrder(b);
  });
  UpdateEcmPid(rec);
}

void ValidateAudioPids(TChannelRec &rec) {
  std::uint16_t first = 0, lastAc3 = 0;
  bool audFound = false, ac3Found = false, any = false;
  for (int i = 0; i < rec.EsCount; ++i) {
    const TEsItem &item = rec.EsList[i];
    if (!IsAudio(item))
      continue;
    if (!any)
      first = item.Pid;
    any = true;
    if (item.Kind == kKindAc3)
      lastAc3 = item.Pid;
    audFound |= item.Pid == rec.AudPid;
    ac3Found |= item.Pid == rec.Ac3Pid;
  }
  if (!audFound)
    rec.AudPid = first;
  if (!ac3Found)
    rec.Ac3Pid = lastAc3;
}

namespace {
// The PID itself when a stream of the kind carries it, else the first such stream's, else 0.
template <typename IsKind>
std::uint16_t ValidPid(const TChannelRec &rec, std::uint16_t pid, IsKind isKind) {
  const TEsItem *first = nullptr;
  for (int i = 0; i < rec.EsCount; ++i) {
    if (!isKind(rec.EsList[i]))
      continue;
    if (rec.EsList[i].Pid == pid)
      return pid;
    if (first == nullptr)
      first = &rec.EsList[i];
  }
  return first != nullptr ? first->Pid : 0;
}
} // namespace

void ValidateVideoAndTeletextPids(TChannelRec &rec) {
  rec.VidPid = ValidPid(rec, rec.VidPid, [](const TEsItem &e) { return e.Kind == kKindVideo; });
  rec.TtxPid = ValidPid(rec, rec.TtxPid, [](const TEsItem &e) {
    return e.Kind == kKindTeletext || e.Kind == kKindSubtitle;
  });
}

bool SelectPreferredAudio(TChannelRec &rec, const frame::TPrefLangArray &langs) {
  int chosen = -1;
  std::uint8_t best = frame::TPrefLangArray::kNotPreferred;
  for (int i = 0; i < rec.EsCount; ++i) {
    if (!IsAudio(rec.EsList[i]))
      continue;
    const std::uint8_t index = frame::PrefLangIndex(langs, LangView(rec.EsList[i]));
    if (index < best) {
      best = index;
      chosen = i;
    }
  }
  if (chosen < 0 || rec.EsList[chosen].Pid == rec.AudPid)
    return false;
  rec.AudPid = rec.EsList[chosen].Pid;
  if (rec.EsList[chosen].Kind == kKindAc3)
    rec.Ac3Pid = rec.AudPid;
  return true;
}

bool ChEqual(const TChannelRec &a, const TChannelRec &b) {
  return std::memcmp(&a, &b, sizeof(TChannelRec)) == 0;
}

void CopyUserFields(const TChannelRec &src, TChannelRec &dst) {
  dst.ChNumber = src.ChNumber;
  dst.Categ = src.Categ;
  dst.VolAdj = src.VolAdj;
  dst.ChildLock = src.ChildLock;
  dst.PlgProfile = src.PlgProfile;
  std::memcpy(dst.FavCat, src.FavCat, sizeof dst.FavCat);
  dst.TimeAdd = src.TimeAdd;
}

bool MergeScanned(TChannelRec &scanned, TChannelRec &stored, double now) {
  if (stored.TimeAdd == 0)
    stored.TimeAdd = now;
  CopyUserFields(stored, scanned);
  scanned.TimeUpd = stored.TimeUpd;
  if (ChEqual(stored, scanned))
    return false;
  scanned.TimeUpd = now;
  stored = scanned;
  return true;
}

TChannelKey KeyOf(const TChannelRec &rec) { return {rec.TID, rec.SID, rec.Freq, rec.Polar}; }

} // namespace qev::data
