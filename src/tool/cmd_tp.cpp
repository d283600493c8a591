#include "data/sat_list.h"
#include "data/tp_import.h"
#include "data/transponder_list.h"
#include "tool/commands.h"

#include <fmt/format.h>

namespace qev::tool {

namespace {

// The satellite named by --sat, or the exit code that says why there is none.
std::optional<data::TSatRec> SatelliteOption(TToolContext &context, int &code) {
  const auto text = context.TakeOption("--sat");
  const auto index = text ? ParseInt(*text, 1, 255) : std::nullopt;
  if (!index) {
    code = context.BadArguments("--sat needs a satellite index 1..255");
    return std::nullopt;
  }
  data::TSatList sats;
  sats.SatLoad();
  data::TSatRec sat;
  if (!sats.SatGet(*index, sat)) {
    code = context.Fail(fmt::format("no satellite with index {}", *index));
    return std::nullopt;
  }
  return sat;
}

data::TSatTransponders LoadList(const data::TSatRec &sat) {
  data::TSatTransponders list;
  list.TpLoadIni(data::TransponderFileName(sat.SatPos));
  if (list.PositionText.empty())
    list.PositionText = fmt::format("{:04d}", sat.SatPos);
  if (list.Name.empty())
    list.Name = data::SatName(sat);
  return list;
}

// The stored list's file exists but cannot be read: what the commands report instead.
std::string UnreadableText(const data::TSatRec &sat, const data::TSatTransponders &list) {
  return fmt::format("cannot read {}: {}; it is left as it is",
                     data::TransponderFileName(sat.SatPos).string(), list.ReadError());
}

} // namespace

int RunTpList(TToolContext &context) {
  int code = kExitOk;
  const auto sat = SatelliteOption(context, code);
  if (!sat)
    return code;
  if (!context.Args.empty())
    return context.BadArguments("unexpected argument " + context.Args.front());
  data::TSatTransponders list = LoadList(*sat);
  if (!list.ReadError().empty())
    return context.Fail(UnreadableText(*sat, list));
  list.TpSort(data::kTpOrderFreq);
  context.Doc["transponders"] = nlohmann::json::array();
  for (const data::TTransponder &tp : list.Items()) {
    context.Line(data::TpText(tp));
    context.Doc["transponders"].push_back(data::TpText(tp));
  }
  context.Line(fmt::format("{} transponders", list.Count()));
  return kExitOk;
}

int RunTpImport(TToolContext &context) {
  int code = kExitOk;
  const auto sat = SatelliteOption(context, code);
  if (!sat)
    return code;
  if (context.Args.size() != 1)
    return context.BadArguments("tp import needs one FILE");
  std::string error;
  data::TImportResult result = data::ImportTransponderFile(context.Args.front(), error);
  if (!error.empty())
    return context.Fail(error);

  data::TSatTransponders list = LoadList(*sat);
  if (!list.ReadError().empty())
    return context.Fail(UnreadableText(*sat, list));
  const int added = data::AddImported(list, result);
  for (const data::TImportedEntry &entry : result.Imported)
    context.Line("imported " + data::TpText(entry.Tp));
  nlohmann::json refusedJson = nlohmann::json::array();
  for (const data::TRefusedEntry &r : result.Refused) {
    context.Line(fmt::format("refused entry {}{}: {}: {}", r.Place.Entry,
                             r.Place.Line > 0 ? fmt::format(" (line {})", r.Place.Line) : "",
                             r.Text, r.Reason));
    refusedJson.push_back(
        {{"entry", r.Place.Entry}, {"line", r.Place.Line}, {"text", r.Text}, {"reason", r.Reason}});
  }
  if (added > 0) {
    list.TpSort(data::kTpOrderFreq);
    if (const std::string saveError = list.TpSaveIni(data::TransponderFileName(sat->SatPos));
        !saveError.empty())
      return context.Fail(saveError);
  }
  const int entries = result.Entries();
  context.Line(fmt::format("{} entries ({}): {} imported, {} refused", entries, result.Format,
                           added, result.Refused.size()));
  context.Doc["format"] = result.Format;
  context.Doc["entries"] = entries;
  context.Doc["imported"] = added;
  context.Doc["refused"] = refusedJson;
  return kExitOk;
}

} // namespace qev::tool
