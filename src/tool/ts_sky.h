#pragma once

#include "data/sat_rec.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace qev::tool {

// A sky of one satellite and one transponder that plays a single transport-stream file once,
// as fast as the filters take it, or paced by its PCR and looped: the simulator module linked
// into a temporary folder beside the sky file made for it. The folder goes when the object
// does.
class TTsSky {
public:
  static constexpr std::uint32_t kFrequency = 12'000'000; // kHz
  static constexpr char kPolarisation = 'H';
  static constexpr std::uint32_t kSymbolRate = 27'500'000;

  // An error text names what is missing; ModuleFile() is empty then.
  TTsSky(const std::filesystem::path &tsFile, const std::filesystem::path &simulatorModule,
         bool paced = false);
  ~TTsSky();
  TTsSky(const TTsSky &) = delete;
  TTsSky &operator=(const TTsSky &) = delete;

  const std::string &Error() const { return error_; }
  const std::filesystem::path &ModuleFile() const { return module_; }
  const std::filesystem::path &TsFile() const { return tsFile_; }
  // The satellite a tune must use: the sky's own LNB, no DiSEqC.
  data::TSatRec Satellite() const;

private:
  std::filesystem::path tsFile_;
  std::filesystem::path folder_;
  std::filesystem::path module_;
  std::string error_;
};

} // namespace qev::tool
