#include "probes/port_client.h"

#include "probes/ascii_text.h"
#include "probes/http/body_match.h"
#include "probes/probe_errors.h"

#include <optional>

namespace velnorix {

std::string_view BannerLine(std::string_view received) {
    received = received.substr(0, std::min(received.size(), kMaxBannerBytes));
    received = received.substr(0, received.find('\n'));
    if (received.ends_with('\r'))
        received.remove_suffix(1);
    return received;
}

namespace {

// A search that gives up on hostile text (the library's backtracking limits) fails the probe
// rather than ending the worker.
bool Matches(const BodyPattern& pattern, std::string_view banner) {
    try {
        return pattern.FoundIn(banner);
    } catch (const PatternError& error) {
        throw ProbeError(std::string("Banner search gave up: ") + error.what());
    }
}

} // namespace

PortClient::PortClient(ConnectionBounds bounds) : m_bounds(bounds), m_connection(bounds) {}

void PortClient::Open(const PortCheck& check) {
    // A pattern that cannot work fails before anything is sent.
    std::optional<BodyPattern> pattern;
    try {
        if (!check.BannerPattern.empty())
            pattern.emplace(check.BannerPattern);
    } catch (const PatternError& error) {
        throw ProbeError("Not a regular expression: " + check.BannerPattern + ": " + error.what());
    }
    m_connection.CloseConnection();
    m_connection.SetBounds(CappedAt(m_bounds, check.Timeout));
    m_connection.SetHost(check.Host);
    m_connection.SetPort(check.Port);
    m_connection.SetImplicitTls(check.Tls);
    try {
        m_connection.OpenConnection();
        if (!pattern)
            return;
        const std::string banner = ReadBanner();
        if (Matches(*pattern, banner) == check.BannerAbsent)
            throw ProbeError(
                std::string(check.BannerAbsent ? "Banner matches: " : "Banner does not match: ") +
                PrintableText(banner));
    } catch (...) {
        m_connection.CloseConnection();
        // The next probe sees the certificate again rather than resuming past a failure.
        m_connection.ForgetTlsSession();
        throw;
    }
}

std::string PortClient::ReadBanner() {
    Deadline deadline(m_connection.Bounds().ReadTimeout);
    std::string received;
    while (received.size() < kMaxBannerBytes && received.find('\n') == std::string::npos) {
        std::string more;
        try {
            more = m_connection.ReadAvailable(deadline);
        } catch (const ReadTimeoutError&) {
            if (received.empty())
                throw NoAnswerError("No banner in time");
            break;
        }
        if (more.empty())
            break; // the server closed: what it said is its banner
        received += more;
    }
    if (received.empty())
        throw ProbeError("The server closed the connection without a banner.");
    return std::string(BannerLine(received));
}

} // namespace velnorix
