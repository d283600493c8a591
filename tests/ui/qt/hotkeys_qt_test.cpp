#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"
#include "ui/engine_context_test.h"
#include "ui/hotkey_file.h"
#include "ui/hotkeys.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/form_hot_keys.h"
#include "ui/qt/frame_chan_tree.h"
#include "ui/qt/main_key_names.h"
#include "video/qt/video_manager.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>

namespace qev::ui {
namespace {

using namespace std::chrono_literals;

std::string Name(Qt::Key key, Qt::KeyboardModifiers modifiers, quint32 scanCode = 0) {
  const QKeyEvent event(QEvent::KeyPress, key, modifiers, scanCode, 0, 0);
  return KeyNameOf(event);
}

TEST(KeyNameTest, NamesFromTheQtKeyAndTheKeypadFlag) {
  EXPECT_EQ(Name(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier), "Ctrl+Shift+R");
  EXPECT_EQ(Name(Qt::Key_X, Qt::AltModifier | Qt::ControlModifier), "Ctrl+Alt+X");
  // Qt counts a modifier key as held in its own press, as the desktop reports it.
  EXPECT_EQ(Name(Qt::Key_Shift, {}), "Shift+");
  EXPECT_EQ(Name(Qt::Key_Control, {}), "Ctrl+");
  EXPECT_EQ(Name(Qt::Key_Control, Qt::ShiftModifier), "Ctrl+Shift+");
  EXPECT_EQ(Name(Qt::Key_Meta, {}), "Win+");
  EXPECT_EQ(Name(Qt::Key_unknown, {}), "");
  EXPECT_EQ(Name(Qt::Key_Plus, Qt::KeypadModifier), "Num +");
  EXPECT_EQ(Name(Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier), "Ctrl+Num +");
  EXPECT_EQ(Name(Qt::Key_Asterisk, Qt::KeypadModifier), "Num *");
  EXPECT_EQ(Name(Qt::Key_Slash, Qt::KeypadModifier | Qt::AltModifier), "Alt+Num /");
  EXPECT_EQ(Name(Qt::Key_Slash, {}), "/");
  EXPECT_EQ(Name(Qt::Key_7, Qt::KeypadModifier), "Num 7");
  EXPECT_EQ(Name(Qt::Key_Right, Qt::ControlModifier), "Ctrl+Right");
  EXPECT_EQ(Name(Qt::Key_Up, Qt::KeypadModifier), "Up") << "a pad arrow is named as the arrow";
  EXPECT_EQ(Name(Qt::Key_PageDown, {}), "Page Down");
  EXPECT_EQ(Name(Qt::Key_Insert, {}), "Insert");
  EXPECT_EQ(Name(Qt::Key_Return, Qt::AltModifier), "Alt+Enter");
  EXPECT_EQ(Name(Qt::Key_Enter, Qt::KeypadModifier | Qt::ControlModifier), "Ctrl+Enter");
  EXPECT_EQ(Name(Qt::Key_F11, {}), "F11");
  EXPECT_EQ(Name(Qt::Key_Escape, {}), "Esc");
}

TEST(KeyNameTest, AnX11KeyCodeNamesTheKeyByItsPlace) {
  EXPECT_EQ(Name(Qt::Key_Exclam, Qt::ShiftModifier, 10), "Shift+1");
  EXPECT_EQ(Name(Qt::Key_M, {}, 58), "M");
  EXPECT_EQ(Name(Qt::Key_8, Qt::KeypadModifier, 80), "Num 8");
  EXPECT_EQ(Name(Qt::Key_Up, Qt::KeypadModifier, 80), "Up") << "the pad without Num Lock";
  EXPECT_EQ(Name(Qt::Key_Plus, Qt::KeypadModifier, 86), "Num +");
  EXPECT_EQ(Name(Qt::Key_Enter, Qt::KeypadModifier | Qt::AltModifier, 104), "Alt+Enter");
  EXPECT_EQ(Name(Qt::Key_Slash, Qt::KeypadModifier, 114), "Num /");
  EXPECT_EQ(Name(Qt::Key_Control, {}, 37), "Ctrl+");
  EXPECT_EQ(Name(Qt::Key_Pause, {}, 127), "Pause") << "a code without a name: the Qt name";
}

struct SilentPlayback final : video::IVideoPlayback {
  std::uintptr_t Start(int index, std::uintptr_t) override { return 1000 + index; }
  std::uintptr_t Move(int index, std::uintptr_t) override { return 1000 + index; }
  void SetRect(int, const video::TVideoRect &) override {}
  void SetOption(int, int, int) override {}
  void Stop(int) override {}
  bool Sound(int, bool, SoundRecord &) override { return true; }
  bool Picture(int, bool, PictureRecord &) override { return false; }
  std::string Error(int) override { return {}; }
};

// The main window with the program's keys and remote control.
class HotKeysWindowTest : public test::EngineContextTest {
protected:
  void SetUp() override {
    EngineContextTest::SetUp();
    hotKeys.SetFile(dir / "HotKeys.cfg");
    context.HotKeys = &hotKeys;
    context.Subsystems.PowerAction = [this](int command) { powerCommands.push_back(command); };
    window = std::make_unique<TFormDvbMain>(context, [] { return false; });
    window->ChannelTree(0)->RebuildTree();
    videos = std::make_unique<video::TVideoManager>(playback, video::TVideoContext{});
    videos->AttachMainPanel(window->VideoPanel());
    window->AttachVideos(videos.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
    window->ChannelTree(0)->TreeView()->setFocus();
    videos->Outputs().Settings(0).Sound.Volume = 50;
  }
  void TearDown() override {
    window->AttachVideos(nullptr);
    videos.reset();
    window.reset();
    EngineContextTest::TearDown();
  }
  void Press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(target, key, modifiers);
  }
  void PressFocused(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    Press(QApplication::focusWidget(), key, modifiers);
  }
  int Volume() { return videos->Outputs().Settings(0).Sound.Volume; }
  bool Muted() { return videos->Outputs().Settings(0).Sound.Muted; }

  qev::test::TTempDir dir{"hotkeyswin"};
  THotKeys hotKeys{nullptr, [] { return 0ms; }};
  std::vector<int> powerCommands;
  SilentPlayback playback;
  std::unique_ptr<video::TVideoManager> videos;
  std::unique_ptr<TFormDvbMain> window;
};

TEST_F(HotKeysWindowTest, TheTableDecidesWhatAKeyDoes) {
  hotKeys.Table().Find(0x1001)->HotKey2 = "F5";
  PressFocused(Qt::Key_F5);
  EXPECT_NE(engine.Slot(0).CurrentHandle, alpha) << "F5 given to Channel +";
  PressFocused(Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);

  hotKeys.Table().Find(0x1005)->HotKey1 = "";
  PressFocused(Qt::Key_M);
  EXPECT_FALSE(Muted()) << "Mute lost its key";

  // Many fields are empty (Channel + has no second key): a key without a name matches none.
  QKeyEvent unnamed(QEvent::KeyPress, Qt::Key_unknown, {});
  QApplication::sendEvent(QApplication::focusWidget(), &unnamed);
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha);
  EXPECT_FALSE(Muted());
}

TEST_F(HotKeysWindowTest, PowerActionsRunOnlyWhenTheUserGaveThemAKey) {
  PressFocused(Qt::Key_F9);
  EXPECT_TRUE(powerCommands.empty());
  hotKeys.Table().Find(kActionSuspend)->HotKey1 = "F9";
  PressFocused(Qt::Key_F9);
  EXPECT_EQ(powerCommands, std::vector<int>{kActionSuspend});
}

TEST_F(HotKeysWindowTest, KeysWorkInEveryWindowButNotWhileATextFieldHasTheFocus) {
  QWidget tool; // a non-modal window of the program, as the teletext or the guide
  auto *edit = new QLineEdit(&tool);
  auto *button = new QPushButton("Go", &tool);
  button->move(0, 40);
  tool.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tool));
  QApplication::setActiveWindow(&tool);
  edit->setFocus();
  QApplication::processEvents();
  Press(edit, Qt::Key_M);
  EXPECT_FALSE(Muted());
  EXPECT_EQ(edit->text(), "m");
  Press(button, Qt::Key_M); // sent elsewhere while the field still has the focus
  EXPECT_FALSE(Muted());

  button->setFocus();
  QApplication::processEvents();
  Press(button, Qt::Key_M);
  EXPECT_TRUE(Muted()) << "application-wide once no text field has the focus";
}

TEST_F(HotKeysWindowTest, RemoteButtonsRunAtOnceAndOnlyTheVolumeRepeats) {
  hotKeys.Table().Find(0x1001)->Remote1 = "KEY_CHANNELUP";
  hotKeys.Table().Find(0x1003)->Remote1 = "KEY_VOLUMEUP";
  hotKeys.ProcessRemoteLine("0 01 KEY_CHANNELUP r");
  EXPECT_EQ(engine.Slot(0).CurrentHandle, alpha) << "a repeat of Channel + does nothing";
  hotKeys.ProcessRemoteLine("0 00 KEY_CHANNELUP r");
  EXPECT_NE(engine.Slot(0).CurrentHandle, alpha);
  hotKeys.ProcessRemoteLine("0 00 KEY_VOLUMEUP r");
  hotKeys.ProcessRemoteLine("0 01 KEY_VOLUMEUP r");
  hotKeys.ProcessRemoteLine("0 zz KEY_VOLUMEUP r");
  EXPECT_EQ(Volume(), 60);
  hotKeys.ProcessRemoteLine("BEGIN");
  hotKeys.ProcessRemoteLine("0 00 KEY_VOLUMEUP r");
  hotKeys.ProcessRemoteLine("END");
  EXPECT_EQ(Volume(), 60) << "lines of a block are no buttons";
}

// --- the editor ---------------------------------------------------------------------------

class HotKeysEditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    hotKeys.SetFile(dir / "HotKeys.cfg");
    hotKeys.SetRemoteHandler(
        [this](const std::string &button, int) { mainButtons.push_back(button); });
  }
  QTreeWidgetItem *ActionItem(TFormHotKeys &editor, const QString &group, const QString &name) {
    for (QTreeWidgetItem *item :
         editor.Tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive))
      if (item->parent() && item->parent()->text(0) == group)
        return item;
    return nullptr;
  }
  // Opens the capture of the action's column, runs `work` in it, then confirms.
  void Capture(TFormHotKeys &editor, QTreeWidgetItem *item, int column,
               const std::function<void(TFormKeyCapture &)> &work) {
    bool ran = false;
    QTimer::singleShot(0, &editor, [&] {
      TFormKeyCapture *capture = editor.Capture();
      ASSERT_NE(capture, nullptr);
      work(*capture);
      ran = true;
      capture->accept();
    });
    editor.EditField(item, column);
    EXPECT_TRUE(ran);
  }

  qev::test::TTempDir dir{"hotkeyseditor"};
  THotKeys hotKeys{nullptr, [] { return 0ms; }};
  std::vector<std::string> mainButtons;
};

TEST_F(HotKeysEditorTest, GroupsAreBoldAndOrderedByCode) {
  TFormHotKeys editor(hotKeys, nullptr);
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
  QTreeWidget *tree = editor.Tree();
  QStringList groups;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    groups << tree->topLevelItem(i)->text(0);
    EXPECT_TRUE(tree->topLevelItem(i)->font(0).bold());
  }
  EXPECT_EQ(groups, (QStringList{"AV0-Main", "AV1-PIP", "Screen Control", "Power", "Other"}));
  EXPECT_EQ(tree->topLevelItem(0)->childCount(), 5);
  EXPECT_EQ(tree->headerItem()->text(3), "Remote 1");
  QTreeWidgetItem *volume = ActionItem(editor, "AV0-Main", "Volume +");
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(volume->text(1), "Ctrl+Right");
  qev::test::SaveScreenshot(editor, "hotkeys_editor");
}

TEST_F(HotKeysEditorTest, TheCaptureTakesEveryKeyAndTheDuplicateQuestionMovesIt) {
  qev::test::ScriptedPresenter presenter;
  TFormHotKeys editor(hotKeys, nullptr);
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
  QTreeWidgetItem *channel = ActionItem(editor, "AV0-Main", "Channel +");
  ASSERT_NE(channel, nullptr);

  Capture(editor, channel, 2, [&](TFormKeyCapture &capture) {
    EXPECT_EQ(capture.windowTitle(), "Channel +");
    EXPECT_EQ(capture.findChild<QLabel *>("fieldCaption")->text(), "HotKey 2");
    EXPECT_EQ(capture.findChild<QLabel *>("hint")->text(), kHintKeys);
    QTest::keyClick(&capture, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(capture.Value(), "Ctrl+Shift+R");
    QTest::keyClick(&capture, Qt::Key_Escape);
    EXPECT_TRUE(capture.isVisible()) << "Esc is a key to capture, not a cancel";
    EXPECT_EQ(capture.Value(), "Esc");
    QTest::keyClick(&capture, Qt::Key_M);
    qev::test::SaveScreenshot(capture, "hotkeys_capture");
  });
  ASSERT_EQ(presenter.Texts().size(), 1u) << "M belongs to Mute";
  EXPECT_EQ(presenter.Texts()[0], "Duplicate <HotKey> with action : \"Mute\"\r\r"
                                  "Clear existent codes and assign to current action ?");
  EXPECT_EQ(hotKeys.Table().Find(0x1001)->HotKey2, "") << "no changes nothing";
  EXPECT_EQ(hotKeys.Table().Find(0x1005)->HotKey1, "M");

  presenter.AnswerNext(true);
  Capture(editor, channel, 2,
          [](TFormKeyCapture &capture) { QTest::keyClick(&capture, Qt::Key_M); });
  EXPECT_EQ(hotKeys.Table().Find(0x1001)->HotKey2, "M");
  EXPECT_EQ(hotKeys.Table().Find(0x1005)->HotKey1, "");
  QTreeWidgetItem *mute = ActionItem(editor, "AV0-Main", "Mute");
  ASSERT_NE(mute, nullptr);
  EXPECT_EQ(mute->text(1), "") << "the tree shows the change";

  Capture(editor, ActionItem(editor, "AV0-Main", "Channel +"), 1, [](TFormKeyCapture &capture) {
    capture.findChild<QPushButton *>("clearButton")->click();
    EXPECT_EQ(capture.Value(), "");
  });
  EXPECT_EQ(hotKeys.Table().Find(0x1001)->HotKey1, "") << "cleared";
}

TEST_F(HotKeysEditorTest, RemoteColumnsTakeFirstPressesOfTheRemote) {
  {
    TFormHotKeys editor(hotKeys, nullptr);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    hotKeys.ProcessRemoteLine("0 00 KEY_IGNORED r");
    Capture(editor, ActionItem(editor, "AV1-PIP", "Show/Hide"), 3, [&](TFormKeyCapture &capture) {
      EXPECT_EQ(capture.findChild<QLabel *>("hint")->text(), kHintRemote);
      hotKeys.ProcessRemoteLine("0 00 KEY_PIP r");
      hotKeys.ProcessRemoteLine("0 01 KEY_OTHER r");
      QTest::keyClick(&capture, Qt::Key_M); // keys are not captured here
      EXPECT_EQ(capture.Value(), "KEY_PIP");
    });
    EXPECT_EQ(hotKeys.Table().Find(0x2006)->Remote1, "KEY_PIP");
    EXPECT_TRUE(mainButtons.empty()) << "the editor had the remote";
  }
  hotKeys.ProcessRemoteLine("0 00 KEY_BACK r");
  EXPECT_EQ(mainButtons, std::vector<std::string>{"KEY_BACK"}) << "given back when it closed";
}

TEST_F(HotKeysEditorTest, ClosingTheEditorSavesTheTable) {
  hotKeys.Table().Find(0x8002)->HotKey2 = "F12";
  QTimer::singleShot(0, [] {
    if (QWidget *editor = QApplication::activeModalWidget())
      static_cast<QDialog *>(editor)->reject();
  });
  OpenHotKeysEditor(hotKeys, nullptr);
  THotKeyTable read;
  ASSERT_EQ(LoadHotKeys(dir / "HotKeys.cfg", read), "");
  EXPECT_EQ(read.Find(0x8002)->HotKey2, "F12");
}

TEST_F(HotKeysEditorTest, AFailedSaveIsShown) {
  qev::test::ScriptedPresenter presenter;
  std::filesystem::create_directory(dir / "Folder.cfg");
  hotKeys.SetFile(dir / "Folder.cfg");
  QTimer::singleShot(0, [] {
    if (QWidget *editor = QApplication::activeModalWidget())
      static_cast<QDialog *>(editor)->reject();
  });
  OpenHotKeysEditor(hotKeys, nullptr);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, frame::MessageIcon::Error);
}

} // namespace
} // namespace qev::ui
