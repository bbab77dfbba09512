#include "probes/smtp_client.h"

#include "base/ascii_case.h"
#include "probes/mail_dialogue.h"
#include "probes/probe_errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <unistd.h>

namespace velnorix {

namespace {

constexpr int kServiceReady = 220;
constexpr int kActionOk = 250;

} // namespace

bool OffersExtension(const std::vector<std::string>& ehloText, std::string_view keyword) {
    return std::any_of(ehloText.begin(), ehloText.end(), [keyword](const std::string& line) {
        const std::string_view word = std::string_view(line).substr(0, line.find(' '));
        return EqualsIgnoringCase(word, keyword);
    });
}

std::string LocalHostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        throw SocketError(errno);
    return std::string(name).substr(0, kMaxClientNameLength);
}

SmtpClient::SmtpClient(ConnectionBounds bounds) : m_connection(bounds) {
    m_connection.SetPort(kSmtpDefaultPort);
}

void SmtpClient::StartDialogue() {
    const std::string clientName = ClientName();
    RequireSingleLineValue(clientName, "The client name");
    m_connection.SetImplicitTls(m_security == ChannelSecurity::Tls);
    OpenMailDialogue(m_connection, [this, &clientName] {
        m_connection.ReadReply({kServiceReady});
        if (m_security == ChannelSecurity::StartTls)
            UpgradeToTls(clientName);
        Introduce(clientName);
    });
}

void SmtpClient::UpgradeToTls(const std::string& clientName) {
    m_connection.SendCommand("EHLO " + clientName, {kActionOk});
    if (!OffersExtension(m_connection.LastReply().Text, "STARTTLS"))
        throw ProbeError("The server does not offer STARTTLS: " +
                         JoinReplyText(m_connection.LastReply()));
    m_connection.SendCommand("STARTTLS", {kServiceReady});
    m_connection.StartTls();
}

void SmtpClient::Introduce(const std::string& clientName) {
    // RFC 3207 4.2: what the server said before TLS is forgotten, so it is asked again.
    if (m_connection.SendCommand("EHLO " + clientName) == kActionOk)
        return;
    // RFC 5321 4.1.4: a server that does not know EHLO still knows HELO.
    m_connection.SendCommand("HELO " + clientName, {kActionOk});
}

void SmtpClient::EndDialogue() {
    EndMailDialogue(m_connection);
}

std::string SmtpClient::ClientName() const {
    return m_heloName.empty() ? LocalHostName() : m_heloName;
}

} // namespace velnorix
