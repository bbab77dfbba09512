#pragma once

#include "probes/numbered_reply.h"
#include "probes/probe_interfaces.h"
#include "probes/tcp_connection.h"

#include <string>
#include <string_view>

namespace velnorix {

inline constexpr std::int32_t kPop3DefaultPort = 110;

// The POP3 code of a reply: 1 for "+OK" in any letter case, 2 for "-ERR". Any other text
// code throws "Unrecognized POP3 Response Header:" with a line break and the reply text in
// double quotes.
int Pop3ReplyCode(const NumberedReply& reply);

// The POP3 probe: connects, checks the greeting and logs in with USER and PASS (RFC 1939),
// over TLS from the first byte or after STLS (RFC 2595) when its security asks for it.
class Pop3Client final : public LoginDialogueProbe {
public:
    explicit Pop3Client(ConnectionBounds bounds = {});

    void SetHost(std::string_view host) override { m_connection.SetHost(host); }
    void SetPort(std::int32_t port) override { m_connection.SetPort(port); }
    void SetSecurity(ChannelSecurity security) override { m_security = security; }
    void SetTrust(const TlsTrust& trust) override { m_connection.SetTlsTrust(trust); }
    void CapWaits(std::chrono::milliseconds cap) override { m_connection.CapWaits(cap); }
    [[nodiscard]] std::int64_t CertificateExpiry() const override {
        return m_connection.CertificateExpiry();
    }
    void SetUsername(std::string_view user) override { m_username = user; }
    void SetPassword(std::string_view password) override { m_password = password; }

    // Opens the connection and logs in; on any failure ends the dialogue first.
    void StartDialogue() override;
    // Sends QUIT where the connection is still open, then closes it.
    void EndDialogue() override;

    [[nodiscard]] TcpConnection& Connection() { return m_connection; }

private:
    // Reads a reply and accepts "+OK" only.
    void ReadPop3Reply();

    TcpConnection m_connection;
    ChannelSecurity m_security = ChannelSecurity::None;
    std::string m_username;
    std::string m_password;
};

} // namespace velnorix
