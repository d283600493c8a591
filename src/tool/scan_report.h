#pragma once

#include "data/channel_list.h"
#include "data/channel_rec.h"
#include "si/scan_engine.h"
#include "tool/tool_context.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <span>
#include <string>

namespace qev::tool {

// One scanned service as a line: SID, name, provider, type, PIDs and whether it is scrambled.
std::string ServiceLine(const data::TChannelRec &rec);
// One scanned service with its streams and CA entries, as `qevtool --json scan` prints it.
nlohmann::ordered_json ServiceJson(const data::TChannelRec &rec);

// The services one a line, and in the document as "services".
void ReportServices(TToolContext &context, std::span<const data::TChannelRec> services);
// The four counters of a merge, and in the document as "merge".
void ReportMerge(TToolContext &context, const data::TMergeCounts &counts);

// The scanner's status lines and log messages on the error stream, so that the services alone
// go to the output.
class TScanProgressView final : public si::IScanView {
public:
  explicit TScanProgressView(std::ostream &err) : err_(err) {}

  void ScanStatus(const std::string &text) override;
  void ScanProgress(int position, int total) override;
  void ScanLogged(const std::string &category, const si::TScanMessage &message) override;

private:
  std::ostream &err_;
  std::string lastStatus_;
};

} // namespace qev::tool
