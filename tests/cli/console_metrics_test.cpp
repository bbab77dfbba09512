#include "base/file_descriptor.h"
#include "console_rig.h"
#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <sstream>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace velnorix::kit {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The value of the one sample line that starts with `series`, or nothing.
std::optional<std::string> SampleValue(const std::string& text, const std::string& series) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(series + " "))
            return line.substr(series.size() + 1);
    return std::nullopt;
}

// A connection to 127.0.0.1:`port` that has sent `firstBytes`; none while nothing listens.
FileDescriptor ConnectTo(std::uint16_t port, std::string_view firstBytes) {
    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return {};
    ::send(socket.Get(), firstBytes.data(), firstBytes.size(), MSG_NOSIGNAL);
    return socket;
}

// Sends `request` as it stands and reads until the server closes: the whole reply, or nothing
// when the server stayed quiet for `patience`.
std::string HttpExchange(std::uint16_t port, std::string_view request,
                         std::chrono::milliseconds patience) {
    const FileDescriptor socket = ConnectTo(port, request);
    const timeval wait{patience.count() / 1000, patience.count() % 1000 * 1000};
    ::setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string reply;
    char buffer[16384];
    ssize_t got = 0;
    while ((got = ::recv(socket.Get(), buffer, sizeof buffer, 0)) > 0)
        reply.append(buffer, static_cast<std::size_t>(got));
    return got == 0 ? reply : "";
}

int StatusOf(const std::string& reply) {
    return reply.size() < 12 ? 0 : std::stoi(reply.substr(9, 3));
}

std::string BodyOf(const std::string& reply) {
    const std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? "" : reply.substr(end + 4);
}

std::size_t OpenDescriptors(pid_t pid) {
    const fs::directory_iterator entries("/proc/" + std::to_string(pid) + "/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

// One cycle, then the figures hold still while hostile clients try the endpoint: none of them
// may hold up a scrape or the exit, cost more than a few descriptors, or get a body read.
TEST_F(ConsoleMonitorTest, MetricsEndpointServesTheFiguresTheDetailLogShowsWhateverClientsDo) {
    LoopbackServer smtp(SmtpDialogue());
    RefusingPort refusing;
    const std::uint16_t metricsPort = RefusingPort().Port(); // free again once it is known
    // An interval of 0: one cycle, then the figures hold still until the stop signal.
    WriteWholeFile(m_dir.File("targets.ini"),
                   TargetsConfig(0, false, {smtp.Port(), refusing.Port()}));
    const std::string address = "127.0.0.1:" + std::to_string(metricsPort);
    auto monitor = Start({"targets.ini", "--quiet", "--metrics", address});

    const std::string scrape = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    std::string text;
    for (int tries = 0; tries < 300 && SampleValue(text, "velnorix_cycles_total") != "1"; ++tries) {
        std::this_thread::sleep_for(50ms);
        if (const std::string reply = HttpExchange(metricsPort, scrape, 5s);
            StatusOf(reply) == 200) {
            text = BodyOf(reply);
            EXPECT_NE(reply.find("\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\n"),
                      std::string::npos);
        }
    }
    ASSERT_EQ(SampleValue(text, "velnorix_cycles_total"), "1") << text << monitor->Errors();

    const std::string head = " HTTP/1.1\r\nHost: x\r\n";
    for (const auto& [request, status] : std::vector<std::pair<std::string, int>>{
             {"HEAD /metrics" + head + "\r\n", 200},
             {"GET /other" + head + "\r\n", 404},
             {"POST /metrics" + head + "Content-Length: 314572800\r\n\r\n", 405},
             {"GET /metrics" + head + "Content-Length: 5\r\n\r\n", 400},
             {"GET /metrics" + head + "Transfer-Encoding: chunked\r\n\r\n", 400},
             {"GET /metrics" + head + "X-Pad: " + std::string(9 * 1024, 'a') + "\r\n\r\n", 431},
         }) {
        const std::string reply = HttpExchange(metricsPort, request, 5s);
        EXPECT_EQ(StatusOf(reply), status) << request.substr(0, 40);
        EXPECT_EQ(BodyOf(reply).find("velnorix_"), std::string::npos) << request.substr(0, 40);
    }

    // Half of them idle, half stopped in the middle of a request head.
    const std::size_t descriptors = OpenDescriptors(monitor->Pid());
    std::vector<FileDescriptor> held;
    for (int i = 0; i < 200; ++i) {
        held.push_back(ConnectTo(metricsPort, i % 2 == 0 ? "" : "GET /metrics HTTP/1.1\r\nX: "));
        ASSERT_TRUE(held.back().IsValid());
    }
    // Less patience than the held connections' own 5 s deadline: only making room lets it in.
    EXPECT_EQ(BodyOf(HttpExchange(metricsPort, scrape, 4s)), text);
    // Each held connection costs the server its socket and one duplicate, 16 at most.
    EXPECT_LE(OpenDescriptors(monitor->Pid()), descriptors + 2 * 16);

    monitor->Signal(SIGTERM);
    ASSERT_EQ(monitor->Wait(3s), 0) << monitor->Errors();
    EXPECT_EQ(monitor->Errors().find("Stopping after"), std::string::npos)
        << "a stop between cycles takes effect at once";

    const auto detail = LogFiles(".log");
    ASSERT_EQ(detail.size(), 1u);
    const auto lines = SplitCrLfLines(ReadWholeFile(detail[0].string()));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Success:"), std::string::npos);
    EXPECT_NE(lines[1].find("Failure:"), std::string::npos);
    // Both on 127.0.0.1: the port tells them apart.
    for (const auto& [index, port, up, down] :
         {std::tuple{"1", smtp.Port(), "1", "0"}, {"2", refusing.Port(), "0", "1"}}) {
        const std::string labels = std::string("{index=\"") + index +
                                   "\",type=\"<SMTP>\",target=\"127.0.0.1:" + std::to_string(port) +
                                   "\"}";
        EXPECT_EQ(SampleValue(text, "velnorix_target_up" + labels), up);
        EXPECT_EQ(SampleValue(text, "velnorix_target_attempts_total" + labels), "1");
        EXPECT_EQ(SampleValue(text, "velnorix_target_successes_total" + labels), up);
        EXPECT_EQ(SampleValue(text, "velnorix_target_failures_total" + labels), down);
    }
}
} // namespace
} // namespace velnorix::kit
