// qevtool epg over --ts files: a tsgen guide in two languages with extended texts, items,
// accents, content and ratings comes out whole, as dvbinfo reads it too; broken files end.
#include "description_file.h"
#include "multiplexer.h"
#include "scan_peers.h"
#include "support/random_bytes.h"
#include "test_stream.h"
#include "tool_root.h"
#include "xmllint_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <regex>

using namespace qev;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

constexpr const char *kGuideDescription = R"([transponder]
tsid = 7
onid = 1
network_id = 1
start = 2026-12-09 20:00:00
duration = 5
[service]
id = 0x21
pmt = 0x100
pcr = 0x101
type = 1
name = Café Eins
provider = Test
[stream]
kind = mpeg2
pid = 0x101
[event]
id = 11
start = 2026-12-09 19:30:00
duration = 3600
name = Nachrichten für Köln
text = Die Nachrichten
extended = Ein langer Blick auf den Tag & die Nacht.
item = Moderation: Ann Müller
item = Studio: Köln
content = 0x20
rating = 12
lang = ger
translation = eng | News for Cologne | The news
[event]
id = 12
start = 2026-12-09 20:30:00
duration = 5400
name = Film <Noir>
text = A film
content = 0x10
rating = 16
lang = eng
[event]
id = 13
start = 2026-12-11 08:00:00
duration = 1800
name = Später
text = Übermorgen
content = 0x40
lang = ger
[service]
id = 0x22
pmt = 0x200
pcr = 0x201
type = 1
name = Zwei
provider = Test
[stream]
kind = mpeg2
pid = 0x201
[event]
id = 21
start = 2026-12-09 20:00:00
duration = 7200
name = Quiz & Co
text = "Fragen"
lang = ger
)";

std::string IsoOf(tsgen::UtcSeconds t) {
  char text[32];
  const std::time_t time = static_cast<std::time_t>(t);
  std::tm tm{};
  gmtime_r(&time, &tm);
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

struct TPeerEvent {
  std::int64_t Start = 0;
  std::int64_t Duration = 0;
  std::string ShortEvents; // every short event's bytes as dvbinfo prints them
};

int Bcd(unsigned v) { return static_cast<int>((v >> 4) * 10 + (v & 15)); }

// dvbinfo's table summary: event ids with the raw MJD/BCD start and BCD duration it prints.
std::map<int, TPeerEvent> DvbinfoEvents(const fs::path &file) {
  const std::string summary =
      test::Capture("dvbinfo -d error -s table -f '" + file.string() + "' 2>/dev/null");
  std::map<int, TPeerEvent> events;
  static const std::regex kEvent(
      R"(Event id: (\d+)\s*\n.*Start time: (\d+)\s*\n.*Duration: (\d+))");
  static const std::regex kShort(R"(0x4d : "([^"\n]*)\")");
  for (auto it = std::sregex_iterator(summary.begin(), summary.end(), kEvent);
       it != std::sregex_iterator(); ++it) {
    const auto raw = std::stoull((*it)[2]);
    const auto duration = static_cast<unsigned>(std::stoul((*it)[3]));
    const std::int64_t mjd = static_cast<std::int64_t>(raw >> 24);
    TPeerEvent &e = events[std::stoi((*it)[1])];
    e.Start = (mjd - 40587) * 86400 + Bcd((raw >> 16) & 0xFF) * 3600 + Bcd((raw >> 8) & 0xFF) * 60 +
              Bcd(raw & 0xFF);
    e.Duration =
        Bcd(duration >> 16) * 3600 + Bcd((duration >> 8) & 0xFF) * 60 + Bcd(duration & 0xFF);
    const std::string rest = (*it).suffix().str().substr(0, 400);
    for (auto s = std::sregex_iterator(rest.begin(), rest.end(), kShort);
         s != std::sregex_iterator(); ++s)
      e.ShortEvents += (*s)[1].str() + "|";
  }
  return events;
}

bool Ascii(const std::string &text) {
  return std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

class ToolEpg : public test::ToolRoot {
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
  nlohmann::json Epg(const fs::path &file, int &code) {
    code = Run({"--json", "--ts", file.string(), "epg"});
    return nlohmann::json::parse(out.str(), nullptr, false);
  }
};

const nlohmann::json *Reported(const nlohmann::json &events, int sid, int eventId) {
  for (const auto &e : events)
    if (e["sid"] == sid && e["event_id"] == eventId)
      return &e;
  return nullptr;
}

} // namespace

TEST_F(ToolEpg, BadArgumentsExitTwo) {
  const fs::path stream = test::MakeTestStream("epg-args");
  EXPECT_EQ(Run({"epg"}), 2);
  EXPECT_EQ(Run({"epg", "--seconds", "0", "--name", "x"}), 2);
  EXPECT_EQ(Run({"epg", "x"}), 2);
  EXPECT_EQ(Run({"--json", "epg", "--xmltv", "--name", "x"}), 2);
  EXPECT_EQ(Run({"--ts", stream.string(), "epg", "--name", "One"}), 2);
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "epg", "--name", "Nowhere"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("no channel named Nowhere"));
  fs::remove(stream);
}

// Every described event, in both services, with its exact texts in the language its first
// short event gives, sorted, then the same events as dvbinfo decodes them.
TEST_F(ToolEpg, TsgenGuideComesOutWholeAndAgreesWithDvbinfo) {
  const fs::path stream = Generate(kGuideDescription, "guide");
  std::istringstream in(kGuideDescription);
  const tsgen::Transponder tp = tsgen::DescriptionFile::Parse(in);
  int code = -1;
  const nlohmann::json doc = Epg(stream, code);
  ASSERT_EQ(code, 0) << err.str();
  const nlohmann::json &events = doc["events"];
  std::size_t described = 0;
  for (const tsgen::Service &service : tp.services)
    for (const tsgen::Event &e : service.events) {
      ++described;
      const nlohmann::json *got = Reported(events, service.serviceId, e.eventId);
      ASSERT_NE(got, nullptr) << e.name << doc.dump(1);
      EXPECT_EQ((*got)["onid"], 1);
      EXPECT_EQ((*got)["tsid"], 7);
      EXPECT_EQ((*got)["start"], IsoOf(e.start));
      EXPECT_EQ((*got)["duration"], e.duration);
      // The event takes its first short event: the own language's, or a translation's.
      std::map<std::string, std::pair<std::string, std::string>> versions = {
          {test::UpperText(e.language), {e.name, e.shortText}}};
      for (const tsgen::EventTranslation &t : e.translations)
        versions[test::UpperText(t.language)] = {t.name, t.shortText};
      const auto version = versions.find((*got)["language"].get<std::string>());
      ASSERT_NE(version, versions.end()) << got->dump();
      EXPECT_EQ((*got)["name"], version->second.first);
      EXPECT_EQ((*got)["text"], version->second.second);
      EXPECT_EQ((*got)["extended"], e.extendedText);
      std::string items;
      for (const tsgen::ExtendedItem &item : e.items)
        items += item.description + ":" + item.text + "\r";
      EXPECT_EQ((*got)["items"], items);
      EXPECT_EQ((*got)["age"], e.parentalRating ? *e.parentalRating + 3 : 0);
      char code[8] = "";
      if (!e.content.empty())
        std::snprintf(code, sizeof code, "(0x%02X)", e.content[0]);
      EXPECT_THAT((*got)["content"].get<std::string>(), HasSubstr(code));
      EXPECT_EQ(e.content.empty(), (*got)["content"] == "");
    }
  EXPECT_EQ(events.size(), described) << doc.dump(1);
  for (std::size_t i = 1; i < events.size(); ++i) {
    const auto key = [](const nlohmann::json &e) {
      return std::tuple(e["onid"].get<int>(), e["tsid"].get<int>(), e["sid"].get<int>(),
                        e["start"].get<std::string>());
    };
    EXPECT_LE(key(events[i - 1]), key(events[i]));
  }

  if (!test::HaveProgram("dvbinfo"))
    GTEST_SKIP() << "dvbinfo is not installed";
  const std::map<int, TPeerEvent> peer = DvbinfoEvents(stream);
  ASSERT_EQ(peer.size(), described);
  for (const auto &e : events) {
    const auto found = peer.find(e["event_id"].get<int>());
    ASSERT_NE(found, peer.end()) << e.dump();
    EXPECT_EQ(IsoOf(found->second.Start), e["start"]);
    EXPECT_EQ(found->second.Duration, e["duration"]);
    // dvbinfo prints the raw bytes: language, name and text run together.
    const std::string name = e["name"];
    if (Ascii(name)) {
      EXPECT_THAT(found->second.ShortEvents, HasSubstr(name)) << e.dump();
    }
  }
  fs::remove(stream);
}

// The XMLTV form of the same guide: one channel per service, named from the file's services.
TEST_F(ToolEpg, XmltvOfTheFileNamesItsServices) {
  const fs::path stream = Generate(kGuideDescription, "xmltv");
  ASSERT_EQ(Run({"--ts", stream.string(), "epg", "--xmltv"}), 0) << err.str();
  const std::string xml = out.str();
  EXPECT_THAT(xml, HasSubstr("<channel id=\"33.7.1.dvb\">\n    <display-name>Café Eins<"));
  EXPECT_THAT(xml, HasSubstr("<display-name>Zwei</display-name>"));
  EXPECT_THAT(xml, HasSubstr("<title lang=\"eng\">Film &lt;Noir&gt;</title>"));
  EXPECT_THAT(xml, HasSubstr("<title lang=\"ger\">Quiz &amp; Co</title>"));
  EXPECT_THAT(xml, HasSubstr("start=\"20261211080000 +0000\" stop=\"20261211083000 +0000\""));
  if (!test::HaveXmllint())
    GTEST_SKIP() << "xmllint is not installed";
  const fs::path file = root / "guide.xml";
  std::ofstream(file) << xml;
  EXPECT_EQ(test::XmltvErrors(file), "");
}

// Random bytes, a file cut mid-packet and an empty file each end quickly with 0 or 1.
TEST_F(ToolEpg, MalformedFilesEndWithExitZeroOrOne) {
  const fs::path guide = Generate(kGuideDescription, "cut");
  std::string bytes;
  {
    std::ifstream in(guide, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::mt19937 rng(7);
  const std::vector<std::pair<std::string, std::string>> files = {
      {"random", test::RandomBytes(rng, 188 * 2000)},
      {"cut", bytes.substr(0, bytes.size() / 3 + 77)},
      {"empty", ""}};
  for (const auto &[name, content] : files) {
    const fs::path file = root / (name + ".ts");
    std::ofstream(file, std::ios::binary) << content;
    const int code = Run({"--json", "--ts", file.string(), "epg"});
    EXPECT_TRUE(code == 0 || code == 1) << name << ": " << code << err.str();
  }
}
