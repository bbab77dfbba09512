#include "base/open_file_limit.h"
#include "cli/cli_options.h"
#include "cli/console_monitor.h"
#include "cli/echo_helper.h"

#include <clocale>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char* argv[]) {
    using namespace velnorix;
    std::setlocale(LC_ALL, "");
    RaiseOpenFileLimit();
    const std::string program = argc > 0 ? argv[0] : "velnorix-cli";
    CliOptions options;
    try {
        options = ParseCliOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "%s: %s\n\n%s", program.c_str(), error.what(),
                     CliUsage(program).c_str());
        return kExitUsage;
    }
    if (options.ShowHelp) {
        std::fputs(CliUsage(program).c_str(), stdout);
        return kExitOk;
    }
    if (options.ShowVersion) {
        std::printf("velnorix-cli %d.%d.%d\n", VELNORIX_VERSION_MAJOR, VELNORIX_VERSION_MINOR,
                    VELNORIX_VERSION_PATCH);
        return kExitOk;
    }
    if (options.EchoHelper)
        return ServeEchoRequests(STDIN_FILENO, STDOUT_FILENO);
    return RunConsoleMonitor(options, stdout, stderr);
}
