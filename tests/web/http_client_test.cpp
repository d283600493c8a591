#include "web/syn_http_get.h"
#include "web/test_http_server.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

namespace qev::web {
namespace {

using test::TTestHttpServer;
using TConn = TTestHttpServer::TConnection;

std::string Body(std::stringstream &out) {
  return std::string(std::istreambuf_iterator<char>(out), {});
}

// A client whose waits are short, so failing cases end quickly.
struct TQuickClient : TSynHttpGet {
  TQuickClient() {
    Timeout = 2000;
    TransferTimeout = 5000;
  }
};

struct TEvents {
  std::vector<std::pair<THttpWorkKind, std::int64_t>> seen;
  void Attach(TSynHttpGet &client) {
    client.OnHttpWork = [this](THttpWorkKind kind, const std::string &, std::int64_t value) {
      seen.emplace_back(kind, value);
    };
  }
  bool Has(THttpWorkKind kind) const {
    return std::any_of(seen.begin(), seen.end(), [&](const auto &e) { return e.first == kind; });
  }
  std::int64_t Value(THttpWorkKind kind) const {
    for (const auto &e : seen)
      if (e.first == kind)
        return e.second;
    return -99;
  }
};

TEST(HttpGet, SendsExactlyTheBuiltRequest) {
  TTestHttpServer server([](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"); });
  TQuickClient client;
  std::stringstream out;
  ASSERT_TRUE(client.HttpGet(server.Url("/tp/0192.ini"), out));
  EXPECT_EQ(server.Request(), "GET /tp/0192.ini HTTP/1.0\r\n"
                              "Host: 127.0.0.1:" +
                                  std::to_string(server.Port()) +
                                  "\r\n"
                                  "Connection: close\r\n"
                                  "User-Agent: Mozilla/4.0 (compatible; Synapse)\r\n"
                                  "\r\n");
  EXPECT_EQ(client.TargetHost, "127.0.0.1");
  EXPECT_EQ(client.TargetPort, std::to_string(server.Port()));
}

TEST(HttpGet, ThroughAProxyConnectsToItAndNamesTheWholeAddress) {
  TTestHttpServer proxy([](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"); });
  TQuickClient client;
  client.ProxyHost = "127.0.0.1";
  client.ProxyPort = std::to_string(proxy.Port());
  std::stringstream out;
  ASSERT_TRUE(client.HttpGet("http://lists.invalid/a.ini", out));
  EXPECT_EQ(Body(out), "ok");
  EXPECT_EQ(proxy.Request().substr(0, proxy.Request().find("\r\n")),
            "GET http://lists.invalid:80/a.ini HTTP/1.0");
}

TEST(HttpGet, BodyWithLengthIsRewoundWithItsEvents) {
  TTestHttpServer server([](TConn &c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=x\r\nContent-Length: 5\r\n\r\n"
           "hello");
  });
  TQuickClient client;
  TEvents events;
  events.Attach(client);
  std::stringstream out;
  ASSERT_TRUE(client.HttpGet(server.Url(), out));
  EXPECT_EQ(Body(out), "hello");
  EXPECT_EQ(client.ResultCode, 200);
  EXPECT_EQ(client.ResultString, "OK");
  EXPECT_EQ(client.MimeType, "text/plain; charset=x");
  EXPECT_EQ(client.Headers.size(), 2U);
  ASSERT_GE(events.seen.size(), 5U);
  EXPECT_EQ(events.seen[0].first, THttpWorkKind::Resolving);
  EXPECT_EQ(events.seen[1].first, THttpWorkKind::Connecting);
  EXPECT_EQ(events.Value(THttpWorkKind::Headers), 5);
  EXPECT_TRUE(events.Has(THttpWorkKind::Received));
  EXPECT_EQ(events.seen.back(), std::make_pair(THttpWorkKind::Complete, std::int64_t{5}));
}

TEST(HttpGet, ZeroLengthAndUnreadableLengthBodies) {
  {
    TTestHttpServer server(
        [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"); });
    TQuickClient client;
    std::stringstream out;
    EXPECT_TRUE(client.HttpGet(server.Url(), out));
    EXPECT_EQ(Body(out), "");
  }
  {
    // Not a number: the body runs to the close.
    TTestHttpServer server(
        [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: x\r\n\r\nab"); });
    TQuickClient client;
    TEvents events;
    events.Attach(client);
    std::stringstream out;
    EXPECT_TRUE(client.HttpGet(server.Url(), out));
    EXPECT_EQ(Body(out), "ab");
    EXPECT_EQ(events.Value(THttpWorkKind::Headers), -1);
  }
}

TEST(HttpGet, ChunkedBodyWithExtensionsAndBlankSizeLines) {
  TTestHttpServer server([](TConn &c) {
    c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
           "4;name=value\r\nWiki\r\n\r\n5 comment\r\npedia\r\n0\r\nTrailer: x\r\n\r\n");
  });
  TQuickClient client;
  std::stringstream out;
  ASSERT_TRUE(client.HttpGet(server.Url(), out));
  EXPECT_EQ(Body(out), "Wikipedia");
}

TEST(HttpGet, ReadUntilCloseIsCompleteOnAnOrderlyClose) {
  TTestHttpServer server(
      [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\n\r\n[SATTYPE]\r\n1=0192\r\n"); });
  TQuickClient client;
  TEvents events;
  events.Attach(client);
  std::stringstream out;
  ASSERT_TRUE(client.HttpGet(server.Url(), out));
  EXPECT_EQ(client.ResultCode, 200);
  EXPECT_EQ(client.ResultString, "OK");
  EXPECT_EQ(Body(out), "[SATTYPE]\r\n1=0192\r\n");
  EXPECT_EQ(events.Value(THttpWorkKind::Complete), 19);
}

TEST(HttpGet, ReadUntilCloseFailsOnAReset) {
  TTestHttpServer server([](TConn &c) {
    c.Send("HTTP/1.0 200 OK\r\n\r\npartial");
    c.Pause(50);
    c.Reset();
  });
  TQuickClient client;
  std::stringstream out;
  EXPECT_FALSE(client.HttpGet(server.Url(), out));
  EXPECT_EQ(client.ResultCode, ECONNRESET);
}

TEST(HttpGet, NotFoundReadsNoBody) {
  TTestHttpServer server(
      [](TConn &c) { c.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nbad"); });
  TQuickClient client;
  std::stringstream out;
  EXPECT_FALSE(client.HttpGet(server.Url(), out));
  EXPECT_EQ(client.ResultCode, 404);
  EXPECT_EQ(client.ResultString, "Not Found");
  EXPECT_EQ(Body(out), "");
}

TEST(HttpGet, AFirstLineThatIsNoStatusLineIsRefused) {
  TTestHttpServer server([](TConn &c) { c.Send("\r\n\r\n[SATTYPE]\r\n1=0192\r\n"); });
  TQuickClient client;
  std::stringstream out;
  EXPECT_FALSE(client.HttpGet(server.Url(), out));
  EXPECT_EQ(client.ResultCode, 0);
  EXPECT_EQ(out.str(), "[SATTYPE]\r\n");
}

// Servers that never end what they started; each must end in false with its reason.
struct THostileCase {
  const char *name;
  TTestHttpServer::TScript script;
  int code;
};

void Forever(TConn &c, const std::string &piece) {
  while (c.Send(piece)) {
  }
}

TEST(HttpGet, HostileServersEndInFailureWithinTheBounds) {
  const std::vector<THostileCase> cases = {
      {"endless header line",
       [](TConn &c) {
         c.Send("HTTP/1.0 200 OK\r\nX-Long: ");
         Forever(c, std::string(4096, 'a'));
       },
       EMSGSIZE},
      {"ten thousand headers",
       [](TConn &c) {
         std::string all = "HTTP/1.0 200 OK\r\n";
         for (int i = 0; i < 10000; ++i)
           all += "X-" + std::to_string(i) + ": v\r\n";
         c.Send(all + "\r\n");
       },
       EMSGSIZE},
      {"endless blank lines", [](TConn &c) { Forever(c, std::string(1024, '\n')); }, EPROTO},
      {"huge chunk size",
       [](TConn &c) {
         c.Send("HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFF\r\nabc");
       },
       EFBIG},
      {"chunk size past the cap",
       [](TConn &c) {
         c.Send("HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4000001\r\nabc");
       },
       EFBIG},
      {"unreadable chunk size",
       [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc"); },
       EPROTO},
      {"length past the cap",
       [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\nabc"); },
       EFBIG},
      {"early close",
       [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly a part"); },
       ECONNRESET},
      {"early close in a chunk",
       [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nab"); },
       ECONNRESET},
      {"silent server", [](TConn &c) { c.Pause(5000); }, ETIMEDOUT},
      {"slow server",
       [](TConn &c) {
         c.Send("HTTP/1.0 200 OK\r\nX-Slow: ");
         while (!c.Stopping() && c.Send("a"))
           c.Pause(5);
       },
       ETIMEDOUT},
  };
  for (const THostileCase &hostile : cases) {
    SCOPED_TRACE(hostile.name);
    TTestHttpServer server(hostile.script);
    TQuickClient client;
    client.Timeout = 300;
    client.TransferTimeout = 600;
    std::stringstream out;
    EXPECT_FALSE(client.HttpGet(server.Url(), out));
    EXPECT_EQ(client.ResultCode, hostile.code) << client.ResultString;
    EXPECT_LE(out.str().size(), 64U * 1024 * 1024);
  }
}

TEST(HttpGet, BodyLargerThanTheCapFails) {
  TTestHttpServer server(
      [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(3000, 'x')); });
  TQuickClient client;
  client.Limits.MaxBody = 1000;
  std::stringstream out;
  EXPECT_FALSE(client.HttpGet(server.Url(), out));
  EXPECT_EQ(client.ResultCode, EFBIG);
}

TEST(HttpGet, SendingToAClosedConnectionIsAnErrorNotASignal) {
  TTestHttpServer server([](TConn &c) { c.Reset(); }, false);
  TQuickClient client;
  // Far more than the socket buffers hold, so the send runs into the closed connection.
  for (int i = 0; i < 2000; ++i)
    client.Headers.push_back("X-Fill-" + std::to_string(i) + ": " + std::string(1000, 'f'));
  std::stringstream out;
  EXPECT_FALSE(client.HttpGet(server.Url(), out));
  EXPECT_NE(client.ResultCode, 200);
}

TEST(HttpGet, AbortFromAnotherThreadEndsTheTransfer) {
  TTestHttpServer server([](TConn &c) {
    c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nabc");
    c.Pause(10000);
  });
  TSynHttpGet client;
  std::atomic<bool> headers{false};
  client.OnHttpWork = [&](THttpWorkKind kind, const std::string &, std::int64_t) {
    if (kind == THttpWorkKind::Headers)
      headers.store(true);
  };
  std::stringstream out;
  THttpGetThread transfer(client, server.Url(), out);
  while (!headers.load() && !transfer.Done())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  client.HttpAbort();
  EXPECT_FALSE(transfer.Wait());
  EXPECT_EQ(client.ResultCode, ECANCELED);
}

TEST(HttpGet, CookiesAreKeptAndSentBack) {
  TTestHttpServer first([](TConn &c) {
    c.Send("HTTP/1.0 200 OK\r\nSet-Cookie: session = abc ; Path=/\r\n"
           "set-cookie: lang=en\r\nSET-COOKIE: session=def\r\nContent-Length: 0\r\n\r\n");
  });
  TQuickClient client;
  std::stringstream out;
  ASSERT_TRUE(client.HttpGet(first.Url(), out));
  const THttpCookies expected = {{"session", "def"}, {"lang", "en"}};
  EXPECT_EQ(client.Cookies, expected);

  TTestHttpServer second([](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"); });
  ASSERT_TRUE(client.HttpGet(second.Url(), out));
  EXPECT_NE(second.Request().find("\r\nCookie: session=def; lang=en\r\n"), std::string::npos);
}

TEST(HttpGet, RefusesOtherSchemesAndUnsafeTextWithoutConnecting) {
  TQuickClient client;
  TEvents events;
  events.Attach(client);
  std::stringstream out;
  EXPECT_FALSE(client.HttpGet("https://example.org/list.ini", out));
  EXPECT_EQ(client.ResultCode, 0);
  EXPECT_EQ(client.ResultString, "Protocol not supported (https)");
  EXPECT_FALSE(client.HttpGet("http://example.org/a b", out));
  EXPECT_FALSE(client.HttpGet("http://example.org/a\r\nX: 1", out));
  client.UserAgent = "agent\r\nX-Injected: 1";
  EXPECT_FALSE(client.HttpGet("http://example.org/a", out));
  EXPECT_EQ(client.ResultCode, 0);
  EXPECT_TRUE(events.seen.empty());
}

TEST(HttpGet, ARefusedConnectionGivesTheSocketError) {
  int port = 0;
  {
    TTestHttpServer closed([](TConn &) {});
    port = closed.Port();
  }
  TQuickClient client;
  std::stringstream out;
  EXPECT_FALSE(client.HttpGet("http://127.0.0.1:" + std::to_string(port) + "/", out));
  EXPECT_EQ(client.ResultCode, ECONNREFUSED);
  EXPECT_FALSE(client.ResultString.empty());
}

} // namespace
} // namespace qev::web
