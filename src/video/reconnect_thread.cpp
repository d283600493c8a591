#include "video/reconnect_thread.h"

#include "video/graph_options.h"

namespace qev::video {

TReconnectThread::TReconnectThread(TEventGroup &events, int mode,
                                   std::chrono::milliseconds runTimeout, std::uint32_t required,
                                   THooks hooks)
    : events_(events), mode_(mode), runTimeout_(runTimeout), required_(required),
      hooks_(std::move(hooks)), thread_([this] { Loop(); }) {}

TReconnectThread::~TReconnectThread() { Stop(); }

void TReconnectThread::Stop() {
  if (!thread_.joinable())
    return;
  events_.Signal(kEventStop);
  thread_.join();
}

void TReconnectThread::Loop() {
  std::uint32_t seen = 0;
  for (;;) {
    const std::uint32_t bits = events_.WaitAny(kEventStop | kEventVideo | kEventAudio, runTimeout_);
    if ((bits & kEventStop) != 0)
      break;
    if ((bits & kEventVideo) != 0) {
      hooks_.StreamChanged(kStreamVideo);
      seen |= kStreamVideo;
    }
    if ((bits & kEventAudio) != 0) {
      hooks_.StreamChanged(kStreamAudio);
      seen |= kStreamAudio;
    }
    if (bits == 0 && mode_ == kDetectAndUse)
      seen = required_ | kStreamsTimedOut;
    if ((seen & required_) == required_) {
      if (mode_ == kDetectAndUse)
        hooks_.RunGraph();
      break;
    }
  }
  finished_ = true;
}

} // namespace qev::video
