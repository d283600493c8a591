#include "video/gst/gst_graph_factory.h"

#include "video/gst/gst_graph.h"
#include "video/gst/gst_runtime.h"

namespace qev::video {

TGstGraphFactory::TGstGraphFactory(TRenderMode mode) : mode_(mode) {}

std::unique_ptr<IGraph> TGstGraphFactory::CreateGraph() {
  error_ = gst::StartGstreamer();
  if (!error_.empty())
    return nullptr;
  return std::make_unique<gst::TGstGraph>(mode_);
}

} // namespace qev::video
