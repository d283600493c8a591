#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qev::device {
class TDeviceModule;
struct TSwitchHooks;
} // namespace qev::device

namespace qev::teletext {
class TTeletext;
}

namespace qev::app {

// The program's teletext from start to end: plugged into the channel switch (which stops it
// before tuning and restarts it on the new channel, and stops it when the engine is released
// at shutdown and suspend), read by the teletext window, the subtitles and the main window's
// subtitle menu.
class TTeletextLink {
public:
  // `subtitlePagesChanged` runs on any thread (the device's delivery thread too) and must post.
  TTeletextLink(device::TDeviceModule &device, device::TSwitchHooks &hooks,
                std::function<void()> subtitlePagesChanged);
  // Unplugs the switch entries, then closes the filter if one is still open.
  ~TTeletextLink();
  TTeletextLink(const TTeletextLink &) = delete;
  TTeletextLink &operator=(const TTeletextLink &) = delete;

  teletext::TTeletext &Teletext() { return *teletext_; }
  // The subtitle pages seen on the channel, each with the language of its national option, for
  // the main window's subtitle menu.
  std::vector<std::pair<int, std::string>> SubtitlePages() const;

private:
  device::TSwitchHooks &hooks_;
  std::unique_ptr<teletext::TTeletext> teletext_;
};

} // namespace qev::app
