#pragma once

#include "engine/target_settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velnorix {

// Where state changes are sent; each channel is off while its own setting is empty.
struct AlertSettings {
    std::vector<std::string> Mail; // recipients
    std::string MailServer;        // host:port
    TargetSecurity MailSecurity = TargetSecurity::None;
    std::string MailUser;
    std::string MailPassword;
    std::string MailFrom;
    std::string Webhook;      // an http or https URL that takes a JSON POST
    std::string Alertmanager; // the base URL; alerts go to <base>/api/v2/alerts
    std::string Command;      // a program and its arguments, split at blanks; run without a shell
    // A target that stays Down is told again after this many minutes, then twice as long each
    // time; 0 is off.
    std::int32_t RemindMins = 0;

    friend bool operator==(const AlertSettings&, const AlertSettings&) = default;
};

// The most probes a cycle runs at once: each holds a socket and a thread.
inline constexpr std::int32_t kMaxParallelProbes = 64;
// Days of probe results the history keeps when the file does not say.
inline constexpr std::int32_t kDefaultHistoryDays = 90;

// Everything the operator configures, as one value: a load or the dialog builds a whole new
// one and it replaces the old in one assignment, so no half-applied configuration is ever
// seen. Field names follow the configuration file's keys, so a setting has one name from the
// file to the engine; a new option is a field here, its key in the file and its control in the
// dialog.
struct Configuration {
    std::vector<TargetSettings> Targets;

    std::int32_t IntervalHours = 0;
    std::int32_t IntervalMins = 5;
    std::int32_t IntervalSecs = 0;
    bool DeleteLogs = false;
    // The window notifies the desktop when a target's verdict changes.
    bool Notify = false;
    // A PEM bundle of extra trusted certificates, as written (relative to the configuration
    // file); empty for the system's trust store alone.
    std::string CAFile;
    // A TLS probe whose leaf certificate expires in fewer days than this fails; 0 is off.
    std::int32_t CertWarnDays = 0;
    // How many probes of a cycle may run at once; 1 probes one target after another.
    std::int32_t Parallel = 1;
    // The monitor deletes its own logs last written more than this many days ago; 0 or less
    // keeps them all.
    std::int32_t KeepLogDays = 0;
    // Failed cycles in a row before a target is Down, and good ones before it is Up again.
    std::int32_t FailAfter = 1;
    std::int32_t RecoverAfter = 1;
    // A success slower than this many milliseconds is Slow, unless the target sets its own;
    // 0 is off.
    std::int32_t SlowMs = 0;
    // A failed probe is tried again up to Retries times in the same cycle, RetryDelayMs apart.
    std::int32_t Retries = 0;
    std::int32_t RetryDelayMs = 1'000;
    // Days every probe result is kept in the history database; 0 keeps no history.
    std::int32_t HistoryDays = kDefaultHistoryDays;
    // Caps every wait of a probe, unless the target sets its own; 0 keeps the network bounds.
    std::int32_t TimeoutMs = 0;
    AlertSettings Alerts;

    [[nodiscard]] std::int32_t TargetCount() const {
        return static_cast<std::int32_t>(Targets.size());
    }
    // Throws std::out_of_range outside 0 to TargetCount() - 1.
    [[nodiscard]] const TargetSettings& Target(std::int32_t index) const;

    friend bool operator==(const Configuration&, const Configuration&) = default;
};

} // namespace velnorix
