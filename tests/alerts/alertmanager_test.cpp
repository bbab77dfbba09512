#include "alerts/alert_message.h"
#include "alerts/web_channels.h"
#include "cli/child_process.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <curl/curl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace velnorix {
namespace {

constexpr const char* kAlertmanager = "/usr/bin/prometheus-alertmanager";

std::size_t Keep(char* data, std::size_t size, std::size_t count, void* text) {
    static_cast<std::string*>(text)->append(data, size * count);
    return size * count;
}

// The body of a GET, or nothing when it does not answer 200.
std::optional<std::string> Get(const std::string& url) {
    CURL* curl = curl_easy_init();
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 5000L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    long status = 0;
    if (curl_easy_perform(curl) == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    return status == 200 ? std::optional(body) : std::nullopt;
}

// A real Alertmanager on a free port of 127.0.0.1, with its configuration and storage in a
// folder of its own and no cluster.
class RealAlertmanager final {
public:
    RealAlertmanager() : m_port(kit::RefusingPort().Port()) {
        kit::WriteWholeFile(m_folder.File("alertmanager.yml"),
                            "route:\n  receiver: nobody\nreceivers:\n  - name: nobody\n");
        m_process = std::make_unique<kit::ChildProcess>(kit::ChildProcess::Options{
            {kAlertmanager, "--config.file=" + m_folder.File("alertmanager.yml"),
             "--web.listen-address=127.0.0.1:" + std::to_string(m_port),
             "--storage.path=" + m_folder.Path(), "--cluster.listen-address="},
            m_folder.Path()});
    }
    ~RealAlertmanager() {
        m_process->Signal(SIGTERM);
        m_process->Wait(std::chrono::seconds(10));
    }
    RealAlertmanager(const RealAlertmanager&) = delete;
    RealAlertmanager& operator=(const RealAlertmanager&) = delete;

    [[nodiscard]] std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    // Whether it answers within a minute.
    bool WaitReady() const {
        for (int tries = 0; tries < 600; ++tries) {
            if (Get(Url() + "/-/ready"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    [[nodiscard]] std::string Errors() const { return m_process->Errors(); }

private:
    kit::TempDir m_folder;
    std::uint16_t m_port;
    std::unique_ptr<kit::ChildProcess> m_process;
};

TEST(AlertmanagerTest, ADownTargetFiresAndItsRecoveryResolvesIt) {
    if (access(kAlertmanager, X_OK) != 0)
        GTEST_SKIP() << kAlertmanager
                     << " is not installed (Debian package prometheus-alertmanager)";
    const RealAlertmanager manager;
    ASSERT_TRUE(manager.WaitReady()) << manager.Errors();
    AlertmanagerChannel channel(manager.Url() + "/", TransferTrust{});
    const std::int64_t now = std::time(nullptr);
    const std::string active =
        manager.Url() + "/api/v2/alerts?filter=alertname%3D%22VelnorixTargetDown%22";

    AlertChange change{"<SMTP>",          "mail.example.test",  TargetState::Up,
                       TargetState::Down, "Connection refused", now};
    const DeliveryResult fired = channel.Deliver({{change}});
    ASSERT_TRUE(fired.Delivered) << fired.Reason;
    const auto firing = Get(active);
    ASSERT_TRUE(firing);
    for (const char* expected : {R"("target":"mail.example.test")", R"("type":"\u003cSMTP\u003e")",
                                 R"("state":"Down")", R"("reason":"Connection refused")"})
        EXPECT_THAT(*firing, ::testing::HasSubstr(expected));

    change.Old = TargetState::Down;
    change.New = TargetState::Up;
    change.Reason.clear();
    const DeliveryResult resolved = channel.Deliver({{change}});
    ASSERT_TRUE(resolved.Delivered) << resolved.Reason;
    EXPECT_EQ(Get(active), "[]\n") << "the alert is still active";
}

} // namespace
} // namespace velnorix
