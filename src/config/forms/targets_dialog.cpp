#include "config/forms/targets_dialog.h"

#include "config/forms/config_form.h"
#include "config/targets_and_options.h"

namespace velnorix {

bool EditTargetsAndOptions(QWidget* parent, RunModel& model, UserPrompts& prompts,
                           const ModalRunner& runModal) {
    TVelnorixConfigForm form(parent, prompts, runModal);
    form.ShowSettings(model.Config);
    form.SetIniFileName(model.IniFileName);
    if (runModal(form) != QDialog::Accepted)
        return false;
    ApplyTargetsAndOptions(form.Settings(), model);
    return true;
}

} // namespace velnorix
