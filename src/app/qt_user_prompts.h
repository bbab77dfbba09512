#pragma once

#include "engine/host.h"

#include <QString>
#include <string_view>

class QWidget;

namespace velnorix {

// A message as a box shows it: the system's 8-bit text, each "\r" (or "\r\n") a line break.
QString DialogText(std::string_view message);

// Message boxes and file dialogs over the given parent window.
class QtUserPrompts final : public UserPrompts {
public:
    explicit QtUserPrompts(QWidget* parent);

    void ShowErrorBox(std::string_view message) override;
    void ShowInformation(std::string_view message) override;
    void ShowConfirmation(std::string_view message) override;
    bool AskYesNo(std::string_view message) override;
    void ShowGeneralError(std::string_view message) override;
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options) override;

private:
    QWidget* m_parent;
};

} // namespace velnorix
