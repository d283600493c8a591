#pragma once

#include "data/channel_rec.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qev::ui {

inline constexpr std::array<const char *, 5> kStreamColumns = {"Type", "PID", "Lang", "Page",
                                                               "Language"};
inline constexpr std::array<const char *, 5> kCaColumns = {"CAID", "ECM", "EMM", "PRV",
                                                           "Crypt System"};
inline constexpr std::array<const char *, 2> kParameterColumns = {"Property", "Value"};
inline constexpr std::array<const char *, 14> kParameterNames = {
    "Frequency", "SymbRate", "Polarity", "Satellite", "Category", "TID", "SID",
    "PMT",       "PCR",      "ECM",      "Video",     "Audio",    "TTX", "AC3"};
inline constexpr int kParameterRows = static_cast<int>(kParameterNames.size());

inline constexpr const char *kPidFontFamily = "Courier new";

// Colours as 0xRRGGBB.
inline constexpr std::uint32_t kColorAqua = 0x00FFFF;
inline constexpr std::uint32_t kColorBlue = 0x0000FF;
inline constexpr std::uint32_t kColorGrey = 0x808080;
inline constexpr std::uint32_t kColorGreen = 0x008000;
inline constexpr std::uint32_t kColorNavy = 0x000080;

inline constexpr int kCaIconEnabled = 16;
inline constexpr int kCaIconDisabled = 17;

// How one cell of the information lists is drawn; no colour means the list's own.
struct TCellStyle {
  bool Bold = false;
  std::optional<std::uint32_t> Color;
  bool Monospace = false;
  bool operator==(const TCellStyle &) const = default;
};

std::string StreamCellText(const data::TEsItem &item, int column, bool hex);
std::string CaCellText(const data::TCaItem &item, int column, bool hex);
std::string ParameterValueText(const data::TChannelRec &rec, int row, bool hex);

// The stream that is the channel's audio stands out; selectedFocused: the row is selected in
// the list that has the keyboard focus.
TCellStyle StreamRowStyle(const data::TChannelRec &rec, const data::TEsItem &item,
                          bool selectedFocused);
// An entry a plugin filter decrypts with stands out; a disabled one is grey.
TCellStyle CaRowStyle(const data::TCaItem &item, bool filterOpen, bool selectedFocused);
TCellStyle ParameterValueStyle(int row, bool hex);

int CaIcon(const data::TCaItem &item);

} // namespace qev::ui
