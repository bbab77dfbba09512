#include "config/targets_and_options.h"

#include "config/target_entry_text.h"

namespace velnorix {

TargetsAndOptions ReadTargetsAndOptions(const RunModel& model) {
    TargetsAndOptions settings;
    settings.IntervalHours = model.IntervalHours;
    settings.IntervalMins = model.IntervalMins;
    settings.IntervalSecs = model.IntervalSecs;
    settings.DeleteLogs = model.DeleteLogs;
    settings.Notify = model.Notify;
    settings.CertWarnDays = model.CertWarnDays;
    settings.Parallel = model.Parallel;
    for (std::int32_t index = 0; index < model.TargetCount; ++index) {
        const TargetEntry& target = model.Target(index);
        settings.Entries.push_back(
            FormatTargetEntry({target.Type, target.Addr, target.User, target.Password,
                               target.Audible, target.Port, target.Security}));
    }
    return settings;
}

void ApplyTargetsAndOptions(const TargetsAndOptions& settings, RunModel& model) {
    model.IniChanged = true;
    model.TargetCount = static_cast<std::int32_t>(settings.Entries.size());
    model.ResizeAndResetTable(model.TargetCount);
    model.DeleteLogs = settings.DeleteLogs;
    model.Notify = settings.Notify;
    model.IntervalHours = settings.IntervalHours;
    model.IntervalMins = settings.IntervalMins;
    model.IntervalSecs = settings.IntervalSecs;
    model.CertWarnDays = settings.CertWarnDays;
    model.Parallel = settings.Parallel;
    for (std::int32_t index = 0; index < model.TargetCount; ++index) {
        const TargetEntryFields fields =
            ParseTargetEntry(settings.Entries[static_cast<std::size_t>(index)]);
        TargetEntry& target = model.Target(index);
        target.SetType(fields.Type);
        target.Addr = fields.Addr;
        target.User = fields.User;
        target.Password = fields.Password;
        target.Audible = fields.Audible;
        target.Port = fields.Port;
        target.Security = fields.Security;
    }
    model.StartEnabled = true;
}

} // namespace velnorix
