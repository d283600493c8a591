#include "demo_root.h"

#include "data/channel_list.h"
#include "data/date_time.h"
#include "data/sat_list.h"
#include "data/transponder_list.h"
#include "description_file.h"
#include "frame/app_paths.h"
#include "sky_config.h"

#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>

namespace qev::sim::demo {

namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kCommittedSwitch = 2;
constexpr std::uint16_t kFullCircle = 3600;

std::uint16_t PositionOf(const tsgen::SatelliteDelivery &delivery) {
  return delivery.east ? delivery.orbitalTenths
                       : static_cast<std::uint16_t>(kFullCircle - delivery.orbitalTenths);
}

char PolarOf(Polarisation polarisation) {
  return polarisation == Polarisation::Vertical ? 'V' : 'H';
}

bool SameTransponder(const SkyTransponder &sky, const tsgen::SatelliteDelivery &delivery) {
  const bool vertical = delivery.polarisation == tsgen::Polarisation::Vertical;
  return sky.frequencyKhz == delivery.frequencyKhz && sky.symbolRate == delivery.symbolRate &&
         (sky.polarisation == Polarisation::Vertical) == vertical;
}

data::TSatRec SatRecOf(const SkySatellite &satellite, std::uint8_t index) {
  const SatellitePath &path = satellite.path;
  if (path.committedPort < 1 || path.committedPort > 4 || path.uncommittedPort != 0 ||
      path.toneBurst != 0 || path.storedPosition != 0 || path.angle)
    throw std::runtime_error("\"" + satellite.name +
                             "\": the demo root reaches satellites by a committed switch only");
  data::TSatRec sat{};
  sat.SatIdx = index;
  data::SetSatName(sat, satellite.name);
  sat.SatActive = 1;
  sat.Sw1.SwType = kCommittedSwitch;
  sat.Sw1.SwPort = static_cast<std::uint8_t>(path.committedPort);
  sat.Sw1.SwTxCount = 1;
  sat.LofLow = static_cast<std::int32_t>(satellite.lnb.lowKhz);
  sat.LofHigh = static_cast<std::int32_t>(satellite.lnb.highKhz);
  sat.LofSwitch = satellite.lnb.Single() ? 0 : kUniversalLofSwitch;
  return sat;
}

// The transponder list entry the scanner tunes: MHz and kS/s.
data::TTransponder EntryOf(const SkyTransponder &tp) {
  return data::MakeTransponder((tp.frequencyKhz + 500) / 1000, PolarOf(tp.polarisation),
                               (tp.symbolRate + 500) / 1000);
}

class SkyReader {
public:
  SkyReader(const fs::path &descriptionDir, const TScanRules &rules)
      : descriptionDir_(descriptionDir), rules_(rules) {}

  TDemoSatellite Read(const SkySatellite &satellite, std::uint8_t index) {
    TDemoSatellite demo;
    demo.Sat = SatRecOf(satellite, index);
    for (const SkyTransponder &tp : satellite.transponders)
      AddTransponder(demo, satellite.name, tp);
    if (demo.Sat.SatPos == 0)
      throw std::runtime_error("\"" + satellite.name + "\" has no transponders");
    demo.PositionText = fmt::format("{:04d}", demo.Sat.SatPos);
    return demo;
  }

  double Start() const { return start_; }

private:
  void AddTransponder(TDemoSatellite &demo, const std::string &satName, const SkyTransponder &tp) {
    const fs::path description = descriptionDir_ / tp.file.stem().concat(".txt");
    const tsgen::Transponder stream = tsgen::DescriptionFile::Load(description.string());
    if (!SameTransponder(tp, stream.delivery))
      throw std::runtime_error(description.string() + " does not describe the transponder \"" +
                               satName + "\" has at " + std::to_string(tp.frequencyKhz) + " kHz");
    const std::uint16_t position = PositionOf(stream.delivery);
    if (demo.Sat.SatPos != 0 && demo.Sat.SatPos != position)
      throw std::runtime_error("the transponders of \"" + satName +
                               "\" are described at different orbital positions");
    demo.Sat.SatPos = position;
    const data::TTransponder entry = EntryOf(tp);
    demo.Transponders.push_back(entry);
    for (const tsgen::Service &service : stream.services) {
      data::TChannelRec rec = ScannedRecord(entry, stream, service, demo.Sat.SatIdx, rules_);
      // What the merge into the channel list does to every scanned record.
      if (rules_.General.SortCaListByID)
        data::SortCaList(rec);
      demo.Channels.push_back(rec);
    }
    const double start = data::UnixToDateTime(stream.start);
    start_ = start_ == 0 ? start : std::min(start_, start);
  }

  fs::path descriptionDir_;
  const TScanRules &rules_;
  double start_ = 0;
};

void Check(bool ok, const std::string &what) {
  if (!ok)
    throw std::runtime_error(what);
}

void WriteTransponders(const TDemoSatellite &demo) {
  data::TSatTransponders list;
  list.PositionText = demo.PositionText;
  list.Name = data::SatName(demo.Sat);
  for (const data::TTransponder &tp : demo.Transponders)
    list.TpAdd(tp);
  list.TpSort(data::kTpOrderFreq); // as the scanner keeps it
  const fs::path file = data::TransponderFileName(demo.Sat.SatPos);
  std::error_code ec;
  fs::remove(file, ec); // the writer keeps what a file held before
  fs::create_directories(file.parent_path(), ec);
  const std::string error = list.TpSaveIni(file);
  Check(error.empty(), "cannot write " + file.string() + ": " + error);
}

// The channels go in as a scan merge puts them into an empty list.
void WriteChannels(const TDemoSatellite &demo, double now) {
  data::TChannelsList list(demo.Sat.SatPos, demo.Sat.SatIdx);
  list.ListMerge(demo.Channels, false, now);
  Check(list.ListSaveAll(), list.LastError());
}

} // namespace

TDemoSky ReadDemoSky(const fs::path &skyFile, const fs::path &descriptionDir,
                     const TScanRules &rules) {
  std::string error;
  const std::optional<Sky> sky = LoadSky(skyFile, error);
  Check(sky.has_value(), error);
  Check(sky->satellites.size() <= data::kMaxSatellites, "too many satellites in the sky");
  SkyReader reader(descriptionDir, rules);
  TDemoSky demo;
  for (std::size_t i = 0; i < sky->satellites.size(); ++i)
    demo.Satellites.push_back(
        reader.Read(sky->satellites[i], static_cast<std::uint8_t>(i + 1)));
  demo.Now = reader.Start();
  return demo;
}

void WriteDemoRoot(const TDemoSky &sky, const fs::path &root) {
  frame::SetPaths(frame::TAppPaths(root));
  data::TSatList sats;
  for (const TDemoSatellite &demo : sky.Satellites)
    Check(sats.SatAdd(demo.Sat),
          "cannot store \"" + data::SatName(demo.Sat) +
              "\": " + (sats.LastError().empty() ? "index or position taken" : sats.LastError()));
  for (const TDemoSatellite &demo : sky.Satellites) {
    WriteTransponders(demo);
    WriteChannels(demo, sky.Now);
  }
}

} // namespace qev::sim::demo
