#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

namespace qev::frame {

// Where the text of a settings file comes from and goes to.
class TIniStore {
public:
  virtual ~TIniStore() = default;
  // The whole text; empty when there is nothing to read.
  virtual std::string Load() = 0;
  // Replaces the whole text; returns an error text, empty on success.
  virtual std::string Store(std::string_view text) = 0;
};

// A file on disk, found in another letter case when needed and replaced atomically.
class TIniFileStore : public TIniStore {
public:
  explicit TIniFileStore(std::filesystem::path path) : path_(std::move(path)) {}
  std::string Load() override;
  std::string Store(std::string_view text) override;

private:
  std::filesystem::path path_;
};

// A stream held in memory (a transponder list received from the network, for one).
class TIniStreamStore : public TIniStore {
public:
  explicit TIniStreamStore(std::stringstream &stream) : stream_(stream) {}
  std::string Load() override;
  std::string Store(std::string_view text) override;

private:
  std::stringstream &stream_;
};

} // namespace qev::frame
