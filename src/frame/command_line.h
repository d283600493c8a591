#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qev::frame {

// One request of the program's command language (/VIEW, /REC, /SAT, ...). It crosses process
// borders only as text (the hand-over and scheduled jobs), so it is an ordinary record.
struct TCommandRecord {
  static constexpr std::uint16_t kActionView = 0;
  static constexpr std::uint16_t kActionRecord = 1;
  static constexpr std::uint16_t kActionNext = 2;
  static constexpr std::uint16_t kActionPrevious = 3;
  static constexpr std::uint16_t kActionExit = 255;
  static constexpr std::uint16_t kActionNone = 0xAAAA;
  static constexpr std::size_t kMaxNameChars = 64;

  std::uint16_t Action = kActionNone;
  std::uint16_t SatId = 0;
  std::uint16_t Tid = 0;
  std::uint16_t Sid = 0;
  std::string ChannelName; // at most 64 characters (UTF-8)
  // -1 until resolved; 0 is a valid channel, so a fresh record must never look resolved.
  std::int32_t ChannelHandle = -1;
  std::uint16_t AtEnd = 0;      // 0 nothing, 1 exit, 2 suspend, 3 hibernate, 4 shut down
  std::int32_t Duration = 0;    // minutes
  std::uint8_t WindowState = 0; // 0 unchanged, 1 normal, 2 minimised, 3 full screen, 4 floating
  std::uint8_t NoVideo = 0;     // 1: start with the video of AV slot 0 off

  bool operator==(const TCommandRecord &) const = default;
};

enum TAtEnd : std::uint16_t {
  kAtEndNothing = 0,
  kAtEndExit = 1,
  kAtEndSuspend = 2,
  kAtEndHibernate = 3,
  kAtEndShutdown = 4
};

enum TWindowStateRequest : std::uint8_t {
  kStartWindowUnchanged = 0,
  kStartWindowNormal = 1,
  kStartWindowMinimised = 2,
  kStartWindowFullScreen = 3,
  kStartWindowFloating = 4
};

// Log lines of the channel lookup (level 2).
inline constexpr const char *kLogUnknownSatellite = "<Unknow satellite>";
inline constexpr const char *kLogCannotLoadChannels = "Cannot load channels list";
inline constexpr const char *kLogNoChannelByName = "Cannot find channel by NAME";
inline constexpr const char *kLogNoChannelByIds = "Cannot find channel by TID/SID";

// Finds a command's channel in the program's lists; the data layer implements it.
class IChannelResolver {
public:
  virtual ~IChannelResolver() = default;
  virtual bool SatelliteExists(int satId) = 0;
  // Loads the satellite's list, or creates an empty one; false when neither works.
  virtual bool LoadChannels(int satId) = 0;
  // Position in the satellite's list of the first match, or -1.
  virtual int FindByName(int satId, std::string_view name) = 0;
  virtual int FindByIds(int satId, std::uint16_t tid, std::uint16_t sid) = 0;
};

// Reads a number like the command language does: decimal, or "$" and hexadecimal digits;
// anything else (also an out-of-range value) gives 0.
std::int64_t CommandNumber(std::string_view text);

// Parses the command text. With a resolver, a view or record request gets its ChannelHandle
// (or stays -1 with a log line saying why).
TCommandRecord ParseCommandLine(std::string_view text, IChannelResolver *resolver = nullptr);

// Looks up the record's channel; logs and leaves ChannelHandle -1 when it cannot.
void ResolveCommandChannel(TCommandRecord &record, IChannelResolver &resolver);

// The command text of a record as scheduled jobs store it; the channel name is never written.
std::string WriteCommandLine(const TCommandRecord &record, bool hexadecimalIds);

} // namespace qev::frame
