#pragma once

#include "cli/listen_address.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velnorix {

// What the console monitor was asked to do.
struct CliOptions {
    std::string ConfigFile;
    std::optional<long> Cycles;           // end after this many cycles
    std::optional<std::int32_t> Parallel; // probes at once, instead of the configuration's
    std::optional<std::string> LogDir;    // the logs go here instead of the usual folder
    bool Quiet = false;                   // no terminal bell for audible failures
    bool NoReasons = false;               // no failure reasons on standard error
    std::optional<ListenAddress> Metrics; // serve /metrics here while the run goes
    bool EchoHelper = false;              // serve the window's echo requests, nothing else
    bool TestAlert = false;               // send a test message on every alert channel, no run
    bool History = false;                 // print the kept history, no run
    std::int64_t SinceHours = 168;        // how far back --history goes: 7 days
    std::optional<std::int32_t> Target;   // --history of this target only (1-based)
    bool Csv = false;                     // --history as CSV, one line per target and hour
    bool ShowHelp = false;
    bool ShowVersion = false;
};

// Reads the arguments after the program name. Throws std::invalid_argument with a message
// fit for the operator when they make no sense.
CliOptions ParseCliOptions(const std::vector<std::string>& arguments);

std::string CliUsage(const std::string& programName);

// Exit statuses, so scripts and service managers can tell the causes apart.
enum CliExitStatus : int {
    kExitOk = 0,
    kExitUsage = 1,
    kExitMissingConfig = 2,
    kExitEmptyConfig = 3,
    kExitBadConfig = 4,
    kExitLogFiles = 5,
    kExitMetricsAddress = 6,
    kExitAlertUndelivered = 7,
    kExitNoHistory = 8,
};

} // namespace velnorix
