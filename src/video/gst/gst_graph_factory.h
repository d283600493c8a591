#pragma once

#include "video/graph_backend.h"

#include <string>

namespace qev::video {

// Makes GStreamer pipelines for the graph slots. Initialises GStreamer on first use; when
// that fails every CreateGraph answers nullptr and Error() says why.
class TGstGraphFactory final : public IGraphFactory {
public:
  explicit TGstGraphFactory(TRenderMode mode = TRenderMode::Show);
  std::unique_ptr<IGraph> CreateGraph() override;
  const std::string &Error() const { return error_; }

private:
  TRenderMode mode_;
  std::string error_;
};

} // namespace qev::video
