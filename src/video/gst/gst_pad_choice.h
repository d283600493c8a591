#pragma once

#include <gst/gst.h>

#include <optional>
#include <string>
#include <vector>

namespace qev::video::gst {

// A pin a graph file names, as found on an element: a pad that exists, or one that will (a
// sometimes or request pad, named exactly or loosely by the kind of stream it carries).
struct TPadChoice {
  // Numbered: "src_0" of a "src_%u" sometimes template is the first such pad present, "src_1"
  // the second..., since elements such as decodebin count on after a restart.
  enum class TKind { Exact, Numbered, AnyVideo, AnyAudio, AnyPad };
  std::string Name; // the pad's exact name, or the pin as written for the loose kinds
  TKind Kind = TKind::Exact;
  GstPadPresence Presence = GST_PAD_ALWAYS;
  unsigned Ordinal = 0; // of Numbered
  bool Matches(GstPad *pad) const;
};

// Finds the pin on the element, in this order:
//  1. a pad of that exact name;
//  2. a name that a sometimes or request pad template makes ("src_0" for "src_%u": for a
//     sometimes template the first pad of it present, whatever its number), or a pad
//     name the element announces it will add (laterPads, e.g. "Video" of the live source);
//  3. any of those, ignoring letter case;
//  4. on an element whose sometimes template has a pattern ("src_%u" of decodebin and
//     uridecodebin): "Video" and "Audio" (any case) mean the first pad carrying that kind of
//     stream, "src" any pad;
//  5. the names older graph files gave a renderer's or switch's single pin ("Input", ...).
std::optional<TPadChoice> FindPadChoice(GstElement *element, const std::string &pin,
                                    const std::vector<std::string> &laterPads);

// The pad now: the existing one, or a request pad made for it. Nothing for a pad still to
// appear. The caller owns the reference.
GstPad *PadNow(GstElement *element, const TPadChoice &choice);

} // namespace qev::video::gst
