#include "descriptors.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace qev::tsgen::descriptor {
namespace {

constexpr std::size_t kMaxBody = 255;

void PutCode3(ByteWriter &out, std::string_view code) {
  if (code.size() != 3) {
    throw std::invalid_argument("a language or country code has three letters: " +
                                std::string(code));
  }
  out.PutText(code);
}

unsigned Bcd8(std::uint64_t value, int digits) {
  unsigned bcd = 0;
  for (int i = 0; i < digits; ++i, value /= 10) {
    bcd |= static_cast<unsigned>(value % 10) << (4 * i);
  }
  return bcd;
}

void ShortEvent(ByteWriter &out, const EventTranslation &text, const Charset &charset) {
  out.Put8(0x4D);
  const auto length = out.BeginLength(8);
  PutCode3(out, text.language);
  ByteWriter strings;
  PutDvbString(strings, text.name, charset);
  PutDvbString(strings, text.shortText, charset);
  if (strings.Size() > kMaxBody - 3) {
    throw std::invalid_argument("name and text of \"" + text.name + "\" are too long");
  }
  out.PutBytes(strings.Data());
  out.EndLength(length);
}

void SecaEntries(ByteWriter &out, const CaSystem &ca) {
  // One 15-byte entry per provider: ECM PID, provider, then bytes the card ignores.
  for (const std::uint32_t provider : ca.providers) {
    out.Put16(0xE000 | ca.ecmPid);
    out.Put16(provider & 0xFFFF);
    for (int i = 0; i < 11; ++i) {
      out.Put8(0xFF);
    }
  }
}

void CaBody(ByteWriter &out, const CaSystem &ca) {
  out.Put16(ca.caId);
  const unsigned system = ca.caId >> 8;
  if (ca.caId == 0x0100 && !ca.providers.empty()) {
    SecaEntries(out, ca);
    return;
  }
  out.Put16(0xE000 | ca.ecmPid);
  if (system == 0x01) {
    out.Put16(ca.providers.empty() ? 0 : ca.providers.front() & 0xFFFF);
  } else if (system == 0x05) {
    for (const std::uint32_t provider : ca.providers) {
      out.Put8(0x14);
      out.Put8(3);
      out.Put24(provider & 0xFFFFF0);
    }
  }
}

// Cuts encoded text (selector first) into pieces of at most `firstRoom`, then `room` bytes,
// each opening with the selector again since every descriptor is decoded on its own. UTF-8 is
// never cut inside a character.
std::vector<Bytes> SplitText(const Bytes &text, const Charset &charset, std::size_t firstRoom,
                             std::size_t room) {
  const Bytes &selector = charset.Selector();
  const bool utf8 = charset.Name() == "utf8";
  std::vector<Bytes> pieces;
  std::size_t at = selector.size();
  do {
    std::size_t end =
        std::min(text.size(), at + (pieces.empty() ? firstRoom : room) - selector.size());
    while (utf8 && end < text.size() && end > at && (text[end] & 0xC0) == 0x80) {
      --end;
    }
    Bytes piece = selector;
    piece.insert(piece.end(), text.begin() + at, text.begin() + end);
    pieces.push_back(std::move(piece));
    at = end;
  } while (at < text.size());
  return pieces;
}

Bytes EncodeItems(const Event &event, const Charset &charset) {
  ByteWriter items;
  for (const ExtendedItem &item : event.items) {
    PutDvbString(items, item.description, charset);
    PutDvbString(items, item.text, charset);
  }
  if (items.Size() > 200) {
    throw std::invalid_argument("extended event items of \"" + event.name + "\" are too long");
  }
  return items.Take();
}

} // namespace

void Language(ByteWriter &out, std::string_view code) {
  out.Put8(0x0A);
  out.Put8(4);
  PutCode3(out, code);
  out.Put8(0); // undefined audio type
}

void Ac3(ByteWriter &out) {
  out.Put8(0x6A);
  out.Put8(1);
  out.Put8(0); // no optional fields
}

void EnhancedAc3(ByteWriter &out) {
  out.Put8(0x7A);
  out.Put8(1);
  out.Put8(0); // no optional fields
}

void Aac(ByteWriter &out) {
  out.Put8(0x7C);
  out.Put8(1);
  out.Put8(0x29); // profile and level: AAC profile, level 2 (stereo at 48 kHz)
}

void Teletext(ByteWriter &out, const std::vector<TeletextRef> &pages) {
  out.Put8(0x56);
  const auto length = out.BeginLength(8);
  for (const TeletextRef &ref : pages) {
    PutCode3(out, ref.language);
    const unsigned magazine = (ref.page / 100) % 8;
    out.Put8(static_cast<unsigned>(ref.type) << 3 | magazine);
    out.Put8(ToBcd(ref.page % 100));
  }
  out.EndLength(length);
}

void Ca(ByteWriter &out, const CaSystem &ca) {
  out.Put8(0x09);
  const auto length = out.BeginLength(8);
  CaBody(out, ca);
  out.EndLength(length);
}

void CaEmm(ByteWriter &out, const EmmEntry &emm) {
  out.Put8(0x09);
  out.Put8(4);
  out.Put16(emm.caId);
  out.Put16(0xE000 | emm.emmPid);
}

void Service(ByteWriter &out, const tsgen::Service &service) {
  out.Put8(0x48);
  const auto length = out.BeginLength(8);
  out.Put8(service.type);
  PutDvbString(out, service.provider, service.charset);
  PutDvbString(out, service.name, service.charset);
  out.EndLength(length);
}

void NetworkName(ByteWriter &out, std::string_view name, const Charset &charset) {
  out.Put8(0x40);
  Bytes bytes = EncodeDvbText(name, charset);
  bytes.resize(std::min(bytes.size(), kMaxBody));
  out.Put8(bytes.size());
  out.PutBytes(bytes);
}

void ServiceList(ByteWriter &out, const std::vector<tsgen::Service> &services) {
  for (std::size_t first = 0; first < services.size(); first += 85) {
    const std::size_t last = std::min(services.size(), first + 85);
    out.Put8(0x41);
    out.Put8(3 * (last - first));
    for (std::size_t i = first; i < last; ++i) {
      out.Put16(services[i].serviceId);
      out.Put8(services[i].type);
    }
  }
}

void SatelliteDelivery(ByteWriter &out, const tsgen::SatelliteDelivery &d) {
  out.Put8(0x43);
  out.Put8(11);
  out.Put32(Bcd8(d.frequencyKhz / 10, 8));
  out.Put16(Bcd8(d.orbitalTenths, 4));
  // Roll-off bits stay 0 (0.35).
  out.Put8((d.east ? 0x80 : 0) | static_cast<unsigned>(d.polarisation) << 5 | (d.dvbS2 ? 0x04 : 0) |
           (d.modulation & 3));
  out.Put32(Bcd8(d.symbolRate / 100, 7) << 4 | (d.fecInner & 0x0F));
}

void ShortEvents(ByteWriter &out, const Event &event, const Charset &charset) {
  ShortEvent(out, {event.language, event.name, event.shortText}, charset);
  for (const EventTranslation &translation : event.translations) {
    ShortEvent(out, translation, charset);
  }
}

void PutEventTimes(ByteWriter &out, const Event &event) {
  if (event.startUndefined) {
    PutUndefinedTime(out);
  } else {
    PutMjdTime(out, event.start);
  }
  if (event.durationUndefined) {
    PutUndefinedDuration(out);
  } else {
    PutBcdDuration(out, event.duration);
  }
}

void ExtendedEvents(ByteWriter &out, const Event &event, const Charset &charset) {
  if (event.extendedText.empty() && event.items.empty()) {
    return;
  }
  const Bytes items = EncodeItems(event, charset);
  const Bytes text = EncodeDvbText(event.extendedText, charset);
  // The first descriptor carries the items; the text continues over as many as it needs.
  const auto pieces = SplitText(text, charset, kMaxBody - 6 - items.size(), kMaxBody - 6);
  if (pieces.size() > 16) {
    throw std::invalid_argument("extended text of \"" + event.name + "\" is too long");
  }
  const unsigned last = pieces.size() - 1;
  for (unsigned n = 0; n <= last; ++n) {
    out.Put8(0x4E);
    const auto length = out.BeginLength(8);
    out.Put8(n << 4 | last);
    PutCode3(out, event.language);
    out.Put8(n == 0 ? items.size() : 0);
    if (n == 0) {
      out.PutBytes(items);
    }
    out.Put8(pieces[n].size());
    out.PutBytes(pieces[n]);
    out.EndLength(length);
  }
}

void Content(ByteWriter &out, const std::vector<std::uint8_t> &content) {
  if (content.empty()) {
    return;
  }
  out.Put8(0x54);
  out.Put8(2 * std::min<std::size_t>(content.size(), 127));
  for (std::size_t i = 0; i < content.size() && i < 127; ++i) {
    out.Put8(content[i]);
    out.Put8(0); // user byte
  }
}

void ParentalRating(ByteWriter &out, std::string_view country, std::uint8_t rating) {
  out.Put8(0x55);
  out.Put8(4);
  PutCode3(out, country);
  out.Put8(rating);
}

namespace {

void PutOffset(ByteWriter &out, int minutes) {
  const unsigned magnitude = std::abs(minutes);
  out.Put8(ToBcd(magnitude / 60));
  out.Put8(ToBcd(magnitude % 60));
}

} // namespace

void LocalTimeOffset(ByteWriter &out, std::string_view country, int offsetMinutes,
                     UtcSeconds nextChange, int nextOffsetMinutes) {
  out.Put8(0x58);
  out.Put8(13);
  PutCode3(out, country);
  out.Put8(0x02 | (offsetMinutes < 0 ? 1 : 0)); // region 0, reserved bit, polarity
  PutOffset(out, offsetMinutes);
  PutMjdTime(out, nextChange);
  PutOffset(out, nextOffsetMinutes);
}

} // namespace qev::tsgen::descriptor
