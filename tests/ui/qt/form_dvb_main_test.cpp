#include "frame/process_flags.h"
#include "support/screenshot.h"
#include "ui/engine_context_test.h"
#include "ui/main_commands.h"
#include "ui/qt/form_diseqc_log.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/frame_chan_tree.h"
#include "ui/qt/main_panels.h"
#include "ui/ui_context.h"
#include "ui/ui_world.h"
#include "video/media_type.h"
#include "video/qt/video_manager.h"
#include "video/qt/video_panel.h"
#include "video/video_surface.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace qev::ui {
namespace {

// Eight colour bars in 16:9, as a test card shows them.
std::shared_ptr<const video::TVideoFrame> ColourBars(int width, int height) {
  static constexpr std::uint32_t kBars[] = {0xC0C0C0, 0xC0C000, 0x00C0C0, 0x00C000,
                                            0xC000C0, 0xC00000, 0x0000C0, 0x101010};
  auto pixels = std::make_shared<std::vector<std::uint8_t>>(width * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t rgb = kBars[x * 8 / width];
      std::uint8_t *p = pixels->data() + (y * width + x) * 4;
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
      p[3] = 0xFF;
    }
  auto frame = std::make_shared<video::TVideoFrame>();
  frame->Format = video::TVideoFrame::TFormat::BGRx;
  frame->Width = width;
  frame->Height = height;
  frame->AspectX = 16;
  frame->AspectY = 9;
  frame->Planes[0] = pixels->data();
  frame->Strides[0] = width * 4;
  frame->Keep = pixels;
  return frame;
}

// A renderer that shows the test card in whatever surface it is given.
struct CardPlayback final : video::IVideoPlayback {
  std::uintptr_t Start(int index, std::uintptr_t owner) override { return Move(index, owner); }
  std::uintptr_t Move(int index, std::uintptr_t owner) override {
    video::PresentToSurface(owner, ColourBars(320, 180));
    return 1000 + index;
  }
  void SetRect(int, const video::TVideoRect &) override {}
  void SetOption(int, int, int) override {}
  void Stop(int) override {}
  bool Sound(int, bool, SoundRecord &) override { return true; }
  bool Picture(int, bool, PictureRecord &) override { return false; }
  std::string Error(int) override { return {}; }
};

// The main window over the fake engine, with video windows whose renderer shows a test card.
class MainWindowTest : public test::EngineContextTest {
protected:
  void SetUp() override {
    EngineContextTest::SetUp();
    savedPip_ = frame::Flags().PipPossible;
    frame::Flags().PipPossible = true;
    data::TChannelRec rec = device::test::Channel(12188000, 'H', 22000, 202, "Charlie News");
    data::SetChProv(rec, "Charlie Media");
    news = root.AddChannel(1, rec);
  }
  void TearDown() override {
    if (window)
      window->AttachVideos(nullptr);
    videos.reset();
    window.reset();
    frame::Flags().PipPossible = savedPip_;
    EngineContextTest::TearDown();
  }

  TFormDvbMain &Build() {
    window = std::make_unique<TFormDvbMain>(context, [this] {
      ++closeRequests;
      return allowClose;
    });
    window->ChannelTree(0)->RebuildTree();
    video::TVideoContext videoContext;
    videoContext.Video0Disabled = [this] { return options.General.Video0Disabled; };
    videoContext.Notify = [this](int first, std::intptr_t value) {
      hub.Notify(frame::kNotifyVideoOutput, first, value);
    };
    videos = std::make_unique<video::TVideoManager>(playback, videoContext);
    videos->AttachMainPanel(window->VideoPanel());
    window->AttachVideos(videos.get());
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::setActiveWindow(window.get());
    return *window;
  }
  template <typename T> T &Child(const char *name) {
    T *child = window->findChild<T *>(name);
    EXPECT_NE(child, nullptr) << name;
    return *child;
  }
  QString Text(const char *name) { return Child<QLabel>(name).text(); }
  // A key as the user presses it: to the widget that has the focus.
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget *focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, key, modifiers);
  }
  void FocusTree() {
    QTreeView *view = window->ChannelTree(0)->TreeView();
    view->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), view);
  }
  video::TVideoOutputs &Outputs() { return videos->Outputs(); }
  // The tuner's status as the signal bars show it: locked, at this level and quality.
  void ShowLockedSignal(int level, int quality) {
    context.Signal = [level, quality] {
      device::TSignalDisplay signal;
      signal.level = level;
      signal.quality = quality;
      signal.lamps[4] = device::TLampColor::Green;
      return signal;
    };
  }
  // An SD picture as the main output describes it: MPEG-2, 720 x 576, 16:9, 6 Mbit/s.
  static video::TMediaType Mpeg2Picture() {
    video::TMediaType picture;
    picture.Major = video::TMajorType::Video;
    picture.FormatType = video::TFormatType::Mpeg2Video;
    picture.HasFormat = true;
    picture.Width = 720;
    picture.Height = 576;
    picture.AspectX = 16;
    picture.AspectY = 9;
    picture.BitRate = 6000000;
    return picture;
  }

  CardPlayback playback;
  std::unique_ptr<TFormDvbMain> window;
  std::unique_ptr<video::TVideoManager> videos;
  std::int32_t news = 0;
  int closeRequests = 0;
  bool allowClose = true;

private:
  bool savedPip_ = false;
};

TEST_F(MainWindowTest, HasTheTreesTabsAndTitleOfTheReceiver) {
  Build();
  EXPECT_EQ(window->windowTitle(), "QEV-DVB @ OFFLINE");
  ASSERT_NE(window->ChannelTree(0), nullptr);
  ASSERT_NE(window->ChannelTree(1), nullptr);
  auto &tabs = Child<QTabWidget>("infoTabs");
  ASSERT_EQ(tabs.count(), 2);
  EXPECT_EQ(tabs.tabText(0), "Satellites");
  EXPECT_EQ(tabs.tabText(1), "Channel");
  EXPECT_EQ(window->findChild<QToolButton *>("recordButton"), nullptr) << "no recorder yet";
  EXPECT_EQ(window->findChild<QToolButton *>("deviceSettingsButton"), nullptr);
  EXPECT_EQ(window->findChild<QToolButton *>("guideButton"), nullptr) << "no guide";
  EXPECT_EQ(window->findChild<QToolButton *>("teletextButton"), nullptr) << "no teletext";
  EXPECT_EQ(window->findChild<QAction *>("teletextItem"), nullptr);
  QStringList tools;
  for (QAction *item : Child<QMenu>("toolsMenu").actions())
    tools << item->text();
  EXPECT_EQ(tools, QStringList({"DiSEqC log", "DiSEqC console"}));
  window->findChild<QAction *>("diseqcLogItem")->trigger();
  auto *log = window->findChild<TFormDiseqcLog *>();
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isVisible());
  window->findChild<QAction *>("diseqcLogItem")->trigger();
  EXPECT_EQ(window->findChildren<TFormDiseqcLog *>().size(), 1) << "one log window";
}

TEST_F(MainWindowTest, WithoutASecondPictureThereIsNoSecondTree) {
  frame::Flags().PipPossible = false;
  Build();
  EXPECT_EQ(window->ChannelTree(1), nullptr);
  EXPECT_FALSE(Child<QToolButton>("pipButton").isEnabled());
}

TEST_F(MainWindowTest, SwitchNotificationsFillTheChannelPanelsAndHoldTheTrees) {
  Build();
  bool treesDisabledWhileTuning = false;
  tuner.duringTune = [&] {
    treesDisabledWhileTuning =
        !window->ChannelTree(0)->isEnabled() && !window->ChannelTree(1)->isEnabled();
    EXPECT_EQ(Text("namePanel"), " Charlie News") << "shown when the switch begins";
  };
  ASSERT_TRUE(engine.SwitchChannel(0, news, true));
  EXPECT_TRUE(treesDisabledWhileTuning);
  EXPECT_TRUE(window->ChannelTree(0)->isEnabled());
  EXPECT_TRUE(window->ChannelTree(1)->isEnabled());
  EXPECT_EQ(Text("providerPanel"), " Charlie Media");
  EXPECT_EQ(Text("namePanel"), " Charlie News");
  EXPECT_EQ(Text("frequencyPanel"), " 12188,H,22000");
  EXPECT_EQ(Text("eventPanel"), "") << "no guide";
  EXPECT_EQ(Child<QToolButton>("timePanel").text(), "");
  EXPECT_EQ(Child<QProgressBar>("programmeProgress").value(), 0);
}

TEST_F(MainWindowTest, TheProgrammeOnAirComesFromTheGuideAndTheTimePanelCyclesItsMode) {
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  context.Subsystems.GuideNowEvent = [now](std::uint16_t tid,
                                           std::uint16_t sid) -> std::optional<TNowEvent> {
    if (tid != 12188 || sid != 202)
      return std::nullopt;
    return TNowEvent{"Evening News", now - 600, 1800};
  };
  Build();
  ASSERT_TRUE(engine.SwitchChannel(0, news, true));
  EXPECT_EQ(Text("eventPanel"), " Evening News");
  auto &time = Child<QToolButton>("timePanel");
  EXPECT_TRUE(time.text().contains('-')) << time.text().toStdString();
  EXPECT_EQ(Child<QProgressBar>("programmeProgress").maximum(), 1800);
  QTest::mouseClick(&time, Qt::LeftButton);
  EXPECT_TRUE(time.text().startsWith("E 00:10:")) << time.text().toStdString();
  QTest::mouseClick(&time, Qt::LeftButton);
  EXPECT_TRUE(time.text().startsWith("L 00:")) << time.text().toStdString();
}

TEST_F(MainWindowTest, TunerStatusFromAnyThreadShowsTheSignal) {
  ShowLockedSignal(72, 55);
  Build();
  std::thread statusThread([this] { hub.Notify(frame::kNotifyTunerStatus, 0, 0); });
  statusThread.join();
  QTRY_COMPARE(Child<QProgressBar>("levelBar").value(), 72);
  EXPECT_EQ(Child<QProgressBar>("qualityBar").value(), 55);
  EXPECT_TRUE(Child<QLabel>("lockPanel").styleSheet().contains("#2e9d3a"));
}

TEST_F(MainWindowTest, MediaTypesOfTheMainOutputFillTheMediaPanel) {
  Build();
  const video::TMediaType picture = Mpeg2Picture();
  video::TMediaType sound;
  sound.Major = video::TMajorType::Audio;
  sound.FormatType = video::TFormatType::WaveFormatEx;
  sound.HasFormat = true;
  sound.FormatTag = 0x50;
  sound.Channels = 2;
  sound.SamplesPerSec = 48000;
  sound.AvgBytesPerSec = 24000;
  hub.Notify(frame::kNotifyMediaType, 0 * 256 + 2, reinterpret_cast<std::intptr_t>(&sound));
  EXPECT_EQ(Text("mediaPanel"), " MPA 2Ch,48.0KHz,192Kbps");
  hub.Notify(frame::kNotifyMediaType, 0 * 256 + 1, reinterpret_cast<std::intptr_t>(&picture));
  EXPECT_EQ(Text("mediaPanel"), " VID 720x576,16:9,6000Kbps / MPA 2Ch,48.0KHz,192Kbps");
  hub.Notify(frame::kNotifyMediaType, 1 * 256 + 1, 0);
  EXPECT_EQ(Text("mediaPanel"), " VID 720x576,16:9,6000Kbps / MPA 2Ch,48.0KHz,192Kbps")
      << "other outputs are not described";
  ASSERT_TRUE(engine.SwitchChannel(0, news, true));
  EXPECT_EQ(Text("mediaPanel"), "") << "a switch forgets the formats";
}

TEST_F(MainWindowTest, PipOutputEventsPressTheButtonAndEnableItsMenu) {
  Build();
  auto &pip = Child<QToolButton>("pipButton");
  auto *close = window->findChild<QAction *>("pipCloseItem");
  auto *swap = window->findChild<QAction *>("pipSwapItem");
  ASSERT_TRUE(close && swap);
  EXPECT_FALSE(close->isEnabled());
  EXPECT_FALSE(swap->isEnabled());
  Outputs().SetVideoState(1, video::kFloating, false);
  EXPECT_TRUE(pip.isChecked());
  EXPECT_TRUE(close->isEnabled());
  EXPECT_TRUE(swap->isEnabled());
  close->trigger();
  EXPECT_EQ(Outputs().State(1), video::kClosed);
  EXPECT_FALSE(pip.isChecked());
  EXPECT_FALSE(close->isEnabled());
}

TEST_F(MainWindowTest, SlotStatusBlinksTheKeyIndicator) {
  Build();
  EXPECT_EQ(window->KeyIndicators().Image(0), TIndicatorImage::NotAvailable);
  hub.Notify(frame::kNotifyPluginHost, 3, 256 + 0);
  QTest::qWait(450);
  const TIndicatorImage image = window->KeyIndicators().Image(0);
  EXPECT_TRUE(image == TIndicatorImage::On || image == TIndicatorImage::Alt);
  hub.Notify(frame::kNotifyPluginHost, 3, 0);
  QTRY_COMPARE(window->KeyIndicators().Image(0), TIndicatorImage::Off);
  EXPECT_EQ(window->KeyIndicators().Image(1), TIndicatorImage::NotAvailable);
}

TEST_F(MainWindowTest, VolumeCommandsAndControlsWorkOnTheMainOutput) {
  Build();
  Outputs().Settings(0).Sound.Volume = 98;
  EXPECT_TRUE(window->Execute(kCommandMessage, kCmdVolumeUp, 0));
  EXPECT_EQ(Outputs().Settings(0).Sound.Volume, 100);
  EXPECT_EQ(Child<QSlider>("volumeSlider").value(), 100);
  EXPECT_EQ(Child<QLabel>("effectiveVolume").text(), "100 %");
  Child<QSlider>("volumeSlider").setValue(30);
  EXPECT_EQ(Outputs().Settings(0).Sound.Volume, 30) << "the slider sets the base volume";
  window->Execute(kCommandMessage, kCmdMute, 0);
  EXPECT_TRUE(Outputs().Settings(0).Sound.Muted);
  EXPECT_EQ(Child<QLabel>("effectiveVolume").text(), "0 %");
  EXPECT_FALSE(window->findChild<QCheckBox *>("soundSwitch")->isChecked());
}

TEST_F(MainWindowTest, TheVolumeShowsOnceTheMainOutputOpens) {
  Build();
  Outputs().Settings(0).Sound.Volume = 35;
  Outputs().SetVideoState(0, video::kEmbedded, true);
  EXPECT_EQ(Child<QSlider>("volumeSlider").value(), 35);
}

TEST_F(MainWindowTest, DefaultKeysGoToTheDispatcherFromTheFocusedWidget) {
  Build();
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  FocusTree();
  Press(Qt::Key_Plus, Qt::KeypadModifier);
  const std::int32_t next = engine.Slot(0).CurrentHandle;
  EXPECT_NE(next, alpha) << "Num + steps to the next channel";
  EXPECT_GT(next, 0);
  EXPECT_EQ(QApplication::focusWidget(), window->ChannelTree(0)->TreeView())
      << "the tree keeps the focus across the switch";
  Press(Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);

  Outputs().Settings(0).Sound.Volume = 50;
  Press(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(Outputs().Settings(0).Sound.Volume, 55);
  Press(Qt::Key_Left, Qt::ControlModifier);
  Press(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(Outputs().Settings(0).Sound.Volume, 45);
  Press(Qt::Key_M);
  EXPECT_TRUE(Outputs().Settings(0).Sound.Muted);
  Outputs().SetVideoState(0, video::kEmbedded, true);
  Press(Qt::Key_F11);
  EXPECT_EQ(Outputs().State(0), video::kFullScreen);
  Press(Qt::Key_F11);
  EXPECT_EQ(Outputs().State(0), video::kEmbedded) << "F11 in the full-screen window";
  QApplication::processEvents(); // the full-screen window's deactivation
  QApplication::setActiveWindow(window.get());
  FocusTree();
  allowClose = false; // the shutdown refuses, so the window stays for the next key
  EXPECT_EQ(closeRequests, 0);
  Press(Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(closeRequests, 1);
  Press(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(closeRequests, 2);
}

TEST_F(MainWindowTest, KeysAreOffWhileAModalDialogIsOpen) {
  Build();
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  FocusTree();
  QDialog dialog(window.get());
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_FALSE(window->HotkeysActive());
  QTest::keyClick(window->ChannelTree(0)->TreeView(), Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);
  dialog.close();
  EXPECT_TRUE(window->HotkeysActive());
}

TEST_F(MainWindowTest, KeysAreOffWhileTheFilterNameHasTheFocus) {
  Build();
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  emit window->ChannelTree(0)->HotkeysActiveChanged(false);
  EXPECT_FALSE(window->HotkeysActive());
  QTest::keyClick(window->ChannelTree(0)->TreeView(), Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);
  emit window->ChannelTree(0)->HotkeysActiveChanged(true);
  EXPECT_TRUE(window->HotkeysActive());
}

TEST_F(MainWindowTest, ARepeatingKeyRepeatsOnlyTheVolume) {
  Build();
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  FocusTree();
  const auto repeat = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), true);
    QApplication::sendEvent(QApplication::focusWidget(), &press);
  };
  repeat(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);
  Outputs().Settings(0).Sound.Volume = 50;
  repeat(Qt::Key_Right, Qt::ControlModifier);
  repeat(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(Outputs().Settings(0).Sound.Volume, 60);
}

TEST_F(MainWindowTest, TypingIntoTheChannelFilterTypesText) {
  Build();
  auto *name = window->ChannelTree(0)->findChild<QLineEdit *>();
  ASSERT_NE(name, nullptr);
  name->setFocus();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::focusWidget(), name);
  Press(Qt::Key_M);
  EXPECT_FALSE(Outputs().Settings(0).Sound.Muted);
  EXPECT_EQ(name->text(), "m");
  FocusTree();
  EXPECT_TRUE(window->HotkeysActive());
  Press(Qt::Key_M);
  EXPECT_TRUE(Outputs().Settings(0).Sound.Muted);
}

TEST_F(MainWindowTest, DoubleClickZonesOfTheEmbeddedVideo) {
  Build();
  video::TVideoPanel *panel = window->VideoPanel();
  Outputs().SetVideoState(0, video::kEmbedded, true);
  QTest::mouseDClick(panel, Qt::LeftButton, {}, QPoint(panel->width() / 2, panel->height() / 4));
  EXPECT_EQ(Outputs().State(0), video::kFloating) << "upper half";
  Outputs().SetVideoState(0, video::kEmbedded, true);
  QTest::mouseDClick(panel, Qt::LeftButton, {},
                     QPoint(panel->width() / 2, panel->height() * 3 / 4));
  EXPECT_EQ(Outputs().State(0), video::kFullScreen) << "lower half";
  Outputs().SetVideoState(0, video::kEmbedded, true);
  options.General.VideoDblClickZo = false;
  QTest::mouseDClick(panel, Qt::LeftButton, {}, QPoint(panel->width() / 2, panel->height() / 4));
  EXPECT_EQ(Outputs().State(0), video::kFullScreen) << "without zones always full screen";
}

TEST_F(MainWindowTest, VideoOffClosesTheMainVideoAndKeepsItClosed) {
  Build();
  Outputs().SetVideoState(0, video::kEmbedded, true);
  auto &off = Child<QToolButton>("videoOffButton");
  QTest::mouseClick(&off, Qt::LeftButton);
  EXPECT_TRUE(options.General.Video0Disabled);
  EXPECT_EQ(Outputs().State(0), video::kClosed);
  Outputs().SetVideoState(0, video::kEmbedded, true);
  EXPECT_EQ(Outputs().State(0), video::kClosed) << "stays off";
  QTest::mouseClick(&off, Qt::LeftButton);
  EXPECT_FALSE(options.General.Video0Disabled);
  EXPECT_EQ(Outputs().State(0), video::kEmbedded);
}

TEST_F(MainWindowTest, RecordButtonAndCommandToggleTheMainSlotsRecording) {
  std::vector<std::string> calls;
  bool recording = false;
  context.Subsystems.RecStartChannel = [&](const data::TChannelRec &rec, int slot, int, bool ask) {
    calls.push_back("start " + data::ChName(rec) + " " + std::to_string(slot) +
                    (ask ? " ask" : ""));
  };
  context.Subsystems.RecSlotActive = [&](int slot) { return slot == 0 && recording; };
  context.Subsystems.RecStopSlot = [&](int slot) {
    calls.push_back("stop " + std::to_string(slot));
  };
  Build();
  ASSERT_TRUE(engine.SwitchChannel(0, news, true));
  auto &button = Child<QToolButton>("recordButton");
  window->Execute(kCommandMessage, kCmdRecord, 0);
  recording = true;
  hub.Notify(frame::kNotifyRecording, 1, 0);
  EXPECT_TRUE(button.isChecked());
  window->Execute(kCommandMessage, kCmdRecord, 0);
  recording = false;
  hub.Notify(frame::kNotifyRecording, 0, 0);
  EXPECT_FALSE(button.isChecked());
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(calls, (std::vector<std::string>{"start Charlie News 0", "stop 0",
                                             "start Charlie News 0 ask"}));
  emit button.menu()->aboutToShow();
  QStringList items;
  for (QAction *item : button.menu()->actions())
    items << item->text() + (item->isEnabled() ? "" : " (disabled)");
  EXPECT_EQ(items, QStringList({"AV0: Charlie News", "PIP: <No channel> (disabled)"}));
}

// Answers the input box that the next click opens.
void AnswerInputBox(const QString &text, bool accept = true) {
  QTimer::singleShot(0, [text, accept] {
    auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Subtitles");
    EXPECT_EQ(box->labelText(), "Teletext Page");
    box->setTextValue(text);
    if (accept)
      box->accept();
    else
      box->reject();
  });
}

TEST_F(MainWindowTest, SubtitleButtonAsksForAPageAndIgnoresBadAnswers) {
  std::vector<int> shown;
  std::vector<std::pair<int, std::string>> pages;
  context.Subsystems.ShowSubtitles = [&](int page) { shown.push_back(page); };
  context.Subsystems.SubtitlePages = [&] { return pages; };
  Build();
  auto &button = Child<QToolButton>("subtitleButton");
  EXPECT_EQ(button.menu(), nullptr) << "no page known yet";
  for (const char *bad : {"1000", "abc", "-5"}) {
    AnswerInputBox(bad);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_FALSE(button.isChecked()) << bad;
  }
  AnswerInputBox("150", false);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_FALSE(button.isChecked()) << "cancelled";
  EXPECT_TRUE(shown.empty());
  AnswerInputBox("777");
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_TRUE(button.isChecked());
  EXPECT_EQ(button.text(), "Sub/777");
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_FALSE(button.isChecked());
  EXPECT_EQ(shown, (std::vector<int>{777, 0}));

  pages = {{150, "DEU"}, {888, "ENG"}};
  window->Execute(kCommandMessage, kCmdSubtitlePages, 0);
  ASSERT_NE(button.menu(), nullptr) << "the menu arrow shows once a page is known";
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(button.text(), "Sub/150") << "the first known page, without asking";
  emit button.menu()->aboutToShow();
  QStringList items;
  for (QAction *item : button.menu()->actions())
    items << item->text() + (item->isChecked() ? "*" : "");
  EXPECT_EQ(items, QStringList({"Page 150 (DEU)*", "Page 888 (ENG)"}));
  button.menu()->actions().at(1)->trigger();
  EXPECT_EQ(button.text(), "Sub/888");
  EXPECT_EQ(shown.back(), 888);
}

TEST_F(MainWindowTest, AudioChannelButtonShowsAndSetsTheMode) {
  int mode = 1;
  context.Subsystems.AudioChannelMode = [&] { return mode; };
  context.Subsystems.SetAudioChannel = [&](int chosen) { mode = chosen; };
  Build();
  auto &button = Child<QToolButton>("audioChannelButton");
  EXPECT_EQ(button.text(), "A-");
  button.menu()->actions().at(2)->trigger();
  EXPECT_EQ(mode, 2);
  EXPECT_EQ(button.text(), "-B");
  button.menu()->actions().at(0)->trigger();
  EXPECT_EQ(button.text(), "AB");
  EXPECT_TRUE(button.isEnabled());
  mode = 3;
  Outputs().SetVideoState(0, video::kEmbedded, true);
  EXPECT_FALSE(button.isEnabled()) << "read back when the main video opens: no mode";
}

TEST_F(MainWindowTest, MinimisingWithoutATrayOnlyMinimises) {
  options.General.MinimizeToTray = true;
  Build();
  window->SetTrayAvailable([] { return false; });
  window->showMinimized();
  QTest::qWait(50);
  EXPECT_TRUE(window->isVisible()) << "the window must not vanish without a tray icon";
  EXPECT_EQ(window->TrayIcon(), nullptr);
  window->ShowMainWindow(false);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isMinimized());
  window->ShowMainWindow(true);
  EXPECT_FALSE(window->isMinimized());
}

TEST_F(MainWindowTest, MinimisingIntoTheTrayAndBackByDoubleClick) {
  options.General.MinimizeToTray = true;
  Build();
  window->SetTrayAvailable([] { return true; });
  window->showMinimized();
  QTRY_VERIFY(!window->isVisible());
  ASSERT_NE(window->TrayIcon(), nullptr);
  EXPECT_TRUE(window->TrayIcon()->isVisible());
  emit window->TrayIcon()->activated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->TrayIcon()->isVisible());
  EXPECT_EQ(Outputs().State(0), video::kEmbedded) << "the main video opens in the window";
}

TEST_F(MainWindowTest, OutputCommandsReachTheVideoWindows) {
  Build();
  Outputs().SetVideoState(0, video::kEmbedded, true);
  window->Execute(kOutputCommandMessage, kOutFloating, 0);
  EXPECT_EQ(Outputs().State(0), video::kFloating);
  window->Execute(kOutputCommandMessage, kOutClose, 6);
  window->Execute(kOutputCommandMessage, kOutClose, -1);
  EXPECT_EQ(Outputs().State(0), video::kFloating) << "other outputs are ignored";
  window->Execute(kCommandMessage, kCmdWindowMode, 0 * 256 + 3);
  EXPECT_EQ(Outputs().State(0), video::kFullScreen);
  window->Execute(kOutputCommandMessage, kOutClose, 0);
  EXPECT_EQ(Outputs().State(0), video::kClosed);
}

TEST_F(MainWindowTest, UnregistersFromTheHubWhenDestroyed) {
  Build();
  window->AttachVideos(nullptr);
  window.reset();
  hub.Notify(frame::kNotifySwitchProgress, 256, 0);
  hub.Notify(frame::kNotifyTunerStatus, 0, 0);
  hub.Notify(frame::kNotifyMediaType, 1, 0);
  SUCCEED();
}

TEST_F(MainWindowTest, FitsASmallLaptopScreen) {
  Build();
  const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
  std::cout << "main window minimum: " << minimum.width() << " x " << minimum.height() << "\n";
  EXPECT_LE(minimum.width(), 1366);
  EXPECT_LE(minimum.height(), 768 - 40) << "leaves room for a panel of the desktop";
  window->resize(1366, 728);
  QApplication::processEvents();
  EXPECT_GE(window->VideoPanel()->width(), 640);
  EXPECT_GE(window->VideoPanel()->height(), 300);
}

TEST_F(MainWindowTest, LooksLikeAReceiverWindow) {
  ShowLockedSignal(81, 67);
  Build();
  window->resize(1366, 728);
  ASSERT_TRUE(engine.SwitchChannel(0, news, true));
  Outputs().Settings(0).Sound.Volume = 65;
  Outputs().SetVideoState(0, video::kEmbedded, true);
  hub.Notify(frame::kNotifyTunerStatus, 0, 0);
  const video::TMediaType picture = Mpeg2Picture();
  hub.Notify(frame::kNotifyMediaType, 1, reinterpret_cast<std::intptr_t>(&picture));
  window->ShowMessageLine("Channel switched", frame::LineColor::Blue);
  QTest::qWait(300);
  const QString file = qev::test::SaveScreenshot(*window, "main_window_receiver");
  EXPECT_FALSE(QImage(file).isNull());
}

// The window in a child process whose Qt runs at 200 %, as on a 4K screen.
TEST(MainWindowScaleTest, FitsA4kScreenAt200Percent) {
  if (!std::getenv("QEV_MAIN_SCALE_CHILD")) {
    const std::string command = "QEV_MAIN_SCALE_CHILD=1 QT_SCALE_FACTOR=2 "
                                "QT_QPA_PLATFORM=offscreen /proc/" +
                                std::to_string(::getpid()) +
                                "/exe --gtest_filter=MainWindowScaleTest.* >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return;
  }
  EXPECT_DOUBLE_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
  test::OwnEngineWorld world;
  frame::Flags().PipPossible = true;
  TFormDvbMain window(world.context, [] { return true; });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // Logical pixels: at 200 % a 3840 x 2160 screen offers 1920 x 1080 of them.
  const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
  EXPECT_LE(minimum.width() * 2, 3840);
  EXPECT_LE(minimum.height() * 2, 2160);
  window.resize(1600, 900);
  QApplication::processEvents();
  qev::test::SaveScreenshot(window, "main_window_200_percent");
}


TEST_F(MainWindowTest, TheGuideButtonOpensTheGuide) {
  int opened = 0;
  context.Subsystems.OpenGuide = [&] { ++opened; };
  Build();
  QTest::mouseClick(&Child<QToolButton>("guideButton"), Qt::LeftButton);
  EXPECT_EQ(opened, 1);
}

TEST_F(MainWindowTest, TheTeletextButtonIsEnabledForChannelsWithTeletext) {
  int opened = 0;
  context.Subsystems.OpenTeletext = [&] { ++opened; };
  data::TChannelRec rec = device::test::Channel(12188000, 'H', 22000, 203, "Charlie Radio");
  rec.TtxPid = 0;
  const std::int32_t radio = root.AddChannel(1, rec);
  Build();
  auto &button = Child<QToolButton>("teletextButton");
  EXPECT_FALSE(button.isEnabled()) << "no channel yet";
  ASSERT_TRUE(engine.SwitchChannel(0, news, true));
  EXPECT_TRUE(button.isEnabled());
  QTest::mouseClick(&button, Qt::LeftButton);
  window->findChild<QAction *>("teletextItem")->trigger();
  EXPECT_EQ(opened, 2);
  ASSERT_TRUE(engine.SwitchChannel(0, radio, true));
  EXPECT_FALSE(button.isEnabled()) << "the radio channel has no teletext";
}

TEST_F(MainWindowTest, ScanMenuScansTheLoadedSatelliteTheMainTransponderOrAnyOther) {
  std::vector<int> satellites;
  std::vector<std::pair<int, std::string>> transponders;
  context.Subsystems.ScanSatellite = [&](int sat) { satellites.push_back(sat); };
  context.Subsystems.ScanTransponder = [&](int sat, const data::TTransponder &tp) {
    transponders.emplace_back(sat, data::TpText(tp));
  };
  Build();
  QMenu *menu = Child<QToolButton>("scanButton").menu();
  ASSERT_NE(menu, nullptr);
  const auto items = [menu] {
    emit menu->aboutToShow();
    return menu->actions();
  };
  // The satellites follow in the list's order.
  QList<QAction *> shown = items();
  ASSERT_EQ(shown.size(), 5); // loaded satellite, transponder, separator, two satellites
  EXPECT_FALSE(shown[0]->isEnabled()) << "no satellite loaded";
  EXPECT_FALSE(shown[1]->isEnabled()) << "no channel on slot 0";
  QAction *hotbird = shown[3];
  QAction *astra = shown[4];
  EXPECT_EQ(astra->text(), "19.2E Astra");
  EXPECT_EQ(hotbird->text(), "13.0E Hotbird");
  EXPECT_FALSE(astra->isChecked());
  hotbird->trigger();
  EXPECT_EQ(satellites, std::vector<int>{2});

  ASSERT_TRUE(engine.SwitchChannel(0, charlie, true));
  shown = items();
  ASSERT_EQ(shown.size(), 5);
  EXPECT_TRUE(shown[0]->isEnabled());
  EXPECT_TRUE(shown[1]->isEnabled());
  EXPECT_TRUE(shown[4]->isChecked()) << "Astra is loaded";
  EXPECT_FALSE(shown[3]->isChecked());
  shown[0]->trigger();
  shown[1]->trigger();
  EXPECT_EQ(satellites, (std::vector<int>{2, 1}));
  EXPECT_EQ(transponders, (std::vector<std::pair<int, std::string>>{{1, "12188,H,22000"}}));
}

} // namespace
} // namespace qev::ui
