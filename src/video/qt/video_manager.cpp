#include "video/qt/video_manager.h"

#include "frame/fast_ini_file.h"
#include "frame/log.h"
#include "frame/message_pump.h"
#include "video/video_win_config.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>

namespace qev::video {

namespace {

QAction *AddItem(QMenu &menu, const char *name, const QString &text, std::function<void()> action) {
  QAction *item = menu.addAction(text);
  item->setObjectName(name);
  QObject::connect(item, &QAction::triggered, &menu, [action = std::move(action)] {
    if (action)
      action();
  });
  return item;
}

TVideoSize ScreenSize() {
  const QScreen *s = QGuiApplication::primaryScreen();
  return s ? TVideoSize{s->geometry().width(), s->geometry().height()} : TVideoSize{1280, 1024};
}

} // namespace

TVideoManager::TVideoManager(IVideoPlayback &playback, TVideoContext context,
                             TVideoManagerLinks links)
    : context_(std::move(context)), links_(std::move(links)) {
  for (int i = 0; i < kVideoCount; ++i) {
    floating_[i] = std::make_unique<TFloatingVideo>(i);
    floating_[i]->SetHandlers(
        {[this, i](int request) { outputs_->SetVideoState(i, request, false); },
         [this, i] {
           outputs_->Activate(i);
           MarkActive(i);
         },
         [this] { return links_.DoubleClickZone && links_.DoubleClickZone(); },
         [this, i](QPoint global) { ShowMenu(i, global); }, [this] { mouseHide_->MouseActivity(); },
         [this, i] { outputs_->PanelResized(floating_[i]->Panel().Handle()); }});
  }
  outputs_ =
      std::make_unique<TVideoOutputs>(playback, static_cast<IVideoWindows &>(*this), context_);
  mouseHide_ = std::make_unique<TMouseHideThread>(
      TMouseHideThread::TLinks{[this] { return outputs_->AnyFullScreen(); },
                               [this](bool hidden) {
                                 QMetaObject::invokeMethod(
                                     this,
                                     [this, hidden] {
                                       if (hidden == cursorHidden_)
                                         return;
                                       cursorHidden_ = hidden;
                                       if (hidden)
                                         QApplication::setOverrideCursor(Qt::BlankCursor);
                                       else
                                         QApplication::restoreOverrideCursor();
                                     },
                                     Qt::QueuedConnection);
                               }});
}

void TVideoManager::NextPresetPosition(int index) {
  if (outputs_->State(index) != kFloating)
    return;
  std::vector<std::string> positions;
  WithConfig([&](TVideoWinConfig &config) { positions = config.CustomPipPos(); });
  floating_[index]->NextPresetPosition(positions);
}

void TVideoManager::NextPresetSize(int index) {
  if (outputs_->State(index) != kFloating)
    return;
  std::vector<std::string> sizes;
  WithConfig([&](TVideoWinConfig &config) { sizes = config.CustomSizes(); });
  floating_[index]->NextPresetSize(sizes);
}

void TVideoManager::ShowPictureSettings(int index) {
  if (colorControl_)
    colorControl_->close();
  colorControl_ = new TFrameColorControl(*outputs_, index);
  colorControl_->show();
}

TVideoManager::~TVideoManager() {
  delete colorControl_.data();
  mouseHide_.reset(); // joined before anything it reads goes away
  if (cursorHidden_)
    QApplication::restoreOverrideCursor();
  outputs_->CloseAll();
}

void TVideoManager::AttachMainPanel(TVideoPanel *panel) {
  mainPanel_ = panel;
  panel->SetHandlers({[this] { mouseHide_->MouseActivity(); },
                      [this](QPoint) { outputs_->SetVideoState(MainPanelVideo(), 3, false); },
                      [this](QPoint global) { ShowMenu(MainPanelVideo(), global); }, nullptr,
                      [this] {
                        if (mainPanel_)
                          outputs_->PanelResized(mainPanel_->Handle());
                      }});
}

int TVideoManager::MainPanelVideo() const {
  return outputs_->Embedded() == kNoVideo ? 0 : outputs_->Embedded();
}

TVideoPanel *TVideoManager::PanelByHandle(std::uintptr_t handle) {
  if (mainPanel_ && mainPanel_->Handle() == handle)
    return mainPanel_;
  for (auto &window : floating_)
    if (window->Panel().Handle() == handle)
      return &window->Panel();
  return nullptr;
}

std::uintptr_t TVideoManager::MainPanel() { return mainPanel_ ? mainPanel_->Handle() : 0; }

std::uintptr_t TVideoManager::FloatingPanel(int index) {
  return floating_[index]->Panel().Handle();
}

TVideoSize TVideoManager::PanelSize(std::uintptr_t handle) {
  const TVideoPanel *panel = PanelByHandle(handle);
  return panel ? TVideoSize{panel->width(), panel->height()} : TVideoSize{};
}

void TVideoManager::SetPictureRect(std::uintptr_t handle, const TVideoRect &rect) {
  if (TVideoPanel *panel = PanelByHandle(handle))
    panel->SetPictureRect(rect);
}

void TVideoManager::WithConfig(const std::function<void(TVideoWinConfig &)> &use) {
  UpdateVideoWinConfig(context_.ConfigFile ? context_.ConfigFile() : std::string(), use);
}

void TVideoManager::ShowFloating(int index, bool fullScreen) {
  TFloatingVideo &window = *floating_[index];
  TSavedWinPos pos{{ScreenSize().Width / 2 - 160, ScreenSize().Height / 2 - 120, 320, 240}};
  WithConfig([&](TVideoWinConfig &config) { pos = config.ReadWinPos(index, ScreenSize()); });
  window.Restore(pos);
  window.SetFullScreen(fullScreen);
  window.show();
  window.raise();
  window.activateWindow();
  // The panel must have its size before the video is laid out in it.
  QCoreApplication::sendPostedEvents(&window, QEvent::LayoutRequest);
  window.Panel().resize(window.size());
}

void TVideoManager::HideFloating(int index) {
  TFloatingVideo &window = *floating_[index];
  if (!window.isVisible())
    return;
  if (!window.FullScreen()) {
    const TSavedWinPos pos = window.Saved();
    WithConfig([&](TVideoWinConfig &config) { config.WriteWinPos(index, pos); });
  }
  window.SetFullScreen(false);
  window.hide();
}

void TVideoManager::SetFullScreen(int index, bool fullScreen) {
  floating_[index]->SetFullScreen(fullScreen);
  floating_[index]->Panel().resize(floating_[index]->size());
}

void TVideoManager::RaiseFloating(int index) { floating_[index]->raise(); }

void TVideoManager::MarkActive(int index) { floating_[index]->Mark(); }

void TVideoManager::ShowMessage(std::uintptr_t handle, const TVideoMessage &message) {
  if (TVideoPanel *panel = PanelByHandle(handle))
    panel->ShowMessage(message);
}

void TVideoManager::HideMessage(std::uintptr_t handle) {
  if (TVideoPanel *panel = PanelByHandle(handle))
    panel->HideMessage();
}

void TVideoManager::ProcessMessages() { frame::PumpMessages(); }

void TVideoManager::ShowMenu(int index, QPoint global) {
  const std::unique_ptr<QMenu> menu = BuildMenu(index);
  menu->exec(global);
}

std::unique_ptr<QMenu> TVideoManager::BuildMenu(int index) {
  auto menu = std::make_unique<QMenu>();
  menu->setObjectName("TDMVidPopup");
  const int state = outputs_->State(index);
  if (index == 0 && links_.Decoder) {
    if (const auto decoder = links_.Decoder()) {
      QMenu *decoders = menu->addMenu("Decoder");
      decoders->menuAction()->setObjectName("MnuSS1Decoder");
      int choice = 0;
      for (const char *name : {"MnuSS1Hardware", "MnuSS1Software"}) {
        QAction *item = AddItem(*decoders, name, choice ? "Software" : "Hardware",
                                [this, choice] { links_.SelectDecoder(choice); });
        item->setCheckable(true);
        item->setChecked((*decoder == 0) == (choice == 0));
        ++choice;
      }
    }
  }
  QMenu *filters = menu->addMenu("Filters");
  filters->menuAction()->setObjectName("MnuDsFilters");
  for (const TFilterInfo &filter :
       links_.Filters ? links_.Filters(index) : std::vector<TFilterInfo>{})
    AddItem(*filters, "", QString::fromStdString(filter.Name.substr(0, 128)), nullptr)
        ->setEnabled(filter.HasPages);
  menu->addSeparator();
  const char *shapes[] = {"MnuVidAr_Letterbox", "MnuVidAr_Stretch4x3", "MnuVidAr_Stretch16x9"};
  const char *shapeTexts[] = {"Keep aspect ratio", "Stretch 4:3", "Stretch 16:9"};
  for (int shape = 0; shape < 3; ++shape) {
    QAction *item = AddItem(*menu, shapes[shape], shapeTexts[shape],
                            [this, index, shape] { outputs_->SetPictureShape(index, shape); });
    item->setCheckable(true);
    item->setChecked(outputs_->PictureShape(index) == shape);
  }
  menu->addSeparator();
  if (const auto config = links_.GraphConfig)
    AddItem(*menu, "MnuDsConfig", "DirectShow configuration...",
            [config, index] { config(index); });
  else
    AddItem(*menu, "MnuDsConfig", "DirectShow configuration (not yet available)", nullptr)
        ->setEnabled(false);
  AddItem(*menu, "MnuPictureSettings", "Picture settings...",
          [this, index] { ShowPictureSettings(index); });
  AddWindowItems(*menu, index, state);
  return menu;
}

void TVideoManager::AddWindowItems(QMenu &menu, int index, int state) {
  TFloatingVideo &window = *floating_[index];
  const bool floating = state == kFloating || state == kFullScreen;
  const bool full = state == kFullScreen;
  auto request = [this, index](int r) {
    return [this, index, r] { outputs_->SetVideoState(index, r, false); };
  };
  menu.addSeparator();
  if (floating && !full) {
    AddItem(menu, "MnuBorderless", "Border", [&window] {
      window.SetBorder(!window.Border());
    })->setCheckable(true);
    menu.findChild<QAction *>("MnuBorderless")->setChecked(window.Border());
    QMenu *sizes = menu.addMenu("Size");
    sizes->menuAction()->setObjectName("MnuCustomSize");
    std::vector<std::string> entries;
    WithConfig([&](TVideoWinConfig &config) { entries = config.CustomSizes(); });
    for (const std::string &entry : entries)
      AddItem(*sizes, "", QString::fromStdString(entry), [&window, entry] {
        if (!window.ApplyPresetSize(entry))
          QMessageBox::warning(&window, kVideoManagerTitle,
                               QString::fromStdString("Bad value: " + entry));
      });
    AddItem(menu, "MnuCloseRest", "Close", request(kLeaveFloating));
  }
  if (!full)
    AddItem(menu, "MnuSetFS", "Full screen", request(kFullScreen));
  else
    AddItem(menu, "MnuResFS", "Leave full screen", request(kLeaveFullScreen));
  if (state == kEmbedded || full)
    AddItem(menu, "MnuSetFloat", "Floating window", request(kFloating));
  if (floating) {
    menu.addSeparator();
    const char *names[] = {"MnuWinA_Free", "MnuWinA_K04_03", "MnuWinA_K16_09"};
    const char *texts[] = {"Window free", "Window 4:3", "Window 16:9"};
    for (int shape = 0; shape < 3; ++shape) {
      QAction *item =
          AddItem(menu, names[shape], texts[shape], [&window, shape] { window.SetShape(shape); });
      item->setCheckable(true);
      item->setChecked(window.Shape() == shape);
    }
  }
}

} // namespace qev::video
