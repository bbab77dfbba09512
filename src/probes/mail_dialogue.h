#pragma once

#include "probes/tcp_connection.h"

#include <functional>

namespace velnorix {

// Opens the connection and runs the opening steps of a mail dialogue. When a step fails, the
// dialogue is ended (QUIT where the connection is still open, then close) and the step's
// error is the one that propagates; a failure of the QUIT itself is dropped in that case. Any
// failure also drops the TLS session kept for the server.
void OpenMailDialogue(TcpConnection& connection, const std::function<void()>& steps);

// Sends "QUIT" when the connection is still open, without reading the reply, then closes
// the connection even when sending failed; a failed send is rethrown after the close, and
// the TLS session kept for the server is dropped.
void EndMailDialogue(TcpConnection& connection);

} // namespace velnorix
