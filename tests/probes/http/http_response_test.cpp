#include "http_client_fixture.h"
#include "probes/http/http_client.h"
#include "probes/http/http_errors.h"
#include "support/case_names.h"
#include "support/loopback_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>

// How the HTTP client judges a response, and the bounds on what a server may send it.
namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::Answer;
using kit::Answering;
using kit::ExpectedRequest;
using kit::HttpClientTest;
using kit::LoopbackServer;
using kit::ServerScript;
using kit::TestSettings;

struct ResponseCase {
    std::string Name;
    ServerScript Script;
    std::string Outcome;
};

class HttpResponseTest : public HttpClientTest, public testing::WithParamInterface<ResponseCase> {};

TEST_P(HttpResponseTest, DecidesFromTheResponse) {
    LoopbackServer server(GetParam().Script);
    const std::string host = "intranet:" + std::to_string(server.Port());
    EXPECT_EQ(Probe("http://intranet/", server.Port()), GetParam().Outcome);
    m_client.CloseConnection();
    server.Finish();
    ASSERT_EQ(server.ConnectionCount(), 1U);
    EXPECT_EQ(server.Received(), ExpectedRequest("/", host));
}

std::string ManyContinues(int count) {
    std::string responses;
    for (int i = 0; i < count; ++i) {
        responses += "HTTP/1.1 100 Continue\r\n\r\n";
    }
    return responses;
}

std::string ManyHeaders(int count) {
    std::string headers = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < count; ++i) {
        headers += "X-Filler-" + std::to_string(i) + ": yes\r\n";
    }
    return headers + "\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Responses, HttpResponseTest,
    testing::Values(
        ResponseCase{"Ok10", Answering("HTTP/1.0 200 OK\r\n\r\n"), "success"},
        ResponseCase{"Ok11WithLength", Answering("HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n"),
                     "success"},
        ResponseCase{"NoContent11", Answering("HTTP/1.1 204 No Content\r\n\r\n"), "success"},
        ResponseCase{"NoContent10", Answering("HTTP/1.0 204 No Content\r\n\r\n"), "success"},
        ResponseCase{"ContinueThenOk",
                     Answering("HTTP/1.1 100 Continue\r\nX-A: 1\r\n\r\nHTTP/1.1 200 OK\r\n\r\n"),
                     "success"},
        ResponseCase{"EmptyLocation", Answering("HTTP/1.1 200 OK\r\nLocation: \r\n\r\n"),
                     "success"},
        ResponseCase{"OkWithLocation",
                     Answering("HTTP/1.1 200 OK\r\nLocation: http://elsewhere/\r\n"
                               "Content-Length: 0\r\n\r\n"),
                     "protocol error 200: HTTP/1.1 200 OK"},
        ResponseCase{"Moved",
                     Answering("HTTP/1.1 301 Moved Permanently\r\nLocation: /new/\r\n"
                               "Content-Length: 0\r\n\r\n"),
                     "protocol error 301: HTTP/1.1 301 Moved Permanently"},
        ResponseCase{"Found", Answering("HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n"),
                     "protocol error 302: HTTP/1.1 302 Found"},
        ResponseCase{"NotModified",
                     Answering("HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n"),
                     "protocol error 304: HTTP/1.1 304 Not Modified"},
        ResponseCase{"Unauthorized",
                     Answering("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic "
                               "realm=\"x\"\r\nContent-Length: 0\r\n\r\n"),
                     "protocol error 401: HTTP/1.1 401 Unauthorized"},
        ResponseCase{"NotFoundEmptyBody",
                     Answering("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"),
                     "protocol error 404: HTTP/1.1 404 Not Found"},
        ResponseCase{"ServerErrorUntilClose",
                     Answering("HTTP/1.1 500 Internal Server Error\r\nConnection: close\r\n\r\n"
                               "<html>broken</html>")
                         .Close(),
                     "protocol error 500: HTTP/1.1 500 Internal Server Error"},
        ResponseCase{"ServerErrorChunked",
                     Answering("HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n"
                               "5\r\nhello\r\n0\r\n\r\n"),
                     "protocol error 500: HTTP/1.1 500 Oops"},
        ResponseCase{"ClosedBeforeStatusLine",
                     [] {
                         ServerScript script;
                         Answer(script, "").Close();
                         return script;
                     }(),
                     "Connection Closed Gracefully."},
        ResponseCase{"OkClosedDuringHeaders",
                     Answering("HTTP/1.1 200 OK\r\nServer: half\r\n").Close(),
                     "Undefined situation"},
        ResponseCase{"NotFoundClosedDuringHeaders",
                     Answering("HTTP/1.1 404 Not Found\r\nContent-Length: 50\r\n").Close(),
                     "protocol error 404: HTTP/1.1 404 Not Found"},
        ResponseCase{"BadContentRange",
                     Answering("HTTP/1.1 206 Partial\r\nContent-Range: bytes a-b/10\r\n\r\n"),
                     "'a' is not a valid integer value"},
        ResponseCase{"EndlessContinues", Answering(ManyContinues(40)),
                     "Too many interim responses"},
        ResponseCase{"EndlessHeaders", Answering(ManyHeaders(300)),
                     "Too many response header fields"}),
    kit::NamedCase{});

TEST(HttpClientBoundsTest, GivesUpOnAStatusLineThatNeverComes) {
    HttpClientSettings settings = TestSettings();
    settings.Connection.ReadTimeout = 200ms;
    HttpClient client(settings);
    LoopbackServer server(ServerScript().Silence());
    client.SetPort(server.Port());
    EXPECT_THROW(client.HeadRequest("http://intranet/"), ReadTimeoutError);
}

// A server that keeps every single read short but never finishes: header lines or interim
// responses, one byte every 10 ms for longer than any bound below.
struct TrickleCase {
    const char* Name;
    std::string Head;    // sent at once, after the request
    std::string Trickle; // then byte by byte
};

TEST(HttpClientBoundsTest, AServerThatTricklesIsCutOffAtTheReadTimeout) {
    std::string headerLines;
    for (int i = 0; i < 100; ++i)
        headerLines += "X: " + std::to_string(i % 10) + "\r\n";
    const TrickleCase cases[] = {
        {"header lines", "HTTP/1.1 200 OK\r\n", headerLines},
        {"interim responses", "", ManyContinues(40)},
    };
    for (const TrickleCase& c : cases) {
        SCOPED_TRACE(c.Name);
        HttpClientSettings settings = TestSettings();
        settings.Connection.ReadTimeout = 400ms;
        HttpClient client(settings);
        ServerScript script;
        Answer(script, c.Head).Trickle(c.Trickle, 10ms);
        LoopbackServer server(script);
        client.SetPort(server.Port());

        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(client.HeadRequest("http://intranet/"), ReadTimeoutError);
        // Bound: the read time-out of the response head; slack for a loaded machine. Each
        // trickle lasts at least 6 s.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 400ms + 3s);
    }
}

TEST(HttpClientBoundsTest, ARelativeAddressOnTheFirstProbeHasNoHostToAsk) {
    HttpClient client(TestSettings());
    client.SetPort(80);
    EXPECT_THROW(client.HeadRequest("docs/page.htm"), HttpError);
}

} // namespace
} // namespace velnorix
