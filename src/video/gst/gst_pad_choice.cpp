#include "video/gst/gst_pad_choice.h"

#include "video/gst/gst_aliases.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace qev::video::gst {

namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char &c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// "src_%u" makes "src_0", "src_12"; "%s" any text.
bool TemplateMakes(std::string_view tmpl, std::string_view name) {
  const auto percent = tmpl.find('%');
  if (percent == std::string_view::npos)
    return tmpl == name;
  if (!name.starts_with(tmpl.substr(0, percent)) || name.size() == percent)
    return false;
  const std::string_view rest = name.substr(percent);
  if (tmpl.substr(percent).starts_with("%s"))
    return true;
  for (const char c : rest)
    if (std::isdigit(static_cast<unsigned char>(c)) == 0)
      return false;
  return true;
}

std::string StructureName(GstPad *pad) {
  GstCaps *caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr)
    caps = gst_pad_query_caps(pad, nullptr);
  std::string name;
  if (caps != nullptr && gst_caps_get_size(caps) > 0)
    name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
  if (caps != nullptr)
    gst_caps_unref(caps);
  return name;
}

std::vector<std::string> ExistingPads(GstElement *element) {
  std::vector<std::string> names;
  GST_OBJECT_LOCK(element);
  for (GList *l = element->pads; l != nullptr; l = l->next)
    names.emplace_back(GST_PAD_NAME(l->data));
  GST_OBJECT_UNLOCK(element);
  return names;
}

GList *Templates(GstElement *element) {
  return gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(element));
}

// The pad a template makes for a pin name: on a numbered sometimes template, by its place.
TPadChoice MadeBy(std::string_view tmpl, GstPadPresence presence, const std::string &pin) {
  const auto percent = tmpl.find('%');
  TPadChoice choice{pin, TPadChoice::TKind::Exact, presence};
  if (percent == tmpl.npos)
    return choice;
  choice.Name = std::string(tmpl.substr(0, percent)) + pin.substr(std::min(pin.size(), percent));
  const std::string_view number = std::string_view(choice.Name).substr(percent);
  if (presence == GST_PAD_SOMETIMES && tmpl.substr(percent) != "%s" && !number.empty()) {
    choice.Kind = TPadChoice::TKind::Numbered;
    choice.Ordinal = static_cast<unsigned>(std::stoul(std::string(number)));
  }
  return choice;
}

// The element's pads that the same template made as this one, in the order they came.
std::vector<GstPad *> Siblings(GstElement *element, GstPad *pad) {
  std::vector<GstPad *> pads;
  GstPadTemplate *tmpl = GST_PAD_PAD_TEMPLATE(pad);
  GST_OBJECT_LOCK(element);
  for (GList *l = element->srcpads; l != nullptr; l = l->next)
    if (GST_PAD_PAD_TEMPLATE(l->data) == tmpl)
      pads.push_back(GST_PAD(l->data));
  GST_OBJECT_UNLOCK(element);
  return pads;
}

// Steps 2 and 3: a template-made or announced name; exact first, then ignoring case.
std::optional<TPadChoice> LaterPad(GstElement *element, const std::string &pin,
                                 const std::vector<std::string> &laterPads, bool ignoreCase) {
  for (const auto &later : laterPads)
    if (ignoreCase ? SameText(later, pin) : later == pin)
      return TPadChoice{later, TPadChoice::TKind::Exact, GST_PAD_SOMETIMES};
  for (GList *l = Templates(element); l != nullptr; l = l->next) {
    auto *tmpl = static_cast<GstPadTemplate *>(l->data);
    const std::string_view name = GST_PAD_TEMPLATE_NAME_TEMPLATE(tmpl);
    const GstPadPresence presence = GST_PAD_TEMPLATE_PRESENCE(tmpl);
    if (presence == GST_PAD_ALWAYS)
      continue;
    const bool makes = ignoreCase ? TemplateMakes(Lower(name), Lower(pin)) // keep its letters
                                  : TemplateMakes(name, pin);
    if (makes)
      return MadeBy(name, presence, pin);
  }
  return std::nullopt;
}

// Step 4: a loose name on an element whose output pads are numbered as they appear.
std::optional<TPadChoice> LoosePad(GstElement *element, const std::string &pin) {
  for (GList *l = Templates(element); l != nullptr; l = l->next) {
    auto *tmpl = static_cast<GstPadTemplate *>(l->data);
    const std::string_view name = GST_PAD_TEMPLATE_NAME_TEMPLATE(tmpl);
    if (GST_PAD_TEMPLATE_PRESENCE(tmpl) != GST_PAD_SOMETIMES ||
        GST_PAD_TEMPLATE_DIRECTION(tmpl) != GST_PAD_SRC || name.find('%') == name.npos)
      continue;
    if (SameText(pin, "video"))
      return TPadChoice{pin, TPadChoice::TKind::AnyVideo, GST_PAD_SOMETIMES};
    if (SameText(pin, "audio"))
      return TPadChoice{pin, TPadChoice::TKind::AnyAudio, GST_PAD_SOMETIMES};
    if (SameText(pin, "src"))
      return TPadChoice{pin, TPadChoice::TKind::AnyPad, GST_PAD_SOMETIMES};
  }
  return std::nullopt;
}

} // namespace

bool TPadChoice::Matches(GstPad *pad) const {
  if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC && Kind != TKind::Exact)
    return false;
  switch (Kind) {
  case TKind::Exact:
    return Name == GST_PAD_NAME(pad);
  case TKind::Numbered: {
    const auto percent = Name.find_last_not_of("0123456789") + 1;
    GstElement *element = GST_PAD_PARENT(pad);
    if (std::string_view(GST_PAD_NAME(pad)).substr(0, percent) != Name.substr(0, percent) ||
        element == nullptr)
      return false;
    const auto siblings = Siblings(element, pad);
    const auto at = std::find(siblings.begin(), siblings.end(), pad);
    return at != siblings.end() && static_cast<unsigned>(at - siblings.begin()) == Ordinal;
  }
  case TKind::AnyVideo:
    return StructureName(pad).starts_with("video/");
  case TKind::AnyAudio:
    return StructureName(pad).starts_with("audio/");
  case TKind::AnyPad:
    return true;
  }
  return false;
}

std::optional<TPadChoice> FindPadChoice(GstElement *element, const std::string &pin,
                                    const std::vector<std::string> &laterPads) {
  if (GstPad *pad = gst_element_get_static_pad(element, pin.c_str()); pad != nullptr) {
    gst_object_unref(pad);
    return TPadChoice{pin};
  }
  if (auto choice = LaterPad(element, pin, laterPads, false))
    return choice;
  for (const auto &name : ExistingPads(element))
    if (SameText(name, pin))
      return TPadChoice{name};
  if (auto choice = LaterPad(element, pin, laterPads, true))
    return choice;
  if (auto choice = LoosePad(element, pin))
    return choice;
  if (const auto legacy = LegacyPinName(pin))
    if (GstPad *pad = gst_element_get_static_pad(element, legacy->c_str()); pad != nullptr) {
      gst_object_unref(pad);
      return TPadChoice{*legacy};
    }
  return std::nullopt;
}

GstPad *PadNow(GstElement *element, const TPadChoice &choice) {
  if (choice.Kind == TPadChoice::TKind::Exact) {
    if (GstPad *pad = gst_element_get_static_pad(element, choice.Name.c_str()); pad != nullptr)
      return pad;
    if (choice.Presence == GST_PAD_REQUEST)
      return gst_element_request_pad_simple(element, choice.Name.c_str());
    return nullptr;
  }
  std::vector<GstPad *> pads;
  GST_OBJECT_LOCK(element);
  for (GList *l = element->srcpads; l != nullptr; l = l->next)
    pads.push_back(GST_PAD(gst_object_ref(l->data)));
  GST_OBJECT_UNLOCK(element);
  GstPad *found = nullptr;
  for (GstPad *pad : pads) {
    if (found == nullptr && !gst_pad_is_linked(pad) && choice.Matches(pad))
      found = pad;
    else
      gst_object_unref(pad);
  }
  return found;
}

} // namespace qev::video::gst
