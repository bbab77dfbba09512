#include "support/fake_probes.h"

#include <stdexcept>

namespace velnorix::kit {

void ProbeScript::Set(std::string_view call, std::string_view target, ScriptedCall behaviour) {
    m_script[{std::string(call), std::string(target)}] = std::move(behaviour);
}

const ScriptedCall& ProbeScript::Play(std::string_view call, std::string_view target,
                                      std::string_view settings) {
    std::string entry = std::string(call) + " " + std::string(target);
    if (!settings.empty())
        entry += " " + std::string(settings);
    if (!m_host.InsideBlocking())
        entry += " (outside RunBlocking)";
    m_journal.push_back(std::move(entry));

    static const ScriptedCall kInstantSuccess;
    const auto found = m_script.find(std::pair{std::string(call), std::string(target)});
    const ScriptedCall& behaviour = found == m_script.end() ? kInstantSuccess : found->second;
    m_clock.Advance(behaviour.Milliseconds);
    if (behaviour.During)
        behaviour.During();
    if (behaviour.Throws)
        throw std::runtime_error("Read Timeout");
    return behaviour;
}

void FakeEchoProbe::EchoExchange(std::string_view data, std::uint16_t sequence) {
    m_reply = ReplyStatusKind::Error;
    const std::string settings = "port=" + std::to_string(m_port) + " data=\"" + std::string(data) +
                                 "\" sequence=" + std::to_string(sequence);
    m_reply = m_script.Play("EchoExchange", m_host, settings).Reply;
}

void FakeHeadProbe::HeadRequest(std::string_view address) {
    m_address = address;
    m_script.Play("HeadRequest", m_address,
                  "port=" + std::to_string(m_port) + " target=" + std::to_string(m_target));
}

void FakeHeadProbe::CloseConnection() {
    m_script.Play("CloseConnection", m_address, "");
}

std::string FakeDialogueProbe::Settings() const {
    std::string settings = m_name + " port=" + std::to_string(m_port);
    if (m_login)
        settings += " user=\"" + m_user + "\" password=\"" + m_password + "\"";
    return settings;
}

void FakeDialogueProbe::StartDialogue() {
    m_script.Play("StartDialogue", m_host, Settings());
}

void FakeDialogueProbe::EndDialogue() {
    m_script.Play("EndDialogue", m_host, "");
}

void FakePortProbe::Open(const PortCheck& check) {
    m_host = check.Host;
    m_script.Play("OpenPort", m_host,
                  "port=" + std::to_string(check.Port) + " tls=" + std::to_string(check.Tls) +
                      " banner=\"" + check.BannerPattern +
                      "\" absent=" + std::to_string(check.BannerAbsent) +
                      " timeout=" + std::to_string(check.Timeout.count()));
}

void FakePortProbe::Close() {
    m_script.Play("ClosePort", m_host, "");
}

void FakeDnsProbe::Query(const DnsQuestion& question) {
    std::string expected;
    for (const std::string& value : question.Expected)
        expected += (expected.empty() ? "" : ",") + value;
    m_script.Play("Query", question.Name,
                  "type=" + std::string(RecordTypeName(question.Type)) + " server=\"" +
                      question.Server + "\" expect=\"" + expected +
                      "\" timeout=" + std::to_string(question.Timeout.count()));
}

FakeProbes::FakeProbes(FakeClock& clock, const FakeHost& host)
    : Script(clock, host), m_ping(Script), m_http(Script), m_pop3(Script, "POP3", true),
      m_smtp(Script, "SMTP", false), m_tcp(Script), m_dns(Script) {}

ProbeComponents FakeProbes::Components() {
    return ProbeComponents{m_ping, m_http, m_pop3, m_smtp, m_tcp, m_dns};
}

} // namespace velnorix::kit
