#pragma once

#include "probes/tcp_connection.h"

#include <functional>

namespace velnorix {

// Runs the opening steps of a mail dialogue on an open connection. When a step fails, the
// dialogue is ended (QUIT where the connection is still open, then close) and the step's
// error is the one that propagates; a failure of the QUIT itself is dropped in that case.
void RunOpeningSteps(TcpConnection& connection, const std::function<void()>& steps);

// Sends "QUIT" when the connection is still open, without reading the reply, then closes
// the connection even when sending failed; a failed send is rethrown after the close.
void EndMailDialogue(TcpConnection& connection);

} // namespace velnorix
