#include "guide/epg_keep.h"

#include "frame/atomic_file.h"
#include "frame/file_reader.h"
#include "guide/epg_store.h"
#include "si/crc32_mpeg.h"

#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace qev::guide {

namespace {

// File layout, little-endian: magic, version, event count, payload CRC, then per event the
// fixed fields and five length-prefixed texts (language, name, short text, items, extended).
constexpr std::array<char, 8> kMagic = {'Q', 'E', 'V', 'G', 'U', 'I', 'D', 'E'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = kMagic.size() + 4 + 4 + 4;
// A kept guide of many transponders stays far below this; more is not a guide file.
constexpr std::size_t kMaxGuideBytes = std::size_t{1} << 30;

bool HasEnded(const TEpgEvent &event, std::int64_t nowUtc) {
  return std::int64_t{event.StartTime} + event.Duration < nowUtc;
}

class TWriter {
public:
  void Put8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void Put16(std::uint16_t v) {
    Put8(static_cast<std::uint8_t>(v));
    Put8(static_cast<std::uint8_t>(v >> 8));
  }
  void Put32(std::uint32_t v) {
    Put16(static_cast<std::uint16_t>(v));
    Put16(static_cast<std::uint16_t>(v >> 16));
  }
  void PutText(const std::string &text) {
    Put32(static_cast<std::uint32_t>(text.size()));
    out_ += text;
  }
  std::string &Data() { return out_; }

private:
  std::string out_;
};

// Reads from a byte range, checking every length against what remains; a failed read leaves
// the reader failed for good.
class TReader {
public:
  explicit TReader(std::string_view data) : data_(data) {}

  bool Ok() const { return ok_; }
  bool AtEnd() const { return data_.empty(); }
  std::size_t Remaining() const { return data_.size(); }

  std::uint8_t Get8() {
    const auto byte = Take(1);
    return byte ? static_cast<std::uint8_t>((*byte)[0]) : 0;
  }
  std::uint16_t Get16() {
    const std::uint16_t low = Get8();
    return static_cast<std::uint16_t>(low | (Get8() << 8));
  }
  std::uint32_t Get32() {
    const std::uint32_t low = Get16();
    return low | (std::uint32_t{Get16()} << 16);
  }
  std::string GetText() {
    const std::uint32_t length = Get32();
    return std::string(Take(length).value_or(std::string_view{}));
  }
  std::optional<std::string_view> Take(std::size_t bytes) {
    if (!ok_ || bytes > data_.size()) {
      ok_ = false;
      return std::nullopt;
    }
    const std::string_view part = data_.substr(0, bytes);
    data_.remove_prefix(bytes);
    return part;
  }

private:
  std::string_view data_;
  bool ok_ = true;
};

void WriteEvent(TWriter &out, const TEpgEvent &e) {
  out.Put16(e.OriginalNetworkId);
  out.Put16(e.TransportStreamId);
  out.Put16(e.ServiceId);
  out.Put16(e.EventId);
  out.Put32(e.StartTime);
  out.Put32(e.Duration);
  out.Put8(e.HasShortEvent ? 1 : 0);
  out.Put8(e.Content);
  out.Put8(e.MinAge);
  for (const std::string *text : {&e.Language, &e.Name, &e.ShortText, &e.Items, &e.ExtendedText})
    out.PutText(*text);
}

TEpgEvent ReadEvent(TReader &in) {
  TEpgEvent e;
  e.OriginalNetworkId = in.Get16();
  e.TransportStreamId = in.Get16();
  e.ServiceId = in.Get16();
  e.EventId = in.Get16();
  e.StartTime = in.Get32();
  e.Duration = in.Get32();
  e.HasShortEvent = in.Get8() != 0;
  e.Content = in.Get8();
  e.MinAge = in.Get8();
  for (std::string *text : {&e.Language, &e.Name, &e.ShortText, &e.Items, &e.ExtendedText})
    *text = in.GetText();
  return e;
}

std::uint32_t PayloadCrc(std::string_view payload) {
  return si::Crc32Mpeg({reinterpret_cast<const std::uint8_t *>(payload.data()), payload.size()});
}

// The kept events, or the reason the file holds none.
std::optional<std::vector<TEpgEvent>> ParseKeptGuide(std::string_view file, std::string &error) {
  TReader in(file);
  const auto magic = in.Take(kMagic.size());
  if (!magic || std::memcmp(magic->data(), kMagic.data(), kMagic.size()) != 0) {
    error = "not a guide file";
    return std::nullopt;
  }
  const std::uint32_t version = in.Get32();
  const std::uint32_t count = in.Get32();
  const std::uint32_t crc = in.Get32();
  if (!in.Ok()) {
    error = "the file is truncated";
    return std::nullopt;
  }
  if (version != kVersion) {
    error = "unknown guide file version " + std::to_string(version);
    return std::nullopt;
  }
  if (PayloadCrc(file.substr(kHeaderBytes)) != crc) {
    error = "the checksum does not match";
    return std::nullopt;
  }
  std::vector<TEpgEvent> events;
  // Each event takes at least its fixed fields, so a count the bytes cannot hold is refused
  // before anything is reserved.
  constexpr std::size_t kMinEventBytes = 8 + 8 + 3 + 5 * 4;
  if (count > in.Remaining() / kMinEventBytes) {
    error = "the event count does not fit the file";
    return std::nullopt;
  }
  events.reserve(count);
  for (std::uint32_t i = 0; i < count && in.Ok(); ++i)
    events.push_back(ReadEvent(in));
  if (!in.Ok() || !in.AtEnd()) {
    error = "the events do not fit the file";
    return std::nullopt;
  }
  return events;
}

} // namespace

std::string SaveKeptGuide(const TEpgStore &store, const std::filesystem::path &file,
                          std::int64_t nowUtc) {
  TWriter payload;
  std::uint32_t count = 0;
  store.ForEach([&](const TEpgEvent &event) {
    if (HasEnded(event, nowUtc))
      return;
    WriteEvent(payload, event);
    ++count;
  });
  TWriter header;
  for (char c : kMagic)
    header.Put8(static_cast<std::uint8_t>(c));
  header.Put32(kVersion);
  header.Put32(count);
  header.Put32(PayloadCrc(payload.Data()));
  header.Data() += payload.Data();
  return frame::WriteFileAtomically(file, header.Data());
}

bool LoadKeptGuide(TEpgStore &store, const std::filesystem::path &file, std::int64_t nowUtc,
                   std::string &error) {
  try {
    const frame::TFileContent content = frame::ReadFileContent(file, kMaxGuideBytes);
    if (content.Status == frame::FileReadStatus::Missing)
      return true;
    if (content.Status == frame::FileReadStatus::Unreadable) {
      error = content.Error();
      return false;
    }
    std::string reason;
    const auto events = ParseKeptGuide(content.Text, reason);
    if (!events) {
      error = "Cannot load the kept guide " + file.string() + ": " + reason;
      return false;
    }
    for (const TEpgEvent &event : *events)
      if (!HasEnded(event, nowUtc))
        store.Insert(event);
    return true;
  } catch (const std::exception &e) {
    error = "Cannot load the kept guide " + file.string() + ": " + e.what();
    return false;
  }
}

} // namespace qev::guide
