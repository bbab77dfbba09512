#pragma once

namespace velnorix {

// Makes the system's socket library ready for use. Every probe component calls it when it is
// created; calls after the first do nothing. POSIX sockets need no start-up, so on Linux the
// seam is empty: it exists so that a platform with a socket library to load has one place to
// do it.
void StartSockets();

} // namespace velnorix
