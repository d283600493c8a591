#include "si/channel_rescan.h"

#include "frame/message_boxes.h"
#include "frame/options.h"
#include "si/psi_parsers.h"
#include "si/scan_texts.h"

#include <chrono>
#include <cstring>
#include <string>

namespace qev::si {
namespace {

constexpr std::uint16_t kPidCat = 0x0001;
constexpr std::uint16_t kPidSdt = 0x0011;
constexpr std::uint8_t kTableCat = 0x01;
constexpr std::uint8_t kTablePmt = 0x02;
constexpr std::uint8_t kTableSdt = 0x42;

bool OnActiveTransponder(const TRescanLinks &links, const data::TChannelRec &rec) {
  const std::optional<TActiveTransponder> active = links.Active ? links.Active() : std::nullopt;
  return active && active->SatIndex == rec.SatIndex && active->Freq == rec.Freq &&
         active->Polar == rec.Polar;
}

// What the tables will fill: the streams and CA entries of the stored record would otherwise
// outlive a PMT that dropped them.
data::TChannelRec EmptyCopy(const data::TChannelRec &rec) {
  data::TChannelRec copy = rec;
  copy.EsCount = 0;
  std::memset(copy.EsList, 0, sizeof copy.EsList);
  copy.CaCount = 0;
  std::memset(copy.CaList, 0, sizeof copy.CaList);
  copy.EcmPid = 0; // the first ECM of the new list, unless the chosen one is still there
  return copy;
}

PsiResult Collect(const TRescanLinks &links, const char *name, std::uint16_t pid,
                  SectionTableFilter filter, int timeoutMs, PsiTableRequest::Parser parse) {
  PsiTableRequest request{
      name, pid, filter, std::chrono::milliseconds(timeoutMs), 1, std::move(parse)};
  return CollectWithWait(links.Filters, std::move(request), links.Wait, links.KeepAlive);
}

std::string PmtErrorText(const data::TChannelRec &rec, PsiResult result) {
  return std::string(kRescanError) + std::to_string(rec.Freq / 1000) + " " + rec.Polar +
         (result == PsiResult::FilterFailed ? kRescanPmtFilterError : kRescanPmtIncomplete);
}

void TidyStreams(const frame::TOptions &options, data::TChannelRec &copy) {
  data::SortEsList(copy);
  data::ValidateAudioPids(copy);
  data::ValidateVideoAndTeletextPids(copy);
  if (options.General.SortCaListByID)
    data::SortCaList(copy);
  if (options.Scanning.SetPrefAudLang)
    data::SelectPreferredAudio(copy, options.Session.PrefLangs);
}

void EndWait(const TRescanLinks &links) {
  if (links.WaitOver)
    links.WaitOver();
}

void ReadEmmPids(const TRescanLinks &links, data::TChannelRec &copy) {
  TCatList cat{};
  if (Collect(links, "CAT", kPidCat, {kTableCat, 0, 0}, links.Options.Scanning.TimeoutCAT,
              [&cat](TSection s) { ParseCat(s, cat); }) == PsiResult::Complete)
    data::FillEmmFromCat(copy, CatEntries(cat));
}

} // namespace

bool RescanChannel(const TRescanLinks &links, data::TChannelRec &rec, bool interactive) {
  if (!OnActiveTransponder(links, rec)) {
    frame::ShowWarning(kNotOnActiveTransponder);
    return false;
  }
  const frame::TOptions &options = links.Options;
  data::TChannelRec copy = EmptyCopy(rec);
  const PsiResult pmt =
      Collect(links, "PMT", copy.PmtPid, {kTablePmt, copy.SID, 0xFFFF}, options.Scanning.TimeoutPMT,
              [&copy](TSection s) { ParsePmt(s, copy); });
  if (pmt != PsiResult::Complete) {
    EndWait(links);
    frame::ShowError(PmtErrorText(rec, pmt));
    return false;
  }
  TidyStreams(options, copy);
  ReadEmmPids(links, copy);
  data::SelectEcm(copy, rec.EcmPid);
  if (options.Scanning.RescanSDTOnUpd)
    Collect(links, "SDT", kPidSdt, {kTableSdt, 0, 0}, options.Scanning.TimeoutSDT,
            [&copy](TSection s) { ParseSdtOne(s, copy); });
  EndWait(links);

  const bool changed = data::MergeScanned(copy, rec, links.Now ? links.Now() : 0.0);
  const std::string name = data::ChName(rec) + "\r\r";
  if (!changed)
    frame::ShowWarning(name + kRescanNoChanges);
  else if (interactive)
    frame::ShowInformation(name + kRescanUpdated);
  return changed;
}

} // namespace qev::si
