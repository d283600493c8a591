#include "tool/play_report.h"

#include <fmt/format.h>

namespace qev::tool {

namespace {

bool PlayablePid(std::uint16_t pid) { return pid >= 1 && pid <= 8190; }

// The language of the ES entry of the played sound.
std::string AudioLanguage(const data::TChannelRec &channel) {
  for (int i = 0; i < channel.EsCount && i < data::kMaxEsItems; ++i) {
    const data::TEsItem &es = channel.EsList[i];
    if (es.Pid == channel.AudPid && (es.Kind == data::kKindAudio || es.Kind == data::kKindAc3))
      return data::EsLang(es);
  }
  return "";
}

std::string AspectText(int x, int y) {
  return x > 0 && y > 0 ? fmt::format("{}:{}", x, y) : std::string("unknown");
}

std::string FirstText(const std::optional<std::int64_t> &ms) {
  return ms ? fmt::format("first after {} ms", *ms) : std::string("none yet");
}

// A codec for the text lines: "unknown" where nothing told it (a scrambled stream).
std::string Named(const nlohmann::ordered_json &codec) {
  const std::string text = codec.get<std::string>();
  return text.empty() ? "unknown" : text;
}

nlohmann::ordered_json OrNull(const std::optional<std::int64_t> &ms) {
  return ms ? nlohmann::ordered_json(*ms) : nlohmann::ordered_json(nullptr);
}

} // namespace

std::string VideoCodecName(const std::string &subtype) { return subtype; }

std::string AudioCodecName(const std::string &subtype) {
  if (subtype == "mpa")
    return "mp2";
  if (subtype == "aac-latm")
    return "aac";
  return subtype;
}

std::optional<std::int64_t> MsSince(std::chrono::steady_clock::time_point from, std::int64_t ns) {
  if (ns == 0)
    return std::nullopt;
  const auto at = std::chrono::steady_clock::time_point(
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(
          std::chrono::nanoseconds(ns)));
  return std::chrono::duration_cast<std::chrono::milliseconds>(at - from).count();
}

TPlayReport::TPlayReport(const data::TChannelRec &channel, const TPlayState &state,
                         std::chrono::steady_clock::time_point requestedAt)
    : channel_(channel), state_(state), requestedAt_(requestedAt),
      hasVideo_(PlayablePid(channel.VidPid)),
      scrambled_(state.ScrambledPackets > 0 && state.Counts.VideoFrames == 0) {}

bool TPlayReport::Played() const {
  return state_.Counts.VideoFrames > 0 || state_.Counts.AudioBuffers > 0;
}

nlohmann::ordered_json TPlayReport::VideoJson() const {
  const auto &type = state_.Video;
  const TSurfaceTally &shown = state_.Surface;
  const bool known = type && type->Width > 0;
  return {{"codec", type ? VideoCodecName(type->Subtype) : std::string()},
          {"width", known ? static_cast<int>(type->Width) : shown.Width},
          {"height", known ? static_cast<int>(type->Height) : shown.Height},
          {"aspect", type && type->AspectX > 0 ? AspectText(static_cast<int>(type->AspectX),
                                                            static_cast<int>(type->AspectY))
                                               : AspectText(shown.AspectX, shown.AspectY)},
          {"frames", state_.Counts.VideoFrames},
          {"first_frame_ms", OrNull(MsSince(requestedAt_, state_.Counts.FirstVideoNs))}};
}

nlohmann::ordered_json TPlayReport::AudioJson() const {
  const auto &type = state_.Audio;
  const video::TRenderCounts &counts = state_.Counts;
  return {{"codec", type ? AudioCodecName(type->Subtype) : std::string()},
          {"language", AudioLanguage(channel_)},
          {"channels", counts.AudioChannels > 0 ? counts.AudioChannels
                       : type                   ? type->Channels
                                                : 0},
          {"rate", counts.AudioRate > 0 ? static_cast<std::uint32_t>(counts.AudioRate)
                   : type               ? type->SamplesPerSec
                                        : 0},
          {"buffers", counts.AudioBuffers},
          {"first_buffer_ms", OrNull(MsSince(requestedAt_, counts.FirstAudioNs))}};
}

void TPlayReport::Write(TToolContext &context) const {
  context.Doc["channel"] = data::ChName(channel_);
  context.Line("Channel " + data::ChName(channel_));
  if (hasVideo_) {
    const nlohmann::ordered_json video = VideoJson();
    context.Doc["video"] = video;
    context.Line(fmt::format("Video {} {}x{} {}", Named(video["codec"]), video["width"].get<int>(),
                             video["height"].get<int>(), video["aspect"].get<std::string>()));
    context.Line(fmt::format("Frames {} ({})", state_.Counts.VideoFrames,
                             FirstText(MsSince(requestedAt_, state_.Counts.FirstVideoNs))));
  }
  const nlohmann::ordered_json audio = AudioJson();
  context.Doc["audio"] = audio;
  context.Line(fmt::format("Audio {} {} {} channels {} Hz", Named(audio["codec"]),
                           audio["language"].get<std::string>(), audio["channels"].get<int>(),
                           audio["rate"].get<std::uint32_t>()));
  context.Line(fmt::format("Buffers {} ({})", state_.Counts.AudioBuffers,
                           FirstText(MsSince(requestedAt_, state_.Counts.FirstAudioNs))));
  if (scrambled_) {
    context.Doc["scrambled"] = true;
    context.Line("scrambled");
  }
  context.Doc["errors"] = state_.Errors;
  for (const std::string &error : state_.Errors)
    context.Line("Error " + error);
}

} // namespace qev::tool
