#pragma once

#include "video/filter_registry.h"

#include <map>
#include <string>
#include <vector>

namespace qev::test {

// A filter catalogue held in maps: unknown classes are missing, others answer what was set.
class TFakeFilterRegistry final : public video::IFilterRegistry {
public:
  void Set(const std::string &classId, int status, std::string library = "/usr/lib/x.so") {
    classes_[classId] = {status, classId + " class", std::move(library)};
  }
  void SetRegisterResult(int code) { registerResult_ = code; }

  video::TFilterRegistration CheckFilterRegistration(const std::string &classId) override {
    if (classId.empty())
      return {};
    const auto found = classes_.find(classId);
    if (found == classes_.end())
      return {video::kFilterClassMissing, "", ""};
    return found->second;
  }
  int RegisterFilterLibrary(const std::string &libraryFile) override {
    registered.push_back(libraryFile);
    return registerResult_;
  }
  std::vector<video::TSystemFilter> ListFilters(int kind) override { return byKind[kind]; }
  video::TFilterPins ListPins(const std::string &classId) override { return pins[classId]; }
  std::vector<std::string> DescribeProperties(const std::string &classId) override {
    return properties[classId];
  }

  std::vector<std::string> registered;
  std::map<int, std::vector<video::TSystemFilter>> byKind;
  std::map<std::string, video::TFilterPins> pins;
  std::map<std::string, std::vector<std::string>> properties;

private:
  std::map<std::string, video::TFilterRegistration> classes_;
  int registerResult_ = video::kRegisterOk;
};

} // namespace qev::test
