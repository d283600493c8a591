#include "description_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "eit_tables.h"
#include "teletext_carousel.h"
#include "teletext_charset.h"

namespace qev::tsgen {
namespace {

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::uint64_t Number(std::string_view text, std::uint64_t max) {
  const std::string t = Trim(text);
  const bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
  std::uint64_t value = 0;
  const char *first = t.data() + (hex ? 2 : 0);
  const auto [end, ec] = std::from_chars(first, t.data() + t.size(), value, hex ? 16 : 10);
  if (t.empty() || ec != std::errc{} || end != t.data() + t.size() || value > max) {
    throw std::invalid_argument("not a number up to " + std::to_string(max) + ": " + t);
  }
  return value;
}

std::uint16_t Pid(std::string_view text) {
  return static_cast<std::uint16_t>(Number(text, 0x1FFF));
}
std::uint16_t U16(std::string_view text) {
  return static_cast<std::uint16_t>(Number(text, 0xFFFF));
}
std::uint8_t U8(std::string_view text) { return static_cast<std::uint8_t>(Number(text, 0xFF)); }
bool Flag(std::string_view text) { return Number(text, 1) == 1; }

std::vector<std::string> Words(std::string_view text, char separator = ' ') {
  std::vector<std::string> words;
  std::istringstream in{std::string(text)};
  std::string word;
  while (std::getline(in, word, separator)) {
    if (const std::string w = Trim(word); !w.empty()) {
      words.push_back(w);
    }
  }
  return words;
}

UtcSeconds Time(std::string_view text) {
  const auto t = ParseUtc(Trim(text));
  if (!t) {
    throw std::invalid_argument("not a time YYYY-MM-DD HH:MM:SS: " + std::string(text));
  }
  return *t;
}

double Decimal(std::string_view text) {
  const std::string t = Trim(text);
  std::size_t used = 0;
  const double value = std::stod(t, &used);
  if (used != t.size() || !std::isfinite(value) || value < 0) {
    throw std::invalid_argument("not a positive number: " + t);
  }
  return value;
}

StreamKind Kind(std::string_view text) {
  static const std::pair<const char *, StreamKind> kKinds[] = {
      {"mpeg2", StreamKind::Mpeg2Video},     {"h264", StreamKind::H264Video},
      {"hevc", StreamKind::HevcVideo},       {"mpa", StreamKind::MpegAudio},
      {"ac3", StreamKind::Ac3Audio},         {"eac3", StreamKind::Eac3Audio},
      {"aac", StreamKind::AacAudio},         {"teletext", StreamKind::Teletext},
      {"sections", StreamKind::DataSections}};
  for (const auto &[name, kind] : kKinds) {
    if (text == name) {
      return kind;
    }
  }
  throw std::invalid_argument("unknown stream kind: " + std::string(text));
}

TeletextType TtxType(std::string_view text) {
  static const std::pair<const char *, TeletextType> kTypes[] = {
      {"initial", TeletextType::Initial},
      {"subtitle", TeletextType::Subtitle},
      {"additional", TeletextType::Additional},
      {"schedule", TeletextType::Schedule},
      {"hearing", TeletextType::HearingImpairedSubtitle}};
  for (const auto &[name, type] : kTypes) {
    if (text == name) {
      return type;
    }
  }
  throw std::invalid_argument("unknown teletext type: " + std::string(text));
}

// "eng initial 100, ger subtitle 888"
std::vector<TeletextRef> TeletextRefs(std::string_view text) {
  std::vector<TeletextRef> refs;
  for (const std::string &entry : Words(text, ',')) {
    const auto w = Words(entry);
    if (w.size() != 3) {
      throw std::invalid_argument("a teletext entry is: language type page");
    }
    refs.push_back({w[0], TtxType(w[1]), static_cast<unsigned>(Number(w[2], 899))});
  }
  return refs;
}

CaSystem Ca(std::string_view text) {
  const auto w = Words(text);
  if (w.size() < 2) {
    throw std::invalid_argument("a CA entry is: ca_id ecm_pid [provider...]");
  }
  CaSystem ca{U16(w[0]), Pid(w[1]), {}};
  for (std::size_t i = 2; i < w.size(); ++i) {
    ca.providers.push_back(static_cast<std::uint32_t>(Number(w[i], 0xFFFFFF)));
  }
  return ca;
}

FlawRate Rate(std::string_view text) {
  const auto w = Words(text);
  if (w.empty() || w.size() > 2) {
    throw std::invalid_argument("a flaw is: every [pid]");
  }
  FlawRate rate{static_cast<unsigned>(Number(w[0], 1'000'000)), std::nullopt};
  if (w.size() == 2) {
    rate.pid = Pid(w[1]);
  }
  return rate;
}

Polarisation Polar(std::string_view text) {
  static const std::string kLetters = "HVLR";
  const auto at = kLetters.find(Trim(text));
  if (Trim(text).size() != 1 || at == std::string::npos) {
    throw std::invalid_argument("polarisation is H, V, L or R");
  }
  return static_cast<Polarisation>(at);
}

// "19.2E" or "30W"
void Orbital(SatelliteDelivery &d, std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty() || (t.back() != 'E' && t.back() != 'W')) {
    throw std::invalid_argument("orbital position is degrees followed by E or W");
  }
  d.east = t.back() == 'E';
  d.orbitalTenths =
      static_cast<std::uint16_t>(std::lround(Decimal(t.substr(0, t.size() - 1)) * 10));
}

bool DeliveryKey(SatelliteDelivery &d, const std::string &key, const std::string &value) {
  if (key == "frequency") {
    d.frequencyKhz = static_cast<std::uint32_t>(Number(value, 99'999'990));
  } else if (key == "polarisation") {
    d.polarisation = Polar(value);
  } else if (key == "symbol_rate") {
    d.symbolRate = static_cast<std::uint32_t>(Number(value, 999'999'900));
  } else if (key == "orbital") {
    Orbital(d, value);
  } else if (key == "system") {
    d.dvbS2 = value == "S2";
  } else if (key == "modulation") {
    d.modulation = value == "8psk" ? 2 : 1;
  } else if (key == "fec") {
    d.fecInner = static_cast<std::uint8_t>(Number(value, 15));
  } else {
    return false;
  }
  return true;
}

bool ServiceKey(Service &s, const std::string &key, const std::string &value) {
  if (key == "id") {
    s.serviceId = U16(value);
  } else if (key == "pmt") {
    s.pmtPid = Pid(value);
  } else if (key == "pcr") {
    s.pcrPid = Pid(value);
  } else if (key == "type") {
    s.type = U8(value);
  } else if (key == "name") {
    s.name = value;
  } else if (key == "provider") {
    s.provider = value;
  } else if (key == "charset") {
    s.charset = Charset::Named(value);
  } else if (key == "eit_schedule") {
    s.eitSchedule = Flag(value);
  } else if (key == "eit_pf") {
    s.eitPresentFollowing = Flag(value);
  } else if (key == "running") {
    s.runningStatus = static_cast<std::uint8_t>(Number(value, 7));
  } else if (key == "ca") {
    s.ca.push_back(Ca(value));
  } else {
    return false;
  }
  return true;
}

bool TimedFlawKey(Flaws &f, const std::string &key, const std::vector<std::string> &w);
Transponder ReadDescription(const std::filesystem::path &path, bool readOthers);

class Reader {
public:
  // `dir`: where the files that a description names are looked for.
  explicit Reader(std::filesystem::path dir, bool readOthers = true)
      : dir_(std::move(dir)), readOthers_(readOthers) {}
  Transponder Read(std::istream &in);

private:
  OtherTransport OtherOf(const std::string &file) const;
  void Line(const std::string &line);
  void Block(const std::string &name);
  bool Key(const std::string &key, const std::string &value);
  bool TransponderKey(const std::string &key, const std::string &value);
  bool StreamKey(Stream &s, const std::string &key, const std::string &value);
  bool PageKey(TeletextPage &p, const std::string &key, const std::string &value);
  bool EventKey(Event &e, const std::string &key, const std::string &value);
  bool FlawKey(const std::string &key, const std::string &value);
  bool RepetitionKey(const std::string &key, const std::string &value);
  void Finish();
  static void EncodePage(TeletextPage &page);

  Service &LastService();
  Stream &LastStream();
  OtherTransport &LastOther();
  template <class T> static T &Last(std::vector<T> &v, const char *what);

  std::filesystem::path dir_;
  bool readOthers_;
  Transponder tp_;
  std::string block_;
  // Positions, not pointers: the vectors still grow while the file is read.
  struct IndexPage {
    std::size_t service, stream, page;
    std::string title;
  };
  struct Repeat {
    std::size_t service, event;
    unsigned days;
  };
  std::vector<IndexPage> indexes_;
  std::vector<Repeat> repeats_;
};

template <class T> T &Reader::Last(std::vector<T> &v, const char *what) {
  if (v.empty()) {
    throw std::invalid_argument(std::string("this block needs a [") + what + "] before it");
  }
  return v.back();
}

Service &Reader::LastService() { return Last(tp_.services, "service"); }
Stream &Reader::LastStream() { return Last(LastService().streams, "stream"); }
OtherTransport &Reader::LastOther() { return Last(tp_.others, "other"); }

void Reader::Block(const std::string &name) {
  block_ = name;
  if (name == "service") {
    tp_.services.emplace_back();
  } else if (name == "stream") {
    LastService().streams.emplace_back();
  } else if (name == "page") {
    if (LastStream().kind != StreamKind::Teletext) {
      throw std::invalid_argument("a [page] belongs to a teletext [stream]");
    }
    LastStream().pages.emplace_back();
  } else if (name == "event") {
    LastService().events.emplace_back();
  } else if (name == "emm") {
    tp_.emms.emplace_back();
  } else if (name == "other") {
    tp_.others.emplace_back();
  } else if (name == "other_service") {
    LastOther().services.emplace_back();
  } else if (name != "transponder" && name != "flaws" && name != "repetition") {
    throw std::invalid_argument("unknown block [" + name + "]");
  }
}

bool Reader::TransponderKey(const std::string &key, const std::string &value) {
  if (DeliveryKey(tp_.delivery, key, value)) {
    return true;
  }
  if (key == "tsid") {
    tp_.transportStreamId = U16(value);
  } else if (key == "onid") {
    tp_.originalNetworkId = U16(value);
  } else if (key == "network_id") {
    tp_.networkId = U16(value);
  } else if (key == "network") {
    tp_.networkName = value;
  } else if (key == "network_charset") {
    tp_.networkCharset = Charset::Named(value);
  } else if (key == "start") {
    tp_.start = Time(value);
  } else if (key == "duration") {
    tp_.durationSeconds = Decimal(value);
  } else if (key == "bitrate") {
    tp_.bitrate = Number(value, 200'000'000);
  } else if (key == "input") {
    tp_.inputFile = value;
  } else if (key == "country") {
    tp_.timeCountry = value;
  } else if (key == "local_offset") {
    tp_.localOffsetMinutes = static_cast<int>(Number(value, 24 * 60));
  } else {
    return false;
  }
  return true;
}

bool Reader::StreamKey(Stream &s, const std::string &key, const std::string &value) {
  if (key == "kind") {
    s.kind = Kind(value);
  } else if (key == "pid") {
    s.pid = Pid(value);
  } else if (key == "lang") {
    s.language = value;
  } else if (key == "source") {
    s.sourcePid = Pid(value);
  } else if (key == "teletext") {
    s.teletext = TeletextRefs(value);
  } else if (key == "table_id") {
    s.tableId = U8(value);
  } else if (key == "section") {
    s.sections.push_back(value);
  } else {
    return false;
  }
  return true;
}

bool Reader::PageKey(TeletextPage &p, const std::string &key, const std::string &value) {
  if (key == "number") {
    p.page = static_cast<unsigned>(Number(value, 899));
  } else if (key == "subcode") {
    p.subcode = static_cast<std::uint16_t>(Number(value, 0x3F7F));
  } else if (key == "national") {
    p.nationalOption = static_cast<std::uint8_t>(Number(value, 7));
  } else if (key == "row") {
    // "row = N text": the text keeps its inner blanks
    const auto space = value.find(' ');
    p.rows.push_back({static_cast<int>(Number(value.substr(0, space), 24)),
                      space == std::string::npos ? "" : value.substr(space + 1)});
  } else if (key == "subtitle") {
    p.subtitle = Flag(value);
  } else if (key == "caption") {
    std::string caption = value;
    std::replace(caption.begin(), caption.end(), '|', '\n');
    p.captions.push_back(caption);
  } else if (key == "caption_seconds") {
    p.captionSeconds = Decimal(value);
  } else if (key == "links") {
    p.links.clear();
    for (const std::string &w : Words(value)) {
      p.links.push_back(static_cast<unsigned>(Number(w, 899)));
    }
    if (p.links.size() > 6) {
      throw std::invalid_argument("a page has at most six links");
    }
  } else if (key == "index") {
    indexes_.push_back({tp_.services.size() - 1, LastService().streams.size() - 1,
                        LastStream().pages.size() - 1, value});
  } else {
    return false;
  }
  return true;
}

bool Reader::EventKey(Event &e, const std::string &key, const std::string &value) {
  if (key == "id") {
    e.eventId = U16(value);
  } else if (key == "start") {
    e.start = Time(value);
  } else if (key == "duration") {
    e.duration = static_cast<std::int64_t>(Number(value, 99 * 3600));
  } else if (key == "name") {
    e.name = value;
  } else if (key == "text") {
    e.shortText = value;
  } else if (key == "extended") {
    e.extendedText = value;
  } else if (key == "item") {
    const auto colon = value.find(':');
    if (colon == std::string::npos) {
      throw std::invalid_argument("an item is: description: text");
    }
    e.items.push_back({Trim(value.substr(0, colon)), Trim(value.substr(colon + 1))});
  } else if (key == "content") {
    for (const std::string &w : Words(value)) {
      e.content.push_back(U8(w));
    }
  } else if (key == "rating") {
    const auto age = Number(value, 18);
    e.parentalRating = static_cast<std::uint8_t>(age > 3 ? age - 3 : 0);
  } else if (key == "rating_country") {
    e.ratingCountry = value;
  } else if (key == "lang") {
    e.language = value;
  } else if (key == "translation") {
    const auto w = Words(value, '|');
    if (w.size() < 2 || w.size() > 3) {
      throw std::invalid_argument("a translation is: language | name | text");
    }
    e.translations.push_back({w[0], w[1], w.size() == 3 ? w[2] : ""});
  } else if (key == "start_undefined") {
    e.startUndefined = Flag(value);
  } else if (key == "duration_undefined") {
    e.durationUndefined = Flag(value);
  } else if (key == "repeat_days") {
    repeats_.push_back({tp_.services.size() - 1, LastService().events.size() - 1,
                        static_cast<unsigned>(Number(value, 64))});
  } else {
    return false;
  }
  return true;
}

bool Reader::FlawKey(const std::string &key, const std::string &value) {
  Flaws &f = tp_.flaws;
  static const std::pair<const char *, FlawRate Flaws::*> kRates[] = {
      {"bad_crc", &Flaws::badCrc},
      {"wrong_length", &Flaws::wrongLength},
      {"stuffing_tables", &Flaws::stuffingTables},
      {"packet_loss", &Flaws::packetLoss},
      {"continuity", &Flaws::continuity},
      {"adaptation", &Flaws::adaptation},
      {"transport_error", &Flaws::transportError},
      {"lost_sync", &Flaws::lostSync},
      {"garbage", &Flaws::garbage},
      {"duplicate", &Flaws::duplicate}};
  for (const auto &[name, member] : kRates) {
    if (key == name) {
      f.*member = Rate(value);
      return true;
    }
  }
  if (key == "split_headers") {
    f.splitHeaders = Flag(value);
  } else if (key == "length_delta") {
    f.lengthDelta = static_cast<int>(Number(value, 4095));
  } else if (key == "adaptation_bytes") {
    f.adaptationBytes = static_cast<int>(Number(value, 100));
  } else if (key == "garbage_bytes") {
    f.garbageBytes = static_cast<int>(std::max<std::uint64_t>(1, Number(value, 1000)));
  } else {
    return TimedFlawKey(f, key, Words(value));
  }
  return true;
}

// "AT ..." flaws: what happens `AT` seconds after the start.
bool TimedFlawKey(Flaws &f, const std::string &key, const std::vector<std::string> &w) {
  const auto expect = [&](std::size_t least, std::size_t most, const char *form) {
    if (w.size() < least || w.size() > most) {
      throw std::invalid_argument(std::string(key) + " is: " + form);
    }
    return Decimal(w[0]);
  };
  if (key == "pcr_jump") {
    const double at = expect(2, 2, "seconds milliseconds");
    f.pcrJump = PcrJump{at, static_cast<int>(Number(w[1], 3'600'000))};
  } else if (key == "version_change") {
    const double at = expect(1, 2, "seconds [pid]");
    f.versionChanges.push_back({at, w.size() == 2 ? std::optional(Pid(w[1])) : std::nullopt});
  } else if (key == "pid_change") {
    const double at = expect(3, 3, "seconds from_pid to_pid");
    f.pidChanges.push_back({at, Pid(w[1]), Pid(w[2])});
  } else if (key == "service_added" || key == "service_removed") {
    const double at = expect(2, 2, "seconds service_id");
    f.serviceChanges.push_back({at, U16(w[1]), key == "service_added"});
  } else {
    return false;
  }
  return true;
}

bool Reader::RepetitionKey(const std::string &key, const std::string &value) {
  Repetition &r = tp_.repetition;
  static const std::pair<const char *, int Repetition::*> kPeriods[] = {
      {"pat", &Repetition::pat},
      {"pmt", &Repetition::pmt},
      {"cat", &Repetition::cat},
      {"sdt", &Repetition::sdt},
      {"sdt_other", &Repetition::sdtOther},
      {"nit", &Repetition::nit},
      {"eit_pf", &Repetition::eitPresentFollowing},
      {"eit_pf_other", &Repetition::eitPresentFollowingOther},
      {"eit_schedule", &Repetition::eitSchedule},
      {"time", &Repetition::time},
      {"ecm", &Repetition::ecm},
      {"emm", &Repetition::emm},
      {"data", &Repetition::data},
      {"pcr", &Repetition::pcr},
      {"media", &Repetition::media}};
  for (const auto &[name, member] : kPeriods) {
    if (key == name) {
      r.*member = static_cast<int>(std::max<std::uint64_t>(1, Number(value, 60'000)));
      return true;
    }
  }
  return false;
}

bool Reader::Key(const std::string &key, const std::string &value) {
  if (block_ == "transponder") {
    return TransponderKey(key, value);
  }
  if (block_ == "service") {
    return ServiceKey(LastService(), key, value);
  }
  if (block_ == "stream") {
    return StreamKey(LastStream(), key, value);
  }
  if (block_ == "page") {
    return PageKey(LastStream().pages.back(), key, value);
  }
  if (block_ == "event") {
    return EventKey(LastService().events.back(), key, value);
  }
  if (block_ == "emm") {
    EmmEntry &emm = tp_.emms.back();
    return key == "ca_id" ? (emm.caId = U16(value), true)
           : key == "pid" ? (emm.emmPid = Pid(value), true)
                          : false;
  }
  if (block_ == "other") {
    OtherTransport &o = LastOther();
    if (key == "description") {
      if (readOthers_) {
        o = OtherOf(value);
      }
      return true;
    }
    return DeliveryKey(o.delivery, key, value) ||
           (key == "tsid" && (o.transportStreamId = U16(value), true)) ||
           (key == "onid" && (o.originalNetworkId = U16(value), true));
  }
  if (block_ == "other_service") {
    return ServiceKey(LastOther().services.back(), key, value);
  }
  if (block_ == "flaws") {
    return FlawKey(key, value);
  }
  return block_ == "repetition" && RepetitionKey(key, value);
}

void Reader::Line(const std::string &raw) {
  const std::string line = Trim(raw);
  if (line.empty() || line[0] == '#' || line[0] == ';') {
    return;
  }
  if (line.front() == '[' && line.back() == ']') {
    Block(Trim(std::string_view(line).substr(1, line.size() - 2)));
    return;
  }
  const auto eq = line.find('=');
  if (eq == std::string::npos || block_.empty()) {
    throw std::invalid_argument("expected key = value inside a block");
  }
  const std::string key = Trim(std::string_view(line).substr(0, eq));
  if (!Key(key, Trim(std::string_view(line).substr(eq + 1)))) {
    throw std::invalid_argument("unknown key \"" + key + "\" in [" + block_ + "]");
  }
}

// Index pages and repeated events are completed once everything is read, since they refer to
// pages and days described after them.
void Reader::Finish() {
  for (const Repeat &r : repeats_) {
    std::vector<Event> &events = tp_.services[r.service].events;
    events[r.event].repeatDays = r.days;
    const Event first = events[r.event];
    for (unsigned day = 1; day < r.days; ++day) {
      events.push_back(RepeatOf(first, day));
    }
  }
  for (const IndexPage &i : indexes_) {
    Stream &stream = tp_.services[i.service].streams[i.stream];
    TeletextPage &page = stream.pages[i.page];
    page.rows = MakeIndexPage(page, i.title, stream.pages).rows;
  }
  for (Service &service : tp_.services) {
    for (Stream &stream : service.streams) {
      for (TeletextPage &page : stream.pages) {
        EncodePage(page);
      }
    }
  }
}

// The page's texts, written in UTF-8, in the G0 set of its national option.
void Reader::EncodePage(TeletextPage &page) {
  for (TeletextPage::Row &row : page.rows) {
    row.text = EncodeTeletextText(row.text, page.nationalOption, page.page);
  }
  for (std::string &caption : page.captions) {
    caption = EncodeTeletextText(caption, page.nationalOption, page.page);
  }
}

// Another transport stream of the network as its own description tells it: its delivery, its
// services and their events. Its [other] blocks are not followed, so two descriptions may name
// each other.
OtherTransport Reader::OtherOf(const std::string &file) const {
  const std::filesystem::path path = dir_ / file;
  Transponder tp;
  try {
    tp = ReadDescription(path, false);
  } catch (const std::invalid_argument &e) {
    throw std::invalid_argument(path.string() + ": " + e.what());
  }
  return {tp.transportStreamId, tp.originalNetworkId, tp.delivery, std::move(tp.services)};
}

Transponder Reader::Read(std::istream &in) {
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    try {
      Line(line);
    } catch (const std::exception &e) {
      throw std::invalid_argument("line " + std::to_string(number) + ": " + e.what());
    }
  }
  Finish();
  return std::move(tp_);
}

// The description in the file `path`; the files it names are looked for beside it.
Transponder ReadDescription(const std::filesystem::path &path, bool readOthers) {
  std::ifstream in(path);
  if (!in) {
    throw std::invalid_argument("cannot read " + path.string());
  }
  Transponder tp = Reader(path.parent_path(), readOthers).Read(in);
  if (in.bad()) {
    throw std::invalid_argument("cannot read " + path.string());
  }
  return tp;
}

} // namespace

Transponder DescriptionFile::Parse(std::istream &in) { return Reader(".").Read(in); }

Transponder DescriptionFile::Load(const std::string &path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  Transponder tp = ReadDescription(path, true);
  const std::filesystem::path input(tp.inputFile);
  if (!tp.inputFile.empty() && input.is_relative()) {
    tp.inputFile = (folder / input).string();
  }
  return tp;
}

} // namespace qev::tsgen
