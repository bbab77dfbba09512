#pragma once

#include "kit/fake_host.h"
#include "probes/http/http_client.h"
#include "probes/http/http_errors.h"
#include "probes/probe_errors.h"
#include "support/loopback_server.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// The HTTP client against scripted loopback servers, shared by the tests of how it judges
// responses and of what it sends and keeps.
namespace velnorix::kit {

inline constexpr int kRequestLines = 6; // request line, four headers, the empty line

// The request every probe of these tests sends, byte for byte.
inline std::string ExpectedRequest(const std::string& target, const std::string& host,
                                   const std::string& cookieLine = "") {
    return "HEAD " + target + " HTTP/1.1\r\n" + "Content-Type: text/html\r\n" + "Host: " + host +
           "\r\n" + "Accept: text/html, */*\r\n" +
           "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" + cookieLine + "\r\n";
}

// Reads one request of `lines` lines, then answers with `response`.
inline ServerScript& Answer(ServerScript& script, const std::string& response,
                            int lines = kRequestLines) {
    for (int i = 0; i < lines; ++i) {
        script.ReadLine();
    }
    return script.Send(response);
}

inline ServerScript Answering(const std::string& response, int lines = kRequestLines) {
    ServerScript script;
    Answer(script, response, lines);
    return script;
}

// "intranet" is this machine; no other name resolves and nothing asks a name server.
inline std::vector<std::string> ResolveIntranet(const std::string& host, const Deadline&) {
    if (host == "intranet") {
        return {"127.0.0.1"};
    }
    throw SocketError(EHOSTUNREACH);
}

inline HttpClientSettings TestSettings() {
    HttpClientSettings settings;
    settings.Connection.ConnectTimeout = std::chrono::seconds(2);
    settings.Connection.ReadTimeout = std::chrono::seconds(5);
    settings.Connection.WriteTimeout = std::chrono::seconds(2);
    settings.Resolver = ResolveIntranet;
    return settings;
}

// "success", "protocol error <code>: <status line>", or the error's text.
inline std::string OutcomeOf(const std::function<void()>& probe) {
    try {
        probe();
        return "success";
    } catch (const HttpProtocolError& error) {
        return "protocol error " + std::to_string(error.StatusCode()) + ": " + error.what();
    } catch (const std::exception& error) {
        return error.what();
    }
}

class HttpClientTest : public testing::Test {
protected:
    HttpClientTest() { m_clock.SetNow({2006, 12, 5, 14, 30, 0, 0}); }

    // One request as the test cycle makes it; the cycle closes the connection only after a
    // success, as a failure leaves it as the response asked.
    std::string Probe(const std::string& address, std::int32_t targetPort) {
        m_client.SetPort(targetPort);
        return OutcomeOf([&] {
            m_client.HeadRequest(address);
            m_client.CloseConnection();
        });
    }

    // Cookie expiry is judged at 5 December 2006, 14:30 UTC.
    FakeClock m_clock;
    HttpClient m_client{m_clock, TestSettings()};
};

} // namespace velnorix::kit
