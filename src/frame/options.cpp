#include "frame/options.h"

#include "frame/fast_ini_file.h"
#include "frame/log.h"
#include "frame/option_corrections.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <span>

namespace qev::frame {

namespace {

template <class T> T ClampTo(std::int64_t value) {
  return static_cast<T>(std::clamp<std::int64_t>(value, std::numeric_limits<T>::min(),
                                                 std::numeric_limits<T>::max()));
}

// Reads each key over the value held, which is the default when the key is missing.
class TOptionReader {
public:
  TOptionReader(TFastIniFile &ini, std::string_view section) : ini_(ini), section_(section) {}

  void String(std::string_view key, std::string &value) {
    value = ini_.ReadString(section_, key, value);
  }
  void Integer(std::string_view key, int &value) { value = ini_.ReadInteger(section_, key, value); }
  void Bool(std::string_view key, bool &value) { value = ini_.ReadBool(section_, key, value); }
  void Byte(std::string_view key, std::uint8_t &value) {
    value = ClampTo<std::uint8_t>(ini_.ReadInteger(section_, key, value));
  }
  void Word(std::string_view key, std::uint16_t &value) {
    value = ClampTo<std::uint16_t>(ini_.ReadInteger(section_, key, value));
  }
  void Float(std::string_view key, double &value) { value = ini_.ReadFloat(section_, key, value); }
  void Hex32(std::string_view key, std::uint32_t &value) {
    value = ini_.ReadHex32(section_, key, value);
  }
  void Megabytes(std::string_view key, std::int64_t &bytes) {
    const auto held = ClampTo<std::int32_t>(bytes / kBytesPerMegabyte);
    bytes = std::max(ini_.ReadInteger(section_, key, held), 0) * kBytesPerMegabyte;
  }

private:
  TFastIniFile &ini_;
  std::string_view section_;
};

class TOptionWriter {
public:
  TOptionWriter(TFastIniFile &ini, std::string_view section) : ini_(ini), section_(section) {}

  void String(std::string_view key, const std::string &value) {
    ini_.WriteString(section_, key, value);
  }
  void Integer(std::string_view key, int value) { ini_.WriteInteger(section_, key, value); }
  void Bool(std::string_view key, bool value) { ini_.WriteBool(section_, key, value); }
  void Byte(std::string_view key, std::uint8_t value) { ini_.WriteInteger(section_, key, value); }
  void Word(std::string_view key, std::uint16_t value) { ini_.WriteInteger(section_, key, value); }
  void Float(std::string_view key, double value) { ini_.WriteFloat(section_, key, value); }
  void Hex32(std::string_view key, std::uint32_t value) { ini_.WriteHex32(section_, key, value); }
  void Megabytes(std::string_view key, std::int64_t bytes) {
    ini_.WriteInteger(section_, key, bytes / kBytesPerMegabyte);
  }

private:
  TFastIniFile &ini_;
  std::string_view section_;
};

// Each group of keys is listed once, in its stored order, and serves loading and saving.
enum class KeyGroup {
  StartUp,
  Scanning,
  General,
  Guide,
  Recording,
  WinLirc,
  DiseqC,
  Teletext,
  ChFilter
};

const char *SectionOf(KeyGroup group) {
  switch (group) {
  case KeyGroup::StartUp:
    return "StartUp";
  case KeyGroup::Scanning:
    return "Scanning";
  case KeyGroup::General:
  case KeyGroup::Guide:
    return "Options";
  case KeyGroup::Recording:
    return "Recording";
  case KeyGroup::WinLirc:
    return "WinLirc";
  case KeyGroup::DiseqC:
    return "DiseqC";
  case KeyGroup::Teletext:
    return "Teletext";
  case KeyGroup::ChFilter:
    return "ChFilter";
  }
  return "";
}

template <class V, class O> void VisitStartUp(V &v, O &o) {
  v.String("ActiveDevice", o.ActiveDevice);
  v.String("LastSelected", o.LastSelected);
  v.Integer("LastChannel", o.LastChannel);
}

template <class V, class O> void VisitScanning(V &v, O &o) {
  v.Integer("TimeoutPAT", o.TimeoutPAT);
  v.Integer("TimeoutCAT", o.TimeoutCAT);
  v.Integer("TimeoutSDT", o.TimeoutSDT);
  v.Integer("TimeoutPMT", o.TimeoutPMT);
  v.Integer("TimeoutNIT", o.TimeoutNIT);
  v.Bool("NoWarningCAT", o.NoWarningCAT);
  v.Bool("UpdFromSDX", o.UpdFromSDX);
  v.Bool("ChangeData2TV", o.ChangeData2TV);
  v.Bool("ChangeFta2Pay", o.ChangeFta2Pay);
  v.Bool("RescanSDTOnUpd", o.RescanSDTOnUpd);
  v.Bool("SetPrefAudLang", o.SetPrefAudLang);
}

template <class V, class O> void VisitGeneral(V &v, O &o) {
  v.Bool("SingleClickChange", o.SingleClickChange);
  v.Bool("ChListAlignRight", o.ChListAlignRight);
  v.Bool("MinimizeToTray", o.MinimizeToTray);
  v.String("PrefAudioLang", o.PrefAudioLang);
  v.Bool("AutoCloseSWin", o.AutoCloseSWin);
  v.Bool("SortCaListByID", o.SortCaListByID);
  v.Word("SignalUpdateInterval", o.SignalUpdateInterval);
  v.Integer("OverscanPixels", o.OverscanPixels);
  v.Integer("VidCropPercent", o.VidCropPercent);
  v.Bool("PowerOffLnb", o.PowerOffLnb);
  v.Bool("PidEditsInHex", o.PidEditsInHex);
  v.Bool("ChanVolAdjust", o.ChanVolAdjust);
  v.Bool("SelectLastChan", o.SelectLastChan);
  v.Bool("NoScreenSaver", o.NoScreenSaver);
  v.Bool("NoSuspendAPM", o.NoSuspendAPM);
  v.Bool("OneSatMobDish", o.OneSatMobDish);
  v.Bool("AutoExpandChl", o.AutoExpandChl);
  v.Bool("ChanPlgProfile", o.ChanPlgProfile);
  v.Bool("Only1Proc", o.Only1Proc);
  v.Bool("GesturesEnabled", o.GesturesEnabled);
  v.Bool("VideoDblClickZo", o.VideoDblClickZo);
  v.Bool("Video0Disabled", o.Video0Disabled);
}

template <class V, class O> void VisitGuide(V &v, O &o) {
  v.Bool("EpgBgParser", o.EpgBgParser);
  v.Bool("CheckCRCinEIT", o.CheckCRCinEIT);
  v.Integer("EpgChanGroup", o.EpgChanGroup);
  v.Bool("EpgKeep", o.EpgKeep);
}

template <class V, class O> void VisitRecording(V &v, O &o) {
  v.String("DestDirectory", o.DestDirectory);
  v.String("RecNameFormat", o.RecNameFormat);
  v.Bool("Check4Duplic", o.Check4Duplic);
  v.Megabytes("FileSplitSize", o.FileSplitSize);
  v.Bool("AskBeforeRec", o.AskBeforeRec);
  v.Bool("RecordAll_AUD", o.RecordAll_AUD);
  v.Bool("RecordAll_TTX", o.RecordAll_TTX);
  v.Bool("Record_ECM", o.Record_ECM);
  v.Bool("Record_PMT", o.Record_PMT);
  v.Bool("Record_PAT", o.Record_PAT);
}

template <class V, class O> void VisitWinLirc(V &v, O &o) {
  v.Bool("Enabled", o.Enabled);
  v.String("HostPort", o.HostPort);
  v.Integer("AntiRepeat", o.AntiRepeat);
}

template <class V, class O> void VisitDiseqC(V &v, O &o) {
  v.Byte("DiseqSW1Adr", o.DiseqSW1Adr);
  v.Byte("DiseqSW2Adr", o.DiseqSW2Adr);
  v.Byte("DiseqSW3Adr", o.DiseqSW3Adr);
  v.Byte("DiseqPOSAdr", o.DiseqPOSAdr);
  v.Byte("DiseqRepPrefix", o.DiseqRepPrefix);
  v.Bool("DiseqOnChan", o.DiseqOnChan);
  v.Bool("AdjustGotoX", o.AdjustGotoX);
  v.Float("RxLatitude", o.RxLatitude);
  v.Float("RxLongitude", o.RxLongitude);
  v.Integer("SmartPosCom", o.SmartPosCom);
}

template <class V, class O> void VisitTeletext(V &v, O &o) {
  v.Bool("TTxBgParser", o.TTxBgParser);
  v.Integer("TTxImageW", o.TTxImageW);
  v.Integer("TTxImageH", o.TTxImageH);
  v.String("TTxFontName", o.TTxFontName);
  v.String("SubFontName", o.SubFontName);
  v.Integer("SubFontSize", o.SubFontSize);
  v.Hex32("SubFontColor", o.SubFontColor);
  v.Bool("SubFontBold", o.SubFontBold);
  v.Integer("SubOutlSize", o.SubOutlSize);
  v.Hex32("SubOutlColor", o.SubOutlColor);
  v.Integer("SubPosPercent", o.SubPosPercent);
  v.Integer("SubTextBorder", o.SubTextBorder);
}

template <class V, class O> void VisitChFilter(V &v, O &o) {
  v.Integer("Group1By", o.Group1By);
  v.Integer("Group2By", o.Group2By);
  v.Integer("SortRule1", o.SortRule1);
  v.Integer("SortRule2", o.SortRule2);
  v.Integer("ChfServType", o.ChfServType);
  v.Integer("ChfCategory", o.ChfCategory);
  v.String("ChfContain", o.ChfContain);
  v.Integer("ChfInfoCol", o.ChfInfoCol);
  v.Bool("ChfFlagSUB", o.ChfFlagSUB);
  v.Bool("ChfFlagTTX", o.ChfFlagTTX);
  v.Bool("ChfFlagAC3", o.ChfFlagAC3);
  v.Bool("ChfFavorite", o.ChfFavorite);
  v.Bool("MinimizedCF", o.MinimizedCF);
}

// O is TOptions when loading and const TOptions when saving.
template <class V, class O> void Visit(V &v, O &options, KeyGroup group) {
  switch (group) {
  case KeyGroup::StartUp:
    return VisitStartUp(v, options.StartUp);
  case KeyGroup::Scanning:
    return VisitScanning(v, options.Scanning);
  case KeyGroup::General:
    return VisitGeneral(v, options.General);
  case KeyGroup::Guide:
    return VisitGuide(v, options.General);
  case KeyGroup::Recording:
    return VisitRecording(v, options.Recording);
  case KeyGroup::WinLirc:
    return VisitWinLirc(v, options.WinLirc);
  case KeyGroup::DiseqC:
    return VisitDiseqC(v, options.DiseqC);
  case KeyGroup::Teletext:
    return VisitTeletext(v, options.Teletext);
  case KeyGroup::ChFilter:
    return VisitChFilter(v, options.ChFilter);
  }
}

constexpr KeyGroup kLoadOrder[] = {KeyGroup::ChFilter, KeyGroup::StartUp,   KeyGroup::Scanning,
                                   KeyGroup::General,  KeyGroup::Recording, KeyGroup::WinLirc,
                                   KeyGroup::DiseqC,   KeyGroup::Guide,     KeyGroup::Teletext};
constexpr KeyGroup kSaveOrder[] = {KeyGroup::StartUp,   KeyGroup::Scanning, KeyGroup::General,
                                   KeyGroup::Recording, KeyGroup::WinLirc,  KeyGroup::Guide,
                                   KeyGroup::DiseqC,    KeyGroup::Teletext};

// The filter flags start cleared at every load, whatever was held before.
void ClearFilterFlags(TOptions &options) {
  TChFilterOptions &filter = options.ChFilter;
  filter.ChfFlagSUB = filter.ChfFlagTTX = filter.ChfFlagAC3 = filter.ChfFavorite = false;
  filter.MinimizedCF = false;
}

// Writes the groups and puts a comment line of ";" alone directly above each header but the
// first, replacing the one a previous save left there.
std::string SaveGroups(const TOptions &options, const std::filesystem::path &file,
                       std::span<const KeyGroup> groups) {
  TFastIniFile ini(file);
  for (const KeyGroup group : groups) {
    const char *section = SectionOf(group);
    if (group != KeyGroup::StartUp && group != KeyGroup::Guide)
      ini.InsertComment(section, "", TFastIniFile::kCreateMissing | TFastIniFile::kReplaceExisting,
                        TFastIniFile::CommentPlace::AboveSection, ";");
    TOptionWriter writer(ini, section);
    Visit(writer, options, group);
  }
  return ini.UpdateFile();
}

} // namespace

void ApplyLoadCorrections(TOptions &options) {
  ClampTreeKinds(options.ChFilter);
  TRecordingOptions &recording = options.Recording;
  recording.RecNameFormat = Trim(recording.RecNameFormat);
  if (recording.RecNameFormat.empty())
    recording.RecNameFormat = kDefaultRecNameFormat;
  options.General.SignalUpdateInterval =
      std::max<std::uint16_t>(options.General.SignalUpdateInterval, 100);
  options.StartUp.ActiveDevice = Trim(options.StartUp.ActiveDevice);
  options.General.PrefAudioLang = DeleteChars(options.General.PrefAudioLang, " \t");
  options.Session.PrefLangs = ParsePrefLang(options.General.PrefAudioLang);
}

void ClampTreeKinds(TChFilterOptions &rules) {
  const auto clamp = [](int &value, int count) {
    if (value < 0 || value >= count)
      value = 0;
  };
  clamp(rules.Group1By, kGroupKinds);
  clamp(rules.Group2By, kGroupKinds);
  clamp(rules.SortRule1, kSortKeys);
  clamp(rules.SortRule2, kSortKeys);
  clamp(rules.ChfInfoCol, kInfoColumns);
}

TOptions &Options() {
  static TOptions options;
  return options;
}

void LoadOptions(TOptions &options, const std::filesystem::path &file) {
  ClearFilterFlags(options);
  try {
    TFastIniFile ini(file);
    for (const KeyGroup group : kLoadOrder) {
      TOptionReader reader(ini, SectionOf(group));
      Visit(reader, options, group);
    }
  } catch (const std::exception &e) {
    Log("Cannot load " + file.string() + ": " + e.what(), kLogError);
  }
  ApplyLoadCorrections(options);
}

std::string SaveOptions(const TOptions &options, const std::filesystem::path &file) {
  try {
    std::string error = SaveGroups(options, file, kSaveOrder);
    // The channel filter is written by a file object of its own, after the others.
    constexpr KeyGroup kFilter[] = {KeyGroup::ChFilter};
    const std::string filterError = SaveGroups(options, file, kFilter);
    return error.empty() ? filterError : error;
  } catch (const std::exception &e) {
    return "Cannot save " + file.string() + ": " + e.what();
  }
}

void ChooseStartChannel(TOptions &options) {
  if (!options.General.SelectLastChan)
    options.StartUp.LastChannel = -1;
  options.Session.StartChannel = options.StartUp.LastChannel;
}

} // namespace qev::frame
