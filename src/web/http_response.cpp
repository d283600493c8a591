#include "web/http_response.h"

#include "frame/string_utils.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>

namespace qev::web {

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The body's form, from the header lines.
struct TBodyForm {
  std::int64_t Length = -1;
  bool LengthMode = false;
  bool Chunked = false;
};

class TResponseReader {
public:
  TResponseReader(THttpReader &reader, std::ostream &out, THttpResponse &response)
      : reader_(reader), out_(out), response_(response) {}

  bool StatusLine() {
    std::string line;
    if (!NonEmptyLine(line))
      return false;
    if (Upper(line.substr(0, 5)) != "HTTP/") {
      out_ << line << "\r\n";
      response_.Code = 0;
      return false;
    }
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    const std::string code = first == std::string::npos
                                 ? std::string()
                                 : line.substr(first + 1, second - std::min(second, first + 1));
    response_.Code = 0;
    std::from_chars(code.data(), code.data() + code.size(), response_.Code);
    response_.Text = second == std::string::npos ? std::string() : line.substr(second + 1);
    return true;
  }

  bool HeaderLines(TBodyForm &form) {
    for (std::string line;;) {
      if (!reader_.ReadLine(line))
        return false;
      if (line.empty())
        return true;
      if (static_cast<int>(response_.Headers.size()) >= reader_.Limits().MaxHeaders)
        return reader_.Fail(EMSGSIZE, "Too many header lines");
      if (!Header(line, form))
        return false;
      response_.Headers.push_back(std::move(line));
    }
  }

  bool Body(const TBodyForm &form) {
    if (form.Chunked)
      return Chunks();
    if (form.LengthMode)
      return form.Length < 1 || reader_.ReadBytes(form.Length, out_);
    return reader_.ReadToClose(out_);
  }

private:
  bool NonEmptyLine(std::string &line) {
    for (int blank = 0;; ++blank) {
      if (!reader_.ReadLine(line))
        return false;
      if (!line.empty())
        return true;
      if (blank >= reader_.Limits().MaxBlankLines)
        return reader_.Fail(EPROTO, "Too many empty lines");
    }
  }

  bool Header(const std::string &line, TBodyForm &form) {
    const std::string upper = Upper(line);
    if (StartsWith(upper, "CONTENT-LENGTH:"))
      return Length(frame::Trim(std::string_view(line).substr(15)), form);
    if (StartsWith(upper, "CONTENT-TYPE:")) {
      const std::size_t blank = line.find(' ');
      response_.MimeType =
          blank == std::string::npos ? std::string() : frame::Trim(line.substr(blank + 1));
    } else if (StartsWith(upper, "TRANSFER-ENCODING:") &&
               upper.find("CHUNKED") != std::string::npos) {
      form.Chunked = true;
    }
    return true;
  }

  bool Length(const std::string &value, TBodyForm &form) {
    std::int64_t length = -1;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (ec == std::errc::result_out_of_range)
      return reader_.Fail(EFBIG, "Body too large");
    if (ec != std::errc() || end != value.data() + value.size()) {
      form.Length = -1;
      form.LengthMode = false;
      return true;
    }
    if (length > reader_.Limits().MaxBody)
      return reader_.Fail(EFBIG, "Body too large");
    form.Length = length;
    form.LengthMode = true;
    return true;
  }

  bool Chunks() {
    for (;;) {
      std::string line;
      if (!NonEmptyLine(line))
        return false;
      std::string size = line.substr(0, line.find(' '));
      size = size.substr(0, size.find(';'));
      std::int64_t count = 0;
      const auto [end, ec] = std::from_chars(size.data(), size.data() + size.size(), count, 16);
      if (ec == std::errc::result_out_of_range ||
          (ec == std::errc() && count > reader_.Limits().MaxChunk))
        return reader_.Fail(EFBIG, "Chunk too large");
      if (ec != std::errc() || end != size.data() + size.size() || count < 0)
        return reader_.Fail(EPROTO, "Invalid chunk size");
      if (count == 0)
        return true;
      if (!reader_.ReadBytes(count, out_))
        return false;
    }
  }

  THttpReader &reader_;
  std::ostream &out_;
  THttpResponse &response_;
};

} // namespace

THttpResponse ReadResponse(THttpReader &reader, std::ostream &out,
                           const std::function<void(std::int64_t)> &headersRead) {
  THttpResponse response;
  TResponseReader read(reader, out, response);
  if (!read.StatusLine() || response.Code != 200) {
    response.Error = reader.Error();
    return response;
  }
  TBodyForm form;
  if (read.HeaderLines(form)) {
    if (headersRead)
      headersRead(form.Length);
    response.Complete = read.Body(form);
  }
  response.Error = reader.Error();
  return response;
}

} // namespace qev::web
