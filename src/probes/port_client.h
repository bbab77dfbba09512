#pragma once

#include "probes/probe_interfaces.h"
#include "probes/tcp_connection.h"

#include <string>
#include <string_view>

namespace velnorix {

// The first line of what a server sent, without its line end; at most kMaxBannerBytes.
std::string_view BannerLine(std::string_view received);

// The TCP port probe: a connection (TLS from the first byte when asked, with the certificate
// checks of every TLS probe), then, with a banner pattern, the server's first line, read until
// its LF, the server's close, kMaxBannerBytes or the time-out. Nothing at all by then fails as
// NoAnswerError "No banner in time"; a banner that does not match (or, with BannerAbsent, does)
// fails with the banner's text shown as PrintableText.
class PortClient final : public PortProbe {
public:
    explicit PortClient(ConnectionBounds bounds = {});

    void SetTrust(const TlsTrust& trust) override { m_connection.SetTlsTrust(trust); }
    [[nodiscard]] std::int64_t CertificateExpiry() const override {
        return m_connection.CertificateExpiry();
    }
    void Open(const PortCheck& check) override;
    void Close() override { m_connection.CloseConnection(); }

    [[nodiscard]] TcpConnection& Connection() { return m_connection; }

private:
    [[nodiscard]] std::string ReadBanner();

    ConnectionBounds m_bounds;
    TcpConnection m_connection;
};

} // namespace velnorix
