#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qev::sim {

class IniFile;

enum class Polarisation { Horizontal, Vertical };

struct SkyTransponder {
  std::uint32_t frequencyKhz = 0;
  Polarisation polarisation = Polarisation::Horizontal;
  std::uint32_t symbolRate = 0; // symbols per second
  std::filesystem::path file;
  std::uint16_t level = 0;   // 0..100
  std::uint16_t quality = 0; // 0..100
  std::chrono::milliseconds lockDelay{0};
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
  std::vector<SkyTransponder> transponders;
};

// Everything Dev_Sim.ini describes: the module's own universal LNB and the satellites.
struct Sky {
  std::string name = "Simulated sky";
  bool fast = false; // play as fast as the consumers take it, once
  std::uint32_t lnbLowKhz = 9750000;
  std::uint32_t lnbHighKhz = 10600000;
  std::vector<SkySatellite> satellites;
};

// Reads the sky; TS files are relative to the file's folder. Empty with `error` set when the
// file cannot be read or a line is wrong.
std::optional<Sky> LoadSky(const std::filesystem::path &path, std::string &error);
std::optional<Sky> ParseSky(const IniFile &ini, const std::filesystem::path &folder,
                            std::string &error);

// "19.2E" -> -19.2, "30W" or "30" -> 30.
std::optional<double> ParseAngle(const std::string &text);

} // namespace qev::sim
