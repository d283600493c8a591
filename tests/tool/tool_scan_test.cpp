// qevtool scan over --ts files: what tsgen and ffmpeg wrote, as dvbinfo and ffprobe read it,
// and streams no peer could make sense of.
#include "data/sat_list.h"
#include "description_file.h"
#include "multiplexer.h"
#include "scan_peers.h"
#include "support/random_bytes.h"
#include "tool_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <iterator>

using namespace qev;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

// Teletext with a subtitle page, AC-3 and E-AC-3, a service scrambled by two CA systems and a
// service of another transport stream in the SDT other.
constexpr const char *kRichDescription = R"([transponder]
tsid = 0x0C01
onid = 1
network_id = 1
start = 2026-12-09 20:00:00
duration = 2
[service]
id = 0x51
pmt = 0x100
pcr = 0x101
type = 1
name = Ttx One
provider = P1
[stream]
kind = mpeg2
pid = 0x101
[stream]
kind = ac3
pid = 0x102
lang = eng
[stream]
kind = teletext
pid = 0x104
teletext = ger initial 100, eng subtitle 888
[page]
number = 100
row = 1 Hallo
[service]
id = 0x52
pmt = 0x200
pcr = 0x201
type = 1
name = Pay Two
provider = P2
ca = 0x0100 0x3F0 0x000065
ca = 0x0500 0x3F1
[stream]
kind = h264
pid = 0x201
[stream]
kind = eac3
pid = 0x202
lang = fra
[other]
tsid = 0x0C02
onid = 1
[other_service]
id = 0x61
name = Elsewhere
provider = P3
type = 1
[repetition]
sdt_other = 200
)";

// The scanner's waits, short: the malformed streams below end each of them.
constexpr const char *kShortTimeouts =
    "[Scanning]\nTimeoutPAT=500\nTimeoutCAT=300\nTimeoutSDT=1000\nTimeoutPMT=1000\n";

std::string ReadAll(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ToolScan : public test::ToolRoot {
protected:
  void SetUp() override {
    ToolRoot::SetUp();
    AddSimulator();
  }

  fs::path Generate(const std::string &description, const std::string &name) const {
    const fs::path file = root / (name + ".ts");
    std::istringstream in(description);
    tsgen::GenerateFile(tsgen::DescriptionFile::Parse(in), file.string());
    return file;
  }
  // `qevtool --json scan --ts FILE`; a null document when the output is no JSON.
  nlohmann::json Scan(const fs::path &file, int *code = nullptr) {
    const int exit = Run({"--json", "--ts", file.string(), "scan"});
    if (code != nullptr)
      *code = exit;
    return nlohmann::json::parse(out.str(), nullptr, false);
  }
  // The ffmpeg command line's output options for a stream of `seconds` to `file`; true when
  // ffmpeg made it.
  bool Ffmpeg(const std::string &inputsAndOptions, const fs::path &file) const {
    return std::system(("ffmpeg -nostdin -hide_banner -loglevel error -y " + inputsAndOptions +
                        " -f mpegts '" + file.string() + "'")
                           .c_str()) == 0;
  }
};

const nlohmann::json *StreamEntry(const nlohmann::json &service, int pid, const char *kind) {
  for (const auto &s : service["streams"])
    if (s["pid"] == pid && s["kind"] == kind)
      return &s;
  return nullptr;
}

TEST_F(ToolScan, BadArgumentsExitTwoAndMissingSatellitesOrTransponderListsOne) {
  const fs::path stream = Generate(kRichDescription, "args");
  EXPECT_EQ(Run({"scan"}), 2);
  EXPECT_EQ(Run({"scan", "--sat", "x"}), 2);
  EXPECT_EQ(Run({"scan", "--sat", "0"}), 2);
  EXPECT_EQ(Run({"scan", "--sat"}), 2);
  EXPECT_EQ(Run({"scan", "--sat", "1", "--tp", "12000"}), 2);
  EXPECT_THAT(err.str(), HasSubstr("--tp takes FREQ,POL,SR"));
  EXPECT_EQ(Run({"scan", "--sat", "1", "10788"}), 2);
  EXPECT_EQ(Run({"--ts", stream.string(), "scan", "--merge"}), 2);
  EXPECT_EQ(Run({"--ts", stream.string(), "scan", "--sat", "1"}), 2);
  EXPECT_EQ(Run({"--ts", stream.string(), "scan", "--tp", "12000,H,27500"}), 2);

  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "scan", "--sat", "7"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("no satellite 7"));
  data::TSatList sats;
  ASSERT_TRUE(sats.SatAdd(DemoSat(1, 192, 1, "QEV Sat 19.2E")));
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "--json", "scan", "--sat", "1"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("satellite 1 has no transponders in"));
  EXPECT_THAT(err.str(), HasSubstr("0192.ini"));
  EXPECT_EQ(nlohmann::json::parse(out.str())["error"].get<std::string>().substr(0, 11),
            "satellite 1");
}

// The services of a tsgen stream field by field as it was described, then as dvbinfo reads it.
TEST_F(ToolScan, TsgenStreamWithTeletextAc3AndCaAgreesWithItsDescriptionAndDvbinfo) {
  const fs::path stream = Generate(kRichDescription, "rich");
  int code = -1;
  const nlohmann::json doc = Scan(stream, &code);
  ASSERT_EQ(code, 0) << err.str();
  const nlohmann::json &services = doc["services"];
  ASSERT_EQ(services.size(), 2u) << doc.dump(1); // not the SDT other's 0x61
  EXPECT_EQ(test::ServiceBySid(services, 0x61), nullptr);

  const nlohmann::json &one = *test::ServiceBySid(services, 0x51);
  EXPECT_EQ(one["tsid"], 0x0C01);
  EXPECT_EQ(one["name"], "Ttx One");
  EXPECT_EQ(one["provider"], "P1");
  EXPECT_EQ(one["type"], 1);
  EXPECT_EQ(one["scrambled"], false);
  EXPECT_EQ(one["pmt_pid"], 0x100);
  EXPECT_EQ(one["pcr_pid"], 0x101);
  EXPECT_EQ(one["video_pid"], 0x101);
  EXPECT_EQ(one["ac3_pid"], 0x102);
  EXPECT_EQ(one["teletext_pid"], 0x104);
  EXPECT_EQ(one["ecm_pid"], 0);
  EXPECT_EQ(one["ca"], nlohmann::json::array());
  const auto *ac3 = StreamEntry(one, 0x102, "AC3");
  ASSERT_NE(ac3, nullptr);
  EXPECT_EQ((*ac3)["lang"], "ENG");
  EXPECT_FALSE(ac3->contains("page"));
  const auto *ttx = StreamEntry(one, 0x104, "TTX");
  const auto *sub = StreamEntry(one, 0x104, "SUB");
  ASSERT_TRUE(ttx && sub) << one.dump(1);
  EXPECT_EQ((*ttx)["lang"], "GER");
  EXPECT_EQ((*ttx)["page"], 100);
  EXPECT_EQ((*sub)["lang"], "ENG");
  EXPECT_EQ((*sub)["page"], 888);
  EXPECT_EQ((*ttx)["stream_type"], 6);

  const nlohmann::json &pay = *test::ServiceBySid(services, 0x52);
  EXPECT_EQ(pay["scrambled"], true);
  EXPECT_EQ(pay["ecm_pid"], 0x3F0);
  EXPECT_EQ(pay["video_pid"], 0x201);
  const auto *eac3 = StreamEntry(pay, 0x202, "AC3");
  ASSERT_NE(eac3, nullptr);
  EXPECT_EQ((*eac3)["lang"], "FRA");
  ASSERT_EQ(pay["ca"].size(), 2u);
  EXPECT_EQ(pay["ca"][0],
            nlohmann::json(
                {{"ca_id", 0x0100}, {"ecm_pid", 0x3F0}, {"emm_pid", 0}, {"provider_id", 0x65}}));
  EXPECT_EQ(pay["ca"][1]["ca_id"], 0x0500);
  EXPECT_EQ(pay["ca"][1]["ecm_pid"], 0x3F1);

  // The same as text: one line a service.
  ASSERT_EQ(Run({"--ts", stream.string(), "scan"}), 0);
  EXPECT_THAT(out.str(),
              HasSubstr("SID 0051 \"Ttx One\" \"P1\" type 1 PMT 0100 PCR 0101 VID 0101"));
  EXPECT_THAT(out.str(), HasSubstr("ECM 03F0 scrambled\n"));
  const std::string text = out.str();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;

  if (!test::HaveProgram("dvbinfo"))
    GTEST_SKIP() << "dvbinfo is not installed";
  const test::TPeerPrograms peer = test::DvbinfoPrograms(stream);
  ASSERT_EQ(peer.size(), 2u);
  const int compared = test::ExpectScanAgrees(services, peer);
  std::cout << "dvbinfo: " << compared << " values compared\n";
  RecordProperty("dvbinfo_compared", compared);
}

// Streams ffmpeg muxed, one or several programs, as ffprobe reads them.
TEST_F(ToolScan, FfmpegStreamsAgreeWithFfprobe) {
  if (!test::HaveProgram("ffmpeg") || !test::HaveProgram("ffprobe"))
    GTEST_SKIP() << "ffmpeg or ffprobe is not installed";
  const std::string sources = "-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i "
                              "sine=frequency=440 -f lavfi -i sine=frequency=660 -t 3 ";
  struct TCase {
    std::string name, options;
  };
  std::vector<TCase> cases = {
      {"mpeg2", sources + "-map 0:v -map 1:a -c:v mpeg2video -c:a mp2 -metadata:s:a:0 "
                          "language=deu -metadata service_name=Eins -metadata "
                          "service_provider=Anstalt"},
      {"programs", sources +
                       "-map 0:v -map 1:a -map 2:a -map 0:v -map 2:a -c:v mpeg2video "
                       "-c:a mp2 -metadata:s:a:0 language=deu -metadata:s:a:1 "
                       "language=eng -metadata:s:a:2 language=fra "
                       "-program title=Erstes:st=0:st=1:st=2 -program title=Zweites:st=3:st=4"},
      // AC-3 the DVB way: private data with an AC-3 descriptor.
      {"ac3", sources + "-map 0:v -map 1:a -c:v mpeg2video -c:a ac3 -metadata:s:a:0 "
                        "language=spa -mpegts_flags system_b -metadata service_name=Drei"}};
  if (std::system("ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libx264") == 0)
    cases.push_back({"h264", sources + "-map 0:v -map 1:a -map 2:a -c:v libx264 -preset "
                                       "ultrafast -c:a aac -metadata:s:a:0 language=ita "
                                       "-metadata:s:a:1 language=por -metadata service_name=HD"});
  int compared = 0;
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = root / (c.name + ".ts");
    ASSERT_TRUE(Ffmpeg(c.options, file));
    int code = -1;
    const nlohmann::json doc = Scan(file, &code);
    ASSERT_EQ(code, 0) << err.str();
    const test::TPeerPrograms peer = test::FfprobePrograms(file);
    ASSERT_FALSE(peer.empty());
    compared += test::ExpectScanAgrees(doc["services"], peer);
  }
  std::cout << "ffprobe: " << cases.size() << " streams, " << compared << " values compared\n";
  RecordProperty("ffprobe_compared", compared);
}

// Random packets, sections that lie about their length or checksum, and sections cut short end
// the scan with a result, not a crash or a hang.
TEST_F(ToolScan, MalformedStreamsEndTheScanWithAResult) {
  std::ofstream(root / "Configs/Options.cfg") << kShortTimeouts;
  std::mt19937 rng(7);
  std::string noise = test::RandomBytes(rng, 0);
  while (noise.size() < 188 * 3000) {
    std::string packet = test::RandomBytes(rng, 187);
    packet.resize(187, '\xFF');
    packet[0] &= 0x1F; // PIDs 0x0000..0x1FFF of any kind, tables among them
    noise += '\x47' + packet;
  }
  const fs::path random = root / "random.ts";
  std::ofstream(random, std::ios::binary) << noise;

  const std::string flawed =
      std::string(kRichDescription) + "[flaws]\nbad_crc = 2\nwrong_length = 3\nsplit_headers = 1\n";
  // Every PMT packet cut after its first 24 bytes: the sections never end.
  std::string cut = ReadAll(Generate(kRichDescription, "whole"));
  for (std::size_t at = 0; at + 188 <= cut.size(); at += 188) {
    const int pid = (cut[at + 1] & 0x1F) << 8 | static_cast<unsigned char>(cut[at + 2]);
    if (pid == 0x100 || pid == 0x200)
      std::fill(cut.begin() + static_cast<std::ptrdiff_t>(at + 24),
                cut.begin() + static_cast<std::ptrdiff_t>(at + 188), '\xFF');
  }
  const fs::path truncated = root / "truncated.ts";
  std::ofstream(truncated, std::ios::binary) << cut;
  // A file that stops in the middle of a packet.
  const fs::path half = root / "half.ts";
  std::ofstream(half, std::ios::binary) << cut.substr(0, 188 * 40 + 100);

  for (const fs::path &file : {random, Generate(flawed, "flawed"), truncated, half}) {
    SCOPED_TRACE(file.filename().string());
    int code = -1;
    const nlohmann::json doc = Scan(file, &code);
    EXPECT_TRUE(code == 0 || code == 1) << code << err.str();
    ASSERT_TRUE(doc.is_object()) << out.str();
    EXPECT_TRUE(doc["services"].is_array());
  }
  // The PMTs never came whole: the services are there, without streams, and a warning says so.
  const nlohmann::json doc = Scan(truncated);
  ASSERT_EQ(doc["services"].size(), 2u);
  EXPECT_EQ(doc["services"][0]["streams"], nlohmann::json::array());
  EXPECT_THAT(doc["warnings"].dump(), HasSubstr("PMT-Incomplete  PID=0100"));
  EXPECT_THAT(err.str(), HasSubstr("[Warnings]"));
}

} // namespace
