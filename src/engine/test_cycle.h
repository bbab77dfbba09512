#pragma once

#include "base/text_file.h"
#include "base/text_format.h"
#include "engine/host.h"
#include "engine/run_model.h"
#include "engine/run_observer.h"
#include "probes/probe_interfaces.h"

namespace velnorix {

// One pass over the target table: every target probed once in table order, its result line
// put at the top of the display's newest block and appended to the detail log, its outcome
// recorded; then the status text, the summary block and the trimming of old blocks. Deciding
// between re-arming Timer1 and completing a stop is the scheduler's part.
class TestCycle final {
public:
    TestCycle(RunModel& model, DisplayLines& display, StatusLine& statusBar, IntervalTimer& timer1,
              Clock& clock, HostServices& host, ProbeComponents probes, FormatSettings settings,
              RunObserver* observer = nullptr);

    // Throws FileError when a log cannot be opened or written. A detail log that fails
    // leaves Timer1 as the cycle found it (so a ticking run tries again at the next tick);
    // a summary log that fails leaves it disabled, halting the run. When the program ends at
    // the first pump point, the cycle ends there without touching anything.
    void Run();

private:
    void ProbeTargets(AppendingFile& detailLog);
    void ShowCycleCount(const LocalDateTime& now);

    RunModel& m_model;
    DisplayLines& m_display;
    StatusLine& m_statusBar;
    IntervalTimer& m_timer1;
    Clock& m_clock;
    HostServices& m_host;
    ProbeComponents m_probes;
    FormatSettings m_settings;
    RunObserver* m_observer;
};

} // namespace velnorix
