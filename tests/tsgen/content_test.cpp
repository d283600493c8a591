// What the demo sky is tested against: teletext in the national sets, scrambled services with
// their ECMs and EMMs, and the stream types and descriptors of every codec.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "support/run_command.h"
#include <sstream>
#include <unistd.h>

#include "psi_tables.h"
#include "teletext_charset.h"
#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

std::string ErrorOf(const std::string &text) {
  try {
    std::istringstream in(text);
    DescriptionFile::Parse(in);
  } catch (const std::invalid_argument &e) {
    return e.what();
  }
  return "no error";
}

constexpr const char *kNationalPages = R"([transponder]
start = 2024-03-01 12:00:00
duration = 2
bitrate = 2000000
[service]
id = 1
pmt = 0x100
pcr = 0x101
name = Letters
[stream]
kind = mpeg2
pid = 0x101
[stream]
kind = teletext
pid = 0x104
teletext = eng initial 100
[page]
number = 100
national = 1
links = 201
index = Europe
[page]
number = 201
national = 1
row = 1 Grüße aus München, Straße
[page]
number = 202
national = 4
row = 1 Très ensoleillé à Paris, ça
[page]
number = 203
national = 2
row = 1 Väder i Göteborg och Åland
[page]
number = 204
national = 6
row = 1 Počasí v Praze: déšť
)";

TEST(TsgenNationalSets, TextTakesTheNationalPositionsOfItsSet) {
  EXPECT_EQ(EncodeTeletextText("Südwest", 1, 201), "S}dwest");
  EXPECT_EQ(EncodeTeletextText("é#à", 4, 202), "#_@");
  EXPECT_EQ(EncodeTeletextText("£1 #", 0, 100), "#1 _");
  EXPECT_EQ(EncodeTeletextText("{red}A{m-blue}{#7f}{double}", 0, 100), "\x01"
                                                                       "A\x14\x7F\x0D");
}

TEST(TsgenNationalSets, ACharacterTheSetCannotShowIsRefusedByName) {
  EXPECT_EQ(ErrorOf("[service]\n[stream]\nkind = teletext\n[page]\nnumber = 204\nnational = 6\n"
                    "row = 1 Čeština\n"),
            "page 204: the Czech/Slovak teletext set has no \"Č\" (U+010C)");
  EXPECT_EQ(ErrorOf("[service]\n[stream]\nkind = teletext\n[page]\nnumber = 101\n"
                    "caption = Grüße\n"),
            "page 101: the English teletext set has no \"ü\" (U+00FC)");
  // '[' is a national position: the German set shows Ä there.
  EXPECT_THROW(EncodeTeletextText("[", 1, 201), std::invalid_argument);
  EXPECT_THROW(EncodeTeletextText("{purple}", 0, 100), std::invalid_argument);
  EXPECT_THROW(EncodeTeletextText("{red", 0, 100), std::invalid_argument);
  EXPECT_THROW(EncodeTeletextText("\xC3", 0, 100), std::invalid_argument);
}

// libzvbi reads the pages back in their national sets (region 0: the sets C12 to C14 select).
TEST(TsgenNationalSets, LibzvbiReadsEveryPageInItsSet) {
  if (qev::test::Capture("ffmpeg -hide_banner -decoders 2>/dev/null").find("libzvbi") ==
      std::string::npos) {
    GTEST_SKIP() << "ffmpeg without libzvbi";
  }
  std::istringstream in(kNationalPages);
  const Transponder tp = DescriptionFile::Parse(in);
  const std::string path =
      ::testing::TempDir() + "tsgen_national_" + std::to_string(getpid()) + ".ts";
  GenerateFile(tp, path);
  const std::pair<int, const char *> kPages[] = {{201, "Grüße aus München, Straße"},
                                                 {202, "Très ensoleillé à Paris, ça"},
                                                 {203, "Väder i Göteborg och Åland"},
                                                 {204, "Počasí v Praze: déšť"}};
  for (const auto &[page, text] : kPages) {
    const std::string out = qev::test::Capture(
        "ffmpeg -v error -txt_format text -txt_default_region 0 -txt_page " + std::to_string(page) +
        " -i '" + path + "' -map 0:s:0 -c:s srt -f srt - 2>&1");
    EXPECT_NE(out.find(text), std::string::npos) << page << ":\n" << out;
  }
  const std::string index = qev::test::Capture(
      "ffmpeg -v error -txt_format text -txt_default_region 0 -txt_page 100 -i '" + path +
      "' -map 0:s:0 -c:s srt -f srt - 2>&1");
  EXPECT_NE(index.find("Europe"), std::string::npos) << index;
  std::remove(path.c_str());
}

TEST(TsgenNationalSets, PagesCarryLinksAndTheIndexItsColourBar) {
  std::istringstream in(kNationalPages);
  const Transponder tp = DescriptionFile::Parse(in);
  const TeletextPage &index = tp.services[0].streams[1].pages[0];
  EXPECT_EQ(index.links, (std::vector<unsigned>{201}));
  ASSERT_FALSE(index.rows.empty());
  EXPECT_EQ(index.rows.back().number, 24);
  EXPECT_EQ(index.rows.back().text.substr(0, 8), "\x01Gr}~e a"); // in the index's German set
  // Double height and mosaics in the banner.
  EXPECT_NE(index.rows.front().text.find('\x0D'), std::string::npos);
  EXPECT_NE(index.rows.front().text.find("\x14\x7F"), std::string::npos);
}

class TsgenScrambled : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    stream_ = new Bytes(GenerateStream(SampleTransponder()));
    reader_ = new TsReader(*stream_);
  }
  static void TearDownTestSuite() {
    delete reader_;
    delete stream_;
  }
  static Bytes *stream_;
  static TsReader *reader_;
};

Bytes *TsgenScrambled::stream_ = nullptr;
TsReader *TsgenScrambled::reader_ = nullptr;

TEST_F(TsgenScrambled, PictureAndSoundOfACaServiceAreScrambled) {
  for (const std::uint16_t pid : {0x0201, 0x0202}) {
    int payloads = 0;
    for (const auto &p : reader_->PacketsOf(pid)) {
      if (!p.hasPayload) {
        continue;
      }
      ++payloads;
      EXPECT_GE(p.bytes[3] >> 6, 2u) << "pid " << pid;
      if (p.unitStart) {
        EXPECT_FALSE(p.payload[0] == 0 && p.payload[1] == 0 && p.payload[2] == 1)
            << "a readable PES start on " << pid;
      }
    }
    EXPECT_GT(payloads, 0) << pid;
  }
  for (const std::uint16_t pid : {0x0101, 0x0104, 0x0200}) {
    for (const auto &p : reader_->PacketsOf(pid)) {
      EXPECT_EQ(p.bytes[3] >> 6, 0u) << "pid " << pid;
    }
  }
}

TEST_F(TsgenScrambled, EcmAndEmmPidsCarryTheirSections) {
  for (const std::uint16_t ecm : {0x0210, 0x0211}) {
    const auto sections = reader_->Sections(ecm);
    ASSERT_FALSE(sections.empty()) << ecm;
    for (const Bytes &s : sections) {
      EXPECT_TRUE(s[0] == 0x80 || s[0] == 0x81);
      EXPECT_EQ(Read16(s, 5), 0x0102); // the service
    }
  }
  const auto emms = reader_->Sections(0x0020);
  ASSERT_GE(emms.size(), 2u);
  EXPECT_EQ(emms[0][0], 0x82);
  EXPECT_EQ(emms[1][0], 0x83);
  EXPECT_EQ(Read16(emms[0], 7), 0x0100); // its CA system
  EXPECT_FALSE(reader_->Sections(0x0021).empty());
}

TEST(TsgenCodecs, PmtNamesEveryCodecWithItsDescriptor) {
  Service s;
  s.serviceId = 7;
  s.pcrPid = 0x101;
  const std::pair<StreamKind, std::uint16_t> kStreams[] = {{StreamKind::HevcVideo, 0x101},
                                                           {StreamKind::Eac3Audio, 0x102},
                                                           {StreamKind::AacAudio, 0x103},
                                                           {StreamKind::Ac3Audio, 0x104},
                                                           {StreamKind::DataSections, 0x105}};
  for (const auto &[kind, pid] : kStreams) {
    Stream stream;
    stream.kind = kind;
    stream.pid = pid;
    s.streams.push_back(stream);
  }
  const Bytes pmt = BuildPmt(s);
  const std::size_t end = pmt.size() - 4;
  std::vector<std::pair<unsigned, Bytes>> found;
  for (std::size_t at = 12 + (Read16(pmt, 10) & 0x0FFF); at + 5 <= end;) {
    const std::size_t n = Read16(pmt, at + 3) & 0x0FFF;
    found.push_back({pmt[at], Bytes(pmt.begin() + at + 5, pmt.begin() + at + 5 + n)});
    at += 5 + n;
  }
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].first, 0x24u);
  EXPECT_EQ(found[1].first, 0x06u);
  EXPECT_EQ(found[1].second, (Bytes{0x7A, 1, 0}));
  EXPECT_EQ(found[2].first, 0x0Fu);
  EXPECT_EQ(found[2].second, (Bytes{0x7C, 1, 0x29}));
  EXPECT_EQ(found[3].second, (Bytes{0x6A, 1, 0}));
  EXPECT_EQ(found[4].first, 0x05u);
}

TEST(TsgenCodecs, DataStreamCarriesItsSectionsInOrder) {
  Stream data;
  data.kind = StreamKind::DataSections;
  data.pid = 0x0501;
  data.sections = {"first", "second"};
  const auto sections = BuildDataSections(data);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[1][0], 0xC0);
  EXPECT_EQ(sections[1][6], 1); // section_number
  EXPECT_EQ(sections[1][7], 1); // last_section_number
  EXPECT_EQ(std::string(sections[1].begin() + 8, sections[1].end() - 4), "second");
}

// A transponder names its neighbour by the neighbour's own description: the NIT delivers both,
// the SDT other and the EIT present/following other tell the neighbour's services and events.
TEST(TsgenNeighbour, SdtEitAndNitOfTheOtherTransportStream) {
  const std::string dir = ::testing::TempDir() + "tsgen_neighbour_" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/a.txt") << "[transponder]\ntsid = 0x10\nonid = 2\nstart = "
                                   "2024-03-01 12:00:00\nduration = 3\nbitrate = 2000000\n"
                                   "[other]\ndescription = b.txt\n";
  std::ofstream(dir + "/b.txt")
      << "[transponder]\ntsid = 0x11\nonid = 2\nfrequency = 12303000\nsystem = S2\n"
         "modulation = 8psk\n[service]\nid = 0x77\npmt = 0x100\nname = Next Door\n"
         "[event]\nid = 5\nstart = 2024-03-01 11:30:00\nduration = 3600\nname = Now\n"
         "translation = ger | Jetzt | Gerade\n[event]\nid = 6\nstart = 2024-03-01 12:30:00\n"
         "duration = 900\nname = Next\nduration_undefined = 1\n[other]\ndescription = a.txt\n";
  const Transponder tp = DescriptionFile::Load(dir + "/a.txt");
  std::filesystem::remove_all(dir);
  ASSERT_EQ(tp.others.size(), 1u);
  EXPECT_EQ(tp.others[0].delivery.frequencyKhz, 12303000u);
  const TsReader reader(GenerateStream(tp));
  const Bytes sdt = reader.FirstSection(0x0011, 0x46);
  ASSERT_FALSE(sdt.empty());
  EXPECT_EQ(Extension(sdt), 0x11u);
  EXPECT_EQ(Read16(sdt, 11), 0x77);
  const Bytes present = reader.FirstSection(0x0012, 0x4F, 0x77);
  ASSERT_FALSE(present.empty());
  EXPECT_EQ(Read16(present, 8), 0x11); // the neighbour's transport stream
  EXPECT_EQ(Read16(present, 14), 5);
  const std::span<const std::uint8_t> loop(present.data() + 26, Read16(present, 24) & 0x0FFF);
  const Bytes english = FindDescriptor(loop, 0x4D);
  const Bytes german = FindDescriptor(loop.subspan(english.size()), 0x4D);
  EXPECT_EQ(std::string(german.begin() + 2, german.begin() + 11), "ger\x05Jetzt");
  Bytes following;
  for (const Bytes &s : reader.Sections(0x0012)) {
    if (s[0] == 0x4F && s[6] == 1) {
      following = s;
    }
  }
  ASSERT_FALSE(following.empty());
  EXPECT_EQ(Bytes(following.begin() + 21, following.begin() + 24), (Bytes{0xFF, 0xFF, 0xFF}));
  const Bytes nit = reader.FirstSection(0x0010, 0x40);
  ASSERT_FALSE(nit.empty());
  const std::size_t loop0 = 10 + (Read16(nit, 8) & 0x0FFF) + 2;
  const std::size_t second = loop0 + 6 + (Read16(nit, loop0 + 4) & 0x0FFF);
  EXPECT_EQ(Read16(nit, second), 0x11);
  const Bytes delivery = FindDescriptor(std::span(nit).subspan(second + 6), 0x43);
  ASSERT_EQ(delivery.size(), 13u);
  EXPECT_EQ(delivery[8] & 0x07, 0x04 | 0x02); // DVB-S2, 8PSK
}

} // namespace
} // namespace qev::tsgen::test
