#include "app/subtitle_link.h"

#include "frame/notification_hub.h"
#include "frame/options.h"
#include "teletext/national_charset.h"
#include "teletext/qt/subtitles.h"
#include "teletext/teletext.h"
#include "ui/ui_context.h"
#include "video/qt/video_manager.h"

namespace qev::app {

namespace {

constexpr int kMainVideo = 0;

teletext::TSubtitleLinks Links(frame::TNotificationHub &hub, teletext::TTeletext &teletext) {
  return {hub,
          {teletext.Cache(), [&teletext] { teletext.TtxAcquire(); },
           [&teletext] { teletext.TtxRelease(); }},
          [] { return frame::Options().Teletext; }};
}

} // namespace

TSubtitleLink::TSubtitleLink(frame::TNotificationHub &hub, teletext::TTeletext &teletext,
                             video::TVideoManager &videos, QWidget &mainPanel)
    : hub_(hub), teletext_(teletext), videos_(videos), mainPanel_(mainPanel),
      subtitles_(std::make_unique<teletext::TSubtitles>(Links(hub, teletext))) {
  hub_.Add(frame::kNotifyVideoOutput,
           frame::MethodHandler<TSubtitleLink, &TSubtitleLink::OnVideoOutput>, this);
}

TSubtitleLink::~TSubtitleLink() {
  hub_.Remove(frame::kNotifyVideoOutput,
              frame::MethodHandler<TSubtitleLink, &TSubtitleLink::OnVideoOutput>, this);
  subtitles_.reset();
}

// Where AV0 plays: its floating window while it floats or is full screen, else the main
// window's panel (which also keeps the overlay while AV0 is closed).
QWidget *TSubtitleLink::MainVideoPanel() const {
  const int state = videos_.Outputs().State(kMainVideo);
  if (state == video::kFloating || state == video::kFullScreen)
    return &videos_.Floating(kMainVideo).Panel();
  return &mainPanel_;
}

void TSubtitleLink::ShowSubtitles(int page) {
  if (page > 0)
    subtitles_->SubtitleStart(MainVideoPanel(), page);
  else
    subtitles_->SubtitleStop();
}

std::vector<std::pair<int, std::string>> TSubtitleLink::SubtitlePages() const {
  std::vector<std::pair<int, std::string>> pages;
  for (const teletext::TtxSubtitlePage &page : teletext_.Cache().SubtitlePages())
    pages.emplace_back(page.Page, teletext::NationalName(page.NationalOption));
  return pages;
}

void TSubtitleLink::Refresh() { subtitles_->SubtitleRefresh(); }

// The videos change state on the user-interface thread, so the overlay may be moved at once.
void TSubtitleLink::OnVideoOutput(std::intptr_t first, std::intptr_t) {
  if (first == kMainVideo + video::kVideoStateChanged)
    subtitles_->SubtitleMove(MainVideoPanel());
}

void PlugSubtitles(ui::TUiSubsystems &subsystems, const std::unique_ptr<TSubtitleLink> &link) {
  subsystems.ShowSubtitles = [&link](int page) {
    if (link)
      link->ShowSubtitles(page);
  };
  subsystems.SubtitlePages = [&link] {
    return link ? link->SubtitlePages() : std::vector<std::pair<int, std::string>>{};
  };
  subsystems.RefreshSubtitles = [&link] {
    if (link)
      link->Refresh();
  };
}

} // namespace qev::app
