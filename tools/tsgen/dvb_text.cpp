#include "dvb_text.h"

#include <cerrno>
#include <charconv>
#include <iconv.h>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace qev::tsgen {
namespace {

struct IconvCloser {
  void operator()(void *cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

std::optional<unsigned> PartNumber(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) {
    return std::nullopt;
  }
  unsigned part = 0;
  const std::string_view digits = name.substr(prefix.size());
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), part);
  if (ec != std::errc{} || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return part;
}

std::string IsoName(unsigned part) { return "ISO-8859-" + std::to_string(part); }

Bytes Convert(std::string_view utf8, const Charset &charset) {
  if (utf8.empty()) {
    return {};
  }
  const iconv_t raw = iconv_open(charset.IconvName().c_str(), "UTF-8");
  if (raw == reinterpret_cast<iconv_t>(-1)) {
    throw std::invalid_argument("iconv lacks " + charset.IconvName());
  }
  const std::unique_ptr<void, IconvCloser> cd(raw);
  std::string input(utf8);
  std::string buffer(input.size() * 4 + 8, '\0');
  char *in = input.data();
  char *outPtr = buffer.data();
  std::size_t inLeft = input.size(), outLeft = buffer.size();
  if (iconv(raw, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
    throw std::invalid_argument("text \"" + input + "\" does not fit table " + charset.Name());
  }
  return Bytes(buffer.data(), outPtr);
}

} // namespace

Charset::Charset() : Charset("default", {}, "ISO_6937") {}

Charset::Charset(std::string name, Bytes selector, std::string iconvName)
    : name_(std::move(name)), selector_(std::move(selector)), iconvName_(std::move(iconvName)) {}

Charset Charset::Named(std::string_view name) {
  const std::string text(name);
  if (name == "default") {
    return Charset();
  }
  if (name == "utf8") {
    return Charset(text, {0x15}, "UTF-8");
  }
  if (name == "cyrillic") {
    return Charset(text, {0x01}, IsoName(5));
  }
  if (const auto part = PartNumber(name, "iso8859-");
      part && *part >= 1 && *part <= 15 && *part != 12) {
    return Charset(text, {0x10, 0x00, static_cast<std::uint8_t>(*part)}, IsoName(*part));
  }
  if (const auto part = PartNumber(name, "sel8859-");
      part && *part >= 5 && *part <= 15 && *part != 12) {
    return Charset(text, {static_cast<std::uint8_t>(*part - 4)}, IsoName(*part));
  }
  throw std::invalid_argument("unknown character table: " + text);
}

Bytes EncodeDvbText(std::string_view utf8, const Charset &charset) {
  Bytes out = charset.Selector();
  // The default table is ISO/IEC 6937 with the euro sign added at 0xA4, which iconv lacks.
  constexpr std::string_view kEuro = "\u20AC";
  const bool withEuro = charset.Name() == "default";
  while (!utf8.empty()) {
    const std::size_t euro = withEuro ? utf8.find(kEuro) : std::string_view::npos;
    const Bytes piece = Convert(utf8.substr(0, euro), charset);
    out.insert(out.end(), piece.begin(), piece.end());
    if (euro == std::string_view::npos) {
      break;
    }
    out.push_back(0xA4);
    utf8.remove_prefix(euro + kEuro.size());
  }
  return out;
}

void PutDvbString(ByteWriter &out, std::string_view utf8, const Charset &charset) {
  Bytes bytes = EncodeDvbText(utf8, charset);
  if (bytes.size() > 255) {
    bytes.resize(255);
  }
  out.Put8(bytes.size());
  out.PutBytes(bytes);
}

} // namespace qev::tsgen
