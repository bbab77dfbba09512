#include "probes/pop3_client.h"

#include "base/ascii_case.h"
#include "probes/mail_dialogue.h"
#include "probes/probe_errors.h"

namespace velnorix {

int Pop3ReplyCode(const NumberedReply& reply) {
    if (EqualsIgnoringCase(reply.TextCode, "+OK"))
        return 1;
    if (reply.TextCode == "-ERR")
        return 2;
    throw ProbeError("Unrecognized POP3 Response Header:\r\n\"" + JoinReplyText(reply) + "\"");
}

Pop3Client::Pop3Client(ConnectionBounds bounds) : m_connection(bounds) {
    m_connection.SetPort(kPop3DefaultPort);
}

void Pop3Client::StartDialogue() {
    RequireSingleLineValue(m_username, "The user name");
    RequireSingleLineValue(m_password, "The password");
    m_connection.SetImplicitTls(m_security == ChannelSecurity::Tls);
    OpenMailDialogue(m_connection, [this] {
        ReadPop3Reply();
        // A refused STLS ends the probe here: the log-in is never sent in the clear.
        if (m_security == ChannelSecurity::StartTls) {
            m_connection.WriteLine("STLS");
            ReadPop3Reply();
            m_connection.StartTls();
        }
        m_connection.WriteLine("USER " + m_username);
        ReadPop3Reply();
        m_connection.WriteLine("PASS " + m_password);
        ReadPop3Reply();
    });
}

void Pop3Client::EndDialogue() {
    EndMailDialogue(m_connection);
}

void Pop3Client::ReadPop3Reply() {
    m_connection.ReadReply();
    const NumberedReply& reply = m_connection.LastReply();
    const int code = Pop3ReplyCode(reply);
    if (code != 1)
        throw ReplyError(code, JoinReplyText(reply));
}

} // namespace velnorix
