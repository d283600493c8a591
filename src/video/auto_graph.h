#pragma once

#include "video/known_filters.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::video {

// The filters the user picked for an AutoGraph, by kind 1..6 (post-processors may be absent).
struct TAutoGraphChoice {
  std::array<std::optional<TKnownFilter>, kGroupKindCount + 1> ByKind;
  bool ChannelSwitch = false;

  std::optional<TKnownFilter> &operator[](int kind) { return ByKind.at(kind); }
  const std::optional<TKnownFilter> &operator[](int kind) const { return ByKind.at(kind); }
};

inline constexpr const char *kAutoGraphCaption = "DirectShow AutoGraph";
inline constexpr const char *kAutoGraphHeader = "# QEVDVB - AutoGraph file #";
inline constexpr const char *kPleaseSelect = "Please select ";
inline constexpr const char *kCannotSaveFile = "Cannot save file: ";
inline constexpr const char *kFilterCheckCaption = "DirectShow Filter Check/Register";

struct TAutoGraphScript {
  std::vector<std::string> Lines;
  // When a needed filter is not chosen: "video decoder", "audio decoder", "video render" or
  // "audio render" (the first one missing), and no lines.
  std::string Missing;
};

// The script's lines for a choice; the channel switch is added when the choice asks for it.
TAutoGraphScript AutoGraphLines(const TAutoGraphChoice &choice);

// Which usable records of the list an AutoGraph file names, by class id: kinds 1..6 select,
// kind 9 ticks the channel switch. Lines that are no LoadFilter are ignored.
struct TAutoGraphSelection {
  std::array<std::optional<std::size_t>, kGroupKindCount + 1> ByKind;
  bool ChannelSwitch = false;
};
TAutoGraphSelection ReadAutoGraph(std::string_view text, const TKnownFilterList &list);
// The file's selection; a missing or unreadable file selects nothing.
TAutoGraphSelection ReadAutoGraphFile(const std::filesystem::path &file,
                                      const TKnownFilterList &list);
TAutoGraphChoice ChoiceOf(const TAutoGraphSelection &selection, const TKnownFilterList &list);

// Before a filter of the program's own is used: when it is not registered, asks whether to
// register its library and reports the outcome.
void CheckFilterBeforeUse(IFilterRegistry &registry, const TKnownFilter &filter,
                          const std::filesystem::path &libraryFile);

struct TAutoGraphPlaces {
  std::filesystem::path GraphFolder;  // where the script goes
  std::filesystem::path FilterFolder; // where the program's own filter libraries are
};

// Writes the slot's AutoGraph file; tells the user what is missing or why it cannot be saved.
bool WriteAutoGraph(const TAutoGraphChoice &choice, int slot, IFilterRegistry &registry,
                    const TAutoGraphPlaces &places);

} // namespace qev::video
