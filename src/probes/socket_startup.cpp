#include "probes/socket_startup.h"

namespace velnorix {

void StartSockets() {
    // POSIX sockets are usable from the first call; sends pass MSG_NOSIGNAL, so not even
    // SIGPIPE needs setting up.
}

} // namespace velnorix
