#include "web/syn_http_get.h"

#include "frame/string_utils.h"
#include "web/http_response.h"
#include "web/http_socket.h"
#include "web/http_url.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace qev::web {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

void StoreCookie(THttpCookies &cookies, std::string name, std::string value) {
  const auto it = std::find_if(cookies.begin(), cookies.end(),
                               [&](const auto &cookie) { return cookie.first == name; });
  if (it != cookies.end())
    it->second = std::move(value);
  else
    cookies.emplace_back(std::move(name), std::move(value));
}

} // namespace

bool TSynHttpGet::Fail(int code, std::string text) {
  ResultCode = code;
  ResultString = std::move(text);
  return false;
}

void TSynHttpGet::Work(THttpWorkKind kind, const std::string &address, std::int64_t value) {
  if (OnHttpWork)
    OnHttpWork(kind, address, value);
}

bool TSynHttpGet::HttpGet(const std::string &address, std::iostream &out) {
  ResultCode = 500;
  ResultString.clear();
  if (!SafeUrlText(address))
    return Fail(0, "Invalid characters in address");
  const std::optional<THttpUrl> url = SplitUrl(address);
  if (!url)
    return Fail(0, "Invalid address");
  if (Lower(url->Scheme) != "http")
    return Fail(0, "Protocol not supported (" + url->Scheme + ")");
  TargetHost = url->Host;
  TargetPort = url->Port;
  return Exchange(*url, address, out);
}

bool TSynHttpGet::Exchange(const THttpUrl &url, const std::string &address, std::iostream &out) {
  THttpRequestSettings settings{UserName,  Password,  UserAgent, RangeStart, RangeEnd, Cookies,
                                ProxyHost, ProxyPort, ProxyUser, ProxyPass,  Headers};
  const std::vector<std::string> lines = BuildRequestLines(url, settings);
  if (!SafeRequestLines(lines))
    return Fail(0, "Invalid characters in a header");

  const auto deadline =
      THttpSocket::TClock::now() + std::chrono::milliseconds(std::max(0, TransferTimeout));
  THttpSocket socket(stop_, std::chrono::milliseconds(std::max(0, Timeout)), deadline);
  const bool proxy = !ProxyHost.empty();
  THttpError error;
  Work(THttpWorkKind::Resolving, address, 0);
  if (!socket.Resolve(proxy ? ProxyHost : url.Host, proxy ? ProxyPort : url.Port, error))
    return Fail(error.Code, error.Text);
  Work(THttpWorkKind::Connecting, address, 0);
  if (!socket.Connect(IPInterface, error) || !socket.Send(JoinRequest(lines), error))
    return Fail(error.Code, error.Text);

  RangeStart = RangeEnd = 0;
  Headers.clear();
  MimeType = "text/html";
  THttpReader reader(socket, Limits,
                     [&](std::int64_t total) { Work(THttpWorkKind::Received, address, total); });
  const THttpResponse response = ReadResponse(
      reader, out, [&](std::int64_t length) { Work(THttpWorkKind::Headers, address, length); });
  Headers = response.Headers;
  MimeType = response.MimeType;
  CollectCookies();
  if (response.Error.Code != 0)
    return Fail(response.Error.Code, response.Error.Text);
  ResultCode = response.Code;
  ResultString = response.Code == 0 ? "No status line in the response" : response.Text;
  if (!response.Complete)
    return false;
  out.clear();
  const std::int64_t size = out.tellp();
  Work(THttpWorkKind::Complete, address, size);
  out.seekg(0);
  out.seekp(0);
  return true;
}

void TSynHttpGet::CollectCookies() {
  for (const std::string &line : Headers) {
    if (Lower(line.substr(0, 11)) != "set-cookie:")
      continue;
    std::string pair = line.substr(11);
    pair = pair.substr(0, pair.find(';'));
    const std::size_t equals = pair.find('=');
    std::string name = frame::Trim(pair.substr(0, equals));
    std::string value =
        equals == std::string::npos ? std::string() : frame::Trim(pair.substr(equals + 1));
    if (!name.empty())
      StoreCookie(Cookies, std::move(name), std::move(value));
  }
}

THttpGetThread::THttpGetThread(TSynHttpGet &client, std::string address, std::iostream &out)
    : thread_([this, &client, address = std::move(address), &out] {
        try {
          result_ = client.HttpGet(address, out);
        } catch (...) {
          client.ResultCode = 500;
          client.ResultString = "Download failed";
          result_ = false;
        }
        done_.store(true);
      }) {}

THttpGetThread::~THttpGetThread() { Wait(); }

bool THttpGetThread::Wait() {
  if (thread_.joinable())
    thread_.join();
  return result_;
}

} // namespace qev::web
