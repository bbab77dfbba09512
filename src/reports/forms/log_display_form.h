#pragma once

#include "engine/host.h"
#include "reports/failure_search.h"

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

class QPushButton;

namespace velnorix {

class LogView;

// The log display window: one log file's text with buttons that walk from failure to failure.
class TVelnorixLogDispForm final : public QDialog {
public:
    TVelnorixLogDispForm(QWidget* parent, UserPrompts& prompts);

    // The direction of Find Next Failure: set forward by Find 1st Failure and backward by Find
    // Last Failure. One value for every window of the program's run, false when it starts.
    static bool SearchForward;

    [[nodiscard]] LogView& LogDisp() { return *m_logDisp; }
    // For a summary log: only Done remains, in the middle of the button row.
    void HideSearchButtons();

    void btnFindFirstClick();
    void btnFindNextClick();
    void btnFindLastClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Fits fonts and the minimum size to the screen, once, when the window first shows.
    void FormShow();
    void ShowFound(const std::optional<TextSelection>& found);

    UserPrompts& m_prompts;
    LogView* m_logDisp;
    QPushButton* m_btnDone;
    QPushButton* m_btnFindFirst;
    QPushButton* m_btnFindNext;
    QPushButton* m_btnFindLast;
    bool m_fitted = false;
};

// Reads the log and builds its window, not yet shown. Tells the operator and returns nothing
// when no such file exists; throws FileError when it exists but cannot be read.
std::unique_ptr<TVelnorixLogDispForm> CreateLogDisplay(QWidget* parent, UserPrompts& prompts,
                                                       const std::string& fileName,
                                                       bool withSearchButtons);

// Shows a log file modally and returns when its window has closed. The file is read once; what
// the running test appends later is not shown. A file that cannot be read is reported through
// the general error display.
void ShowLogFile(QWidget* parent, UserPrompts& prompts, const std::string& fileName,
                 bool withSearchButtons);

} // namespace velnorix
