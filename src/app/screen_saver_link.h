#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>

namespace qev::frame {
class TScreenSaverInhibitor;
}

namespace qev::app {

// Keeps the screen saver away while output 0 shows a picture and the user wants that (option
// NoScreenSaver): output 0 is open and the last switch of AV slot 0 ended on a channel with
// pictures. A switch in progress keeps what the previous channel decided, so zapping does not
// give the screen saver back and take it again.
class TScreenSaverLink final : public QObject {
  Q_OBJECT
public:
  struct Sources {
    std::function<bool()> wanted;           // the option
    std::function<bool()> slot0HasPictures; // the channel slot 0 plays has a video stream
  };
  // The option changes without telling anybody, so it is read again this often.
  static constexpr std::chrono::milliseconds kOptionRefresh{1000};

  TScreenSaverLink(QObject *parent, Sources sources,
                   QDBusConnection bus = QDBusConnection::sessionBus());
  ~TScreenSaverLink() override;

  const frame::TScreenSaverInhibitor &Inhibitor() const { return *inhibitor_; }

  // Handlers of the notification lists 9 (video outputs) and 5 (switch progress).
  void VideoOutput(std::intptr_t event, std::intptr_t);
  void SwitchProgress(std::intptr_t stage, std::intptr_t slot);

private:
  void Update();

  Sources sources_;
  frame::TScreenSaverInhibitor *inhibitor_; // a child
  bool outputOpen_ = false;
  bool pictures_ = false;
  QTimer refresh_;
};

// The link of the program: a child of the main window, on the session bus, reading the option
// and the tuning engine.
void LinkScreenSaver(QObject &mainWindow);

} // namespace qev::app
