#include "video/graph_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Binary graph files come from anywhere; the scan must stay inside the bytes it is given.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  (void)qev::video::ScanGrf(std::string_view(reinterpret_cast<const char *>(data), size));
  return 0;
}
