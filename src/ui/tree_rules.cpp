#include "ui/tree_rules.h"

#include "data/code_tables.h"
#include "frame/case_fold.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace qev::ui {
namespace {

using data::TChannelRec;

template <class... A> std::string Format(const char *format, A... args) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  return std::string(buffer, static_cast<std::size_t>(std::clamp(n, 0, 63)));
}

std::string OrNone(std::string text) { return text.empty() ? kNoGroupText : text; }

std::string TransponderText(const TChannelRec &rec) {
  return std::to_string(rec.Freq / 1000) + ' ' + rec.Polar;
}

// "yyyy-mm-dd hh:nn" of a date-time counted in days since 1899-12-30.
std::string DateTimeText(double days) {
  using namespace std::chrono;
  if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
    return {};
  const auto minutes =
      static_cast<std::int64_t>(std::floor(std::round(days * 86400000.0) / 60000.0));
  const std::int64_t day = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
  const std::int64_t minuteOfDay = minutes - day * 1440;
  const year_month_day date{sys_days{1899y / December / 30} + std::chrono::days{day}};
  return Format("%04d-%02u-%02u %02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(minuteOfDay / 60), static_cast<int>(minuteOfDay % 60));
}

std::string FirstLetterText(const TChannelRec &rec) {
  const std::string name = frame::Trim(data::ChName(rec));
  if (name.empty())
    return name;
  std::size_t pos = 0;
  const auto c = frame::NextCodePoint(name, pos);
  if (!c)
    return name.substr(0, pos);
  std::string out;
  frame::AppendUtf8(out, frame::UpperCase(*c));
  return out;
}

bool HasEsKind(const TChannelRec &rec, int kind) {
  for (int i = 0; i < std::min<int>(rec.EsCount, data::kMaxEsItems); ++i)
    if (rec.EsList[i].Kind == kind)
      return true;
  return false;
}

// Collects a channel's group texts, each once ignoring letter case.
class TGroupCollector {
public:
  void Add(std::string text, int caHighByte = -1) {
    std::u32string key = FoldedText(text);
    if (std::find(keys_.begin(), keys_.end(), key) != keys_.end())
      return;
    keys_.push_back(std::move(key));
    groups_.push_back({std::move(text), caHighByte});
  }
  std::vector<TGroupText> Take() { return std::move(groups_); }

private:
  std::vector<std::u32string> keys_;
  std::vector<TGroupText> groups_;
};

void AddCaGroups(TGroupCollector &out, int kind, const TChannelRec &rec, int caHighByte) {
  if (rec.CaCount == 0) {
    out.Add(kNoGroupText);
    return;
  }
  for (int i = 0; i < std::min<int>(rec.CaCount, data::kMaxCaItems); ++i) {
    const data::TCaItem &ca = rec.CaList[i];
    const int high = ca.CaId >> 8;
    if (caHighByte >= 0 && high != caHighByte)
      continue;
    if (kind == 7)
      out.Add(data::CaSystemName(ca.CaId), high);
    else
      out.Add(Format("%04X-%05X-", unsigned{ca.CaId}, ca.ProvId & 0xFFFFFFu) +
                  data::CaSystemShort(ca.CaId),
              high);
  }
}

void AddLanguageGroups(TGroupCollector &out, int esKind, const char *suffix,
                       const TChannelRec &rec) {
  for (int i = 0; i < std::min<int>(rec.EsCount, data::kMaxEsItems); ++i) {
    if (rec.EsList[i].Kind != esKind)
      continue;
    const std::string lang = frame::Trim(data::EsLang(rec.EsList[i]));
    out.Add(lang.empty() ? std::string(kNoGroupText) : lang + '-' + suffix);
  }
}

void AddFavouriteGroups(TGroupCollector &out, const TChannelRec &rec, const TTreeLookups &lookups) {
  if (std::all_of(std::begin(rec.FavCat), std::end(rec.FavCat), [](auto n) { return n == 0; })) {
    out.Add(kNoGroupText);
    return;
  }
  for (const std::uint8_t n : rec.FavCat)
    if (n >= 1 && n <= data::kMaxFavCat)
      out.Add(lookups.FavName(n));
}

std::string SingleGroupText(int kind, std::int32_t handle, const TChannelRec &rec,
                            const TTreeLookups &lookups) {
  switch (kind) {
  case 1:
    return lookups.SatName(handle >> 16);
  case 2:
    return OrNone(frame::Trim(data::FixedText(rec.ChProv)));
  case 3:
    return TransponderText(rec);
  case 4:
    return Format("%05u", unsigned{rec.SRate});
  case 5:
    return OrNone(lookups.CategName(rec.Categ));
  case 6:
    return data::ServiceKindText(rec);
  case 9:
    return FirstLetterText(rec);
  case 14:
    return DateTimeText(rec.TimeAdd);
  default: // 15
    return Format("%08X", (unsigned{rec.TID} << 16) | rec.SID);
  }
}

int CompareSortKey(int key, const TChannelRec &a, const TChannelRec &b) {
  switch (key) {
  case 1:
    return CompareIgnoringCase(data::ChName(a), data::ChName(b));
  case 2:
    return CompareIgnoringCase(data::FixedText(a.ChProv), data::FixedText(b.ChProv));
  case 3: {
    const auto fa = static_cast<std::int32_t>(a.Freq), fb = static_cast<std::int32_t>(b.Freq);
    if (fa != fb)
      return fa < fb ? -1 : 1;
    const auto pa = static_cast<std::uint8_t>(a.Polar), pb = static_cast<std::uint8_t>(b.Polar);
    return pa == pb ? 0 : (pa < pb ? -1 : 1);
  }
  default:
    return 0;
  }
}

} // namespace

TGSFRules SecondRuleSet() {
  TGSFRules rules;
  rules.Group1By = 0;
  rules.SortRule1 = 0;
  rules.ChfServType = kServTv | kServScrambled | kServFree;
  return rules;
}

std::u32string FoldedText(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t start = pos;
    const auto c = frame::NextCodePoint(utf8, pos);
    // A stray byte keeps its place in the order as a code point no text maps to.
    out.push_back(c ? frame::FoldCase(*c) : 0x110000u + static_cast<unsigned char>(utf8[start]));
  }
  return out;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const int c = FoldedText(a).compare(FoldedText(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool ContainsIgnoringCase(std::string_view text, std::string_view fragment) {
  return FoldedText(text).find(FoldedText(fragment)) != std::u32string::npos;
}

std::string RowTextOf(std::string_view utf8) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < kRowTextChars && pos < utf8.size(); ++n)
    frame::NextCodePoint(utf8, pos);
  return std::string(utf8.substr(0, pos));
}

bool ChannelPassesFilter(const TGSFRules &rules, std::int32_t handle, const TTreeLookups &lookups) {
  const std::optional<TChannelRec> found = lookups.ChannelByHandle(handle);
  if (!found)
    return false;
  const TChannelRec &rec = *found;
  if (rec.ChildLock != 0 && lookups.ChildLockActive && lookups.ChildLockActive())
    return false;
  const int kindBit = rec.SrvType == 1 ? kServTv : (rec.SrvType == 2 ? kServRadio : kServData);
  if ((rules.ChfServType & kindBit) == 0)
    return false;
  if ((rules.ChfServType & (rec.Encrypted != 0 ? kServScrambled : kServFree)) == 0)
    return false;
  if (rules.ChfCategory >= 1 && rec.Categ != rules.ChfCategory - 1)
    return false;
  if (rules.ChfFlagTTX && rec.TtxPid == 0)
    return false;
  if (rules.ChfFavorite &&
      std::all_of(std::begin(rec.FavCat), std::end(rec.FavCat), [](auto n) { return n == 0; }))
    return false;
  if (rules.ChfFlagSUB && !HasEsKind(rec, data::kKindSubtitle))
    return false;
  if (rules.ChfFlagAC3 && !HasEsKind(rec, data::kKindAc3))
    return false;
  return rules.ChfContain.empty() || ContainsIgnoringCase(data::ChName(rec), rules.ChfContain);
}

std::vector<TGroupText> GroupTexts(int kind, std::int32_t handle, const TChannelRec &rec,
                                   const TTreeLookups &lookups, int caHighByte) {
  TGroupCollector out;
  switch (kind) {
  case 0:
    break;
  case 7:
  case 8:
    AddCaGroups(out, kind, rec, caHighByte);
    break;
  case 10:
    AddLanguageGroups(out, data::kKindAudio, "Audio", rec);
    break;
  case 11:
    AddLanguageGroups(out, data::kKindSubtitle, "Subtitle", rec);
    break;
  case 12:
    AddLanguageGroups(out, data::kKindTeletext, "Teletext", rec);
    break;
  case 13:
    AddFavouriteGroups(out, rec, lookups);
    break;
  default:
    if (kind > 0 && kind < frame::kGroupKinds)
      out.Add(SingleGroupText(kind, handle, rec, lookups));
    break;
  }
  return out.Take();
}

int CompareChannelRows(const TGSFRules &rules, const TChannelRec *a, std::string_view textA,
                       const TChannelRec *b, std::string_view textB) {
  if (a == nullptr || b == nullptr)
    return CompareIgnoringCase(textA, textB);
  const int first = CompareSortKey(rules.SortRule1, *a, *b);
  return first != 0 ? first : CompareSortKey(rules.SortRule2, *a, *b);
}

TChannelSortKey ChannelSortKey(const TGSFRules &rules, const TChannelRec *rec,
                               std::string_view text) {
  TChannelSortKey key;
  key.Resolved = rec != nullptr;
  key.Text = FoldedText(text);
  if (!key.Resolved)
    return key;
  const int sortRules[2] = {rules.SortRule1, rules.SortRule2};
  for (int i = 0; i < 2; ++i) {
    switch (sortRules[i]) {
    case 1:
      key.Folded[i] = FoldedText(data::ChName(*rec));
      break;
    case 2:
      key.Folded[i] = FoldedText(data::FixedText(rec->ChProv));
      break;
    case 3:
      key.Number[i] = std::int64_t{static_cast<std::int32_t>(rec->Freq)} * 256 +
                      static_cast<std::uint8_t>(rec->Polar);
      break;
    default:
      break;
    }
  }
  return key;
}

int CompareChannelKeys(const TChannelSortKey &a, const TChannelSortKey &b) {
  const auto sign = [](auto c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); };
  if (!a.Resolved || !b.Resolved)
    return sign(a.Text.compare(b.Text));
  for (int i = 0; i < 2; ++i) {
    if (const int c = a.Folded[i].compare(b.Folded[i]); c != 0)
      return sign(c);
    if (a.Number[i] != b.Number[i])
      return a.Number[i] < b.Number[i] ? -1 : 1;
  }
  return 0;
}

std::string InfoColumnText(int infoCol, const TChannelRec &rec, const TTreeLookups &lookups) {
  switch (infoCol) {
  case 1:
    return data::FixedText(rec.ChProv);
  case 2:
    return TransponderText(rec);
  case 3:
    return lookups.SatPosText(rec.SatIndex);
  case 4:
    return lookups.FavText(rec);
  case 5:
    return rec.PlgProfile == 0 ? std::string() : lookups.ProfileName(rec.PlgProfile);
  default:
    return lookups.CategName(rec.Categ);
  }
}

} // namespace qev::ui
