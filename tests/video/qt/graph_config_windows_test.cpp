#include "../fake_filter_registry.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"
#include "video/graph_config.h"
#include "video/qt/form_ds_know_filters.h"
#include "video/qt/form_ds_know_flt_get.h"
#include "video/qt/form_graph_check.h"
#include "video/qt/frame_config_ds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>

namespace qev::video {
namespace {

class GraphConfigWindowsTest : public ::testing::Test {
protected:
  GraphConfigWindowsTest() {
    registry.byKind[kKindVideoDecoder] = {{"avdec_mpeg2video", "libav MPEG-2 video decoder"},
                                          {"brokendec", "Broken decoder"}};
    registry.Set("avdec_mpeg2video", kFilterUsable, "/usr/lib/gstreamer-1.0/libgstlibav.so");
    registry.Set("brokendec", kFilterLibraryMissing, "/gone/libbroken.so");
    registry.pins["avdec_mpeg2video"] = {{"sink"}, {"src"}, true};
    registry.properties["avdec_mpeg2video"] = {"name: avdec0", "max-threads: 0"};
  }

  TKnownFilter Decoder() const {
    return {kKindVideoDecoder, false, kFilterUsable, "avdec_mpeg2video",
            "MPEG-2",          "",    "sink",        "src"};
  }

  test::TTempDir dir{"qev_graph_windows"};
  test::TFakeFilterRegistry registry;
  test::ScriptedPresenter presenter;
};

TEST_F(GraphConfigWindowsTest, PickerShowsTheChosenFilterAndItsPins) {
  TFormDsKnowFltGet picker(kKindVideoDecoder, registry);
  EXPECT_EQ(picker.windowTitle(), "Add filter to: Video Decoders");
  ASSERT_EQ(picker.Filters()->count(), 2);
  EXPECT_FALSE(picker.OkButton()->isEnabled());

  picker.Filters()->setCurrentRow(0);
  picker.Filters()->setFocus();
  QTest::keyClick(picker.Filters(), Qt::Key_Return);
  EXPECT_EQ(picker.result(), 0); // Enter chose the filter, it did not confirm the dialog
  EXPECT_EQ(picker.findChild<QLineEdit *>("EditFGuid")->text(), "avdec_mpeg2video");
  EXPECT_EQ(picker.InputPins()->currentText(), "sink");
  EXPECT_EQ(picker.OutputPins()->currentText(), "src");
  EXPECT_TRUE(picker.OkButton()->isEnabled());
  EXPECT_TRUE(picker.findChild<QPushButton *>("BtnShowPropPage")->isEnabled());
  QTest::keyClicks(picker.Info(), "  soft, fast ");
  const TKnownFilter chosen = picker.Result();
  EXPECT_EQ(chosen.Info, "soft, fast"); // the list strips the comma when it is added
  EXPECT_EQ(chosen.Name, "libav MPEG-2 video decoder");
  EXPECT_EQ(chosen.OutputPin, "src");
  test::SaveScreenshot(picker, "graph_filter_picker");

  // A filter whose pins cannot be listed and whose library is gone.
  picker.ChooseRow(1);
  EXPECT_FALSE(picker.OkButton()->isEnabled());
  EXPECT_EQ(picker.InputPins()->placeholderText(), "Cannot enum pins...");
  EXPECT_NE(picker.findChild<QLineEdit *>("EditFPath")->styleSheet().indexOf("red"), -1);
}

TEST_F(GraphConfigWindowsTest, EditorAddsDeletesAndSavesOnClose) {
  TKnownFilterList list;
  const auto file = dir / kKnowFiltersFileName;
  TFormDsKnowFilters editor(list, registry, file);
  EXPECT_EQ(editor.windowTitle(), "DirectShow: Know filters");
  editor.SetPicker([this](int) -> std::optional<TKnownFilter> {
    TKnownFilter picked = Decoder();
    picked.Name = "MPEG-2, libav";
    return picked;
  });
  editor.SelectKind(kKindVideoDecoder);
  editor.DeleteFocused();
  ASSERT_EQ(presenter.Texts(), std::vector<std::string>{"Nothing selected..."});
  editor.Add();
  ASSERT_EQ(editor.Rows()->topLevelItemCount(), 1);
  EXPECT_EQ(editor.Rows()->topLevelItem(0)->text(0), "MPEG-2 libav");
  editor.SelectKind(kKindVideoRender);
  EXPECT_EQ(editor.Rows()->topLevelItemCount(), 4);
  test::SaveScreenshot(editor, "graph_known_filters");
  editor.reject();
  EXPECT_FALSE(editor.Changed());

  TKnownFilterList reread;
  ASSERT_TRUE(reread.Load(file, nullptr));
  EXPECT_TRUE(reread.FindClass("avdec_mpeg2video"));

  TFormDsKnowFilters again(reread, registry, file);
  again.SelectKind(kKindVideoDecoder);
  again.Rows()->setCurrentItem(again.Rows()->topLevelItem(0));
  again.DeleteFocused();
  EXPECT_EQ(again.Rows()->topLevelItemCount(), 0);
  again.reject();
  TKnownFilterList empty;
  ASSERT_TRUE(empty.Load(file, nullptr));
  EXPECT_FALSE(empty.FindClass("avdec_mpeg2video"));
}

TEST_F(GraphConfigWindowsTest, FrameReadsTheAutoGraphAndSaveAndApplyReopens) {
  registry.Set(SourceFilterRecord().ClassId, kFilterUsable);
  const TGraphConfigPlaces places{dir / "DirectShow.cfg", dir / "Graphs", dir / "Filters"};
  std::filesystem::create_directory(places.GraphFolder);
  std::ofstream(places.GraphFolder / "DVB_Simple.GRS") << "LoadFilter(identity,Id)\n";
  TKnownFilterList list;
  list.Add(Decoder(), &registry);
  list.Add({kKindAudioDecoder, false, 0, "mpg123audiodec", "mpg123", "", "sink", "src"},
           &registry); // not registered: not offered
  std::ofstream(places.GraphFolder / "AutoGraph_AV0.GRS")
      << "LoadFilter(avdec_mpeg2video,MPEG-2,1)\nLoadFilter({C54A7C94-B0C5-4E87-8507-"
         "4468B10687E9},Channel A/B Switch,9)\n";
  ASSERT_EQ(StoreSlotGraphName(0, places.DirectShowFile, "AUTOGRAPH_AV0.grs"), "");

  int reopened = 0;
  auto *frame = new TFrameConfigDS(0, "AV0-Main", list, registry, places, [&] { ++reopened; });
  EXPECT_EQ(frame->windowTitle(), "DirectShow Config: AV0-Main");
  EXPECT_TRUE(frame->AutoPage());
  EXPECT_EQ(frame->Choice(kKindVideoDecoder)->currentText(), "MPEG-2");
  EXPECT_EQ(frame->Choice(kKindVideoPost)->currentText(), "-");
  EXPECT_EQ(frame->Choice(kKindAudioDecoder)->count(), 0);
  EXPECT_TRUE(frame->ChannelSwitch()->isChecked());
  EXPECT_EQ(frame->FileField()->count(), 1);
  frame->show();
  test::SaveScreenshot(*frame, "graph_config_auto");

  // Without an audio decoder nothing is stored and the video stays as it is.
  QTest::mouseClick(frame->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(presenter.Texts().back(), "Please select audio decoder");
  EXPECT_EQ(reopened, 0);

  frame->ShowAutoPage(false);
  frame->FileField()->setCurrentText("DVB_Simple.GRS");
  test::SaveScreenshot(*frame, "graph_config_file");
  QTest::mouseClick(frame->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(reopened, 1);
  EXPECT_EQ(ReadSlotGraphName(0, places.DirectShowFile), "DVB_Simple.GRS");
  EXPECT_TRUE(frame->SaveButton()->isEnabled());
  frame->SaveAndApply(20);
  EXPECT_EQ(reopened, 21);
  frame->close(); // deletes itself
}

TEST_F(GraphConfigWindowsTest, CheckWindowMarksFiltersThatCannotBeUsed) {
  const auto file = dir / "DVB_Check.GRS";
  std::ofstream(file) << "LoadFilter(avdec_mpeg2video,MPEG-2)\nLoadFilter(brokendec,Broken)\n";
  const TGraphCheckShown shown = CheckGraphFile(file, false, registry);
  EXPECT_FALSE(shown.AllUsable);
  ASSERT_NE(shown.Window, nullptr);
  EXPECT_TRUE(
      shown.Window->windowTitle().startsWith(QString::fromStdString(file.string()) + "  ("));
  QTreeWidget *tree = shown.Window->Tree();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_FALSE(tree->topLevelItem(0)->font(0).bold());
  EXPECT_TRUE(tree->topLevelItem(1)->font(0).bold());
  EXPECT_TRUE(tree->topLevelItem(1)->isExpanded());
  EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), "Library missing");
  test::SaveScreenshot(*shown.Window, "graph_check");
  shown.Window->close();

  std::ofstream(file) << "LoadFilter(avdec_mpeg2video,MPEG-2)\n";
  const TGraphCheckShown usable = CheckGraphFile(file, false, registry);
  EXPECT_TRUE(usable.AllUsable);
  EXPECT_EQ(usable.Window, nullptr);
  const TGraphCheckShown asked = CheckGraphFile(file, true, registry);
  ASSERT_NE(asked.Window, nullptr);
  asked.Window->close();
}

} // namespace
} // namespace qev::video
