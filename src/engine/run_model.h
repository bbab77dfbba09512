#pragma once

#include "base/utf8_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

// The four test type tags; compared exactly, letter case included.
inline constexpr std::string_view kTagHtml = "<HTML>";
inline constexpr std::string_view kTagPing = "<Ping>";
inline constexpr std::string_view kTagPop3 = "<POP3>";
inline constexpr std::string_view kTagSmtp = "<SMTP>";
inline constexpr std::size_t kTypeLength = 6;

enum class TestType { Html, Ping, Pop3, Smtp, Unknown };

// The test type a tag selects; anything but the four exact tags is Unknown.
TestType TestTypeOf(std::string_view tag);
// 80, 0, 110, 25 for the four types; 0 for Unknown.
std::int32_t DefaultPort(TestType type);
std::string_view TagOf(TestType type);

// How a mail target's conversation is protected. Web targets follow their URL's scheme.
enum class TargetSecurity {
    None,     // plain text throughout
    Tls,      // TLS from the first byte
    StartTls, // the plain greeting, then an upgrade to TLS before anything else is sent
};

// One configured target and its running statistics.
struct TargetEntry {
    std::string Type;
    std::string Addr;
    std::string User;
    std::string Password;
    std::int32_t Port = 0;
    std::int32_t Attempts = 0;
    std::int32_t Failures = 0;
    // 64 bits: 32 would wrap after 49.7 days of probe time.
    std::uint64_t TotalMs = 0;
    std::uint32_t LowMs = 0; // 0: no value yet
    std::uint32_t HighMs = 0;
    bool Audible = true;
    TargetSecurity Security = TargetSecurity::None;
    // When the TLS leaf certificate the last probe saw expires, as a Unix time; 0: none seen.
    std::int64_t CertificateExpiry = 0;
    // Why the latest failed probe failed; a later success leaves it, as the last known fault.
    std::string LastReason;

    // Stores a type tag, keeping only its first six characters.
    void SetType(std::string_view tag) { Type = std::string(FirstCharacters(tag, kTypeLength)); }
    // The address wherever it is shown or logged: a URL's password is replaced by "***", so
    // it never reaches the screen or a log file.
    [[nodiscard]] std::string ShownAddr() const;
};

// The one run-time model the whole program works on: the target table with its statistics
// and the process-wide run state. Field names follow the configuration file's keys
// (IntervalHours, DeleteLogs), so a setting has one name from the file to the engine.
struct RunModel {
    RunModel();

    std::vector<TargetEntry> TargetTable;
    std::int32_t TargetCount = 0;

    std::int32_t IntervalHours = 0;
    std::int32_t IntervalMins = 5;
    std::int32_t IntervalSecs = 0;
    bool DeleteLogs = false;
    // The window notifies the desktop when a target's verdict changes.
    bool Notify = false;

    double RunStartTime = 0.0; // day count since 30 December 1899; 0 before the first start
    std::int32_t CycleCount = 0;
    std::string DetailLogName;
    std::string SummaryLogName;
    std::int32_t DisplayInsertLine = 0;
    std::int32_t DisplayMaxLines = 0;
    bool StartEnabled = false;
    bool StopRequested = false;

    std::string IniFileName;
    bool IniChanged = false;

    // A PEM bundle of extra trusted certificates, as written (relative to the INI file); empty
    // for the system's trust store alone.
    std::string CAFile;
    // A TLS probe whose leaf certificate expires in fewer days than this fails; 0 is off.
    std::int32_t CertWarnDays = 0;
    // How many probes of a cycle may run at once; 1 probes one target after another.
    std::int32_t Parallel = 1;

    // Every entry of the whole table back to its initial state; nothing else changes.
    void ResetTargets();
    // Grows the table to at least `count` entries; added entries start reset.
    void EnsureTableHolds(std::int32_t count);
    // Sets the table to exactly `length` entries (at least one), all reset.
    void ResizeAndResetTable(std::int32_t length);
    // Sets TargetCount, growing the table first and never going below 0.
    void SetTargetCount(std::int32_t count);

    // The entries in use, positions 1 to TargetCount.
    [[nodiscard]] const TargetEntry& Target(std::int32_t index) const;
    [[nodiscard]] TargetEntry& Target(std::int32_t index);
};

inline constexpr std::int32_t kInitialTableLength = 10;
// The most probes a cycle runs at once: each holds a socket and a thread.
inline constexpr std::int32_t kMaxParallelProbes = 64;

} // namespace velnorix
