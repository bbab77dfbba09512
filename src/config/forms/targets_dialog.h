#pragma once

#include "config/forms/modal_runner.h"

class QWidget;

namespace velnorix {

struct RunModel;
class UserPrompts;

// Configure "Targets/Options": shows the configuration dialog, filled from the model, modally
// over `parent`. When the operator confirms with Done the model takes the dialog's targets,
// interval and option (see ApplyTargetsAndOptions) and the result is true; the caller then
// redraws the display header and enables both Start Test commands. On Cancel or the close box
// nothing changes and the result is false.
bool EditTargetsAndOptions(QWidget* parent, RunModel& model, UserPrompts& prompts,
                           const ModalRunner& runModal = ExecModal);

} // namespace velnorix
