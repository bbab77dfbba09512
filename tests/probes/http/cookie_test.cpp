#include "probes/http/cookie_store.h"
#include "probes/http/http_date.h"
#include "probes/http/set_cookie.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace velnorix {
namespace {

// 2006-12-05 14:30:00 UTC.
constexpr std::int64_t kNow = 1165329000;

TEST(ParseCookieDateTest, ReadsEveryFormServersUse) {
    struct Case {
        std::string Text;
        std::optional<std::int64_t> Seconds;
    };
    for (const Case& c :
         {Case{"Tue, 05 Dec 2006 14:30:00 GMT", kNow},   // RFC 1123
          Case{"Tuesday, 05-Dec-06 14:30:00 GMT", kNow}, // RFC 850
          Case{"Tue Dec  5 14:30:00 2006", kNow},        // asctime
          Case{"Tue, 05-Dec-2006 14:30:00 GMT", kNow},   // Netscape
          Case{"Thu, 01 Jan 1970 00:00:00 GMT", 0},
          Case{"Sat, 01-Jan-2000 00:00:01 GMT", 946684801},
          Case{"Mon, 29 Feb 2016 23:59:59 GMT", 1456790399},
          Case{"Fri, 31 Dec 9999 23:59:59 GMT", 253402300799},
          Case{"Wed, 30 Feb 2011 10:00:00 GMT", std::nullopt}, // no such day
          Case{"Tue, 05 Dec 2006 24:00:00 GMT", std::nullopt},
          Case{"Tue, 05 Foo 2006 14:30:00 GMT", std::nullopt},
          Case{"Tue, 05 Dec 2006", std::nullopt}, Case{"01 Jan 1600 00:00:00", std::nullopt},
          Case{"", std::nullopt}, Case{"tomorrow", std::nullopt}}) {
        EXPECT_EQ(ParseCookieDate(c.Text), c.Seconds) << c.Text;
    }
}

TEST(ParseSetCookieTest, ReadsNetscapeAndRfcStyleAttributes) {
    const auto netscape = ParseSetCookie(
        "SID=31d4d96e; expires=Wed, 06-Dec-2006 14:30:00 GMT; path=/docs; domain=.example.com; "
        "secure");
    ASSERT_EQ(netscape.size(), 1U);
    EXPECT_EQ(netscape[0].Name, "SID");
    EXPECT_EQ(netscape[0].Value, "31d4d96e");
    EXPECT_EQ(netscape[0].Expires, kNow + 86400);
    EXPECT_EQ(netscape[0].Path, "/docs");
    EXPECT_EQ(netscape[0].Domain, ".example.com");
    EXPECT_TRUE(netscape[0].Secure);

    const auto rfc2965 =
        ParseSetCookie(R"(Part="Rocket_0001"; Version="1"; Path="/acme"; Port="80,8080", )"
                       R"(Shipping="Fed;Ex"; Version="1"; Max-Age=60; Discard)");
    ASSERT_EQ(rfc2965.size(), 2U);
    EXPECT_EQ(rfc2965[0].Name, "Part");
    EXPECT_EQ(rfc2965[0].Value, "\"Rocket_0001\"");
    EXPECT_EQ(rfc2965[0].Path, "/acme");
    EXPECT_EQ(rfc2965[0].Port, "80,8080");
    EXPECT_EQ(rfc2965[1].Name, "Shipping");
    EXPECT_EQ(rfc2965[1].Value, "\"Fed;Ex\"");
    EXPECT_EQ(rfc2965[1].MaxAge, 60);
    EXPECT_FALSE(rfc2965[1].Secure);
}

TEST(ParseSetCookieTest, DropsEntriesWithoutANameAndIgnoresUnreadableAttributes) {
    const auto cookies =
        ParseSetCookie("novalue; =anonymous, good=1; expires=someday; max-age=soon; Port");
    ASSERT_EQ(cookies.size(), 1U);
    EXPECT_EQ(cookies[0].Name, "good");
    EXPECT_EQ(cookies[0].Expires, std::nullopt);
    EXPECT_EQ(cookies[0].MaxAge, std::nullopt);
    EXPECT_EQ(cookies[0].Port, "");
    EXPECT_TRUE(ParseSetCookie("").empty());
}

UrlParts Url(std::string host, std::string path, std::string document = "",
             std::int32_t port = 80) {
    UrlParts url;
    url.Protocol = "http";
    url.Host = std::move(host);
    url.Port = port;
    url.Path = std::move(path);
    url.Document = std::move(document);
    return url;
}

class CookieStoreTest : public testing::Test {
protected:
    CookieStore m_store;
};

TEST_F(CookieStoreTest, SendsCookiesBackToTheHostAndPathTheyCameFrom) {
    m_store.Add("sid=abc", Url("intranet", "/docs/"), kNow);
    m_store.Add("root=1; Path=/", Url("intranet", "/docs/"), kNow);
    struct Case {
        UrlParts Url;
        std::string Header;
    };
    for (const Case& c :
         {Case{Url("intranet", "/docs/", "page.htm"), "sid=abc; root=1"},
          Case{Url("INTRANET", "/docs/sub/"), "sid=abc; root=1"},
          Case{Url("intranet", "/docs"), "sid=abc; root=1"},
          Case{Url("intranet", "/docsarchive/"), "root=1"}, Case{Url("intranet", "/"), "root=1"},
          Case{Url("other", "/docs/"), ""}, Case{Url("sub.intranet", "/docs/"), ""}}) {
        EXPECT_EQ(m_store.CookieHeader(c.Url, kNow), c.Header)
            << c.Url.Host << c.Url.Path << c.Url.Document;
    }
}

TEST_F(CookieStoreTest, ADomainAttributeCoversSubdomainsWhenTheHostIsInIt) {
    m_store.Add("a=1; Domain=.example.com", Url("www.example.com", "/"), kNow);
    m_store.Add("b=2; Domain=other.com", Url("www.example.com", "/"), kNow);
    m_store.Add("c=3; Domain=com", Url("www.example.com", "/"), kNow);
    m_store.Add("d=4; Domain=127.0.0.1", Url("10.127.0.0.1", "/"), kNow);
    EXPECT_EQ(m_store.Count(), 1U);
    EXPECT_EQ(m_store.CookieHeader(Url("mail.Example.com", "/"), kNow), "a=1");
    EXPECT_EQ(m_store.CookieHeader(Url("example.com", "/"), kNow), "a=1");
    EXPECT_EQ(m_store.CookieHeader(Url("badexample.com", "/"), kNow), "");
}

TEST_F(CookieStoreTest, ForgetsCookiesWhenTheyExpire) {
    const UrlParts url = Url("h", "/");
    m_store.Add("short=1; Max-Age=60", url, kNow);
    m_store.Add("dated=1; expires=Tue, 05 Dec 2006 15:30:00 GMT", url, kNow);
    m_store.Add("session=1", url, kNow);
    // Max-Age wins over expires.
    m_store.Add("both=1; expires=Tue, 05 Dec 2006 13:00:00 GMT; Max-Age=7200", url, kNow);
    EXPECT_EQ(m_store.CookieHeader(url, kNow + 59), "short=1; dated=1; session=1; both=1");
    EXPECT_EQ(m_store.CookieHeader(url, kNow + 60), "dated=1; session=1; both=1");
    EXPECT_EQ(m_store.CookieHeader(url, kNow + 3600), "session=1; both=1");
    EXPECT_EQ(m_store.CookieHeader(url, kNow + 1000000), "session=1");
}

TEST_F(CookieStoreTest, AnExpiredOrReplacedCookieTakesThePlaceOfItsNamesake) {
    const UrlParts url = Url("h", "/");
    m_store.Add("sid=old", url, kNow);
    m_store.Add("sid=new", url, kNow);
    EXPECT_EQ(m_store.CookieHeader(url, kNow), "sid=new");
    m_store.Add("sid=gone; Max-Age=0", url, kNow);
    EXPECT_EQ(m_store.CookieHeader(url, kNow), "");
    m_store.Add("x=1", url, kNow);
    m_store.Add("x=2; expires=Thu, 01 Jan 1970 00:00:00 GMT", url, kNow);
    EXPECT_EQ(m_store.Count(), 0U);
}

TEST_F(CookieStoreTest, PutsLongerPathsFirst) {
    m_store.Add("outer=1; Path=/", Url("h", "/"), kNow);
    m_store.Add("inner=2; Path=/a/b", Url("h", "/"), kNow);
    m_store.Add("middle=3; Path=/a", Url("h", "/"), kNow);
    EXPECT_EQ(m_store.CookieHeader(Url("h", "/a/b/"), kNow), "inner=2; middle=3; outer=1");
}

TEST_F(CookieStoreTest, HonoursPortListsAndSecureCookies) {
    m_store.Add("p=1; Port=\"80,8080\"", Url("h", "/", "", 8080), kNow);
    m_store.Add("wrong=1; Port=\"81\"", Url("h", "/", "", 8080), kNow);
    m_store.Add("here=1; Port", Url("h", "/", "", 8080), kNow);
    m_store.Add("s=1; secure", Url("h", "/"), kNow);
    EXPECT_EQ(m_store.CookieHeader(Url("h", "/", "", 8080), kNow), "p=1; here=1");
    EXPECT_EQ(m_store.CookieHeader(Url("h", "/", "", 80), kNow), "p=1");
}

TEST_F(CookieStoreTest, RefusesCookiesThatCouldBreakTheRequest) {
    const UrlParts url = Url("h", "/");
    m_store.Add(std::string("a=x\ry"), url, kNow);
    m_store.Add(std::string("b=x\0y", 5), url, kNow);
    m_store.Add("c\x01=1", url, kNow);
    EXPECT_EQ(m_store.Count(), 0U);
    m_store.Add("tab=x\ty", url, kNow);
    EXPECT_EQ(m_store.Count(), 1U);
}

TEST(CookieStoreLimitsTest, StaysWithinItsCapsDroppingTheOldest) {
    CookieStore store(CookieLimits{.MaxCookies = 5, .MaxPerDomain = 3, .MaxCookieBytes = 16});
    store.Add("big=" + std::string(14, 'v'), Url("a", "/"), kNow);
    EXPECT_EQ(store.Count(), 0U);
    for (int i = 0; i < 5; ++i) {
        store.Add("a" + std::to_string(i) + "=1", Url("a", "/"), kNow);
    }
    EXPECT_EQ(store.CookieHeader(Url("a", "/"), kNow), "a2=1; a3=1; a4=1");
    for (int i = 0; i < 3; ++i) {
        store.Add("b" + std::to_string(i) + "=1", Url("b", "/"), kNow);
    }
    EXPECT_EQ(store.Count(), 5U);
    EXPECT_EQ(store.CookieHeader(Url("a", "/"), kNow), "a3=1; a4=1");
    EXPECT_EQ(store.CookieHeader(Url("b", "/"), kNow), "b0=1; b1=1; b2=1");
}

// The header and the store stay bounded however much one server sets; what goes is the oldest.
TEST(CookieStoreLimitsTest, TheHeaderAndTheStoreKeepTheNewestCookiesThatFit) {
    struct Case {
        const char* Name;
        CookieLimits Limits;
        std::string Header;
        std::size_t Count;
    };
    for (const Case& c :
         {Case{"header, exactly full", CookieLimits{.MaxHeaderBytes = 16}, "b=22222; c=33333", 3},
          Case{"header, one each", CookieLimits{.MaxHeaderBytes = 15}, "c=33333", 3},
          Case{"store", CookieLimits{.MaxStoredBytes = 12}, "b=22222; c=33333", 2},
          Case{"longest pair", CookieLimits{.MaxHeaderBytes = 6}, "", 0}}) {
        SCOPED_TRACE(c.Name);
        CookieStore store(c.Limits);
        for (const char* cookie : {"a=11111", "b=22222", "c=33333"}) {
            store.Add(cookie, Url("h", "/"), kNow);
        }
        EXPECT_EQ(store.CookieHeader(Url("h", "/"), kNow), c.Header);
        EXPECT_EQ(store.Count(), c.Count);
    }
}

TEST(CookieStoreLimitsTest, AHostilePageCannotGrowTheHeaderPastItsCap) {
    CookieStore store;
    for (int i = 0; i < 50; ++i) {
        store.Add("c" + std::to_string(i) + "=" + std::string(4000, 'x'), Url("h", "/"), kNow);
    }
    const std::string header = store.CookieHeader(Url("h", "/"), kNow);
    EXPECT_LE(header.size(), CookieLimits{}.MaxHeaderBytes);
    EXPECT_TRUE(header.starts_with("c49=")) << header.substr(0, 8);
}

} // namespace
} // namespace velnorix
