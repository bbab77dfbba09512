#include "base/open_file_limit.h"

#include <sys/resource.h>

namespace velnorix {

void RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    // Failing leaves the old limit, which is what the program had before.
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace velnorix
