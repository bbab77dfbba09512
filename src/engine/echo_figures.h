#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velnorix {

// What a ping probe's echo requests showed: how many went out and came back, and the round
// trips of those that did, as ping reports them.
struct EchoFigures {
    std::int32_t Sent = 0;
    std::int32_t Answered = 0;
    std::uint32_t LowMs = 0;
    std::uint32_t HighMs = 0;
    double MeanMs = 0.0;
    double MdevMs = 0.0; // the mean deviation as ping's mdev: sqrt(mean(t^2) - mean(t)^2)

    // The share of requests unanswered, in per cent, rounded down; 0 before any was sent.
    [[nodiscard]] std::int32_t LossPct() const;
    // "5 sent, 3 answered, 40% loss; round trip min/mean/max/mdev 1/2.3/4/1.2 ms", without the
    // round trips when none answered.
    [[nodiscard]] std::string Text() const;

    friend bool operator==(const EchoFigures&, const EchoFigures&) = default;
};

// The figures of `sent` requests, of which those answered took `roundTrips`.
EchoFigures FiguresOf(std::int32_t sent, std::span<const std::uint32_t> roundTrips);

} // namespace velnorix
