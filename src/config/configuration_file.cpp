#include "config/configuration_file.h"

#include "base/atomic_file.h"
#include "base/text_file.h"
#include "config/ini_document.h"
#include "config/ini_file_io.h"
#include "config/ini_values.h"
#include "config/target_security.h"
#include "engine/display_header.h"

#include <optional>

namespace velnorix {
namespace {

constexpr std::string_view kDeleteLogsKey = "DeleteLogs";
constexpr std::string_view kIntervalHoursKey = "IntervalHours";
constexpr std::string_view kIntervalMinsKey = "IntervalMins";
constexpr std::string_view kIntervalSecsKey = "IntervalSecs";
constexpr std::string_view kCAFileKey = "CAFile";
constexpr std::string_view kCertWarnDaysKey = "CertWarnDays";
constexpr std::string_view kParallelKey = "Parallel";
constexpr std::string_view kCountKey = "Count";
constexpr std::string_view kNotifyKey = "Notify";
constexpr std::string_view kTypeKey = "Type";
constexpr std::string_view kAddrKey = "Addr";
constexpr std::string_view kUserKey = "User";
constexpr std::string_view kPasswordKey = "Password";
constexpr std::string_view kAudibleKey = "Audible";
constexpr std::string_view kPortKey = "Port";
constexpr std::string_view kSecurityKey = "Security";

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
    // Throws ConfigurationError naming the key and its value when it is not one of the names.
    [[nodiscard]] TargetSecurity Security(const std::string& key) const {
        const std::string value = Text(key);
        if (const auto security = SecurityNamed(value))
            return *security;
        throw ConfigurationError("Ini file sets " + key + " to \"" + value +
                                 "\"; it must be None, TLS or STARTTLS");
    }

    // Missing or empty is 1; anything but a number from 1 to kMaxParallelProbes throws
    // ConfigurationError naming the key and its value as written.
    [[nodiscard]] std::int32_t Parallel() const {
        const std::string value = Text(kParallelKey);
        if (value.empty())
            return 1;
        std::int32_t parallel = 0;
        try {
            parallel = ReadIniInteger(value, 0);
        } catch (const ConfigurationError&) {
            // A negative or huge number is refused below with the key's own message.
        }
        if (parallel >= 1 && parallel <= kMaxParallelProbes)
            return parallel;
        throw ConfigurationError("Ini file sets " + std::string(kParallelKey) + " to " + value +
                                 "; it must be from 1 to " + std::to_string(kMaxParallelProbes));
    }

private:
    const IniDocument& m_document;
};

std::string TooManyTargetsMessage(std::int32_t count) {
    return "Ini file declares " + std::to_string(count) + " targets; at most " +
           std::to_string(kMaxIniTargets) + " can be loaded";
}

void ReadEntry(const TargetsReader& reader, std::int32_t number, TargetEntry& entry) {
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
}

// What a load changes before it reads "Count".
struct SettingsBeforeCount {
    explicit SettingsBeforeCount(const RunModel& model)
        : IniFileName(model.IniFileName), DeleteLogs(model.DeleteLogs), Notify(model.Notify),
          IntervalHours(model.IntervalHours), IntervalMins(model.IntervalMins),
          IntervalSecs(model.IntervalSecs), CAFile(model.CAFile), CertWarnDays(model.CertWarnDays),
          Parallel(model.Parallel) {}
    void RestoreInto(RunModel& model) const {
        model.IniFileName = IniFileName;
        model.DeleteLogs = DeleteLogs;
        model.Notify = Notify;
        model.IntervalHours = IntervalHours;
        model.IntervalMins = IntervalMins;
        model.IntervalSecs = IntervalSecs;
        model.CAFile = CAFile;
        model.CertWarnDays = CertWarnDays;
        model.Parallel = Parallel;
    }

    std::string IniFileName;
    bool DeleteLogs;
    bool Notify;
    std::int32_t IntervalHours;
    std::int32_t IntervalMins;
    std::int32_t IntervalSecs;
    std::string CAFile;
    std::int32_t CertWarnDays;
    std::int32_t Parallel;
};

} // namespace

void LoadIniFile(RunModel& model, DisplayLines& display, UserPrompts& prompts,
                 const std::string& fileName) {
    // A file that exists but cannot be read is a failure with its own cause, not an empty file.
    const IniDocument document(ReadWholeTextFile(fileName).value_or(std::string{}));
    const TargetsReader reader(document);
    // Checked first, so a file that asks for too many probes at once changes nothing.
    const std::int32_t parallel = reader.Parallel();

    // A range error keeps what was read before it; too many targets change nothing at all.
    const SettingsBeforeCount before(model);
    model.IniFileName = fileName;
    model.DeleteLogs = reader.Boolean(kDeleteLogsKey, true);
    model.IntervalHours = reader.Integer(kIntervalHoursKey, 0);
    model.IntervalMins = reader.Integer(kIntervalMinsKey, 5);
    model.IntervalSecs = reader.Integer(kIntervalSecsKey, 0);
    model.Notify = reader.Boolean(kNotifyKey, false);
    model.CAFile = reader.Text(kCAFileKey);
    model.CertWarnDays = reader.Integer(kCertWarnDaysKey, 0);
    model.Parallel = parallel;
    const std::int32_t count = reader.Integer(kCountKey, 0);
    if (count > kMaxIniTargets) {
        before.RestoreInto(model);
        throw ConfigurationError(TooManyTargetsMessage(count));
    }
    // A count of 2^31 or more reads as negative; the table's invariant keeps it at 0.
    model.SetTargetCount(count);
    if (count <= 0) {
        prompts.ShowErrorBox(kIniFileEmptyMessage);
    } else {
        for (std::int32_t n = 1; n <= count; ++n)
            ReadEntry(reader, n, model.Target(n - 1));
        ShowTargetHeader(model, display);
    }
    model.StartEnabled = true;
}

std::string WithTargetsSection(std::string_view fileText, const RunModel& model) {
    IniDocument document(fileText);
    document.RemoveSection(kTargetsSection);
    const auto write = [&](std::string_view key, std::string_view value) {
        document.Write(kTargetsSection, key, value);
    };
    write(kDeleteLogsKey, FormatIniBoolean(model.DeleteLogs));
    write(kIntervalHoursKey, FormatIniInteger(model.IntervalHours));
    write(kIntervalMinsKey, FormatIniInteger(model.IntervalMins));
    write(kIntervalSecsKey, FormatIniInteger(model.IntervalSecs));
    // Written only when on, so a file saved without notifications keeps its bytes.
    if (model.Notify)
        write(kNotifyKey, FormatIniBoolean(true));
    // The TLS settings appear only once used, so files without them stay as they were.
    if (!model.CAFile.empty())
        write(kCAFileKey, model.CAFile);
    if (model.CertWarnDays != 0)
        write(kCertWarnDaysKey, FormatIniInteger(model.CertWarnDays));
    if (model.Parallel != 1)
        write(kParallelKey, FormatIniInteger(model.Parallel));
    write(kCountKey, FormatIniInteger(model.TargetCount));
    for (std::int32_t n = 1; n <= model.TargetCount; ++n) {
        const TargetEntry& entry = model.Target(n - 1);
        const std::string prefix = EntryPrefix(n);
        write(prefix + std::string(kTypeKey), entry.Type);
        write(prefix + std::string(kAddrKey), entry.Addr);
        write(prefix + std::string(kUserKey), entry.User);
        write(prefix + std::string(kPasswordKey), entry.Password);
        write(prefix + std::string(kAudibleKey), FormatIniBoolean(entry.Audible));
        write(prefix + std::string(kPortKey), FormatIniInteger(entry.Port));
        if (entry.Security != TargetSecurity::None)
            write(prefix + std::string(kSecurityKey), SecurityName(entry.Security));
    }
    return document.Text();
}

void SaveIniFile(RunModel& model, StatusLine& status, const std::string& fileName) {
    std::optional<std::string> existing;
    try {
        existing = ReadWholeTextFile(fileName);
    } catch (const FileError&) {
        // Without its old text the file's other sections would be lost.
        throw ConfigurationError(std::string(kUnableToDeleteSectionError));
    }
    const std::string text = WithTargetsSection(existing.value_or(std::string{}), model);
    try {
        ReplaceTextFile(fileName, text);
    } catch (const FileError&) {
        throw ConfigurationError(std::string(kFailedToWriteValueError));
    }
    status.SetText(fileName + " Saved");
    model.IniChanged = false;
}

} // namespace velnorix
