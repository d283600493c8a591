#include "si/scan_tp_sources.h"

#include "data/sat_list.h"
#include "frame/file_reader.h"
#include "frame/message_boxes.h"
#include "frame/options.h"
#include "frame/string_utils.h"
#include "si/psi_parsers.h"
#include "si/scan_texts.h"

#include <fmt/format.h>

#include <sstream>

namespace qev::si {

namespace {

constexpr std::uint16_t kNitPid = 0x0010;
constexpr std::uint8_t kNitActualTable = 0x40;

void ReplaceAll(std::string &text, std::string_view what, std::string_view with) {
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

} // namespace

std::vector<TWebTpSource> ParseWebUpdTp(std::string_view text) {
  std::vector<TWebTpSource> sources;
  std::istringstream lines{std::string(text)};
  for (std::string line; std::getline(lines, line);) {
    const std::string trimmed = frame::Trim(line);
    const std::size_t bar = trimmed.find('|');
    if (trimmed.empty() || trimmed.front() == ';' || bar == std::string::npos)
      continue;
    TWebTpSource source{frame::Trim(std::string_view(trimmed).substr(0, bar)),
                        frame::Trim(std::string_view(trimmed).substr(bar + 1))};
    if (!source.Caption.empty() && !source.AddressTemplate.empty())
      sources.push_back(std::move(source));
  }
  return sources;
}

std::vector<TWebTpSource> LoadWebUpdTp(const std::filesystem::path &file, std::string &error) {
  const frame::TFileContent content = frame::ReadFileContent(file);
  if (content.Status == frame::FileReadStatus::Unreadable) {
    error = content.Error();
    return {};
  }
  return ParseWebUpdTp(content.Text);
}

std::string WebTpAddress(std::string_view addressTemplate, int position) {
  std::string address(addressTemplate);
  ReplaceAll(address, "<N>", fmt::format("{:04d}", position));
  ReplaceAll(address, "<L>", data::PositionText(position));
  return address;
}

TNitRead ReadNit(SectionFilterSource &filters, int timeoutMs, const TTableWait &wait,
                 const std::function<void()> &keepAlive) {
  TNitRead read;
  PsiTableRequest request;
  request.name = "NIT";
  request.pid = kNitPid;
  request.filter.tableId = kNitActualTable;
  request.timeout = std::chrono::milliseconds(timeoutMs);
  // The collector's thread has ended when CollectWithWait returns, so the list is ours again.
  request.parse = [&list = read.List](std::span<const std::uint8_t> section) {
    ParseNit(section, list);
  };
  read.Result = CollectWithWait(filters, std::move(request), wait, keepAlive);
  return read;
}

std::string NetworkNameText(const data::TSatTransponders &nit) {
  return nit.PositionText + " - " + nit.Name;
}

data::TSatTransponders SdxTransponderList(const data::TSdxFile &sdx, const std::string &satName) {
  data::TSatTransponders list;
  list.Name = satName;
  for (const data::TTransponder &tp : sdx.Transponders()) {
    if (!list.TpIsDuplicate(tp))
      list.TpAdd(tp);
  }
  return list;
}

int AddNewTransponders(data::TSatTransponders &target, const data::TSatTransponders &source) {
  int added = 0;
  for (const data::TTransponder &tp : source.Items()) {
    if (data::TpValid(tp) && !target.TpIsDuplicate(tp) && target.TpAdd(tp) >= 0)
      ++added;
  }
  if (added > 0)
    target.TpSort(data::kTpOrderFreq);
  return added;
}

bool NeedsHttps(const TWebTpSource &source) {
  return frame::FindNoCase(source.AddressTemplate, "https://") == 0;
}

int TTpSources::Offer(const data::TSatTransponders &list) {
  if (!links_.Synchronise)
    return AddNewTransponders(target_, list);
  const int before = target_.Count();
  if (!links_.Synchronise(list, target_))
    return 0;
  target_.TpSort(data::kTpOrderFreq);
  return target_.Count() - before;
}

std::optional<data::TSatTransponders> TTpSources::ReadNitList() {
  TNitRead read = ReadNit(links_.Filters, links_.Options.TimeoutNIT, links_.Wait, links_.KeepAlive);
  if (read.Result != PsiResult::Complete)
    return std::nullopt;
  return std::move(read.List);
}

std::optional<int> TTpSources::FromNit() {
  const std::optional<data::TSatTransponders> nit = ReadNitList();
  if (!nit)
    return std::nullopt;
  return Offer(*nit);
}

std::optional<std::string> TTpSources::NetworkName() {
  const std::optional<data::TSatTransponders> nit = ReadNitList();
  if (!nit)
    return std::nullopt;
  return NetworkNameText(*nit);
}

std::optional<int> TTpSources::FromIniFile(const std::filesystem::path &file) {
  data::TSatTransponders list;
  if (!list.TpLoadIni(file)) {
    const std::string &reason = list.ReadError();
    frame::ShowWarning(reason.empty() ? std::string(data::kInvalidTpFile)
                                      : std::string(data::kInvalidTpFile) + "\r\r" + reason);
    return std::nullopt;
  }
  return Offer(list);
}

std::optional<int> TTpSources::FromSdx(const data::TSdxFile &sdx, const std::string &satName) {
  data::TSatTransponders list = SdxTransponderList(sdx, satName);
  // The file is the satellite's own, named by its position.
  list.PositionText = target_.PositionText;
  return Offer(list);
}

std::optional<int> TTpSources::FromWeb(const TWebTpSource &source, int position) {
  if (!links_.Download)
    return std::nullopt;
  std::string error;
  const std::optional<std::string> content =
      links_.Download(WebTpAddress(source.AddressTemplate, position), error);
  if (!content) {
    if (!error.empty())
      frame::ShowError(error);
    return std::nullopt;
  }
  data::TSatTransponders list;
  std::stringstream stream(*content);
  if (!list.TpLoadStream(stream)) {
    frame::ShowWarning(kDownloadInvalid);
    return std::nullopt;
  }
  return Offer(list);
}

} // namespace qev::si
