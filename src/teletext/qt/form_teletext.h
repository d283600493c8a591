#pragma once

#include "frame/options.h"
#include "teletext/ttx_cache.h"
#include "teletext/ttx_navigator.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qev::frame {
class TNotificationHub;
}

namespace qev::teletext {

// What the teletext window needs of the program: the page cache, notification 13, holding the
// collection while it is open, and the options with its image size and font.
struct TTtxWindowLinks {
  const TTtxCache &Cache;
  frame::TNotificationHub &Hub;
  std::function<void()> Acquire;
  std::function<void()> Release;
  frame::TTeletextOptions &Options;
  // Opens an address already checked by IsOpenableUrl; empty: the desktop's handler.
  std::function<void(const std::string &url)> OpenUrl{};
};

// The teletext window: one page of the cache as a 40 x 25 grid, chosen by typing, links, buttons,
// menus and gestures, with rotating subpages followed and the header's clock running. Only one
// exists at a time; it deletes itself when closed.
class TFormTeletext : public QWidget {
  Q_OBJECT
public:
  // Shows the window, or brings the open one to the front.
  static TFormTeletext *Open(TTtxWindowLinks links, QWidget *owner = nullptr);
  static TFormTeletext *Instance();
  ~TFormTeletext() override;

  void RunGesture(TTtxGesture gesture);
  const TTtxNavigator &Navigator() const;
  const QImage &PageImage() const;

private:
  TFormTeletext(TTtxWindowLinks links, QWidget *owner);
  static void OnNotification(void *context, std::intptr_t value, std::intptr_t subpage);

  class TImpl;
  std::unique_ptr<TImpl> impl_;
  static QPointer<TFormTeletext> instance_;
};

} // namespace qev::teletext
