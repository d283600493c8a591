#pragma once

#include "frame/pref_lang.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace qev::frame {

inline constexpr const char *kDefaultRecNameFormat = "yyyymmdd_hhnn <Name> (<Info>)";
inline constexpr std::int64_t kBytesPerMegabyte = 1048576;

// Section "StartUp".
struct TStartUpOptions {
  std::string ActiveDevice;
  std::string LastSelected;
  int LastChannel = -1; // changed only by a real switch of AV slot 0
};

// Section "Scanning".
struct TScanningOptions {
  int TimeoutPAT = 5000;
  int TimeoutCAT = 1000;
  int TimeoutSDT = 10000;
  int TimeoutPMT = 10000;
  int TimeoutNIT = 5000;
  bool NoWarningCAT = true;
  bool UpdFromSDX = true;
  bool ChangeData2TV = true;
  bool ChangeFta2Pay = true;
  bool RescanSDTOnUpd = false;
  bool SetPrefAudLang = true;
};

// Section "Options", the guide keys at its end included.
struct TGeneralOptions {
  bool SingleClickChange = false;
  bool ChListAlignRight = false;
  bool MinimizeToTray = true;
  std::string PrefAudioLang = "ENG,RUM,GER,SPA";
  bool AutoCloseSWin = true;
  bool SortCaListByID = true;
  std::uint16_t SignalUpdateInterval = 300;
  int OverscanPixels = 0;
  int VidCropPercent = 3;
  bool PowerOffLnb = false;
  bool PidEditsInHex = false;
  bool ChanVolAdjust = false;
  bool SelectLastChan = true;
  bool NoScreenSaver = true;
  bool NoSuspendAPM = false;
  bool OneSatMobDish = false;
  bool AutoExpandChl = true;
  bool ChanPlgProfile = true;
  bool Only1Proc = true;
  bool GesturesEnabled = true;
  bool VideoDblClickZo = true;
  bool Video0Disabled = false;
  bool EpgBgParser = true;
  bool CheckCRCinEIT = false;
  int EpgChanGroup = 0;
  // The guide is kept across restarts in the root.
  bool EpgKeep = true;
};

// Section "Recording".
struct TRecordingOptions {
  std::string DestDirectory;
  std::string RecNameFormat = kDefaultRecNameFormat;
  bool Check4Duplic = true;
  std::int64_t FileSplitSize = 4096 * kBytesPerMegabyte; // in bytes; stored in MB
  bool AskBeforeRec = true;
  bool RecordAll_AUD = false;
  bool RecordAll_TTX = false;
  bool Record_ECM = true;
  bool Record_PMT = true;
  bool Record_PAT = false;
};

// Section "WinLirc".
struct TWinLircOptions {
  bool Enabled = false;
  std::string HostPort = "127.0.0.1:8765";
  int AntiRepeat = 200;
};

// Section "DiseqC".
struct TDiseqcOptions {
  std::uint8_t DiseqSW1Adr = 0x10;
  std::uint8_t DiseqSW2Adr = 0x10;
  std::uint8_t DiseqSW3Adr = 0x10;
  std::uint8_t DiseqPOSAdr = 0x31;
  std::uint8_t DiseqRepPrefix = 1;
  bool DiseqOnChan = false;
  bool AdjustGotoX = true;
  double RxLatitude = 0;
  double RxLongitude = 0;
  int SmartPosCom = 0;
};

// Section "Teletext".
struct TTeletextOptions {
  bool TTxBgParser = false;
  int TTxImageW = 400;
  int TTxImageH = 375;
  std::string TTxFontName = "Lucida Console";
  std::string SubFontName = "Lucida Console";
  int SubFontSize = 32;
  std::uint32_t SubFontColor = 0x00FFFF00; // 0x00BBGGRR
  bool SubFontBold = true;
  int SubOutlSize = 1;
  std::uint32_t SubOutlColor = 0x00FF0000; // 0x00BBGGRR
  int SubPosPercent = 5;
  int SubTextBorder = 2;
};

// Section "ChFilter": grouping, sorting and filter of the AV slot 0 channel tree.
struct TChFilterOptions {
  int Group1By = 1;
  int Group2By = 0;
  int SortRule1 = 1;
  int SortRule2 = 0;
  int ChfServType = 27;
  int ChfCategory = 0;
  std::string ChfContain;
  int ChfInfoCol = 0;
  bool ChfFlagSUB = false;
  bool ChfFlagTTX = false;
  bool ChfFlagAC3 = false;
  bool ChfFavorite = false;
  bool MinimizedCF = false;
};

inline constexpr int kGroupKinds = 16;
inline constexpr int kSortKeys = 4;
inline constexpr int kInfoColumns = 6;
// A kind outside its table (a hand-edited file) becomes 0, as the filter panel's choosers do.
void ClampTreeKinds(TChFilterOptions &rules);

// Values that live for one run and are never stored.
struct TSessionOptions {
  bool ClearGuideOnTpChange = false;
  // The channel AV slot 0 switches to at start, -1 for none: LastChannel, unless the command
  // line names another one for this start.
  int StartChannel = -1;
  TPrefLangArray PrefLangs = ParsePrefLang("ENG,RUM,GER,SPA");
};

struct TOptions {
  TStartUpOptions StartUp;
  TScanningOptions Scanning;
  TGeneralOptions General;
  TRecordingOptions Recording;
  TWinLircOptions WinLirc;
  TDiseqcOptions DiseqC;
  TTeletextOptions Teletext;
  TChFilterOptions ChFilter;
  TSessionOptions Session;
};

// The process-wide options; the user-interface thread reads and changes them.
TOptions &Options();

// Reads "Options.cfg" over the values held (a missing key keeps its value) and applies the
// corrections that follow loading. A file that cannot be read is logged and gives the values
// held; nothing is thrown.
void LoadOptions(TOptions &options, const std::filesystem::path &file);
// Writes every key in its order, then the "ChFilter" section. The file is rewritten only when
// a value changed; keys and comments the program does not know stay. Returns an error text,
// empty on success.
std::string SaveOptions(const TOptions &options, const std::filesystem::path &file);

// With SelectLastChan off the program starts without a channel: LastChannel becomes -1, so
// that the next start has none either unless a channel is switched on in this run. Sets the
// start channel from it.
void ChooseStartChannel(TOptions &options);

} // namespace qev::frame
