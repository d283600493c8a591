#pragma once

#include "kernel_calls.h"

#include <optional>
#include <string>
#include <vector>

namespace qev::linuxdvb {

inline constexpr const char *kDefaultDvbFolder = "/dev/dvb";

// What a frontend says of itself.
struct TFrontendInfo {
  std::string name;
  bool dvbs = false;
  bool dvbs2 = false;
  bool Satellite() const { return dvbs || dvbs2; }
};

// Asks an open frontend for its name and delivery systems (DTV_ENUM_DELSYS, or the frontend
// type and capabilities of kernels before DVB API 5.5); 0 or -errno.
int ReadFrontendInfo(IKernelCalls &kernel, int fd, TFrontendInfo &info);

// One frontend found under the DVB folder; `error` is the -errno of opening or asking it.
struct TFrontendEntry {
  int adapter = 0;
  int frontend = 0;
  TFrontendInfo info;
  int error = 0;
};

std::string AdapterFolder(const std::string &dvbFolder, int adapter);
std::string DevicePath(const std::string &dvbFolder, int adapter, const std::string &kind,
                       int index);
// "adapter0/frontend1".
std::string EntryName(int adapter, int frontend);
// The number after `prefix` in a name like "adapter12"; nothing when the rest is not a number.
std::optional<int> NumberAfter(const std::string &name, const std::string &prefix);

// Every frontend of every adapter in the folder, in adapter and frontend order; each is opened
// read-only, which never disturbs a program that tunes it.
std::vector<TFrontendEntry> ListFrontends(IKernelCalls &kernel, const std::string &dvbFolder);
// "adapter0/frontend0: STV090x Multistandard (DVB-S, DVB-S2)".
std::string DescribeEntry(const TFrontendEntry &entry);

} // namespace qev::linuxdvb
