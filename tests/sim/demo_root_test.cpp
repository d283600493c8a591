// A new root seeded from the build's default files: its satellites reach the simulated sky and
// its channel lists hold what the demo streams really carry.
#include "data/channel_lists.h"
#include "data/favorites.h"
#include "data/sat_list.h"
#include "data/si_text.h"
#include "data/transponder_list.h"
#include "description_file.h"
#include "diseqc_state.h"
#include "dvb_text.h"
#include "frame/app_paths.h"
#include "multiplexer.h"
#include "support/run_command.h"
#include "sky_config.h"
#include "sky_tuner.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;
using test::Capture;
using test::HaveFfprobe;

namespace {

constexpr std::uint8_t kCommittedSwitch = 2;

// The request and the committed-switch message that point a tuner at a transponder of a
// satellite: the band by the switch frequency, the polarisation by the voltage.
struct TDishSetting {
  TuneRequest Request{};
  std::array<std::uint8_t, 4> Diseqc{};
};

TDishSetting DishSetting(const data::TSatRec &sat, std::uint32_t freqKhz, char polar,
                         std::uint32_t symbolRate) {
  const bool high = sat.LofSwitch != 0 && freqKhz >= static_cast<std::uint32_t>(sat.LofSwitch);
  TDishSetting setting;
  setting.Request.Frequency = freqKhz;
  setting.Request.Always2 = 2;
  setting.Request.SymbolRate = symbolRate;
  setting.Request.LnbFrequency = static_cast<std::uint32_t>(high ? sat.LofHigh : sat.LofLow);
  setting.Request.Tone = high ? 1 : 0;
  setting.Request.Voltage = polar == 'H' ? 18 : 13;
  const auto data = static_cast<std::uint8_t>(0xF0 + 4 * (sat.Sw1.SwPort - 1) +
                                              (polar == 'H' ? 2 : 0) + (high ? 1 : 0));
  setting.Diseqc = {0xE0, 0x10, 0x38, data};
  return setting;
}

// The sky transponder a satellite's settings reach, or none.
const sim::SkyTransponder *Reach(const sim::Sky &sky, const data::TSatRec &sat,
                                 std::uint32_t freqKhz, char polar, std::uint32_t symbolRate) {
  const TDishSetting setting = DishSetting(sat, freqKhz, polar, symbolRate);
  sim::DiseqcState dish;
  if (sat.Sw1.SwType != kCommittedSwitch || !dish.Apply(setting.Diseqc, 0))
    return nullptr;
  return sim::FindTransponder(sky, dish, setting.Request);
}

class DemoRoot : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("qev-demo-root-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    ASSERT_EQ(frame::SeedRoot(root_, QEV_SHARE_DIR), "");
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }

  void SetUp() override {
    frame::SetPaths(frame::TAppPaths(root_));
    sats.SatLoad();
    lists.ListsSync();
    std::string error;
    auto loaded = sim::LoadSky(root_ / "Devices/Dev_Sim.ini", error);
    ASSERT_TRUE(loaded) << error;
    sky = *loaded;
  }

  const data::TSatRec &SatNamed(const std::string &name) {
    for (const data::TSatRec &sat : sats.Items()) {
      if (data::SatName(sat) == name)
        return sat;
    }
    ADD_FAILURE() << "no satellite " << name;
    return sats.At(0);
  }

  // The stream a channel is tuned to, found through its satellite's settings.
  fs::path StreamOf(const data::TChannelRec &rec) {
    data::TSatRec sat;
    if (!sats.SatGet(rec.SatIndex, sat))
      return {};
    const sim::SkyTransponder *tp = Reach(sky, sat, rec.Freq, rec.Polar, rec.SRate * 1000u);
    return tp != nullptr ? tp->file : fs::path();
  }

  // What the module broadcasts from a transponder's description in its first seconds, as a file.
  static fs::path Broadcast(const fs::path &description, double seconds = 2) {
    tsgen::Transponder tp = tsgen::DescriptionFile::Load(description.string());
    tp.durationSeconds = seconds;
    const fs::path out = root_ / (description.stem().string() + ".ts");
    tsgen::GenerateFile(tp, out.string());
    return out;
  }

  static fs::path root_;
  data::TSatList sats;
  data::TChannelLists lists{sats};
  sim::Sky sky;
};

fs::path DemoRoot::root_;

TEST_F(DemoRoot, ANewRootHoldsBothSatellitesWithTheirLists) {
  ASSERT_EQ(sats.Count(), 2);
  const data::TSatRec &astra = SatNamed("QEV Sat 19.2E");
  const data::TSatRec &hotbird = SatNamed("QEV Sat 13.0E");
  EXPECT_EQ(astra.SatPos, 192);
  EXPECT_EQ(hotbird.SatPos, 130);
  for (const data::TSatRec *sat : {&astra, &hotbird}) {
    EXPECT_EQ(sat->SatActive, 1);
    const data::TChannelsList *list = lists.ListOf(sat->SatIdx);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 10);
    for (const data::TChannelRec &rec : list->Items()) {
      EXPECT_TRUE(data::ChValid(rec));
      EXPECT_EQ(rec.SatIndex, sat->SatIdx);
      EXPECT_EQ(rec.VolAdj, 100);
      EXPECT_GT(rec.TimeAdd, 0);
    }
    data::TSatTransponders tps;
    ASSERT_TRUE(tps.TpLoadIni(data::TransponderFileName(sat->SatPos)));
    EXPECT_EQ(tps.PositionText, fmt::format("{:04d}", sat->SatPos));
    EXPECT_EQ(tps.Name, data::SatName(*sat));
    EXPECT_EQ(tps.Count(), 2);
  }
}

TEST_F(DemoRoot, EverySatelliteTuningReachesItsOwnTransponders) {
  for (const sim::SkySatellite &skySat : sky.satellites) {
    const data::TSatRec &sat = SatNamed(skySat.name);
    EXPECT_EQ(sat.Sw1.SwType, kCommittedSwitch);
    EXPECT_EQ(sat.Sw1.SwPort, skySat.path.committedPort);
    EXPECT_GE(sat.Sw1.SwTxCount, 1);
    EXPECT_EQ(static_cast<std::uint32_t>(sat.LofLow), sky.lnbLowKhz);
    EXPECT_EQ(static_cast<std::uint32_t>(sat.LofHigh), sky.lnbHighKhz);
    data::TSatTransponders tps;
    ASSERT_TRUE(tps.TpLoadIni(data::TransponderFileName(sat.SatPos)));
    ASSERT_EQ(tps.Count(), static_cast<int>(skySat.transponders.size()));
    for (const data::TTransponder &tp : tps.Items()) {
      const sim::SkyTransponder *reached =
          Reach(sky, sat, tp.TpFreq * 1000, data::TpPolar(tp), tp.TpSRate * 1000);
      ASSERT_NE(reached, nullptr) << data::TpText(tp);
      EXPECT_EQ(reached->frequencyKhz, tp.TpFreq * 1000);
      EXPECT_TRUE(std::any_of(skySat.transponders.begin(), skySat.transponders.end(),
                              [&](const sim::SkyTransponder &own) { return &own == reached; }))
          << data::TpText(tp) << " reached another satellite's transponder";
    }
  }
}

TEST_F(DemoRoot, EveryChannelIsWhatItsStreamCarries) {
  if (!HaveFfprobe())
    GTEST_SKIP() << "ffprobe is not installed";
  std::map<fs::path, std::map<int, nlohmann::json>> programs;
  std::map<fs::path, int> listed;
  for (const data::TSatRec &sat : sats.Items()) {
    for (const data::TChannelRec &rec : lists.ListOf(sat.SatIdx)->Items()) {
      const std::string name = data::ChName(rec);
      SCOPED_TRACE(name);
      const fs::path file = StreamOf(rec);
      ASSERT_FALSE(file.empty()) << "the channel's transponder cannot be tuned";
      if (!programs.contains(file)) {
        const auto doc = nlohmann::json::parse(
            Capture("ffprobe -v error -show_programs -of json '" + Broadcast(file).string() + "'"));
        for (const auto &program : doc["programs"])
          programs[file][program["program_id"].get<int>()] = program;
      }
      ++listed[file];
      ASSERT_TRUE(programs[file].contains(rec.SID));
      const nlohmann::json &program = programs[file][rec.SID];
      EXPECT_EQ(program["pmt_pid"], rec.PmtPid);
      EXPECT_EQ(program["pcr_pid"], rec.PcrPid);
      EXPECT_EQ(program["tags"]["service_name"], name);
      EXPECT_EQ(program["tags"]["service_provider"], data::FixedText(rec.ChProv));
      std::map<int, std::string> languages; // by PID, as ffprobe joins them
      std::set<int> audioPids;
      for (const auto &stream : program["streams"]) {
        const int pid = std::stoi(stream["id"].get<std::string>(), nullptr, 16);
        languages[pid] = stream.contains("tags") ? stream["tags"].value("language", "") : "";
        const std::string type = stream.value("codec_type", ""); // none for a data stream
        if (type == "video") {
          EXPECT_EQ(pid, rec.VidPid);
        } else if (type == "audio") {
          audioPids.insert(pid);
        } else if (stream.value("codec_name", "") == "dvb_teletext") {
          EXPECT_EQ(pid, rec.TtxPid);
        }
      }
      std::set<int> esPids;
      for (int i = 0; i < rec.EsCount; ++i) {
        const data::TEsItem &es = rec.EsList[i];
        esPids.insert(es.Pid);
        EXPECT_NE(languages[es.Pid].find(data::FoldCase(data::EsLang(es))), std::string::npos)
            << "PID " << es.Pid;
      }
      EXPECT_EQ(esPids.size(), languages.size());
      EXPECT_TRUE(std::all_of(esPids.begin(), esPids.end(),
                              [&](int pid) { return languages.contains(pid); }));
      EXPECT_EQ(audioPids.empty() ? 0 : 1, audioPids.contains(rec.AudPid) ? 1 : 0);
    }
  }
  for (const auto &[file, count] : listed)
    EXPECT_EQ(count, static_cast<int>(programs[file].size())) << file << ": a service is missing";
}

// The pictures and sounds every later feature is tested against.
TEST_F(DemoRoot, TheSkyCarriesEveryPictureAndSoundFormat) {
  if (!HaveFfprobe())
    GTEST_SKIP() << "ffprobe is not installed";
  std::set<std::string> pictures, sounds;
  bool twoLanguagesAndAc3 = false;
  for (const auto &entry : fs::directory_iterator(root_ / "Devices/Sky")) {
    if (entry.path().extension() != ".txt")
      continue;
    const auto doc = nlohmann::json::parse(Capture("ffprobe -v error -show_programs -of json '" +
                                                   Broadcast(entry.path()).string() + "'"));
    for (const auto &program : doc["programs"]) {
      std::set<std::string> languages;
      bool ac3 = false;
      for (const auto &stream : program["streams"]) {
        const std::string codec = stream.value("codec_name", "");
        if (stream.value("codec_type", "") == "video" && stream.value("width", 0) > 0) {
          pictures.insert(fmt::format("{} {}x{} {}", codec, stream["width"].get<int>(),
                                      stream["height"].get<int>(),
                                      stream.value("display_aspect_ratio", "")));
        } else if (stream.value("codec_type", "") == "audio") {
          sounds.insert(codec);
          ac3 = ac3 || codec == "ac3";
          if (stream.contains("tags"))
            languages.insert(stream["tags"].value("language", ""));
        }
      }
      twoLanguagesAndAc3 =
          twoLanguagesAndAc3 || (languages.contains("ger") && languages.contains("eng") && ac3);
    }
  }
  for (const char *picture : {"mpeg2video 720x576 4:3", "mpeg2video 720x576 16:9",
                              "h264 1280x720 16:9", "hevc 1280x720 16:9"})
    EXPECT_TRUE(pictures.contains(picture)) << picture;
  for (const char *sound : {"mp2", "ac3", "eac3", "aac"})
    EXPECT_TRUE(sounds.contains(sound)) << sound;
  EXPECT_TRUE(twoLanguagesAndAc3) << "no service with German and English sound and an AC-3 track";
}

// dvbinfo reads each transponder's present/following of its neighbour (EIT other, table 0x4F)
// and the events' short descriptors in both languages.
TEST_F(DemoRoot, DvbinfoSeesTheNeighboursEventsAndBothLanguages) {
  if (std::system("command -v dvbinfo >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "dvbinfo is not installed";
  int checked = 0;
  for (const auto &entry : fs::directory_iterator(QEV_DEMO_DESCRIPTIONS)) {
    if (entry.path().extension() != ".txt")
      continue;
    const auto tp = tsgen::DescriptionFile::Load(entry.path().string());
    // dvbinfo reports a table only once it has come round twice.
    const fs::path stream =
        Broadcast(entry.path(), 2.5 * tp.repetition.eitPresentFollowingOther / 1000.0);
    const std::string out = Capture("dvbinfo -f '" + stream.string() + "' 2>/dev/null");
    SCOPED_TRACE(stream.string());
    ASSERT_EQ(tp.others.size(), 1u);
    bool neighbour = false;
    const std::string other =
        fmt::format("Transport stream id : {}", tp.others[0].transportStreamId);
    for (auto at = out.find("Last Table id  : 79"); at != std::string::npos && !neighbour;
         at = out.find("Last Table id  : 79", at + 1))
      neighbour = out.rfind(other, at) != std::string::npos && at - out.rfind(other, at) < 200;
    EXPECT_TRUE(neighbour) << "no EIT other of " << other;
    for (const tsgen::Service &service : tp.services) {
      if (service.events.empty() || service.charset.Name() != "default")
        continue;
      const tsgen::Event &first = service.events.front();
      EXPECT_NE(out.find(first.name), std::string::npos) << first.name;
      for (const tsgen::EventTranslation &t : first.translations) {
        const tsgen::Bytes name = tsgen::EncodeDvbText(t.name, service.charset);
        EXPECT_NE(out.find(std::string(name.begin(), name.end())), std::string::npos) << t.name;
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 0);
}

// The module loops each clip, so every stream holds exactly the clip's length in frames.
TEST_F(DemoRoot, ClipsHoldWholeFramesOfTheirLength) {
  if (!HaveFfprobe())
    GTEST_SKIP() << "ffprobe is not installed";
  const std::map<std::string, double> kFramesPerSecond = {{"mpeg2video", 25},
                                                          {"h264", 25},
                                                          {"hevc", 25},
                                                          {"mp2", 48000.0 / 1152},
                                                          {"ac3", 48000.0 / 1536},
                                                          {"eac3", 48000.0 / 1536},
                                                          {"aac", 48000.0 / 1024}};
  int clips = 0;
  for (const auto &entry : fs::directory_iterator(QEV_DEMO_DESCRIPTIONS)) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with("_av.ts"))
      continue;
    ++clips;
    const fs::path description =
        entry.path().parent_path() / (name.substr(0, name.size() - 6) + ".txt");
    const double seconds = tsgen::DescriptionFile::Load(description.string()).durationSeconds;
    const auto doc = nlohmann::json::parse(Capture(
        "ffprobe -v error -count_packets -show_streams -of json '" + entry.path().string() + "'"));
    for (const auto &stream : doc["streams"]) {
      const std::string codec = stream.value("codec_name", "");
      SCOPED_TRACE(name + " " + stream.value("id", "") + " " + codec);
      ASSERT_TRUE(kFramesPerSecond.contains(codec));
      EXPECT_EQ(std::stoi(stream.value("nb_read_packets", "0")),
                std::lround(seconds * kFramesPerSecond.at(codec)));
    }
  }
  EXPECT_EQ(clips, 4);
}

// The facts ffprobe does not show, from the descriptions the streams were made of.
TEST_F(DemoRoot, ScrambledServicesCarryTheirCaSystemsAndEmmPids) {
  int scrambled = 0;
  for (const auto &entry : fs::directory_iterator(QEV_DEMO_DESCRIPTIONS)) {
    if (entry.path().extension() != ".txt")
      continue;
    const auto stream = tsgen::DescriptionFile::Load(entry.path().string());
    for (const tsgen::Service &service : stream.services) {
      if (service.ca.empty())
        continue;
      ++scrambled;
      std::optional<data::TChannelRec> rec;
      for (const data::TSatRec &sat : sats.Items()) {
        const data::TChannelsList *list = lists.ListOf(sat.SatIdx);
        const int i = list->ListFind(stream.transportStreamId, service.serviceId);
        if (i >= 0 && list->Item(i).Freq == stream.delivery.frequencyKhz)
          rec = list->Item(i);
      }
      ASSERT_TRUE(rec) << service.name;
      EXPECT_EQ(rec->Encrypted, 1);
      ASSERT_EQ(rec->CaCount, static_cast<int>(service.ca.size()));
      EXPECT_EQ(rec->EcmPid, rec->CaList[0].EcmPid);
      for (const tsgen::CaSystem &ca : service.ca) {
        const auto *item = std::find_if(rec->CaList, rec->CaList + rec->CaCount,
                                        [&](const data::TCaItem &c) { return c.CaId == ca.caId; });
        ASSERT_NE(item, rec->CaList + rec->CaCount) << std::hex << ca.caId;
        EXPECT_EQ(item->EcmPid, ca.ecmPid);
        for (const tsgen::EmmEntry &emm : stream.emms) {
          if (emm.caId == ca.caId) {
            EXPECT_EQ(item->EmmPid, emm.emmPid);
          }
        }
      }
    }
  }
  EXPECT_GT(scrambled, 0);
}

// The guide as broadcasters fill it: whole days, no event shorter than a quarter of an hour or
// longer than two hours, and no gap or overlap between one and the next.
TEST_F(DemoRoot, EveryServiceGuideIsADayOfShortEventsWithoutGaps) {
  for (const auto &entry : fs::directory_iterator(QEV_DEMO_DESCRIPTIONS)) {
    if (entry.path().extension() != ".txt")
      continue;
    for (const tsgen::Service &service :
         tsgen::DescriptionFile::Load(entry.path().string()).services) {
      std::vector<const tsgen::Event *> day;
      for (const tsgen::Event &event : service.events)
        day.push_back(&event);
      std::sort(day.begin(), day.end(), [](auto *a, auto *b) { return a->start < b->start; });
      std::int64_t covered = 0;
      for (std::size_t i = 0; i < day.size(); ++i) {
        EXPECT_GE(day[i]->duration, 15 * 60) << service.name << " " << day[i]->name;
        EXPECT_LE(day[i]->duration, 120 * 60) << service.name << " " << day[i]->name;
        if (i > 0) {
          EXPECT_EQ(day[i]->start, day[i - 1]->start + day[i - 1]->duration) << day[i]->name;
        }
        covered += day[i]->duration;
      }
      if (!day.empty()) {
        EXPECT_EQ(covered % (24 * 3600), 0) << service.name;
      }
    }
  }
}

TEST_F(DemoRoot, DefaultSatellitePickerAndCategoriesAreReadable) {
  std::vector<data::TKnownSat> known;
  std::string error;
  ASSERT_TRUE(data::ReadAllSats(frame::Paths().SatFiles / "AllSats.txt", known, error)) << error;
  EXPECT_GE(known.size(), 20u);
  std::set<int> positions;
  for (const data::TKnownSat &sat : known) {
    EXPECT_TRUE(sat.Position >= 1 && sat.Position <= 3600) << sat.Name;
    EXPECT_LE(sat.Name.size(), data::kSatNameChars) << sat.Name;
    EXPECT_TRUE(positions.insert(sat.Position).second) << "twice: " << sat.Position;
  }
  EXPECT_TRUE(positions.contains(192) && positions.contains(130));
  data::TCategories categories;
  categories.CategLoad(frame::Paths().CategoryFile);
  EXPECT_GT(categories.CategList().size(), 10u);
  EXPECT_EQ(categories.CategName(0), "");
  EXPECT_EQ(categories.CategName(1), "News");
}

TEST_F(DemoRoot, QevtoolShowsTheSatellitesAndChannels) {
  const std::string tool = std::string(QEV_QEVTOOL) + " --root '" + root_.string() + "' ";
  const std::string satsOut = Capture(tool + "sats");
  EXPECT_NE(satsOut.find("QEV Sat 19.2E"), std::string::npos) << satsOut;
  EXPECT_NE(satsOut.find("QEV Sat 13.0E"), std::string::npos);
  EXPECT_NE(satsOut.find("2 satellites"), std::string::npos);
  const std::string channelsOut = Capture(tool + "channels");
  EXPECT_NE(channelsOut.find("20 channels"), std::string::npos) << channelsOut;
  for (const data::TSatRec &sat : sats.Items()) {
    for (const data::TChannelRec &rec : lists.ListOf(sat.SatIdx)->Items())
      EXPECT_NE(channelsOut.find(data::ChName(rec)), std::string::npos) << data::ChName(rec);
  }
}

// The whole path: the root's satellite, the tuner, the device module and its sky.
TEST_F(DemoRoot, QevtoolLocksEveryTransponderOnlyThroughItsOwnSatellite) {
  const std::string tool = std::string(QEV_QEVTOOL) + " --root '" + root_.string() + "' tune ";
  std::vector<std::pair<int, data::TTransponder>> all;
  for (const data::TSatRec &sat : sats.Items()) {
    data::TSatTransponders tps;
    ASSERT_TRUE(tps.TpLoadIni(data::TransponderFileName(sat.SatPos)));
    for (const data::TTransponder &tp : tps.Items())
      all.emplace_back(sat.SatIdx, tp);
  }
  for (const auto &[index, tp] : all) {
    for (const data::TSatRec &sat : sats.Items()) {
      const std::string out =
          Capture(fmt::format("{}{} {} {} {} --wait 1000 2>&1", tool, sat.SatIdx, tp.TpFreq,
                              data::TpPolar(tp), tp.TpSRate));
      const bool own = sat.SatIdx == index;
      EXPECT_EQ(out.find("Lock yes") != std::string::npos, own)
          << "satellite " << int(sat.SatIdx) << ", " << data::TpText(tp) << ":\n"
          << out;
    }
  }
}

// A channel of each transponder, picked by name as a user would, plays with its own PIDs.
TEST_F(DemoRoot, QevtoolSwitchesToAChannelOfEveryTransponder) {
  const std::string tool = std::string(QEV_QEVTOOL) + " --root '" + root_.string() + "' ";
  std::set<std::pair<std::uint32_t, char>> tried;
  for (const data::TSatRec &sat : sats.Items()) {
    for (const data::TChannelRec &rec : lists.ListOf(sat.SatIdx)->Items()) {
      if (rec.VidPid == 0 || !tried.emplace(rec.Freq, rec.Polar).second)
        continue;
      const std::string name = data::ChName(rec);
      const std::string out = Capture(tool + "switch --name '" + name + "' 2>&1");
      EXPECT_NE(out.find("Switched"), std::string::npos) << name << ":\n" << out;
      EXPECT_NE(out.find(fmt::format("0x{:04X}", rec.VidPid)), std::string::npos) << out;
      EXPECT_NE(out.find(fmt::format("0x{:04X}", rec.AudPid)), std::string::npos) << out;
    }
  }
  EXPECT_EQ(tried.size(), 4u);
}

} // namespace
