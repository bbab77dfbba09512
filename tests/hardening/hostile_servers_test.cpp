// Every TCP probe against servers that misbehave on purpose: each must end with a failure
// within its bound, hold little memory while it waits and leave no descriptor behind. The
// figures of every case are printed as one row of a table.
#include "engine/host.h"
#include "engine/network_probes.h"
#include "engine/run_model.h"
#include "engine/target_probe.h"
#include "hardening/process_figures.h"
#include "kit/fake_host.h"
#include "support/loopback_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>

namespace velnorix::kit {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

// Short bounds, so every case ends in well under a second of waiting.
constexpr milliseconds kConnect = 1'000ms;
constexpr milliseconds kRead = 600ms;
constexpr milliseconds kWrite = 600ms;
// What a loaded machine may add to a bound before the case counts as hanging.
constexpr milliseconds kSlack = 3'000ms;
// A probe that waits must not grow this process by more than this.
constexpr long kMemoryLimitKiB = 16 * 1024;
constexpr int kRequestLines = 6; // the HEAD request line, four headers, the empty line

NetworkProbeSettings ShortBounds() {
    NetworkProbeSettings settings;
    settings.Http.Connection = {kConnect, kRead, kWrite};
    settings.Mail = {kConnect, kRead, kWrite};
    return settings;
}

// The longest each probe may take with these bounds, counting every step it can wait in:
// the web probe reads the response head; a mail dialogue reads
// up to three replies, writes up to three commands and a QUIT.
milliseconds Bound(TestType type) {
    if (type == TestType::Html)
        return kConnect + kWrite + kRead;
    return kConnect + 3 * kRead + 4 * kWrite;
}

std::string RandomBytes(std::size_t count) {
    std::mt19937 generator(11);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xff);
    return bytes;
}

// A web server waits for the request before it misbehaves; mail servers speak first.
ServerScript AfterRequest(TestType type) {
    ServerScript script;
    if (type == TestType::Html) {
        for (int i = 0; i < kRequestLines; ++i)
            script.ReadLine();
    }
    return script;
}

// What each kind of server says first: a status line, a POP3 greeting, an SMTP greeting.
std::string FirstLine(TestType type) {
    switch (type) {
    case TestType::Html:
        return "HTTP/1.1 200 OK\r\n";
    case TestType::Pop3:
        return "+OK ready\r\n";
    default:
        return "220 mail.test ready\r\n";
    }
}

struct HostileCase {
    const char* Id;
    const char* Name;
    std::function<ServerScript(TestType)> Script;
};

// Test names show the case, not its bytes.
void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.Name;
}

const HostileCase kCases[] = {
    {"Trickle", "trickles one byte every 250 ms",
     [](TestType type) {
         return AfterRequest(type).Trickle(FirstLine(type) + std::string(200, 'x'), 250ms);
     }},
    {"EndlessLines", "sends endless lines",
     [](TestType type) {
         // Header fields without end; reply lines that continue the reply without end.
         const std::string head = type == TestType::Html   ? "HTTP/1.1 200 OK\r\n"
                                  : type == TestType::Pop3 ? "+OK-more\r\n"
                                                           : "220-more\r\n";
         const std::string line = type == TestType::Html   ? "X-Filler: yes\r\n"
                                  : type == TestType::Pop3 ? "more text\r\n"
                                                           : "220-more text\r\n";
         return AfterRequest(type).Send(head).Flood(line);
     }},
    {"EndlessLine", "sends one endless line",
     [](TestType type) { return AfterRequest(type).Flood(std::string(4096, 'x')); }},
    {"ResetMidLine", "resets mid-line",
     [](TestType type) {
         const std::string line = FirstLine(type);
         return AfterRequest(type).Send(line.substr(0, line.size() / 2)).Reset();
     }},
    {"NeverReads", "accepts and never reads or answers",
     [](TestType) { return ServerScript().Pause(30s); }},
    {"RandomBytes", "answers with random bytes",
     [](TestType type) { return AfterRequest(type).Send(RandomBytes(4096)).Silence(); }},
    {"CloseAfterFirstLine", "closes after the status line or greeting",
     [](TestType type) { return AfterRequest(type).Send(FirstLine(type)).Close(); }},
};

// The text of the error that ended a probe, kept for the table as it passes by on its way to
// the cycle, which swallows it.
class ReasonKeeper {
public:
    void Run(const std::function<void()>& call) {
        try {
            call();
        } catch (const std::exception& error) {
            m_reason = error.what();
            throw;
        }
    }
    // The first line, cut short, with bytes a terminal cannot show as dots.
    [[nodiscard]] std::string Reason() const {
        std::string shown = m_reason.substr(0, std::min(m_reason.find('\r'), std::size_t{48}));
        for (char& c : shown) {
            if (c < ' ' || c > '~')
                c = '.';
        }
        return shown.empty() ? "(no text)" : shown;
    }

private:
    std::string m_reason;
};

class KeptHead final : public HeadProbe, public ReasonKeeper {
public:
    explicit KeptHead(HeadProbe& real) : m_real(real) {}
    void SetPort(std::int32_t port) override { m_real.SetPort(port); }
    void SetTarget(std::int32_t position) override { m_real.SetTarget(position); }
    void HeadRequest(std::string_view address) override {
        Run([&] { m_real.HeadRequest(address); });
    }
    void CloseConnection() override {
        Run([&] { m_real.CloseConnection(); });
    }

private:
    HeadProbe& m_real;
};

class KeptDialogue final : public LoginDialogueProbe, public ReasonKeeper {
public:
    KeptDialogue(DialogueProbe& real, LoginDialogueProbe* login) : m_real(real), m_login(login) {}
    void SetHost(std::string_view host) override { m_real.SetHost(host); }
    void SetPort(std::int32_t port) override { m_real.SetPort(port); }
    void SetUsername(std::string_view user) override { m_login->SetUsername(user); }
    void SetPassword(std::string_view password) override { m_login->SetPassword(password); }
    void StartDialogue() override {
        Run([&] { m_real.StartDialogue(); });
    }
    void EndDialogue() override {
        Run([&] { m_real.EndDialogue(); });
    }

private:
    DialogueProbe& m_real;
    LoginDialogueProbe* m_login;
};

struct ProbeKind {
    TestType Type;
    const char* Tag;
    const char* Addr;
};

const ProbeKind kProbes[] = {{TestType::Html, "<HTML>", "http://127.0.0.1/"},
                             {TestType::Pop3, "<POP3>", "127.0.0.1"},
                             {TestType::Smtp, "<SMTP>", "127.0.0.1"}};

class HostileServerTest : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileServerTest, EveryProbeFailsInTimeWithBoundedMemoryAndNoDescriptorLeft) {
    for (const ProbeKind& kind : kProbes) {
        SCOPED_TRACE(kind.Tag);
        const ProcessFigures before = ReadProcessFigures();
        ResetPeakResident();
        ProbeOutcome outcome;
        milliseconds took{};
        long peakKiB = 0;
        std::string reason;
        {
            NetworkProbes probes(ShortBounds());
            LoopbackServer server(GetParam().Script(kind.Type));
            TargetSettings entry;
            entry.SetType(kind.Tag);
            entry.Addr = kind.Addr;
            entry.User = "monitor";
            entry.Password = "secret";
            entry.Port = server.Port();
            SystemClock clock;
            FakeHost host;

            const ProbeComponents real = probes.Components();
            KeptHead http(real.Web);
            KeptDialogue pop3(real.Pop3, &real.Pop3);
            KeptDialogue smtp(real.Smtp, nullptr);
            const ProbeComponents kept{real.Echo, http, pop3, smtp, real.Tcp, real.Dns};

            const auto start = std::chrono::steady_clock::now();
            outcome = ProbeTarget(kind.Type, 0, entry, kept, clock, host, {});
            took =
                std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
            peakKiB = ReadProcessFigures().PeakResidentKiB - before.ResidentKiB;
            reason = kind.Type == TestType::Html   ? http.Reason()
                     : kind.Type == TestType::Pop3 ? pop3.Reason()
                                                   : smtp.Reason();
            server.Finish();
        }
        EXPECT_TRUE(outcome.Failed);
        EXPECT_LT(took, Bound(kind.Type) + kSlack);
        EXPECT_LT(peakKiB, kMemoryLimitKiB);
        EXPECT_EQ(ReadProcessFigures().Descriptors, before.Descriptors);
        std::printf("| %-40s | %s | %s: %s | %5u ms | %+6ld KiB |\n", GetParam().Name, kind.Tag,
                    outcome.Failed ? "Failure" : "Success", reason.c_str(), outcome.ElapsedMs,
                    peakKiB);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileServerTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Id); });

} // namespace
} // namespace velnorix::kit
