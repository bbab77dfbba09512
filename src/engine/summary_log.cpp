#include "engine/summary_log.h"

#include "base/text_file.h"
#include "base/utf8_text.h"
#include "engine/statistics.h"

#include <array>

namespace velnorix {
namespace {

std::string CountText(std::int64_t value, std::size_t width) {
    return PadLeft(std::to_string(value), width);
}

// The figures every row ends with, from attempts to the high response.
std::string FiguresText(std::int64_t attempts, std::int64_t failures, std::uint64_t totalMs,
                        std::uint32_t lowMs, std::uint32_t highMs, const FormatSettings& settings) {
    return CountText(attempts, 8) + CountText(attempts - failures, 8) + CountText(failures, 8) +
           PadLeft(PercentSuccessText(attempts, failures, settings), 7) +
           PadLeft(AverageSecondsText(totalMs, attempts, settings), 9) +
           PadLeft(SecondsText(lowMs, settings), 9) + PadLeft(SecondsText(highMs, settings), 9);
}

} // namespace

std::string SummaryLogHeader() {
    struct Column {
        const char* Title;
        std::size_t Width;
        bool AlignRight;
    };
    static constexpr std::array<Column, 10> kColumns = {{{"Cycl", 5, false},
                                                         {"Target", 32, false},
                                                         {"Type", 6, false},
                                                         {"Attempt", 8, false},
                                                         {"Success", 8, false},
                                                         {"Failure", 8, false},
                                                         {"% Succ", 6, true},
                                                         {"Avg Resp", 9, true},
                                                         {"Low Resp", 9, true},
                                                         {"Hgh Resp", 9, true}}};
    static constexpr std::array<std::size_t, 10> kRules = {4, 30, 6, 7, 7, 7, 6, 8, 8, 8};

    std::string header;
    for (const Column& column : kColumns)
        header += column.AlignRight ? PadLeft(column.Title, column.Width)
                                    : PadRight(column.Title, column.Width);
    std::string separator;
    for (std::size_t length : kRules) {
        if (!separator.empty())
            separator += ' ';
        separator.append(length, '=');
    }
    return header + std::string(kLineEnd) + separator + std::string(kLineEnd);
}

std::string FormatSummaryBlock(const RunModel& model, const LocalDateTime& now,
                               const FormatSettings& settings) {
    std::string block;
    const std::string cycle = CountText(model.CycleCount, 4) + " ";
    StatisticsTotals totals;
    for (std::int32_t i = 0; i < model.TargetCount(); ++i) {
        const TargetSettings& entry = model.Target(i);
        const TargetStatistics& figures = model.StatisticsOf(i);
        totals.Add(figures);
        block += cycle + PadRight(FirstCharacters(entry.ShownAddr(), 30), 31) +
                 PadRight(entry.Type, 5) +
                 FiguresText(figures.Attempts, figures.Failures, figures.TotalMs, figures.LowMs,
                             figures.HighMs, settings) +
                 std::string(kLineEnd);
    }
    const std::string when =
        FormatTimeStamp(now, settings) + "/ " + FormatElapsed(ToDayCount(now) - model.RunStartTime);
    block += "     " + PadRight(when, 37) +
             FiguresText(totals.Attempts, totals.Failures, totals.TotalMs, totals.LowMs,
                         totals.HighMs, settings) +
             std::string(kLineEnd);
    block += " " + std::string(kLineEnd);
    return block;
}

void WriteSummary(const RunModel& model, const LocalDateTime& now, const FormatSettings& settings) {
    AppendToExistingFile(model.SummaryLogName, FormatSummaryBlock(model, now, settings));
}

} // namespace velnorix
