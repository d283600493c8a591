#pragma once

#include "data/sat_rec.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

inline constexpr const char *kErrCreateSatFile = "Error creating satellite storage file.\r\r";
inline constexpr const char *kErrSaveSatFile = "Error saving satellite storage file.\r\r";
inline constexpr const char *kNoSat = "<NoSat>";
inline constexpr const char *kFileMissing = "File missing:\r\r";
inline constexpr const char *kCannotReadFile = "Cannot read file:\r\r";

// "19.2E", "0.8W", 3600 "0.0W"; "ERR" outside 0..3600.
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

  // False when the file is missing (silently) or cannot be read (logged; the file is then not
  // written over in this run). Records with index 0 or an index already taken, and records
  // beyond the 255th, are dropped with a log line each; the first save after such a load keeps
  // the file as it was read beside it as SatList.dat.bak.
  bool SatLoad();
  bool SatSave();
  // The file the list is saved to: the name it was found under, else SatList.dat.
  std::filesystem::path FileName() const;
  // The highest index plus 1; when 255 is taken the lowest free index; 0 when all are taken.
  int SatNextIndex() const;
  // Refused (false) when the list is full, the index is 0 or taken, or another satellite
  // already has the position (two satellites would share one channel file). Without `save`
  // the satellite lives in this list alone (a one-file sky), and the file is left as it is.
  bool SatAdd(const TSatRec &rec, bool save = true);
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
  bool Fail(std::string text);
  void TakeRecords(std::string_view bytes);
  bool KeepBackup();
  bool WriteList();

  std::vector<TSatRec> items_;
  std::array<int, 256> map_{}; // satellite index -> array position + 1; 0 = none
  std::function<void()> onChange_;
  std::filesystem::path foundAs_;
  std::string readError_;
  std::string droppedFrom_; // the file as read, while records it held were dropped
  std::string lastError_;
};

// One line of AllSats.txt: position and name.
struct TKnownSat {
  int Position = 0;
  std::string Name;
};
// Reads the satellite picker's list; false with "File missing:\r\r" + path in error, or
// "Cannot read file:\r\r" + path and the reason when it exists but cannot be read.
bool ReadAllSats(const std::filesystem::path &file, std::vector<TKnownSat> &sats,
                 std::string &error);

} // namespace qev::data
