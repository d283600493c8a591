#pragma once

#include "recording/record_files.h"
#include "recording/service_tables.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace qev::recording {

struct TPartWriterSetup {
  std::filesystem::path Folder;
  std::string BaseName;  // fitted (FitBaseName)
  std::string Extension; // with its dot
  bool CheckDuplicates = true;
  std::int64_t SplitBytes = 0;            // 0: one file
  std::unique_ptr<TServiceTables> Tables; // null: nothing is added
};

// The files of one recording. Blocks are appended whole, never divided between two parts and
// never left torn in a file: a failed write is cut back to the last whole block. Not
// thread-safe: the recorder holds the slot's own lock around every call.
class TRecordPartWriter {
public:
  TRecordPartWriter(IRecordFiles &files, TPartWriterSetup setup);
  ~TRecordPartWriter();
  TRecordPartWriter(const TRecordPartWriter &) = delete;
  TRecordPartWriter &operator=(const TRecordPartWriter &) = delete;

  // Creates the first file. Creating a new file is itself the test for a name in use: with the
  // duplicate check "_Dup01" to "_Dup99" are tried, without it a taken name fails; an existing
  // file is never written over. 0, or the errno of the failure.
  int Open();
  // Appends one block, starting the next part first when the block would pass the split size
  // and the current part holds data. 0, or the errno that ended the recording (the writer is
  // then closed and writes nothing more).
  int Write(std::span<const std::uint8_t> block);
  void Close();
  // Closes and deletes the first file (a start that failed after the open).
  void Discard();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string &BaseName() const { return baseName_; }
  const std::string &Extension() const { return setup_.Extension; }
  int PartNumber() const { return partNumber_; }
  std::int64_t TotalBytes() const { return totalBytes_; }
  std::filesystem::path CurrentPath() const;
  // What went wrong last, for the log line.
  const std::string &FailedStep() const { return failedStep_; }

private:
  int CreatePart();
  int NextPart();
  int WriteTables();
  int Append(std::span<const std::uint8_t> bytes);
  int Fail(int error, const char *step);

  IRecordFiles &files_;
  TPartWriterSetup setup_;
  std::string baseName_;
  int fd_ = -1;
  bool created_ = false;
  int partNumber_ = 0;
  std::int64_t partBytes_ = 0;
  std::int64_t partDataBytes_ = 0;
  std::int64_t totalBytes_ = 0;
  std::string failedStep_;
};

} // namespace qev::recording
