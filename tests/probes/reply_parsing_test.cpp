#include "probes/line_framing.h"
#include "probes/numbered_reply.h"
#include "probes/probe_errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

struct LineCase {
    std::string Buffered;
    LineScanStatus Status;
    std::string Line;
    std::size_t Consumed;
};

TEST(ScanLineTest, FindsTheFirstLineAndEnforcesTheLengthLimit) {
    const std::size_t max = 8;
    const std::vector<LineCase> cases = {
        {"abc\r\nrest", LineScanStatus::Complete, "abc", 5},
        {"abc\nrest", LineScanStatus::Complete, "abc", 4},
        {"\n", LineScanStatus::Complete, "", 1},
        {"\r\n", LineScanStatus::Complete, "", 2},
        // Only a CR right before the LF is part of the line end.
        {"a\rb\n", LineScanStatus::Complete, "a\rb", 4},
        {"a\r\r\n", LineScanStatus::Complete, "a\r", 4},
        {"abc", LineScanStatus::Incomplete, "", 0},
        {"abc\r", LineScanStatus::Incomplete, "", 0},
        {"", LineScanStatus::Incomplete, "", 0},
        // Exactly the limit before the LF is fine; a CR pushes it over.
        {"12345678\n", LineScanStatus::Complete, "12345678", 9},
        {"12345678\r\n", LineScanStatus::TooLong, "", 0},
        {"123456789\n", LineScanStatus::TooLong, "", 0},
        // Without a line end the limit applies to what is buffered.
        {"12345678", LineScanStatus::Incomplete, "", 0},
        {"123456789", LineScanStatus::TooLong, "", 0},
        {std::string("a\0b\n", 4), LineScanStatus::Complete, std::string("a\0b", 3), 4},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.Buffered);
        const LineScan scan = ScanLine(c.Buffered, max);
        EXPECT_EQ(scan.Status, c.Status);
        EXPECT_EQ(std::string(scan.Line), c.Line);
        EXPECT_EQ(scan.Consumed, c.Consumed);
    }
}

struct ReplyCase {
    std::vector<std::string> Wire;
    std::size_t LinesUsed; // lines the reply takes, blank ones included
    int NumericCode;
    std::string TextCode;
    std::vector<std::string> Text;
};

TEST(ReplyCollectorTest, ReadsNumberedRepliesFromWireLines) {
    const std::vector<ReplyCase> cases = {
        {{"250-first", "250-second", "250 last"}, 3, 250, "250", {"first", "second", "last"}},
        {{"220"}, 1, 220, "220", {""}},
        {{"", "   ", "\t", "220 ready"}, 4, 220, "220", {"ready"}},
        {{"+OK POP3 ready"}, 1, 0, "+OK", {"POP3 ready"}},
        {{"+ok"}, 1, 0, "+ok", {""}},
        // The text starts at the fifth character, so a four-character code keeps its blank.
        {{"-ERR no such user"}, 1, 0, "-ERR", {" no such user"}},
        // A letter right after +OK makes it part of the text code.
        {{"+OKready"}, 1, 0, "+OKr", {"eady"}},
        // A fourth character "-" starts a reply of several lines, whatever the code.
        {{"+OK-more", "x", "tail"}, 2, 0, "+OK", {"more", ""}},
        {{"250-a", "ok", "250 b"}, 2, 250, "250", {"a", ""}},
        // The last line matches on the first three characters without regard to case.
        {{"abc-one", "ABC two"}, 2, 0, "abc", {"one", "two"}},
        {{"250-one", "251 two", "250 three"}, 3, 250, "250", {"one", "two", "three"}},
        // Blank lines inside a reply are skipped as well; lines are trimmed.
        {{"  250-one  ", "", "250 two "}, 3, 250, "250", {"one", "two"}},
        {{"554 5.7.1 go away"}, 1, 554, "554", {"5.7.1 go away"}},
        {{"25 x"}, 1, 0, "25 x", {""}},
        {{std::string("\x01\xff\xfe\x80garbage", 11)}, 1, 0, "\xff\xfe\x80g", {"arbage"}},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.Wire.front());
        ReplyCollector collector(1024, 100);
        std::size_t used = 0;
        bool complete = false;
        while (!complete && used < c.Wire.size())
            complete = collector.Add(c.Wire[used++]);
        ASSERT_TRUE(complete);
        EXPECT_EQ(used, c.LinesUsed);
        const NumberedReply reply = collector.Reply();
        EXPECT_EQ(reply.NumericCode, c.NumericCode);
        EXPECT_EQ(reply.TextCode, c.TextCode);
        EXPECT_THAT(reply.Text, ElementsAreArray(c.Text));
    }
}

TEST(ReplyCollectorTest, RefusesARepliesPastItsCaps) {
    ReplyCollector byLines(1 << 20, 3);
    EXPECT_FALSE(byLines.Add("250-a"));
    EXPECT_FALSE(byLines.Add("250-b"));
    EXPECT_FALSE(byLines.Add(""));
    EXPECT_THROW(byLines.Add("250 c"), ProbeError);

    ReplyCollector byBytes(20, 1000);
    EXPECT_FALSE(byBytes.Add("250-0123456789"));
    EXPECT_THROW(byBytes.Add("250-0123456789"), ProbeError);
}

TEST(ReplyCodeTest, ReadsTheNumberOfTheTextCode) {
    EXPECT_EQ(ReplyNumericCode("220"), 220);
    EXPECT_EQ(ReplyNumericCode("+OK"), 0);
    EXPECT_EQ(ReplyNumericCode("-ERR"), 0);
    EXPECT_EQ(ReplyNumericCode(""), 0);
    EXPECT_EQ(ReplyNumericCode("2a0"), 0);
    EXPECT_EQ(ReplyTextCode("250-"), "250");
    EXPECT_EQ(ReplyTextCode(" 25"), "25");
    EXPECT_EQ(JoinReplyText(NumberedReply{250, "250", {"a", "b"}}), "a\r\nb");
}

TEST(ProbeErrorTest, TextsOfSocketAndUnsafeInputErrors) {
    EXPECT_STREQ(SocketError(111, "Connection refused").what(),
                 "Socket Error # 111\r\nConnection refused");
    EXPECT_EQ(SocketError(104).ErrorCode(), 104);
    EXPECT_NO_THROW(RequireSingleLineValue("mail.example", "The host name"));
    for (const std::string& bad :
         {std::string("a\rb"), std::string("a\nb"), std::string("a\0b", 3)}) {
        EXPECT_THROW(RequireSingleLineValue(bad, "The password"), ProbeError);
    }
}

} // namespace
} // namespace velnorix
