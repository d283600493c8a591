#pragma once

#include <string>

namespace qev::video {

// Result codes of the graph wrapper; each is also the failing operation's answer.
inline constexpr int kErrGrfNotLoaded = 0x1002;
inline constexpr int kErrCreateFilter = 0x2001;
inline constexpr int kErrAddFilter = 0x2002;
inline constexpr int kErrNoSourceFilter = 0x3001;
inline constexpr int kErrNoSourcePin = 0x3002;
inline constexpr int kErrNoDestinationFilter = 0x3003;
inline constexpr int kErrNoDestinationPin = 0x3004;
inline constexpr int kErrConnectPins = 0x3005;
inline constexpr int kErrEmptyGrs = 0x4001;
inline constexpr int kErrEmptyXgr = 0x4002;
inline constexpr int kErrCreateGraph = 0x5000;
inline constexpr int kErrNoGraphFile = 0x5001;
inline constexpr int kErrGraphFileMissing = 0x5002;
// Our own: the graph file exists but cannot be read.
inline constexpr int kErrGraphFileUnreadable = 0x5003;
inline constexpr int kErrNoVideoRenderer = 0x6000;
inline constexpr int kErrStop = 0xA001;
inline constexpr int kErrPause = 0xA002;
inline constexpr int kErrRun = 0xA003;
inline constexpr int kErrSourceFilterMissing = 0xD001;
inline constexpr int kErrSourcePinsMissing = 0xD002;
inline constexpr int kErrSourcePinNotConnected = 0xD003;
inline constexpr int kErrSourceInterface = 0xD004;
inline constexpr int kErrWindowNotAssigned = 0xE001;
inline constexpr int kErrWindowOwner = 0xE002;
inline constexpr int kErrWindowMessages = 0xE003;
inline constexpr int kErrWindowStyle = 0xE004;
inline constexpr int kErrWindowCaption = 0xE005;
inline constexpr int kErrWindowPosition = 0xE006;
inline constexpr int kErrVideoSize = 0xE007;
inline constexpr int kErrSourcePosition = 0xE008;
inline constexpr int kErrAspectMode = 0xE009;
inline constexpr int kErrRenderFile = 0xEF;
inline constexpr int kErrMediaControl = 0xF001;
inline constexpr int kErrVideoWindowInterface = 0xF002;
inline constexpr int kErrBasicVideo = 0xF003;
inline constexpr int kErrBasicAudio = 0xF004;
inline constexpr int kErrOverlayMixer = 0xF005;
// An operation the graph does not know (other than get or set).
inline constexpr int kErrBadOperation = -14;
// A picture or sound record is missing.
inline constexpr int kErrNoRecord = -15;

// Texts of the codes, as the user and the device module see them.
inline constexpr const char *kTextGrfNotLoaded = "Graph not loaded: ";
inline constexpr const char *kTextEmptyGraphFile = "Invalid/Empty graph file: ";
inline constexpr const char *kTextCreateGraph = "Filter graph creation error.";
inline constexpr const char *kTextNoGraphFile =
    "No graph file (GRF/XGR/GRS).\rPlease configure DirectShow !";
inline constexpr const char *kTextGraphFileMissing = "Graph file not found: ";
inline constexpr const char *kTextNoVideoRenderer = "Cannot find video render";
inline constexpr const char *kTextStop = "Cannot change graph to STOP state.";
inline constexpr const char *kTextPause = "Cannot change graph to PAUSE state.";
inline constexpr const char *kTextRun = "Cannot change graph to RUN state.";
inline constexpr const char *kTextSourceFilterMissing =
    "Filter \"QEV-DVB AVSource\" not found in graph";
inline constexpr const char *kTextSourcePinsMissing = "Cannot find DVB Source Video/Audio pins";
inline constexpr const char *kTextVideoPinNotConnected =
    "DVB Source \"Video\" pin is NOT connected";
inline constexpr const char *kTextAudioPinNotConnected =
    "DVB Source \"Audio\" pin is NOT connected";
inline constexpr const char *kTextSourceInterface = "Cannot find interface for DVB Source filter";
inline constexpr const char *kTextWindowNotAssigned = "VideoWindow NOT assigned !";
inline constexpr const char *kTextWindowMessages = "VideoWindow: Could not set messages handle.";
inline constexpr const char *kTextWindowStyle = "VideoWindow: Could not set window style.";
inline constexpr const char *kTextWindowCaption = "VideoWindow: Could not set window caption.";
inline constexpr const char *kTextVideoSize = "Cannot get video size.";
inline constexpr const char *kTextSourcePosition = "Cannot set source position.";
inline constexpr const char *kTextAspectMode = "SetAspectRatioMode() error";
inline constexpr const char *kTextRenderFile = "Cannot render file:\r\r";
inline constexpr const char *kTextMediaControl = "Media control interface not found.";
inline constexpr const char *kTextVideoWindowInterface = "Video window interface not found.";
inline constexpr const char *kTextBasicVideo = "Basic video interface not found.";
inline constexpr const char *kTextBasicAudio = "Basic audio interface not found.";

std::string CreateFilterText(const std::string &name);
std::string AddFilterText(const std::string &name);
std::string NoFilterText(const std::string &filter);
std::string NoPinText(const std::string &filter, const std::string &pin);
std::string ConnectPinsText(const std::string &source, const std::string &sourcePin,
                            const std::string &destination, const std::string &destinationPin);
std::string WindowOwnerText(unsigned owner);
std::string WindowPositionText(int width, int height);

// "AV" + slot + ": Graph Error [" + code as 4 upper-case hex digits + "] \r" + text; empty for
// code 0, since a success carries no error.
std::string GraphErrorText(int slot, int code, const std::string &text);

// A code and its error text, as a step of building a graph answers.
struct TGraphResult {
  int Code = 0;
  std::string Text;
  bool Failed() const { return Code != 0; }
};

} // namespace qev::video
