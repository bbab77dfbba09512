#include "probes/http/body_drain.h"
#include "probes/http/http_errors.h"
#include "probes/probe_errors.h"
#include "support/case_names.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

// Bytes a server has sent; when they run out it either has closed or stays silent, and
// silence is the read time-out running out.
class ScriptedBody final : public BodySource {
public:
    ScriptedBody(std::string bytes, bool closesAtEnd)
        : m_bytes(std::move(bytes)), m_closesAtEnd(closesAtEnd) {}

    std::optional<std::string> ReadLine() override {
        const auto lf = m_bytes.find('\n', m_pos);
        if (lf == std::string::npos) {
            return EndOfData<std::optional<std::string>>(std::nullopt);
        }
        std::string line = m_bytes.substr(m_pos, lf - m_pos);
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        m_pos = lf + 1;
        return line;
    }

    bool DiscardExactly(std::size_t count) override {
        if (Left() < count) {
            return EndOfData(false);
        }
        m_pos += count;
        return true;
    }

    std::size_t DiscardAvailable() override {
        if (Left() == 0) {
            return EndOfData<std::size_t>(0);
        }
        // Small pieces, as a real connection may deliver them.
        const std::size_t piece = std::min<std::size_t>(Left(), 7);
        m_pos += piece;
        return piece;
    }

    [[nodiscard]] std::string Unread() const { return m_bytes.substr(m_pos); }

private:
    [[nodiscard]] std::size_t Left() const { return m_bytes.size() - m_pos; }

    template <typename T>
    T EndOfData(T closedResult) {
        if (!m_closesAtEnd) {
            throw ReadTimeoutError();
        }
        m_pos = m_bytes.size();
        return closedResult;
    }

    std::string m_bytes;
    std::size_t m_pos = 0;
    bool m_closesAtEnd;
};

constexpr std::uint64_t kNoCap = 1'000'000;

struct DrainCase {
    std::string Name;
    std::string Bytes;
    bool ClosesAtEnd;
    BodyFraming Framing;
    std::uint64_t MaxBytes;
    DrainOutcome Outcome;
    std::string Unread; // what the next response would start with
};

class DrainBodyTest : public testing::TestWithParam<DrainCase> {};

TEST_P(DrainBodyTest, ConsumesExactlyTheAnnouncedBody) {
    const DrainCase& c = GetParam();
    ScriptedBody source(c.Bytes, c.ClosesAtEnd);
    EXPECT_EQ(DrainBody(source, c.Framing, c.MaxBytes), c.Outcome);
    EXPECT_EQ(source.Unread(), c.Unread);
}

const BodyFraming kChunked{BodyEnd::Chunked, 0};
const BodyFraming kUntilClose{BodyEnd::Close, 0};

INSTANTIATE_TEST_SUITE_P(
    Bodies, DrainBodyTest,
    testing::Values(
        DrainCase{"NothingAnnounced",
                  "NEXT",
                  false,
                  {BodyEnd::None, 0},
                  kNoCap,
                  DrainOutcome::Complete,
                  "NEXT"},
        DrainCase{"Length",
                  "0123456789NEXT",
                  false,
                  {BodyEnd::Length, 10},
                  kNoCap,
                  DrainOutcome::Complete,
                  "NEXT"},
        DrainCase{"LengthLongerThanOneStep",
                  std::string(70000, 'b') + "NEXT",
                  false,
                  {BodyEnd::Length, 70000},
                  kNoCap,
                  DrainOutcome::Complete,
                  "NEXT"},
        DrainCase{"LengthCutShortByClose",
                  "01234",
                  true,
                  {BodyEnd::Length, 10},
                  kNoCap,
                  DrainOutcome::PeerClosed,
                  ""},
        DrainCase{"LengthOverTheCapReadsNothing",
                  "0123456789",
                  false,
                  {BodyEnd::Length, 10},
                  9,
                  DrainOutcome::TooLong,
                  "0123456789"},
        DrainCase{"Chunks",
                  "5\r\nhello\r\n1A;name=v\r\n" + std::string(26, 'z') + "\r\n0\r\n\r\nNEXT", false,
                  kChunked, kNoCap, DrainOutcome::Complete, "NEXT"},
        DrainCase{"ChunksWithTrailers", "3\r\nabc\r\n0\r\nX-Sum: 1\r\nX-Two: 2\r\n\r\nNEXT", false,
                  kChunked, kNoCap, DrainOutcome::Complete, "NEXT"},
        DrainCase{"ChunksWithBareLineFeeds", "3\nabc\n0\n\nNEXT", false, kChunked, kNoCap,
                  DrainOutcome::Complete, "NEXT"},
        DrainCase{"ChunksCutShortByClose", "5\r\nhel", true, kChunked, kNoCap,
                  DrainOutcome::PeerClosed, ""},
        DrainCase{"ChunkOverTheCap", "FFFFFFFF\r\nabc", false, kChunked, 1000,
                  DrainOutcome::TooLong, "abc"},
        DrainCase{"EndlessTrailersHitTheCap", "0\r\n" + std::string(600, 'T') + "\r\n", false,
                  kChunked, 500, DrainOutcome::TooLong, ""},
        DrainCase{"UntilClose", std::string(100, 'x'), true, kUntilClose, kNoCap,
                  DrainOutcome::Complete, ""},
        DrainCase{"UntilCloseOverTheCap", std::string(100, 'x'), true, kUntilClose, 50,
                  DrainOutcome::TooLong, std::string(44, 'x')}),
    kit::NamedCase{});

TEST(DrainBodyTest, SilenceBeforeTheBodyEndsIsAReadTimeout) {
    for (const BodyFraming& framing : {BodyFraming{BodyEnd::Length, 1234}, kChunked, kUntilClose}) {
        ScriptedBody source("5\r\nhello\r\n", false);
        EXPECT_THROW(DrainBody(source, framing, kNoCap), ReadTimeoutError);
    }
}

TEST(ParseChunkSizeTest, ReadsHexadecimalSizes) {
    EXPECT_EQ(ParseChunkSize("0"), 0U);
    EXPECT_EQ(ParseChunkSize("1a"), 26U);
    EXPECT_EQ(ParseChunkSize("FF ; ext=1"), 255U);
    EXPECT_EQ(ParseChunkSize("  10  "), 16U);
    for (const char* bad : {"", "g", "-1", "0x10", "1 2", "10000000000000000"}) {
        EXPECT_THROW(ParseChunkSize(bad), NumberConversionError) << bad;
    }
}

} // namespace
} // namespace velnorix
