#include "hardening/long_run.h"

#include "cli/child_process.h"
#include "hardening/flaky_servers.h"
#include "hardening/log_blocks.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <thread>

namespace velnorix::kit {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Every probe of a cycle against these servers ends within a second or so; a run that takes
// far longer than its cycles have hung.
constexpr auto kTimePerCycle = 5s;
constexpr auto kStartUp = 60s;
// Between a summary block showing and the program's idle moment after it.
constexpr auto kSettle = 100ms;

struct ConfiguredTarget {
    LoggedTarget Logged;
    std::string Port;
    std::string User;
    std::string Password;
};

std::vector<ConfiguredTarget> Targets(const FlakyServers& servers) {
    const std::string web = std::to_string(servers.HttpPort());
    const std::string pop3 = std::to_string(servers.Pop3Port());
    const std::string smtp = std::to_string(servers.SmtpPort());
    return {{{"<Ping>", "127.0.0.1"}, "0", "", ""},
            {{"<HTML>", "http://127.0.0.1:" + web + "/index.htm"}, web, "", ""},
            {{"<POP3>", "127.0.0.1"}, pop3, "monitor", "secret"},
            {{"<SMTP>", "127.0.0.1"}, smtp, "", ""},
            // Always answered, so no web connection stays open between cycles.
            {{"<HTML>", "http://127.0.0.1:" + web + "/ok"}, web, "", ""}};
}

std::string Configuration(const std::vector<ConfiguredTarget>& targets) {
    std::string text = "[Targets]\r\nDeleteLogs=FALSE\r\nIntervalHours=0\r\nIntervalMins=0\r\n"
                       "IntervalSecs=1\r\nCount=" +
                       std::to_string(targets.size()) + "\r\n";
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string prefix = (i < 9 ? "0" : "") + std::to_string(i + 1);
        const ConfiguredTarget& target = targets[i];
        text += prefix + "Type=" + target.Logged.Type + "\r\n" + prefix +
                "Addr=" + target.Logged.Addr + "\r\n" + prefix + "User=" + target.User + "\r\n" +
                prefix + "Password=" + target.Password + "\r\n" + prefix + "Audible=TRUE\r\n" +
                prefix + "Port=" + target.Port + "\r\n";
    }
    return text;
}

std::optional<fs::path> LogFile(const std::string& folder, const std::string& extension) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == extension)
            return entry.path();
    }
    return std::nullopt;
}

// Counts the summary blocks a growing log holds, reading only what was added since last time.
class BlockCounter final {
public:
    explicit BlockCounter(std::string folder) : m_folder(std::move(folder)) {}

    int Count() {
        if (!m_path) {
            m_path = LogFile(m_folder, ".smy");
            if (!m_path)
                return 0;
        }
        std::ifstream in(*m_path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(m_read));
        std::string added((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        m_read += added.size();
        m_tail += added;
        // Each block ends with a line holding one blank.
        for (std::size_t at; (at = m_tail.find("\r\n \r\n")) != std::string::npos;) {
            ++m_blocks;
            m_tail.erase(0, at + 3);
        }
        if (m_tail.size() > 4)
            m_tail.erase(0, m_tail.size() - 4);
        return m_blocks;
    }

private:
    std::string m_folder;
    std::optional<fs::path> m_path;
    std::size_t m_read = 0;
    std::string m_tail;
    int m_blocks = 0;
};

} // namespace

LongRunResult RunConsoleMonitorLongRun(const LongRunOptions& options) {
    if (options.Cycles < 4)
        throw std::invalid_argument("a long run needs at least 4 cycles");
    FlakyServers servers(options.Seed);
    const std::vector<ConfiguredTarget> targets = Targets(servers);
    const std::string program = options.Folder + "/velnorix-cli";
    fs::copy_file(options.ConsoleProgram, program, fs::copy_options::overwrite_existing);
    WriteWholeFile(options.Folder + "/long-run.ini", Configuration(targets));

    LongRunResult result;
    result.EndCycle = options.Cycles - 1;
    ChildProcess monitor(
        {{program, "long-run.ini", "--cycles", std::to_string(options.Cycles), "--quiet"},
         options.Folder});
    BlockCounter blocks(options.Folder);
    const auto giveUp =
        std::chrono::steady_clock::now() + kStartUp + options.Cycles * kTimePerCycle;
    bool started = false;
    // Each sample is taken just after the cycle's summary block is there, once the program has
    // closed the file: it then waits a whole interval for its timer.
    const auto sample = [&monitor] {
        std::this_thread::sleep_for(kSettle);
        return ReadProcessFigures(monitor.Pid());
    };
    try {
        while (std::chrono::steady_clock::now() < giveUp) {
            const int done = blocks.Count();
            if (!started && done >= result.StartCycle) {
                result.Start = sample();
                started = true;
            }
            if (done >= result.EndCycle) {
                result.End = sample();
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
    } catch (const std::runtime_error&) {
        // The program ended before the samples; its status and logs tell why.
    }
    result.ExitStatus = monitor.Wait(kStartUp);
    result.Errors = monitor.Errors();
    result.Exchanges = servers.Exchanges();
    result.Misbehaved = servers.Misbehaved();

    const auto detail = LogFile(options.Folder, ".log");
    const auto summary = LogFile(options.Folder, ".smy");
    if (!detail || !summary) {
        result.LogFaults.push_back("the run's logs are missing");
        return result;
    }
    const std::string detailText = ReadWholeFile(detail->string());
    std::vector<LoggedTarget> logged;
    for (const ConfiguredTarget& target : targets)
        logged.push_back(target.Logged);
    result.LogFaults = CheckRunLogs(detailText, ReadWholeFile(summary->string()), logged,
                                    CycleRange(1, options.Cycles));
    for (std::size_t at = 0; (at = detailText.find("Failure: ", at)) != std::string::npos; ++at)
        ++result.FailureLines;
    return result;
}

} // namespace velnorix::kit
