#pragma once

#include "frame/options.h"
#include "teletext/subtitle_watcher.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace qev::teletext {

class TSubtitleOverlay;

// What the subtitles need of the program: the hub that carries notification 13, the teletext
// they read, and the options they draw with.
struct TSubtitleLinks {
  frame::TNotificationHub &Hub;
  TSubtitleSource Source;
  std::function<frame::TTeletextOptions()> Options;
};

// Teletext subtitles over a video panel: the watcher that follows the chosen page and the
// overlay that draws its lines. Lives on the user-interface thread.
class TSubtitles final {
public:
  explicit TSubtitles(TSubtitleLinks links);
  ~TSubtitles();
  TSubtitles(const TSubtitles &) = delete;
  TSubtitles &operator=(const TSubtitles &) = delete;

  // Follows `page` on `panel`, showing the waiting line until the page arrives.
  void SubtitleStart(QWidget *panel, int page);
  // Stops following and removes the overlay at once.
  void SubtitleStop();
  // The video moved to another window: the overlay follows it there.
  void SubtitleMove(QWidget *panel);
  // The options changed: the overlay draws with the new ones.
  void SubtitleRefresh();

  // The page followed, 0 for none.
  int Page() const { return watcher_ ? watcher_->Page() : 0; }
  QWidget *Panel() const { return panel_; }
  // Null until the first lines were drawn, and after a stop.
  TSubtitleOverlay *Overlay() const;

private:
  void Draw(TSubtitleLines lines);

  TSubtitleLinks links_;
  QPointer<QWidget> panel_;
  // The target of the lines posted by the watcher: it goes with the watcher, taking any lines
  // still queued with it.
  std::unique_ptr<QObject> receiver_;
  std::unique_ptr<TSubtitleWatcher> watcher_;
  // A child of the panel, so it also goes when the panel does.
  QPointer<TSubtitleOverlay> overlay_;
};

} // namespace qev::teletext
