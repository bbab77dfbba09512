#include "probes/http/http_errors.h"
#include "probes/http/response_headers.h"
#include "probes/http/response_rules.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

ResponseHeaders HeadersOf(const std::vector<std::string>& lines) {
    ResponseHeaders headers;
    for (const auto& line : lines) {
        headers.AddLine(line);
    }
    return headers;
}

TEST(StatusCodeOfTest, ReadsTheSecondWord) {
    struct Case {
        std::string Line;
        int Code;
    };
    for (const Case& c :
         {Case{"HTTP/1.1 200 OK", 200}, Case{"HTTP/1.0 204 No Content", 204},
          Case{"ICY 404 Not Found", 404}, Case{"HTTP/1.1 100", 100},
          Case{"HTTP/1.1  302  Found", 302}, Case{"HTTP/1.1 2OO OK", -1},
          Case{"HTTP/1.1 OK 200", -1}, Case{"HTTP/1.1", -1}, Case{"", -1},
          Case{"HTTP/1.1 99999999999999999999 Big", -1}, Case{"HTTP/1.1 200OK", -1}}) {
        EXPECT_EQ(StatusCodeOf(c.Line), c.Code) << c.Line;
    }
}

TEST(ResponseHeadersTest, LooksUpNamesWithoutRegardToCaseAndJoinsContinuations) {
    const ResponseHeaders headers =
        HeadersOf({"Content-Length:  12 ", "set-cookie: a=1", "Set-Cookie: b=2", "X-Long: first",
                   "\tsecond", "  third", "NoColonHere"});
    EXPECT_EQ(headers.Value("content-length"), "12");
    EXPECT_EQ(headers.Values("SET-COOKIE"), (std::vector<std::string>{"a=1", "b=2"}));
    EXPECT_EQ(headers.Value("x-long"), "first second third");
    EXPECT_EQ(headers.Value("NoColonHere"), "");
    EXPECT_EQ(headers.Value("Location"), std::nullopt);
}

TEST(ResponseHeadersTest, StopsAHostileServerAtItsCaps) {
    ResponseHeaders few(HeaderLimits{.MaxFields = 3, .MaxTotalBytes = 1000});
    for (int i = 0; i < 3; ++i) {
        few.AddLine("A: b");
    }
    few.AddLine(" continued"); // continuations add no field
    EXPECT_THROW(few.AddLine("A: b"), HttpError);

    ResponseHeaders small(HeaderLimits{.MaxFields = 100, .MaxTotalBytes = 20});
    small.AddLine("A: 0123456789");
    EXPECT_THROW(small.AddLine(" 0123456789"), HttpError);
}

TEST(HeadersAllowKeepAliveTest, OnlyACloseTokenEndsTheConnection) {
    struct Case {
        std::vector<std::string> Lines;
        bool KeepAlive;
    };
    for (const Case& c :
         {Case{{}, true}, Case{{"Connection: keep-alive"}, true},
          Case{{"Connection: close"}, false}, Case{{"connection: CLOSE"}, false},
          Case{{"Connection: c l o s e"}, false}, Case{{"Proxy-Connection: Close"}, false},
          Case{{"Connection: keep-alive", "Connection: close"}, false},
          Case{{"Connection: close, TE"}, true}, Case{{"X-Connection: close"}, true}}) {
        EXPECT_EQ(HeadersAllowKeepAlive(HeadersOf(c.Lines)), c.KeepAlive)
            << (c.Lines.empty() ? "" : c.Lines.back());
    }
}

TEST(CheckContentRangeTest, RejectsPositionsThatAreNotNumbers) {
    for (const char* good : {"bytes 0-499/1234", "bytes 500-999/*", "bytes=0-0/1", ""}) {
        EXPECT_NO_THROW(CheckContentRange(HeadersOf({std::string("Content-Range: ") + good})))
            << good;
    }
    EXPECT_NO_THROW(CheckContentRange(HeadersOf({"Content-Length: 5"})));
    for (const char* bad :
         {"bytes */1234", "bytes a-499/1234", "bytes 0-z/1234", "bytes 0/1234", "bytes -/1"}) {
        EXPECT_THROW(CheckContentRange(HeadersOf({std::string("Content-Range: ") + bad})),
                     NumberConversionError)
            << bad;
    }
}

TEST(DecideVerdictTest, SucceedsOnlyFor2xxWithoutLocation) {
    struct Case {
        int Code;
        bool Location;
        Verdict Expected;
    };
    for (const Case& c :
         {Case{200, false, Verdict::Success},  Case{204, false, Verdict::Success},
          Case{299, false, Verdict::Success},  Case{200, true, Verdict::Redirect},
          Case{301, false, Verdict::Redirect}, Case{302, false, Verdict::Redirect},
          Case{399, false, Verdict::Redirect}, Case{304, false, Verdict::Failure},
          Case{304, true, Verdict::Redirect},  Case{404, true, Verdict::Redirect},
          Case{100, false, Verdict::Failure},  Case{101, false, Verdict::Failure},
          Case{401, false, Verdict::Failure},  Case{407, false, Verdict::Failure},
          Case{404, false, Verdict::Failure},  Case{500, false, Verdict::Failure},
          Case{-1, false, Verdict::Failure},   Case{300, false, Verdict::Redirect},
          Case{199, false, Verdict::Failure},  Case{400, false, Verdict::Failure}}) {
        EXPECT_EQ(DecideVerdict(c.Code, c.Location), c.Expected)
            << c.Code << (c.Location ? " with Location" : "");
    }
}

TEST(FramingOfTest, TellsHowTheBodyEnds) {
    struct Case {
        std::vector<std::string> Lines;
        BodyEnd End;
        std::uint64_t Length;
    };
    for (const Case& c :
         {Case{{"Content-Length: 1234"}, BodyEnd::Length, 1234},
          Case{{"Content-Length: 0"}, BodyEnd::None, 0}, Case{{}, BodyEnd::Close, 0},
          Case{{"Transfer-Encoding: chunked"}, BodyEnd::Chunked, 0},
          Case{{"Transfer-Encoding: gzip, Chunked"}, BodyEnd::Chunked, 0},
          Case{{"Content-Length: 10", "Transfer-Encoding: chunked"}, BodyEnd::Chunked, 0},
          Case{{"Transfer-Encoding: gzip"}, BodyEnd::Close, 0},
          Case{{"Content-Length: ten"}, BodyEnd::Close, 0},
          Case{{"Content-Length: -5"}, BodyEnd::Close, 0}}) {
        const BodyFraming framing = FramingOf(HeadersOf(c.Lines));
        EXPECT_EQ(framing.End, c.End) << (c.Lines.empty() ? "" : c.Lines.front());
        EXPECT_EQ(framing.Length, c.Length);
    }
}

} // namespace
} // namespace velnorix
