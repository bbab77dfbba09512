#pragma once

#include "engine/statistics.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace velnorix::bench {

// A detail log of about `size` bytes as a long run writes it: cycles of twenty ping results and
// an empty line, one result in a hundred failed.
inline std::string SampleDetailLog(std::size_t size) {
    std::string log;
    log.reserve(size + 128);
    unsigned state = 12345;
    for (int cycle = 1; log.size() < size; ++cycle) {
        for (int target = 1; target <= 20; ++target) {
            state = state * 1103515245u + 12345u;
            const bool failed = (state >> 16) % 100 == 0;
            char line[128];
            std::snprintf(line, sizeof line,
                          "%4d %02d:%02d:%02d Dec 06, 2026  %s %5.2f secs  <Ping>192.0.2.%d\r\n",
                          cycle, cycle / 3600 % 24, cycle / 60 % 60, cycle % 60,
                          failed ? "Failure:" : "Success:", ((state >> 8) % 5000) / 1000.0, target);
            log += line;
        }
        log += "\r\n";
    }
    return log;
}

inline constexpr std::size_t kHundredMegabytes = 100u * 1024 * 1024;

// A table of `targets` web targets, each probed three times with one slow failure.
inline RunModel TestedTable(std::int32_t targets) {
    RunModel model;
    model.SetTargetCount(targets);
    for (std::int32_t i = 0; i < model.TargetCount(); ++i) {
        model.Target(i).Addr = "host" + std::to_string(i) + ".example.org";
        model.Target(i).SetType("<HTML>");
        for (std::uint32_t ms : {120u, 80u, 2400u})
            RecordResult(model, i, ms, ms > 2000);
    }
    return model;
}

} // namespace velnorix::bench
