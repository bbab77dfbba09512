#include "scripted_probes.h"

#include <stdexcept>

namespace velnorix::kit {

class ScriptedProbes::Echo final : public EchoProbe {
public:
    explicit Echo(ScriptedProbes& owner) : m_owner(owner) {}
    void SetHost(std::string_view host) override { m_host = host; }
    void SetPort(std::int32_t) override {}
    void EchoExchange(std::string_view, std::uint16_t) override {
        m_owner.Play(m_host);
        m_reply = ReplyStatusKind::Echo;
    }
    [[nodiscard]] ReplyStatusKind ReplyKind() const override { return m_reply; }

private:
    ScriptedProbes& m_owner;
    std::string m_host;
    ReplyStatusKind m_reply = ReplyStatusKind::Error;
};

class ScriptedProbes::Head final : public HeadProbe {
public:
    explicit Head(ScriptedProbes& owner) : m_owner(owner) {}
    void SetPort(std::int32_t) override {}
    void SetTarget(std::int32_t) override {}
    void HeadRequest(std::string_view address) override { m_owner.Play(std::string(address)); }
    void CloseConnection() override {}

private:
    ScriptedProbes& m_owner;
};

class ScriptedProbes::Dialogue final : public LoginDialogueProbe {
public:
    explicit Dialogue(ScriptedProbes& owner) : m_owner(owner) {}
    void SetHost(std::string_view host) override { m_host = host; }
    void SetPort(std::int32_t) override {}
    void SetUsername(std::string_view) override {}
    void SetPassword(std::string_view) override {}
    void StartDialogue() override { m_owner.Play(m_host); }
    void EndDialogue() override {}

private:
    ScriptedProbes& m_owner;
    std::string m_host;
};

class ScriptedProbes::Port final : public PortProbe {
public:
    explicit Port(ScriptedProbes& owner) : m_owner(owner) {}
    void Open(const PortCheck& check) override { m_owner.Play(check.Host); }
    void Close() override {}

private:
    ScriptedProbes& m_owner;
};

class ScriptedProbes::Dns final : public DnsProbe {
public:
    explicit Dns(ScriptedProbes& owner) : m_owner(owner) {}
    void Query(const DnsQuestion& question) override { m_owner.Play(question.Name); }

private:
    ScriptedProbes& m_owner;
};

class ScriptedProbes::WorkerSet final : public ProbeSet {
public:
    explicit WorkerSet(ScriptedProbes& owner)
        : m_echo(owner), m_head(owner), m_pop3(owner), m_smtp(owner), m_tcp(owner), m_dns(owner) {}
    ProbeComponents Components() override { return {m_echo, m_head, m_pop3, m_smtp, m_tcp, m_dns}; }

private:
    Echo m_echo;
    Head m_head;
    Dialogue m_pop3;
    Dialogue m_smtp;
    Port m_tcp;
    Dns m_dns;
};

ScriptedProbes::ScriptedProbes()
    : m_echo(std::make_unique<Echo>(*this)), m_head(std::make_unique<Head>(*this)),
      m_pop3(std::make_unique<Dialogue>(*this)), m_smtp(std::make_unique<Dialogue>(*this)),
      m_tcp(std::make_unique<Port>(*this)), m_dns(std::make_unique<Dns>(*this)) {}

ScriptedProbes::~ScriptedProbes() = default;

ProbeComponents ScriptedProbes::Components() {
    return ProbeComponents{*m_echo, *m_head, *m_pop3, *m_smtp, *m_tcp, *m_dns};
}

ProbeMakers ScriptedProbes::Makers() {
    return {.Worker = [this] { return std::make_unique<WorkerSet>(*this); },
            .Web = [this] { return std::make_unique<Head>(*this); }};
}

void ScriptedProbes::SetDownOnly(std::set<std::string> addresses) {
    const std::lock_guard lock(m_mutex);
    m_down = std::move(addresses);
}

void ScriptedProbes::SetDown(const std::string& address) {
    const std::lock_guard lock(m_mutex);
    m_down.insert(address);
}

void ScriptedProbes::DuringProbe(std::function<void()> hook) {
    const std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

std::vector<std::string> ScriptedProbes::Probed() const {
    const std::lock_guard lock(m_mutex);
    return m_probed;
}

bool ScriptedProbes::IsDown(const std::string& address) const {
    const std::lock_guard lock(m_mutex);
    return m_down.count(address) > 0;
}

void ScriptedProbes::Play(const std::string& address) {
    std::function<void()> hook;
    {
        const std::lock_guard lock(m_mutex);
        m_probed.push_back(address);
        hook = m_hook;
    }
    ++m_calls;
    if (hook)
        hook();
    if (IsDown(address)) {
        const std::lock_guard lock(m_mutex);
        throw std::runtime_error(m_failureText);
    }
}

void ScriptedProbes::SetFailureText(std::string text) {
    const std::lock_guard lock(m_mutex);
    m_failureText = std::move(text);
}

MainFormSetup WindowSetup(ScriptedProbes& probes, UserPrompts& prompts, const std::string& folder,
                          std::vector<std::string> arguments) {
    MainFormSetup setup;
    setup.Arguments = std::move(arguments);
    setup.Folders = FoldersBeside(folder);
    setup.Prompts = &prompts;
    setup.Probes.emplace(probes.Components());
    setup.ParallelProbes = probes.Makers();
    return setup;
}

std::string Configuration(const std::vector<std::string>& addresses, int seconds, bool deleteLogs) {
    std::string text =
        "[Targets]\r\nDeleteLogs=" + std::string(deleteLogs ? "TRUE" : "FALSE") +
        "\r\nIntervalHours=0\r\nIntervalMins=0\r\nIntervalSecs=" + std::to_string(seconds) +
        "\r\nCount=" + std::to_string(addresses.size()) + "\r\n";
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const std::string prefix = (i < 9 ? "0" : "") + std::to_string(i + 1);
        text += prefix + "Type=<Ping>\r\n" + prefix + "Addr=" + addresses[i] + "\r\n" + prefix +
                "User=\r\n" + prefix + "Password=\r\n" + prefix + "Audible=FALSE\r\n" + prefix +
                "Port=0\r\n";
    }
    return text;
}

} // namespace velnorix::kit
