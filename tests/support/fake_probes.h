#pragma once

#include "kit/fake_host.h"
#include "probes/probe_interfaces.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Scripted probe components for tests of the cycle: each call takes its scripted time on the
// fake clock, may throw, and is written to one journal shared by the four components.
namespace velnorix::kit {

struct ScriptedCall {
    std::uint32_t Milliseconds = 0;
    bool Throws = false;
    ReplyStatusKind Reply = ReplyStatusKind::Echo; // EchoExchange only
    std::function<void()> During;                  // runs while the call "waits"
};

class ProbeScript final {
public:
    ProbeScript(FakeClock& clock, const FakeHost& host) : m_clock(clock), m_host(host) {}

    // What `call` ("EchoExchange", "HeadRequest", "CloseConnection", "StartDialogue",
    // "EndDialogue") does for `target` (the host, or the HTTP address). Unscripted calls take
    // 0 ms and succeed.
    void Set(std::string_view call, std::string_view target, ScriptedCall behaviour);
    // Journals "<call> <target> <settings>", marked "(outside RunBlocking)" when it ran outside
    // the host's blocking hook, then plays the scripted behaviour.
    const ScriptedCall& Play(std::string_view call, std::string_view target,
                             std::string_view settings);
    [[nodiscard]] const std::vector<std::string>& Journal() const { return m_journal; }
    void ClearJournal() { m_journal.clear(); }

private:
    FakeClock& m_clock;
    const FakeHost& m_host;
    std::map<std::pair<std::string, std::string>, ScriptedCall, std::less<>> m_script;
    std::vector<std::string> m_journal;
};

class FakeEchoProbe final : public EchoProbe {
public:
    explicit FakeEchoProbe(ProbeScript& script) : m_script(script) {}
    void SetHost(std::string_view host) override { m_host = host; }
    void SetPort(std::int32_t port) override { m_port = port; }
    void EchoExchange(std::string_view data, std::uint16_t sequence) override;
    [[nodiscard]] ReplyStatusKind ReplyKind() const override { return m_reply; }

private:
    ProbeScript& m_script;
    std::string m_host;
    std::int32_t m_port = -1;
    ReplyStatusKind m_reply = ReplyStatusKind::Error;
};

class FakeHeadProbe final : public HeadProbe {
public:
    explicit FakeHeadProbe(ProbeScript& script) : m_script(script) {}
    void SetPort(std::int32_t port) override { m_port = port; }
    void SetTarget(std::int32_t position) override { m_target = position; }
    void HeadRequest(std::string_view address) override;
    void CloseConnection() override;

private:
    ProbeScript& m_script;
    std::string m_address;
    std::int32_t m_port = -1;
    std::int32_t m_target = -1;
};

// Serves as both mail components; `name` ("POP3", "SMTP") heads its journal settings, and
// only a component with `login` journals its credentials.
class FakeDialogueProbe final : public LoginDialogueProbe {
public:
    FakeDialogueProbe(ProbeScript& script, std::string name, bool login)
        : m_script(script), m_name(std::move(name)), m_login(login) {}
    void SetHost(std::string_view host) override { m_host = host; }
    void SetPort(std::int32_t port) override { m_port = port; }
    void SetUsername(std::string_view user) override { m_user = user; }
    void SetPassword(std::string_view password) override { m_password = password; }
    void StartDialogue() override;
    void EndDialogue() override;

private:
    [[nodiscard]] std::string Settings() const;

    ProbeScript& m_script;
    std::string m_name;
    bool m_login;
    std::string m_host;
    std::int32_t m_port = -1;
    std::string m_user;
    std::string m_password;
};

// "OpenPort" / "ClosePort" for the host, with the check's port, TLS and banner rule.
class FakePortProbe final : public PortProbe {
public:
    explicit FakePortProbe(ProbeScript& script) : m_script(script) {}
    void Open(const PortCheck& check) override;
    void Close() override;

private:
    ProbeScript& m_script;
    std::string m_host;
};

// "Query" for the name, with the question's type, server and expected values.
class FakeDnsProbe final : public DnsProbe {
public:
    explicit FakeDnsProbe(ProbeScript& script) : m_script(script) {}
    void Query(const DnsQuestion& question) override;

private:
    ProbeScript& m_script;
};

// The fake components over one script, ready to hand to the engine.
class FakeProbes final {
public:
    FakeProbes(FakeClock& clock, const FakeHost& host);
    FakeProbes(const FakeProbes&) = delete;
    FakeProbes& operator=(const FakeProbes&) = delete;

    [[nodiscard]] ProbeComponents Components();
    ProbeScript Script;

private:
    FakeEchoProbe m_ping;
    FakeHeadProbe m_http;
    FakeDialogueProbe m_pop3;
    FakeDialogueProbe m_smtp;
    FakePortProbe m_tcp;
    FakeDnsProbe m_dns;
};

} // namespace velnorix::kit
