#pragma once

#include <cstdint>
#include <deque>
#include <optional>

namespace qev::device {

// A switch asked for while another one runs (from a message pumped during tuning: a remote
// key, a hand-over, a timer). It waits for the running switch to end.
struct TSwitchRequest {
  int Slot = 0;
  std::int32_t Handle = 0;
  bool ShowMessages = false;
  std::optional<int> RecordMinutes; // a switch-and-record
};

// The waiting requests in the order they came; a later request for the same slot replaces the
// earlier one, so the last one wins.
class TSwitchQueue {
public:
  void Put(const TSwitchRequest &request);
  std::optional<TSwitchRequest> Take();

private:
  std::deque<TSwitchRequest> requests_;
};

} // namespace qev::device
