#pragma once

#include <istream>
#include <string>

#include "transponder.h"

namespace qev::tsgen {

// Reads a transponder from its text description: INI-like blocks ([transponder], [service],
// [stream], [page], [event], [emm], [other], [other_service], [repetition], [flaws]) whose keys
// are listed by `tsgen --help`. A [stream] belongs to the [service] before it, a [page] to the
// teletext [stream] before it, and so on. Errors throw std::invalid_argument naming the line.
class DescriptionFile {
public:
  static Transponder Parse(std::istream &in);
  // A relative `input` is taken from the description's folder.
  static Transponder Load(const std::string &path);
};

} // namespace qev::tsgen
