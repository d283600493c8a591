#include "linuxdvb/fake_kernel.h"

#include <fmt/format.h>

#include <linux/dvb/dmx.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace qev::linuxdvb::test {

namespace {

std::string PropertyName(std::uint32_t command) {
  switch (command) {
  case DTV_CLEAR:
    return "CLEAR";
  case DTV_TUNE:
    return "TUNE";
  case DTV_DELIVERY_SYSTEM:
    return "DELIVERY_SYSTEM";
  case DTV_FREQUENCY:
    return "FREQUENCY";
  case DTV_SYMBOL_RATE:
    return "SYMBOL_RATE";
  case DTV_INNER_FEC:
    return "INNER_FEC";
  case DTV_INVERSION:
    return "INVERSION";
  case DTV_MODULATION:
    return "MODULATION";
  case DTV_PILOT:
    return "PILOT";
  case DTV_ROLLOFF:
    return "ROLLOFF";
  case DTV_ENUM_DELSYS:
    return "ENUM_DELSYS";
  case DTV_STAT_SIGNAL_STRENGTH:
    return "STAT_SIGNAL_STRENGTH";
  case DTV_STAT_CNR:
    return "STAT_CNR";
  default:
    return fmt::format("#{}", command);
  }
}

std::string SystemName(std::uint32_t system) {
  return system == SYS_DVBS ? "DVB-S" : system == SYS_DVBS2 ? "DVB-S2" : fmt::format("{}", system);
}

} // namespace

FakeKernel::FakeKernel(std::string dvbFolder) : dvbFolder_(std::move(dvbFolder)) {
  if (::pipe2(pipe_, O_CLOEXEC) == 0)
    ::fcntl(pipe_[0], F_SETFL, O_NONBLOCK);
}

FakeKernel::~FakeKernel() {
  for (const int fd : pipe_)
    if (fd >= 0)
      ::close(fd);
}

void FakeKernel::CloseDvrWriteEnd() {
  std::lock_guard lock(mutex_);
  if (pipe_[1] >= 0)
    ::close(pipe_[1]);
  pipe_[1] = -1;
}

void FakeKernel::AddAdapter(int adapter, int frontend, FakeFrontend info) {
  std::lock_guard lock(mutex_);
  for (const char *kind : {"frontend", "demux", "dvr"})
    nodes_[fmt::format("{}/adapter{}/{}{}", dvbFolder_, adapter, kind, frontend)] =
        Node{kind, adapter, frontend};
  frontends_[{adapter, frontend}] = std::move(info);
}

FakeFrontend &FakeKernel::Frontend(int adapter, int frontend) {
  std::lock_guard lock(mutex_);
  return frontends_.at({adapter, frontend});
}

void FakeKernel::Fail(const std::string &call, int error) {
  std::lock_guard lock(mutex_);
  if (error == 0)
    failures_.erase(call);
  else
    failures_[call] = error;
}

void FakeKernel::OverflowNextRead() {
  std::lock_guard lock(mutex_);
  overflowNext_ = true;
}

std::vector<std::string> FakeKernel::Journal() const {
  std::lock_guard lock(mutex_);
  return journal_;
}

void FakeKernel::ClearJournal() {
  std::lock_guard lock(mutex_);
  journal_.clear();
}

std::size_t FakeKernel::OpenCount() const {
  std::lock_guard lock(mutex_);
  return open_.size();
}

// Under mutex_: journals the call; -error when it is to fail, else 0.
int FakeKernel::Record(const std::string &entry) {
  journal_.push_back(entry);
  auto found = failures_.find(entry);
  if (found == failures_.end())
    found = failures_.find(entry.substr(0, entry.find(' ')));
  return found == failures_.end() ? 0 : -found->second;
}

int FakeKernel::Open(const std::string &path, int flags) {
  std::lock_guard lock(mutex_);
  const std::string shortPath =
      path.starts_with(dvbFolder_ + "/") ? path.substr(dvbFolder_.size() + 1) : path;
  const bool writes = (flags & O_ACCMODE) != O_RDONLY;
  const std::string entry = fmt::format("open {} {}", shortPath, writes ? "rw" : "ro");
  if (const int error = Record(entry); error < 0)
    return error;
  if (const auto failure = failures_.find("open " + shortPath); failure != failures_.end())
    return -failure->second;
  const auto node = nodes_.find(path);
  if (node == nodes_.end())
    return -ENOENT;
  const int fd = nextFd_++;
  open_[fd] = node->second;
  return fd;
}

int FakeKernel::Close(int fd) {
  std::lock_guard lock(mutex_);
  const auto node = open_.find(fd);
  if (node == open_.end())
    return -EBADF;
  Record(fmt::format("close adapter{}/{}{}", node->second.adapter, node->second.kind,
                     node->second.index));
  open_.erase(node);
  return 0;
}

int FakeKernel::Ioctl(int fd, unsigned long request, void *arg) {
  std::lock_guard lock(mutex_);
  const auto node = open_.find(fd);
  if (node == open_.end())
    return -EBADF;
  if (node->second.kind == "frontend")
    return FrontendIoctl(node->second, request, arg);
  if (node->second.kind == "demux")
    return DemuxIoctl(request, arg);
  return Record(fmt::format("ioctl {:#x} on dvr", request)) < 0 ? -EIO : -ENOTTY;
}

std::string FakeKernel::DescribeProperties(const dtv_properties &properties, bool values) const {
  std::string text;
  for (std::uint32_t i = 0; i < properties.num; ++i) {
    const dtv_property &p = properties.props[i];
    text += " " + PropertyName(p.cmd);
    if (p.cmd == DTV_DELIVERY_SYSTEM)
      text += "=" + SystemName(p.u.data);
    else if (values && p.cmd != DTV_CLEAR && p.cmd != DTV_TUNE)
      text += fmt::format("={}", p.u.data);
  }
  return text;
}

// Under mutex_.
int FakeKernel::FrontendIoctl(const Node &node, unsigned long request, void *arg) {
  const FakeFrontend &info = frontends_.at({node.adapter, node.index});
  Tuned &tuned = tuned_[{node.adapter, node.index}];
  const bool locked = info.locksWith.contains(tuned.system);
  switch (request) {
  case FE_GET_INFO: {
    auto *out = static_cast<dvb_frontend_info *>(arg);
    *out = {};
    std::strncpy(out->name, info.name.c_str(), sizeof out->name - 1);
    const bool satellite = std::ranges::count(info.systems, SYS_DVBS) > 0;
    out->type = satellite ? FE_QPSK : FE_OFDM;
    out->caps = std::ranges::count(info.systems, SYS_DVBS2) > 0 ? FE_CAN_2G_MODULATION
                                                                : static_cast<fe_caps>(0);
    return Record("FE_GET_INFO");
  }
  case FE_GET_PROPERTY: {
    auto *properties = static_cast<dtv_properties *>(arg);
    if (const int error = Record("FE_GET_PROPERTY" + DescribeProperties(*properties, false));
        error < 0)
      return error;
    for (std::uint32_t i = 0; i < properties->num; ++i) {
      dtv_property &p = properties->props[i];
      p.result = 0;
      if (p.cmd == DTV_ENUM_DELSYS) {
        if (!info.enumDelsys)
          return -EINVAL;
        p.u.buffer.len = static_cast<std::uint32_t>(info.systems.size());
        std::ranges::copy(info.systems, p.u.buffer.data);
      } else if (p.cmd == DTV_STAT_SIGNAL_STRENGTH || p.cmd == DTV_STAT_CNR) {
        p.u.st.len = 1;
        p.u.st.stat[0] = p.cmd == DTV_STAT_CNR ? info.cnr : info.strength;
      } else if (p.cmd == DTV_DELIVERY_SYSTEM) {
        p.u.data = tuned.system;
      } else if (p.cmd == DTV_MODULATION) {
        p.u.data = tuned.system == SYS_DVBS2 ? info.lockedModulation : std::uint32_t{QPSK};
      }
    }
    return 0;
  }
  case FE_SET_PROPERTY: {
    const auto *properties = static_cast<const dtv_properties *>(arg);
    if (const int error = Record("FE_SET_PROPERTY" + DescribeProperties(*properties, true));
        error < 0)
      return error;
    for (std::uint32_t i = 0; i < properties->num; ++i)
      if (properties->props[i].cmd == DTV_DELIVERY_SYSTEM)
        tuned.system = properties->props[i].u.data;
    return 0;
  }
  case FE_READ_STATUS:
    *static_cast<fe_status_t *>(arg) = tuned.system == 0
                                           ? static_cast<fe_status_t>(0)
                                           : (locked ? info.lockedBits : info.unlockedBits);
    return Record("FE_READ_STATUS");
  case FE_READ_SIGNAL_STRENGTH:
    *static_cast<std::uint16_t *>(arg) = info.legacyStrength;
    return Record("FE_READ_SIGNAL_STRENGTH");
  case FE_READ_SNR:
    *static_cast<std::uint16_t *>(arg) = info.legacySnr;
    return Record("FE_READ_SNR");
  case FE_DISEQC_SEND_MASTER_CMD: {
    const auto *command = static_cast<const dvb_diseqc_master_cmd *>(arg);
    std::string bytes;
    for (int i = 0; i < command->msg_len && i < 6; ++i)
      bytes += fmt::format(" {:02X}", command->msg[i]);
    return Record("FE_DISEQC_SEND_MASTER_CMD" + bytes);
  }
  default:
    return Record(fmt::format("frontend ioctl {:#x}", request)) < 0 ? -EIO : -ENOTTY;
  }
}

// Under mutex_.
int FakeKernel::DemuxIoctl(unsigned long request, void *arg) {
  switch (request) {
  case DMX_SET_PES_FILTER: {
    const auto *params = static_cast<const dmx_pes_filter_params *>(arg);
    const bool tap = params->output == DMX_OUT_TS_TAP && params->input == DMX_IN_FRONTEND &&
                     (params->flags & DMX_IMMEDIATE_START) != 0;
    return Record(fmt::format("DMX_SET_PES_FILTER {:#06x}{}", params->pid,
                              tap ? "" : " (not a started TS tap)"));
  }
  case DMX_ADD_PID:
    return Record(fmt::format("DMX_ADD_PID {:#06x}", *static_cast<const std::uint16_t *>(arg)));
  case DMX_REMOVE_PID:
    return Record(fmt::format("DMX_REMOVE_PID {:#06x}", *static_cast<const std::uint16_t *>(arg)));
  default:
    return Record(fmt::format("demux ioctl {:#x}", request)) < 0 ? -EIO : -ENOTTY;
  }
}

int FakeKernel::IoctlValue(int fd, unsigned long request, unsigned long value) {
  std::lock_guard lock(mutex_);
  if (!open_.contains(fd))
    return -EBADF;
  switch (request) {
  case FE_SET_VOLTAGE:
    return Record(fmt::format("FE_SET_VOLTAGE {}", value == SEC_VOLTAGE_13   ? "13"
                                                   : value == SEC_VOLTAGE_18 ? "18"
                                                                             : "off"));
  case FE_SET_TONE:
    return Record(fmt::format("FE_SET_TONE {}", value == SEC_TONE_ON ? "on" : "off"));
  case FE_DISEQC_SEND_BURST:
    return Record(fmt::format("FE_DISEQC_SEND_BURST {}", value == SEC_MINI_A ? "A" : "B"));
  case DMX_STOP:
    return Record("DMX_STOP");
  case DMX_SET_BUFFER_SIZE:
    return Record(fmt::format("DMX_SET_BUFFER_SIZE {}", value));
  default:
    return Record(fmt::format("ioctl {:#x} {}", request, value)) < 0 ? -EIO : -ENOTTY;
  }
}

long FakeKernel::Read(int fd, void *buffer, std::size_t size) {
  int source = -1;
  {
    std::lock_guard lock(mutex_);
    if (!open_.contains(fd) || open_[fd].kind != "dvr")
      return -EBADF;
    if (const auto failure = failures_.find("read"); failure != failures_.end())
      return -failure->second;
    if (std::exchange(overflowNext_, false))
      return -EOVERFLOW;
    source = pipe_[0];
  }
  const ssize_t count = ::read(source, buffer, size);
  return count >= 0 ? count : -errno;
}

int FakeKernel::Poll(pollfd *fds, nfds_t count, int timeoutMs) {
  std::vector<pollfd> real(fds, fds + count);
  {
    std::lock_guard lock(mutex_);
    for (pollfd &p : real) {
      if (!open_.contains(p.fd))
        return -EBADF;
      p.fd = open_[p.fd].kind == "dvr" ? pipe_[0] : -1;
    }
  }
  const int ready = ::poll(real.data(), count, timeoutMs);
  for (nfds_t i = 0; i < count; ++i)
    fds[i].revents = real[i].revents;
  return ready >= 0 ? ready : -errno;
}

int FakeKernel::ListDirectory(const std::string &path, std::vector<std::string> &names) {
  std::lock_guard lock(mutex_);
  names.clear();
  const std::string prefix = path + "/";
  for (const auto &[nodePath, node] : nodes_) {
    if (!nodePath.starts_with(prefix))
      continue;
    const std::string rest = nodePath.substr(prefix.size());
    const std::string name = rest.substr(0, rest.find('/'));
    if (std::ranges::find(names, name) == names.end())
      names.push_back(name);
  }
  return names.empty() ? -ENOENT : 0;
}

void FakeKernel::Sleep(int milliseconds) {
  std::lock_guard lock(mutex_);
  Record(fmt::format("sleep {}", milliseconds));
}

} // namespace qev::linuxdvb::test
