#pragma once

#include "data/tp_files.h"
#include "data/transponder_list.h"
#include "si/psi_scan_thread.h"
#include "si/table_wait.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::frame {
struct TScanningOptions;
}

namespace qev::si {

// One line of WebUpdTP.cfg: a menu caption and the address of a transponder list, in which
// "<N>" stands for the four-digit position and "<L>" for the position as "19.2E".
struct TWebTpSource {
  std::string Caption;
  std::string AddressTemplate;
};

// "caption|address" lines; empty lines, lines starting with ";" and lines without "|" are
// skipped.
std::vector<TWebTpSource> ParseWebUpdTp(std::string_view text);
// A missing file lists no sources; one that cannot be read lists none and sets the error.
std::vector<TWebTpSource> LoadWebUpdTp(const std::filesystem::path &file, std::string &error);
std::string WebTpAddress(std::string_view addressTemplate, int position);

// The NIT of the tuned transponder as a list of its own.
struct TNitRead {
  PsiResult Result = PsiResult::Waiting;
  data::TSatTransponders List;
};
TNitRead ReadNit(SectionFilterSource &filters, int timeoutMs, const TTableWait &wait,
                 const std::function<void()> &keepAlive);
// "0192 - Network (19.2E)": the list's position text and network name.
std::string NetworkNameText(const data::TSatTransponders &nit);

// Every SATCODX item's transponder once, in a list named like the satellite.
data::TSatTransponders SdxTransponderList(const data::TSdxFile &sdx, const std::string &satName);

// Adds the entries of `source` that `target` does not hold yet and keeps `target` in frequency
// order. Returns how many were added.
int AddNewTransponders(data::TSatTransponders &target, const data::TSatTransponders &source);

// Fetches the content at an address; nothing (with the reason in error) when it failed.
// An empty error means the failure has been shown to the user already.
using TDownload =
    std::function<std::optional<std::string>(const std::string &address, std::string &error)>;
// Lets the user reconcile a new list with the scanner's; true when current was rewritten.
using TSynchronise =
    std::function<bool(const data::TSatTransponders &newList, data::TSatTransponders &current)>;

// A source whose address needs https, which the program's own client does not speak.
bool NeedsHttps(const TWebTpSource &source);

// What the transponder-list sources work with; everything is borrowed.
struct TTpSourceLinks {
  SectionFilterSource &Filters;
  const frame::TScanningOptions &Options;
  TTableWait Wait;
  std::function<void()> KeepAlive;
  // Empty while the program has no HTTP client: the web sources are then not offered.
  TDownload Download;
  // Empty: only the new list's entries that the scanner's list lacks are added.
  TSynchronise Synchronise{};
};

// The sources the scanner's list is synchronised from. Each builds a temporary list and hands
// it, with the scanner's list, to the synchronisation; what went wrong is shown in a message
// box. Every operation returns by how many entries the scanner's list grew (0 or less when
// it did not), or nothing when no list could be built.
class TTpSources {
public:
  TTpSources(TTpSourceLinks links, data::TSatTransponders &target)
      : links_(std::move(links)), target_(target) {}

  std::optional<int> FromNit();
  // The network the tuned transponder belongs to, as NetworkNameText gives it; nothing when
  // the NIT did not come.
  std::optional<std::string> NetworkName();
  std::optional<int> FromIniFile(const std::filesystem::path &file);
  std::optional<int> FromSdx(const data::TSdxFile &sdx, const std::string &satName);
  bool WebAvailable() const { return static_cast<bool>(links_.Download); }
  std::optional<int> FromWeb(const TWebTpSource &source, int position);

private:
  std::optional<data::TSatTransponders> ReadNitList();
  int Offer(const data::TSatTransponders &list);

  TTpSourceLinks links_;
  data::TSatTransponders &target_;
};

} // namespace qev::si
