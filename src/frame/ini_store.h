#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

namespace qev::frame {

// What a store gives when it is read.
struct TIniSource {
  std::string Text; // empty when there is nothing to read
  // The source exists but could not be read; it must then not be written over.
  bool Unreadable = false;
  std::string Error; // why, when this read found it out (empty when known before)
};

// Where the text of a settings file comes from and goes to.
class TIniStore {
public:
  virtual ~TIniStore() = default;
  virtual TIniSource Load() = 0;
  // Replaces the whole text; returns an error text, empty on success.
  virtual std::string Store(std::string_view text) = 0;
};

// A file on disk, found in another letter case when needed and replaced atomically. A file that
// could not be read once is not read again in the run.
class TIniFileStore : public TIniStore {
public:
  explicit TIniFileStore(std::filesystem::path path) : path_(std::move(path)) {}
  TIniSource Load() override;
  std::string Store(std::string_view text) override;

private:
  std::filesystem::path path_;
};

// A stream held in memory (a transponder list received from the network, for one).
class TIniStreamStore : public TIniStore {
public:
  explicit TIniStreamStore(std::stringstream &stream) : stream_(stream) {}
  TIniSource Load() override;
  std::string Store(std::string_view text) override;

private:
  std::stringstream &stream_;
};

} // namespace qev::frame
