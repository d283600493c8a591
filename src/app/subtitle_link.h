#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace qev::frame {
class TNotificationHub;
}
namespace qev::teletext {
class TSubtitles;
class TTeletext;
} // namespace qev::teletext
namespace qev::ui {
struct TUiSubsystems;
}
namespace qev::video {
class TVideoManager;
}

namespace qev::app {

// The main window's subtitles: shown over the video of AV slot 0 wherever it plays (the main
// window's panel, or its floating or full-screen window), following it when it moves.
class TSubtitleLink {
public:
  TSubtitleLink(frame::TNotificationHub &hub, teletext::TTeletext &teletext,
                video::TVideoManager &videos, QWidget &mainPanel);
  ~TSubtitleLink();
  TSubtitleLink(const TSubtitleLink &) = delete;
  TSubtitleLink &operator=(const TSubtitleLink &) = delete;

  // A page above 0 starts the subtitles of that page on AV0's video, 0 stops them.
  void ShowSubtitles(int page);
  // The subtitle pages seen on the channel, with the language of each.
  std::vector<std::pair<int, std::string>> SubtitlePages() const;
  // The options changed: the overlay draws with the new ones.
  void Refresh();
  teletext::TSubtitles &Subtitles() { return *subtitles_; }

private:
  // Notification 9: the state changes of the videos.
  void OnVideoOutput(std::intptr_t first, std::intptr_t value);
  QWidget *MainVideoPanel() const;

  frame::TNotificationHub &hub_;
  teletext::TTeletext &teletext_;
  video::TVideoManager &videos_;
  QWidget &mainPanel_;
  std::unique_ptr<teletext::TSubtitles> subtitles_;
};

// Plugs the link into what the main window's subtitle button calls. The entries stay empty
// (the button hidden) until `link` holds a link; they read it on every call.
void PlugSubtitles(ui::TUiSubsystems &subsystems, const std::unique_ptr<TSubtitleLink> &link);

} // namespace qev::app
