#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qev::frame {

// The preferred audio languages in order of preference: up to 16 three-character upper-case
// codes.
struct TPrefLangArray {
  static constexpr std::size_t kMaxCount = 16;
  static constexpr std::uint8_t kNotPreferred = 255;

  std::uint8_t Count = 0;
  std::array<std::array<char, 3>, kMaxCount> Codes{};
};

// Tokens separated by any of ",;./", trimmed, empty ones skipped, upper-cased; a short code is
// padded with "?" to three characters ("EN" becomes "EN?"), a longer one cut to three.
TPrefLangArray ParsePrefLang(std::string_view text);
// Position of the trimmed, upper-cased code in the list, or kNotPreferred.
std::uint8_t PrefLangIndex(const TPrefLangArray &langs, std::string_view code);

} // namespace qev::frame
