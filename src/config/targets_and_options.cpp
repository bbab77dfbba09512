#include "config/targets_and_options.h"

namespace velnorix {

void ApplyTargetsAndOptions(const Configuration& edited, RunModel& model) {
    model.IniChanged = true;
    model.UseConfiguration(edited);
    model.ResetStatistics();
}

} // namespace velnorix
