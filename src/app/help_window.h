#pragma once

#include <QDialog>
#include <string>

class QTextBrowser;

namespace velnorix {

// The help file's name beside the program.
inline constexpr const char* kHelpFileName = "Velnorix.html";

// A window beside the main window showing the program's HTML help.
class HelpWindow final : public QDialog {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent);

    // Shows the help file at its contents; false when the file is not there.
    bool ShowContents(const std::string& helpFile);
    [[nodiscard]] QTextBrowser& Browser() { return *m_browser; }

private:
    QTextBrowser* m_browser;
};

} // namespace velnorix
