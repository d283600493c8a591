#include "device/switch_queue.h"

#include <algorithm>

namespace qev::device {

void TSwitchQueue::Put(const TSwitchRequest &request) {
  std::erase_if(requests_, [&](const TSwitchRequest &r) { return r.Slot == request.Slot; });
  requests_.push_back(request);
}

std::optional<TSwitchRequest> TSwitchQueue::Take() {
  if (requests_.empty())
    return std::nullopt;
  TSwitchRequest next = requests_.front();
  requests_.pop_front();
  return next;
}

} // namespace qev::device
