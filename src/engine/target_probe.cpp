#include "engine/target_probe.h"

#include "engine/failure_reason.h"
#include "probes/probe_errors.h"

#include <algorithm>
#include <cerrno>
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

bool IsTimeOut(const std::exception& error) {
    if (dynamic_cast<const ReadTimeoutError*>(&error) != nullptr)
        return true;
    const auto* socket = dynamic_cast<const SocketError*>(&error);
    return socket != nullptr && socket->ErrorCode() == ETIMEDOUT;
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
    bool timedOut = false;
    try {
        switch (type) {
        case TestType::Html:
            seen = &probes.Web;
            probes.Web.SetTrust(trust);
            end = RunHead(position, entry, probes.Web, clock, runner);
            break;
        case TestType::Ping:
            end = RunEcho(entry, probes.Echo, clock, runner, failed);
            if (failed)
                reason = EchoFailureText(probes.Echo.ReplyKind());
            timedOut = probes.Echo.ReplyKind() == ReplyStatusKind::TimedOut;
            break;
        case TestType::Pop3:
            seen = &probes.Pop3;
            end = RunDialogue(probes.Pop3, clock, runner, [&] {
                probes.Pop3.SetSecurity(ChannelOf(entry.Security));
                probes.Pop3.SetTrust(trust);
                probes.Pop3.SetHost(entry.Addr);
                probes.Pop3.SetPort(entry.Port);
                probes.Pop3.SetUsername(entry.User);
                probes.Pop3.SetPassword(entry.Password);
            });
            break;
        case TestType::Smtp:
            seen = &probes.Smtp;
            end = RunDialogue(probes.Smtp, clock, runner, [&] {
                probes.Smtp.SetSecurity(ChannelOf(entry.Security));
                probes.Smtp.SetTrust(trust);
                probes.Smtp.SetHost(entry.Addr);
                probes.Smtp.SetPort(entry.Port);
            });
            break;
        case TestType::Unknown:
            break;
        }
    } catch (const std::exception& error) {
        end = clock.TickCount();
        failed = true;
        reason = FailureReason(error.what());
        timedOut = IsTimeOut(error);
    } catch (...) {
        // Whatever a component throws fails this target only; the cycle goes on.
        end = clock.TickCount();
        failed = true;
        reason = FailureReason({});
    }
    return {end - start, failed, seen != nullptr ? seen->CertificateExpiry() : 0, std::move(reason),
            timedOut};
}

} // namespace velnorix

namespace velnorix {
namespace {

// Slices of a retry's wait, so a cut or a closing program is never kept waiting long.
constexpr std::uint32_t kRetryWaitSliceMs = 100;

} // namespace

FinishedProbe ProbeWithRetries(const ProbeJob& job, const ProbeComponents& probes, Clock& clock,
                               BlockingRunner& runner, const TlsTrust& trust,
                               const std::function<bool()>& cutShort) {
    std::string earlier;
    for (std::int32_t attempt = 1;; ++attempt) {
        const LocalDateTime start = clock.Now();
        FinishedProbe finished{
            start, ProbeTarget(job.Type, job.Position, job.Entry, probes, clock, runner, trust)};
        ProbeOutcome& outcome = finished.Outcome;
        if (!outcome.Failed || attempt > job.Retries || cutShort()) {
            if (!earlier.empty())
                outcome.Reason =
                    (outcome.Failed ? outcome.Reason
                                    : "Answered on attempt " + std::to_string(attempt)) +
                    " (" + earlier + ")";
            return finished;
        }
        earlier += (earlier.empty() ? "" : "; ") + std::string("attempt ") +
                   std::to_string(attempt) + ": " + outcome.Reason;
        runner.RunBlocking([&] {
            for (std::uint32_t waited = 0; waited < job.RetryDelayMs && !cutShort();) {
                const std::uint32_t slice = std::min(kRetryWaitSliceMs, job.RetryDelayMs - waited);
                clock.Sleep(slice);
                waited += slice;
            }
        });
    }
}

} // namespace velnorix
