#pragma once

#include "data/sat_rec.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qev::data {

inline constexpr const char *kErrCreateSatFile = "Error creating satellite storage file.\r\r";
inline constexpr const char *kErrSaveSatFile = "Error saving satellite storage file.\r\r";
inline constexpr const char *kNoSat = "<NoSat>";

// "19.2E", "0.8W"; "ERR" outside 0..3599.
std::string PositionText(int position);

// The satellites of SatList.dat, kept sorted by dish group and position, with a map from
// satellite index to array position.
class TSatList {
public:
  // Runs after every change that may open or close channel lists.
  void SetChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }

  int Count() const { return static_cast<int>(items_.size()); }
  const TSatRec &At(int position) const { return items_[static_cast<std::size_t>(position)]; }
  const std::vector<TSatRec> &Items() const { return items_; }
  const std::string &LastError() const { return lastError_; }

  // Silently false when the file cannot be read. Records with index 0 or an index already
  // taken are dropped.
  bool SatLoad();
  bool SatSave();
  // The highest index plus 1; when 255 is taken the lowest free index; 0 when all are taken.
  int SatNextIndex() const;
  // Refused (false) when the list is full, the index is 0 or taken, or another satellite
  // already has the position (two satellites would share one channel file).
  bool SatAdd(const TSatRec &rec);
  bool SatModify(int position, const TSatRec &rec);
  bool SatDelete(int position);
  bool SatSetActive(int position, bool active, bool oneSatMobDish);
  bool SatGet(int index, TSatRec &rec) const;
  std::string SatPosTextOf(int index) const;
  // True when a satellite other than the one with index except has this position.
  bool PositionTaken(int satPos, int except) const;

private:
  void SortAndMap();
  bool SaveAndAnnounce();

  std::vector<TSatRec> items_;
  std::array<int, 256> map_{}; // satellite index -> array position + 1; 0 = none
  std::function<void()> onChange_;
  std::string lastError_;
};

// One line of AllSats.txt: position and name.
struct TKnownSat {
  int Position = 0;
  std::string Name;
};
// Reads the satellite picker's list; false with "File missing:\r\r" + path in error.
bool ReadAllSats(const std::filesystem::path &file, std::vector<TKnownSat> &sats,
                 std::string &error);

} // namespace qev::data
