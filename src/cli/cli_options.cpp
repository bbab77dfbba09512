#include "cli/cli_options.h"

#include "config/configuration_file.h"
#include "engine/run_model.h"
#include "history/history_report.h"

#include <charconv>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace velnorix {
namespace {

// The whole decimal number `text` when it is one from `least` to `most`.
std::optional<long> WholeNumberIn(const std::string& text, long least, long most) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end || value < least || value > most)
        return std::nullopt;
    return value;
}

long ParseCycleCount(const std::string& text) {
    if (const auto cycles = WholeNumberIn(text, 1, std::numeric_limits<long>::max()))
        return *cycles;
    throw std::invalid_argument("--cycles needs a whole number of at least 1, not \"" + text +
                                "\"");
}

std::int32_t ParseParallel(const std::string& text) {
    if (const auto parallel = WholeNumberIn(text, 1, kMaxParallelProbes))
        return static_cast<std::int32_t>(*parallel);
    throw std::invalid_argument("--parallel needs a whole number from 1 to " +
                                std::to_string(kMaxParallelProbes) + ", not \"" + text + "\"");
}

// The value of option `name` when `arguments[i]` is that option, given as "NAME VALUE" (which
// moves `i` past the value) or "NAME=VALUE"; nothing for any other argument. A name without a
// value is an error that says it needs `what`.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       std::string_view name, std::string_view what) {
    const std::string& argument = arguments[i];
    if (argument == name) {
        if (i + 1 == arguments.size())
            throw std::invalid_argument(std::string(name) + " needs " + std::string(what));
        return arguments[++i];
    }
    if (argument.size() > name.size() && argument.starts_with(name) && argument[name.size()] == '=')
        return argument.substr(name.size() + 1);
    return std::nullopt;
}

} // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& arguments) {
    CliOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.ShowHelp = true;
        } else if (argument == "--version") {
            options.ShowVersion = true;
        } else if (argument == "--quiet" || argument == "-q") {
            options.Quiet = true;
        } else if (argument == "--echo-helper") {
            options.EchoHelper = true;
        } else if (argument == "--test-alert") {
            options.TestAlert = true;
        } else if (argument == "--history") {
            options.History = true;
        } else if (argument == "--csv") {
            options.Csv = true;
        } else if (const auto since = OptionValue(arguments, i, "--since", "a span")) {
            const auto hours = ParseHistorySpanHours(*since);
            if (!hours)
                throw std::invalid_argument("--since needs a span such as 24h, 7d or 1y, not \"" +
                                            *since + "\"");
            options.SinceHours = *hours;
        } else if (const auto target = OptionValue(arguments, i, "--target", "a number")) {
            const auto number = WholeNumberIn(*target, 1, kMaxIniTargets);
            if (!number)
                throw std::invalid_argument("--target needs a target's number, not \"" + *target +
                                            "\"");
            options.Target = static_cast<std::int32_t>(*number);
        } else if (argument == "--no-reasons") {
            options.NoReasons = true;
        } else if (const auto cycles = OptionValue(arguments, i, "--cycles", "a number")) {
            options.Cycles = ParseCycleCount(*cycles);
        } else if (const auto parallel = OptionValue(arguments, i, "--parallel", "a number")) {
            options.Parallel = ParseParallel(*parallel);
        } else if (const auto metrics = OptionValue(arguments, i, "--metrics", "HOST:PORT")) {
            options.Metrics = ParseListenAddress(*metrics);
        } else if (auto folder = OptionValue(arguments, i, "--log-dir", "a folder")) {
            if (folder->empty())
                throw std::invalid_argument("--log-dir needs a folder");
            options.LogDir = std::move(*folder);
        } else if (argument.starts_with("-") && argument != "-") {
            throw std::invalid_argument("unknown option " + argument);
        } else if (options.ConfigFile.empty()) {
            options.ConfigFile = argument;
        } else {
            throw std::invalid_argument("only one configuration file can be given");
        }
    }
    if (options.ConfigFile.empty() && !options.ShowHelp && !options.ShowVersion &&
        !options.EchoHelper)
        throw std::invalid_argument("no configuration file given");
    return options;
}

std::string CliUsage(const std::string& programName) {
    return "Usage: " + programName +
           " CONFIG.ini [--cycles N] [--log-dir DIR] [--quiet] [--no-reasons]\n"
           "       [--parallel N] [--metrics HOST:PORT]\n"
           "       " +
           programName +
           " CONFIG.ini --test-alert\n"
           "       " +
           programName +
           " CONFIG.ini --history [--since SPAN] [--target N] [--csv]\n"
           "\n"
           "Monitors the targets of CONFIG.ini without a desktop: runs a test cycle at once and\n"
           "then one per configured interval, prints every result line, and writes the detail\n"
           "and summary logs. Run from its build folder, the logs go next to this program and a\n"
           "bare file name is looked up there too; installed, the logs go to\n"
           "$XDG_STATE_HOME/velnorix (~/.local/state/velnorix) and bare names are looked up in\n"
           "$XDG_CONFIG_HOME/velnorix (~/.config/velnorix).\n"
           "Why a probe failed goes to standard error, one line after its result line.\n"
           "\n"
           "  --cycles N   end after N cycles; with an interval of 0 they run back to back\n"
           "  --log-dir DIR write the logs to DIR (made with mode 0700 when missing)\n"
           "  --quiet      do not ring the terminal bell for audible failures\n"
           "  --no-reasons do not print why a probe failed\n"
           "  --parallel N run up to N probes of a cycle at once (1 to 64), whatever the\n"
           "               configuration's Parallel says\n"
           "  --metrics HOST:PORT\n"
           "               serve the figures for Prometheus at http://HOST:PORT/metrics, for\n"
           "               example --metrics 127.0.0.1:9917 ([::1]:9917 for IPv6); HOST is a\n"
           "               numeric address of this machine\n"
           "  --test-alert send one test message on every channel of the [Alerts] section, say\n"
           "               for each whether it was delivered, and end; no run\n"
           "  --history    print each target's uptime over the last 24 hours, 7 days and 30\n"
           "               days and its figures per UTC day from the history kept in the log\n"
           "               folder, and end; no run\n"
           "  --since SPAN how far back --history goes: 36h, 7d (the default), 1y\n"
           "  --target N   --history of the Nth target only\n"
           "  --csv        --history as CSV, one line per target and UTC hour\n"
           "  --echo-helper\n"
           "               send ICMP echo requests for the desktop window, which starts it\n"
           "               when the system gives the window no ICMP socket of its own\n"
           "  --help       show this text\n"
           "  --version    show the version\n"
           "\n"
           "With an interval of 0 and no --cycles, the first cycle runs and the monitor then\n"
           "waits for a stop signal.\n"
           "\n"
           "SIGINT or SIGTERM completes the current cycle, then ends the run. A second one\n"
           "during that cycle lets the probe in progress finish and probes no further target.\n"
           "Standard output closed by its reader ends the run like a first signal. Each way\n"
           "the logs are deleted if the configuration says so, and the exit status is 0.\n"
           "\n"
           "SIGUSR1 pauses alerts until SIGUSR2 resumes them: probing and logging go on, every\n"
           "target's state is Paused, and the event log records the pause and its end.\n"
           "\n"
           "Exit status: 0 normal end, 1 bad arguments, 2 configuration file missing,\n"
           "3 configuration empty, 4 configuration unreadable, 5 log files cannot be written,\n"
           "6 the --metrics address cannot be listened on, 7 an alert channel did not deliver\n"
           "the test message, or none is set, 8 no history to print.\n";
}

} // namespace velnorix
