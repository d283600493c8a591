#include "teletext/ttx_header.h"

#include <algorithm>

namespace qev::teletext {
namespace {

constexpr int kDisplayStart = 8;
constexpr int kClockStart = 32;
constexpr std::size_t kTypedWidth = 6;

std::uint8_t TypedColour(const std::string &typed, const TtxPageBuffer *shownPage) {
  if (typed.size() < 3)
    return 0x03; // yellow while typing
  if (shownPage && std::to_string(shownPage->Page) == typed)
    return 0x02; // green: the typed page is on screen
  return 0x07;
}

} // namespace

bool TTtxLatestHeader::Update(const TtxPageBuffer &arrived, bool shownPageExists) {
  const int from = shownPageExists ? kClockStart : kDisplayStart;
  const auto source = arrived.Rows[0].begin();
  if (std::equal(source + from, source + kTtxColumns, bytes_.begin() + from))
    return false;
  std::copy(source + kDisplayStart, source + kTtxColumns, bytes_.begin() + kDisplayStart);
  return true;
}

TTtxRowBytes BuildHeaderRow(const std::string &typed, const TtxPageBuffer *shownPage,
                            const TTtxLatestHeader &latest) {
  TTtxRowBytes row{};
  row[0] = TypedColour(typed, shownPage);
  std::fill(row.begin() + 1, row.begin() + 1 + kTypedWidth, ' ');
  std::copy_n(typed.begin(), std::min(typed.size(), kTypedWidth), row.begin() + 1);
  row[7] = 0x07;
  const TTtxRowBytes &text = shownPage ? shownPage->Rows[0] : latest.Bytes();
  std::copy(text.begin() + kDisplayStart, text.begin() + kClockStart, row.begin() + kDisplayStart);
  std::copy(latest.Bytes().begin() + kClockStart, latest.Bytes().end(), row.begin() + kClockStart);
  return row;
}

} // namespace qev::teletext
