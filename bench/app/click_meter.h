#pragma once

#include "kit/window_system_input.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace velnorix::bench {

// Clicks the menu bar's first title every `every` ms, queued as the windowing system queues a
// click, and times each until its menu is about to show; the menu is then closed again. A new
// click waits until the last one was answered.
class ClickMeter final {
public:
    ClickMeter(QMenuBar& bar, int every) : m_bar(bar), m_menu(*bar.actions().at(0)->menu()) {
        m_click.setInterval(every);
        QObject::connect(&m_click, &QTimer::timeout, &m_click, [this] { Click(); });
        QObject::connect(&m_menu, &QMenu::aboutToShow, &m_click, [this] { Answer(); });
    }
    void Start() {
        m_latenciesMs.clear();
        m_waiting = false;
        m_click.start();
    }
    void Stop() { m_click.stop(); }
    [[nodiscard]] int Answered() const { return static_cast<int>(m_latenciesMs.size()); }
    [[nodiscard]] double LongestMs() const {
        return m_latenciesMs.empty()
                   ? 0
                   : *std::max_element(m_latenciesMs.begin(), m_latenciesMs.end());
    }

private:
    void Click() {
        if (m_waiting)
            return;
        m_waiting = true;
        m_sent.start();
        kit::QueueClick(m_bar, m_bar.actionGeometry(m_bar.actions().at(0)).center());
    }
    void Answer() {
        if (!m_waiting)
            return;
        m_waiting = false;
        m_latenciesMs.push_back(static_cast<double>(m_sent.nsecsElapsed()) / 1e6);
        QTimer::singleShot(0, &m_menu, [this] { m_menu.close(); });
    }

    QMenuBar& m_bar;
    QMenu& m_menu;
    QTimer m_click;
    QElapsedTimer m_sent;
    bool m_waiting = false;
    std::vector<double> m_latenciesMs;
};

} // namespace velnorix::bench
