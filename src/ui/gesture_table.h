#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qev::ui {

// The window group in the high four bits of an action code.
inline constexpr std::uint16_t kGroupVideo = 0x1000;
inline constexpr std::uint16_t kGroupTeletext = 0x2000;
inline constexpr std::uint16_t kGroupMask = 0xF000;

inline constexpr std::size_t kGestureFieldMax = 32;

enum TTeletextGestureCode : std::uint16_t {
  kTtxGestureHome = 0x2001,
  kTtxGestureClose = 0x2002,
  kTtxGesturePageNext = 0x2003,
  kTtxGesturePagePrev = 0x2004,
  kTtxGestureSubpageNext = 0x2005,
  kTtxGestureSubpagePrev = 0x2006,
};

struct TGestureEntry {
  std::uint16_t Code = 0; // 0: an empty entry
  std::string Name;
  std::string Gesture;
};

// The fourteen actions with their gestures, in a fixed order, and an empty entry at the end.
// Names are fixed; only the gestures change.
class TGestureTable {
public:
  static constexpr std::size_t kSize = 15;

  TGestureTable();

  const std::array<TGestureEntry, kSize> &Entries() const { return entries_; }
  const TGestureEntry &Entry(std::size_t index) const { return entries_.at(index); }
  // Cut to 32 characters.
  void SetGesture(std::size_t index, std::string_view gesture);

  // The first entry in table order of the group (any group for 0) whose gesture equals the
  // string exactly; -1 for an empty string or no match.
  int Lookup(std::string_view gesture, std::uint16_t group) const;

  // The lines of "Gestures.cfg", and reading them over the table: comments, short lines,
  // codes that are not hexadecimal or have no entry are skipped; a later line wins.
  std::string ToText() const;
  void ReadText(std::string_view text);

private:
  std::array<TGestureEntry, kSize> entries_;
};

// The readable form of a gesture: "Down+Right" for "DR"; other characters are left out.
std::string GestureText(std::string_view gesture);
// "Video Window", "Teletext Window", or empty for another group.
std::string GestureGroupName(std::uint16_t code);

// Reads the file over the table; a missing file changes nothing. Returns an error text for a
// file that exists but cannot be read (the table then stays as it was), empty otherwise.
std::string GesturesLoad(TGestureTable &table, const std::filesystem::path &path);
// Writes the table, replacing the file atomically; returns an error text, empty on success.
std::string GesturesSave(const TGestureTable &table, const std::filesystem::path &path);

// The program's table, living for the whole run.
TGestureTable &Gestures();

} // namespace qev::ui
