// The commands plugins send to their plugin window, served on the user-interface thread.

#include "frame/string_utils.h"
#include "plugins/channel_info.h"
#include "plugins/plugin_device.h"
#include "plugins/plugin_host.h"
#include "plugins/plugin_library.h"
#include "si/psi_parsers.h"
#include "si/table_wait.h"

#include "frame/message_pump.h"
#include "frame/notification_hub.h"

#include <fmt/format.h>

#include <array>
#include <cstring>
#include <span>

namespace qev::plugins {
namespace {

static_assert(sizeof(si::TCatList) == sizeof(TPlgCatList));

constexpr std::uint16_t kDeviceCommandWords = 7;
constexpr std::array<std::uint8_t, 4> kDeviceCommandHead = {0x10, 0x04, 0x05, 0x00};
constexpr std::uint16_t kCatPid = 0x0001;
constexpr std::uint8_t kCatTableId = 0x01;

template <typename T> T ReadRecord(std::intptr_t parameter) {
  T record;
  std::memcpy(&record, reinterpret_cast<const void *>(parameter), sizeof record);
  return record;
}

template <typename T> void WriteRecord(std::intptr_t parameter, const T &record) {
  std::memcpy(reinterpret_cast<void *>(parameter), &record, sizeof record);
}

// The name field of a 32-byte target: at most 31 bytes and the zero.
void CopyName32(char (&target)[32], const char (&source)[data::kNameBytes]) {
  std::memset(target, 0, sizeof target);
  std::memcpy(target, source, strnlen(source, data::kNameBytes - 1));
}

// The last byte carries the sum of the command's other bytes.
void FixChecksum(std::array<std::uint8_t, QEV_PLUGIN_DATA_BYTES> &block) {
  std::uint8_t sum = 0;
  for (std::size_t i = kDeviceCommandHead.size(); i + 1 < block.size(); ++i)
    sum = static_cast<std::uint8_t>(sum + block[i]);
  block.back() = sum;
}

std::string RenderDeviceCommand(int slot, std::span<const std::uint8_t> block) {
  std::string text = fmt::format("[{}]  {}", slot, frame::HexDump(block));
  const bool empty = std::all_of(block.begin() + kDeviceCommandHead.size(), block.end(),
                                 [](std::uint8_t byte) { return byte == 0; });
  return empty ? text + " -E-" : text;
}

} // namespace

// Runs one command of one plugin; the host checked that it may be served.
class TPluginCommands {
public:
  TPluginCommands(TPluginHost &host, int index)
      : host_(host), index_(index), slot_(host.plugins_[index]->Entry.AvSlot % kPluginSlots) {}

  std::intptr_t Run(std::uint32_t code, std::intptr_t parameter) {
    switch (code) {
    case QEV_MDAPI_GET_CHANNEL:
      return Needs(parameter) && GetChannel(parameter);
    case QEV_MDAPI_SET_ECM:
      return Needs(parameter) ? SetEcm(parameter) : 0;
    case QEV_MDAPI_SAVE_CHANNEL:
      return SaveChannel();
    case QEV_MDAPI_CHANNEL_NUMBER:
      return Needs(parameter) ? ChannelNumber(parameter) : 0;
    case QEV_MDAPI_NOP_1:
      return 1;
    case QEV_MDAPI_START_FILTER:
      return Needs(parameter) ? StartFilter(parameter) : 0;
    case QEV_MDAPI_STOP_FILTER:
      return host_.filters_.Stop(index_, static_cast<std::uint32_t>(parameter));
    case QEV_MDAPI_SCAN_CAT:
      return Needs(parameter) ? ScanCat(parameter) : 0;
    case QEV_MDAPI_DEVICE_COMMAND:
      return Needs(parameter) ? DeviceCommand(parameter) : 0;
    case QEV_MDAPI_GET_VERSION:
      return Needs(parameter) && Version(parameter);
    case QEV_MDAPI_GET_SIGNAL:
      return Needs(parameter) && Signal(parameter);
    case QEV_MDAPI_GET_NAMES:
      return Needs(parameter) && Names(parameter);
    case QEV_MDAPI_NOP_2:
      return 0;
    default:
      if (host_.options_.LogBadApiCmd)
        Log(PluginLogKind::Warning, fmt::format("Unknown API command: {:08X}", code));
      return 0;
    }
  }

private:
  bool Needs(std::intptr_t parameter) {
    if (parameter != 0)
      return true;
    Log(PluginLogKind::Warning, "Command without its record");
    return false;
  }

  void Log(PluginLogKind kind, std::string text) { host_.log_.Add(kind, std::move(text), index_); }

  TPluginHost::TSlotCopy &Copy() { return host_.copies_[slot_]; }

  bool GetChannel(std::intptr_t parameter) {
    WriteRecord(parameter, BuildChannelInfo(Copy().Rec));
    return true;
  }

  std::intptr_t SetEcm(std::intptr_t parameter) {
    const auto info = ReadRecord<TPlgChannelInfo>(parameter);
    if (data::SelectEcm(Copy().Rec, info.EcmPid)) {
      const std::string name(info.ChName, strnlen(info.ChName, sizeof info.ChName));
      Log(PluginLogKind::PluginAction, fmt::format("Set channel ECM={:04X} CA={}  {}", info.EcmPid,
                                                   info.CaCount, name.substr(0, 30)));
    }
    return 0;
  }

  std::intptr_t SaveChannel() {
    TPluginHost::TSlotCopy &copy = Copy();
    if (!host_.options_.ChSave || copy.Handle < 0 || !host_.links_.StoreChannel)
      return 0;
    if (host_.links_.StoreChannel(copy.Handle, copy.Rec))
      Log(PluginLogKind::PluginAction, "Save channel : " + data::ChName(copy.Rec));
    else
      Log(PluginLogKind::Error, "Save channel failed : " + data::ChName(copy.Rec));
    return 0;
  }

  std::intptr_t ChannelNumber(std::intptr_t parameter) {
    const std::int32_t number = Copy().Rec.ChNumber;
    WriteRecord(parameter, std::array<std::int32_t, 2>{number, number});
    return 0;
  }

  std::intptr_t StartFilter(std::intptr_t parameter) {
    auto request = ReadRecord<TPlgFilterRequest>(parameter);
    const int result = host_.filters_.Start(index_, request, host_.FeedOf(index_),
                                            static_cast<std::uint8_t>(host_.options_.PkSize));
    if (result)
      std::memcpy(reinterpret_cast<std::uint8_t *>(parameter) +
                      offsetof(TPlgFilterRequest, RunningId),
                  &request.RunningId, sizeof request.RunningId);
    return result;
  }

  std::intptr_t ScanCat(std::intptr_t parameter) {
    if (host_.catRunning_) {
      Log(PluginLogKind::Warning, "CAT scan already running");
      return 0;
    }
    Log(PluginLogKind::PluginAction, "Scanning CAT");
    TPlgCatList cat{};
    if (host_.links_.Sections) {
      host_.catRunning_ = true;
      CollectCat(cat);
      host_.catRunning_ = false;
    }
    // The pump may have let the host shut down: then the plugin's buffer is not touched.
    if (!host_.active_)
      return 0;
    WriteRecord(parameter, cat);
    return cat.Count > 0;
  }

  void CollectCat(TPlgCatList &cat) {
    si::TCatList list{};
    si::PsiTableRequest request{
        "CAT",
        kCatPid,
        {kCatTableId, 0, 0},
        host_.links_.CatTimeout,
        1,
        [&list](std::span<const std::uint8_t> section) { si::ParseCat(section, list); }};
    const auto keepAlive = host_.links_.KeepAlive ? host_.links_.KeepAlive : frame::PumpMessages;
    si::CollectWithWait(*host_.links_.Sections, std::move(request), {}, keepAlive);
    std::memcpy(&cat, &list, sizeof cat);
  }

  std::intptr_t DeviceCommand(std::intptr_t parameter) {
    const auto command = ReadRecord<TPlgDeviceCommand>(parameter);
    if (command.Length != kDeviceCommandWords) {
      Log(PluginLogKind::Warning, fmt::format("Invalid SAA_CMD: Length = {}", command.Length));
      return 0;
    }
    std::array<std::uint8_t, QEV_PLUGIN_DATA_BYTES> block{};
    std::copy(kDeviceCommandHead.begin(), kDeviceCommandHead.end(), block.begin());
    std::copy(std::begin(command.Data), std::end(command.Data),
              block.begin() + kDeviceCommandHead.size());
    if (host_.options_.FixCrc)
      FixChecksum(block);
    const std::int32_t answer = host_.links_.Device.PassPluginData(slot_, block.data());
    host_.links_.Hub.Notify(frame::kNotifyPluginHost, kSlotChannel,
                            (answer == 0 ? kDeviceAnsweredZero : kDeviceAnsweredOther) + slot_);
    host_.log_.AddCommand(RenderDeviceCommand(slot_, block));
    return 1;
  }

  bool Version(std::intptr_t parameter) {
    static constexpr char kText[] = QEV_MDAPI_VERSION_TEXT;
    std::memcpy(reinterpret_cast<void *>(parameter), kText, sizeof kText);
    return true;
  }

  bool Signal(std::intptr_t parameter) {
    const SignalStatus status = host_.links_.Signal ? host_.links_.Signal() : SignalStatus{};
    WriteRecord(parameter, std::array<std::int32_t, 3>{12, status.Quality, status.Level});
    return true;
  }

  bool Names(std::intptr_t parameter) {
    auto names = ReadRecord<TPlgChannelNames>(parameter);
    const data::TChannelRec &rec = Copy().Rec;
    names.SatPos = host_.links_.SatPos ? host_.links_.SatPos() : 0;
    CopyName32(names.ChName, rec.ChName);
    CopyName32(names.ChProv, rec.ChProv);
    CopyName32(names.ChName2, rec.ChName);
    WriteRecord(parameter, names);
    return true;
  }

  TPluginHost &host_;
  const int index_;
  const int slot_;
};

std::intptr_t TPluginHost::Dispatch(int index, std::uint32_t code, std::intptr_t parameter) {
  if (!active_ || !ValidIndex(index))
    return 0;
  if (!plugins_[index]->Entry.Enabled && code != QEV_MDAPI_STOP_FILTER)
    return 0;
  try {
    return TPluginCommands(*this, index).Run(code, parameter);
  } catch (const std::exception &error) {
    log_.Add(PluginLogKind::Error, fmt::format("Command {:08X} failed: {}", code, error.what()),
             index);
    return 0;
  }
}

} // namespace qev::plugins
