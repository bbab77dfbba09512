#include "cli/echo_helper.h"

#include "probes/echo_helper_protocol.h"
#include "probes/icmp_client.h"
#include "probes/probe_errors.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace velnorix {
namespace {

constexpr int kExchangesAtOnce = 64;

class EchoServer final {
public:
    explicit EchoServer(int output) : m_output(output) {}
    EchoServer(const EchoServer&) = delete;
    EchoServer& operator=(const EchoServer&) = delete;

    // Carries the request out on a thread of its own, waiting while 64 are under way.
    void Serve(EchoHelperRequest request) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_underWay < kExchangesAtOnce; });
        ++m_underWay;
        std::thread([this, request = std::move(request)] {
            Answer(Exchange(request));
            const std::lock_guard done(m_mutex);
            --m_underWay;
            m_changed.notify_all();
        }).detach();
    }

    // Waits for the exchanges under way; each ends within its time-out.
    void Finish() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_underWay == 0; });
    }

private:
    EchoHelperReply Exchange(const EchoHelperRequest& request) {
        EchoHelperReply reply{request.Id, std::nullopt, {}};
        try {
            IcmpClient ping;
            ping.ShareSequences(m_sequences);
            ping.SetReceiveTimeout(request.Timeout);
            // Numeric addresses never reach a resolver; refuse anything that would.
            ping.SetResolver([](const std::string&, const Deadline&) -> std::vector<std::string> {
                throw ProbeError("Not a numeric address");
            });
            ping.SetHost(request.Address);
            ping.EchoExchange("", 0);
            reply.Kind = ping.ReplyKind();
        } catch (const std::exception& error) {
            reply.Error = error.what();
        }
        return reply;
    }

    void Answer(const EchoHelperReply& reply) {
        const std::string line = EchoReplyLine(reply);
        const std::lock_guard lock(m_mutex);
        // A reader that went away wants no answers (SIGPIPE is ignored).
        for (std::size_t sent = 0; sent < line.size();) {
            const ssize_t written = ::write(m_output, line.data() + sent, line.size() - sent);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return;
            sent += static_cast<std::size_t>(written);
        }
    }

    int m_output;
    std::shared_ptr<EchoSequences> m_sequences = std::make_shared<EchoSequences>();
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_underWay = 0;
};

} // namespace

int ServeEchoRequests(int input, int output) {
    std::signal(SIGPIPE, SIG_IGN);
    EchoServer server(output);
    std::string pending;
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(input, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::optional<EchoHelperRequest> request =
                ParseEchoRequestLine(std::string_view(pending).substr(0, end));
            pending.erase(0, end + 1);
            if (request)
                server.Serve(std::move(*request));
        }
        if (pending.size() > kEchoHelperLineLimit)
            break;
    }
    server.Finish();
    return 0;
}

} // namespace velnorix
