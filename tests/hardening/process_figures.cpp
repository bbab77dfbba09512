#include "hardening/process_figures.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace velnorix::kit {
namespace {

std::string ProcPath(pid_t pid, const std::string& entry) {
    return "/proc/" + (pid == 0 ? std::string("self") : std::to_string(pid)) + "/" + entry;
}

// The number of kB after `key` in /proc/<pid>/status.
long StatusKiB(const std::string& status, const std::string& key) {
    const std::size_t at = status.find("\n" + key + ":");
    if (at == std::string::npos)
        throw std::runtime_error("no " + key + " in the process status");
    return std::stol(status.substr(at + key.size() + 2));
}

} // namespace

ProcessFigures ReadProcessFigures(pid_t pid) {
    std::ifstream in(ProcPath(pid, "status"));
    if (!in)
        throw std::runtime_error("no such process");
    const std::string status((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    ProcessFigures figures;
    figures.ResidentKiB = StatusKiB(status, "VmRSS");
    figures.PeakResidentKiB = StatusKiB(status, "VmHWM");

    std::vector<std::pair<int, std::string>> open;
    for (const auto& entry : std::filesystem::directory_iterator(ProcPath(pid, "fd"))) {
        std::error_code gone; // the descriptor that listed the folder is closed by now
        const auto target = std::filesystem::read_symlink(entry.path(), gone);
        if (!gone)
            open.emplace_back(std::stoi(entry.path().filename().string()), target.string());
    }
    std::sort(open.begin(), open.end());
    for (auto& [fd, target] : open)
        figures.Descriptors.push_back(std::move(target));
    return figures;
}

void ResetPeakResident() {
    // Writing 5 to clear_refs resets the peak resident set size (Linux 4.0 and later).
    std::ofstream(ProcPath(0, "clear_refs")) << "5";
}

} // namespace velnorix::kit
