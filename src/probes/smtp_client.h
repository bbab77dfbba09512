#pragma once

#include "probes/probe_interfaces.h"
#include "probes/tcp_connection.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

inline constexpr std::int32_t kSmtpDefaultPort = 25;
// RFC 5321 4.5.3.1.2: a domain name is at most 255 octets; the client name is cut shorter.
inline constexpr std::size_t kMaxClientNameLength = 250;

// Whether an EHLO reply's text lists the extension (its first word, any letter case).
bool OffersExtension(const std::vector<std::string>& ehloText, std::string_view keyword);

// The local host name as the system gives it, at most kMaxClientNameLength characters.
std::string LocalHostName();

// The SMTP probe: connects, expects a 220 greeting and introduces itself with EHLO, or HELO
// when EHLO is not answered with 250 (RFC 5321 4.1.1.1). No mail is sent. With TLS the whole
// dialogue is encrypted; with STARTTLS (RFC 3207) the greeting and a first EHLO are plain, and
// the client introduces itself again once TLS is on.
class SmtpClient final : public DialogueProbe {
public:
    explicit SmtpClient(ConnectionBounds bounds = {});

    void SetHost(std::string_view host) override { m_connection.SetHost(host); }
    void SetPort(std::int32_t port) override { m_connection.SetPort(port); }
    void SetSecurity(ChannelSecurity security) override { m_security = security; }
    void SetTrust(const TlsTrust& trust) override { m_connection.SetTlsTrust(trust); }
    void CapWaits(std::chrono::milliseconds cap) override { m_connection.CapWaits(cap); }
    [[nodiscard]] std::int64_t CertificateExpiry() const override {
        return m_connection.CertificateExpiry();
    }
    // The name given after EHLO or HELO; empty (the default) for the local host name.
    void SetHeloName(std::string_view name) { m_heloName = name; }

    // Opens the connection and runs the greeting and EHLO/HELO; on any failure ends the
    // dialogue first.
    void StartDialogue() override;
    // Sends QUIT where the connection is still open, then closes it.
    void EndDialogue() override;

    [[nodiscard]] TcpConnection& Connection() { return m_connection; }

private:
    [[nodiscard]] std::string ClientName() const;
    // EHLO, and STARTTLS when the reply offers it; throws when it does not or is refused.
    void UpgradeToTls(const std::string& clientName);
    // EHLO, or HELO when EHLO is not answered with 250.
    void Introduce(const std::string& clientName);

    TcpConnection m_connection;
    ChannelSecurity m_security = ChannelSecurity::None;
    std::string m_heloName;
};

} // namespace velnorix
