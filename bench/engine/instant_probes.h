#pragma once

#include "probes/probe_interfaces.h"

#include <cstdint>
#include <string_view>

namespace velnorix::bench {

// Probes that succeed at once, so a benchmark measures the engine's own work.
class InstantProbes final : public EchoProbe, public HeadProbe, public LoginDialogueProbe {
public:
    void SetHost(std::string_view) override {}
    void SetPort(std::int32_t) override {}
    void EchoExchange(std::string_view, std::uint16_t) override {}
    [[nodiscard]] ReplyStatusKind ReplyKind() const override { return ReplyStatusKind::Echo; }
    void SetTarget(std::int32_t) override {}
    void HeadRequest(std::string_view) override {}
    void CloseConnection() override {}
    void SetUsername(std::string_view) override {}
    void SetPassword(std::string_view) override {}
    void StartDialogue() override {}
    void EndDialogue() override {}

    ProbeComponents Components() { return ProbeComponents{*this, *this, *this, *this}; }
};

} // namespace velnorix::bench
