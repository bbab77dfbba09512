#include "engine/target_probe.h"

#include "engine/failure_reason.h"
#include "probes/probe_errors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <exception>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

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

WebCheck CheckOf(const TargetSettings& entry) {
    return {.Get = entry.Method == WebMethod::Get,
            .Expect = entry.Expect.empty() ? std::nullopt : StatusList::Parse(entry.Expect),
            .Match = entry.Match,
            .MatchAbsent = entry.MatchAbsent};
}

// Returns the end tick of the timed span; `note` gets what the probe adds to its success.
std::uint32_t RunHead(std::int32_t position, const TargetSettings& entry, HeadProbe& http,
                      Clock& clock, BlockingRunner& runner, std::string& note) {
    runner.RunBlocking([&] {
        http.SetTarget(position);
        http.SetPort(entry.Port);
        http.SetCheck(CheckOf(entry));
        http.HeadRequest(entry.Addr);
        note = http.Note();
        http.CloseConnection();
    });
    return clock.TickCount();
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

// What a ping probe's echo requests came to.
struct EchoRun {
    std::uint32_t ElapsedMs = 0;
    bool Failed = false;
    bool TimedOut = false;
    std::string Reason;
    EchoFigures Figures;
};

// A single echo says why it failed, as always; several give their figures too.
std::string EchoReason(const EchoRun& run, const TargetSettings& entry,
                       ReplyStatusKind lastFailure) {
    if (entry.Echoes <= 1)
        return run.Failed ? std::string(EchoFailureText(lastFailure)) : std::string();
    if (run.Figures.Answered == 0)
        return std::string(EchoFailureText(lastFailure)) + " (" + run.Figures.Text() + ")";
    if (run.Failed)
        return "Loss above " + std::to_string(entry.LossPct) + "%: " + run.Figures.Text();
    return run.Figures.Text();
}

// One request is timed from the component's set-up to the answer, as always; several are each
// timed alone and shown by the mean of those answered (of all of them when none is). The
// first is timed from `begun`.
EchoRun RunEchoes(const TargetSettings& entry, EchoProbe& ping, Clock& clock,
                  BlockingRunner& runner, std::uint32_t begun,
                  const std::function<bool()>& cutShort) {
    std::int32_t count = std::max(entry.Echoes, 1);
    std::vector<std::uint32_t> roundTrips;
    std::uint32_t spent = 0;
    ReplyStatusKind lastFailure = ReplyStatusKind::TimedOut;
    for (std::int32_t i = 0; i < count; ++i) {
        if (i > 0 && cutShort && cutShort()) {
            count = i;
            break;
        }
        const std::uint32_t start = i == 0 ? begun : clock.TickCount();
        runner.RunBlocking([&] {
            ping.SetHost(entry.Addr);
            ping.SetPort(entry.Port);
            ping.EchoExchange("", 0);
        });
        const std::uint32_t took = clock.TickCount() - start;
        spent += took;
        if (ping.ReplyKind() == ReplyStatusKind::Echo)
            roundTrips.push_back(took);
        else
            lastFailure = ping.ReplyKind();
        if (i + 1 < count && took < kEchoSpacingMs)
            runner.RunBlocking([&] { clock.Sleep(kEchoSpacingMs - took); });
    }
    EchoRun run;
    run.Figures = FiguresOf(count, roundTrips);
    run.TimedOut = roundTrips.empty() && lastFailure == ReplyStatusKind::TimedOut;
    run.Failed = roundTrips.empty() || run.Figures.LossPct() > entry.LossPct;
    run.ElapsedMs = roundTrips.empty()
                        ? spent / static_cast<std::uint32_t>(count)
                        : static_cast<std::uint32_t>(std::lround(run.Figures.MeanMs));
    run.Reason = EchoReason(run, entry, lastFailure);
    return run;
}

bool IsTimeOut(const std::exception& error) {
    if (dynamic_cast<const ReadTimeoutError*>(&error) != nullptr ||
        dynamic_cast<const NoAnswerError*>(&error) != nullptr)
        return true;
    const auto* socket = dynamic_cast<const SocketError*>(&error);
    return socket != nullptr && socket->ErrorCode() == ETIMEDOUT;
}

// The target's time-out (the cycle fills in the configuration's), 0 for the default bounds.
std::chrono::milliseconds TimeoutOf(const TargetSettings& entry) {
    return std::chrono::milliseconds(entry.TimeoutMs);
}

// A TCP target's check: TLS when its security says so, its banner rule when it has one.
PortCheck PortCheckOf(const TargetSettings& entry) {
    return PortCheck{.Host = entry.Addr,
                     .Port = entry.Port,
                     .Tls = entry.Security == TargetSecurity::Tls,
                     .BannerPattern = entry.Match,
                     .BannerAbsent = entry.MatchAbsent,
                     .Timeout = TimeoutOf(entry)};
}

DnsQuestion DnsQuestionOf(const TargetSettings& entry) {
    return DnsQuestion{.Name = entry.Addr,
                       .Type = entry.Record,
                       .Server = NameServerOf(entry.Server).value_or(entry.Server),
                       .Expected = ExpectedValues(entry.Expect),
                       .Timeout = TimeoutOf(entry)};
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
                         const TlsTrust& trust, const std::function<bool()>& cutShort) {
    if (type == TestType::Unknown)
        throw std::invalid_argument("ProbeTarget: a target without a known type");
    const std::uint32_t start = clock.TickCount();
    std::uint32_t end = start;
    bool failed = false;
    // Asked even after a failure: a certificate that failed its checks was still seen.
    const TlsCapable* seen = nullptr;
    std::string reason;
    bool timedOut = false;
    // A ping's time is its round trips', not the span from start to end.
    std::optional<std::uint32_t> elapsed;
    EchoFigures echoes;
    const std::chrono::milliseconds cap(entry.TimeoutMs);
    for (WaitCapped* component :
         std::initializer_list<WaitCapped*>{&probes.Echo, &probes.Web, &probes.Pop3, &probes.Smtp})
        component->CapWaits(cap);
    try {
        switch (type) {
        case TestType::Html:
            seen = &probes.Web;
            probes.Web.SetTrust(trust);
            end = RunHead(position, entry, probes.Web, clock, runner, reason);
            if (!reason.empty())
                reason = FailureReason(reason);
            break;
        case TestType::Ping: {
            EchoRun run = RunEchoes(entry, probes.Echo, clock, runner, start, cutShort);
            elapsed = run.ElapsedMs;
            failed = run.Failed;
            reason = std::move(run.Reason);
            timedOut = run.TimedOut;
            echoes = run.Figures;
            break;
        }
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
        case TestType::Tcp:
            seen = &probes.Tcp;
            probes.Tcp.SetTrust(trust);
            runner.RunBlocking([&] { probes.Tcp.Open(PortCheckOf(entry)); });
            end = clock.TickCount();
            runner.RunBlocking([&] { probes.Tcp.Close(); });
            break;
        case TestType::Dns:
            runner.RunBlocking([&] { probes.Dns.Query(DnsQuestionOf(entry)); });
            end = clock.TickCount();
            break;
        case TestType::Unknown:
            break;
        }
    } catch (const std::exception& error) {
        elapsed.reset();
        end = clock.TickCount();
        failed = true;
        reason = FailureReason(error.what());
        timedOut = IsTimeOut(error);
    } catch (...) {
        // Whatever a component throws fails this target only; the cycle goes on.
        elapsed.reset();
        end = clock.TickCount();
        failed = true;
        reason = FailureReason({});
    }
    return {elapsed.value_or(end - start),
            failed,
            seen != nullptr ? seen->CertificateExpiry() : 0,
            std::move(reason),
            timedOut,
            echoes};
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
        FinishedProbe finished{start, ProbeTarget(job.Type, job.Position, job.Entry, probes, clock,
                                                  runner, trust, cutShort)};
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
