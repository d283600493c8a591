#include "tool/scan_report.h"

#include "data/code_tables.h"

#include <fmt/format.h>

namespace qev::tool {

namespace {

constexpr const char *kNoKind = "---";

bool HasPage(std::uint8_t kind) {
  return kind == data::kKindTeletext || kind == data::kKindSubtitle;
}

nlohmann::ordered_json StreamJson(const data::TEsItem &item) {
  nlohmann::ordered_json stream = {{"pid", item.Pid},
                                   {"stream_type", item.StreamType},
                                   {"kind", data::EsKindText(item.Kind, kNoKind)},
                                   {"lang", data::EsLang(item)}};
  if (HasPage(item.Kind))
    stream["page"] = item.TtxPage;
  return stream;
}

nlohmann::ordered_json CaJson(const data::TCaItem &item) {
  return {{"ca_id", item.CaId},
          {"ecm_pid", item.EcmPid},
          {"emm_pid", item.EmmPid},
          {"provider_id", item.ProvId}};
}

} // namespace

std::string ServiceLine(const data::TChannelRec &rec) {
  return fmt::format("SID {:04X} \"{}\" \"{}\" type {} PMT {:04X} PCR {:04X} VID {:04X} AUD "
                     "{:04X} AC3 {:04X} TTX {:04X} ECM {:04X} {}",
                     rec.SID, data::ChName(rec), data::FixedText(rec.ChProv), rec.SrvType,
                     rec.PmtPid, rec.PcrPid, rec.VidPid, rec.AudPid, rec.Ac3Pid, rec.TtxPid,
                     rec.EcmPid, rec.Encrypted != 0 ? "scrambled" : "free");
}

nlohmann::ordered_json ServiceJson(const data::TChannelRec &rec) {
  nlohmann::ordered_json service = {
      {"frequency", rec.Freq},     {"polarisation", std::string(1, rec.Polar)},
      {"tsid", rec.TID},           {"sid", rec.SID},
      {"name", data::ChName(rec)}, {"provider", data::FixedText(rec.ChProv)},
      {"type", rec.SrvType},       {"scrambled", rec.Encrypted != 0},
      {"pmt_pid", rec.PmtPid},     {"pcr_pid", rec.PcrPid},
      {"video_pid", rec.VidPid},   {"audio_pid", rec.AudPid},
      {"ac3_pid", rec.Ac3Pid},     {"teletext_pid", rec.TtxPid},
      {"ecm_pid", rec.EcmPid}};
  service["streams"] = nlohmann::ordered_json::array();
  for (int i = 0; i < std::min<int>(rec.EsCount, data::kMaxEsItems); ++i)
    service["streams"].push_back(StreamJson(rec.EsList[i]));
  service["ca"] = nlohmann::ordered_json::array();
  for (int i = 0; i < std::min<int>(rec.CaCount, data::kMaxCaItems); ++i)
    service["ca"].push_back(CaJson(rec.CaList[i]));
  return service;
}

void ReportServices(TToolContext &context, std::span<const data::TChannelRec> services) {
  context.Doc["services"] = nlohmann::ordered_json::array();
  for (const data::TChannelRec &rec : services) {
    context.Line(ServiceLine(rec));
    context.Doc["services"].push_back(ServiceJson(rec));
  }
}

void ReportMerge(TToolContext &context, const data::TMergeCounts &counts) {
  context.Line(fmt::format("New {}", counts.New));
  context.Line(fmt::format("Updated {}", counts.Updated));
  context.Line(fmt::format("Unchanged {}", counts.Unchanged));
  context.Line(fmt::format("Removed {}", counts.Removed));
  context.Doc["merge"] = {{"new", counts.New},
                          {"updated", counts.Updated},
                          {"unchanged", counts.Unchanged},
                          {"removed", counts.Removed}};
}

void TScanProgressView::ScanStatus(const std::string &text) {
  if (text.empty() || text == lastStatus_)
    return;
  lastStatus_ = text;
  err_ << "scan: " << text << '\n';
}

void TScanProgressView::ScanProgress(int position, int total) {
  if (total > 0)
    err_ << fmt::format("scan: transponder {}/{}\n", position, total);
}

void TScanProgressView::ScanLogged(const std::string &category, const si::TScanMessage &message) {
  err_ << "scan: [" << category << "] " << message.Text << '\n';
}

} // namespace qev::tool
