#include "tool/ts_sky.h"

#include "frame/atomic_file.h"

#include <fmt/format.h>

#include <cstdlib>
#include <system_error>

namespace qev::tool {

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kLnbLow = 9'750'000;
constexpr std::int32_t kLnbHigh = 10'600'000;
constexpr std::int32_t kLnbSwitch = 11'700'000;

std::string SkyText(const fs::path &tsFile, bool paced) {
  return fmt::format("[Sky]\nName=One file\nFast={}\nLnbLow={}\nLnbHigh={}\n\n[File]\n"
                     "TP1={},{},{},{},80,80,0\n",
                     paced ? 0 : 1, kLnbLow, kLnbHigh, TTsSky::kFrequency, TTsSky::kPolarisation,
                     TTsSky::kSymbolRate, fs::absolute(tsFile).string());
}

fs::path MakeTempFolder() {
  std::string pattern = (fs::temp_directory_path() / "qevtool-ts-XXXXXX").string();
  return ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
}

} // namespace

TTsSky::TTsSky(const fs::path &tsFile, const fs::path &simulatorModule, bool paced)
    : tsFile_(tsFile) {
  std::error_code ec;
  if (!fs::is_regular_file(tsFile, ec)) {
    error_ = "cannot read " + tsFile.string();
    return;
  }
  if (!fs::is_regular_file(simulatorModule, ec)) {
    error_ = "the simulator module is missing: " + simulatorModule.string();
    return;
  }
  folder_ = MakeTempFolder();
  if (folder_.empty()) {
    error_ = "cannot create a temporary folder";
    return;
  }
  // The module looks for its sky beside the name it was loaded under, so a link will do.
  const fs::path link = folder_ / "Dev_Sim.int";
  fs::create_symlink(fs::absolute(simulatorModule), link, ec);
  if (ec) {
    error_ = "cannot link the simulator module: " + ec.message();
    return;
  }
  if (std::string failure =
          frame::WriteFileAtomically(folder_ / "Dev_Sim.ini", SkyText(tsFile, paced));
      !failure.empty()) {
    error_ = failure;
    return;
  }
  module_ = link;
}

TTsSky::~TTsSky() {
  std::error_code ec;
  if (!folder_.empty())
    fs::remove_all(folder_, ec);
}

data::TSatRec TTsSky::Satellite() const {
  data::TSatRec sat{};
  sat.SatIdx = 1;
  sat.SatActive = 1;
  data::SetSatName(sat, "File");
  sat.LofLow = kLnbLow;
  sat.LofHigh = kLnbHigh;
  sat.LofSwitch = kLnbSwitch;
  return sat;
}

} // namespace qev::tool
