#pragma once

#include "probes/probe_interfaces.h"

#include <cstdint>
#include <string_view>

namespace velnorix::bench {

// Probes that end at once, so a benchmark measures the engine's own work. They succeed, but
// for every n-th echo when told to fail those.
class InstantProbes final : public EchoProbe,
                            public HeadProbe,
                            public LoginDialogueProbe,
                            public PortProbe,
                            public DnsProbe {
public:
    void FailEchoesEvery(std::uint32_t n) { m_failEvery = n; }

    void SetHost(std::string_view) override {}
    void SetPort(std::int32_t) override {}
    void EchoExchange(std::string_view, std::uint16_t) override { ++m_echoes; }
    [[nodiscard]] ReplyStatusKind ReplyKind() const override {
        return m_failEvery != 0 && m_echoes % m_failEvery == 0 ? ReplyStatusKind::TimedOut
                                                               : ReplyStatusKind::Echo;
    }
    void SetTarget(std::int32_t) override {}
    void HeadRequest(std::string_view) override {}
    void CloseConnection() override {}
    void SetUsername(std::string_view) override {}
    void SetPassword(std::string_view) override {}
    void StartDialogue() override {}
    void EndDialogue() override {}
    void Open(const PortCheck&) override {}
    void Close() override {}
    void Query(const DnsQuestion&) override {}

    ProbeComponents Components() {
        return ProbeComponents{*this, *this, *this, *this, *this, *this};
    }

private:
    std::uint32_t m_failEvery = 0;
    std::uint32_t m_echoes = 0;
};

} // namespace velnorix::bench
