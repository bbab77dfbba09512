#pragma once

#include "engine/host.h"

#include <QStatusBar>
#include <array>
#include <string>
#include <string_view>

namespace velnorix {

// A status text as the bar lays it out: the part before the first tab on the left, the part
// after it centred, and the part after a second tab on the right.
std::array<std::string, 3> SplitStatusText(std::string_view text);

class StatusTextPanel;

// The main window's status bar with its one simple text.
class StatusBarLine final : public QStatusBar, public StatusLine {
    Q_OBJECT

public:
    explicit StatusBarLine(QWidget* parent = nullptr);

    [[nodiscard]] std::string Text() const override { return m_text; }
    void SetText(std::string_view text) override;

    // The three shown parts, left to right.
    [[nodiscard]] std::array<QString, 3> ShownParts() const;

private:
    std::string m_text;
    StatusTextPanel* m_panel;
};

} // namespace velnorix
