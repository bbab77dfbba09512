#include "base/file_descriptor.h"

#include <unistd.h>

namespace velnorix {

int FileDescriptor::Close() {
    if (m_fd < 0)
        return 0;
    return ::close(std::exchange(m_fd, -1));
}

} // namespace velnorix
