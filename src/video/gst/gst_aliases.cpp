#include "video/gst/gst_aliases.h"

#include "video/gst/gst_chan_switch.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace qev::video::gst {

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

using TAlias = std::pair<const char *, TFilterRole>;
constexpr std::array kAliases = {
    TAlias{"{EEBF6DD2-439A-4C8E-A511-DB329ABC04BA}", TFilterRole::AvSource},
    TAlias{"QEV-DVB AVSOURCE", TFilterRole::AvSource},
    TAlias{"QEVAVSOURCE", TFilterRole::AvSource},
    TAlias{"{B87BEB7B-8D29-423F-AE4D-6582C10175AC}", TFilterRole::VideoRenderer},
    TAlias{"{51B4ABF3-748F-4E3B-A276-C828330E926A}", TFilterRole::VideoRenderer},
    TAlias{"{CD8743A1-3736-11D0-9E69-00C04FD7C15B}", TFilterRole::VideoRenderer},
    TAlias{"{A0025E90-E45B-11D1-ABE9-00A0C905F375}", TFilterRole::VideoRenderer},
    TAlias{"QEV VIDEO RENDERER", TFilterRole::VideoRenderer},
    TAlias{"QEVVIDEOSINK", TFilterRole::VideoRenderer},
    TAlias{"VIDEOSINK", TFilterRole::VideoRenderer},
    TAlias{"{E30629D1-27E5-11CE-875D-00608CB78066}", TFilterRole::AudioRenderer},
    TAlias{"{79376820-07D0-11CF-A24D-0020AFD79767}", TFilterRole::AudioRenderer},
    TAlias{"QEV AUDIO RENDERER", TFilterRole::AudioRenderer},
    TAlias{"QEVAUDIOSINK", TFilterRole::AudioRenderer},
    TAlias{"AUDIOSINK", TFilterRole::AudioRenderer},
    TAlias{"{C54A7C94-B0C5-4E87-8507-4468B10687E9}", TFilterRole::ChannelSwitch},
    TAlias{"CHANNEL A/B SWITCH", TFilterRole::ChannelSwitch},
    TAlias{"QEVCHANSWITCH", TFilterRole::ChannelSwitch},
};

using TPinAlias = std::pair<const char *, const char *>;
constexpr std::array kPinAliases = {
    TPinAlias{"IN", "sink"},       TPinAlias{"INPUT", "sink"},
    TPinAlias{"INPUT0", "sink"},   TPinAlias{"VMR INPUT0", "sink"},
    TPinAlias{"XFORM IN", "sink"}, TPinAlias{"AUDIO INPUT PIN (RENDERED)", "sink"},
    TPinAlias{"OUT", "src"},       TPinAlias{"OUTPUT", "src"},
    TPinAlias{"XFORM OUT", "src"},
};

} // namespace

std::optional<TFilterRole> AliasRole(const std::string &cls) {
  const std::string key = Upper(cls);
  for (const auto &[name, role] : kAliases)
    if (key == name)
      return role;
  return std::nullopt;
}

TFilterRole FactoryRole(const std::string &factory, const std::string &klass) {
  if (factory == kChannelSwitchFactory)
    return TFilterRole::ChannelSwitch;
  if (klass.find("Sink") != std::string::npos && klass.find("Audio") != std::string::npos)
    return TFilterRole::AudioRenderer;
  return TFilterRole::Other;
}

std::optional<std::string> LegacyPinName(const std::string &pin) {
  const std::string key = Upper(pin);
  for (const auto &[name, pad] : kPinAliases)
    if (key == name)
      return std::string(pad);
  return std::nullopt;
}

} // namespace qev::video::gst
