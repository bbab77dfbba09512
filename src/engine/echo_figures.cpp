#include "engine/echo_figures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace velnorix {
namespace {

// One decimal, without a trailing ".0": "2.3", "4".
std::string Decimal(double value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f", value);
    std::string shown(text.data());
    if (shown.ends_with(".0"))
        shown.resize(shown.size() - 2);
    return shown;
}

} // namespace

std::int32_t EchoFigures::LossPct() const {
    if (Sent <= 0)
        return 0;
    return (Sent - Answered) * 100 / Sent;
}

std::string EchoFigures::Text() const {
    std::string text = std::to_string(Sent) + " sent, " + std::to_string(Answered) + " answered, " +
                       std::to_string(LossPct()) + "% loss";
    if (Answered > 0)
        text += "; round trip min/mean/max/mdev " + std::to_string(LowMs) + "/" + Decimal(MeanMs) +
                "/" + std::to_string(HighMs) + "/" + Decimal(MdevMs) + " ms";
    return text;
}

EchoFigures FiguresOf(std::int32_t sent, std::span<const std::uint32_t> roundTrips) {
    EchoFigures figures{.Sent = sent, .Answered = static_cast<std::int32_t>(roundTrips.size())};
    if (roundTrips.empty())
        return figures;
    double sum = 0.0;
    double squares = 0.0;
    for (const std::uint32_t ms : roundTrips) {
        sum += ms;
        squares += static_cast<double>(ms) * ms;
    }
    const auto count = static_cast<double>(roundTrips.size());
    figures.LowMs = *std::min_element(roundTrips.begin(), roundTrips.end());
    figures.HighMs = *std::max_element(roundTrips.begin(), roundTrips.end());
    figures.MeanMs = sum / count;
    figures.MdevMs = std::sqrt(std::max(0.0, squares / count - figures.MeanMs * figures.MeanMs));
    return figures;
}

} // namespace velnorix
