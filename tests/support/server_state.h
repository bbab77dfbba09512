#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

// What a connection asks of the listener that accepted it. The listener itself stays private to
// loopback_server.cpp; the connections and their scripts live in server_connection.cpp.
namespace velnorix::kit {

class ServerState;

// Waits until `fd` is ready; false when the server stops, finishes or runs out of patience.
bool WaitFor(ServerState& server, int fd, short events);
// Sleeps; false when the server stops meanwhile.
bool Sleep(ServerState& server, std::chrono::milliseconds duration);
// Notes bytes connection `index` received, for a scripted server.
void Record(ServerState& server, std::size_t index, std::string_view bytes);
void NoteMismatch(ServerState& server, std::string text);

} // namespace velnorix::kit
