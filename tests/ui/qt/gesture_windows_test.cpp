// The recogniser over real widgets: mouse events sent through the window as the desktop sends
// them, the context menu held back until the release, and the dialogs that draw and assign
// gestures.
#include "support/screenshot.h"
#include "ui/gesture_actions.h"
#include "ui/qt/form_gesture_editor.h"
#include "ui/qt/form_gesture_input.h"
#include "ui/qt/window_gestures.h"
#include "video/qt/video_panel.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <vector>

using namespace qev;

namespace {

// Mouse events through the widget's window, as the desktop sends them: the window grabs the
// mouse while a button is down and asks for the context menu as the toolkit does.
QPoint InWindow(QWidget *widget, QPoint at) { return widget->mapTo(widget->window(), at); }
void Press(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::RightButton) {
  QTest::mousePress(widget->window()->windowHandle(), button, {}, InWindow(widget, at));
}
void Move(QWidget *widget, QPoint at) {
  QTest::mouseMove(widget->window()->windowHandle(), InWindow(widget, at));
}
void Release(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::RightButton) {
  QTest::mouseRelease(widget->window()->windowHandle(), button, {}, InWindow(widget, at));
}
void Click(QWidget *widget, QPoint at) {
  Press(widget, at);
  Release(widget, at);
}

// A control that counts the context menus it is asked for.
class TMenuWidget final : public QWidget {
public:
  int menus = 0;

protected:
  void contextMenuEvent(QContextMenuEvent *) override { ++menus; }
};

struct TRun {
  int Command, Output;
};

class GestureHookTest : public ::testing::Test {
protected:
  GestureHookTest() {
    widget_.resize(300, 200);
    widget_.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&widget_));
    hook_.Recogniser().SetHandler([this](ui::TMouseGesture &, ui::TMouseGesture::TEvent event,
                                         const std::string &text, std::uint32_t) {
      if (event == ui::TMouseGesture::kEnded)
        ended_.push_back(text);
    });
    hook_.Attach(&widget_);
  }

  void Stroke(QWidget &widget, std::initializer_list<QPoint> points) {
    auto at = points.begin();
    Press(&widget, *at);
    for (++at; at != points.end(); ++at)
      Move(&widget, *at);
    Release(&widget, *std::prev(points.end()));
  }

  TMenuWidget widget_;
  ui::TGestureHook hook_{0};
  std::vector<std::string> ended_;
};

TEST_F(GestureHookTest, APlainRightClickOpensTheMenuOnReleaseOnly) {
  Press(&widget_, QPoint(50, 50));
  EXPECT_EQ(widget_.menus, 0);
  Move(&widget_, QPoint(55, 52)); // too short for a letter
  Release(&widget_, QPoint(55, 52));
  EXPECT_EQ(widget_.menus, 1);
  EXPECT_TRUE(ended_.empty());
}

TEST_F(GestureHookTest, AStrokeRunsItsGestureAndOpensNoMenu) {
  Stroke(widget_, {{50, 50}, {90, 55}, {95, 100}});
  EXPECT_EQ(ended_, std::vector<std::string>{"RD"});
  EXPECT_EQ(widget_.menus, 0);
  // A menu the keyboard asks for is not the mouse's business.
  QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), QPoint(1, 1));
  QApplication::sendEvent(&widget_, &key);
  EXPECT_EQ(widget_.menus, 1);
}

TEST_F(GestureHookTest, MovingOutOfTheControlEndsTheGesture) {
  Press(&widget_, QPoint(250, 100));
  Move(&widget_, QPoint(280, 100)); // R
  EXPECT_TRUE(ended_.empty());
  Move(&widget_, QPoint(400, 100)); // outside: the end, no further letter
  EXPECT_EQ(ended_, std::vector<std::string>{"R"});
  Release(&widget_, QPoint(400, 100));
  EXPECT_EQ(ended_.size(), 1u);
  EXPECT_EQ(widget_.menus, 0);
}

TEST_F(GestureHookTest, TheLeftButtonAndADetachedHookLeaveTheControlAlone) {
  Stroke(widget_, {{50, 50}, {50, 120}});
  Press(&widget_, QPoint(50, 50), Qt::LeftButton);
  Move(&widget_, QPoint(150, 50));
  Release(&widget_, QPoint(150, 50), Qt::LeftButton);
  EXPECT_EQ(ended_, std::vector<std::string>{"D"});
  hook_.Detach();
  Press(&widget_, QPoint(50, 50));
  EXPECT_EQ(widget_.menus, 1); // without the hook the toolkit opens the menu on the press
  Move(&widget_, QPoint(50, 120));
  Release(&widget_, QPoint(50, 120));
  EXPECT_EQ(ended_.size(), 1u);
}

// The video panel with the program's wiring: the picture surface lets the mouse through, a
// stroke runs the output command, a click opens the video's menu.
TEST(VideoGestures, AStrokeOverTheVideoRunsItsOutputCommand) {
  video::TVideoPanel panel;
  panel.resize(320, 180);
  int menus = 0;
  video::TVideoPanel::THandlers handlers;
  handlers.ContextMenu = [&menus](QPoint) { ++menus; };
  panel.SetHandlers(handlers);
  panel.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
  EXPECT_EQ(panel.childAt(160, 90), nullptr);

  const ui::TGestureTable table;
  int embedded = 0;
  bool enabled = true;
  std::vector<TRun> runs;
  ui::AttachVideoGestures(&panel, ui::kEmbeddedVideoTag,
                          {table, [&] { return embedded; }, [&] { return enabled; },
                           [&](int command, int output) {
                             runs.push_back({command, output});
                           }});
  Press(&panel, QPoint(200, 60));
  Move(&panel, QPoint(200, 110)); // D
  Move(&panel, QPoint(150, 110)); // L
  Release(&panel, QPoint(150, 110));
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].Command, 0x1013); // hide the video
  EXPECT_EQ(runs[0].Output, 0);
  EXPECT_EQ(menus, 0);

  embedded = 255;
  Press(&panel, QPoint(100, 60));
  Move(&panel, QPoint(160, 60));
  Release(&panel, QPoint(160, 60));
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].Output, 255);

  enabled = false;
  Press(&panel, QPoint(100, 60));
  Move(&panel, QPoint(160, 60));
  Release(&panel, QPoint(160, 60));
  EXPECT_EQ(runs.size(), 2u);
  EXPECT_EQ(menus, 0);

  Click(&panel, QPoint(100, 60));
  EXPECT_EQ(menus, 1);
}

TEST(TeletextGestures, RunTheTeletextActionsWhateverTheVideoOption) {
  TMenuWidget page;
  page.resize(200, 200);
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  const ui::TGestureTable table;
  std::vector<std::uint16_t> codes;
  ui::AttachTeletextGestures(&page, table, [&codes](std::uint16_t code) { codes.push_back(code); });
  Press(&page, QPoint(100, 50));
  Move(&page, QPoint(100, 100));
  Move(&page, QPoint(50, 100));
  Release(&page, QPoint(50, 100));
  EXPECT_EQ(codes, std::vector<std::uint16_t>{ui::kTtxGestureHome});
}

TEST(GestureInput, DrawingReplacesTheGestureAndShowsItReadably) {
  ui::TFormGestureInput dialog(nullptr, "Gesture :: Channel +", "R");
  dialog.resize(360, 300);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.Gesture(), "R");
  EXPECT_EQ(dialog.TextPanel()->text(), "Right");
  QWidget *area = dialog.Area();
  Press(area, QPoint(60, 40));
  Move(area, QPoint(60, 80));
  Move(area, QPoint(100, 80));
  EXPECT_EQ(dialog.TextPanel()->text(), "Down+Right");
  EXPECT_EQ(dialog.TextPanel()->palette().color(QPalette::WindowText), QColor(Qt::red));
  test::SaveScreenshot(dialog, "gesture_input");
  Release(area, QPoint(100, 80));
  EXPECT_EQ(dialog.TextPanel()->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_EQ(dialog.Gesture(), "DR");
  // A new stroke too short for a letter leaves no gesture.
  Click(area, QPoint(20, 20));
  EXPECT_EQ(dialog.Gesture(), "");
  EXPECT_EQ(dialog.TextPanel()->text(), "");
}

TEST(GestureEditor, ListsTheGroupsAndAssignsADrawnGesture) {
  ui::TGestureTable table;
  std::vector<QString> asked;
  ui::TFormGestureEditor editor(nullptr, table,
                                [&asked](QWidget *, const QString &name,
                                         const std::string &gesture) -> std::optional<std::string> {
                                  asked.push_back(name + "=" + QString::fromStdString(gesture));
                                  if (name == "Close")
                                    return std::nullopt;
                                  return std::string("ULDR");
                                });
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
  QTreeWidget *tree = editor.Tree();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "Video Window");
  EXPECT_EQ(tree->topLevelItem(0)->childCount(), 8);
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "Teletext Window");
  EXPECT_TRUE(tree->topLevelItem(1)->isExpanded());
  EXPECT_TRUE(tree->topLevelItem(0)->font(0).bold());
  EXPECT_EQ(editor.ActionItem(4)->text(1), "Down+Right");
  test::SaveScreenshot(editor, "gesture_editor");

  editor.EditAction(tree->topLevelItem(0)); // a group row: nothing
  editor.EditAction(editor.ActionItem(4));
  EXPECT_EQ(table.Entry(4).Gesture, "ULDR");
  EXPECT_EQ(editor.ActionItem(4)->text(1), "Up+Left+Down+Right");
  editor.EditAction(editor.ActionItem(9)); // cancelled
  EXPECT_EQ(table.Entry(9).Gesture, "DR");
  EXPECT_EQ(asked, (std::vector<QString>{"Video - Restore/Close=DR", "Close=DR"}));
}

} // namespace
