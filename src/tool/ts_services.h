#pragma once

#include "data/channel_rec.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qev::tool {

// The services of a transport-stream file as channel records of the --ts sky's satellite and
// transponder: PIDs and languages from the PAT and PMTs, names and type from the SDT, in PAT
// order. Reads from the start of the file until every table is complete or the limit is
// reached. `error` says why nothing was found (the file cannot be read, no PAT).
std::vector<data::TChannelRec> ReadTsServices(const std::filesystem::path &file,
                                              std::uint8_t satIndex, std::string &error);

} // namespace qev::tool
