#include "support/counted_probes.h"

#include <memory>
#include <utility>

namespace velnorix::kit {

namespace {

// One wait of a probe, counted until the scope ends when its target is silent.
using WaitScope = std::unique_ptr<WaitCounter, decltype([](WaitCounter* waits) { waits->End(); })>;
WaitScope CountWait(WaitCounter& waits, bool silent) {
    if (!silent)
        return nullptr;
    waits.Begin();
    return WaitScope(&waits);
}

// The decorators pass every call on to the real probe and count its blocking call.
class CountedEcho final : public EchoProbe {
public:
    CountedEcho(EchoProbe& real, WaitCounter& waits) : m_real(real), m_waits(waits) {}
    void SetHost(std::string_view host) override {
        m_silent = m_waits.CountsHost(host);
        m_real.SetHost(host);
    }
    void SetPort(std::int32_t port) override { m_real.SetPort(port); }
    void EchoExchange(std::string_view data, std::uint16_t sequence) override {
        const WaitScope wait = CountWait(m_waits, m_silent);
        m_real.EchoExchange(data, sequence);
    }
    [[nodiscard]] ReplyStatusKind ReplyKind() const override { return m_real.ReplyKind(); }

private:
    EchoProbe& m_real;
    WaitCounter& m_waits;
    bool m_silent = false;
};

class CountedWeb final : public HeadProbe {
public:
    CountedWeb(std::unique_ptr<HeadProbe> real, WaitCounter& waits)
        : m_real(std::move(real)), m_waits(waits) {}
    void SetTrust(const TlsTrust& trust) override { m_real->SetTrust(trust); }
    [[nodiscard]] std::int64_t CertificateExpiry() const override {
        return m_real->CertificateExpiry();
    }
    void SetPort(std::int32_t port) override {
        m_silent = m_waits.CountsPort(port);
        m_real->SetPort(port);
    }
    void SetTarget(std::int32_t position) override { m_real->SetTarget(position); }
    void HeadRequest(std::string_view address) override {
        const WaitScope wait = CountWait(m_waits, m_silent);
        m_real->HeadRequest(address);
    }
    void CloseConnection() override { m_real->CloseConnection(); }

private:
    std::unique_ptr<HeadProbe> m_real;
    WaitCounter& m_waits;
    bool m_silent = false;
};

template <typename Probe>
class CountedDialogue : public Probe {
public:
    CountedDialogue(Probe& real, WaitCounter& waits) : m_real(real), m_waits(waits) {}
    void SetSecurity(ChannelSecurity security) override { m_real.SetSecurity(security); }
    void SetTrust(const TlsTrust& trust) override { m_real.SetTrust(trust); }
    [[nodiscard]] std::int64_t CertificateExpiry() const override {
        return m_real.CertificateExpiry();
    }
    void SetHost(std::string_view host) override { m_real.SetHost(host); }
    void SetPort(std::int32_t port) override {
        m_silent = m_waits.CountsPort(port);
        m_real.SetPort(port);
    }
    void StartDialogue() override {
        const WaitScope wait = CountWait(m_waits, m_silent);
        m_real.StartDialogue();
    }
    void EndDialogue() override { m_real.EndDialogue(); }

protected:
    Probe& m_real;

private:
    WaitCounter& m_waits;
    bool m_silent = false;
};

class CountedLogin final : public CountedDialogue<LoginDialogueProbe> {
public:
    using CountedDialogue::CountedDialogue;
    void SetUsername(std::string_view user) override { m_real.SetUsername(user); }
    void SetPassword(std::string_view password) override { m_real.SetPassword(password); }
};

class CountedSet final : public ProbeSet {
public:
    CountedSet(std::unique_ptr<ProbeSet> real, WaitCounter& waits)
        : m_real(std::move(real)), m_own(m_real->Components()), m_echo(m_own.Echo, waits),
          m_pop3(m_own.Pop3, waits), m_smtp(m_own.Smtp, waits) {}
    // A worker's own web probe is never used: every web target brings its own.
    [[nodiscard]] ProbeComponents Components() override {
        return {m_echo, m_own.Web, m_pop3, m_smtp, m_own.Tcp, m_own.Dns};
    }

private:
    std::unique_ptr<ProbeSet> m_real;
    ProbeComponents m_own;
    CountedEcho m_echo;
    CountedLogin m_pop3;
    CountedDialogue<DialogueProbe> m_smtp;
};

} // namespace

ProbeMakers CountingWaits(const ProbeMakers& real, WaitCounter& counter) {
    return {
        .Worker = [real, &counter] { return std::make_unique<CountedSet>(real.Worker(), counter); },
        .Web = [real, &counter] { return std::make_unique<CountedWeb>(real.Web(), counter); }};
}

} // namespace velnorix::kit
