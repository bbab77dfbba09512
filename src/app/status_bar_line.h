#pragma once

#include "engine/host.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <array>
#include <string>
#include <string_view>

namespace velnorix {

// A status text as the bar lays it out: the part before the first tab on the left, the part
// after it centred, and the part after a second tab on the right.
std::array<std::string, 3> SplitStatusText(std::string_view text);

class StatusTextPanel;

// The main window's status bar: its one simple text, a field on the right that shows why the
// latest probe failed for a few seconds, one that names a command waiting for the cycle, and
// one that says while alerts are paused.
class StatusBarLine final : public QStatusBar, public StatusLine {
    Q_OBJECT

public:
    explicit StatusBarLine(QWidget* parent = nullptr);

    [[nodiscard]] std::string Text() const override { return m_text; }
    void SetText(std::string_view text) override;
    void ShowFailureReason(std::string_view reason) override;
    // Says that a command given during a probe waits for the cycle's end ("Stop requested:
    // after this cycle"); an empty name takes the notice away.
    void ShowHeldCommand(std::string_view name);
    // "Alerts paused until 14:05"; an empty text takes the field away.
    void ShowAlertPause(const QString& notice);

    // The three shown parts, left to right.
    [[nodiscard]] std::array<QString, 3> ShownParts() const;
    // The whole reason in the second field; empty while it shows none.
    [[nodiscard]] QString ShownReason() const;

private:
    std::string m_text;
    StatusTextPanel* m_panel;
    QLabel* m_reasonField;
    QLabel* m_heldField;
    QLabel* m_pauseField;
    QTimer m_reasonShown;
};

} // namespace velnorix
