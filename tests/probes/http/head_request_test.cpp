#include "probes/http/head_request.h"
#include "support/case_names.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace velnorix {
namespace {

std::vector<std::string> SplitAtCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(BuildHeadRequestTest, WritesTheHeadersInOrderWithoutCookies) {
    EXPECT_EQ(BuildHeadRequest("/docs/page.htm?x=1", "intranet:8080", ""),
              "HEAD /docs/page.htm?x=1 HTTP/1.1\r\n"
              "Content-Type: text/html\r\n"
              "Host: intranet:8080\r\n"
              "Accept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
              "\r\n");
}

TEST(BuildHeadRequestTest, PutsTheCookieHeaderAfterTheUserAgent) {
    EXPECT_EQ(BuildHeadRequest("/", "intranet", "sid=abc; lang=en"),
              "HEAD / HTTP/1.1\r\n"
              "Content-Type: text/html\r\n"
              "Host: intranet\r\n"
              "Accept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
              "Cookie: sid=abc; lang=en\r\n"
              "\r\n");
}

TEST(BuildHeadRequestTest, FoldsALongCookieHeaderButNeverTheRequestLine) {
    std::string cookies;
    for (int i = 0; i < 12; ++i) {
        cookies += (i == 0 ? "" : "; ") + std::string("name") + std::to_string(i) + "=value";
    }
    const std::string target = "/" + std::string(120, 'p');
    const std::vector<std::string> lines = SplitAtCrLf(BuildHeadRequest(target, "h", cookies));
    EXPECT_EQ(lines.front(), "HEAD " + target + " HTTP/1.1");
    ASSERT_GT(lines.size(), 8U);
    EXPECT_EQ(lines[5].substr(0, 8), "Cookie: ");
    std::string unfolded;
    for (std::size_t i = 5; i + 1 < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 78U) << lines[i];
        if (i > 5) {
            ASSERT_EQ(lines[i][0], ' ');
            ASSERT_NE(lines[i][1], ' ');
        }
        unfolded += lines[i];
    }
    EXPECT_EQ(unfolded, "Cookie: " + cookies);
    EXPECT_EQ(lines.back(), "");
}

struct FoldCase {
    std::string Name;
    std::string Line;
    std::size_t Width;
    std::string Folded;
};

class FoldHeaderLineTest : public testing::TestWithParam<FoldCase> {};

TEST_P(FoldHeaderLineTest, BreaksAfterBlankTabOrComma) {
    EXPECT_EQ(FoldHeaderLine(GetParam().Line, GetParam().Width), GetParam().Folded);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FoldHeaderLineTest,
    testing::Values(
        // Short enough: untouched.
        FoldCase{"Short", "A: b c d", 78, "A: b c d\r\n"},
        FoldCase{"ExactlyTheWidth", std::string(78, 'x'), 78, std::string(78, 'x') + "\r\n"},
        // The last break that keeps the line within the width wins.
        FoldCase{"AtTheLastBlank", "A: aaaa bbbb cccc", 12, "A: aaaa\r\n bbbb cccc\r\n"},
        FoldCase{"AtTheLastComma", "A: aa,bb,cc,dd", 10, "A: aa,bb,\r\n cc,dd\r\n"},
        FoldCase{"AtATab", "A: aaaa\tbbbb cccc", 12, "A: aaaa\r\n bbbb cccc\r\n"},
        // Several continuation lines, each beginning with one blank.
        FoldCase{"SeveralContinuations", "A: one two three four", 9,
                 "A: one\r\n two\r\n three\r\n four\r\n"},
        // Blanks around the break collapse into the continuation's one blank.
        FoldCase{"BlanksCollapse", "A: aaaa    bbbb", 9, "A: aaaa\r\n bbbb\r\n"},
        // A word longer than the width breaks at the first chance after it.
        FoldCase{"LongWordAfterABlank", "A: " + std::string(20, 'w') + " z", 10,
                 "A:\r\n " + std::string(20, 'w') + "\r\n z\r\n"},
        FoldCase{"LongWordAfterTheColon", "A:" + std::string(20, 'w') + " z", 10,
                 "A:" + std::string(20, 'w') + "\r\n z\r\n"},
        // Nothing to break at: the line stays whole.
        FoldCase{"NothingToBreakAt", std::string(90, 'x'), 78, std::string(90, 'x') + "\r\n"},
        // Trailing blanks are no break: nothing would follow it.
        FoldCase{"TrailingBlanksStay", std::string(20, 'x') + "   ", 10,
                 std::string(20, 'x') + "   \r\n"}),
    kit::NamedCase{});

} // namespace
} // namespace velnorix
