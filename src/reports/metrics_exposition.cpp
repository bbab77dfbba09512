#include "reports/metrics_exposition.h"

#include "base/ascii_case.h"
#include "base/utf8_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velnorix {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Shortest round-trip text, never a locale's decimal comma.
std::string Number(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Seconds(std::uint32_t ms) {
    return Number(static_cast<double>(ms) / 1000.0);
}

std::string TargetLabels(const TargetMetrics& target) {
    return "{index=\"" + std::to_string(target.Index) + "\",type=\"" +
           ExpositionLabelValue(target.Type) + "\",target=\"" +
           ExpositionLabelValue(target.Target) + "\"}";
}

struct TargetFamily {
    std::string_view Name;
    std::string_view Type;
    std::string_view Help;
    // The sample's value, or nothing for a target that has none to give yet.
    std::function<std::optional<std::string>(const TargetMetrics&)> Value;
};

std::optional<std::string> WhenProbed(const TargetMetrics& target, std::string value) {
    return target.Probed ? std::optional(std::move(value)) : std::nullopt;
}

// A round trip of the latest ping probe, once one of its requests was answered.
std::optional<std::string> WhenEchoed(const TargetMetrics& target, double ms) {
    return target.Echoes.Answered > 0 ? std::optional(Number(ms / 1000.0)) : std::nullopt;
}

std::optional<std::string> WhenAttempted(const TargetMetrics& target, std::uint32_t ms) {
    return target.Attempts > 0 ? std::optional(Seconds(ms)) : std::nullopt;
}

const std::vector<TargetFamily>& TargetFamilies() {
    static const std::vector<TargetFamily> families = {
        {"velnorix_target_up", "gauge",
         "1 when the target's last probe succeeded, 0 when it failed.",
         [](const TargetMetrics& t) { return WhenProbed(t, t.Up ? "1" : "0"); }},
        {"velnorix_target_last_duration_seconds", "gauge", "How long the target's last probe took.",
         [](const TargetMetrics& t) { return WhenProbed(t, Seconds(t.LastMs)); }},
        {"velnorix_target_consecutive_failures", "gauge",
         "Failed probes of the target since its last success.",
         [](const TargetMetrics& t) {
             return WhenProbed(t, std::to_string(t.ConsecutiveFailures));
         }},
        {"velnorix_target_attempts_total", "counter", "Probes of the target in this run.",
         [](const TargetMetrics& t) { return std::optional(std::to_string(t.Attempts)); }},
        {"velnorix_target_successes_total", "counter",
         "Successful probes of the target in this run.",
         [](const TargetMetrics& t) {
             return std::optional(std::to_string(t.Attempts - t.Failures));
         }},
        {"velnorix_target_failures_total", "counter", "Failed probes of the target in this run.",
         [](const TargetMetrics& t) { return std::optional(std::to_string(t.Failures)); }},
        {"velnorix_target_response_low_seconds", "gauge",
         "The target's quickest probe in this run.",
         [](const TargetMetrics& t) { return WhenAttempted(t, t.LowMs); }},
        {"velnorix_target_response_high_seconds", "gauge",
         "The target's slowest probe in this run.",
         [](const TargetMetrics& t) { return WhenAttempted(t, t.HighMs); }},
        {"velnorix_target_response_average_seconds", "gauge",
         "The target's mean probe time in this run, failed probes included.",
         [](const TargetMetrics& t) -> std::optional<std::string> {
             if (t.Attempts == 0)
                 return std::nullopt;
             return Number(static_cast<double>(t.TotalMs) / static_cast<double>(t.Attempts) /
                           1000.0);
         }},
        {"velnorix_target_certificate_expiry_timestamp_seconds", "gauge",
         "When the TLS leaf certificate the target last showed expires, as a Unix time.",
         [](const TargetMetrics& t) -> std::optional<std::string> {
             if (t.CertificateExpiry == 0)
                 return std::nullopt;
             return std::to_string(t.CertificateExpiry);
         }},
        {"velnorix_ping_loss_ratio", "gauge",
         "The share of the latest ping probe's echo requests left unanswered.",
         [](const TargetMetrics& t) -> std::optional<std::string> {
             if (t.Echoes.Sent == 0)
                 return std::nullopt;
             return Number(static_cast<double>(t.Echoes.Sent - t.Echoes.Answered) /
                           static_cast<double>(t.Echoes.Sent));
         }},
        {"velnorix_ping_round_trip_low_seconds", "gauge",
         "The quickest answered echo of the latest ping probe.",
         [](const TargetMetrics& t) { return WhenEchoed(t, t.Echoes.LowMs); }},
        {"velnorix_ping_round_trip_mean_seconds", "gauge",
         "The mean answered echo of the latest ping probe.",
         [](const TargetMetrics& t) { return WhenEchoed(t, t.Echoes.MeanMs); }},
        {"velnorix_ping_round_trip_high_seconds", "gauge",
         "The slowest answered echo of the latest ping probe.",
         [](const TargetMetrics& t) { return WhenEchoed(t, t.Echoes.HighMs); }},
        {"velnorix_ping_round_trip_mdev_seconds", "gauge",
         "The mean deviation of the latest ping probe's answered echoes, as ping's mdev.",
         [](const TargetMetrics& t) { return WhenEchoed(t, t.Echoes.MdevMs); }},
    };
    return families;
}

void AppendHeader(std::string& text, std::string_view name, std::string_view type,
                  std::string_view help) {
    text.append("# HELP ").append(name).append(" ").append(help).append("\n");
    text.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void AppendRunSample(std::string& text, std::string_view name, std::string_view type,
                     std::string_view help, const std::string& value,
                     const std::string& labels = {}) {
    AppendHeader(text, name, type, help);
    text.append(name).append(labels).append(" ").append(value).append("\n");
}

// One series per state, the one the target is in at 1: alerting rules match on the label.
void AppendStates(std::string& text, const MetricsSnapshot& snapshot,
                  const std::vector<std::string>& labels) {
    constexpr std::string_view name = "velnorix_target_state";
    AppendHeader(text, name, "gauge", "1 for the state the target is in, 0 for the others.");
    for (std::size_t i = 0; i < snapshot.TargetCount; ++i) {
        const std::string_view open = std::string_view(labels[i]).substr(0, labels[i].size() - 1);
        for (const TargetState state : kTargetStates) {
            text.append(name).append(open).append(",state=\"");
            text.append(ToLowerAscii(StateName(state))).append("\"} ");
            text.append(snapshot.Target(i).State == state ? "1\n" : "0\n");
        }
    }
}

// The history's figures by position, as last read for the targets then in force; after an
// edit of the table they catch up with the next read.
void AppendUptimes(std::string& text, const MetricsSnapshot& snapshot, const UptimeTable& uptimes,
                   const std::vector<std::string>& labels) {
    constexpr std::string_view name = "velnorix_target_uptime_ratio";
    AppendHeader(text, name, "gauge",
                 "The share of the target's probes that succeeded over the window, from the "
                 "history.");
    const std::size_t count = std::min(snapshot.TargetCount, uptimes.ByPosition.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view open = std::string_view(labels[i]).substr(0, labels[i].size() - 1);
        for (const UptimeWindow window : kUptimeWindows) {
            const std::optional<double> uptime =
                uptimes.ByPosition[i][static_cast<std::size_t>(window)].Uptime();
            if (!uptime)
                continue;
            text.append(name).append(open).append(",window=\"");
            text.append(UptimeWindowName(window)).append("\"} ").append(Number(*uptime));
            text += '\n';
        }
    }
}

} // namespace

std::string ExpositionLabelValue(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    while (!value.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceLength(value, codePoint);
        if (length == 0) {
            escaped += kReplacementCharacter;
            value.remove_prefix(1);
            continue;
        }
        if (value.front() == '\\')
            escaped += "\\\\";
        else if (value.front() == '"')
            escaped += "\\\"";
        else if (value.front() == '\n')
            escaped += "\\n";
        else
            escaped.append(value.substr(0, length));
        value.remove_prefix(length);
    }
    return escaped;
}

std::string RenderExposition(const MetricsSnapshot& snapshot, const UptimeTable* uptimes) {
    std::string text;
    // About 150 bytes per sample keeps a large table to one allocation.
    text.reserve(512 + snapshot.TargetCount * TargetFamilies().size() * 150);
    std::vector<std::string> labels;
    labels.reserve(snapshot.TargetCount);
    for (std::size_t i = 0; i < snapshot.TargetCount; ++i)
        labels.push_back(TargetLabels(snapshot.Target(i)));
    for (const TargetFamily& family : TargetFamilies()) {
        AppendHeader(text, family.Name, family.Type, family.Help);
        for (std::size_t i = 0; i < snapshot.TargetCount; ++i) {
            if (const std::optional<std::string> value = family.Value(snapshot.Target(i)))
                text.append(family.Name).append(labels[i]).append(" ").append(*value).append("\n");
        }
    }
    AppendStates(text, snapshot, labels);
    if (uptimes != nullptr)
        AppendUptimes(text, snapshot, *uptimes, labels);
    AppendRunSample(text, "velnorix_cycles_total", "counter", "Test cycles done in this run.",
                    std::to_string(snapshot.CyclesDone));
    AppendRunSample(text, "velnorix_last_cycle_duration_seconds", "gauge",
                    "How long the last complete test cycle took.", Seconds(snapshot.LastCycleMs));
    AppendRunSample(text, "velnorix_run_start_time_seconds", "gauge",
                    "When the current run started, as a Unix time; 0 before the first run.",
                    std::to_string(snapshot.RunStartUnix));
    AppendRunSample(text, "velnorix_build_info", "gauge", "The monitor's version, always 1.", "1",
                    "{version=\"" + ExpositionLabelValue(snapshot.Version) + "\"}");
    return text;
}

} // namespace velnorix
