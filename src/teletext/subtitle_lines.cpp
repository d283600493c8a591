#include "teletext/subtitle_lines.h"

#include <string>
#include <string_view>

namespace qev::teletext {

namespace {

inline constexpr int kFirstSubtitleRow = 20;
inline constexpr char16_t kSpace = u' ';
inline constexpr std::string_view kWaitingText = "QEVDVB: Waiting subtitles on page ";

// The row's codes 0x20..0x7F: parity stripped, spacing attributes as spaces, trimmed.
std::u16string RowCodes(const std::array<std::uint8_t, kTtxColumns> &row) {
  std::u16string codes;
  codes.reserve(row.size());
  for (const std::uint8_t byte : row) {
    const auto code = static_cast<char16_t>(byte & 0x7F);
    codes.push_back(code < 0x20 ? kSpace : code);
  }
  const auto first = codes.find_first_not_of(kSpace);
  if (first == std::u16string::npos)
    return {};
  return codes.substr(first, codes.find_last_not_of(kSpace) - first + 1);
}

} // namespace

std::vector<std::u16string> TSubtitleLineBuilder::Build(const TtxPageBuffer &page) {
  if (page.NationalOption != loadedOption_) {
    LoadNationalTable(page.NationalOption, &table_, languageName_);
    loadedOption_ = page.NationalOption;
  }
  std::vector<std::u16string> lines;
  for (int row = kFirstSubtitleRow; row < kTtxRows && lines.size() < kMaxSubtitleLines; ++row) {
    std::u16string line = RowCodes(page.Rows[row]);
    if (line.empty())
      continue;
    for (char16_t &c : line)
      c = table_[c - 0x20];
    lines.push_back(std::move(line));
  }
  return lines;
}

std::u16string WaitingLine(int page) {
  std::u16string line(kWaitingText.begin(), kWaitingText.end());
  for (const char digit : std::to_string(page))
    line.push_back(static_cast<char16_t>(digit));
  return line;
}

} // namespace qev::teletext
