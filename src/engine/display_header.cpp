#include "engine/display_header.h"

#include <cstdlib>

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

void ShowTargetHeader(RunModel& model, DisplayLines& display) {
    display.Clear();
    display.Add(" Velnorix Targets    (Scheduled every " +
                ScheduleWording(model.IntervalHours, model.IntervalMins, model.IntervalSecs) +
                ".)");
    display.Add(" ");
    for (std::int32_t i = 0; i < model.TargetCount; ++i) {
        const TargetEntry& entry = model.Target(i);
        display.Add(entry.Type + entry.ShownAddr() + " [" + std::to_string(entry.Port) + "] " +
                    (entry.Audible ? "  <AUDIBLE>" : ""));
    }
    display.Add(" ");
    model.DisplayInsertLine = model.TargetCount + 3;
    UpdateDisplayMaxLines(model, display);
}

void UpdateDisplayMaxLines(RunModel& model, const DisplayLines& display) {
    const int lineHeight = std::abs(display.FontPixelHeight()) + 2;
    model.DisplayMaxLines = display.PixelHeight() / lineHeight - model.TargetCount - 3;
}

} // namespace velnorix
