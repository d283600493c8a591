#pragma once

#include "data/channel_editing.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qev::data {

inline constexpr const char *kEditChTitle = "Channel";

// What the channel editor works with besides the record.
struct TChannelEditLinks {
  bool PidsInHex = false;
  // The notation was toggled: the option is set and the windows are told.
  std::function<void(bool hex)> SetPidsInHex = [](bool) {};
  std::vector<std::string> Categories{"#Unknow"};
  // The single-channel rescan of a working copy; empty hides Rescan.
  std::function<bool(TChannelRec &)> Rescan{};
  // Shows a record without letting it be changed (a scan result).
  bool ReadOnly = false;
};

// The channel editor: every field of one record, with its ES and CA lists, on a working copy
// that is written back only when the user saves.
class TFormEditCh : public QDialog {
  Q_OBJECT
public:
  TFormEditCh(QWidget *owner, const TChannelRec &rec, TChannelEditLinks links);
  ~TFormEditCh() override;

  // The working copy with the inputs stored into it.
  TChannelRec Working() const;
  const TChannelRec &Result() const;
  void accept() override;

  // The list buttons; a row of -1 is no selection. Add and Modify ask through the entry dialog.
  void EsAdd();
  void EsModify(int row);
  void EsDelete(int row);
  void EsMove(int row, int by);
  void EsSet(int row);
  void CaAdd();
  void CaModify(int row);
  void CaDelete(int row);
  void CaMove(int row, int by);
  void CaSet(int row);

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

// True when the user saved; rec holds the result.
bool EditChannel(QWidget *owner, TChannelRec &rec, const TChannelEditLinks &links);

} // namespace qev::data
