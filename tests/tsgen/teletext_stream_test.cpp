// Teletext as a receiver finds it in the PES: data units, page headers, rows and subtitles.

#include <gtest/gtest.h>

#include "teletext_coding.h"
#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

constexpr std::uint16_t kTeletextPid = 0x0104;

int Unham(std::uint8_t byte) {
  for (unsigned n = 0; n < 16; ++n) {
    if (Hamming84(n) == byte) {
      return static_cast<int>(n);
    }
  }
  return -1;
}

struct Line {
  double seconds; // arrival time in the stream
  unsigned unitId;
  int magazine, row;
  Bytes data; // the 40 bytes after the address, in transmission bit order
};

std::string Text(const Bytes &bytes, std::size_t first, std::size_t count) {
  std::string text;
  for (std::size_t i = first; i < first + count; ++i) {
    EXPECT_EQ(std::popcount(static_cast<unsigned>(bytes[i])) % 2, 1);
    text += static_cast<char>(bytes[i] & 0x7F);
  }
  return text;
}

std::vector<Line> Lines(const Transponder &tp, const Bytes &stream) {
  const double packetSeconds = 188.0 * 8 / static_cast<double>(tp.bitrate);
  std::vector<Line> lines;
  Bytes pes;
  double pesTime = 0;
  const auto flush = [&] {
    // 45-byte header and the data identifier, then 46-byte units.
    for (std::size_t at = 46; pes.size() >= 46 && at + 46 <= pes.size(); at += 46) {
      if (pes[at] != 0x02 && pes[at] != 0x03) {
        continue;
      }
      EXPECT_EQ(pes[at + 1], 0x2C);
      EXPECT_EQ(pes[at + 3], 0xE4);
      Bytes raw;
      for (std::size_t i = at + 4; i < at + 46; ++i) {
        raw.push_back(ReverseBits(pes[i]));
      }
      const int address = Unham(raw[0]) | Unham(raw[1]) << 4;
      lines.push_back(
          {pesTime, pes[at], address & 7, address >> 3, Bytes(raw.begin() + 2, raw.end())});
    }
  };
  const TsReader reader(stream);
  for (const auto &p : reader.PacketsOf(kTeletextPid)) {
    if (p.unitStart) {
      flush();
      pes.clear();
      pesTime = static_cast<double>(p.index) * packetSeconds;
      EXPECT_EQ(p.payload[3], 0xBD);
      EXPECT_EQ(p.payload[8], 0x24);
      EXPECT_EQ(p.payload[45], 0x10);
    }
    pes.insert(pes.end(), p.payload.begin(), p.payload.end());
  }
  flush();
  return lines;
}

struct Header {
  int page, national, subtitle;
  std::string text;
};

Header ReadHeader(const Line &line) {
  const Bytes &d = line.data;
  const int page = (line.magazine == 0 ? 8 : line.magazine) * 100 + Unham(d[1]) * 10 + Unham(d[0]);
  const int c9 = Unham(d[7]);
  return {page, (c9 >> 1 & 1) << 2 | (c9 >> 2 & 1) << 1 | (c9 >> 3 & 1), Unham(d[5]) >> 3 & 1,
          Text(d, 8, 32)};
}

class TsgenTeletext : public ::testing::Test {
protected:
  void SetUp() override {
    tp_ = SampleTransponder();
    tp_.durationSeconds = 5;
    lines_ = Lines(tp_, GenerateStream(tp_));
    ASSERT_FALSE(lines_.empty());
  }
  // Rows of the page sent last before `seconds`, after the header of `page`.
  std::map<int, std::string> PageRows(int page, double before = 1e9) const {
    std::map<int, std::string> rows;
    bool inPage = false;
    for (const Line &line : lines_) {
      if (line.seconds > before) {
        break;
      }
      if (line.row == 0) {
        inPage = ReadHeader(line).page == page;
        if (inPage) {
          rows.clear();
        }
      } else if (inPage) {
        rows[line.row] = Text(line.data, 0, 40);
      }
    }
    return rows;
  }

  Transponder tp_;
  std::vector<Line> lines_;
};

TEST_F(TsgenTeletext, HeadersCarryPageNationalOptionAndAClock) {
  std::set<int> pages;
  for (const Line &line : lines_) {
    if (line.row != 0) {
      continue;
    }
    const Header h = ReadHeader(line);
    pages.insert(h.page);
    if (h.page == 101) {
      EXPECT_EQ(h.national, 1);
    }
    EXPECT_EQ(h.text.size(), 32u);
    EXPECT_EQ(h.text.substr(13, 10), "Fri 01 Mar");
    EXPECT_TRUE(h.text.substr(24) == "11:59:58" || h.text.substr(24) == "11:59:59" ||
                h.text.substr(24, 5) == "12:00")
        << h.text;
  }
  // Every page, and the page-FF headers that close them.
  EXPECT_TRUE(pages.count(100) && pages.count(101) && pages.count(888) && pages.count(265));
}

TEST_F(TsgenTeletext, IndexPageListsTheOtherPages) {
  const auto rows = PageRows(100, 1.0); // the stream may end inside a page
  // A banner of mosaics (blue, solid blocks), then the title in yellow double height.
  EXPECT_EQ(rows.at(1).substr(0, 2), "\x14\x7f");
  EXPECT_EQ(rows.at(1).substr(5, 20), "\x03\x0dQEV Teletext Index");
  // Page 101 is in the German set, which the English index does not list.
  EXPECT_EQ(rows.at(5).substr(0, 17), " \x03"
                                      "888\x07  Subtitles");
  EXPECT_EQ(rows.count(6), 0u);
}

TEST_F(TsgenTeletext, SubtitlesUseTheirUnitIdRowsTwentyOnAndChangeOnTime) {
  for (const Line &line : lines_) {
    if (line.magazine == 0) { // magazine 8 holds only the subtitle page
      EXPECT_EQ(line.unitId, 0x03u);
      EXPECT_TRUE(line.row == 0 || (line.row >= 20 && line.row <= 24)) << line.row;
    } else {
      EXPECT_EQ(line.unitId, 0x02u);
    }
  }
  const auto first = PageRows(888, 1.5);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first.at(20).substr(0, 16), "\x0b\x0bHello there.\x0a\x0a");
  EXPECT_EQ(first.at(21).substr(2, 12), "How are you?");
  const auto second = PageRows(888, 3.5);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second.at(20).substr(2, 16), "Fine, thank you.");
  const auto third = PageRows(888, 4.9);
  EXPECT_EQ(third.at(20).substr(2, 12), "Hello there.");
  bool subtitleFlag = false;
  for (const Line &line : lines_) {
    if (line.row == 0 && ReadHeader(line).page == 888) {
      subtitleFlag = ReadHeader(line).subtitle == 1;
    }
  }
  EXPECT_TRUE(subtitleFlag);
}

} // namespace
} // namespace qev::tsgen::test
