#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dvb_text.h"
#include "dvb_time.h"
#include "flaws.h"
#include "teletext_page.h"

namespace qev::tsgen {

enum class StreamKind {
  Mpeg2Video,
  H264Video,
  HevcVideo,
  MpegAudio,
  Ac3Audio,
  Eac3Audio,
  AacAudio, // ADTS
  Teletext,
  DataSections // private sections (stream_type 0x05)
};

// A conditional-access system on a service. The descriptor layout follows the system: Seca
// (0x0100) lists ECM PID and provider entries, Seca with a provider in its id (0x01xx) carries
// one provider, Viaccess (0x05xx) carries provider sub-descriptors, others only the ECM PID.
struct CaSystem {
  std::uint16_t caId = 0;
  std::uint16_t ecmPid = 0;
  std::vector<std::uint32_t> providers;
};

// An entry of the CAT: where the EMMs of one CA system are.
struct EmmEntry {
  std::uint16_t caId = 0;
  std::uint16_t emmPid = 0;
};

enum class TeletextType : std::uint8_t {
  Initial = 1,
  Subtitle = 2,
  Additional = 3,
  Schedule = 4,
  HearingImpairedSubtitle = 5
};

// One entry of the teletext descriptor: a page announced in the PMT.
struct TeletextRef {
  std::string language = "eng";
  TeletextType type = TeletextType::Initial;
  unsigned page = 100; // magazine 1..8 and two decimal digits
};

struct Stream {
  StreamKind kind = StreamKind::Mpeg2Video;
  std::uint16_t pid = 0;
  std::string language; // ISO 639 code; empty: no language descriptor
  std::vector<TeletextRef> teletext;
  std::optional<std::uint16_t> sourcePid; // PID in the input stream that feeds this stream
  std::vector<TeletextPage> pages;        // what a teletext stream carries
  // What a data stream carries: one private section of `tableId` per text, in a cycle.
  std::uint8_t tableId = 0xC0;
  std::vector<std::string> sections;
};

struct ExtendedItem {
  std::string description;
  std::string text;
};

// The title and short text of an event in a further language (one more short event
// descriptor).
struct EventTranslation {
  std::string language;
  std::string name;
  std::string shortText;
};

struct Event {
  std::uint16_t eventId = 0;
  UtcSeconds start = 0;
  std::int64_t duration = 0;
  // Sent as undefined (all bits set); start and duration still place the event in the tables.
  bool startUndefined = false;
  bool durationUndefined = false;
  std::string language = "eng";
  std::string name;
  std::string shortText;
  std::vector<EventTranslation> translations;
  std::string extendedText;
  std::vector<ExtendedItem> items;
  std::vector<std::uint8_t> content;          // content bytes: level 1 in the high nibble
  std::optional<std::uint8_t> parentalRating; // rating byte (minimum age − 3)
  std::string ratingCountry = "GBR";
  // repeat_days: the event again on the following days. The description holds the copies for
  // those days; a live broadcast repeats the first one every day without end instead.
  unsigned repeatDays = 0;
  bool repeatCopy = false;
};

enum class ServiceType : std::uint8_t { Tv = 0x01, Radio = 0x02, Data = 0x0C, AvcTv = 0x19 };

struct Service {
  std::uint16_t serviceId = 0;
  std::uint16_t pmtPid = 0;
  std::uint16_t pcrPid = 0x1FFF; // 0x1FFF: no PCR
  std::uint8_t type = static_cast<std::uint8_t>(ServiceType::Tv);
  std::string name;
  std::string provider;
  Charset charset;
  std::vector<Stream> streams;
  std::vector<CaSystem> ca;
  std::vector<Event> events;
  bool eitSchedule = true;
  bool eitPresentFollowing = true;
  std::uint8_t runningStatus = 4;
};

enum class Polarisation : std::uint8_t { Horizontal = 0, Vertical = 1, Left = 2, Right = 3 };

struct SatelliteDelivery {
  std::uint32_t frequencyKhz = 11727000;
  std::uint16_t orbitalTenths = 192; // 19.2 degrees
  bool east = true;
  Polarisation polarisation = Polarisation::Horizontal;
  bool dvbS2 = false;
  std::uint8_t modulation = 1; // 1 QPSK, 2 8PSK
  std::uint32_t symbolRate = 27500000;
  std::uint8_t fecInner = 3; // 3/4
};

// Another transport stream of the network: announced in the NIT and, with services, in the
// SDT other.
struct OtherTransport {
  std::uint16_t transportStreamId = 0;
  std::uint16_t originalNetworkId = 0;
  SatelliteDelivery delivery;
  std::vector<Service> services; // names and types for the SDT other, events for the EIT other
};

// How often each table is repeated, in milliseconds.
struct Repetition {
  int pat = 100;
  int pmt = 100;
  int cat = 500;
  int sdt = 500;
  int sdtOther = 2000;
  int nit = 1000;
  int eitPresentFollowing = 500;
  int eitPresentFollowingOther = 2000;
  int eitSchedule = 2000;
  int time = 1000;
  int ecm = 100;
  int emm = 1000;
  int data = 200;
  int pcr = 40;
  int media = 40;
};

// Everything the generator writes: one transponder's worth of tables and streams.
struct Transponder {
  std::uint16_t transportStreamId = 1;
  std::uint16_t originalNetworkId = 1;
  std::uint16_t networkId = 1;
  std::string networkName = "QEV Network";
  Charset networkCharset;
  SatelliteDelivery delivery;
  std::vector<Service> services;
  std::vector<OtherTransport> others;
  std::vector<EmmEntry> emms;
  std::string timeCountry = "GBR";
  int localOffsetMinutes = 60;

  UtcSeconds start = 0;
  double durationSeconds = 10;
  std::uint64_t bitrate = 4'000'000;
  std::string inputFile; // transport stream whose picture and sound are remapped
  Repetition repetition;
  Flaws flaws;
};

} // namespace qev::tsgen
