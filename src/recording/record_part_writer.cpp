#include "recording/record_part_writer.h"

#include "recording/record_name.h"

#include <cerrno>
#include <fmt/format.h>

namespace qev::recording {

namespace {

constexpr int kMaxDuplicates = 99;
// Part numbers taken by files of someone else are skipped, but not forever.
constexpr int kMaxPartProbes = 1000;

} // namespace

TRecordPartWriter::TRecordPartWriter(IRecordFiles &files, TPartWriterSetup setup)
    : files_(files), setup_(std::move(setup)), baseName_(setup_.BaseName) {}

TRecordPartWriter::~TRecordPartWriter() { Close(); }

std::filesystem::path TRecordPartWriter::CurrentPath() const {
  return setup_.Folder / RecFileName(baseName_, partNumber_, setup_.Extension);
}

int TRecordPartWriter::Open() {
  const int tries = setup_.CheckDuplicates ? kMaxDuplicates + 1 : 1;
  int error = EEXIST;
  for (int i = 0; i < tries && error == EEXIST; ++i) {
    baseName_ = i == 0 ? setup_.BaseName : fmt::format("{}_Dup{:02}", setup_.BaseName, i);
    error = CreatePart();
  }
  if (error != 0)
    return Fail(error, "create");
  if (const int tablesError = WriteTables()) {
    files_.Remove(CurrentPath());
    return tablesError;
  }
  created_ = true;
  return 0;
}

int TRecordPartWriter::CreatePart() {
  const int fd = files_.CreateNew(CurrentPath());
  if (fd < 0)
    return -fd;
  fd_ = fd;
  partBytes_ = 0;
  partDataBytes_ = 0;
  return 0;
}

int TRecordPartWriter::NextPart() {
  Close();
  int error = EEXIST;
  for (int i = 0; i < kMaxPartProbes && error == EEXIST; ++i) {
    ++partNumber_;
    error = CreatePart();
  }
  if (error != 0)
    return Fail(error, "create the next part of");
  return WriteTables();
}

int TRecordPartWriter::WriteTables() {
  if (!setup_.Tables)
    return 0;
  const std::vector<std::uint8_t> packets = setup_.Tables->Packets();
  return Append(packets);
}

int TRecordPartWriter::Write(std::span<const std::uint8_t> block) {
  if (fd_ < 0)
    return EBADF;
  const bool tablesDue = setup_.Tables && setup_.Tables->Due();
  const std::int64_t tablesSize = tablesDue ? setup_.Tables->Size() : 0;
  const std::int64_t length = static_cast<std::int64_t>(block.size());
  if (setup_.SplitBytes > 0 && partDataBytes_ > 0 &&
      partBytes_ + tablesSize + length > setup_.SplitBytes) {
    if (const int error = NextPart())
      return error;
  } else if (tablesDue) {
    if (const int error = WriteTables())
      return error;
  }
  if (const int error = Append(block))
    return error;
  partDataBytes_ += length;
  return 0;
}

int TRecordPartWriter::Append(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const long n = files_.Write(fd_, bytes.data() + done, bytes.size() - done);
    if (n == -EINTR)
      continue;
    if (n <= 0) {
      // Whatever of the block reached the file goes again: a player must never meet half a
      // packet.
      files_.Truncate(fd_, partBytes_);
      return Fail(n == 0 ? ENOSPC : static_cast<int>(-n), "write");
    }
    done += static_cast<std::size_t>(n);
  }
  partBytes_ += static_cast<std::int64_t>(bytes.size());
  totalBytes_ += static_cast<std::int64_t>(bytes.size());
  return 0;
}

int TRecordPartWriter::Fail(int error, const char *step) {
  Close();
  failedStep_ = step;
  return error;
}

void TRecordPartWriter::Close() {
  if (fd_ < 0)
    return;
  files_.Close(fd_);
  fd_ = -1;
}

void TRecordPartWriter::Discard() {
  Close();
  if (created_)
    files_.Remove(setup_.Folder / RecFileName(baseName_, 0, setup_.Extension));
}

} // namespace qev::recording
