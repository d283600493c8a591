#include "teletext/ttx_decoder.h"

#include "teletext/ttx_tables.h"

#include <algorithm>

namespace qev::teletext {

namespace {

constexpr int kHeaderPacket = 0;
constexpr int kLastRowPacket = 24;
constexpr int kLinkPacket = 27;
constexpr int kLinksShown = 4;
constexpr int kLinkBytes = 6;
constexpr int kLinkControlByte = 39;

// A nibble, or -1 when its byte has more than one bit in error.
int Nibble(std::uint8_t byte) {
  const std::uint8_t decoded = HammingTable()[byte];
  return decoded == kHammingFailed ? -1 : decoded & 0x0F;
}

// Decodes `count` nibbles from `bytes`; false when any of them is beyond correction.
bool Nibbles(const std::uint8_t *bytes, int count, int *out) {
  for (int i = 0; i < count; ++i)
    if ((out[i] = Nibble(bytes[i])) < 0)
      return false;
  return true;
}

bool DecimalDigits(int tens, int units) { return tens <= 9 && units <= 9; }

} // namespace

int TtxSubPageOf(unsigned s1, unsigned s2, unsigned s3, unsigned s4) {
  if (s3 != 0 || s4 != 0)
    return static_cast<int>(s4 << 12 | s3 << 8 | s2 << 4 | s1);
  return s1 <= 9 ? static_cast<int>(s2 * 10 + s1) : -1;
}

TTtxDecoder::TTtxDecoder(PageDone pageDone) : pageDone_(std::move(pageDone)) {}

void TTtxDecoder::Reset() { magazines_.fill(TtxPageBuffer{}); }

void TTtxDecoder::Decode(std::span<const std::uint8_t, kTtxPacketBytes> packet) {
  Work w;
  const auto &reverse = BitReverseTable();
  for (std::size_t i = 0; i < kTtxPacketBytes; ++i)
    w[i] = reverse[packet[i]];
  int address[2];
  // A wrong magazine or packet number would put the packet on another page: drop it.
  if (!Nibbles(w.data(), 2, address))
    return;
  const int magazine = address[0] & 7;
  const int number = address[0] >> 3 | address[1] << 1;
  TtxPageBuffer &page = magazines_[magazine];
  if (number == kHeaderPacket)
    Header(page, magazine, w);
  if (page.Page == 0)
    return;
  if (number <= kLastRowPacket)
    std::copy(w.begin() + 2, w.end(), page.Rows[number].begin());
  else if (number == kLinkPacket)
    Links(page, magazine, w);
}

void TTtxDecoder::Header(TtxPageBuffer &page, int magazine, const Work &w) {
  if (page.Page != 0)
    pageDone_(page);
  page = TtxPageBuffer{};
  // Units, tens, S1, S2+C4, S3, S4+C5+C6, C7..C10, C11..C14.
  int n[8];
  // A header that cannot be read still ends the page before it; the rows that follow belong
  // to a page we cannot name and are dropped with it, as those of page FF are.
  if (!Nibbles(w.data() + 2, 8, n) || !DecimalDigits(n[1], n[0]))
    return;
  const int subpage = TtxSubPageOf(n[2], n[3] & 7, n[4], n[5] & 3);
  if (subpage < 0)
    return;
  page.Page = static_cast<std::uint16_t>((magazine == 0 ? 8 : magazine) * 100 + n[1] * 10 + n[0]);
  page.SubPage = static_cast<std::uint16_t>(subpage);
  page.Flags = static_cast<std::uint8_t>((n[3] & 8) << 4 | (n[5] & 4) << 4 | (n[5] & 8) << 2 |
                                         (n[6] & 1) << 4 | (n[6] & 2) << 2 | (n[6] & 4) |
                                         (n[6] & 8) >> 2 | (n[7] & 1));
  page.NationalOption =
      static_cast<std::uint8_t>((n[7] & 2) << 1 | (n[7] & 4) >> 1 | (n[7] & 8) >> 3);
}

void TTtxDecoder::Links(TtxPageBuffer &page, int magazine, const Work &w) {
  const int designation = Nibble(w[2]);
  if (designation != 0)
    return;
  const int control = Nibble(w[kLinkControlByte]);
  page.ShowRow24 = static_cast<std::uint8_t>(control < 0 ? 0 : control & 8);
  for (int i = 0; i < kLinksShown; ++i) {
    // Units, tens, S1, S2+M1, S3, S4+M2+M3.
    int n[kLinkBytes];
    if (!Nibbles(w.data() + 3 + kLinkBytes * i, kLinkBytes, n) || !DecimalDigits(n[1], n[0]))
      continue;
    const int subpage = TtxSubPageOf(n[2], n[3] & 7, n[4], n[5] & 3);
    if (subpage < 0)
      continue;
    const int flip = (n[3] >> 3) | (n[5] >> 2 & 1) << 1 | (n[5] >> 3) << 2;
    const int linked = magazine ^ flip;
    page.LinkPage[i] =
        static_cast<std::uint16_t>((linked == 0 ? 8 : linked) * 100 + n[1] * 10 + n[0]);
    page.LinkSubPage[i] = static_cast<std::uint16_t>(subpage);
  }
}

} // namespace qev::teletext
