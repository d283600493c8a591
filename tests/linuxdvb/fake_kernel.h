#pragma once

#include "kernel_calls.h"

#include <linux/dvb/frontend.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qev::linuxdvb::test {

// A statistic as a frontend reports it.
inline dtv_stats Stat(std::uint8_t scale, long long value = 0) {
  dtv_stats stat{};
  stat.scale = scale;
  if (scale == FE_SCALE_RELATIVE)
    stat.uvalue = static_cast<std::uint64_t>(value);
  else
    stat.svalue = value;
  return stat;
}

// A frontend as the fake kernel shows it.
struct FakeFrontend {
  std::string name = "Fake DVB-S/S2 Frontend";
  std::vector<std::uint8_t> systems{SYS_DVBS, SYS_DVBS2};
  // The delivery systems a tune locks with; status bits while locked and while not.
  std::set<std::uint32_t> locksWith{SYS_DVBS};
  fe_status_t lockedBits = static_cast<fe_status_t>(0x1F);
  fe_status_t unlockedBits = static_cast<fe_status_t>(FE_HAS_SIGNAL);
  // The DVBv5 statistics (scale FE_SCALE_NOT_AVAILABLE: not measured) and the older readings.
  dtv_stats strength = Stat(FE_SCALE_DECIBEL, -45000);
  dtv_stats cnr = Stat(FE_SCALE_DECIBEL, 12000);
  std::uint16_t legacyStrength = 0x8000;
  std::uint16_t legacySnr = 0x4000;
  bool enumDelsys = true;             // false: a kernel before DVB API 5.5
  std::uint32_t lockedModulation = 9; // PSK_8
};

// The kernel of a machine with DVB adapters, for the module's tests. Every call that reaches a
// device is written to a journal in a short form ("FE_SET_TONE off"); the dvr device reads
// from a real pipe that the test writes the transport stream into. Calls named in Fail answer
// with that error. Sleeps are journaled and return at once. Reads and polls are not journaled.
class FakeKernel final : public IKernelCalls {
public:
  explicit FakeKernel(std::string dvbFolder = "/dev/dvb");
  ~FakeKernel() override;

  // Adds adapterN with frontendM, demuxM and dvrM.
  void AddAdapter(int adapter, int frontend = 0, FakeFrontend info = {});
  FakeFrontend &Frontend(int adapter, int frontend = 0);
  // The journal entry (or its first word, e.g. "FE_SET_TONE", or "open <path>", or "read")
  // that fails with -error from now on; error 0 lets it pass again.
  void Fail(const std::string &call, int error);
  // Makes the next dvr read answer -EOVERFLOW.
  void OverflowNextRead();

  std::vector<std::string> Journal() const;
  void ClearJournal();
  // Descriptors opened and not closed.
  std::size_t OpenCount() const;
  // The test's end of the pipe the dvr device reads.
  int DvrWriteEnd() const { return pipe_[1]; }
  void CloseDvrWriteEnd();

  int Open(const std::string &path, int flags) override;
  int Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void *arg) override;
  int IoctlValue(int fd, unsigned long request, unsigned long value) override;
  long Read(int fd, void *buffer, std::size_t size) override;
  int Poll(pollfd *fds, nfds_t count, int timeoutMs) override;
  int ListDirectory(const std::string &path, std::vector<std::string> &names) override;
  void Sleep(int milliseconds) override;

private:
  struct Node {
    std::string kind; // "frontend", "demux", "dvr"
    int adapter = 0;
    int index = 0;
  };
  struct Tuned {
    std::uint32_t system = 0;
  };
  int Record(const std::string &entry);
  int FrontendIoctl(const Node &node, unsigned long request, void *arg);
  int DemuxIoctl(unsigned long request, void *arg);
  std::string DescribeProperties(const dtv_properties &properties, bool values) const;

  const std::string dvbFolder_;
  mutable std::mutex mutex_;
  std::map<std::string, Node> nodes_; // path -> device
  std::map<std::pair<int, int>, FakeFrontend> frontends_;
  std::map<int, Node> open_; // fd -> device
  std::map<std::pair<int, int>, Tuned> tuned_;
  std::map<std::string, int> failures_;
  std::vector<std::string> journal_;
  int nextFd_ = 100;
  bool overflowNext_ = false;
  int pipe_[2] = {-1, -1};
};

} // namespace qev::linuxdvb::test
