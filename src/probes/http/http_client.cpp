#include "probes/http/http_client.h"

#include "base/ascii_case.h"
#include "probes/http/head_request.h"
#include "probes/http/http_errors.h"
#include "probes/http/response_rules.h"
#include "probes/probe_errors.h"

#include <algorithm>

namespace velnorix {
namespace {

constexpr std::chrono::milliseconds kNoWait{0};
constexpr std::string_view kHead = "HEAD";
constexpr std::string_view kGet = "GET";

// Servers that do not implement HEAD say so with these (RFC 9110, 15.5.6 and 15.6.2).
bool RefusesHead(int statusCode) {
    return statusCode == 405 || statusCode == 501;
}

// Responses that never carry a body (RFC 9110, 6.4.1).
bool HasNoBody(int statusCode) {
    return (statusCode >= 100 && statusCode <= 199) || statusCode == 204 || statusCode == 304;
}

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

void HttpClient::SetCheck(const WebCheck& check) {
    m_pattern.reset();
    m_check = check;
    if (!check.Match.empty())
        m_pattern.emplace(check.Match);
}

void HttpClient::HeadRequest(std::string_view address) {
    m_usedTls = false;
    m_note.clear();
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

// A text check needs the body, which only GET brings.
void HttpClient::Exchange() {
    const bool get = m_check.Get || m_pattern.has_value();
    const Response response = Request(get ? kGet : kHead);
    // A refusal the check itself expects is its answer, not a reason to try GET.
    const bool expected = m_check.Expect && m_check.Expect->Contains(response.StatusCode);
    if (get || expected || !RefusesHead(response.StatusCode)) {
        Judge(response, get);
        return;
    }
    const std::string refused = "HEAD refused (" + std::to_string(response.StatusCode) + "); GET";
    if (!m_keepAlive)
        m_connection.CloseConnection();
    try {
        EnsureConnection();
        const Response second = Request(kGet);
        Judge(second, true);
        m_note = refused + " answered " + std::to_string(second.StatusCode);
    } catch (const HttpProtocolError& error) {
        throw HttpProtocolError(error.StatusCode(), refused + ": " + error.what());
    } catch (const HttpError& error) {
        // Socket errors and time-outs pass unchanged, so they keep their kind.
        throw HttpError(refused + ": " + error.what());
    }
}

HttpClient::Response HttpClient::Request(std::string_view method) {
    CookieStore& cookies = m_jars.try_emplace(m_target, m_settings.Cookies).first->second;
    const std::int64_t now = m_clock.SecondsSinceEpoch();
    m_connection.WriteBytes(BuildRequest(method, RequestTarget(m_url), HostHeaderValue(m_url),
                                         cookies.CookieHeader(m_url, now)));
    Response response = ReadResponse();
    for (const std::string_view name : {"Set-cookie", "Set-cookie2"}) {
        for (const auto& value : response.Headers.Values(name)) {
            cookies.Add(value, m_url, now);
        }
    }
    m_keepAlive = m_connection.IsOpen() && HeadersAllowKeepAlive(response.Headers);
    CheckContentRange(response.Headers);
    return response;
}

// A response to HEAD has no body, whatever Content-Length or Transfer-Encoding announce (RFC
// 9110, 9.3.2): its verdict is complete with the head, and a kept connection is already at the
// start of the next response. Bytes a faulty server sends after the head make the connection
// stale, and the next probe opens a new one. A refused GET leaves its body unread and the
// connection is not kept.
void HttpClient::Judge(const Response& response, bool get) {
    const auto location = response.Headers.Value("Location");
    const bool accepted = m_check.Expect
                              ? m_check.Expect->Contains(response.StatusCode)
                              : DecideVerdict(response.StatusCode,
                                              location && !location->empty()) == Verdict::Success;
    if (!accepted) {
        if (get)
            m_keepAlive = false;
        throw HttpProtocolError(response.StatusCode, response.StatusLine);
    }
    if (response.CloseNoticed) {
        throw HttpError(std::string(kUndefinedSituationText));
    }
    if (get)
        CheckBody(response);
}

// The body is read within the bounds an error body once had, keeping its start for the text
// check; a body cut short by the server fails as a closed connection would.
void HttpClient::CheckBody(const Response& response) {
    const BodyFraming framing =
        HasNoBody(response.StatusCode) ? BodyFraming{} : FramingOf(response.Headers);
    const ConnectionBounds& bounds = m_connection.Bounds();
    const ReadBody body =
        ReadResponseBody(m_connection, framing,
                         {.Silence = std::min(m_settings.BodySilence, bounds.ReadTimeout),
                          .Whole = bounds.ReadTimeout,
                          .MaxBytes = m_settings.MaxBodyBytes,
                          .KeptBytes = m_pattern ? kMatchedBodyBytes : 0});
    m_keepAlive =
        m_keepAlive && body.Outcome == DrainOutcome::Complete && framing.End != BodyEnd::Close;
    if (body.Outcome == DrainOutcome::PeerClosed)
        throw ConnectionClosedError();
    if (m_pattern && m_pattern->FoundIn(body.Start) == m_check.MatchAbsent)
        throw HttpError((m_check.MatchAbsent ? "Text found: " : "Text not found: ") +
                        m_check.Match);
}

// The head of the answer, interim responses included, within one read time-out, so a server
// that sends its header lines slowly one by one cannot hold the probe line by line.
HttpClient::Response HttpClient::ReadResponse() {
    Deadline deadline(m_connection.Bounds().ReadTimeout);
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
