#pragma once

#include "base/clock.h"
#include "base/deadline.h"
#include "probes/host_resolution.h"
#include "probes/http/cookie_store.h"
#include "probes/http/response_headers.h"
#include "probes/http/url_parts.h"
#include "probes/network_bounds.h"
#include "probes/probe_interfaces.h"
#include "probes/tcp_connection.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace velnorix {

// Every bound of the HTTP probe; tests shorten them. One probe takes at most the connect,
// write and read time-outs of the connection.
struct HttpClientSettings {
    // Its read time-out bounds the whole head of the response.
    ConnectionBounds Connection;
    // Most "100 Continue" responses taken before the real one.
    int MaxInterimResponses = 16;
    HeaderLimits Headers;
    CookieLimits Cookies;
    HostResolver Resolver = ResolveWithSystem;
};

// The web site probe: one HEAD request per call, over TLS for "https" addresses. URL parts, cookies
// and a connection the last response let stay open carry over from one call to the next.
class HttpClient final : public HeadProbe {
public:
    // Cookie expiry is judged by the wall time of `clock`.
    explicit HttpClient(Clock& clock, HttpClientSettings settings = {});
    explicit HttpClient(HttpClientSettings settings = {});

    void SetPort(std::int32_t port) override { m_port = port; }
    void SetTarget(std::int32_t position) override { m_target = position; }
    // Returns only when the server answered 2xx without Location; throws otherwise.
    void HeadRequest(std::string_view address) override;
    void CloseConnection() override { m_connection.CloseConnection(); }
    void SetTrust(const TlsTrust& trust) override { m_connection.SetTlsTrust(trust); }
    [[nodiscard]] std::int64_t CertificateExpiry() const override {
        return m_usedTls ? m_connection.CertificateExpiry() : 0;
    }
    [[nodiscard]] TcpConnection& Connection() { return m_connection; }

private:
    struct Response {
        std::string StatusLine;
        int StatusCode = -1;
        ResponseHeaders Headers;
        bool CloseNoticed = false; // the server closed while the headers were read
    };

    void TakeEndpoint();
    void EnsureConnection();
    void Exchange();
    Response ReadResponse();
    Response ReadStatusAndHeaders(Deadline& deadline);

    SystemClock m_systemClock;
    Clock& m_clock;
    HttpClientSettings m_settings;
    std::int32_t m_port = 80;
    UrlParts m_url;
    std::int32_t m_target = 0;
    // One cookie jar per target position, so one target's server cannot fill the requests
    // made to another.
    std::map<std::int32_t, CookieStore> m_jars;
    TcpConnection m_connection;
    bool m_keepAlive = false; // the last response let the connection stay open
    bool m_usedTls = false;   // the last request was for an "https" address
};

} // namespace velnorix
