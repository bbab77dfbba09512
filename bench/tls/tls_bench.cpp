// Wall time of an HTTPS HEAD and a POP3 log-in over TLS, each by its probe and by a minimal
// blocking OpenSSL client doing the same exchange in the same run, with and without resuming
// the session of the previous round (argument 1 / 0).
#include "probes/http/http_client.h"
#include "probes/pop3_client.h"
#include "support/loopback_server.h"
#include "support/test_certificates.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <memory>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace velnorix::bench {
namespace {

using kit::Connection;
using kit::LoopbackServer;
using kit::ServerScript;
using kit::TestCertificate;

constexpr int kRequestLines = 6;
const std::string kHeadRequest = "HEAD / HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1\r\n"
                                 "Accept: text/html, */*\r\nUser-Agent: bench\r\n\r\n";

LoopbackServer TlsServer(const ServerScript& script) {
    return LoopbackServer([script](Connection& connection) { script.Play(connection); });
}

ServerScript HttpsScript() {
    ServerScript script;
    script.StartTls(kit::ServerContext(TestCertificate::Valid));
    for (int line = 0; line < kRequestLines; ++line)
        script.ReadLine();
    return script.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
}

ServerScript Pop3Script() {
    return ServerScript()
        .StartTls(kit::ServerContext(TestCertificate::Valid))
        .SendLine("+OK ready")
        .ReadLine()
        .SendLine("+OK")
        .ReadLine()
        .SendLine("+OK logged in");
}

// The minimal client: a blocking socket, SSL_connect with the same checks, the exchange, and
// close_notify; the session kept for the next round when asked.
class MinimalTlsClient final {
public:
    explicit MinimalTlsClient(bool resume) : m_resume(resume) {
        m_context.reset(SSL_CTX_new(TLS_client_method()));
        SSL_CTX_set_min_proto_version(m_context.get(), TLS1_2_VERSION);
        SSL_CTX_set_verify(m_context.get(), SSL_VERIFY_PEER, nullptr);
        SSL_CTX_load_verify_locations(m_context.get(), kit::TestCaFile().c_str(), nullptr);
    }

    // Reads `replies` replies, each up to `lastBytes`, sending `request` before each (before
    // all but the first when the server speaks first); then `farewell`.
    void Exchange(std::uint16_t port, const std::string& request, const std::string& lastBytes,
                  int replies, bool serverFirst, const std::string& farewell) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0)
            throw std::runtime_error("connect");
        SSL* ssl = SSL_new(m_context.get());
        SSL_set_fd(ssl, fd);
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), "127.0.0.1");
        if (m_resume && m_session)
            SSL_set_session(ssl, m_session.get());
        if (SSL_connect(ssl) != 1)
            throw std::runtime_error("handshake");
        std::string received;
        char buffer[4096];
        for (int reply = 0; reply < replies; ++reply) {
            if (!serverFirst || reply > 0)
                SSL_write(ssl, request.data(), static_cast<int>(request.size()));
            while (received.size() < lastBytes.size() ||
                   received.compare(received.size() - lastBytes.size(), lastBytes.size(),
                                    lastBytes) != 0) {
                const int count = SSL_read(ssl, buffer, sizeof buffer);
                if (count <= 0)
                    throw std::runtime_error("read");
                received.append(buffer, static_cast<std::size_t>(count));
            }
            received.clear();
        }
        if (!farewell.empty())
            SSL_write(ssl, farewell.data(), static_cast<int>(farewell.size()));
        SSL_shutdown(ssl);
        m_session.reset(SSL_get1_session(ssl));
        SSL_free(ssl);
        ::close(fd);
    }

private:
    bool m_resume;
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> m_context{nullptr, SSL_CTX_free};
    std::unique_ptr<SSL_SESSION, decltype(&SSL_SESSION_free)> m_session{nullptr, SSL_SESSION_free};
};

const TlsTrust kTrust{.CAFile = kit::TestCaFile(), .WarnDays = 0};

void HttpsHeadProbe(benchmark::State& state) {
    const LoopbackServer server = TlsServer(HttpsScript());
    const std::string address = "https://127.0.0.1:" + std::to_string(server.Port()) + "/";
    auto client = std::make_unique<HttpClient>();
    for (auto _ : state) {
        // A fresh component has no session to offer.
        if (state.range(0) == 0)
            client = std::make_unique<HttpClient>();
        client->SetTrust(kTrust);
        client->HeadRequest(address);
        client->CloseConnection();
    }
}
BENCHMARK(HttpsHeadProbe)->Arg(0)->Arg(1)->UseRealTime();

void HttpsHeadMinimal(benchmark::State& state) {
    const LoopbackServer server = TlsServer(HttpsScript());
    MinimalTlsClient client(state.range(0) != 0);
    for (auto _ : state)
        client.Exchange(server.Port(), kHeadRequest, "\r\n\r\n", 1, false, "");
}
BENCHMARK(HttpsHeadMinimal)->Arg(0)->Arg(1)->UseRealTime();

void Pop3TlsProbe(benchmark::State& state) {
    const LoopbackServer server = TlsServer(Pop3Script());
    auto client = std::make_unique<Pop3Client>();
    for (auto _ : state) {
        if (state.range(0) == 0)
            client = std::make_unique<Pop3Client>();
        client->SetHost("127.0.0.1");
        client->SetPort(server.Port());
        client->SetUsername("alice");
        client->SetPassword("secret");
        client->SetSecurity(ChannelSecurity::Tls);
        client->SetTrust(kTrust);
        client->StartDialogue();
        client->EndDialogue();
    }
}
BENCHMARK(Pop3TlsProbe)->Arg(0)->Arg(1)->UseRealTime();

// The greeting, then two lines answered (USER and PASS, the same length), then QUIT without
// waiting for its reply, as the probe does.
void Pop3TlsMinimal(benchmark::State& state) {
    const LoopbackServer server = TlsServer(Pop3Script());
    MinimalTlsClient client(state.range(0) != 0);
    for (auto _ : state)
        client.Exchange(server.Port(), "USER alice\r\n", "\r\n", 3, true, "QUIT\r\n");
}
BENCHMARK(Pop3TlsMinimal)->Arg(0)->Arg(1)->UseRealTime();

} // namespace
} // namespace velnorix::bench

BENCHMARK_MAIN();
