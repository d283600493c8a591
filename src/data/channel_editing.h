#pragma once

#include "data/channel_rec.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

inline constexpr const char *kSelectOneCa = "Please select one CA item...";
inline constexpr const char *kSelectOneEs = "Please select one ES item...";
inline constexpr const char *kNotAudVidTtx = "Selected item type is not AUD/VID/TTX...";
inline constexpr int kMaxPid = 8191;
inline constexpr int kMinEditSRate = 1000;
inline constexpr int kMaxEditSRate = 60000;
inline constexpr std::size_t kNameTextBytes = kNameBytes - 1;

// "No more space for CA items (max 16)" / "... ES items ..."
std::string NoMoreSpaceText(bool ca);
// "Add Item", "Modify Item", "Delete Item"
std::string ItemDialogTitle(std::string_view action);

// The field an ES entry's Set fills: teletext by kind, else audio or video by stream type.
enum class EsTarget { None, Video, Audio, Teletext };
EsTarget EsSetTarget(const TEsItem &item);
// "Set AUDIO pid to 0x0100 ?"; empty when the entry has no target.
std::string EsSetQuestion(const TEsItem &item, bool hex);
// "Set ECM pid to 0x0500 ?"
std::string CaSetQuestion(const TCaItem &item, bool hex);

// Swaps entries i and j of a list; false when either is outside it.
bool EsSwap(TChannelRec &rec, int i, int j);
bool CaSwap(TChannelRec &rec, int i, int j);

// The columns of the editor's lists: Type, PID, Lang, Page, Language / CAID, ECM, EMM, PRV,
// Crypt System.
std::vector<std::string> EsRowTexts(const TEsItem &item, bool hex);
std::vector<std::string> CaRowTexts(const TCaItem &item, bool hex);

// "2024-03-01 20:15", empty for 0.
std::string EditTimeText(double dateTime);
// A number input's text in the notation the PidEditsInHex option chooses.
std::string NumberText(std::uint32_t value, bool hex);
// Nothing when the text is no number of that notation or exceeds max.
std::optional<std::uint32_t> ParseNumber(std::string_view text, bool hex, std::uint32_t max);
// Trimmed and cut to the field's 29 bytes at a character boundary.
std::string EditNameText(std::string_view utf8);

// The channel editor's single inputs; the ES and CA lists are edited on the record itself.
struct TChannelEditFields {
  std::uint32_t Freq = 0;
  std::uint16_t SRate = 0;
  std::string Polar; // "Horizontal" or "Vertical": the first letter is stored
  std::uint16_t TID = 0, SID = 0, PmtPid = 0, PcrPid = 0, EcmPid = 0;
  std::uint16_t VidPid = 0, AudPid = 0, TtxPid = 0, Ac3Pid = 0;
  std::string Name, Prov;
  std::uint16_t ChNumber = 0;
  int Kind = 0; // 0 data, 1 TV, 2 radio
  bool Scrambled = false;
  int Categ = 0;
  int VolAdj = 100;
  int PlgProfile = 0;
};
TChannelEditFields ChannelEditFieldsOf(const TChannelRec &rec);
void StoreChannelEdit(const TChannelEditFields &fields, TChannelRec &rec);

} // namespace qev::data
