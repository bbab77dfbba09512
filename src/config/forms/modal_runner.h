#pragma once

#include <functional>

class QDialog;

namespace velnorix {

// Shows a dialog modally and returns its result (QDialog::Accepted or Rejected). The program
// uses ExecModal; tests pass a runner that works the dialog's controls and returns at once.
using ModalRunner = std::function<int(QDialog&)>;

// QDialog::exec(): the dialog's own event loop, in which the main window's timers keep firing.
int ExecModal(QDialog& dialog);

} // namespace velnorix
