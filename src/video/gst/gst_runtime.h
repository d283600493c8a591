#pragma once

#include <string>

namespace qev::video::gst {

// Starts GStreamer once for the whole process (debug output off unless GST_DEBUG asks for it)
// and registers the system's own elements. Empty on success, else why it failed; every later
// call answers the same.
const std::string &StartGstreamer();

} // namespace qev::video::gst
