#include "alerts/alert_relay.h"
#include "base/clock.h"
#include "engine/run_model.h"
#include "support/loopback_server.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <condition_variable>
#include <curl/curl.h>
#include <filesystem>
#include <mutex>
#include <string>
#include <unistd.h>

namespace velnorix::bench {
namespace {

using namespace std::chrono_literals;

// Takes POSTs on 127.0.0.1 and counts the bodies it has read, so a run can wait for the next.
class CountingReceiver final {
public:
    CountingReceiver()
        : m_server([this](kit::Connection& connection) { Serve(connection); }, 20s) {}

    [[nodiscard]] std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(m_server.Port()) + "/hook";
    }
    [[nodiscard]] int Received() const {
        const std::lock_guard lock(m_mutex);
        return m_count;
    }
    // Waits until more than `before` bodies have come.
    void WaitBeyond(int before) {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, 30s, [&] { return m_count > before; });
    }

private:
    void Serve(kit::Connection& connection) {
        for (auto line = connection.ReadLine(); line && !line->empty();
             line = connection.ReadLine()) {
        }
        connection.ReadLine(); // the body: one line of JSON
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        connection.Close();
        {
            const std::lock_guard lock(m_mutex);
            ++m_count;
        }
        m_arrived.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    int m_count = 0;
    kit::LoopbackServer m_server;
};

// A fresh folder for the outbox, removed at the end.
class OutboxFolder final {
public:
    OutboxFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "velnorix-alerts-XXXXXX";
        m_path = ::mkdtemp(pattern.data()) != nullptr ? pattern : "/tmp";
    }
    ~OutboxFolder() {
        if (m_path != "/tmp")
            std::filesystem::remove_all(m_path);
    }
    OutboxFolder(const OutboxFolder&) = delete;
    OutboxFolder& operator=(const OutboxFolder&) = delete;
    [[nodiscard]] const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// From the end of the cycle that changed a target's state to the web hook's receiving it: the
// relay's digest, the outbox file written before the post, and the post on the delivery thread.
void BM_StateChangeToWebhook(benchmark::State& state) {
    CountingReceiver receiver;
    const OutboxFolder logs;
    SystemClock clock;
    RunModel model;
    model.SetTargetCount(1);
    model.Target(0).SetType(kTagHtml);
    model.Target(0).Addr = "http://site.test/";
    model.Config.Alerts.Webhook = receiver.Url();
    AlertRelay relay(clock, logs.Path());
    relay.Configure(model.Config, "");
    bool down = false;
    model.StatisticsOf(0).State = TargetState::Up;
    relay.CycleEnded(model); // the first answer is no news
    for (auto _ : state) {
        const int before = receiver.Received();
        down = !down;
        model.StatisticsOf(0).State = down ? TargetState::Down : TargetState::Up;
        relay.CycleEnded(model);
        receiver.WaitBeyond(before);
    }
}
BENCHMARK(BM_StateChangeToWebhook)->UseRealTime()->Unit(benchmark::kMillisecond);

// The baseline: one bare libcurl POST of a like body to the same receiver.
void BM_BareCurlPost(benchmark::State& state) {
    CountingReceiver receiver;
    const std::string url = receiver.Url();
    const std::string body =
        R"({"target":"http://site.test/","type":"<HTML>","old":"Up","new":"Down",)"
        R"("reason":"Connection refused","time":"2026-12-06T14:03:27Z"})"
        "\n";
    for (auto _ : state) {
        const int before = receiver.Received();
        CURL* curl = curl_easy_init();
        curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_perform(curl);
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        receiver.WaitBeyond(before);
    }
}
BENCHMARK(BM_BareCurlPost)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix::bench

BENCHMARK_MAIN();
