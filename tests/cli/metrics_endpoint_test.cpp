// The metrics endpoint of the real console monitor against hostile clients: what they hold,
// what they send, and whether they can hold up a scrape or the exit.
#include "base/file_descriptor.h"
#include "cli/console_rig.h"
#include "support/http_exchange.h"

#include <arpa/inet.h>
#include <csignal>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace velnorix::testing {
namespace {

std::size_t OpenDescriptors(pid_t pid) {
    const std::filesystem::directory_iterator entries("/proc/" + std::to_string(pid) + "/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

FileDescriptor ConnectTo(std::uint16_t port, std::string_view firstBytes) {
    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    EXPECT_EQ(::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
              0);
    ::send(socket.Get(), firstBytes.data(), firstBytes.size(), MSG_NOSIGNAL);
    return socket;
}

// The monitor with one failing target, after its one cycle, serving metrics.
class MetricsEndpointTest : public ConsoleMonitorTest {
protected:
    void SetUp() override {
        WriteWholeFile(m_dir.File("targets.ini"), TargetsConfig(0, true, {m_refusing.Port()}));
        m_monitor =
            Start({"targets.ini", "--quiet", "--metrics", "127.0.0.1:" + std::to_string(m_port)});
        for (int tries = 0; tries < 300 && !HttpExchange(m_port, MetricsRequest(), 1s); ++tries)
            std::this_thread::sleep_for(20ms);
    }

    RefusingPort m_refusing;
    const std::uint16_t m_port = RefusingPort().Port(); // free again once it is known
    std::unique_ptr<ChildProcess> m_monitor;
};

TEST_F(MetricsEndpointTest, HeldConnectionsCostFewDescriptorsAndHoldUpNeitherAScrapeNorTheExit) {
    const std::size_t before = OpenDescriptors(m_monitor->Pid());
    // Half of them idle, half stopped in the middle of a request head.
    std::vector<FileDescriptor> held;
    for (int i = 0; i < 200; ++i)
        held.push_back(ConnectTo(m_port, i % 2 == 0 ? "" : "GET /metrics HTTP/1.1\r\nX-Slow: "));

    // Less patience than the held connections' own deadline: only making room lets it in.
    const auto reply = HttpExchange(m_port, MetricsRequest(), 4s);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->Status, 200);
    EXPECT_NE(reply->Body.find("velnorix_cycles_total 1"), std::string::npos) << reply->Body;
    // Each held connection costs the server its socket and one duplicate.
    EXPECT_LE(OpenDescriptors(m_monitor->Pid()), before + 2 * 16);

    m_monitor->Signal(SIGTERM);
    EXPECT_EQ(m_monitor->Wait(3s), 0) << m_monitor->Errors();
}

TEST_F(MetricsEndpointTest, AnswersOnlyGetAndHeadOfMetricsAndNeverReadsABody) {
    const std::string longHeader = "X-Pad: " + std::string(9 * 1024, 'a') + "\r\n";
    const struct {
        std::string Request;
        int Status;
        bool Body;
    } cases[] = {
        {MetricsRequest("GET"), 200, true},
        {MetricsRequest("HEAD"), 200, false},
        {"GET /other HTTP/1.1\r\nHost: x\r\n\r\n", 404, false},
        {"POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 314572800\r\n\r\n", 405, false},
        {"GET /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\n", 400, false},
        {"GET /metrics HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n", 400, false},
        {"GET /metrics HTTP/1.1\r\nHost: x\r\n" + longHeader + "\r\n", 431, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Request.substr(0, 60));
        const auto reply = HttpExchange(m_port, c.Request, 5s);
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->Status, c.Status);
        EXPECT_EQ(reply->Body.find("velnorix_cycles_total") != std::string::npos, c.Body);
    }
}

} // namespace
} // namespace velnorix::testing
