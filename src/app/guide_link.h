#pragma once

#include "ui/programme_display.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace qev::device {
class TDeviceModule;
struct TSwitchHooks;
} // namespace qev::device

namespace qev::guide {
class TGuide;
}

namespace qev::app {

// The program's guide from start to end: plugged into the channel switch, read by the main
// window's programme panel, and kept across restarts in the root when EpgKeep is on.
class TGuideLink {
public:
  TGuideLink(device::TDeviceModule &device, device::TSwitchHooks &hooks);
  // Unplugs the switch entries, then stops the collection and joins its thread.
  ~TGuideLink();
  TGuideLink(const TGuideLink &) = delete;
  TGuideLink &operator=(const TGuideLink &) = delete;

  guide::TGuide &Guide() { return *guide_; }
  // The event on air for the programme panel.
  ui::TNowLookup NowLookup() const;

  // Before any EIT arrives. A kept file that exists but cannot be taken is logged and left
  // alone: the close does not write over it.
  void LoadKept(const std::filesystem::path &root);
  // The error text of a failed save, also logged; nothing when EpgKeep is off.
  std::optional<std::string> SaveKept(const std::filesystem::path &root) const;

private:
  device::TSwitchHooks &hooks_;
  std::unique_ptr<guide::TGuide> guide_;
  bool keptUnreadable_ = false;
};

} // namespace qev::app
