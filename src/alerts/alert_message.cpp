#include "alerts/alert_message.h"

namespace velnorix {

AlertMessage MessageFor(const std::vector<VerdictChange>& changes, std::int64_t now) {
    AlertMessage message;
    for (const VerdictChange& change : changes)
        message.Changes.push_back(
            {change.Type, change.ShownName, change.Previous, change.State, change.Reason, now});
    return message;
}

std::string AlertTitle(const AlertMessage& message) {
    if (message.Changes.size() != 1)
        return std::to_string(message.Changes.size()) +
               (message.Reminder ? " targets are still Down" : " targets changed state");
    const AlertChange& change = message.Changes.front();
    const std::string target = change.Type + change.Name;
    const std::string state(StateName(change.New));
    if (message.Reminder)
        return "Still " + state + ": " + target;
    return target + " is " + state;
}

std::string ChangeLine(const AlertChange& change) {
    std::string line = change.Type + change.Name + "  " + std::string(StateName(change.Old)) +
                       " -> " + std::string(StateName(change.New));
    if (!change.Reason.empty())
        line += "  " + change.Reason;
    return line;
}

std::string AlertText(const AlertMessage& message) {
    std::string text = AlertTitle(message) + "\n\n";
    for (const AlertChange& change : message.Changes)
        text += ChangeLine(change) + "\n";
    return text;
}

std::optional<TargetState> StateNamed(std::string_view name) {
    for (const TargetState state : kTargetStates)
        if (StateName(state) == name)
            return state;
    return std::nullopt;
}

bool IsTrouble(TargetState state) {
    return state == TargetState::Down || state == TargetState::Slow;
}

} // namespace velnorix
