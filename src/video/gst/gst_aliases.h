#pragma once

#include "video/graph_backend.h"

#include <optional>
#include <string>

namespace qev::video::gst {

// The classes graph files name that stand for the system's own filters: the class ids of the
// filters older graph files were written for, and friendly names.
//   source filter {EEBF6DD2-439A-4C8E-A511-DB329ABC04BA}, "QEV-DVB AVSource",
//   "qevavsource"                                                            -> AvSource
//   VMR-7, VMR-9, both overlay mixers, "QEV Video Renderer", "qevvideosink",
//   "videosink"                                                              -> VideoRenderer
//   both audio renderers, "QEV Audio Renderer", "qevaudiosink", "audiosink"  -> AudioRenderer
//   {C54A7C94-B0C5-4E87-8507-4468B10687E9}, "Channel A/B Switch",
//   "qevchanswitch"                                                          -> ChannelSwitch
// Letter case is ignored. Any other class is a GStreamer factory name.
std::optional<TFilterRole> AliasRole(const std::string &cls);

// The role of an element made from a GStreamer factory: audio sinks render audio, the channel
// switch is itself; everything else is Other.
TFilterRole FactoryRole(const std::string &factory, const std::string &klass);

// Other names older graph files give the one input or output pin of a renderer or of the
// channel switch ("Input", "VMR Input0", "Audio Input pin (rendered)", "XForm Out", ...):
// the pad name they stand for ("sink" or "src"), or nothing.
std::optional<std::string> LegacyPinName(const std::string &pin);

} // namespace qev::video::gst
