#include "guide/device_eit_feed.h"

#include "devapi/qev_devapi.h"

namespace qev::guide {

std::int32_t TDeviceEitFeed::Open(DataCallback callback) {
  return consumers_.Start(kEitPid, QEV_DELIVER_PAYLOADS, nullptr, nullptr, std::move(callback));
}

} // namespace qev::guide
