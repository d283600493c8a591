#include "video/graph_check.h"

#include "fake_filter_registry.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qev::video {
namespace {

using Filters = std::vector<std::pair<std::string, std::string>>;

// A binary graph's text as 16-bit characters; "@N" stands for N bytes of binary data.
std::string Grf(const std::string &text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '@') {
      std::size_t digits = 0;
      const std::size_t count = std::stoul(text.substr(i + 1), &digits);
      for (std::size_t b = 0; b < count; ++b)
        bytes.push_back(static_cast<char>(b % 3 == 0 ? '\n' : 0xFF)); // data that looks odd
      i += digits;
      continue;
    }
    bytes.push_back(text[i]);
    bytes.push_back('\0');
  }
  return bytes;
}

constexpr const char *kHeader = "\x01\x02garbage0003\r\nFILTERS\r\n";

TEST(GrfScanTest, EntriesGiveNameAndClassSkippingTheirData) {
  const std::string grf =
      Grf(std::string(kHeader) +
          "0001 \"DVB AVSource\" {EEBF6DD2-439A-4C8E-A511-DB329ABC04BA} 8 @8\r\n"
          "0002 \"File Source\" {E436EBB5-524F-11CE-9F53-0020AF0BA770} SOURCE \"c:\\a b.ts\" "
          "6 @6\r\n"
          "0003 \"Video Render\" {70E102B0-5556-11CE-97C0-00AA0055595A} 0 \r\n"
          "CONNECTIONS\r\n0001 \"Video\" 0003 \"In\"\r\n");
  const TGraphFilters scan = ScanGrf(grf);
  EXPECT_EQ(scan.Error, "");
  EXPECT_EQ(scan.Filters, (Filters{{"{EEBF6DD2-439A-4C8E-A511-DB329ABC04BA}", "DVB AVSource"},
                                   {"{E436EBB5-524F-11CE-9F53-0020AF0BA770}", "File Source"},
                                   {"{70E102B0-5556-11CE-97C0-00AA0055595A}", "Video Render"}}));
  // The older version marker is accepted as well.
  EXPECT_EQ(ScanGrf(Grf("0002\r\nFILTERS\r\n0001 \"A\" {1} 0 \r\n")).Filters,
            (Filters{{"{1}", "A"}}));
}

TEST(GrfScanTest, LengthsBeyondTheFileEndTheListWithoutReadingPastIt) {
  const std::string first = std::string(kHeader) + "0001 \"First\" {1} 4 @4\r\n";
  // Truncated: the data the length announces is not all there.
  EXPECT_EQ(ScanGrf(Grf(first + "0002 \"Cut\" {2} 400 @10")).Filters,
            (Filters{{"{1}", "First"}, {"{2}", "Cut"}}));
  // Oversized and absurd lengths, and a length that is no number.
  for (const char *length : {"18446744073709551615", "4294967296", "999999999999", "-1", "x"})
    EXPECT_EQ(
        ScanGrf(Grf(first + "0002 \"Big\" {2} " + length + " @4\r\n0003 \"Never\" {3} 0 \r\n"))
            .Filters.size(),
        2u)
        << length;
  // The file ends inside a quoted name, or after an odd byte.
  EXPECT_EQ(ScanGrf(Grf(std::string(kHeader) + "0001 \"Unclosed")).Filters.size(), 1u);
  std::string odd = Grf(first);
  odd.push_back('0');
  EXPECT_EQ(ScanGrf(odd).Filters.size(), 1u);
}

TEST(GrfScanTest, BrokenFilesNameWhatIsMissing) {
  EXPECT_EQ(ScanGrf(Grf("no marker\r\nFILTERS\r\n")).Error, "Invalid GRF file");
  EXPECT_EQ(ScanGrf("").Error, "Invalid GRF file");
  EXPECT_EQ(ScanGrf(Grf("0003\r\nCONNECTIONS\r\n")).Error, "Section NOT found.");
  EXPECT_EQ(ScanGrf(Grf("0003\r\nfilters\r\nCONNECTIONS\r\n")).Error, "Graph is empty.");
  EXPECT_EQ(ScanGrf(Grf("0003")).Error, "Section NOT found.");
}

class GraphCheckTest : public ::testing::Test {
protected:
  std::filesystem::path Write(const std::string &name, const std::string &text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  }
  test::TTempDir dir{"qev_graph_check"};
  test::TFakeFilterRegistry registry;
};

TEST_F(GraphCheckTest, ScriptsAndXmlGraphsNameTheirFilters) {
  const auto grs = Write("DVB_x.grs", "# comment\nLoadFilter(avdec_h264,Decoder,1)\n"
                                      "ConnectPin(a,b,c,d)\nLoadFilter(autovideosink,Sink)\n");
  EXPECT_EQ(GraphFileFilters(grs).Filters,
            (Filters{{"avdec_h264", "Decoder"}, {"autovideosink", "Sink"}}));
  const auto xgr =
      Write("DVB_y.XGR", "<graph>\n<FILTER ID=\"My_Decoder\" CLSID=\"{AB}\">\n"
                         "<CONNECT SRC=\"a\" SRCPIN=\"b\" DEST=\"c\" DESTPIN=\"d\"/>\n");
  EXPECT_EQ(GraphFileFilters(xgr).Filters, (Filters{{"{AB}", "My Decoder"}}));
  EXPECT_EQ(GraphFileFilters(Write("DVB_e.GRS", "# nothing\n")).Error, "Graph is empty.");
  EXPECT_EQ(GraphFileFilters(Write("DVB_t.txt", "LoadFilter(a,b)")).Error, "Unknow file type.");
  EXPECT_EQ(GraphFileFilters(dir / "none.GRS").Error, "File NOT found");
  EXPECT_EQ(GraphFileFilters(dir / "none.GRS").ReadError, "");

  std::filesystem::create_directory(dir / "folder.GRF");
  const TGraphFilters unreadable = GraphFileFilters(dir / "folder.GRF");
  EXPECT_EQ(unreadable.Error, "File NOT found");
  EXPECT_EQ(unreadable.ReadError.rfind("File: " + (dir / "folder.GRF").string() + "\r\r", 0), 0u);
}

TEST_F(GraphCheckTest, EveryFilterIsCheckedAndFailuresExplained) {
  registry.Set("good", kFilterUsable, "/usr/lib/libgood.so");
  registry.Set("nolib", kFilterLibraryMissing, "/gone/libx.so");
  registry.Set("noload", kFilterCannotLoad);
  const auto file = Write("DVB_c.GRS", "LoadFilter(good,Good)\nLoadFilter(nolib,NoLib)\n"
                                       "LoadFilter(noload,NoLoad)\nLoadFilter(unknown,Unknown)\n");
  const TGraphCheck check = CheckGraphFilters(file, registry);
  ASSERT_EQ(check.Rows.size(), 4u);
  EXPECT_FALSE(check.AllUsable());
  using Details = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(check.Rows[0].Details,
            (Details{{"ClassName", "good class"}, {"Library", "/usr/lib/libgood.so"}}));
  EXPECT_EQ(check.Rows[1].Details, (Details{{"Library missing", "/gone/libx.so"}}));
  EXPECT_EQ(check.Rows[2].Details, (Details{{"Class not registered", "-2"}}));
  EXPECT_EQ(check.Rows[3].Details, (Details{{"Class not registered", "-1"}}));
  EXPECT_FALSE(check.Rows[0].Failed());

  EXPECT_TRUE(
      CheckGraphFilters(Write("DVB_g.GRS", "LoadFilter(good,Good)\n"), registry).AllUsable());
  EXPECT_FALSE(CheckGraphFilters(dir / "none.GRS", registry).AllUsable());
}

} // namespace
} // namespace qev::video
