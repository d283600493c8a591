#pragma once

#include <string>
#include <vector>

namespace qev::video {

// What CheckFilterRegistration answers for a class id.
inline constexpr int kFilterUsable = 0;
inline constexpr int kFilterClassMissing = -1;   // no such class (factory) is known
inline constexpr int kFilterCannotLoad = -2;     // known, but its library cannot be loaded
inline constexpr int kFilterLibraryMissing = -3; // its library file is gone
inline constexpr int kFilterNoClassId = -9;

struct TFilterRegistration {
  int Status = kFilterNoClassId;
  std::string ClassName;   // when the class is known
  std::string LibraryPath; // when the class is known; empty for filters built into the program
};

// What RegisterFilterLibrary answers.
inline constexpr int kRegisterOk = 0;
inline constexpr int kRegisterCannotLoad = -1;
inline constexpr int kRegisterNoEntry = -2;
inline constexpr int kRegisterFailed = -3;

// A filter the system offers for a kind, as the picker lists it.
struct TSystemFilter {
  std::string ClassId;
  std::string Name;
  bool operator==(const TSystemFilter &) const = default;
};

struct TFilterPins {
  std::vector<std::string> Inputs, Outputs;
  bool Listed = false; // false: the filter could not be made, so its pins are unknown
};

// The platform's catalogue of filters: on this system the media framework's registry. The
// windows and the AutoGraph writer reach it only through this seam, so tests run on a fake.
class IFilterRegistry {
public:
  virtual ~IFilterRegistry() = default;
  virtual TFilterRegistration CheckFilterRegistration(const std::string &classId) = 0;
  virtual int RegisterFilterLibrary(const std::string &libraryFile) = 0;
  // The system's filters of a kind (1..6), sorted by name.
  virtual std::vector<TSystemFilter> ListFilters(int kind) = 0;
  virtual TFilterPins ListPins(const std::string &classId) = 0;
  // "name: value" lines of the filter's settings; empty when it has none.
  virtual std::vector<std::string> DescribeProperties(const std::string &classId) = 0;
};

} // namespace qev::video
