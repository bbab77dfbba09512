#include "engine/target_probe.h"

#include "engine/failure_reason.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace velnorix {
namespace {

ChannelSecurity ChannelOf(TargetSecurity security) {
    switch (security) {
    case TargetSecurity::Tls:
        return ChannelSecurity::Tls;
    case TargetSecurity::StartTls:
        return ChannelSecurity::StartTls;
    case TargetSecurity::None:
        break;
    }
    return ChannelSecurity::None;
}

// Returns the end tick of the timed span.
std::uint32_t RunHead(std::int32_t position, const TargetSettings& entry, HeadProbe& http,
                      Clock& clock, BlockingRunner& runner) {
    runner.RunBlocking([&] {
        http.SetTarget(position);
        http.SetPort(entry.Port);
        http.HeadRequest(entry.Addr);
        http.CloseConnection();
    });
    return clock.TickCount();
}

std::uint32_t RunEcho(const TargetSettings& entry, EchoProbe& ping, Clock& clock,
                      BlockingRunner& runner, bool& failed) {
    runner.RunBlocking([&] {
        ping.SetHost(entry.Addr);
        ping.SetPort(entry.Port);
        ping.EchoExchange("", 0);
    });
    const std::uint32_t end = clock.TickCount();
    failed = ping.ReplyKind() != ReplyStatusKind::Echo;
    return end;
}

std::string_view EchoFailureText(ReplyStatusKind kind) {
    switch (kind) {
    case ReplyStatusKind::TimedOut:
        return "No echo reply in time";
    case ReplyStatusKind::Unreachable:
        return "Destination unreachable";
    case ReplyStatusKind::TtlExceeded:
        return "Time to live exceeded";
    case ReplyStatusKind::Echo:
    case ReplyStatusKind::Error:
        break;
    }
    return "Echo request failed";
}

std::uint32_t RunDialogue(DialogueProbe& mail, Clock& clock, BlockingRunner& runner,
                          const std::function<void()>& setUp) {
    runner.RunBlocking([&] {
        setUp();
        mail.StartDialogue();
    });
    const std::uint32_t end = clock.TickCount();
    runner.RunBlocking([&] { mail.EndDialogue(); });
    return end;
}

} // namespace

TlsTrust TrustOf(const RunModel& model) {
    TlsTrust trust{.CAFile = model.Config.CAFile, .WarnDays = model.Config.CertWarnDays};
    const std::filesystem::path bundle(model.Config.CAFile);
    if (!bundle.empty() && bundle.is_relative())
        trust.CAFile = (std::filesystem::path(model.IniFileName).parent_path() / bundle).string();
    return trust;
}

ProbeOutcome ProbeTarget(TestType type, std::int32_t position, const TargetSettings& entry,
                         const ProbeComponents& probes, Clock& clock, BlockingRunner& runner,
                         const TlsTrust& trust) {
    if (type == TestType::Unknown)
        throw std::invalid_argument("ProbeTarget: a target without a known type");
    const std::uint32_t start = clock.TickCount();
    std::uint32_t end = start;
    bool failed = false;
    // Asked even after a failure: a certificate that failed its checks was still seen.
    const TlsCapable* seen = nullptr;
    std::string reason;
    try {
        switch (type) {
        case TestType::Html:
            seen = &probes.IdHTTP1;
            probes.IdHTTP1.SetTrust(trust);
            end = RunHead(position, entry, probes.IdHTTP1, clock, runner);
            break;
        case TestType::Ping:
            end = RunEcho(entry, probes.PingClient, clock, runner, failed);
            if (failed)
                reason = EchoFailureText(probes.PingClient.ReplyKind());
            break;
        case TestType::Pop3:
            seen = &probes.IdPOP31;
            end = RunDialogue(probes.IdPOP31, clock, runner, [&] {
                probes.IdPOP31.SetSecurity(ChannelOf(entry.Security));
                probes.IdPOP31.SetTrust(trust);
                probes.IdPOP31.SetHost(entry.Addr);
                probes.IdPOP31.SetPort(entry.Port);
                probes.IdPOP31.SetUsername(entry.User);
                probes.IdPOP31.SetPassword(entry.Password);
            });
            break;
        case TestType::Smtp:
            seen = &probes.IdSMTP1;
            end = RunDialogue(probes.IdSMTP1, clock, runner, [&] {
                probes.IdSMTP1.SetSecurity(ChannelOf(entry.Security));
                probes.IdSMTP1.SetTrust(trust);
                probes.IdSMTP1.SetHost(entry.Addr);
                probes.IdSMTP1.SetPort(entry.Port);
            });
            break;
        case TestType::Unknown:
            break;
        }
    } catch (const std::exception& error) {
        end = clock.TickCount();
        failed = true;
        reason = FailureReason(error.what());
    } catch (...) {
        // Whatever a component throws fails this target only; the cycle goes on.
        end = clock.TickCount();
        failed = true;
        reason = FailureReason({});
    }
    return {end - start, failed, seen != nullptr ? seen->CertificateExpiry() : 0,
            std::move(reason)};
}

} // namespace velnorix
