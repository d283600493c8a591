#include "support/screenshot.h"
#include "ui/channel_info_fixture.h"
#include "ui/qt/frame_channel_info.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <functional>

namespace qev::ui {
namespace {

class FrameChannelInfoTest : public test::ChannelInfoTest {
protected:
  // The frame is made by each test, after it has set up the context.
  TFrameChannelInfo &Frame() {
    if (!frame_) {
      frame_ = std::make_unique<TFrameChannelInfo>(nullptr, context);
      frame_->resize(460, 720);
      frame_->show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
    }
    return *frame_;
  }
  template <typename T> T &Child(const char *name) {
    T *child = Frame().findChild<T *>(name);
    EXPECT_NE(child, nullptr) << name;
    return *child;
  }
  QTreeView &List(const char *name) { return Child<QTreeView>(name); }
  static QString Cell(QTreeView &view, int row, int column) {
    return view.model()->index(row, column).data().toString();
  }
  static void DoubleClickRow(QTreeView &view, int row) {
    const QRect rect = view.visualRect(view.model()->index(row, 1));
    ASSERT_TRUE(rect.isValid());
    // As a mouse does it: the first click of the pair, then the double click.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, rect.center());
  }
  std::vector<std::string> Stores() const { return journal.Starting("Notify 7"); }

private:
  std::unique_ptr<TFrameChannelInfo> frame_;
};

TEST_F(FrameChannelInfoTest, ShowsTheSelectedChannelOfSlot0) {
  options.General.ChanVolAdjust = true;
  context.Subsystems.PluginFilterOpen = [](std::uint16_t pid) { return pid == kEcm; };
  ASSERT_TRUE(engine.SwitchChannel(0, info, true));
  EXPECT_EQ(Child<QLabel>("Title").text(), " Info Channel");
  QTreeView &streams = List("StreamList");
  ASSERT_EQ(streams.model()->rowCount(), 6);
  EXPECT_EQ(streams.model()->headerData(4, Qt::Horizontal).toString(), "Language");
  EXPECT_EQ(Cell(streams, kAudio2Row, 0), "04 AUD");
  EXPECT_EQ(Cell(streams, kAudio2Row, 4), "English");
  EXPECT_FALSE(streams.model()->index(kAudioRow, 0).data(Qt::DecorationRole).isNull());
  QTreeView &cas = List("CaList");
  ASSERT_EQ(cas.model()->rowCount(), 2);
  EXPECT_EQ(Cell(cas, 1, 3), "008110");
  QTreeView &params = List("ParamList");
  ASSERT_EQ(params.model()->rowCount(), 14);
  EXPECT_EQ(Cell(params, 13, 0), "AC3");
  EXPECT_EQ(Cell(params, 6, 1), "401");
  EXPECT_TRUE(Child<QWidget>("VolumePart").isVisible());
  EXPECT_EQ(Child<QSlider>("VolumeSlider").value(), 100);
  EXPECT_FALSE(Child<QPushButton>("Edit").isVisible()) << "no channel editor yet";
  EXPECT_FALSE(Child<QPushButton>("Rescan").isVisible()) << "no scanner yet";
  streams.setFocus();
  streams.setCurrentIndex(streams.model()->index(kAudioRow, 0));
  QApplication::processEvents();
  std::cout << "screenshot: "
            << qev::test::SaveScreenshot(Frame(), "frame_channel_info").toStdString() << "\n";

  // Another channel selected in slot 0 (the tree's focus moving) is shown at once.
  engine.SelectSlotChannel(0, charlie, 0);
  EXPECT_EQ(Child<QLabel>("Title").text(), " Charlie");
  EXPECT_EQ(streams.model()->rowCount(), 0);
  EXPECT_FALSE(Child<QWidget>("VolumePart").isVisible()) << "not the playing channel";
  engine.SelectSlotChannel(1, info, 0);
  EXPECT_EQ(Child<QLabel>("Title").text(), " Charlie") << "slot 1 is not shown";
}

TEST_F(FrameChannelInfoTest, DoubleClickedStreamsAreStoredByTheirKind) {
  QTreeView &streams = List("StreamList");
  DoubleClickRow(streams, kSubtitleRow);
  EXPECT_TRUE(Stores().empty()) << "a subtitle stream stores nothing";

  DoubleClickRow(streams, kTeletextRow);
  EXPECT_EQ(Stored().TtxPid, kTeletext);
  EXPECT_EQ(Stores(), std::vector<std::string>{fmt::format("Notify 7 {} 8", info)});
  EXPECT_EQ(Cell(List("ParamList"), 12, 1), "260") << "the panel shows what was stored";

  EXPECT_EQ(streams.currentIndex().row(), kTeletextRow) << "storing keeps the place";

  DoubleClickRow(streams, kAudio2Row);
  EXPECT_EQ(Stored().AudPid, kAudio2);
  EXPECT_EQ(Stored().TtxPid, kTeletext);
}

TEST_F(FrameChannelInfoTest, DoubleClickedCaEntryBecomesTheEcm) {
  DoubleClickRow(List("CaList"), 1);
  EXPECT_EQ(Stored().EcmPid, kEcm2);
  EXPECT_EQ(Stores(), std::vector<std::string>{fmt::format("Notify 7 {} 32", info)});
  EXPECT_EQ(Cell(List("CaList"), 0, 0), "0500") << "the chosen entry moved to the top";
}

TEST_F(FrameChannelInfoTest, HexButtonSwitchesEveryPidText) {
  QPushButton &dec = Child<QPushButton>("DEC"), &hex = Child<QPushButton>("HEX");
  EXPECT_TRUE(dec.isChecked());
  QTest::mouseClick(&hex, Qt::LeftButton);
  EXPECT_TRUE(options.General.PidEditsInHex);
  QApplication::processEvents(); // the posted notification 8
  EXPECT_TRUE(hex.isChecked());
  EXPECT_FALSE(dec.isChecked());
  EXPECT_EQ(Cell(List("ParamList"), 5, 1), "2E02");
  EXPECT_EQ(Cell(List("StreamList"), kAudioRow, 1), "0101");
  EXPECT_EQ(Cell(List("CaList"), 0, 2), "0300");
  std::cout << "screenshot: "
            << qev::test::SaveScreenshot(Frame(), "frame_channel_info_hex").toStdString() << "\n";

  QTest::mouseClick(&dec, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(options.General.PidEditsInHex);
  EXPECT_EQ(Cell(List("ParamList"), 5, 1), "11778");
}

TEST_F(FrameChannelInfoTest, VolumePartAppearsWhenTheShownChannelStartsPlaying) {
  options.General.ChanVolAdjust = true;
  QWidget &volumePart = Child<QWidget>("VolumePart");
  EXPECT_FALSE(volumePart.isVisible());
  ASSERT_TRUE(engine.SwitchChannel(0, info, true));
  EXPECT_TRUE(volumePart.isVisible());
  ASSERT_TRUE(engine.SwitchChannel(0, alpha, true));
  EXPECT_FALSE(volumePart.isVisible());
}

TEST_F(FrameChannelInfoTest, VolumeAdjustmentStoresOnReleaseAndDoubleClickResets) {
  options.General.ChanVolAdjust = true;
  ASSERT_TRUE(engine.SwitchChannel(0, info, true));
  QSlider &slider = Child<QSlider>("VolumeSlider");
  ASSERT_TRUE(slider.isVisible());
  journal.Clear();
  slider.setSliderDown(true);
  slider.setValue(150);
  EXPECT_EQ(Child<QLabel>("VolumeText").text(), "150%");
  EXPECT_TRUE(Stores().empty()) << "moving alone stores nothing";
  slider.setSliderDown(false); // the release
  EXPECT_EQ(Stored().VolAdj, 150);
  EXPECT_EQ(Stores(), std::vector<std::string>{fmt::format("Notify 7 {} 16", info)});

  QTest::mouseDClick(&slider, Qt::LeftButton, {}, QPoint(slider.width() - 3, slider.height() / 2));
  EXPECT_EQ(Stored().VolAdj, 100);
  EXPECT_EQ(slider.value(), 100);
}

TEST_F(FrameChannelInfoTest, EditAndRescanButtonsCallTheirSubsystems) {
  std::vector<std::string> calls;
  context.Subsystems.EditChannel = [&](data::TChannelRec &rec) {
    data::SetChName(rec, "Edited");
    return true;
  };
  context.Subsystems.RescanByHandle = [&](std::int32_t h) {
    calls.push_back(fmt::format("scan {} enabled={}", h, Child<QPushButton>("Rescan").isEnabled()));
  };
  QTest::mouseClick(&Child<QPushButton>("Edit"), Qt::LeftButton);
  EXPECT_EQ(data::ChName(Stored()), "Edited");
  EXPECT_EQ(Child<QLabel>("Title").text(), " Edited");
  QTest::mouseClick(&Child<QPushButton>("Rescan"), Qt::LeftButton);
  EXPECT_EQ(calls, std::vector<std::string>{fmt::format("scan {} enabled=false", info)});
  EXPECT_TRUE(Child<QPushButton>("Rescan").isEnabled());
}

TEST_F(FrameChannelInfoTest, ChangedPluginFiltersRepaintTheCaListOfThePlayingChannel) {
  QSignalSpy repaints(List("CaList").model(), &QAbstractItemModel::dataChanged);
  hub.Notify(frame::kNotifyPluginHost, 4, 1);
  EXPECT_EQ(repaints.count(), 0) << "the selected channel is not playing";
  ASSERT_TRUE(engine.SwitchChannel(0, info, true));
  hub.Notify(frame::kNotifyPluginHost, 3, 0);
  EXPECT_EQ(repaints.count(), 0) << "a slot status is no filter change";
  hub.Notify(frame::kNotifyPluginHost, 4, 1);
  EXPECT_EQ(repaints.count(), 1);
}

// Opens the list's context menu over the row and hands the open menu to the check.
void RightClickRow(QTreeView &view, int row, const std::function<void(QMenu &)> &check) {
  const QPoint pos = view.visualRect(view.model()->index(row, 1)).center();
  bool checked = false;
  QTimer::singleShot(0, [&] {
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    check(*menu);
    checked = true;
    menu->close();
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view.viewport()->mapToGlobal(pos));
  QApplication::sendEvent(view.viewport(), &event);
  EXPECT_TRUE(checked);
}

std::vector<std::string> VisibleItems(const QMenu &menu) {
  std::vector<std::string> items;
  for (const QAction *action : menu.actions())
    if (action->isVisible() && !action->isSeparator())
      items.push_back(action->text().toStdString() + (action->isEnabled() ? "" : " (off)"));
  return items;
}

TEST_F(FrameChannelInfoTest, CaMenuOffersOnlyTheChangeOfStateAndRecordsWhenARecorderExists) {
  QTreeView &cas = List("CaList");
  RightClickRow(cas, 1, [&](QMenu &menu) {
    EXPECT_EQ(VisibleItems(menu), (std::vector<std::string>{"Disable (off)", "Enable"}));
    menu.actions()[1]->trigger();
  });
  EXPECT_FALSE(data::CaIsDisabled(Stored(), 1));
  EXPECT_EQ(Stores(), std::vector<std::string>{fmt::format("Notify 7 {} 4", info)});

  std::vector<std::string> recorded;
  context.Subsystems.RecStartPid = [&](std::uint16_t pid, const std::string &,
                                       const std::string &name) {
    recorded.push_back(fmt::format("{:X} {}", pid, name));
  };
  RightClickRow(cas, 0, [&](QMenu &menu) {
    EXPECT_EQ(VisibleItems(menu), (std::vector<std::string>{"Disable", "Enable (off)",
                                                            "Record ECM PID", "Record EMM PID"}));
    menu.actions().back()->trigger();
  });
  RightClickRow(List("StreamList"), kAc3Row, [&](QMenu &menu) {
    EXPECT_EQ(VisibleItems(menu), std::vector<std::string>{"Record PID"});
    menu.actions().front()->trigger();
  });
  EXPECT_EQ(recorded, (std::vector<std::string>{"300 EMM", "103 AC3"}));
}

TEST_F(FrameChannelInfoTest, UnregistersFromTheHubWhenDestroyed) {
  { TFrameChannelInfo frame(nullptr, context); }
  engine.SelectSlotChannel(0, charlie, 0); // would reach a destroyed frame
  hub.Notify(frame::kNotifyPidNotation, 0, 0);
  hub.Notify(frame::kNotifyPluginHost, 4, 1);
  SUCCEED();
}

} // namespace
} // namespace qev::ui
