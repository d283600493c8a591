#pragma once

#include "ui/tree_rules.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace qev::ui::test {

// Channel records by handle, standing in for the satellite and channel lists.
struct TFakeSky {
  std::map<std::int32_t, data::TChannelRec> Channels;
  std::vector<std::int32_t> Order; // walk order
  bool ChildLock = false;
  int Walks = 0;

  data::TChannelRec &Add(std::int32_t handle, std::string_view name) {
    data::TChannelRec rec{};
    rec.Freq = 11'000'000;
    rec.Polar = 'H';
    rec.SrvType = 1;
    rec.SatIndex = static_cast<std::uint8_t>(handle >> 16);
    data::SetChName(rec, name);
    Order.push_back(handle);
    return Channels[handle] = rec;
  }

  TTreeLookups Lookups() {
    TTreeLookups l;
    l.WalkChannels = [this](const TChannelVisitor &visit) {
      ++Walks;
      for (const std::int32_t handle : Order)
        visit(handle, Channels.at(handle));
      return static_cast<std::int64_t>(Order.size());
    };
    l.ChannelByHandle = [this](std::int32_t handle) -> std::optional<data::TChannelRec> {
      const auto it = Channels.find(handle);
      if (it == Channels.end())
        return std::nullopt;
      return it->second;
    };
    l.SatName = [](int sat) { return "Sat" + std::to_string(sat); };
    l.CategName = [](int c) { return c == 0 ? std::string() : "Cat" + std::to_string(c); };
    l.FavName = [](int n) { return "Fav" + std::to_string(n); };
    l.FavText = [](const data::TChannelRec &rec) { return "F" + std::to_string(rec.FavCat[0]); };
    l.SatPosText = [](int sat) { return "Pos" + std::to_string(sat); };
    l.ProfileName = [](int p) { return "Profile" + std::to_string(p); };
    l.ChildLockActive = [this] { return ChildLock; };
    return l;
  }
};

inline void AddEs(data::TChannelRec &rec, std::uint8_t kind, std::string_view lang) {
  data::TEsItem item{};
  item.Kind = kind;
  item.Pid = static_cast<std::uint16_t>(100 + rec.EsCount);
  data::SetEsLang(item, lang);
  data::EsAppend(rec, item);
}

inline void AddCa(data::TChannelRec &rec, std::uint16_t caId, std::uint32_t provId) {
  data::TCaItem item{};
  item.CaId = caId;
  item.ProvId = provId;
  data::CaAppend(rec, item);
}

} // namespace qev::ui::test
