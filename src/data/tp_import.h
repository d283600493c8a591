#pragma once

#include "data/transponder.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

// An entry of an imported file that was not taken, and why.
struct TRefusedEntry {
  int Entry = 0; // 1-based number of the entry in the file
  std::string Text;
  std::string Reason;
};

struct TImportResult {
  std::string Format; // "ini", "tws", "sdx" or "dvbv5"
  std::vector<TTransponder> Imported;
  std::vector<TRefusedEntry> Refused;
  int Entries() const { return static_cast<int>(Imported.size() + Refused.size()); }
};

// The initial-tuning files of dtv-scan-tables: [CHANNEL] blocks of KEY = VALUE lines, or the
// one-line legacy form "S FREQ POL SRATE FEC". Left and right circular polarisation become H
// and V, kHz and MHz, S/s and kS/s are both understood, and entries an LNB cannot receive are
// refused with a reason.
TImportResult ParseDvbv5(std::string_view text);
// By the file's name: ".ini", ".tws", ".sdx", anything else DVBv5. Entries already present
// earlier in the same file are refused as duplicates.
TImportResult ImportTransponderFile(const std::filesystem::path &file, std::string &error);

// Why a transponder cannot be received, or empty when it can.
std::string ReceivableCheck(std::uint32_t freqMHz, std::uint32_t srateKSps);

} // namespace qev::data
