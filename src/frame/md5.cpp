#include "frame/md5.h"

#include <bit>

namespace qev::frame {

namespace {

constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

class TMd5 {
public:
  void Update(const std::uint8_t *data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      block_[filled_++] = data[i];
      if (filled_ == 64) {
        Transform();
        filled_ = 0;
      }
    }
    length_ += size;
  }

  std::array<std::uint8_t, 16> Finish() {
    const std::uint64_t bits = length_ * 8;
    const std::uint8_t pad = 0x80;
    Update(&pad, 1);
    const std::uint8_t zero = 0;
    while (filled_ != 56)
      Update(&zero, 1);
    std::uint8_t size[8];
    for (int i = 0; i < 8; ++i)
      size[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    Update(size, 8);
    std::array<std::uint8_t, 16> digest{};
    for (int i = 0; i < 16; ++i)
      digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (8 * (i % 4)));
    return digest;
  }

private:
  void Transform() {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
      x[i] = std::uint32_t{block_[4 * i]} | std::uint32_t{block_[4 * i + 1]} << 8 |
             std::uint32_t{block_[4 * i + 2]} << 16 | std::uint32_t{block_[4 * i + 3]} << 24;
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
      const int round = i / 16;
      std::uint32_t f;
      int g;
      switch (round) {
      case 0:
        f = (b & c) | (~b & d);
        g = i;
        break;
      case 1:
        f = (d & b) | (~d & c);
        g = (5 * i + 1) % 16;
        break;
      case 2:
        f = b ^ c ^ d;
        g = (3 * i + 5) % 16;
        break;
      default:
        f = c ^ (b | ~d);
        g = (7 * i) % 16;
        break;
      }
      const std::uint32_t next = b + std::rotl(a + f + kSine[i] + x[g], kShift[round][i % 4]);
      a = d;
      d = c;
      c = b;
      b = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
  }

  std::uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  std::uint8_t block_[64] = {};
  std::size_t filled_ = 0;
  std::uint64_t length_ = 0;
};

} // namespace

std::array<std::uint8_t, 16> Md5(std::string_view bytes) {
  TMd5 md5;
  md5.Update(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
  return md5.Finish();
}

std::string Md5Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t byte : Md5(bytes)) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

} // namespace qev::frame
