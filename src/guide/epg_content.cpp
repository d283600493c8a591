#include "guide/epg_content.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>

namespace qev::guide {
namespace {

// The apostrophe of the children's entries is a grave accent, as receivers have always shown it.
constexpr std::array<TEventContent, 79> kContent{{
    {0x10, "Movie/drama"},
    {0x11, "Detective/thriller"},
    {0x12, "Adventure/western/war"},
    {0x13, "Science fiction/fantasy/horror"},
    {0x14, "Comedy"},
    {0x15, "Soap/melodrama/folkloric"},
    {0x16, "Romance"},
    {0x17, "Serious/classical/religious/drama"},
    {0x18, "Adult movie/drama"},
    {0x20, "News/current affairs"},
    {0x21, "News/weather report"},
    {0x22, "News magazine"},
    {0x23, "Documentary"},
    {0x24, "Discussion/interview/debate"},
    {0x30, "Show/game show"},
    {0x31, "Game show/Contest"},
    {0x32, "Variety show"},
    {0x33, "Talk show"},
    {0x40, "Sports"},
    {0x41, "Special events (OlympicGames,WorldCup)"},
    {0x42, "Sports magazines"},
    {0x43, "Football/soccer"},
    {0x44, "Tennis/squash"},
    {0x45, "Team sports (excluding football)"},
    {0x46, "Athletics"},
    {0x47, "Motor sport"},
    {0x48, "Water sport"},
    {0x49, "Winter sports"},
    {0x4A, "Equestrian"},
    {0x4B, "Martial sports"},
    {0x50, "Children`s programmes"},
    {0x51, "Pre-school children`s programmes"},
    {0x52, "Entertainment (6 to 14)"},
    {0x53, "Entertainment (10 to 16)"},
    {0x54, "Informational/educational/school programmes"},
    {0x55, "Cartoons/puppets"},
    {0x60, "Music/ballet/dance"},
    {0x61, "Rock/pop"},
    {0x62, "Serious music/classical"},
    {0x63, "Folk/traditional music"},
    {0x64, "Jazz"},
    {0x65, "Musical/opera"},
    {0x66, "Ballet"},
    {0x70, "Arts/culture (without music)"},
    {0x71, "Performing arts"},
    {0x72, "Fine arts"},
    {0x73, "Religion"},
    {0x74, "Popular culture/traditional arts"},
    {0x75, "Literature"},
    {0x76, "Film/cinema"},
    {0x77, "Experimental film/video"},
    {0x78, "Broadcasting/press"},
    {0x79, "New media"},
    {0x7A, "Arts/culture magazines"},
    {0x7B, "Fashion"},
    {0x80, "Social/political issues/economics"},
    {0x81, "Magazines/reports/documentary"},
    {0x82, "Economics/social advisory"},
    {0x83, "Remarkable people"},
    {0x90, "Education/science/factual topics"},
    {0x91, "Nature/animals/environment"},
    {0x92, "Technology/natural sciences"},
    {0x93, "Medicine/physiology/psychology"},
    {0x94, "Foreign countries/expeditions"},
    {0x95, "Social/spiritual sciences"},
    {0x96, "Further education"},
    {0x97, "Languages"},
    {0xA0, "Leisure hobbies"},
    {0xA1, "Tourism/travel"},
    {0xA2, "Handicraft"},
    {0xA3, "Motoring"},
    {0xA4, "Fitness & health"},
    {0xA5, "Cooking"},
    {0xA6, "Advertisement/shopping"},
    {0xA7, "Gardening"},
    {0xB0, "Original language"},
    {0xB1, "Black & white"},
    {0xB2, "Unpublished"},
    {0xB3, "Live broadcast"},
}};

} // namespace

std::span<const TEventContent> EventContentTable() { return kContent; }

std::string EpgContentText(std::uint8_t content) {
  const auto *entry = std::ranges::find(kContent, content, &TEventContent::Code);
  if (entry == kContent.end())
    return fmt::format("Undefined content (0x{:02X})", content);
  return fmt::format("{} (0x{:02X})", entry->Text, content);
}

} // namespace qev::guide
