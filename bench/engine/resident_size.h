#pragma once

#include <fstream>
#include <unistd.h>

namespace velnorix::bench {

// This process's resident size now, from /proc/self/statm.
inline double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

} // namespace velnorix::bench
