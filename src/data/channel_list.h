#pragma once

#include "data/channel_rec.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

inline constexpr const char *kErrCreateChannels = "Error creating channels file.\r\r";
inline constexpr const char *kErrSaveChannels = "Error saving channels.\r\r";
inline constexpr const char *kErrOpenChannels = "Error opening (R/W) channels file.\r\r";
inline constexpr const char *kErrSaveChannelAt = "Error saving channel at index ";

struct TMergeCounts {
  int New = 0;
  int Updated = 0;
  int Unchanged = 0;
  int Removed = 0;
};

// One satellite's channels, mirroring its NNNN.bch file: 442-byte records, nothing else.
class TChannelsList {
public:
  TChannelsList(std::uint16_t position, std::uint8_t satIndex);

  std::uint16_t Position() const { return position_; }
  std::uint8_t SatIndex() const { return satIndex_; }
  int Count() const { return static_cast<int>(items_.size()); }
  bool Modified() const { return modified_; }
  const std::vector<TChannelRec> &Items() const { return items_; }
  const TChannelRec &Item(int i) const { return items_[static_cast<std::size_t>(i)]; }
  bool IndexValid(int i) const { return i >= 0 && i < Count(); }
  // The text of the last failed save, also shown in the error box.
  const std::string &LastError() const { return lastError_; }

  // The file the list mirrors: the name it was found under, else NNNN.bch.
  std::filesystem::path ListFileName() const;
  void ListClear();
  // A missing file gives an empty, modified list and false. A file that exists but cannot be
  // read gives an empty, unmodified list, a log line and false, and is never written over by
  // this list. Loading keeps records with equal keys in file order; when sorting moved
  // anything the list counts as modified.
  bool ListLoad();
  // Why the file could not be read at the last load; empty when it could.
  const std::string &ReadError() const { return readError_; }
  // Replaces the file as a whole, so a failure leaves the old file.
  bool ListSaveAll();
  // Rewrites record i in place while the file mirrors the list, else saves the whole list.
  bool ListSaveOne(int i);
  void ListSort();
  int ListFind(std::uint16_t tid, std::uint16_t sid) const;
  int ListFindByName(std::string_view name) const;
  int ListAppend(const TChannelRec &rec);
  void ListAppendAll(const TChannelsList &other);
  // Replaces record i with rec (an edit), leaving the file to ListSaveOne.
  void ListSet(int i, const TChannelRec &rec);
  void ListDelete(int i);
  void ListMarkDeleted(int i);
  void ListCompact();
  void ListSortAllCa();
  void ListSortAllEs();
  void ListPreferredAudioAll(const frame::TPrefLangArray &langs);
  // Merges a finished scan of this satellite; Removed counts the stored records no scanned
  // record matched (only when replacing).
  TMergeCounts ListMerge(std::vector<TChannelRec> scanned, bool replace, double now);

private:
  void Changed(bool positionsMoved);
  bool WriteOne(int i);
  bool Fail(std::string text);

  std::uint16_t position_;
  std::uint8_t satIndex_;
  std::vector<TChannelRec> items_;
  bool modified_ = true;
  // Records 0..fileCount_-1 of the file are those of the list at the same positions.
  int fileCount_ = 0;
  std::filesystem::path foundAs_;
  std::string readError_;
  std::string lastError_;
};

std::string ChannelFileName(std::uint16_t position);

} // namespace qev::data
