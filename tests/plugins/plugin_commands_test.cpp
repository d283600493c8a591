#include "plugin_fixture.h"
#include "si/crc32_mpeg.h"
#include "si/psi_scan_thread.h"
#include "support/wait_until.h"

#include <gmock/gmock.h>

namespace qev::plugins::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A CAT filter source that answers with one section holding two CA descriptors, or never.
class TFakeCatSource final : public si::SectionFilterSource {
public:
  std::int32_t OpenFilter(std::uint16_t pid, const si::SectionTableFilter &,
                          DataCallback callback) override {
    ++opened;
    if (silent)
      return 1;
    std::vector<std::uint8_t> section = {0x01, 0xB0, 0x00, 0xFF, 0xFF, 0xC1, 0x00, 0x00,
                                         0x09, 0x04, 0x06, 0x04, 0xE1, 0x23, // Irdeto, EMM 0x123
                                         0x09, 0x06, 0x17, 0x22, 0xE2, 0x34, 0xAA, 0xBB};
    section[2] = static_cast<std::uint8_t>(section.size() + 4 - 3);
    const std::uint32_t crc = si::Crc32Mpeg(section);
    for (int shift : {24, 16, 8, 0})
      section.push_back(static_cast<std::uint8_t>(crc >> shift));
    pid_ = pid;
    callback(section);
    return 1;
  }
  void CloseFilter(std::int32_t) override {}

  bool silent = false;
  int opened = 0;

private:
  std::uint16_t pid_ = 0;
};

class PluginCommandsTest : public THostFixture {
protected:
  void SetUp() override {
    const fs::path library = AddTestPlugin();
    TPluginHostLinks links = Links();
    links.Signal = [] { return SignalStatus{71, 88, 0}; };
    links.SatPos = [] { return 192; };
    links.StoreChannel = [this](std::int32_t handle, const data::TChannelRec &rec) {
      stored_.emplace_back(handle, data::ChName(rec));
      return storeWorks_;
    };
    links.Sections = &cat_;
    links.KeepAlive = [this] { ++pumps_; };
    links.CatTimeout = std::chrono::milliseconds(300);
    host_ = std::make_unique<TPluginHost>(links);
    ASSERT_TRUE(Host().LoadPlugins(false));
    plugin_ = std::make_unique<TTestPlugin>(library);
    PlayChannel(0, "Handle Zero");
    slots_[0].Rec.ChNumber = 42;
    slots_[0].Rec.EcmPid = 0x600;
    slots_[0].Rec.CaCount = 2;
    slots_[0].Rec.CaList[0] = {0x0604, 0x600, 0x123, 0};
    slots_[0].Rec.CaList[1] = {0x1722, 0x601, 0x234, 0};
    Host().NotifyPlugins(0, true);
  }
  template <typename T> std::intptr_t Send(std::uint32_t code, T &record) {
    return plugin_->send(code, reinterpret_cast<std::intptr_t>(&record));
  }

  TFakeCatSource cat_;
  int pumps_ = 0;
  bool storeWorks_ = true;
  std::vector<std::pair<std::int32_t, std::string>> stored_;
  std::unique_ptr<TTestPlugin> plugin_;
};

TEST_F(PluginCommandsTest, ChannelCommandsAnswerFromTheSlotCopy) {
  TPlgChannelInfo info{};
  EXPECT_EQ(Send(QEV_MDAPI_GET_CHANNEL, info), 1);
  EXPECT_STREQ(info.ChName, "Handle Zero");
  std::int32_t numbers[2] = {};
  EXPECT_EQ(Send(QEV_MDAPI_CHANNEL_NUMBER, numbers), 0);
  EXPECT_THAT(numbers, ElementsAre(42, 42));
  info.EcmPid = 0x601;
  EXPECT_EQ(Send(QEV_MDAPI_SET_ECM, info), 0);
  EXPECT_THAT(LogTexts(), Contains("Set channel ECM=0601 CA=2  Handle Zero"));
  TPlgChannelInfo after{};
  Send(QEV_MDAPI_GET_CHANNEL, after);
  EXPECT_EQ(after.EcmPid, 0x601);
  EXPECT_EQ(plugin_->send(QEV_MDAPI_GET_CHANNEL, 0), 0) << "no record, no write";
}

TEST_F(PluginCommandsTest, SaveChannelIsLoggedOnlyWhenStored) {
  EXPECT_EQ(plugin_->send(QEV_MDAPI_SAVE_CHANNEL, 0), 0);
  EXPECT_THAT(stored_, ElementsAre(std::pair<std::int32_t, std::string>{0, "Handle Zero"}));
  EXPECT_THAT(LogTexts(), Contains("Save channel : Handle Zero"));
  Host().Log().Clear();
  storeWorks_ = false;
  plugin_->send(QEV_MDAPI_SAVE_CHANNEL, 0);
  EXPECT_THAT(LogTexts(), ::testing::Not(Contains("Save channel : Handle Zero")));
  TPluginOptions options = Host().Options();
  options.ChSave = false;
  Host().SetOptions(options);
  plugin_->send(QEV_MDAPI_SAVE_CHANNEL, 0);
  EXPECT_EQ(stored_.size(), 2u);
}

TEST_F(PluginCommandsTest, FixedAnswersVersionSignalNamesAndUnknownCodes) {
  EXPECT_EQ(plugin_->send(QEV_MDAPI_NOP_1, 0), 1);
  EXPECT_EQ(plugin_->send(QEV_MDAPI_NOP_2, 0), 0);
  char version[40];
  std::memset(version, 'x', sizeof version);
  EXPECT_EQ(Send(QEV_MDAPI_GET_VERSION, version), 1);
  EXPECT_STREQ(version, "MD-API Version 01.03 - 1.06");
  std::int32_t signal[3] = {};
  EXPECT_EQ(Send(QEV_MDAPI_GET_SIGNAL, signal), 1);
  EXPECT_THAT(signal, ElementsAre(12, 88, 71));
  TPlgChannelNames names{};
  std::memset(&names, 'x', sizeof names);
  EXPECT_EQ(Send(QEV_MDAPI_GET_NAMES, names), 1);
  EXPECT_EQ(names.SatPos, 192);
  EXPECT_STREQ(names.ChName, "Handle Zero");
  EXPECT_STREQ(names.ChName2, "Handle Zero");
  EXPECT_EQ(names.ChProv[0], 0);
  EXPECT_EQ(names.Reserved0[0], 'x');
  EXPECT_EQ(plugin_->send(0x01029999, 0), 0);
  EXPECT_THAT(LogTexts(), Contains("Unknown API command: 01029999"));
}

TEST_F(PluginCommandsTest, DeviceCommandIsPassedWithItsHeadAndLogged) {
  TPlgDeviceCommand command{};
  command.Length = 6;
  EXPECT_EQ(Send(QEV_MDAPI_DEVICE_COMMAND, command), 0);
  EXPECT_THAT(LogTexts(), Contains("Invalid SAA_CMD: Length = 6"));
  std::vector<std::intptr_t> events;
  struct Catch {
    static void On(void *context, std::intptr_t first, std::intptr_t second) {
      if (first == kSlotChannel)
        static_cast<std::vector<std::intptr_t> *>(context)->push_back(second);
    }
  };
  hub_.Add(frame::kNotifyPluginHost, &Catch::On, &events);
  command.Length = 7;
  EXPECT_EQ(Send(QEV_MDAPI_DEVICE_COMMAND, command), 1);
  EXPECT_THAT(device_.lastBlock, ElementsAre(0x10, 0x04, 0x05, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
  EXPECT_THAT(Host().Log().Commands(), ElementsAre(HasSubstr("-E-")));
  device_.passAnswer = 0;
  for (std::uint8_t i = 0; i < 10; ++i)
    command.Data[i] = i;
  EXPECT_EQ(Send(QEV_MDAPI_DEVICE_COMMAND, command), 1);
  EXPECT_EQ(device_.lastBlock[13], 0 + 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8) << "the sum byte";
  EXPECT_THAT(events, ElementsAre(512, 256));
  for (int i = 0; i < 6; ++i)
    Send(QEV_MDAPI_DEVICE_COMMAND, command);
  EXPECT_EQ(Host().Log().Commands().size(), kCommandLogLines);
  hub_.Remove(frame::kNotifyPluginHost, &Catch::On, &events);
}

TEST_F(PluginCommandsTest, CatIsCollectedWhilePumpingAndCopiedAtTheEnd) {
  TPlgCatList list;
  std::memset(&list, 0xEE, sizeof list);
  EXPECT_EQ(Send(QEV_MDAPI_SCAN_CAT, list), 1);
  EXPECT_EQ(list.Count, 2u);
  EXPECT_EQ(list.Items[0].CaSystemId, 0x0604);
  EXPECT_EQ(list.Items[0].EmmPid, 0x123);
  EXPECT_EQ(list.Items[1].Copied, 8);
  EXPECT_EQ(list.Items[1].Raw[7], 0xBB);
  EXPECT_EQ(list.Items[2].Tag, 0) << "the rest is zeroed";
  EXPECT_THAT(LogTexts(), Contains("Scanning CAT"));
  EXPECT_GT(pumps_, 0);
}

TEST_F(PluginCommandsTest, CatTimesOutWithZeroedBuffer) {
  cat_.silent = true;
  TPlgCatList list;
  std::memset(&list, 0xEE, sizeof list);
  EXPECT_EQ(Send(QEV_MDAPI_SCAN_CAT, list), 0);
  EXPECT_EQ(list.Count, 0u);
  EXPECT_EQ(list.Items[7].Raw[63], 0);
}

TEST_F(PluginCommandsTest, HostFreedDuringTheCatPumpLeavesTheBufferAlone) {
  cat_.silent = true;
  host_.reset();
  TPluginHostLinks links = Links();
  links.Sections = &cat_;
  links.CatTimeout = std::chrono::milliseconds(200);
  TPlgCatList nested{};
  std::intptr_t nestedResult = -1;
  links.KeepAlive = [&] {
    if (nestedResult == -1)
      nestedResult = plugin_->send(QEV_MDAPI_SCAN_CAT, reinterpret_cast<std::intptr_t>(&nested));
    host_->FreePlugins();
  };
  host_ = std::make_unique<TPluginHost>(links);
  ASSERT_TRUE(Host().LoadPlugins(false));
  TPlgCatList list;
  std::memset(&list, 0xEE, sizeof list);
  EXPECT_EQ(Send(QEV_MDAPI_SCAN_CAT, list), 0);
  EXPECT_EQ(nestedResult, 0) << "a second CAT inside the first is refused";
  EXPECT_EQ(list.Count, 0xEEEEEEEEu) << "untouched once the host has gone down";
}

TEST_F(PluginCommandsTest, CommandsFromThePluginsOwnThreadRunOnTheInterfaceThread) {
  frame::EventLoop loop;
  host_.reset();
  TPluginHostLinks links = Links();
  links.Ui = &loop;
  host_ = std::make_unique<TPluginHost>(links);
  ASSERT_TRUE(Host().LoadPlugins(false));
  plugin_->thread(50);
  ASSERT_TRUE(qev::test::WaitUntil([&] {
    loop.ProcessPending();
    return plugin_->state->ThreadSent == 50 && plugin_->state->ThreadAnswered == 50;
  }));
  plugin_->thread(0);
  // A thread still waiting when the host goes down gets 0 instead of hanging the shutdown.
  plugin_->thread(1000);
  ASSERT_TRUE(qev::test::WaitUntil([&] { return plugin_->state->ThreadSent > 50; }));
  Host().FreePlugins(); // On_Exit joins the plugin's thread
  EXPECT_LT(plugin_->state->ThreadAnswered, 1050);
}

TEST_F(PluginCommandsTest, SlotReasonsDecideWhetherPluginsSeeTheChannel) {
  const int before = plugin_->state->ChannelChanges;
  Host().NotifyPlugins(0, false);
  EXPECT_EQ(plugin_->state->ChannelChanges, before) << "same handle, not forced";
  Host().SetSlotReason(0, kReasonRecording, true);
  Host().SetSlotReason(0, kReasonPlaying, false);
  EXPECT_EQ(plugin_->state->ChannelChanges, before) << "still recorded";
  Host().SetSlotReason(0, kReasonRecording, false);
  EXPECT_EQ(plugin_->state->ChannelChanges, before + 1);
  EXPECT_EQ(plugin_->state->LastChannel.ChName[0], 0) << "handle 0 went like any channel";
  Host().SetSlotReason(0, kReasonPlaying, true);
  EXPECT_EQ(plugin_->state->ChannelChanges, before + 2) << "back, though unchanged";
  EXPECT_STREQ(plugin_->state->LastChannel.ChName, "Handle Zero");
  Host().SetSlotReason(7, kReasonPlaying, true); // ignored
  Host().SetPluginEnabled(0, false, true);
  EXPECT_EQ(plugin_->state->LastChannel.ChName[0], 0);
  Host().SetSlotReason(0, kReasonPlaying, false);
  EXPECT_EQ(plugin_->state->ChannelChanges, before + 3) << "disabled plugins hear nothing";
}

TEST_F(PluginCommandsTest, ReasonsFromAnotherThreadReachPluginsOnTheInterfaceThread) {
  frame::EventLoop loop;
  host_.reset();
  TPluginHostLinks links = Links();
  links.Ui = &loop;
  host_ = std::make_unique<TPluginHost>(links);
  ASSERT_TRUE(Host().LoadPlugins(false));
  const int before = plugin_->state->ChannelChanges;
  std::thread([&] { Host().SetSlotReason(0, kReasonRecording, true); }).join();
  EXPECT_EQ(plugin_->state->ChannelChanges, before) << "not from the recorder's thread";
  loop.ProcessPending();
  EXPECT_EQ(plugin_->state->ChannelChanges, before + 1);
}

TEST_F(PluginCommandsTest, FiltersCloseBeforeTheModuleGoesAndReopenAfterResume) {
  ASSERT_NE(plugin_->StartFilter(1, 0x100), 0u);
  Host().CloseAllFilters();
  EXPECT_TRUE(device_.Open().empty());
  EXPECT_THAT(plugin_->state->Journal, ElementsAre("close1:1"));
  const int before = plugin_->state->ChannelChanges;
  Host().RetellChannels();
  EXPECT_EQ(plugin_->state->ChannelChanges, before + 1);
  EXPECT_STREQ(plugin_->state->LastChannel.ChName, "Handle Zero");
}

} // namespace
} // namespace qev::plugins::test
