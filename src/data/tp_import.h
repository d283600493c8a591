#pragma once

#include "data/transponder.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

class TSatTransponders;

// Where an entry stands in its file: its 1-based number among the entries and the line it
// starts on (0 when the format has no lines to count, as with a SATCODX file's transponders).
struct TEntryPlace {
  int Entry = 0;
  int Line = 0;
};

// An entry of an imported file that was not taken, and why.
struct TRefusedEntry {
  TEntryPlace Place;
  std::string Text;
  std::string Reason;
};

struct TImportedEntry {
  TEntryPlace Place;
  TTransponder Tp{};
};

struct TImportResult {
  std::string Format; // "ini", "tws", "sdx" or "dvbv5"
  std::vector<TImportedEntry> Imported;
  std::vector<TRefusedEntry> Refused;
  int Entries() const { return static_cast<int>(Imported.size() + Refused.size()); }
};

// The initial-tuning files of dtv-scan-tables: [CHANNEL] blocks of KEY = VALUE lines, or the
// one-line legacy form "S FREQ POL SRATE FEC". Left and right circular polarisation become H
// and V, kHz and MHz, S/s and kS/s are both understood, and entries an LNB cannot receive are
// refused with a reason.
TImportResult ParseDvbv5(std::string_view text);
// The blind-list form, one entry per line; lines that are not an entry are refused.
TImportResult ParseTwsImport(std::string_view text);
// A transponder list INI; false in ok when it names no position (an invalid file). Entries
// that are not frequency, polarisation and symbol rate are refused with their lines.
TImportResult ParseIniImport(std::string_view text, bool &ok);
// By the file's name: ".ini", ".tws", ".sdx", anything else DVBv5. Entries already present
// earlier in the same file are refused as duplicates. Never throws; a file that cannot be read
// gives an error text.
TImportResult ImportTransponderFile(const std::filesystem::path &file, std::string &error);

// Adds the imported entries that the list does not hold yet and moves the others to the
// refused ones ("already in the list"), which stay in entry order; n log n. Returns how many
// were added.
int AddImported(TSatTransponders &list, TImportResult &result);

// Why a transponder cannot be received, or empty when it can.
std::string ReceivableCheck(std::uint32_t freqMHz, std::uint32_t srateKSps);

} // namespace qev::data
