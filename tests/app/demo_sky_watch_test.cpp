// The program on the demo sky as its user meets it: the satellites' channels in the main
// window's tree, a double click on a TV channel brings its picture, and the default keys change
// the channel and the volume.
#include "app/demo_root_test.h"
#include "app/desktop_identity.h"
#include "app/qev_application.h"
#include "data/data_store.h"
#include "device/engine_steps.h"
#include "support/screenshot.h"
#include "ui/qt/chan_tree_item_model.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/frame_chan_tree.h"
#include "ui/qt/main_panels.h"
#include "video/graph_slots.h"
#include "video/qt/video_manager.h"
#include "video/qt/video_panel.h"

#include <QApplication>
#include <QTest>
#include <QTreeView>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace qev;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

namespace {

constexpr int kDeadlineMs = 20000;

class DemoSkyWatch : public test::DemoRootTest {
protected:
  DemoSkyWatch() : DemoRootTest("qev-demo-sky-") {}
};

// The texts of the tree's first-level groups.
std::vector<std::string> TopGroups(const ui::TChannelTreeModel &model) {
  std::vector<std::string> texts;
  for (const ui::TTreeRow &row : model.Rows())
    if (row.Parent == ui::TChannelTreeModel::kRoot && !row.IsChannel() && row.Shown)
      texts.push_back(row.RowText);
  return texts;
}

bool IsFreeTv(std::int32_t handle) {
  const auto rec = data::ChannelLists().ChannelByHandle(handle);
  return rec && rec->SrvType == 1 && rec->Encrypted == 0;
}

// The rows of the tree as the user sees them, top to bottom, with every group opened.
std::vector<QModelIndex> VisibleRows(QTreeView &view) {
  view.expandAll();
  std::vector<QModelIndex> rows;
  for (QModelIndex index = view.model()->index(0, 0, {}); index.isValid();
       index = view.indexBelow(index))
    rows.push_back(index);
  return rows;
}

std::int32_t HandleOf(ui::TFrameChanTree &tree, const QModelIndex &index) {
  const int row = static_cast<const ui::TChanTreeItemModel *>(index.model())->RowOf(index);
  return tree.Model().Row(row).RowKey;
}

// Distinct colours of the picture, sampled on a grid.
std::size_t PictureColours(video::TVideoPanel &panel) {
  const QImage shot = panel.grab().toImage();
  const video::TVideoRect r = panel.PictureRect();
  std::set<QRgb> colours;
  for (int y = r.Top; y < r.Top + r.Height; y += 7)
    for (int x = r.Left; x < r.Left + r.Width; x += 7)
      colours.insert(shot.pixel(x, y));
  return colours.size();
}

void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget *focused = QApplication::focusWidget();
  ASSERT_NE(focused, nullptr) << "no widget has the keyboard focus";
  QTest::keyClick(focused, key, modifiers);
}

} // namespace

TEST_F(DemoSkyWatch, TheUserPicksATvChannelWatchesItAndZapsAndTurnsTheSoundWithTheKeys) {
  app::SetDesktopIdentity(); // as the program does
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  ui::TFormDvbMain &window = *application.MainWindow();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const device::TSlotState &slot0 = device::TuningEngine().Slot(0);

  // The default rules group the channels by satellite.
  ui::TFrameChanTree &tree = *window.ChannelTree(0);
  EXPECT_THAT(TopGroups(tree.Model()),
              UnorderedElementsAre(HasSubstr("QEV Sat 19.2E"), HasSubstr("QEV Sat 13.0E")));

  // A free TV channel other than the one the program started on, at its place on the screen.
  QTreeView &view = *tree.TreeView();
  const std::vector<QModelIndex> rows = VisibleRows(view);
  auto picked = std::find_if(rows.begin(), rows.end(), [&](const QModelIndex &index) {
    const std::int32_t handle = HandleOf(tree, index);
    return handle > 0 && handle != slot0.CurrentHandle && IsFreeTv(handle);
  });
  ASSERT_NE(picked, rows.end()) << "no free TV channel in the tree";
  const std::int32_t handle = HandleOf(tree, *picked);
  view.scrollTo(*picked);
  // The platform's double click: a click, then the second press as a double click.
  const QPoint at = view.visualRect(*picked).center();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at);
  ASSERT_TRUE(QTest::qWaitFor([&] { return slot0.CurrentHandle == handle; }, kDeadlineMs));

  video::TVideoPanel &panel = *window.VideoPanel();
  const auto painted = panel.Surface().PaintedFrames();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return panel.Surface().PaintedFrames() > painted + 2; }, kDeadlineMs))
      << "no picture painted; graph error: " << application.GraphSlots()->LastError(0);
  QTest::qWait(300);
  test::SaveScreenshot(window, "demo_sky_watch");
  EXPECT_GT(PictureColours(panel), 8u) << "the picture area is uniformly coloured";

  // "Channel +" on Num +: the next channel row below the one watched.
  auto next = std::find_if(picked + 1, rows.end(),
                           [&](const QModelIndex &index) { return HandleOf(tree, index) > 0; });
  ASSERT_NE(next, rows.end());
  const std::int32_t nextHandle = HandleOf(tree, *next);
  PressKey(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return slot0.CurrentHandle == nextHandle; }, kDeadlineMs))
      << "playing " << slot0.CurrentHandle << ", expected " << nextHandle;

  // Volume down and up by five (Ctrl+Left, Ctrl+Right) and mute (M).
  video::TVideoOutputs &outputs = application.Videos()->Outputs();
  const int volume = outputs.Settings(0).Sound.Volume;
  ASSERT_GE(volume, 5);
  PressKey(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(outputs.Settings(0).Sound.Volume, volume - 5);
  EXPECT_EQ(window.VolumeControls().Volume(), volume - 5);
  PressKey(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(outputs.Settings(0).Sound.Volume, volume);
  const bool muted = outputs.Settings(0).Sound.Muted;
  PressKey(Qt::Key_M, Qt::NoModifier);
  EXPECT_EQ(outputs.Settings(0).Sound.Muted, !muted);
  PressKey(Qt::Key_M, Qt::NoModifier);
  EXPECT_EQ(outputs.Settings(0).Sound.Muted, muted);

  application.RequestClose();
  EXPECT_EQ(outputs.State(0), video::kClosed);
}
