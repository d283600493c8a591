#include "frame/command_line.h"

#include "frame/case_fold.h"
#include "frame/log.h"
#include "frame/string_utils.h"

#include <charconv>
#include <limits>
#include <optional>

namespace qev::frame {

namespace {

std::string UpperText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    if (auto c = NextCodePoint(text, pos))
      AppendUtf8(out, UpperCase(*c));
    else
      out.append(text.substr(start, pos - start));
  }
  return out;
}

// The first characters of a UTF-8 text, cut at a character boundary.
std::string FirstChars(std::string_view text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < count && pos < text.size(); ++n)
    NextCodePoint(text, pos);
  return std::string(text.substr(0, pos));
}

// A word of the command language found by its first occurrence anywhere in the text.
class TCommandText {
public:
  explicit TCommandText(std::string text) : text_(std::move(text)) {}

  bool Has(std::string_view word) const { return text_.find(word) != std::string::npos; }

  // The text after the word up to the next "/" or the end, trimmed; nothing without the word.
  std::optional<std::string> ValueOf(std::string_view word) const {
    const std::size_t at = text_.find(word);
    if (at == std::string::npos)
      return std::nullopt;
    const std::size_t from = at + word.size();
    const std::size_t to = text_.find('/', from);
    return Trim(std::string_view(text_).substr(from, to == std::string::npos ? to : to - from));
  }

private:
  std::string text_;
};

std::optional<std::int64_t> NumberOf(const TCommandText &text, std::string_view word) {
  if (auto value = text.ValueOf(word))
    return CommandNumber(*value);
  return std::nullopt;
}

std::uint16_t AtEndOf(std::string_view value) {
  static constexpr std::string_view kWords[] = {"EXIT", "SUSPEND", "HIBERNATE", "SHUTDOWN"};
  for (std::uint16_t i = 0; i < 4; ++i)
    if (value == kWords[i])
      return static_cast<std::uint16_t>(i + 1);
  return kAtEndNothing;
}

std::string IdText(std::uint16_t value, bool hexadecimal) {
  if (!hexadecimal)
    return std::to_string(value);
  char digits[8];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, 16);
  std::string hex(digits, end);
  return "$" + PadLeft(hex, 2, '0');
}

} // namespace

std::int64_t CommandNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  std::uint32_t magnitude = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    return 0;
  const std::int64_t value = negative ? -std::int64_t(magnitude) : std::int64_t(magnitude);
  // Hexadecimal may spell a negative 32-bit value; decimal must fit as it stands.
  if (base == 16 && !negative)
    return static_cast<std::int32_t>(magnitude);
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    return 0;
  return value;
}

TCommandRecord ParseCommandLine(std::string_view rawText, IChannelResolver *resolver) {
  const TCommandText text(UpperText(Trim(rawText)));
  TCommandRecord r;
  // Table order decides: a later word of the same kind wins.
  static constexpr std::pair<std::string_view, std::uint16_t> kActions[] = {
      {"/EXIT", TCommandRecord::kActionExit},
      {"/VIEW", TCommandRecord::kActionView},
      {"/REC", TCommandRecord::kActionRecord},
      {"/CH+", TCommandRecord::kActionNext},
      {"/CH-", TCommandRecord::kActionPrevious}};
  for (const auto &[word, action] : kActions)
    if (text.Has(word))
      r.Action = action;
  if (auto v = NumberOf(text, "/DUR"))
    r.Duration = static_cast<std::int32_t>(*v);
  if (auto v = NumberOf(text, "/SAT"))
    r.SatId = static_cast<std::uint16_t>(*v);
  if (auto v = NumberOf(text, "/TID"))
    r.Tid = static_cast<std::uint16_t>(*v);
  if (auto v = NumberOf(text, "/SID"))
    r.Sid = static_cast<std::uint16_t>(*v);
  if (auto v = text.ValueOf("/CHN"))
    r.ChannelName = FirstChars(*v, TCommandRecord::kMaxNameChars);
  if (auto v = text.ValueOf("/ATEND"))
    r.AtEnd = AtEndOf(*v);
  static constexpr std::pair<std::string_view, std::uint8_t> kStates[] = {
      {"/NORM", kStartWindowNormal},
      {"/MIN", kStartWindowMinimised},
      {"/FULL", kStartWindowFullScreen},
      {"/FLOAT", kStartWindowFloating}};
  for (const auto &[word, state] : kStates)
    if (text.Has(word))
      r.WindowState = state;
  if (text.Has("/NOVID"))
    r.NoVideo = 1;
  if (resolver &&
      (r.Action == TCommandRecord::kActionView || r.Action == TCommandRecord::kActionRecord))
    ResolveCommandChannel(r, *resolver);
  return r;
}

void ResolveCommandChannel(TCommandRecord &r, IChannelResolver &resolver) {
  r.ChannelHandle = -1;
  if (!resolver.SatelliteExists(r.SatId))
    return Log(kLogUnknownSatellite, kLogError);
  if (!resolver.LoadChannels(r.SatId))
    return Log(kLogCannotLoadChannels, kLogError);
  int index = -1;
  if (!r.ChannelName.empty()) {
    index = resolver.FindByName(r.SatId, r.ChannelName);
    if (index < 0)
      return Log(kLogNoChannelByName, kLogError);
  } else {
    index = resolver.FindByIds(r.SatId, r.Tid, r.Sid);
    if (index < 0)
      return Log(kLogNoChannelByIds, kLogError);
  }
  r.ChannelHandle = static_cast<std::int32_t>(r.SatId) * 65536 + index;
}

std::string WriteCommandLine(const TCommandRecord &r, bool hexadecimalIds) {
  std::string out;
  switch (r.Action) {
  case TCommandRecord::kActionView:
    out += "/VIEW ";
    break;
  case TCommandRecord::kActionRecord:
    out += "/REC ";
    break;
  case TCommandRecord::kActionNext:
    out += "/CH+ ";
    break;
  case TCommandRecord::kActionPrevious:
    out += "/CH- ";
    break;
  case TCommandRecord::kActionExit:
    out += "/EXIT ";
    break;
  default:
    break;
  }
  const std::pair<std::string_view, std::uint16_t> ids[] = {
      {"/SAT ", r.SatId}, {"/TID ", r.Tid}, {"/SID ", r.Sid}};
  for (const auto &[word, value] : ids)
    if (value != 0xFFFF)
      out.append(word).append(IdText(value, hexadecimalIds)).append(" ");
  if (r.Duration > 0)
    out += "/DUR " + std::to_string(r.Duration) + " ";
  static constexpr std::string_view kAtEnd[] = {"", "/ATEND EXIT ", "/ATEND SUSPEND ",
                                                "/ATEND HIBERNATE ", "/ATEND SHUTDOWN "};
  if (r.AtEnd >= 1 && r.AtEnd <= 4)
    out += kAtEnd[r.AtEnd];
  static constexpr std::string_view kStates[] = {"", "/NORM ", "/MIN ", "/FULL ", "/FLOAT"};
  if (r.WindowState >= 1 && r.WindowState <= 4)
    out += kStates[r.WindowState];
  if (r.NoVideo)
    out += "/NOVID ";
  return UpperText(out);
}

} // namespace qev::frame
