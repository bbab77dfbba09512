#include "base/file_descriptor.h"

#include <unistd.h>

namespace velnorix {

void SocketHandle::Close() {
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

} // namespace velnorix
