#include "config/configuration_file.h"

#include "base/ascii_case.h"
#include "base/atomic_file.h"
#include "base/text_file.h"
#include "config/alerts_section.h"
#include "config/ini_document.h"
#include "config/ini_file_io.h"
#include "config/ini_values.h"
#include "config/parent_chain.h"
#include "config/target_security.h"
#include "probes/http/body_match.h"
#include "probes/http/status_list.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace velnorix {
namespace {

constexpr std::string_view kDeleteLogsKey = "DeleteLogs";
constexpr std::string_view kIntervalHoursKey = "IntervalHours";
constexpr std::string_view kIntervalMinsKey = "IntervalMins";
constexpr std::string_view kIntervalSecsKey = "IntervalSecs";
constexpr std::string_view kCAFileKey = "CAFile";
constexpr std::string_view kCertWarnDaysKey = "CertWarnDays";
constexpr std::string_view kParallelKey = "Parallel";
constexpr std::string_view kKeepLogDaysKey = "KeepLogDays";
constexpr std::string_view kHistoryDaysKey = "HistoryDays";
constexpr std::string_view kCountKey = "Count";
constexpr std::string_view kNotifyKey = "Notify";
constexpr std::string_view kTypeKey = "Type";
constexpr std::string_view kAddrKey = "Addr";
constexpr std::string_view kUserKey = "User";
constexpr std::string_view kPasswordKey = "Password";
constexpr std::string_view kAudibleKey = "Audible";
constexpr std::string_view kPortKey = "Port";
constexpr std::string_view kSecurityKey = "Security";
constexpr std::string_view kFailAfterKey = "FailAfter";
constexpr std::string_view kRecoverAfterKey = "RecoverAfter";
constexpr std::string_view kSlowMsKey = "SlowMs";
constexpr std::string_view kParentKey = "Parent";
constexpr std::string_view kEchoesKey = "Echoes";
constexpr std::string_view kLossPctKey = "LossPct";
constexpr std::string_view kRecordKey = "Record";
constexpr std::string_view kServerKey = "Server";
constexpr std::string_view kRetriesKey = "Retries";
constexpr std::string_view kRetryDelayMsKey = "RetryDelayMs";
constexpr std::string_view kMethodKey = "Method";
constexpr std::string_view kExpectKey = "Expect";
constexpr std::string_view kMatchKey = "Match";
constexpr std::string_view kMatchAbsentKey = "MatchAbsent";
constexpr std::string_view kTimeoutMsKey = "TimeoutMs";
constexpr std::int32_t kDefaultRetryDelayMs = 1'000;
constexpr std::string_view kHeadName = "HEAD";
constexpr std::string_view kGetName = "GET";

// Reads the keys of section "Targets".
class TargetsReader final {
public:
    explicit TargetsReader(const IniDocument& document) : m_document(document) {}

    [[nodiscard]] std::optional<std::string> Value(std::string_view key) const {
        return m_document.Read(kTargetsSection, key);
    }
    [[nodiscard]] std::string Text(std::string_view key) const {
        return Value(key).value_or(std::string{});
    }
    [[nodiscard]] std::int32_t Integer(std::string_view key, std::int32_t fallback) const {
        return ReadIniInteger(Value(key), fallback);
    }
    [[nodiscard]] bool Boolean(std::string_view key, bool fallback) const {
        return ReadIniBoolean(Value(key), fallback);
    }
    [[nodiscard]] TargetSecurity Security(const std::string& key) const {
        return ReadIniSecurity(key, Text(key));
    }
    [[nodiscard]] std::int32_t Ranged(std::string_view key, std::int32_t fallback, std::int32_t low,
                                      std::int32_t high) const {
        return ReadRangedIniInteger(key, Text(key), fallback, low, high);
    }

private:
    const IniDocument& m_document;
};

std::string SetsMessage(std::string_view key, std::string_view value) {
    return "Ini file sets " + std::string(key) + " to " + std::string(value);
}

WebMethod ReadMethod(const std::string& key, const std::string& value) {
    if (value.empty() || EqualsIgnoringCase(value, kHeadName))
        return WebMethod::Head;
    if (EqualsIgnoringCase(value, kGetName))
        return WebMethod::Get;
    throw ConfigurationError(SetsMessage(key, value) + "; it must be HEAD or GET");
}

// What a web target's answer must be, and which text its page must hold, are checked as they
// are read, so a typing error stops the load instead of failing every probe.
void CheckWebChecks(const std::string& prefix, const TargetSettings& entry) {
    const bool web = TestTypeOf(entry.Type) == TestType::Html;
    const auto fault = FindWebCheckFault(web ? entry.Expect : std::string(), entry.Match);
    if (!fault)
        return;
    const bool expect = fault->Field == WebCheckField::Expect;
    throw ConfigurationError(SetsMessage(prefix + std::string(expect ? kExpectKey : kMatchKey),
                                         expect ? entry.Expect : entry.Match) +
                             "; " + fault->Why);
}

std::string TooManyTargetsMessage(std::int32_t count) {
    return "Ini file declares " + std::to_string(count) + " targets; at most " +
           std::to_string(kMaxIniTargets) + " can be loaded";
}

// A DNS target's record type and name server; a TCP target's protection is TLS or none.
void ReadQuestionKeys(const TargetsReader& reader, const std::string& prefix, TestType type,
                      TargetSettings& entry) {
    const std::string recordKey = prefix + std::string(kRecordKey);
    const std::string record = reader.Text(recordKey);
    if (!record.empty()) {
        const auto named = RecordTypeNamed(record);
        if (!named)
            throw ConfigurationError(SetsMessage(recordKey, record) +
                                     "; it must be A, AAAA, MX, TXT, CNAME or NS");
        entry.Record = *named;
    }
    const std::string serverKey = prefix + std::string(kServerKey);
    entry.Server = reader.Text(serverKey);
    if (!NameServerOf(entry.Server))
        throw ConfigurationError(SetsMessage(serverKey, entry.Server) +
                                 "; it must be an IPv4 or IPv6 address, with :port or not");
    if (type == TestType::Dns) {
        for (const std::string& value : ExpectedValues(entry.Expect)) {
            const std::string fault = ExpectedValueFault(entry.Record, value);
            if (fault.empty())
                continue;
            std::string message = SetsMessage(prefix + std::string(kExpectKey), entry.Expect);
            message.append("; ").append(fault).append(" for ");
            message.append(RecordTypeName(entry.Record));
            throw ConfigurationError(message);
        }
    }
    if (type == TestType::Tcp && entry.Security == TargetSecurity::StartTls)
        throw ConfigurationError(SetsMessage(prefix + std::string(kSecurityKey), "STARTTLS") +
                                 "; a <TCP> target speaks TLS or nothing");
    if (type == TestType::Tcp && (entry.Port < 1 || entry.Port > 65535))
        throw ConfigurationError(
            SetsMessage(prefix + std::string(kPortKey), std::to_string(entry.Port)) +
            "; a <TCP> target needs a port from 1 to 65535");
}

void ReadEntry(const TargetsReader& reader, std::int32_t number, TargetSettings& entry) {
    const std::string prefix = EntryPrefix(number);
    entry.SetType(reader.Text(prefix + std::string(kTypeKey)));
    entry.Addr = reader.Text(prefix + std::string(kAddrKey));
    entry.User = reader.Text(prefix + std::string(kUserKey));
    entry.Password = reader.Text(prefix + std::string(kPasswordKey));
    entry.Audible = reader.Boolean(prefix + std::string(kAudibleKey), true);
    // Read ahead of the port, whose default depends on it.
    entry.Security = reader.Security(prefix + std::string(kSecurityKey));
    // An entry of no known type keeps the port it had.
    const TestType type = TestTypeOf(entry.Type);
    if (type != TestType::Unknown)
        entry.Port =
            reader.Integer(prefix + std::string(kPortKey), DefaultPort(type, entry.Security));
    entry.SlowMs = reader.Ranged(prefix + std::string(kSlowMsKey), 0, 0, kMaxSlowMs);
    entry.Parent = reader.Integer(prefix + std::string(kParentKey), 0);
    entry.Echoes = reader.Ranged(prefix + std::string(kEchoesKey), 1, 1, kMaxEchoes);
    entry.LossPct = reader.Ranged(prefix + std::string(kLossPctKey), 100, 0, kMaxLossPct);
    const std::string methodKey = prefix + std::string(kMethodKey);
    entry.Method = ReadMethod(methodKey, reader.Text(methodKey));
    entry.Expect = reader.Text(prefix + std::string(kExpectKey));
    entry.Match = reader.Text(prefix + std::string(kMatchKey));
    entry.MatchAbsent = reader.Boolean(prefix + std::string(kMatchAbsentKey), false);
    entry.TimeoutMs =
        reader.Ranged(prefix + std::string(kTimeoutMsKey), 0, kMinTimeoutMs, kMaxTimeoutMs);
    CheckWebChecks(prefix, entry);
    ReadQuestionKeys(reader, prefix, type, entry);
}

// A parent is another target of the file, and no chain of parents comes back to where it
// started; otherwise ConfigurationError names the key.
void CheckParents(const Configuration& config) {
    std::vector<std::int32_t> parents;
    for (const TargetSettings& target : config.Targets)
        parents.push_back(target.Parent);
    const std::int32_t count = config.TargetCount();
    for (std::int32_t n = 1; n <= count; ++n) {
        const ParentFault fault = FindParentFault(parents, n);
        if (fault != ParentFault::None)
            throw ConfigurationError(SetsMessage(EntryPrefix(n) + std::string(kParentKey),
                                                 std::to_string(config.Target(n - 1).Parent)) +
                                     ParentFaultReason(fault, count));
    }
}

// Throws ConfigurationError at the first value that cannot be taken.
Configuration ReadConfiguration(const IniDocument& document, Configuration config) {
    const TargetsReader reader(document);
    config.Parallel = reader.Ranged(kParallelKey, 1, 1, kMaxParallelProbes);
    config.DeleteLogs = reader.Boolean(kDeleteLogsKey, true);
    config.IntervalHours = reader.Integer(kIntervalHoursKey, 0);
    config.IntervalMins = reader.Integer(kIntervalMinsKey, 5);
    config.IntervalSecs = reader.Integer(kIntervalSecsKey, 0);
    config.Notify = reader.Boolean(kNotifyKey, false);
    config.CAFile = reader.Text(kCAFileKey);
    config.CertWarnDays = reader.Integer(kCertWarnDaysKey, 0);
    config.KeepLogDays = reader.Integer(kKeepLogDaysKey, 0);
    config.HistoryDays = reader.Ranged(kHistoryDaysKey, kDefaultHistoryDays, 0, kMaxHistoryDays);
    config.FailAfter = reader.Ranged(kFailAfterKey, 1, 1, kMaxConfirmations);
    config.RecoverAfter = reader.Ranged(kRecoverAfterKey, 1, 1, kMaxConfirmations);
    config.SlowMs = reader.Ranged(kSlowMsKey, 0, 0, kMaxSlowMs);
    config.Retries = reader.Ranged(kRetriesKey, 0, 0, kMaxRetries);
    config.RetryDelayMs =
        reader.Ranged(kRetryDelayMsKey, kDefaultRetryDelayMs, kMinRetryDelayMs, kMaxRetryDelayMs);
    config.TimeoutMs = reader.Ranged(kTimeoutMsKey, 0, kMinTimeoutMs, kMaxTimeoutMs);
    const std::int32_t count = reader.Integer(kCountKey, 0);
    if (count > kMaxIniTargets)
        throw ConfigurationError(TooManyTargetsMessage(count));
    // A count of 2^31 or more reads as negative: no targets.
    config.Targets.resize(static_cast<std::size_t>(std::max<std::int32_t>(count, 0)));
    for (std::int32_t n = 1; n <= config.TargetCount(); ++n)
        ReadEntry(reader, n, config.Targets[static_cast<std::size_t>(n - 1)]);
    CheckParents(config);
    config.Alerts = ReadAlertsSection(document);
    return config;
}

// A target's check keys, each only when set, so a file without them keeps its bytes.
template <typename Write>
void WriteChecks(const Write& write, const std::string& prefix, const TargetSettings& entry) {
    if (entry.Method != WebMethod::Head)
        write(prefix + std::string(kMethodKey), kGetName);
    if (!entry.Expect.empty())
        write(prefix + std::string(kExpectKey), entry.Expect);
    if (!entry.Match.empty())
        write(prefix + std::string(kMatchKey), entry.Match);
    if (entry.MatchAbsent)
        write(prefix + std::string(kMatchAbsentKey), FormatIniBoolean(true));
    if (entry.TimeoutMs != 0)
        write(prefix + std::string(kTimeoutMsKey), FormatIniInteger(entry.TimeoutMs));
}

} // namespace

std::optional<WebCheckFault> FindWebCheckFault(std::string_view expect, const std::string& match) {
    if (!expect.empty() && !StatusList::Parse(expect))
        return WebCheckFault{WebCheckField::Expect,
                             "it must list status codes such as 200-299,301"};
    try {
        if (!match.empty())
            BodyPattern{match};
    } catch (const PatternError& error) {
        return WebCheckFault{WebCheckField::Match,
                             std::string("it is not a regular expression: ") + error.what()};
    }
    return std::nullopt;
}

Result<Configuration> ReadConfigurationFile(const std::string& fileName,
                                            const Configuration& current) {
    try {
        // A file that exists but cannot be read is a failure with its own cause, not an empty
        // file.
        const IniDocument document(ReadWholeTextFile(fileName).value_or(std::string{}));
        return ReadConfiguration(document, current);
    } catch (const ConfigurationError& error) {
        return Result<Configuration>::Failure(error.what());
    } catch (const FileError& error) {
        return Result<Configuration>::Failure(error.what());
    }
}

std::string WithTargetsSection(std::string_view fileText, const Configuration& config) {
    IniDocument document(fileText);
    document.RemoveSection(kTargetsSection);
    const auto write = [&](std::string_view key, std::string_view value) {
        document.Write(kTargetsSection, key, value);
    };
    write(kDeleteLogsKey, FormatIniBoolean(config.DeleteLogs));
    write(kIntervalHoursKey, FormatIniInteger(config.IntervalHours));
    write(kIntervalMinsKey, FormatIniInteger(config.IntervalMins));
    write(kIntervalSecsKey, FormatIniInteger(config.IntervalSecs));
    // Written only when on, so a file saved without notifications keeps its bytes.
    if (config.Notify)
        write(kNotifyKey, FormatIniBoolean(true));
    // The TLS settings appear only once used, so files without them stay as they were.
    if (!config.CAFile.empty())
        write(kCAFileKey, config.CAFile);
    if (config.CertWarnDays != 0)
        write(kCertWarnDaysKey, FormatIniInteger(config.CertWarnDays));
    if (config.Parallel != 1)
        write(kParallelKey, FormatIniInteger(config.Parallel));
    if (config.KeepLogDays != 0)
        write(kKeepLogDaysKey, FormatIniInteger(config.KeepLogDays));
    if (config.HistoryDays != kDefaultHistoryDays)
        write(kHistoryDaysKey, FormatIniInteger(config.HistoryDays));
    // The state settings too appear only when set.
    if (config.FailAfter != 1)
        write(kFailAfterKey, FormatIniInteger(config.FailAfter));
    if (config.RecoverAfter != 1)
        write(kRecoverAfterKey, FormatIniInteger(config.RecoverAfter));
    if (config.SlowMs != 0)
        write(kSlowMsKey, FormatIniInteger(config.SlowMs));
    if (config.Retries != 0)
        write(kRetriesKey, FormatIniInteger(config.Retries));
    if (config.RetryDelayMs != kDefaultRetryDelayMs)
        write(kRetryDelayMsKey, FormatIniInteger(config.RetryDelayMs));
    if (config.TimeoutMs != 0)
        write(kTimeoutMsKey, FormatIniInteger(config.TimeoutMs));
    write(kCountKey, FormatIniInteger(config.TargetCount()));
    for (std::int32_t n = 1; n <= config.TargetCount(); ++n) {
        const TargetSettings& entry = config.Target(n - 1);
        const std::string prefix = EntryPrefix(n);
        write(prefix + std::string(kTypeKey), entry.Type);
        write(prefix + std::string(kAddrKey), entry.Addr);
        write(prefix + std::string(kUserKey), entry.User);
        write(prefix + std::string(kPasswordKey), entry.Password);
        write(prefix + std::string(kAudibleKey), FormatIniBoolean(entry.Audible));
        write(prefix + std::string(kPortKey), FormatIniInteger(entry.Port));
        if (entry.Security != TargetSecurity::None)
            write(prefix + std::string(kSecurityKey), SecurityName(entry.Security));
        if (entry.SlowMs != 0)
            write(prefix + std::string(kSlowMsKey), FormatIniInteger(entry.SlowMs));
        if (entry.Parent != 0)
            write(prefix + std::string(kParentKey), FormatIniInteger(entry.Parent));
        if (entry.Echoes != 1)
            write(prefix + std::string(kEchoesKey), FormatIniInteger(entry.Echoes));
        if (entry.LossPct != 100)
            write(prefix + std::string(kLossPctKey), FormatIniInteger(entry.LossPct));
        WriteChecks(write, prefix, entry);
        if (entry.Record != DnsRecordType::A)
            write(prefix + std::string(kRecordKey), RecordTypeName(entry.Record));
        if (!entry.Server.empty())
            write(prefix + std::string(kServerKey), entry.Server);
    }
    WriteAlertsSection(document, config.Alerts);
    return document.Text();
}

void SaveIniFile(const Configuration& config, StatusLine& status, const std::string& fileName) {
    std::optional<std::string> existing;
    try {
        existing = ReadWholeTextFile(fileName);
    } catch (const FileError&) {
        // Without its old text the file's other sections would be lost.
        throw ConfigurationError(std::string(kUnableToDeleteSectionError));
    }
    const std::string text = WithTargetsSection(existing.value_or(std::string{}), config);
    try {
        ReplaceTextFile(fileName, text);
    } catch (const FileError&) {
        throw ConfigurationError(std::string(kFailedToWriteValueError));
    }
    status.SetText(fileName + " Saved");
}

} // namespace velnorix
