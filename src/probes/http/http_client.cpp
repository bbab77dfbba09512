#include "probes/http/http_client.h"

#include "base/ascii_case.h"
#include "probes/http/head_request.h"
#include "probes/http/http_errors.h"
#include "probes/http/response_rules.h"
#include "probes/probe_errors.h"

namespace velnorix {
namespace {

constexpr std::chrono::milliseconds kNoWait{0};

// A kept connection that has something to read before we have asked anything was closed by
// the server, or carries leftovers that would be taken for our answer.
bool HasGoneStale(TcpConnection& connection) {
    try {
        connection.ReadAvailable(kNoWait);
        return true;
    } catch (const ReadTimeoutError&) {
        return false;
    } catch (const ProbeError&) {
        return true;
    }
}

} // namespace

HttpClient::HttpClient(Clock& clock, HttpClientSettings settings)
    : m_clock(clock), m_settings(std::move(settings)), m_connection(m_settings.Connection) {
    m_connection.SetResolver(m_settings.Resolver);
}

HttpClient::HttpClient(HttpClientSettings settings)
    : HttpClient(m_systemClock, std::move(settings)) {}

void HttpClient::HeadRequest(std::string_view address) {
    m_usedTls = false;
    RejectLineBreaks(address);
    RejectUnsafeUserInformation(address);
    const AddressParts parts = ReadAddress(address);
    m_url = MergeAddress(m_url, parts);
    m_url.Port = ChoosePort(parts.Port, m_url.Protocol, m_port);
    TakeEndpoint();
    m_usedTls = m_connection.ImplicitTls();
    if (!m_keepAlive) {
        m_connection.CloseConnection();
    }
    m_keepAlive = false;
    try {
        EnsureConnection();
        Exchange();
    } catch (...) {
        if (!m_keepAlive) {
            m_connection.CloseConnection();
        }
        // The next request sees the server's certificate again rather than resuming past a
        // failure, whatever its cause.
        m_connection.ForgetTlsSession();
        throw;
    }
    if (!m_keepAlive) {
        m_connection.CloseConnection();
    }
}

// The connection's own endpoint is compared, not the port the cycle has just set, so a
// connection kept open to another port, or without the TLS the address asks for, is never
// taken for this one.
void HttpClient::TakeEndpoint() {
    const bool tls = IsHttps(m_url.Protocol);
    if (!EqualsIgnoringCase(m_url.Host, m_connection.Host()) || m_url.Port != m_connection.Port() ||
        tls != m_connection.ImplicitTls()) {
        m_connection.CloseConnection();
        m_connection.SetHost(m_url.Host);
        m_connection.SetPort(m_url.Port);
        m_connection.SetImplicitTls(tls);
    }
    m_port = m_url.Port;
}

void HttpClient::EnsureConnection() {
    if (m_connection.IsOpen() && HasGoneStale(m_connection)) {
        m_connection.CloseConnection();
    }
    if (m_connection.IsOpen()) {
        return;
    }
    if (m_url.Host.empty()) {
        throw HttpError("The address names no host");
    }
    m_connection.OpenConnection();
}

void HttpClient::Exchange() {
    CookieStore& cookies = m_jars.try_emplace(m_target, m_settings.Cookies).first->second;
    const std::int64_t now = m_clock.SecondsSinceEpoch();
    m_connection.WriteBytes(BuildHeadRequest(RequestTarget(m_url), HostHeaderValue(m_url),
                                             cookies.CookieHeader(m_url, now)));
    const Response response = ReadResponse();
    for (const std::string_view name : {"Set-cookie", "Set-cookie2"}) {
        for (const auto& value : response.Headers.Values(name)) {
            cookies.Add(value, m_url, now);
        }
    }
    m_keepAlive = m_connection.IsOpen() && HeadersAllowKeepAlive(response.Headers);
    CheckContentRange(response.Headers);

    const auto location = response.Headers.Value("Location");
    if (DecideVerdict(response.StatusCode, location && !location->empty()) == Verdict::Success) {
        if (response.CloseNoticed) {
            throw HttpError(std::string(kUndefinedSituationText));
        }
        return;
    }
    // A response to HEAD has no body, whatever Content-Length or Transfer-Encoding announce
    // (RFC 9110, 9.3.2): the verdict is complete with the head, and a kept connection is already
    // at the start of the next response. Bytes a faulty server sends after the head make the
    // connection stale, and the next probe opens a new one.
    throw HttpProtocolError(response.StatusCode, response.StatusLine);
}

// The head of the answer, interim responses included, within one read time-out, so a server
// that sends its header lines slowly one by one cannot hold the probe line by line.
HttpClient::Response HttpClient::ReadResponse() {
    Deadline deadline(m_settings.Connection.ReadTimeout);
    for (int interim = 0;; ++interim) {
        Response response = ReadStatusAndHeaders(deadline);
        if (response.StatusCode != 100) {
            return response;
        }
        if (interim == m_settings.MaxInterimResponses) {
            throw HttpError("Too many interim responses");
        }
    }
}

HttpClient::Response HttpClient::ReadStatusAndHeaders(Deadline& deadline) {
    Response response{.StatusLine = m_connection.ReadLine(deadline),
                      .StatusCode = -1,
                      .Headers = ResponseHeaders(m_settings.Headers),
                      .CloseNoticed = false};
    response.StatusCode = StatusCodeOf(response.StatusLine);
    try {
        for (std::string line = m_connection.ReadLine(deadline); !line.empty();
             line = m_connection.ReadLine(deadline)) {
            response.Headers.AddLine(line);
        }
    } catch (const ConnectionClosedError&) {
        // What came before the close is the whole header.
        response.CloseNoticed = true;
        m_connection.CloseConnection();
    }
    return response;
}

} // namespace velnorix
