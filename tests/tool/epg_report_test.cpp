// The guide's printed forms: texts made safe for every output, times, order, and XMLTV that
// xmllint validates against the format's structure.
#include "tool/epg_report.h"
#include "xmllint_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

guide::TEpgEvent Event(std::uint16_t sid, std::uint32_t start, std::string name) {
  guide::TEpgEvent e;
  e.OriginalNetworkId = 1;
  e.TransportStreamId = 7;
  e.ServiceId = sid;
  e.EventId = static_cast<std::uint16_t>(start % 1000);
  e.StartTime = start;
  e.Duration = 3600;
  e.HasShortEvent = true;
  e.Name = std::move(name);
  return e;
}

// xmllint's verdict on the document; empty when valid.
std::string XmllintErrors(const std::string &xml) {
  const fs::path file = fs::temp_directory_path() / ("qev-xmltv-" + std::to_string(::getpid()));
  std::ofstream(file, std::ios::binary) << xml;
  const std::string errors = test::XmltvErrors(file);
  fs::remove(file);
  return errors.empty() ? "" : errors + " in\n" + xml;
}

} // namespace

TEST(EpgText, CleanTextKeepsValidUtf8AndDropsWhatXmlForbids) {
  EXPECT_EQ(tool::CleanText("Café Ελληνικά 日本"), "Café Ελληνικά 日本");
  EXPECT_EQ(tool::CleanText("a\x01"
                            "b\x1F"
                            "c\x7F"
                            "d"),
            "abcd");
  EXPECT_EQ(tool::CleanText("tab\tline\ncr\r"), "tab\tline\ncr\r");
  // A Latin-1 byte, a cut sequence, an overlong form and a surrogate each become U+FFFD.
  EXPECT_EQ(tool::CleanText("caf\xE9"), "caf\xEF\xBF\xBD");
  EXPECT_EQ(tool::CleanText("x\xE2\x82"), "x\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(tool::CleanText("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(tool::CleanText("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(tool::CleanText("\xEF\xBF\xBE|\xEF\xBF\xBF"), "|");
  EXPECT_EQ(tool::XmlEscape("<a href=\"x\">Tom & Jerry's</a>\r"),
            "&lt;a href=&quot;x&quot;&gt;Tom &amp; Jerry&apos;s&lt;/a&gt;&#13;");
}

TEST(EpgText, TimesAreUtc) {
  EXPECT_EQ(tool::IsoUtc(0), "1970-01-01T00:00:00Z");
  EXPECT_EQ(tool::IsoUtc(1796860800), "2026-12-10T00:00:00Z");
  EXPECT_EQ(tool::XmltvTime(1796860800 + 3661), "20261210010101 +0000");
}

TEST(EpgReport, SortsByNetworkStreamServiceAndStartInEveryForm) {
  std::vector<guide::TEpgEvent> events = {Event(0x22, 2000, "B2"), Event(0x21, 3000, "A3"),
                                          Event(0x21, 1000, "A1"), Event(0x22, 500, "B0")};
  events[0].OriginalNetworkId = 2;
  const tool::TEpgReport report(events);
  std::vector<std::string> names;
  for (const auto &e : report.Json())
    names.push_back(e["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"A1", "A3", "B0", "B2"}));
  std::ostringstream text;
  report.WriteText(text);
  EXPECT_EQ(text.str().find("1.7.33 1970-01-01T00:16:40Z  3600s #0 A1\n"), 0u) << text.str();
}

// Every text that can come off the air, hostile ones included, gives a document the format's
// structure takes; channels are named from the lists when their (tsid, sid) is known.
TEST(EpgReport, XmltvIsValidAndEscapedWithNamedAndNumberedChannels) {
  guide::TEpgEvent full = Event(0x21, 1796860800, "Tom & Jerry <live> \"quoted\" \x01\x02");
  full.Language = "DEU";
  full.ShortText = "Kurz]]>text";
  full.ExtendedText = "Lang\x1B und \xFF kaputt";
  full.Items = "Regie: Ann\rStudio: Köln\r";
  full.Content = 0x40;
  full.MinAge = 16;
  guide::TEpgEvent bare = Event(0x22, 1796864400, "");
  bare.HasShortEvent = false;
  const tool::TEpgReport report({full, bare});
  std::ostringstream xml;
  report.WriteXmltv(xml, {{tool::EpgChannelKey(7, 0x21), "QEV <One>"}});
  const std::string doc = xml.str();

  EXPECT_NE(doc.find("<display-name>QEV &lt;One&gt;</display-name>"), std::string::npos) << doc;
  EXPECT_NE(doc.find("<channel id=\"34.7.1.dvb\">\n    <display-name>34.7.1.dvb<"),
            std::string::npos);
  EXPECT_NE(doc.find("start=\"20261210000000 +0000\" stop=\"20261210010000 +0000\" "
                     "channel=\"33.7.1.dvb\""),
            std::string::npos);
  EXPECT_NE(
      doc.find("<title lang=\"deu\">Tom &amp; Jerry &lt;live&gt; &quot;quoted&quot; </title>"),
      std::string::npos)
      << doc;
  EXPECT_NE(doc.find("<desc lang=\"deu\">Kurz]]&gt;text\nLang und \xEF\xBF\xBD kaputt\n"
                     "Regie: Ann\nStudio: Köln</desc>"),
            std::string::npos)
      << doc;
  EXPECT_NE(doc.find("<category lang=\"en\">Sports (0x40)</category>"), std::string::npos);
  EXPECT_NE(doc.find("<rating system=\"DVB\">\n      <value>16</value>"), std::string::npos);
  if (!test::HaveXmllint())
    GTEST_SKIP() << "xmllint is not installed";
  EXPECT_EQ(XmllintErrors(doc), "");
  std::ostringstream empty;
  tool::TEpgReport({}).WriteXmltv(empty, {});
  EXPECT_EQ(XmllintErrors(empty.str()), "");
}
