#include "frame/window_placement.h"

#include "frame/atomic_file.h"
#include "frame/file_reader.h"
#include "frame/log.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <sstream>

namespace qev::frame {

namespace {

constexpr const char* kSection = "[Position]";
// How much of the title bar must lie on a screen for the window to be grabbed and moved.
constexpr int kGrabWidth = 64;
constexpr int kGrabHeight = 24;

struct Field {
  const char* key;
  int TWindowPlacement::*member;
};
constexpr Field kFields[] = {{"Left", &TWindowPlacement::Left},
                             {"Top", &TWindowPlacement::Top},
                             {"Width", &TWindowPlacement::Width},
                             {"Height", &TWindowPlacement::Height},
                             {"State", &TWindowPlacement::State}};

bool Contains(const ScreenRect& s, int x, int y) {
  return x >= s.Left && y >= s.Top && x < s.Left + s.Width && y < s.Top + s.Height;
}

// The screen that holds a grabbable part of the title bar, if any.
const ScreenRect* ScreenOfTitleBar(const TWindowPlacement& p, std::span<const ScreenRect> screens) {
  const int grab = std::min(kGrabWidth, p.Width);
  for (const ScreenRect& s : screens) {
    if (Contains(s, p.Left, p.Top) || Contains(s, p.Left + grab - 1, p.Top) ||
        Contains(s, p.Left + p.Width - grab, p.Top) ||
        Contains(s, p.Left + p.Width / 2, p.Top + std::min(kGrabHeight, p.Height) - 1))
      return &s;
  }
  return nullptr;
}

} // namespace

std::optional<TWindowPlacement> LoadPlacement(const std::filesystem::path& file) {
  const TFileContent content = ReadFileContent(file);
  if (content.Status == FileReadStatus::Unreadable)
    Log(content.Error() + "; the window keeps its default place", kLogError);
  if (content.Status != FileReadStatus::Read)
    return std::nullopt;
  std::istringstream in(content.Text);
  TWindowPlacement placement;
  int found = 0;
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos)
      continue;
    const std::string key = Trim(line.substr(0, eq));
    const std::string value = Trim(line.substr(eq + 1));
    for (const Field& field : kFields) {
      int number = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (EqualsNoCase(key, field.key) && ec == std::errc() && end == value.data() + value.size()) {
        placement.*field.member = number;
        found |= 1 << (&field - kFields);
      }
    }
  }
  if (found != (1 << std::size(kFields)) - 1 || placement.Width <= 0 || placement.Height <= 0)
    return std::nullopt;
  return placement;
}

std::string SavePlacement(const std::filesystem::path& file, const TWindowPlacement& placement) {
  if (IsUnreadable(file))
    return {};
  std::string text = std::string(kSection) + "\n";
  for (const Field& field : kFields)
    text += std::string(field.key) + "=" + std::to_string(placement.*field.member) + "\n";
  return WriteFileAtomically(file, text);
}

TWindowPlacement ClampToScreens(TWindowPlacement p, std::span<const ScreenRect> screens) {
  if (p.State != kWindowMaximized)
    p.State = kWindowNormal;
  if (screens.empty())
    return p;
  const ScreenRect* screen = ScreenOfTitleBar(p, screens);
  const ScreenRect& target = screen != nullptr ? *screen : screens.front();
  p.Width = std::clamp(p.Width, 1, target.Width);
  p.Height = std::clamp(p.Height, 1, target.Height);
  if (screen == nullptr) {
    p.Left = target.Left + (target.Width - p.Width) / 2;
    p.Top = target.Top + (target.Height - p.Height) / 2;
  }
  p.Left = std::max(target.Left - p.Width + kGrabWidth,
                    std::min(p.Left, target.Left + target.Width - kGrabWidth));
  p.Top = std::max(target.Top, std::min(p.Top, target.Top + target.Height - kGrabHeight));
  return p;
}

} // namespace qev::frame
