#include "video/auto_graph.h"
#include "video/graph_config.h"

#include "fake_filter_registry.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qev::video {
namespace {

using test::TFakeFilterRegistry;
using test::TTempDir;

void WriteText(const std::filesystem::path &file, const std::string &text) {
  std::ofstream(file, std::ios::binary) << text;
}

std::string ReadText(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TKnownFilter Filter(int kind, std::string classId, std::string name, std::string input,
                    std::string output = "", std::string info = "") {
  return TKnownFilter{kind, false, kFilterUsable, classId, name, info, input, output};
}

const TKnownFilter &Named(const TKnownFilterList &list, const std::string &name) {
  for (const TKnownFilter &r : list.Records())
    if (r.Name == name)
      return r;
  throw std::runtime_error("no " + name);
}

std::string Joined(const std::vector<std::string> &lines) {
  std::string text;
  for (const auto &line : lines)
    text += line + "\n";
  return text;
}

class KnownFiltersTest : public ::testing::Test {
protected:
  TTempDir dir{"qev_known_filters"};
  std::filesystem::path file = dir / kKnowFiltersFileName;
  TFakeFilterRegistry registry;
};

TEST_F(KnownFiltersTest, ReadsLinesSkipsBadOnesAndReplacesBuiltInsByClass) {
  registry.Set("avdec_h264", kFilterUsable);
  registry.Set("{70E102B0-5556-11CE-97C0-00AA0055595A}", kFilterUsable);
  WriteText(file, "# Video Decoders\n\n"
                  "  1 , avdec_h264 , sink , src , libav H.264 , soft \n"
                  "0,deleted,sink,src,Gone,\n"
                  "2,,sink,src,No class,\n"
                  "5,{70E102B0-5556-11CE-97C0-00AA0055595A},sink,,My Render,\n"
                  "3,missingfactory,sink,src,Missing,\n");
  TKnownFilterList list;
  ASSERT_TRUE(list.Load(file, &registry));

  const TKnownFilter &decoder = Named(list, "libav H.264");
  EXPECT_EQ(decoder, Filter(1, "avdec_h264", "libav H.264", "sink", "src", "soft"));
  EXPECT_FALSE(list.FindClass("deleted"));
  EXPECT_EQ(Named(list, "My Render").BuiltIn, false);
  EXPECT_THROW(Named(list, "Video Render"), std::runtime_error);
  EXPECT_EQ(Named(list, "Missing").Status, kFilterClassMissing);

  // Sorted by name, ignoring case; the built-ins stay.
  std::vector<std::string> names;
  for (const auto &r : list.Records())
    names.push_back(r.Name);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](auto a, auto b) {
    std::transform(a.begin(), a.end(), a.begin(), ::tolower);
    std::transform(b.begin(), b.end(), b.begin(), ::tolower);
    return a < b;
  }));
  EXPECT_EQ(Named(list, "Overlay Mixer").OutputPin, "Output");

  // The replaced built-in is saved now; unusable records are not offered.
  EXPECT_EQ(list.FileText(), "# Video Decoders\n\n1,avdec_h264,sink,src,libav H.264,soft\n\n"
                             "# Video PostProcessors\n\n3,missingfactory,sink,src,Missing,\n\n"
                             "# Video Renders\n\n"
                             "5,{70E102B0-5556-11CE-97C0-00AA0055595A},sink,,My Render,\n\n");
  const auto choices = list.Choices(kKindVideoPost, true);
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].Text, "-");
  EXPECT_FALSE(choices[0].Index);
  EXPECT_EQ(list.Choices(kKindVideoDecoder, false).at(0).Text, "libav H.264 (soft)");
}

TEST_F(KnownFiltersTest, CommasAreStrippedSoTheFileReadsBackTheSame) {
  TKnownFilterList list;
  const std::size_t at =
      list.Add(Filter(2, "a52dec", "A52, AC-3 decoder", "sink", "src", "x,y"), &registry);
  EXPECT_EQ(list.At(at).Name, "A52 AC-3 decoder");
  EXPECT_EQ(list.At(at).Info, "xy");
  EXPECT_EQ(list.At(at).Status, kFilterClassMissing);
  ASSERT_EQ(list.Save(file), "");

  TKnownFilterList reread;
  ASSERT_TRUE(reread.Load(file, nullptr));
  EXPECT_EQ(Named(reread, "A52 AC-3 decoder").Info, "xy");
  EXPECT_EQ(reread.FileText(), list.FileText());

  // A deleted place is reused and deleted records are neither offered nor saved.
  list.Delete(*list.FindClass("a52dec"));
  EXPECT_EQ(list.FileText(), "");
  const std::size_t size = list.Records().size();
  list.Add(Filter(2, "mpg123audiodec", "mpg123", "sink", "src"), nullptr);
  EXPECT_EQ(list.Records().size(), size);
}

TEST_F(KnownFiltersTest, LongFieldsAreCutAtACharacterBoundary) {
  TKnownFilterList list;
  const std::string name = std::string(79, 'n') + "\xC3\xA9"; // 81 bytes, é last
  const std::size_t at = list.Add(Filter(1, "dec", name, "sink", "src"), nullptr);
  EXPECT_EQ(list.At(at).Name, std::string(79, 'n'));
}

TEST_F(KnownFiltersTest, AnUnreadableFileLeavesTheListAndIsNotOverwritten) {
  TKnownFilterList list;
  list.Add(Filter(1, "dec", "Decoder", "sink", "src"), nullptr);
  std::filesystem::create_directory(file);
  EXPECT_FALSE(list.Load(file, nullptr));
  EXPECT_TRUE(list.FindClass("dec"));
  EXPECT_NE(list.Save(file), "");
  EXPECT_TRUE(std::filesystem::is_directory(file));

  // A missing file leaves the built-ins alone.
  TKnownFilterList fresh;
  EXPECT_TRUE(fresh.Load(dir / "none.cfg", nullptr));
  EXPECT_EQ(fresh.Records(), TKnownFilterList().Records());
}

class AutoGraphTest : public ::testing::Test {
protected:
  AutoGraphTest() {
    list.Add(Filter(1, "avdec_mpeg2video", "MPEG-2 Decoder", "sink", "src"), nullptr);
    list.Add(Filter(2, "avdec_mp2float", "MP2 Decoder", "sink", "src"), nullptr);
    list.Add(Filter(3, "deinterlace", "Deinterlacer", "sink", "src"), nullptr);
    list.Add(Filter(4, "audioamplify", "Amplifier", "sink", "src"), nullptr);
  }
  TAutoGraphChoice Minimal() const {
    TAutoGraphChoice choice;
    choice[1] = Named(list, "MPEG-2 Decoder");
    choice[2] = Named(list, "MP2 Decoder");
    choice[5] = Named(list, "Video Mixing Render 9");
    choice[6] = Named(list, "Default DirectSound Device");
    return choice;
  }

  TKnownFilterList list;
  TFakeFilterRegistry registry;
  TTempDir dir{"qev_auto_graph"};
  test::ScriptedPresenter presenter;
};

TEST_F(AutoGraphTest, PlainChainsConnectSourceDecoderAndRenderer) {
  const TAutoGraphScript script = AutoGraphLines(Minimal());
  ASSERT_EQ(script.Missing, "");
  EXPECT_EQ(Joined(script.Lines),
            "# QEVDVB - AutoGraph file #\n"
            "\n"
            "LoadFilter({EEBF6DD2-439A-4C8E-A511-DB329ABC04BA},DVB AVSource,8)\n"
            "\n"
            "LoadFilter(avdec_mp2float,MP2 Decoder,2)\n"
            "LoadFilter({79376820-07D0-11CF-A24D-0020AFD79767},Default DirectSound Device,6)\n"
            "\n"
            "LoadFilter(avdec_mpeg2video,MPEG-2 Decoder,1)\n"
            "LoadFilter({51B4ABF3-748F-4E3B-A276-C828330E926A},Video Mixing Render 9,5)\n"
            "\n"
            "ConnectPin(DVB AVSource,Audio,MP2 Decoder,sink)\n"
            "ConnectPin(MP2 Decoder,src,Default DirectSound Device,Audio Input pin (rendered))\n"
            "\n"
            "ConnectPin(DVB AVSource,Video,MPEG-2 Decoder,sink)\n"
            "ConnectPin(MPEG-2 Decoder,src,Video Mixing Render 9,VMR Input0)\n"
            "\n");
}

TEST_F(AutoGraphTest, PostProcessorsSwitchAndMixerJoinTheChains) {
  TAutoGraphChoice choice = Minimal();
  choice[3] = Named(list, "Deinterlacer");
  choice[4] = Named(list, "Amplifier");
  choice[5] = Named(list, "Overlay Mixer");
  choice.ChannelSwitch = true;
  EXPECT_EQ(Joined(AutoGraphLines(choice).Lines),
            "# QEVDVB - AutoGraph file #\n"
            "\n"
            "LoadFilter({EEBF6DD2-439A-4C8E-A511-DB329ABC04BA},DVB AVSource,8)\n"
            "\n"
            "LoadFilter(avdec_mp2float,MP2 Decoder,2)\n"
            "LoadFilter(audioamplify,Amplifier,4)\n"
            "LoadFilter({C54A7C94-B0C5-4E87-8507-4468B10687E9},Channel A/B Switch,9)\n"
            "LoadFilter({79376820-07D0-11CF-A24D-0020AFD79767},Default DirectSound Device,6)\n"
            "\n"
            "LoadFilter(avdec_mpeg2video,MPEG-2 Decoder,1)\n"
            "LoadFilter(deinterlace,Deinterlacer,3)\n"
            "LoadFilter({CD8743A1-3736-11D0-9E69-00C04FD7C15B},Overlay Mixer,5)\n"
            "LoadFilter({70E102B0-5556-11CE-97C0-00AA0055595A},Video Render,7)\n"
            "\n"
            "ConnectPin(DVB AVSource,Audio,MP2 Decoder,sink)\n"
            "ConnectPin(MP2 Decoder,src,Amplifier,sink)\n"
            "ConnectPin(Amplifier,src,Channel A/B Switch,Input)\n"
            "ConnectPin(Channel A/B Switch,Output,Default DirectSound Device,"
            "Audio Input pin (rendered))\n"
            "\n"
            "ConnectPin(DVB AVSource,Video,MPEG-2 Decoder,sink)\n"
            "ConnectPin(MPEG-2 Decoder,src,Deinterlacer,sink)\n"
            "ConnectPin(Deinterlacer,src,Overlay Mixer,Input0)\n"
            "ConnectPin(Overlay Mixer,Output,Video Render,In)\n"
            "\n");
}

TEST_F(AutoGraphTest, TheFirstMissingChoiceIsNamedAndNothingIsWritten) {
  const std::pair<int, const char *> order[] = {
      {1, "video decoder"}, {2, "audio decoder"}, {5, "video render"}, {6, "audio render"}};
  for (const auto &[kind, text] : order) {
    TAutoGraphChoice choice = Minimal();
    choice[kind].reset();
    if (kind == 5)
      choice[6].reset(); // the video render is still named first
    EXPECT_EQ(AutoGraphLines(choice).Missing, text);
  }
  TAutoGraphChoice none;
  EXPECT_FALSE(WriteAutoGraph(none, 0, registry, {dir.Path(), dir.Path()}));
  ASSERT_EQ(presenter.shown.size(), 2u); // the source filter check, then the warning
  EXPECT_EQ(presenter.shown[1].caption, "DirectShow AutoGraph");
  EXPECT_EQ(presenter.shown[1].text, "Please select video decoder");
  EXPECT_FALSE(std::filesystem::exists(dir / "AutoGraph_AV0.GRS"));
}

TEST_F(AutoGraphTest, WrittenFileReadsBackToTheSameChoice) {
  registry.Set("{EEBF6DD2-439A-4C8E-A511-DB329ABC04BA}", kFilterUsable);
  registry.Set("{C54A7C94-B0C5-4E87-8507-4468B10687E9}", kFilterUsable);
  TAutoGraphChoice choice = Minimal();
  choice[3] = Named(list, "Deinterlacer");
  choice[5] = Named(list, "Overlay Mixer");
  choice.ChannelSwitch = true;
  ASSERT_TRUE(WriteAutoGraph(choice, 4, registry, {dir.Path(), dir.Path()}));
  EXPECT_TRUE(presenter.shown.empty());
  const auto path = dir / "AutoGraph_MED.GRS";
  EXPECT_EQ(ReadText(path), Joined(AutoGraphLines(choice).Lines));

  const TAutoGraphChoice back = ChoiceOf(ReadAutoGraphFile(path, list), list);
  for (int kind = 1; kind <= kGroupKindCount; ++kind)
    EXPECT_EQ(back[kind], choice[kind]) << kind;
  EXPECT_TRUE(back.ChannelSwitch);

  // A class no longer known (or no longer usable) selects nothing.
  TKnownFilterList other;
  const TAutoGraphSelection selection = ReadAutoGraphFile(path, other);
  EXPECT_FALSE(selection.ByKind[1]);
  EXPECT_TRUE(selection.ByKind[5]);
  EXPECT_FALSE(ReadAutoGraphFile(dir / "none.GRS", list).ChannelSwitch);
}

TEST_F(AutoGraphTest, AFailedSaveIsReportedWithTheFileName) {
  registry.Set("{EEBF6DD2-439A-4C8E-A511-DB329ABC04BA}", kFilterUsable);
  WriteText(dir / "Graphs", "a file where the folder should be");
  EXPECT_FALSE(WriteAutoGraph(Minimal(), 0, registry, {dir / "Graphs", dir.Path()}));
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].caption, "DirectShow AutoGraph");
  EXPECT_EQ(presenter.shown[0].text.rfind("Cannot save file: AutoGraph_AV0.GRS\r\r", 0), 0u);
}

TEST_F(AutoGraphTest, UnregisteredFiltersAreOfferedForRegistration) {
  const TKnownFilter source = SourceFilterRecord();
  const auto library = dir / "DvbAvSrc.ax";
  const std::string question = "Filter is NOT registered: \r"
                               "{EEBF6DD2-439A-4C8E-A511-DB329ABC04BA} \"DVB AVSource\"\r\r"
                               "Register it now ?";
  presenter.AnswerNext(false);
  CheckFilterBeforeUse(registry, source, library);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].caption, "DirectShow Filter Check/Register");
  EXPECT_EQ(presenter.shown[0].text, question);

  presenter.AnswerNext(true);
  CheckFilterBeforeUse(registry, source, library);
  EXPECT_EQ(presenter.shown.back().text, "File not found !\r\r" + library.string());
  EXPECT_TRUE(registry.registered.empty());

  WriteText(library, "");
  const std::pair<int, std::string> reports[] = {
      {kRegisterOk, "Registered OK.\r\r"},
      {kRegisterCannotLoad, "Cannot load library.\r\r"},
      {kRegisterNoEntry, "Cannot find \"DllRegisterServer\" in library.\r\r"},
      {kRegisterFailed, "Registration failed.\r\r"}};
  for (const auto &[code, text] : reports) {
    registry.SetRegisterResult(code);
    presenter.AnswerNext(true);
    CheckFilterBeforeUse(registry, source, library);
    EXPECT_EQ(presenter.shown.back().text, text + library.string());
  }
  EXPECT_EQ(registry.registered.size(), 4u);

  registry.Set(source.ClassId, kFilterUsable);
  const std::size_t shown = presenter.shown.size();
  CheckFilterBeforeUse(registry, source, library);
  EXPECT_EQ(presenter.shown.size(), shown);
}

TEST_F(AutoGraphTest, TheFrameOpensOnThePageTheStoredNameBelongsTo) {
  registry.Set("{EEBF6DD2-439A-4C8E-A511-DB329ABC04BA}", kFilterUsable);
  const TGraphConfigPlaces places{dir / "DirectShow.cfg", dir / "Graphs", dir / "Filters"};
  std::filesystem::create_directory(places.GraphFolder);
  for (const char *name : {"DVB_b.GRS", "DVB_a.grf", "DVB_c.xgr", "DVB_d.txt", "MED_x.GRS"})
    WriteText(places.GraphFolder / name, "");

  TGraphConfigView view = OpenGraphConfig(0, places, list);
  EXPECT_TRUE(view.AutoPage);
  EXPECT_EQ(view.Files, (std::vector<std::string>{"DVB_a.grf", "DVB_b.GRS", "DVB_c.xgr"}));
  EXPECT_EQ(OpenGraphConfig(4, places, list).Files, std::vector<std::string>{"MED_x.GRS"});

  ASSERT_TRUE(SaveGraphConfig(1, false, " DVB_b.GRS ", {}, registry, places));
  view = OpenGraphConfig(1, places, list);
  EXPECT_FALSE(view.AutoPage);
  EXPECT_EQ(view.FileName, "DVB_b.GRS");

  // The automatic page writes the script and stores its name; any letter case opens it again.
  ASSERT_TRUE(SaveGraphConfig(0, true, "", Minimal(), registry, places));
  EXPECT_EQ(ReadSlotGraphName(0, places.DirectShowFile), "AutoGraph_AV0.GRS");
  ASSERT_EQ(StoreSlotGraphName(0, places.DirectShowFile, "autograph_av0.grs"), "");
  view = OpenGraphConfig(0, places, list);
  EXPECT_TRUE(view.AutoPage);
  EXPECT_EQ(view.FileName, "");
  EXPECT_TRUE(view.Selection.ByKind[1]);
  EXPECT_EQ(ReadSlotGraphName(1, places.DirectShowFile), "DVB_b.GRS");

  // Nothing is stored when the script cannot be written.
  EXPECT_FALSE(SaveGraphConfig(5, true, "", {}, registry, places));
  EXPECT_EQ(ReadSlotGraphName(5, places.DirectShowFile), "");
}

} // namespace
} // namespace qev::video
