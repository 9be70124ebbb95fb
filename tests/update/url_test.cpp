#include "update/url.h"

#include <gtest/gtest.h>

#include "update/http_text.h"

namespace tarnvel {
namespace {

struct UrlCase {
  const char* url;
  const char* host;
  const char* hostWithPort;
  const char* path;
  int port;
};

class UrlPieces : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlPieces, HostPathAndPort) {
  const UrlCase& c = GetParam();
  EXPECT_EQ(UrlHost(c.url), c.host);
  EXPECT_EQ(UrlHost(c.url, true), c.hostWithPort);
  EXPECT_EQ(UrlPath(c.url), c.path);
  EXPECT_EQ(UrlPort(c.url), c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, UrlPieces,
    testing::Values(
        UrlCase{"http://Www.Example.COM:8080/a/b?c=1", "www.example.com", "www.example.com:8080", "/a/b?c=1",
                8080},
        UrlCase{"tarnvel.invalid", "tarnvel.invalid", "tarnvel.invalid", "/", 80},
        UrlCase{"http://Tarnvel.Invalid", "tarnvel.invalid", "tarnvel.invalid", "/", 80},
        UrlCase{"http://127.0.0.1:1/", "127.0.0.1", "127.0.0.1:1", "/", 1},
        UrlCase{"https://Secure.Invalid/x", "secure.invalid", "secure.invalid", "/x", 443},
        UrlCase{"https://secure.invalid:8443/x", "secure.invalid", "secure.invalid:8443", "/x", 8443},
        // a host whose text also stands in the scheme: the path is the one after the host
        UrlCase{"http://t/x/y", "t", "t", "/x/y", 80}, UrlCase{"http://p:81/tp", "p", "p:81", "/tp", 81},
        // a scheme in capitals is the same scheme
        UrlCase{"HTTP://Host/x", "host", "host", "/x", 80},
        UrlCase{"HTTPS://Host/x", "host", "host", "/x", 443},
        // a colon with no number, or a query right after the host
        UrlCase{"http://host:/x", "host", "host:", "/x", 0},
        UrlCase{"http://host:80x/", "host", "host:80x", "/", 80},
        UrlCase{"http://host/a?next=http://other/b", "host", "host", "/a?next=http://other/b", 80},
        UrlCase{"http://中文.example/路径", "中文.example", "中文.example", "/路径", 80},
        UrlCase{"", "", "", "/", 80}));

TEST(UrlPieces, SchemeFoundLaterInTheTextStillStartsTheHost) {
  EXPECT_EQ(UrlHost(" http://A.b/c"), "a.b");
  EXPECT_EQ(UrlPath(" http://A.b/c"), "/c");
  EXPECT_TRUE(UrlIsSecure("https://a/"));
  EXPECT_FALSE(UrlIsSecure("http://a/?u=https://b/"));
}

TEST(RequestHeaderText, DefaultLinesFollowTheCallersInOrder) {
  const std::string accept =
      "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
      "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
  EXPECT_EQ(RequestHeaders("", "http://h/p", HttpVerb::Get, 0),
            accept + "Referer: http://h/p\r\nAccept-Language: zh-cn\r\n");
  EXPECT_EQ(RequestHeaders("X-One: 1\r\n", "http://h/p", HttpVerb::Post, 3),
            "X-One: 1\r\n" + accept +
                "Referer: http://h/p\r\nAccept-Language: zh-cn\r\n"
                "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n");
  // an empty POST body gets neither body line; a GET never does
  EXPECT_EQ(RequestHeaders("", "u", HttpVerb::Post, 0).find("Content-"), std::string::npos);
  EXPECT_EQ(RequestHeaders("", "u", HttpVerb::Get, 9).find("Content-"), std::string::npos);
}

TEST(RequestHeaderText, LinesTheCallerGaveAreNotRepeated) {
  const std::string mine = "referer: http://elsewhere/\r\nACCEPT: */*\r\ncontent-type: text/plain\r\n";
  const std::string headers = RequestHeaders(mine, "http://h/p", HttpVerb::Post, 12);
  EXPECT_EQ(headers, mine + "Accept-Language: zh-cn\r\nContent-Length: 12\r\n");
  // a key inside another line's value is no line of that key
  EXPECT_NE(RequestHeaders("X-Note: Referer: none\r\n", "u", HttpVerb::Get, 0).find("\r\nReferer: u\r\n"),
            std::string::npos);
  // a last line without its line end gets one before the defaults
  EXPECT_EQ(RequestHeaders("X-A: 1", "u", HttpVerb::Get, 0).rfind("X-A: 1\r\nAccept: ", 0), 0u);
}

TEST(RequestVerb, GetAndPostInAnyCaseOthersRefused) {
  EXPECT_EQ(HttpVerbOf(""), HttpVerb::Get);
  EXPECT_EQ(HttpVerbOf("get"), HttpVerb::Get);
  EXPECT_EQ(HttpVerbOf("pOsT"), HttpVerb::Post);
  EXPECT_EQ(HttpVerbOf("PUT"), HttpVerb::Refused);
  EXPECT_EQ(HttpVerbOf(" GET"), HttpVerb::Refused);
}

TEST(ContentLengthText, TheAnnouncedLengthIsReadFromItsLine) {
  EXPECT_EQ(ContentLengthOf("HTTP/1.1 200 OK\r\ncontent-length:  42 \r\n\r\n"), 42u);
  EXPECT_EQ(ContentLengthOf("HTTP/1.1 200 OK\r\nX-Content-Length: 5\r\n\r\n"), std::nullopt);
  EXPECT_EQ(ContentLengthOf("HTTP/1.1 200 OK\r\nContent-Length: 4x\r\n\r\n"), std::nullopt);
  EXPECT_EQ(ContentLengthOf("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n"), std::nullopt);
}

// A lone CR inside a Set-Cookie line once stayed in the cookie's value: such a line is skipped.
TEST(SetCookieText, EachSetCookieLineGivesNameAndValueWithAttributes) {
  const std::string headers =
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX-Note: Set-Cookie: evil=1\r\n"
      "set-cookie:b=x=y; path=/; expires=Wed, 09 Jun 2100 10:18:14 GMT\r\n"
      "Set-Cookie: lonely\r\nSet-Cookie: =nameless\r\nSet-Cookie: c=1\rInjected: 2\r\n\r\n";
  const auto cookies = SetCookieLines(headers);
  ASSERT_EQ(cookies.size(), 2u);
  EXPECT_EQ(cookies[0].name, "a");
  EXPECT_EQ(cookies[0].value, "1");
  EXPECT_EQ(cookies[1].name, "b");
  EXPECT_EQ(cookies[1].value, "x=y; path=/; expires=Wed, 09 Jun 2100 10:18:14 GMT");
}

}  // namespace
}  // namespace tarnvel
