#include "teletext/qt/subtitles.h"

#include "teletext/qt/subtitle_overlay.h"

#include <QMetaObject>

namespace qev::teletext {

TSubtitles::TSubtitles(TSubtitleLinks links) : links_(std::move(links)) {}

TSubtitles::~TSubtitles() { SubtitleStop(); }

void TSubtitles::SubtitleStart(QWidget *panel, int page) {
  if (!panel || page <= 0) {
    SubtitleStop();
    return;
  }
  panel_ = panel;
  if (!watcher_) {
    receiver_ = std::make_unique<QObject>();
    auto post = [this, receiver = receiver_.get()](TSubtitleLines lines) {
      QMetaObject::invokeMethod(
          receiver, [this, lines = std::move(lines)]() mutable { Draw(std::move(lines)); },
          Qt::QueuedConnection);
    };
    watcher_ = std::make_unique<TSubtitleWatcher>(links_.Hub, links_.Source, std::move(post));
  }
  watcher_->Follow(page);
}

void TSubtitles::SubtitleStop() {
  // The watcher first: once it is gone nothing posts to the receiver any more.
  watcher_.reset();
  receiver_.reset();
  delete overlay_.data();
}

void TSubtitles::SubtitleMove(QWidget *panel) {
  if (!watcher_ || !panel)
    return;
  panel_ = panel;
  if (overlay_)
    overlay_->Layout(*panel, false);
}

void TSubtitles::SubtitleRefresh() {
  if (!watcher_ || !overlay_ || !panel_)
    return;
  overlay_->ApplyOptions(links_.Options());
  overlay_->Layout(*panel_, true);
}

TSubtitleOverlay *TSubtitles::Overlay() const { return overlay_; }

void TSubtitles::Draw(TSubtitleLines lines) {
  if (!panel_)
    return;
  if (!overlay_)
    overlay_ = new TSubtitleOverlay(*panel_, links_.Options());
  overlay_->ShowLines(*panel_, std::move(lines));
}

} // namespace qev::teletext
