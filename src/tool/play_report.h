#pragma once

#include "data/channel_rec.h"
#include "tool/play_session.h"
#include "tool/tool_context.h"

#include <chrono>
#include <optional>
#include <string>

namespace qev::tool {

// The names qevtool gives the codecs: "mpeg2", "h264", "hevc"; "mp2", "ac3", "eac3", "aac".
std::string VideoCodecName(const std::string &subtype);
std::string AudioCodecName(const std::string &subtype);

// Milliseconds from `from` to a steady_clock time in nanoseconds; nothing for 0 (not yet).
std::optional<std::int64_t> MsSince(std::chrono::steady_clock::time_point from, std::int64_t ns);

// What playing a channel showed: its name, the picture (TV only), the sound, whether it is
// scrambled and the errors, as text lines or as the document.
class TPlayReport {
public:
  TPlayReport(const data::TChannelRec &channel, const TPlayState &state,
              std::chrono::steady_clock::time_point requestedAt);

  // Pictures or sound reached the renderers.
  bool Played() const;
  bool Scrambled() const { return scrambled_; }
  void Write(TToolContext &context) const;

private:
  nlohmann::ordered_json VideoJson() const;
  nlohmann::ordered_json AudioJson() const;

  data::TChannelRec channel_;
  TPlayState state_;
  std::chrono::steady_clock::time_point requestedAt_;
  bool hasVideo_;
  bool scrambled_;
};

} // namespace qev::tool
