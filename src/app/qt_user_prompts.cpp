#include "app/qt_user_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace velnorix {
namespace {

QString Local(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string LocalBytes(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

QMessageBox::StandardButton ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                    std::string_view message,
                                    QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, DialogText(message), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString ConfirmTitle() {
    return QStringLiteral("Confirm");
}

std::optional<std::string> RunFileDialog(QWidget* parent, const FileDialogOptions& options,
                                         QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    // A typed name of a file that does not exist yet is accepted in both directions.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDirectory(Local(options.InitialDirectory));
    if (!options.FilterName.empty())
        dialog.setNameFilter(Local(options.FilterName) + QStringLiteral(" (") +
                             Local(options.FilterPattern) + QStringLiteral(")"));
    if (!options.DefaultExtension.empty())
        dialog.setDefaultSuffix(Local(options.DefaultExtension));
    if (!options.FileName.empty())
        dialog.selectFile(Local(options.FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return LocalBytes(dialog.selectedFiles().constFirst());
}

} // namespace

QString DialogText(std::string_view message) {
    QString text = QString::fromLocal8Bit(message.data(), static_cast<qsizetype>(message.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QtUserPrompts::QtUserPrompts(QWidget* parent) : m_parent(parent) {}

void QtUserPrompts::ShowErrorBox(std::string_view message) {
    ShowBox(m_parent, QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok);
}

void QtUserPrompts::ShowInformation(std::string_view message) {
    ShowBox(m_parent, QMessageBox::Information, QStringLiteral("Information"), message,
            QMessageBox::Ok);
}

void QtUserPrompts::ShowConfirmation(std::string_view message) {
    ShowBox(m_parent, QMessageBox::Question, ConfirmTitle(), message, QMessageBox::Ok);
}

bool QtUserPrompts::AskYesNo(std::string_view message) {
    return ShowBox(m_parent, QMessageBox::Question, ConfirmTitle(), message,
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtUserPrompts::ShowGeneralError(std::string_view message) {
    ShowBox(m_parent, QMessageBox::Critical, QApplication::applicationDisplayName(),
            GeneralErrorText(message), QMessageBox::Ok);
}

std::optional<std::string> QtUserPrompts::ChooseFileToOpen(const FileDialogOptions& options) {
    return RunFileDialog(m_parent, options, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtUserPrompts::ChooseFileToSave(const FileDialogOptions& options) {
    return RunFileDialog(m_parent, options, QFileDialog::AcceptSave);
}

} // namespace velnorix
