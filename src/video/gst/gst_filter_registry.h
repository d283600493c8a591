#pragma once

#include "video/filter_registry.h"

#include <string_view>

namespace qev::video::gst {

// The element-factory class ("Codec/Decoder/Video", "Sink/Audio", ...) that puts a factory into
// a kind's group; false for kinds outside 1..6.
bool ClassFitsKind(std::string_view klass, int kind);

// Filters as GStreamer knows them: a class id is an element factory's name (or one of the
// program's own aliases), its library the plugin file the factory comes from.
//   factory unknown -> kFilterClassMissing, plugin file gone -> kFilterLibraryMissing,
//   factory known but its plugin cannot be loaded -> kFilterCannotLoad.
// Registering a library loads it as a plugin: -1 it cannot be opened, -2 it is no GStreamer
// plugin (it lacks the plugin description), -3 GStreamer refused it.
class TGstFilterRegistry final : public IFilterRegistry {
public:
  TFilterRegistration CheckFilterRegistration(const std::string &classId) override;
  int RegisterFilterLibrary(const std::string &libraryFile) override;
  std::vector<TSystemFilter> ListFilters(int kind) override;
  TFilterPins ListPins(const std::string &classId) override;
  std::vector<std::string> DescribeProperties(const std::string &classId) override;
};

} // namespace qev::video::gst
