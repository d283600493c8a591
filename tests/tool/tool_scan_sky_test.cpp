// qevtool scan on a brand-new root seeded with the demo sky, as a user runs it: every service the
// sky's descriptions put on a satellite is found with its PIDs, languages and CA entries, which
// ffprobe and dvbinfo read alike from a dump of the same transponder, and merging twice adds
// nothing the second time.
#include "description_file.h"
#include "scan_peers.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <iostream>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

struct TDemoTransponder {
  const char *File; // in Devices/Sky of the root
  int Satellite;
};
constexpr TDemoTransponder kDemo[] = {
    {"s1_10788v.txt", 1}, {"s1_12188h.txt", 1}, {"s2_11054h.txt", 2}, {"s2_12303v.txt", 2}};

class ToolScanSky : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qev-scan-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    Tool("sats"); // seeds the root
    if (!fs::exists(root / "Devices/Sky/s1_10788v.txt"))
      GTEST_SKIP() << "the demo sky was not built";
  }
  void TearDown() override { fs::remove_all(root); }

  std::string Tool(const std::string &arguments) const {
    return test::Capture(std::string(QEV_QEVTOOL) + " --root '" + root.string() + "' " + arguments +
                         " 2>/dev/null");
  }
  nlohmann::json ToolJson(const std::string &arguments) const {
    return nlohmann::json::parse(Tool("--json " + arguments), nullptr, false);
  }
  tsgen::Transponder Described(const TDemoTransponder &tp) const {
    return tsgen::DescriptionFile::Load((root / "Devices/Sky" / tp.File).string());
  }

  fs::path root;
};

// The scanned services of one transponder.
nlohmann::json OnFrequency(const nlohmann::json &services, std::uint32_t frequencyKhz) {
  nlohmann::json found = nlohmann::json::array();
  for (const auto &service : services)
    if (service["frequency"] == frequencyKhz)
      found.push_back(service);
  return found;
}

// What the description says of a service: names, PIDs, languages, CA systems with their EMMs.
void ExpectDescribed(const nlohmann::json &scanned, const tsgen::Service &service,
                     const tsgen::Transponder &tp) {
  SCOPED_TRACE(service.name);
  EXPECT_EQ(scanned["tsid"], tp.transportStreamId);
  EXPECT_EQ(scanned["name"], service.name);
  EXPECT_EQ(scanned["provider"], service.provider);
  EXPECT_EQ(scanned["pmt_pid"], service.pmtPid);
  if (service.pcrPid != 0x1FFF) {
    EXPECT_EQ(scanned["pcr_pid"], service.pcrPid);
  }
  EXPECT_EQ(scanned["scrambled"], !service.ca.empty());
  for (const tsgen::Stream &stream : service.streams) {
    const auto entry = std::find_if(scanned["streams"].begin(), scanned["streams"].end(),
                                    [&](const auto &s) { return s["pid"] == stream.pid; });
    ASSERT_NE(entry, scanned["streams"].end()) << "PID " << stream.pid;
    if (!stream.language.empty()) {
      EXPECT_EQ((*entry)["lang"], test::UpperText(stream.language)) << "PID " << stream.pid;
    }
  }
  ASSERT_EQ(scanned["ca"].size(), service.ca.size());
  for (std::size_t i = 0; i < service.ca.size(); ++i) {
    const nlohmann::json &ca = scanned["ca"][i];
    EXPECT_EQ(ca["ca_id"], service.ca[i].caId);
    EXPECT_EQ(ca["ecm_pid"], service.ca[i].ecmPid);
    for (const tsgen::EmmEntry &emm : tp.emms)
      if (emm.caId == service.ca[i].caId) {
        EXPECT_EQ(ca["emm_pid"], emm.emmPid);
      }
  }
}

TEST_F(ToolScanSky, EachSatelliteGivesEveryServiceOfItsTranspondersAndNoOther) {
  for (const int satellite : {1, 2}) {
    SCOPED_TRACE(satellite);
    const nlohmann::json doc = ToolJson("scan --sat " + std::to_string(satellite));
    ASSERT_TRUE(doc.is_object());
    ASSERT_FALSE(doc.contains("error")) << doc.dump(1);
    std::size_t described = 0;
    for (const TDemoTransponder &demo : kDemo) {
      if (demo.Satellite != satellite)
        continue;
      const tsgen::Transponder tp = Described(demo);
      const nlohmann::json scanned = OnFrequency(doc["services"], tp.delivery.frequencyKhz);
      // The SDT other names services of the other transponder: they are not this one's.
      ASSERT_EQ(scanned.size(), tp.services.size()) << demo.File << scanned.dump(1);
      for (const tsgen::Service &service : tp.services) {
        const nlohmann::json *found = test::ServiceBySid(scanned, service.serviceId);
        ASSERT_NE(found, nullptr) << service.name;
        ExpectDescribed(*found, service, tp);
      }
      described += tp.services.size();
    }
    EXPECT_EQ(doc["services"].size(), described);
  }
}

// ffprobe and dvbinfo read a dump of each transponder of the first satellite as the scan did.
TEST_F(ToolScanSky, PeersReadADumpOfTheTransponderAsTheScanDid) {
  const bool ffprobe = test::HaveProgram("ffprobe"), dvbinfo = test::HaveProgram("dvbinfo");
  if (!ffprobe && !dvbinfo)
    GTEST_SKIP() << "neither ffprobe nor dvbinfo is installed";
  const nlohmann::json doc = ToolJson("scan --sat 1");
  ASSERT_TRUE(doc.is_object());
  int compared = 0;
  for (const auto &[file, polarisation, symbolRate] :
       {std::tuple("s1_10788v.txt", "V", "22000"), std::tuple("s1_12188h.txt", "H", "27500")}) {
    SCOPED_TRACE(file);
    const tsgen::Transponder tp = Described({file, 1});
    const fs::path dump = root / "dump.ts";
    Tool("dump 1 " + std::to_string(tp.delivery.frequencyKhz / 1000) + " " + polarisation + " " +
         symbolRate + " --seconds 3 --out '" + dump.string() + "'");
    ASSERT_TRUE(fs::exists(dump));
    const nlohmann::json scanned = OnFrequency(doc["services"], tp.delivery.frequencyKhz);
    if (ffprobe)
      compared += test::ExpectScanAgrees(scanned, test::FfprobePrograms(dump));
    if (dvbinfo)
      compared += test::ExpectScanAgrees(scanned, test::DvbinfoPrograms(dump));
  }
  std::cout << "demo sky peers: " << compared << " values compared\n";
  RecordProperty("peer_compared", compared);
}

TEST_F(ToolScanSky, MergeCountsAndASecondMergeAddsNothing) {
  const nlohmann::json only = ToolJson("scan --sat 1 --tp 12188,H,27500");
  ASSERT_TRUE(only.is_object());
  ASSERT_EQ(only["services"].size(), 5u);
  EXPECT_EQ(OnFrequency(only["services"], 12188000).size(), 5u);

  const nlohmann::json first = ToolJson("scan --sat 1 --merge");
  ASSERT_TRUE(first.is_object());
  ASSERT_TRUE(first.contains("merge")) << first.dump(1);
  const int scanned = static_cast<int>(first["services"].size());
  const nlohmann::json &counts = first["merge"];
  EXPECT_EQ(counts["new"].get<int>() + counts["updated"].get<int>() +
                counts["unchanged"].get<int>(),
            scanned);
  const std::string text = Tool("scan --sat 1 --merge");
  EXPECT_NE(text.find("\nNew 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nUnchanged " + std::to_string(scanned) + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nRemoved 0\n"), std::string::npos) << text;
}

} // namespace
