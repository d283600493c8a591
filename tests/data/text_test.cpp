// Broadcast text against iconv, Unicode case folding, language names, time helpers and the
// media format summary.
#include "data/date_time.h"
#include "data/lang_names.h"
#include "data/media_format.h"
#include "data/si_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <iconv.h>
#include <string>
#include <vector>

using namespace qev::data;

namespace {

std::string Decode(std::vector<std::uint8_t> text, std::size_t max = 255) {
  text.insert(text.begin(), static_cast<std::uint8_t>(text.size()));
  return DecodeSiText(text, max);
}

// The peer's answer for the same bytes: iconv called directly.
std::string Iconv(const char *charset, const std::string &in) {
  iconv_t cd = iconv_open("UTF-8", charset);
  std::string src = in, out(in.size() * 4 + 4, '\0');
  char *s = src.data(), *d = out.data();
  std::size_t sl = src.size(), dl = out.size();
  iconv(cd, &s, &sl, &d, &dl);
  iconv_close(cd);
  out.resize(out.size() - dl);
  return out;
}

class TimeZone : public ::testing::Test {
protected:
  void SetUp() override {
    if (const char *tz = std::getenv("TZ"))
      saved = tz;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  void TearDown() override {
    if (saved.empty())
      unsetenv("TZ");
    else
      setenv("TZ", saved.c_str(), 1);
    tzset();
  }
  std::string saved;
};

} // namespace

TEST(SiText, DefaultTableIsIso6937) {
  EXPECT_EQ(Decode({'A', 'b', 'c'}), "Abc");
  // 0xC8 is the diaeresis prefix of ISO 6937: "ü".
  EXPECT_EQ(Decode({0xC8, 'u', 'x'}), "üx");
  EXPECT_EQ(Decode({'a', 0x86, 'b', 0x8A, 'c', 0x87}), "abc"); // emphasis and line break go
}

TEST(SiText, CyrillicSelectorGivesEveryLetter) {
  // The selector 0x01 names ISO 8859-5: А (0xB0), а (0xD0), and letters such as Ў (0xAE) and
  // ђ (0xF2) that a Windows-1251 detour would blank.
  EXPECT_EQ(Decode({0x01, 0xB0, 0x86, 0xD0, 0x41}), "АаA");
  EXPECT_EQ(Decode({0x01, 0xAE, 0xF2}), "Ўђ");
}

TEST(SiText, EverySelectorMatchesIconv) {
  const std::string high = "\xA1\xB5\xC3\xD7\xE9\xFA";
  const struct {
    std::uint8_t selector;
    const char *charset;
  } tables[] = {{0x02, "ISO-8859-6"},  {0x03, "ISO-8859-7"},  {0x04, "ISO-8859-8"},
                {0x05, "ISO-8859-9"},  {0x06, "ISO-8859-10"}, {0x07, "ISO-8859-11"},
                {0x09, "ISO-8859-13"}, {0x0A, "ISO-8859-14"}, {0x0B, "ISO-8859-15"}};
  for (const auto &t : tables) {
    const std::string field = static_cast<char>(t.selector) + high;
    const std::vector<std::uint8_t> bytes(field.begin(), field.end());
    const std::string expected = Iconv(t.charset, high);
    // Bytes a table leaves unassigned are dropped by both sides alike only when iconv takes
    // the whole string, so compare where the peer converted everything.
    if (expected.size() >= high.size()) {
      EXPECT_EQ(Decode(bytes), expected) << t.charset;
    }
  }
  for (std::uint8_t part = 1; part <= 15; ++part) {
    if (part == 12)
      continue;
    const std::string charset = "ISO-8859-" + std::to_string(part);
    std::vector<std::uint8_t> bytes{0x10, 0x00, part, 'x', 0xE9};
    EXPECT_EQ(Decode(bytes), Iconv(charset.c_str(), "x\xE9")) << charset;
  }
  EXPECT_EQ(Decode({0x11, 0x04, 0x16, 0x00, 0x41, 0xE0, 0x8A}), "ЖA"); // UCS-2, control dropped
  EXPECT_EQ(Decode({0x15, 0xE2, 0x82, 0xAC, 0xC2, 0x8A, '1'}), "€1");  // UTF-8
  EXPECT_EQ(Decode({0x13, 0xC4, 0xE3}), Iconv("GB2312", "\xC4\xE3"));
  EXPECT_EQ(Decode({0x12, 0xB0, 0xA1}), Iconv("EUC-KR", "\xB0\xA1"));
}

TEST(SiText, LengthIsBoundedByMaxAndByTheBytesThere) {
  const std::vector<std::uint8_t> lying = {200, 'a', 'b'}; // claims 200 bytes, holds 2
  EXPECT_EQ(DecodeSiText(lying, 255), "ab");
  EXPECT_EQ(Decode({'a', 'b', 'c'}, 2), "ab");
  EXPECT_EQ(DecodeSiText({}, 10), "");
  EXPECT_EQ(Decode({0x10, 0x00}), "");             // a cut-off selector
  EXPECT_EQ(Decode({0x15, 0xFF, 'o', 'k'}), "ok"); // invalid UTF-8 is skipped, not fatal
}

TEST(SiText, CutAndFoldWorkOnCharacters) {
  EXPECT_EQ(CutUtf8("aжb", 2), "a");
  EXPECT_EQ(CutUtf8("aжb", 3), "aж");
  EXPECT_TRUE(EqualsFold("ÄRGER Über", "ärger über"));
  EXPECT_TRUE(EqualsFold("ПЕРВЫЙ", "первый"));
  EXPECT_TRUE(ContainsFold("Das Erste HD", "erste"));
  EXPECT_FALSE(EqualsFold("a", "b"));
}

TEST(Languages, TableOrderAndFirstMatch) {
  EXPECT_EQ(LangName("GER"), "German");
  EXPECT_EQ(LangName("deu"), "German");
  EXPECT_EQ(LangName(" eng "), "English");
  EXPECT_EQ(LangName("en"), "");
  EXPECT_EQ(LangName("xyz"), "");
  EXPECT_EQ(LangName("qaa"), "Original");
  const auto table = LangTable();
  ASSERT_GT(table.size(), 400u);
  EXPECT_STREQ(table.back().Code, "qaa");
  for (std::size_t i = 1; i + 1 < table.size(); ++i)
    EXPECT_LE(std::string(table[i - 1].Name), std::string(table[i].Name));
}

TEST(DateTime, Arithmetic) {
  const double t = 45000.5;
  EXPECT_EQ(SecondsBetween(t, AddSeconds(1, t)), 1); // a stored second reads as one
  EXPECT_EQ(SecondsBetween(AddMinutes(90, t), t), 5400);
  EXPECT_EQ(DateTimeToUnix(25569.0), 0);
  EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1700000000)), 1700000000);
  EXPECT_DOUBLE_EQ(UnixToDateTime(86400), 25570.0);
}

TEST_F(TimeZone, EachInstantUsesItsOwnOffset) {
  const std::int64_t winter = 1704110400; // 2024-01-01 12:00 UTC
  const std::int64_t summer = 1719835200; // 2024-07-01 12:00 UTC
  EXPECT_EQ(UtcToLocal(winter) - winter, 3600);
  EXPECT_EQ(UtcToLocal(summer) - summer, 7200);
  EXPECT_EQ(UtcFromLocal(UtcToLocal(winter)), winter);
  EXPECT_EQ(UtcFromLocal(UtcToLocal(summer)), summer);
}

TEST(MediaFormat, Summaries) {
  TMediaFormat v;
  v.FormatType = TMediaFormat::Type::Mpeg2Video;
  v.Width = 720;
  v.Height = 576;
  v.AspectX = 16;
  v.AspectY = 9;
  v.BitRate = 6000999;
  EXPECT_EQ(MediaFormatText(v), "VID 720x576,16:9,6000Kbps");
  TMediaFormat a;
  a.FormatType = TMediaFormat::Type::Wave;
  a.FormatTag = kWaveMpa;
  a.Channels = 2;
  a.SampleRate = 48000;
  a.AvgBytesPerSec = 24000;
  EXPECT_EQ(MediaFormatText(a), "MPA 2Ch,48.0KHz,192Kbps");
  a.FormatTag = 1;
  a.SampleRate = 44100;
  EXPECT_EQ(MediaFormatText(a), " 2Ch,44.1KHz,192Kbps");
  EXPECT_EQ(MediaFormatText(TMediaFormat{}), "");
}

TEST(SiText, DefaultTableHasTheEuroAndUnknownSelectorsPassTheBytesOn) {
  EXPECT_EQ(Decode({'5', 0xA4, ' ', 0xC8, 'u'}), "5€ ü");
  // Reserved selectors, an encoding_type_id after 0x1F and an unassigned 8859 part: no table,
  // each byte stands for itself.
  for (const std::uint8_t selector : {0x08, 0x0C, 0x0D, 0x0E, 0x0F, 0x16, 0x1A, 0x1E})
    EXPECT_EQ(Decode({selector, 'A', 'b', 0xE9}), "Abé") << int(selector);
  EXPECT_EQ(Decode({0x1F, 0x05, 'A', 'b'}), "Ab");
  EXPECT_EQ(Decode({0x10, 0x00, 0x0C, 'A', 'b'}), "Ab");
  EXPECT_EQ(Decode({0x10, 0x01, 0x02, 'A', 'b'}), "Ab");
}

TEST(SiText, AnInvalidUcs2UnitIsSkippedWhole) {
  // 0xD800 is half a surrogate pair, which UCS-2 cannot hold; the units after it stay aligned.
  EXPECT_EQ(Decode({0x11, 0x00, 0x41, 0xD8, 0x00, 0x04, 0x16, 0x00, 0x42}), "AЖB");
  EXPECT_EQ(Decode({0x11, 0x00, 0x41, 0x00}), "A"); // a lone trailing byte
}
