#pragma once

#include "ui/engine_context_test.h"

#include <string_view>

namespace qev::ui::test {

// A channel with video, two MPEG audio streams, AC-3, teletext, subtitles and two CA entries
// (the second disabled), selected in AV slot 0 of an engine over the fake device.
class ChannelInfoTest : public EngineContextTest {
protected:
  static constexpr std::uint16_t kVideo = 0x100, kAudio = 0x101, kAudio2 = 0x102, kAc3 = 0x103,
                                 kTeletext = 0x104, kSubtitle = 0x105, kEcm = 0x200, kEcm2 = 0x201;
  enum Stream { kVideoRow, kAudioRow, kAudio2Row, kAc3Row, kTeletextRow, kSubtitleRow };

  void SetUp() override {
    EngineContextTest::SetUp();
    data::TChannelRec rec = device::test::Channel(11778000, 'V', 27500, 401, "Info Channel");
    rec.VidPid = rec.PcrPid = kVideo;
    rec.AudPid = kAudio;
    rec.TtxPid = 0;
    rec.Categ = 3;
    AddStream(rec, 0x02, kVideo, data::kKindVideo, "", 0);
    AddStream(rec, 0x03, kAudio, data::kKindAudio, "DEU", 0);
    AddStream(rec, 0x04, kAudio2, data::kKindAudio, "ENG", 0);
    AddStream(rec, 0x06, kAc3, data::kKindAc3, "DEU", 0);
    AddStream(rec, 0x06, kTeletext, data::kKindTeletext, "DEU", 100);
    AddStream(rec, 0x06, kSubtitle, data::kKindSubtitle, "ENG", 888);
    data::CaAppend(rec, data::TCaItem{0x0100, kEcm, 0x300, 0x000123});
    data::CaAppend(rec, data::TCaItem{0x0500, kEcm2, 0x301, 0x008110 | data::kCaDisabledBit});
    rec.EcmPid = kEcm;
    info = root.AddChannel(1, rec);
    engine.SelectSlotChannel(0, info, 0);
    journal.Clear();
  }

  static void AddStream(data::TChannelRec &rec, std::uint8_t type, std::uint16_t pid,
                        std::uint8_t kind, std::string_view lang, std::uint16_t page) {
    data::TEsItem item{};
    item.StreamType = type;
    item.Pid = pid;
    item.Kind = kind;
    item.TtxPage = page;
    data::SetEsLang(item, lang);
    data::EsAppend(rec, item);
  }

  data::TChannelRec Stored() const { return *root.lists.ChannelByHandle(info); }

  std::int32_t info = 0;
};

} // namespace qev::ui::test
