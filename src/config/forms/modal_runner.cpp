#include "config/forms/modal_runner.h"

#include <QDialog>

namespace velnorix {

int ExecModal(QDialog& dialog) {
    return dialog.exec();
}

} // namespace velnorix
