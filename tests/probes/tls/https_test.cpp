#include "base/file_descriptor.h"
#include "probes/http/http_client.h"
#include "probes/http/http_errors.h"
#include "probes/short_bounds.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackServer;
using kit::ServerScript;
using kit::TestCertificate;

ServerScript& Answer(ServerScript& script, const std::string& response) {
    for (int line = 0; line < 6; ++line) // request line, four headers, the empty line
        script.ReadLine();
    return script.Send(response);
}

ServerScript TlsAnswering(const std::string& response) {
    ServerScript script;
    script.StartTls(kit::ServerContext(TestCertificate::Valid));
    return Answer(script, response);
}

HttpClientSettings ShortSettings() {
    HttpClientSettings settings;
    settings.Connection = kit::ShortBounds();
    return settings;
}

// "success", "protocol error <code>: <status line>", or the error's text.
std::string Probe(HttpClient& client, const std::string& address) {
    try {
        client.HeadRequest(address);
        client.CloseConnection();
        return "success";
    } catch (const HttpProtocolError& error) {
        return "protocol error " + std::to_string(error.StatusCode()) + ": " + error.what();
    } catch (const std::exception& error) {
        return error.what();
    }
}

std::string Address(const char* scheme, std::uint16_t port, const std::string& path = "/") {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + path;
}

// An error answer announcing a body is complete with its head, and the kept connection carries
// the next request without a second handshake.
TEST(HttpsTest, AnErrorAnnouncingABodyKeepsTheConnectionForTheNextRequest) {
    ServerScript script = TlsAnswering("HTTP/1.1 404 Not Found\r\nContent-Length: 153\r\n\r\n");
    Answer(script, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    LoopbackServer server(script);
    HttpClient client(ShortSettings());
    client.SetTrust({.CAFile = kit::TestCaFile(), .WarnDays = 0});
    const std::string address = Address("HTTPS", server.Port(), "/docs/page.htm");
    EXPECT_EQ(Probe(client, address), "protocol error 404: HTTP/1.1 404 Not Found");
    EXPECT_EQ(client.CertificateExpiry(), kit::ExpiryOf(TestCertificate::Valid));
    EXPECT_EQ(Probe(client, address), "success");
    server.Finish();
    EXPECT_EQ(server.ReceivedLines().front(), "HEAD /docs/page.htm HTTP/1.1");
    EXPECT_EQ(server.ConnectionCount(), 1U);
}

// A connection kept open for "http" is not taken for "https" to the same host and port.
TEST(HttpsTest, AKeptPlainConnectionIsNotTakenForTls) {
    ServerScript plain;
    LoopbackServer server({Answer(plain, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"),
                           TlsAnswering("HTTP/1.1 200 OK\r\n\r\n")});
    HttpClient client(ShortSettings());
    client.SetTrust({.CAFile = kit::TestCaFile(), .WarnDays = 0});
    EXPECT_EQ(Probe(client, Address("http", server.Port())),
              "protocol error 404: HTTP/1.1 404 Not Found");
    EXPECT_EQ(client.CertificateExpiry(), 0);
    EXPECT_EQ(Probe(client, Address("https", server.Port())), "success");
    server.Finish();
    EXPECT_EQ(server.ConnectionCount(), 2U);
}

TEST(HttpsTest, TrustThatCannotBeSetUpFailsBeforeConnecting) {
    LoopbackServer server(TlsAnswering("HTTP/1.1 200 OK\r\n\r\n"));
    HttpClient client(ShortSettings());
    client.SetTrust({.CAFile = "/nonexistent/velnorix-ca.pem", .WarnDays = 0});
    EXPECT_THAT(Probe(client, Address("https", server.Port())),
                testing::StartsWith("Cannot load the CA file /nonexistent/velnorix-ca.pem: "));
    server.Finish();
    EXPECT_EQ(server.ConnectionCount(), 0U);
}

// A FIFO would hold open() until a writer came, inside the lock every TLS probe takes; the
// writer here frees such a reader, so that fault fails the test instead of hanging it.
TEST(HttpsTest, AFifoAsTheCaFileFailsAtOnceAndHoldsUpNoOtherProbe) {
    const kit::TempDir folder;
    const std::string fifo = folder.File("ca.pem");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::jthread writer([&fifo](const std::stop_token& stop) {
        for (; !stop.stop_requested(); std::this_thread::sleep_for(1ms))
            FileDescriptor(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    });
    LoopbackServer server(TlsAnswering("HTTP/1.1 200 OK\r\n\r\n"));
    HttpClient client(ShortSettings());
    client.SetTrust({.CAFile = fifo, .WarnDays = 0});
    EXPECT_EQ(Probe(client, Address("https", server.Port())),
              "Cannot load the CA file " + fifo + ": not a regular file");
    client.SetTrust({.CAFile = kit::TestCaFile(), .WarnDays = 0});
    EXPECT_EQ(Probe(client, Address("https", server.Port())), "success");
    server.Finish();
}

} // namespace
} // namespace velnorix
