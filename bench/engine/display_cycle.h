#pragma once

#include "engine/display_blocks.h"
#include "engine/display_header.h"
#include "engine/host.h"
#include "engine/run_model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velnorix::bench {

// A table of `targets` ping targets and the result lines of one cycle over it, every tenth a
// failure, made before timing starts so a benchmark measures only the display's work.
struct DisplayedRun {
    explicit DisplayedRun(std::int32_t targets) {
        Model.SetTargetCount(targets);
        for (std::int32_t i = 0; i < targets; ++i) {
            Model.Target(i).SetType("<Ping>");
            Model.Target(i).Addr = "host-" + std::to_string(i) + ".example.net";
            const bool failed = i % 10 == 0;
            Lines.push_back("   1 14:03:27 Dec 06, 2026  " +
                            std::string(failed ? "Failure:" : "Success:") + "  0.01 secs  " +
                            Model.Target(i).Type + Model.Target(i).Addr);
            Reasons.push_back(failed ? "Socket Error # 111 Connection refused" : "");
        }
    }

    RunModel Model;
    std::vector<std::string> Lines;
    std::vector<std::string> Reasons;
};

// What a cycle does to the display: its block inserted a line at a time at one index inside one
// batched update, then the oldest blocks trimmed from the bottom.
inline void ShowCycleBlock(DisplayLines& display, const DisplayedRun& run) {
    const int insertAt = BlockInsertIndex(display, HeaderLineCount(run.Model.Config));
    const int linesBefore = display.Count();
    {
        const DisplayUpdate update(display);
        display.Insert(insertAt, " ");
        for (std::size_t i = 0; i < run.Lines.size(); ++i)
            display.InsertResult(insertAt, run.Lines[i], run.Reasons[i]);
    }
    TrimOldBlocks(display, run.Model.TargetCount(), KeptResultLines(run.Model.Config, display),
                  insertAt + (display.Count() - linesBefore));
}

} // namespace velnorix::bench
