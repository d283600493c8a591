#include "frame/process_flags.h"

namespace qev::frame {

ProcessFlags& Flags() {
  static ProcessFlags flags;
  return flags;
}

} // namespace qev::frame
