// velnorix-demo-servers: small web, POP3 and SMTP servers on 127.0.0.1 for the bundled
// example configuration, so a first run has live targets to watch. Runs until SIGTERM, SIGHUP
// or (unless it was started with SIGINT ignored, as a script's background job is) SIGINT.
//   velnorix-demo-servers [--http PORT] [--pop3 PORT] [--smtp PORT]
// Prints "ready" on standard output once every server that could start is listening; a port
// already taken is reported on standard error and the others go on without it.
#include "support/loopback_server.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <optional>
#include <pthread.h>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using velnorix::kit::Connection;
using velnorix::kit::LoopbackServer;

constexpr std::string_view kDemoUser = "demo";
constexpr std::string_view kDemoPassword = "demo";
// A client quiet for longer than this is let go; the monitor's probes never are.
constexpr std::chrono::seconds kPatience{30};

// The command word of a mail line in capitals, and what follows its first blank.
std::pair<std::string, std::string> SplitCommand(const std::string& line) {
    const std::size_t blank = line.find(' ');
    std::string word = line.substr(0, blank);
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return {word, blank == std::string::npos ? std::string() : line.substr(blank + 1)};
}

void ServeWeb(Connection& connection) {
    const std::optional<std::string> request = connection.ReadLine();
    if (!request)
        return;
    for (std::optional<std::string> header = connection.ReadLine(); header && !header->empty();
         header = connection.ReadLine()) {
    }
    const bool head = request->starts_with("HEAD ");
    if (!head && !request->starts_with("GET ")) {
        connection.Send("HTTP/1.1 501 Not Implemented\r\nContent-Length: 0\r\n"
                        "Connection: close\r\n\r\n");
        connection.Close();
        return;
    }
    const std::string body = "Velnorix demo web server\r\n";
    connection.Send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
                    (head ? std::string() : body));
    connection.Close();
}

void ServePop3(Connection& connection) {
    connection.SendLine("+OK Velnorix demo POP3 server ready");
    std::string user;
    while (const std::optional<std::string> line = connection.ReadLine()) {
        const auto [command, argument] = SplitCommand(*line);
        if (command == "USER") {
            user = argument;
            connection.SendLine("+OK");
        } else if (command == "PASS") {
            const bool known = user == kDemoUser && argument == kDemoPassword;
            connection.SendLine(known ? "+OK maildrop has 0 messages"
                                      : "-ERR invalid user name or password");
            user.clear();
        } else if (command == "QUIT") {
            connection.SendLine("+OK bye");
            connection.Close();
            return;
        } else {
            connection.SendLine("-ERR unknown command");
        }
    }
}

void ServeSmtp(Connection& connection) {
    connection.SendLine("220 127.0.0.1 Velnorix demo SMTP server ready");
    while (const std::optional<std::string> line = connection.ReadLine()) {
        const std::string command = SplitCommand(*line).first;
        if (command == "EHLO" || command == "HELO") {
            connection.SendLine("250 127.0.0.1 greets you");
        } else if (command == "NOOP" || command == "RSET") {
            connection.SendLine("250 OK");
        } else if (command == "QUIT") {
            connection.SendLine("221 bye");
            connection.Close();
            return;
        } else {
            connection.SendLine("502 Command not implemented");
        }
    }
}

struct DemoServer {
    const char* Name;
    const char* Option;
    std::uint16_t Port;
    LoopbackServer::Handler Serve;
};

bool ParsePort(std::string_view text, std::uint16_t& port) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return error == std::errc{} && end == text.data() + text.size() && port != 0;
}

} // namespace

int main(int argc, char* argv[]) {
    std::vector<DemoServer> servers = {
        {"web (HTTP)", "--http", 8080, ServeWeb},
        {"POP3 (user demo, password demo)", "--pop3", 1110, ServePop3},
        {"SMTP", "--smtp", 2525, ServeSmtp}};
    // Options come in pairs: a server's option, then its port.
    for (int i = 1; i < argc; i += 2) {
        const auto server = std::find_if(servers.begin(), servers.end(), [&](const DemoServer& s) {
            return std::string_view(argv[i]) == s.Option;
        });
        if (server == servers.end() || i + 1 == argc || !ParsePort(argv[i + 1], server->Port)) {
            std::fprintf(stderr, "usage: %s [--http PORT] [--pop3 PORT] [--smtp PORT]\n", argv[0]);
            return 2;
        }
    }

    // Blocked before any server thread starts, so only the wait below takes them.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    struct sigaction interrupt {};
    if (::sigaction(SIGINT, nullptr, &interrupt) == 0 && interrupt.sa_handler != SIG_IGN)
        sigaddset(&stops, SIGINT);
    ::pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    std::list<LoopbackServer> running;
    for (const DemoServer& server : servers) {
        try {
            running.emplace_back(server.Serve, kPatience, server.Port);
            std::fprintf(stderr, "demo %s server on 127.0.0.1:%u\n", server.Name, server.Port);
        } catch (const std::system_error& error) {
            std::fprintf(stderr, "demo %s server not started: port %u of 127.0.0.1: %s\n",
                         server.Name, server.Port, error.code().message().c_str());
        }
    }
    if (running.empty())
        return EXIT_FAILURE;
    std::puts("ready");
    std::fflush(stdout);
    int signal = 0;
    ::sigwait(&stops, &signal);
    return EXIT_SUCCESS;
}
