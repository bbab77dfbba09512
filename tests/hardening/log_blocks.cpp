#include "hardening/log_blocks.h"

#include "engine/summary_log.h"

#include <optional>
#include <regex>
#include <sstream>

namespace velnorix::kit {
namespace {

// One result line in the C locale: cycle, time stamp, verdict, seconds, tag and address.
const std::regex kResultLine(R"( *(\d+) \d\d:\d\d:\d\d [A-Z][a-z]{2} \d\d, \d{4}  )"
                             R"((Success|Failure): +\d+\.\d\d secs  (<[A-Za-z0-9]{4}>)(.*))");

// The lines of a log, each without its CR LF; a last line without one is left out (and
// reported by the caller).
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

struct Figures {
    long Attempts = 0;
    long Successes = 0;
    long Failures = 0;
};

// The last seven blank-separated words of a summary row: attempts, successes, failures, per
// cent, average, low and high; nothing when the row has fewer.
std::optional<Figures> FiguresOf(const std::string& row) {
    std::istringstream words(row);
    std::vector<std::string> all;
    for (std::string word; words >> word;)
        all.push_back(word);
    if (all.size() < 7)
        return std::nullopt;
    try {
        const std::size_t first = all.size() - 7;
        return Figures{std::stol(all[first]), std::stol(all[first + 1]), std::stol(all[first + 2])};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

class LogChecker final {
public:
    LogChecker(const std::vector<LoggedTarget>& targets, std::vector<std::string>& faults)
        : m_targets(targets), m_faults(faults), m_previous(targets.size()) {}

    // The detail block of cycle `cycle` starting at `lines[at]`; the verdicts it records.
    std::vector<bool> DetailBlock(const std::vector<std::string>& lines, std::size_t& at,
                                  int cycle) {
        std::vector<bool> failed;
        for (const LoggedTarget& target : m_targets) {
            std::smatch match;
            if (at >= lines.size() || !std::regex_match(lines[at], match, kResultLine)) {
                Fault("detail", cycle, "no result line for " + target.Addr);
                return {};
            }
            if (std::stoi(match[1]) != cycle || match[3] != target.Type || match[4] != target.Addr)
                Fault("detail", cycle, "line out of place: " + lines[at]);
            failed.push_back(match[2] == "Failure");
            ++at;
        }
        if (at >= lines.size() || !lines[at].empty())
            Fault("detail", cycle, "block does not end with an empty line");
        ++at;
        return failed;
    }

    void SummaryBlock(const std::vector<std::string>& lines, std::size_t& at, int cycle,
                      const std::vector<bool>& failed) {
        Figures totals;
        for (std::size_t i = 0; i < m_targets.size(); ++i, ++at) {
            if (at >= lines.size()) {
                Fault("summary", cycle, "block cut short");
                return;
            }
            const std::string& row = lines[at];
            const auto figures = FiguresOf(row);
            const std::string expectedStart =
                PadCycle(cycle) + " " + m_targets[i].Addr.substr(0, 30);
            if (!figures || !row.starts_with(expectedStart) ||
                row.find(m_targets[i].Type) == std::string::npos) {
                Fault("summary", cycle, "row out of place: " + row);
                continue;
            }
            CheckFollows(cycle, i, *figures, failed.size() > i && failed[i]);
            totals.Attempts += figures->Attempts;
        }
        if (at + 1 >= lines.size()) {
            Fault("summary", cycle, "no totals row");
            at = lines.size();
            return;
        }
        const auto total = FiguresOf(lines[at]);
        if (!total || total->Attempts != totals.Attempts)
            Fault("summary", cycle, "totals row does not add up: " + lines[at]);
        if (lines[at + 1] != " ")
            Fault("summary", cycle, "block does not end with a one-space line");
        at += 2;
    }

private:
    static std::string PadCycle(int cycle) {
        std::string text = std::to_string(cycle);
        return text.size() < 4 ? std::string(4 - text.size(), ' ') + text : text;
    }

    void CheckFollows(int cycle, std::size_t i, const Figures& now, bool failedNow) {
        if (now.Successes + now.Failures != now.Attempts)
            Fault("summary", cycle, "successes and failures do not make the attempts");
        if (const auto& before = m_previous[i]) {
            if (now.Attempts != before->Attempts + 1 ||
                now.Failures != before->Failures + (failedNow ? 1 : 0))
                Fault("summary", cycle,
                      "figures of " + m_targets[i].Addr + " do not follow the previous block");
        }
        m_previous[i] = now;
    }

    void Fault(const char* log, int cycle, const std::string& what) {
        m_faults.push_back(std::string(log) + " log, cycle " + std::to_string(cycle) + ": " + what);
    }

    const std::vector<LoggedTarget>& m_targets;
    std::vector<std::string>& m_faults;
    std::vector<std::optional<Figures>> m_previous;
};

} // namespace

std::vector<std::string> CheckRunLogs(const std::string& detailLog, const std::string& summaryLog,
                                      const std::vector<LoggedTarget>& targets,
                                      const std::vector<int>& cycles) {
    std::vector<std::string> faults;
    const std::vector<std::string> detail = LinesOf(detailLog);
    const std::vector<std::string> summary = LinesOf(summaryLog);
    const std::vector<std::string> header = LinesOf(SummaryLogHeader());
    if (summary.size() < header.size() ||
        !std::equal(header.begin(), header.end(), summary.begin()))
        faults.push_back("summary log does not begin with its header");
    LogChecker checker(targets, faults);
    std::size_t detailAt = 0;
    std::size_t summaryAt = header.size();
    for (const int cycle : cycles) {
        const std::vector<bool> failed = checker.DetailBlock(detail, detailAt, cycle);
        checker.SummaryBlock(summary, summaryAt, cycle, failed);
        if (faults.size() > 20)
            return faults;
    }
    if (detailAt < detail.size())
        faults.push_back("detail log has more than the expected blocks");
    if (summaryAt < summary.size())
        faults.push_back("summary log has more than the expected blocks");
    for (const std::string* log : {&detailLog, &summaryLog}) {
        if (!log->empty() && !log->ends_with("\r\n"))
            faults.push_back("a log does not end with a complete line");
    }
    return faults;
}

std::vector<int> CycleRange(int first, int last) {
    std::vector<int> cycles;
    for (int cycle = first; cycle <= last; ++cycle)
        cycles.push_back(cycle);
    return cycles;
}

} // namespace velnorix::kit
