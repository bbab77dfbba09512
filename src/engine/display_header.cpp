#include "engine/display_header.h"

namespace velnorix {
namespace {

void AppendUnit(std::string& wording, std::int32_t count, const char* singular) {
    if (count <= 0)
        return;
    if (!wording.empty())
        wording += " and ";
    wording += count == 1 ? std::string(singular) : std::to_string(count) + " " + singular + "s";
}

} // namespace

std::string ScheduleWording(std::int32_t hours, std::int32_t minutes, std::int32_t seconds) {
    std::string wording;
    AppendUnit(wording, hours, "hour");
    AppendUnit(wording, minutes, "minute");
    AppendUnit(wording, seconds, "second");
    return wording;
}

void ShowTargetHeader(const Configuration& config, DisplayLines& display) {
    display.Clear();
    display.Add(" Velnorix Targets    (Scheduled every " +
                ScheduleWording(config.IntervalHours, config.IntervalMins, config.IntervalSecs) +
                ".)");
    display.Add(" ");
    for (std::int32_t i = 0; i < config.TargetCount(); ++i) {
        const TargetSettings& entry = config.Target(i);
        display.Add(entry.Type + entry.ShownAddr() + " [" + std::to_string(entry.Port) + "] " +
                    (entry.Audible ? "  <AUDIBLE>" : ""));
    }
    display.Add(" ");
}

std::int32_t HeaderLineCount(const Configuration& config) {
    return config.TargetCount() + 3;
}

std::int32_t KeptResultLines(const Configuration& config, const DisplayLines& display) {
    return display.VisibleLineCount() - HeaderLineCount(config);
}

} // namespace velnorix
