#include "data/tp_editing.h"

#include "data/tp_files.h"

#include <algorithm>
#include <fmt/format.h>

namespace qev::data {

bool TpDialogOk(std::uint32_t freqMHz, std::uint32_t srate) { return freqMHz > 0 && srate > 0; }

bool TpAddUnique(TSatTransponders &list, const TTransponder &tp) {
  if (list.TpIsDuplicate(tp) || list.TpAdd(tp) < 0)
    return false;
  list.TpSort(kTpOrderFreq);
  return true;
}

bool TpEditUnique(TSatTransponders &list, int i, const TTransponder &tp) {
  if (i < 0 || i >= list.Count() || !TpValid(tp))
    return false;
  const int found = list.TpFind(tp);
  if (found >= 0 && found != i)
    return false;
  TTransponder edited = tp;
  edited.TpMarked = list.TpMarked(i) ? 1 : 0;
  list.TpSet(i, edited);
  list.TpSort(kTpOrderFreq);
  return true;
}

std::string TpDeleteQuestion(const TTransponder &tp) {
  return "Delete transponder: " + TpText(tp) + " ?";
}

std::string TpDeleteMarkedQuestion(int marked) {
  return fmt::format("Delete {} selected transponders ?", marked);
}

bool TpInList(const std::vector<TTransponder> &list, const TTransponder &tp) {
  return std::any_of(list.begin(), list.end(),
                     [&](const TTransponder &other) { return TpSameChannel(other, tp); });
}

namespace {

bool RuleMarks(TpSelectRule rule, bool marked, bool inBlind, bool warned) {
  switch (rule) {
  case TpSelectRule::All:
    return true;
  case TpSelectRule::None:
    return false;
  case TpSelectRule::NotBlind:
    return !inBlind;
  case TpSelectRule::Blind:
    return inBlind;
  case TpSelectRule::Invert:
    return !marked;
  case TpSelectRule::Warned:
    return warned;
  }
  return marked;
}

} // namespace

void TpSelect(TSatTransponders &list, TpSelectRule rule, const std::vector<TTransponder> &blind,
              const std::vector<std::string> &warned) {
  for (int i = 0; i < list.Count(); ++i) {
    const TTransponder tp = list.TpGet(i);
    const bool isWarned = std::find(warned.begin(), warned.end(), TpText(tp)) != warned.end();
    list.TpSetMarked(i, RuleMarks(rule, list.TpMarked(i), TpInList(blind, tp), isWarned));
  }
}

bool TpMatches(const TTransponder &tp, const TTpCriteria &c, bool inBlind) {
  const char polar = TpPolar(tp);
  return tp.TpFreq >= c.FreqFrom && tp.TpFreq <= c.FreqTo && tp.TpSRate >= c.SRateFrom &&
         tp.TpSRate <= c.SRateTo &&
         ((polar == 'H' && c.Horizontal) || (polar == 'V' && c.Vertical)) &&
         (inBlind ? c.InBlind : c.NotInBlind);
}

void TpSelectBy(TSatTransponders &list, const TTpCriteria &criteria,
                const std::vector<TTransponder> &blind) {
  for (int i = 0; i < list.Count(); ++i) {
    const TTransponder tp = list.TpGet(i);
    list.TpSetMarked(i, TpMatches(tp, criteria, TpInList(blind, tp)));
  }
}

std::string NoCoverageText(std::uint32_t freqMHz, char polar) {
  return fmt::format("Can`t find coverage detail for : {},{}", freqMHz, polar);
}

std::string NoCoverageImageText(const std::filesystem::path &image) {
  return "Can`t find coverage image.\r\r" + image.string();
}

bool TCoverageCache::Lines(const std::filesystem::path &file,
                           const std::vector<std::string> *&lines, std::string &error) {
  if (file != file_ || lines_.empty()) {
    bool ok = false;
    std::vector<std::string> read = LoadLines(file, ok);
    if (!ok) {
      error = kErrLoadCoverage + file.string();
      return false;
    }
    lines_ = std::move(read);
    file_ = file;
  }
  lines = &lines_;
  return true;
}

} // namespace qev::data
