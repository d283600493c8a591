#include "video/graph_check.h"

#include "frame/file_reader.h"
#include "frame/string_utils.h"
#include "video/graph_file.h"

#include <algorithm>
#include <cctype>

namespace qev::video {

namespace {

// Reads the low bytes of a binary graph as a stream of tokens.
class TGrfReader {
public:
  explicit TGrfReader(std::string_view bytes) {
    text_.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      text_.push_back(bytes[i]);
  }

  bool SeekAfter(std::string_view marker) {
    const std::size_t at = text_.find(marker);
    if (at == std::string::npos)
      return false;
    pos_ = at + marker.size();
    return true;
  }
  void SkipLine() {
    const std::size_t end = text_.find('\n', pos_);
    pos_ = end == std::string::npos ? text_.size() : end + 1;
  }
  std::string Line() {
    const std::size_t start = pos_;
    SkipLine();
    return frame::Trim(std::string_view(text_).substr(start, pos_ - start));
  }
  // A run of non-blank characters, or a text in double quotes (without them).
  std::string Token() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
      ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '"') {
      const std::size_t close = text_.find('"', pos_ + 1);
      const std::size_t end = close == std::string::npos ? text_.size() : close;
      std::string quoted = text_.substr(pos_ + 1, end - pos_ - 1);
      pos_ = std::min(end + 1, text_.size());
      return quoted;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])))
      ++pos_;
    return text_.substr(start, pos_ - start);
  }
  // Skips data of a length in bytes (two to a character) after the one blank that ends its
  // length; false when the file ends before the data does.
  bool SkipData(std::uint64_t bytes) {
    const std::uint64_t characters = (bytes + 1) / 2 + 1;
    if (characters > text_.size() - pos_)
      return false;
    pos_ += static_cast<std::size_t>(characters);
    return true;
  }

private:
  std::string text_;
  std::size_t pos_ = 0;
};

// A decimal length; nothing for another token or one beyond any file.
std::optional<std::uint64_t> Length(const std::string &token) {
  if (token.empty() || token.size() > 12 ||
      !std::all_of(token.begin(), token.end(), [](unsigned char c) { return std::isdigit(c); }))
    return std::nullopt;
  return std::stoull(token);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

TGraphFilters FromCommands(const std::vector<TGraphCommand> &commands) {
  TGraphFilters result;
  for (const TGraphCommand &command : commands)
    if (const auto *add = std::get_if<TAddFilterCommand>(&command))
      result.Filters.emplace_back(add->Class, add->Name);
  if (result.Filters.empty())
    result.Error = kGraphEmpty;
  return result;
}

std::vector<std::pair<std::string, std::string>> Details(const TFilterRegistration &r) {
  switch (r.Status) {
  case kFilterUsable:
    return {{"ClassName", r.ClassName}, {"Library", r.LibraryPath}};
  case kFilterLibraryMissing:
    return {{kLibraryMissing, r.LibraryPath}};
  default:
    return {{kClassNotRegistered, std::to_string(r.Status)}};
  }
}

} // namespace

TGraphFilters ScanGrf(std::string_view bytes) {
  TGrfReader reader(bytes);
  if (!reader.SeekAfter("0003") && !reader.SeekAfter("0002"))
    return {{}, kInvalidGrf, {}};
  reader.SkipLine();
  if (!frame::EqualsNoCase(reader.Line(), "FILTERS"))
    return {{}, kSectionNotFound, {}};
  TGraphFilters result;
  for (;;) {
    const std::string number = reader.Token();
    if (number.empty() || number[0] != '0')
      break;
    std::string name = reader.Token();
    std::string classId = reader.Token();
    std::string token = reader.Token();
    if (Upper(token) == "SOURCE" || Upper(token) == "SINK") {
      reader.Token(); // the file it reads or writes
      token = reader.Token();
    }
    result.Filters.emplace_back(std::move(classId), std::move(name));
    const auto length = Length(token);
    if (!length || !reader.SkipData(*length))
      break;
    reader.SkipLine();
  }
  if (result.Filters.empty())
    result.Error = kGraphEmpty;
  return result;
}

TGraphFilters GraphFileFilters(const std::filesystem::path &file) {
  const std::string extension = Upper(file.extension().string());
  if (extension != ".GRS" && extension != ".XGR" && extension != ".GRF")
    return {{}, kUnknownFileType, {}};
  const frame::TFileContent content = frame::ReadFileContent(file);
  if (content.Status != frame::FileReadStatus::Read) {
    TGraphFilters failed{{}, kFileNotFound, {}};
    if (content.Status == frame::FileReadStatus::Unreadable)
      failed.ReadError = "File: " + file.string() + "\r\r" + content.Reason;
    return failed;
  }
  if (extension == ".GRF")
    return ScanGrf(content.Text);
  return FromCommands(extension == ".GRS" ? ParseGrs(content.Text) : ParseXgr(content.Text));
}

bool TGraphCheck::AllUsable() const {
  return Scan.Error.empty() &&
         std::none_of(Rows.begin(), Rows.end(), [](const auto &row) { return row.Failed(); });
}

TGraphCheck CheckGraphFilters(const std::filesystem::path &file, IFilterRegistry &registry) {
  TGraphCheck check;
  check.Scan = GraphFileFilters(file);
  for (const auto &[classId, name] : check.Scan.Filters) {
    const TFilterRegistration registration = registry.CheckFilterRegistration(classId);
    check.Rows.push_back({classId, name, registration.Status, Details(registration)});
  }
  return check;
}

} // namespace qev::video
