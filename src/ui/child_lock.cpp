#include "ui/child_lock.h"

#include "frame/fast_ini_file.h"
#include "frame/file_reader.h"
#include "frame/log.h"
#include "frame/md5.h"
#include "frame/message_boxes.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <cctype>

namespace qev::ui {

namespace {

constexpr const char *kSection = "Options";
constexpr const char *kKey = "ChpDigest";
// The digest a fresh installation of the original program wrote. Nobody knows a password for
// it, so it stands for no password at all.
constexpr const char *kUnknownDefaultDigest = "7F2A9C41E08B53D6A1C4F9E2B7305D18";

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

} // namespace

std::string TChildLock::Digest(std::string_view password) { return frame::Md5Hex(Upper(password)); }

std::string TChildLock::Load(const std::filesystem::path &optionsFile) {
  file_ = optionsFile;
  stored_ = TStored::None;
  digest_.clear();
  const frame::TFileContent content = frame::ReadFileStart(optionsFile, 0);
  if (content.Status == frame::FileReadStatus::Unreadable) {
    stored_ = TStored::Unknown;
    return content.Error();
  }
  try {
    frame::TFastIniFile ini(optionsFile);
    const std::string value = Upper(frame::Trim(ini.ReadString(kSection, kKey, "")));
    if (ini.Unreadable()) {
      stored_ = TStored::Unknown;
      return "Cannot read " + optionsFile.string();
    }
    if (!value.empty() && value != kUnknownDefaultDigest) {
      stored_ = TStored::Digest;
      digest_ = value;
    }
  } catch (const std::exception &e) {
    stored_ = TStored::Unknown;
    return "Cannot read " + optionsFile.string() + ": " + e.what();
  }
  return {};
}

bool TChildLock::Matches(const std::string &answer) const {
  return stored_ == TStored::Digest && Digest(answer) == digest_;
}

bool TChildLock::Unlock(IPasswordAsker &asker) {
  if (stored_ == TStored::None) {
    active_ = false;
    return active_;
  }
  const std::optional<std::string> answer = asker.AskPassword(kPromptChildLock);
  active_ = !(answer && Matches(*answer));
  return active_;
}

bool TChildLock::ChangePassword(IPasswordAsker &asker) {
  if (active_ && Unlock(asker))
    return false;
  const std::optional<std::string> first = asker.AskPassword(kPromptNewPassword);
  if (!first)
    return false;
  const std::optional<std::string> second = asker.AskPassword(kPromptRetypePassword);
  if (!second)
    return false;
  if (Upper(*first) != Upper(*second)) {
    frame::ShowError(kMsgPasswordsDiffer);
    return false;
  }
  const std::string digest = Digest(*first);
  if (const std::string error = Store(digest); !error.empty()) {
    frame::ShowError(error);
    return false;
  }
  stored_ = TStored::Digest;
  digest_ = digest;
  frame::ShowInformation(kMsgPasswordChanged);
  return true;
}

std::string TChildLock::Store(const std::string &digest) {
  if (file_.empty())
    return "ChildLock: no options file to keep the password in";
  try {
    frame::TFastIniFile ini(file_);
    ini.WriteString(kSection, kKey, digest);
    std::string error = ini.UpdateFile();
    if (error.empty() && ini.Unreadable())
      error = "Cannot write " + file_.string() + ": the file could not be read";
    return error;
  } catch (const std::exception &e) {
    return "Cannot write " + file_.string() + ": " + e.what();
  }
}

TChildLock &ChildLock() {
  static TChildLock lock;
  return lock;
}

} // namespace qev::ui
