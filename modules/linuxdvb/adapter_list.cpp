#include "adapter_list.h"

#include <fmt/format.h>

#include <sys/ioctl.h>

#include <linux/dvb/frontend.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>

namespace qev::linuxdvb {

namespace {

void ReadDeliverySystems(IKernelCalls &kernel, int fd, const dvb_frontend_info &legacy,
                         TFrontendInfo &info) {
  dtv_property property{};
  property.cmd = DTV_ENUM_DELSYS;
  dtv_properties properties{1, &property};
  if (kernel.Ioctl(fd, FE_GET_PROPERTY, &properties) == 0) {
    const std::uint32_t count =
        std::min<std::uint32_t>(property.u.buffer.len, sizeof property.u.buffer.data);
    for (std::uint32_t i = 0; i < count; ++i) {
      info.dvbs = info.dvbs || property.u.buffer.data[i] == SYS_DVBS;
      info.dvbs2 = info.dvbs2 || property.u.buffer.data[i] == SYS_DVBS2;
    }
    return;
  }
  info.dvbs = legacy.type == FE_QPSK;
  info.dvbs2 = info.dvbs && (legacy.caps & FE_CAN_2G_MODULATION) != 0;
}

std::vector<int> NumberedNames(const std::vector<std::string> &names, const std::string &prefix) {
  std::vector<int> numbers;
  for (const std::string &name : names)
    if (const auto number = NumberAfter(name, prefix))
      numbers.push_back(*number);
  std::ranges::sort(numbers);
  return numbers;
}

TFrontendEntry ProbeFrontend(IKernelCalls &kernel, const std::string &dvbFolder, int adapter,
                             int frontend) {
  TFrontendEntry entry{adapter, frontend, {}, 0};
  const int fd =
      kernel.Open(DevicePath(dvbFolder, adapter, "frontend", frontend), O_RDONLY | O_NONBLOCK);
  if (fd < 0) {
    entry.error = fd;
    return entry;
  }
  entry.error = ReadFrontendInfo(kernel, fd, entry.info);
  kernel.Close(fd);
  return entry;
}

} // namespace

int ReadFrontendInfo(IKernelCalls &kernel, int fd, TFrontendInfo &info) {
  dvb_frontend_info legacy{};
  if (const int result = kernel.Ioctl(fd, FE_GET_INFO, &legacy); result < 0)
    return result;
  info.name.assign(legacy.name, strnlen(legacy.name, sizeof legacy.name));
  ReadDeliverySystems(kernel, fd, legacy, info);
  return 0;
}

std::string AdapterFolder(const std::string &dvbFolder, int adapter) {
  return fmt::format("{}/adapter{}", dvbFolder, adapter);
}

std::string DevicePath(const std::string &dvbFolder, int adapter, const std::string &kind,
                       int index) {
  return fmt::format("{}/{}{}", AdapterFolder(dvbFolder, adapter), kind, index);
}

std::string EntryName(int adapter, int frontend) {
  return fmt::format("adapter{}/frontend{}", adapter, frontend);
}

std::optional<int> NumberAfter(const std::string &name, const std::string &prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
    return std::nullopt;
  int number = 0;
  const char *first = name.data() + prefix.size();
  const char *last = name.data() + name.size();
  const auto [end, error] = std::from_chars(first, last, number);
  if (error != std::errc{} || end != last || number < 0)
    return std::nullopt;
  return number;
}

std::vector<TFrontendEntry> ListFrontends(IKernelCalls &kernel, const std::string &dvbFolder) {
  std::vector<TFrontendEntry> entries;
  std::vector<std::string> names;
  if (kernel.ListDirectory(dvbFolder, names) < 0)
    return entries;
  for (const int adapter : NumberedNames(names, "adapter")) {
    std::vector<std::string> devices;
    if (kernel.ListDirectory(AdapterFolder(dvbFolder, adapter), devices) < 0)
      continue;
    for (const int frontend : NumberedNames(devices, "frontend"))
      entries.push_back(ProbeFrontend(kernel, dvbFolder, adapter, frontend));
  }
  return entries;
}

std::string DescribeEntry(const TFrontendEntry &entry) {
  const std::string where = EntryName(entry.adapter, entry.frontend);
  if (entry.error < 0)
    return fmt::format("{}: cannot open: {}", where, std::strerror(-entry.error));
  std::string systems;
  if (entry.info.dvbs)
    systems = "DVB-S";
  if (entry.info.dvbs2)
    systems += systems.empty() ? "DVB-S2" : ", DVB-S2";
  return fmt::format("{}: {} ({})", where, entry.info.name,
                     systems.empty() ? "no DVB-S/S2" : systems);
}

} // namespace qev::linuxdvb
