#include "ui/settings_fields.h"

#include "frame/file_reader.h"
#include "frame/option_corrections.h"

#include <limits>

namespace qev::ui {

namespace {

using frame::TOptions;
using T = TFieldType;

template <typename Section, typename Value>
TSettingsField Field(const char *key, const char *label, T type, Section TOptions::*section,
                     Value Section::*member, long long min = 0, long long max = 0) {
  TSettingsField field{key, label, type, min, max, {}, {}, {}};
  field.Get = [section, member](const TOptions &o) -> TFieldValue {
    const Value &value = o.*section.*member;
    if constexpr (std::is_same_v<Value, bool>)
      return value;
    else if constexpr (std::is_same_v<Value, std::string>)
      return value;
    else if constexpr (std::is_floating_point_v<Value>)
      return static_cast<double>(value);
    else
      return static_cast<long long>(value);
  };
  field.Set = [section, member](TOptions &o, const TFieldValue &v) {
    Value &value = o.*section.*member;
    if constexpr (std::is_same_v<Value, bool> || std::is_same_v<Value, std::string>)
      value = std::get<Value>(v);
    else if constexpr (std::is_floating_point_v<Value>)
      value = std::get<double>(v);
    else
      value = static_cast<Value>(std::get<long long>(v));
  };
  return field;
}

template <typename Section>
TSettingsField Flag(const char *key, const char *label, Section TOptions::*section,
                    bool Section::*member) {
  return Field(key, label, T::Bool, section, member);
}

template <typename Section, typename Value>
TSettingsField Number(const char *key, const char *label, Section TOptions::*section,
                      Value Section::*member, long long min, long long max) {
  return Field(key, label, T::Int, section, member, min, max);
}

constexpr long long kIntMax = std::numeric_limits<int>::max();
constexpr long long kTimeoutMax = 600000;

TSettingsField SplitSizeField() {
  TSettingsField field{
      "FileSplitSize", "Split recordings every (MB, 0 = never)", T::Int, 0, kIntMax, {}, {}, {}};
  field.Get = [](const TOptions &o) -> TFieldValue {
    return static_cast<long long>(o.Recording.FileSplitSize / frame::kBytesPerMegabyte);
  };
  field.Set = [](TOptions &o, const TFieldValue &v) {
    o.Recording.FileSplitSize = std::get<long long>(v) * frame::kBytesPerMegabyte;
  };
  return field;
}

TSettingsField RepeatPrefixField() {
  TSettingsField field = Field("DiseqRepPrefix", "Framing of repeated messages", T::Choice,
                               &TOptions::DiseqC, &frame::TDiseqcOptions::DiseqRepPrefix, 0, 1);
  field.Items = {"E0", "E1"};
  return field;
}

std::vector<TSettingsPage> MakePages() {
  using frame::TGeneralOptions;
  using G = TGeneralOptions;
  using S = frame::TScanningOptions;
  using D = frame::TDiseqcOptions;
  using X = frame::TTeletextOptions;
  using R = frame::TRecordingOptions;
  using L = frame::TWinLircOptions;
  constexpr auto gen = &TOptions::General;
  constexpr auto scan = &TOptions::Scanning;
  constexpr auto dsq = &TOptions::DiseqC;
  constexpr auto ttx = &TOptions::Teletext;
  constexpr auto rec = &TOptions::Recording;
  constexpr auto lirc = &TOptions::WinLirc;
  return {
      {"Start and system",
       {Field("ActiveDevice", "Device module loaded at start (empty: ask)", T::Text,
              &TOptions::StartUp, &frame::TStartUpOptions::ActiveDevice),
        Flag("SelectLastChan", "Switch to the last channel at start", gen, &G::SelectLastChan),
        Flag("PowerOffLnb", "Switch the LNB supply off at exit", gen, &G::PowerOffLnb),
        Flag("NoSuspendAPM", "Refuse system suspend requests", gen, &G::NoSuspendAPM),
        Flag("Only1Proc", "Run on the first processor only", gen, &G::Only1Proc)}},
      {"Channels",
       {Field("PrefAudioLang", "Preferred audio languages", T::Text, gen, &G::PrefAudioLang),
        Flag("SortCaListByID", "Sort CA lists by system id and provider", gen, &G::SortCaListByID),
        Flag("ChanVolAdjust", "Apply the channel's volume adjustment", gen, &G::ChanVolAdjust),
        Flag("ChanPlgProfile", "Apply the channel's plugin profile", gen, &G::ChanPlgProfile),
        Flag("OneSatMobDish", "One active satellite per mobile dish", gen, &G::OneSatMobDish)}},
      {"Scanning",
       {Number("TimeoutPAT", "PAT time-out (ms)", scan, &S::TimeoutPAT, 0, kTimeoutMax),
        Number("TimeoutCAT", "CAT time-out (ms)", scan, &S::TimeoutCAT, 0, kTimeoutMax),
        Number("TimeoutSDT", "SDT time-out (ms)", scan, &S::TimeoutSDT, 0, kTimeoutMax),
        Number("TimeoutPMT", "PMT time-out (ms)", scan, &S::TimeoutPMT, 0, kTimeoutMax),
        Number("TimeoutNIT", "NIT time-out (ms)", scan, &S::TimeoutNIT, 0, kTimeoutMax),
        Flag("NoWarningCAT", "No warning for the CAT", scan, &S::NoWarningCAT),
        Flag("UpdFromSDX", "Update unidentified channels from SATCODX data", scan, &S::UpdFromSDX),
        Flag("ChangeData2TV", "Data services with audio or video become TV or radio", scan,
             &S::ChangeData2TV),
        Flag("ChangeFta2Pay", "Free channels with CA data become scrambled", scan,
             &S::ChangeFta2Pay),
        Flag("RescanSDTOnUpd", "Read the SDT again on a channel update", scan, &S::RescanSDTOnUpd),
        Flag("SetPrefAudLang", "Choose audio by the preferred languages", scan,
             &S::SetPrefAudLang)}},
      {"DiSEqC and tuner",
       {Field("DiseqSW1Adr", "Switch 1 address", T::Hex, dsq, &D::DiseqSW1Adr, 0, 255),
        Field("DiseqSW2Adr", "Switch 2 address", T::Hex, dsq, &D::DiseqSW2Adr, 0, 255),
        Field("DiseqSW3Adr", "Switch 3 address", T::Hex, dsq, &D::DiseqSW3Adr, 0, 255),
        Field("DiseqPOSAdr", "Positioner address", T::Hex, dsq, &D::DiseqPOSAdr, 0, 255),
        RepeatPrefixField(),
        Flag("DiseqOnChan", "Send the switch sequence on every tune", dsq, &D::DiseqOnChan),
        Flag("AdjustGotoX", "Motor angles from the receiver site", dsq, &D::AdjustGotoX),
        Field("RxLatitude", "Receiver latitude (south negative)", T::Float, dsq, &D::RxLatitude,
              -90, 90),
        Field("RxLongitude", "Receiver longitude (west negative)", T::Float, dsq, &D::RxLongitude,
              -180, 180),
        Number("SmartPosCom", "SmartPos serial port", dsq, &D::SmartPosCom, 0, 255),
        Number("SignalUpdateInterval", "Tuner status interval (ms)", gen, &G::SignalUpdateInterval,
               100, 65535)}},
      {"Guide",
       {Flag("EpgBgParser", "Collect the guide after every tune", gen, &G::EpgBgParser),
        Flag("CheckCRCinEIT", "Check the CRC of guide sections", gen, &G::CheckCRCinEIT),
        Flag("EpgKeep", "Keep the guide across restarts", gen, &G::EpgKeep),
        Flag("ClearGuideOnTpChange", "Clear the guide on every transponder change (this run)",
             &TOptions::Session, &frame::TSessionOptions::ClearGuideOnTpChange)}},
      {"Teletext and subtitles",
       {Flag("TTxBgParser", "Keep teletext collection running", ttx, &X::TTxBgParser),
        Number("TTxImageW", "Teletext image width", ttx, &X::TTxImageW, 40, 4000),
        Number("TTxImageH", "Teletext image height", ttx, &X::TTxImageH, 25, 4000),
        Field("TTxFontName", "Teletext font", T::Text, ttx, &X::TTxFontName),
        Field("SubFontName", "Subtitle font", T::Text, ttx, &X::SubFontName),
        Number("SubFontSize", "Subtitle font size", ttx, &X::SubFontSize, 4, 200),
        Field("SubFontColor", "Subtitle colour", T::Color, ttx, &X::SubFontColor),
        Flag("SubFontBold", "Bold subtitles", ttx, &X::SubFontBold),
        Number("SubOutlSize", "Outline width", ttx, &X::SubOutlSize, 0, 20),
        Field("SubOutlColor", "Outline colour", T::Color, ttx, &X::SubOutlColor),
        Number("SubPosPercent", "Distance from the bottom (%)", ttx, &X::SubPosPercent, 0, 90),
        Number("SubTextBorder", "Border around the text", ttx, &X::SubTextBorder, 0, 50)}},
      {"Recording",
       {Field("DestDirectory", "Folder for recordings", T::Folder, rec, &R::DestDirectory),
        Field("RecNameFormat", "File name pattern", T::Text, rec, &R::RecNameFormat),
        Flag("Check4Duplic", "Never overwrite existing files", rec, &R::Check4Duplic),
        SplitSizeField(),
        Flag("AskBeforeRec", "Ask for the streams before recording", rec, &R::AskBeforeRec),
        Flag("RecordAll_AUD", "Record all audio streams", rec, &R::RecordAll_AUD),
        Flag("RecordAll_TTX", "Record all teletext streams", rec, &R::RecordAll_TTX),
        Flag("Record_ECM", "Record the ECM", rec, &R::Record_ECM),
        Flag("Record_PMT", "Record the PMT", rec, &R::Record_PMT),
        Flag("Record_PAT", "Record the PAT", rec, &R::Record_PAT)}},
      {"Video",
       {Number("OverscanPixels", "Overscan in full screen (pixels)", gen, &G::OverscanPixels, 0,
               200),
        Number("VidCropPercent", "Crop (%)", gen, &G::VidCropPercent, 0, 25),
        Flag("VideoDblClickZo", "Double-click zones on the video", gen, &G::VideoDblClickZo)}},
      {"Main window",
       {Flag("SingleClickChange", "Switch channels with a single click", gen,
             &G::SingleClickChange),
        Flag("AutoExpandChl", "Open channel groups automatically", gen, &G::AutoExpandChl),
        Flag("ChListAlignRight", "Channel panel on the right", gen, &G::ChListAlignRight),
        Flag("MinimizeToTray", "Minimise to the tray", gen, &G::MinimizeToTray),
        Flag("NoScreenSaver", "Keep the screen saver off", gen, &G::NoScreenSaver)}},
      {"Remote control and gestures",
       {Flag("Enabled", "Start the remote control client", lirc, &L::Enabled),
        Field("HostPort", "Server (host:port or socket path)", T::Text, lirc, &L::HostPort),
        Number("AntiRepeat", "Ignore repeated keys within (ms)", lirc, &L::AntiRepeat, 0, 10000),
        Flag("GesturesEnabled", "Mouse gestures", gen, &G::GesturesEnabled)}},
  };
}

} // namespace

const std::vector<TSettingsPage> &SettingsPages() {
  static const std::vector<TSettingsPage> pages = MakePages();
  return pages;
}

std::string ConfirmSettings(frame::TOptions &held, const frame::TOptions &edited,
                            const std::filesystem::path &file) {
  held = edited;
  frame::ApplyLoadCorrections(held);
  // The settings engine keeps a file it could not read without a word at shutdown (the load
  // logged it); here the user asked for the save and learns that it did not happen.
  if (frame::IsUnreadable(file))
    return "Cannot save " + file.string() + ": the file could not be read and is left as it is";
  return frame::SaveOptions(held, file);
}

} // namespace qev::ui
