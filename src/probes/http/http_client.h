#pragma once

#include "base/clock.h"
#include "base/deadline.h"
#include "probes/host_resolution.h"
#include "probes/http/body_match.h"
#include "probes/http/body_reader.h"
#include "probes/http/cookie_store.h"
#include "probes/http/response_headers.h"
#include "probes/http/url_parts.h"
#include "probes/network_bounds.h"
#include "probes/probe_interfaces.h"
#include "probes/tcp_connection.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velnorix {

// Every bound of the HTTP probe; tests shorten them. One probe takes at most the connect,
// write and read time-outs of the connection, and a GET one more read time-out for the body
// (twice all that when a refused HEAD is followed by a GET).
struct HttpClientSettings {
    // Its read time-out bounds the whole head of the response, and the whole body of a GET.
    ConnectionBounds Connection;
    // How long a GET's body may keep us waiting for its next bytes.
    std::chrono::milliseconds BodySilence{2'000};
    // Most bytes of a GET's body read before the connection is given up instead.
    std::uint64_t MaxBodyBytes = 1'048'576;
    // Most "100 Continue" responses taken before the real one.
    int MaxInterimResponses = 16;
    HeaderLimits Headers;
    CookieLimits Cookies;
    HostResolver Resolver = ResolveWithSystem;
};

// The web site probe: one HEAD request per call, or GET as the check asks, over TLS for "https"
// addresses. A HEAD the server refuses (405 or 501) is followed by one GET on the same terms.
// URL parts, cookies and a connection the last response let stay open carry over from one
// call to the next.
class HttpClient final : public HeadProbe {
public:
    // Cookie expiry is judged by the wall time of `clock`.
    explicit HttpClient(Clock& clock, HttpClientSettings settings = {});
    explicit HttpClient(HttpClientSettings settings = {});

    void SetPort(std::int32_t port) override { m_port = port; }
    void SetTarget(std::int32_t position) override { m_target = position; }
    // Throws PatternError for a Match that is not a regular expression.
    void SetCheck(const WebCheck& check) override;
    // Returns only when the check accepts the answer (by default 2xx without Location); throws
    // otherwise: HttpProtocolError for a refused status, HttpError "Text not found: <Match>"
    // or "Text found: <Match>" for the body's text, PatternError for a search past its bounds.
    void HeadRequest(std::string_view address) override;
    [[nodiscard]] std::string Note() const override { return m_note; }
    void CapWaits(std::chrono::milliseconds cap) override { m_connection.CapWaits(cap); }
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
    Response Request(std::string_view method);
    // Throws unless the check accepts the response and, after a GET, its body.
    void Judge(const Response& response, bool get);
    void CheckBody(const Response& response);
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
    WebCheck m_check;
    std::optional<BodyPattern> m_pattern;
    std::string m_note;
};

} // namespace velnorix
