#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qev::devkit {
class IniFile;
}

namespace qev::sim {

using devkit::IniFile;

enum class Polarisation { Horizontal, Vertical };

// How a transponder is modulated: QEV_DELIVERY_* and QEV_MODULATION_*.
struct Delivery {
  std::uint8_t system = 1;     // DVB-S
  std::uint8_t modulation = 1; // QPSK
  // The value of GetDeviceInfo code 6 while locked on it.
  std::intptr_t Code() const { return system | (modulation << 8); }
  bool operator==(const Delivery &) const = default;
};

// A scheduled dip of the signal: from `start` (after the device opened) for `duration`, deepest
// half-way, where `depth` points are taken from both level and quality.
struct Fade {
  std::chrono::milliseconds start{0};
  std::chrono::milliseconds duration{0};
  int depth = 0;
};

struct SkyTransponder {
  std::uint32_t frequencyKhz = 0;
  Polarisation polarisation = Polarisation::Horizontal;
  std::uint32_t symbolRate = 0; // symbols per second
  std::filesystem::path file;
  std::uint16_t level = 0;   // 0..100
  std::uint16_t quality = 0; // 0..100
  std::chrono::milliseconds lockDelay{0};
  Delivery delivery;
  std::vector<Fade> fades;
};

// The LNB in front of a satellite's dish: two oscillators that the 22 kHz tone chooses between
// (universal), or one that the tone does not change (single, C band: low == high).
struct Lnb {
  std::uint32_t lowKhz = 9750000;
  std::uint32_t highKhz = 10600000;
  std::uint32_t Oscillator(bool tone) const { return tone ? highKhz : lowKhz; }
  bool Single() const { return lowKhz == highKhz; }
};

// How the dish equipment must be set to see a satellite; 0 or empty: not part of the path.
struct SatellitePath {
  int committedPort = 0;       // 1..4
  int uncommittedPort = 0;     // 1..16
  int toneBurst = 0;           // 1 A, 2 B
  int storedPosition = 0;      // positioner, 1..255
  std::optional<double> angle; // goto-angle, degrees, west positive
};

struct SkySatellite {
  std::string name;
  SatellitePath path;
  Lnb lnb;
  std::vector<SkyTransponder> transponders;
};

// Everything Dev_Sim.ini describes: the default LNB, the positioner, how the signal wanders
// and the satellites.
struct Sky {
  std::string name = "Simulated sky";
  bool fast = false;                   // play as fast as the consumers take it, once
  std::uint32_t lnbLowKhz = 9750000;   // the LNB of satellites that name none
  std::uint32_t lnbHighKhz = 10600000; //
  double motorSpeed = 1.5;             // degrees per second; 0 moves at once
  double driftPoints = 3;              // level and quality wander down by up to this much
  std::chrono::seconds driftPeriod{120};
  std::vector<SkySatellite> satellites;
};

// Reads the sky; TS files are relative to the file's folder. Empty with `error` set when the
// file cannot be read or a line is wrong.
std::optional<Sky> LoadSky(const std::filesystem::path &path, std::string &error);
std::optional<Sky> ParseSky(const IniFile &ini, const std::filesystem::path &folder,
                            std::string &error);

// "19.2E" -> -19.2, "30W" or "30" -> 30.
std::optional<double> ParseAngle(const std::string &text);

// "DVB-S2 8PSK" and the like, for the journal.
std::string DeliveryName(const Delivery &delivery);

} // namespace qev::sim
