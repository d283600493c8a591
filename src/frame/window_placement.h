#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace qev::frame {

struct ScreenRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

enum WindowState : int { kWindowNormal = 0, kWindowMinimized = 1, kWindowMaximized = 2 };

// The main window's position, size and state, kept in the placement ".INI" file.
struct TWindowPlacement {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int State = kWindowNormal;

  bool operator==(const TWindowPlacement&) const = default;
};

// Missing, unreadable or incomplete files give nothing: the window keeps its default place. An
// unreadable file is reported in the log.
std::optional<TWindowPlacement> LoadPlacement(const std::filesystem::path& file);
// Returns an error text, empty on success. A file that could not be read in this run is left as
// it is (that was reported when reading).
std::string SavePlacement(const std::filesystem::path& file, const TWindowPlacement& placement);

// Keeps a restored window reachable: a window larger than the screen it lands on is shrunk to
// it, and one whose top edge is not on any screen (a monitor that was unplugged) is moved onto
// the first screen. A minimised state is restored as normal.
TWindowPlacement ClampToScreens(TWindowPlacement placement, std::span<const ScreenRect> screens);

} // namespace qev::frame
