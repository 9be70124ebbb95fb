// Automation objects through IDispatch: the system's dictionary object, and the HTTP request
// object against the loopback test server.
#include "runtime/automation.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/http_test_server_win.h"

namespace tarnvel {
namespace {

using test::HttpReply;
using test::HttpTestServer;

constexpr std::uint16_t kArrayOfVariants = 0x2000 | 12;  // VT_ARRAY | VT_VARIANT

TEST(Automation, DictionaryAddItemCountExistsWithChineseTexts) {
  AutoObject dict;
  ASSERT_TRUE(ObjectCreate(dict, "Scripting.Dictionary")) << AutomationLastError();
  EXPECT_FALSE(ObjectIsEmpty(dict));
  ObjectCall(dict, "Add", "源目录", "D:\\备份");
  EXPECT_TRUE(AutomationLastError().empty()) << AutomationLastError();
  ObjectCall(dict, "Add", "n", 42);
  ObjectCall(dict, "Add", "big", 5000000000LL);  // beyond 32 bits: carried as a double
  EXPECT_EQ(ObjectGet<int>(dict, "Count"), 3);
  EXPECT_EQ(ObjectGet<std::string>(dict, "Count"), "3");
  EXPECT_TRUE(ObjectCall<bool>(dict, "Exists", "源目录"));
  EXPECT_FALSE(ObjectCall<bool>(dict, "Exists", "源"));
  EXPECT_EQ(ObjectGet<std::string>(dict, "Item", "源目录"), "D:\\备份");
  EXPECT_EQ(ObjectGet<int>(dict, "Item", "n"), 42);
  EXPECT_EQ(ObjectGet<std::string>(dict, "Item", "n"), "42");
  EXPECT_DOUBLE_EQ(ObjectGet<double>(dict, "Item", "big"), 5000000000.0);
  EXPECT_EQ(ObjectGet<int>(dict, "Item", "big"), 0);  // does not fit: the empty value
  EXPECT_FALSE(AutomationLastError().empty());

  // Keys come back as an array of variants, which is no byte array.
  const Variant keys = ObjectCall(dict, "Keys");
  EXPECT_EQ(keys.Type(), kArrayOfVariants);
  EXPECT_TRUE(VariantToBytes(keys).empty());
}

TEST(Automation, PropertyWritesObjectsAndFailuresThatSayWhy) {
  AutoObject dict;
  ASSERT_TRUE(ObjectCreate(dict, "{EE09B103-97E0-11CF-978F-00A02463E06F}")) << AutomationLastError();
  EXPECT_TRUE(ObjectSet(dict, "CompareMode", 1));  // text comparison: letter case ignored
  EXPECT_EQ(ObjectGet<int>(dict, "CompareMode"), 1);
  ObjectCall(dict, "Add", "Key", true);
  EXPECT_TRUE(ObjectCall<bool>(dict, "Exists", "KEY"));
  EXPECT_TRUE(ObjectGet<bool>(dict, "Item", "key"));

  // A duplicate key raises an automation exception inside the object.
  ObjectCall(dict, "Add", "KEY", 2);
  EXPECT_FALSE(AutomationLastError().empty());
  EXPECT_TRUE(ObjectCall(dict, "NoSuchMethod").IsEmpty());
  EXPECT_NE(AutomationLastError().find("NoSuchMethod"), std::string::npos);
  EXPECT_FALSE(ObjectSet(dict, "NoSuchProperty", 1));

  // An object held as a value comes back as an object of its own.
  AutoObject child;
  ASSERT_TRUE(ObjectCreate(child, "Scripting.Dictionary"));
  ObjectCall(child, "Add", "a", 1);
  ObjectCall(dict, "Add", "child", child);
  ObjectClear(child);
  EXPECT_TRUE(ObjectIsEmpty(child));
  AutoObject back = ObjectGet<AutoObject>(dict, "Item", "child");
  ASSERT_FALSE(ObjectIsEmpty(back));
  EXPECT_EQ(ObjectGet<int>(back, "Count"), 1);

  AutoObject moved = std::move(back);
  EXPECT_TRUE(ObjectIsEmpty(back));
  EXPECT_EQ(ObjectGet<int>(moved, "Count"), 1);
  EXPECT_EQ(ObjectGet<int>(back, "Count"), 0);
  EXPECT_FALSE(AutomationLastError().empty());

  AutoObject none;
  EXPECT_FALSE(ObjectCreate(none, "Tarnvel.NoSuchClass"));
  EXPECT_TRUE(ObjectIsEmpty(none));
  EXPECT_FALSE(AutomationLastError().empty());
}

TEST(Automation, VariantsOwnTheirValues) {
  const ByteString bytes{0, 1, 0x80, 0xFF, 0};
  Variant a(bytes);
  Variant b = a;  // a deep copy
  Variant c = std::move(a);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(VariantToBytes(b), bytes);
  EXPECT_EQ(VariantToBytes(c), bytes);
  EXPECT_EQ(VariantToText(Variant("目录")), "目录");
  EXPECT_EQ(VariantToNumber(Variant("2.5")), 2.5);
  EXPECT_EQ(VariantToText(Variant()), "");
  EXPECT_TRUE(VariantToBytes(Variant(ByteString{})).empty());
}

class WinHttpRequest : public testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 50000; ++i) body_.push_back(static_cast<std::uint8_t>((i * 7) ^ (i >> 8)));
    ASSERT_TRUE(ObjectCreate(http_, "WinHttp.WinHttpRequest.5.1")) << AutomationLastError();
  }

  // One asynchronous GET with a Range header, waited for as the downloader waits.
  void Get(const std::string& url, const std::string& range) {
    ObjectCall(http_, "Open", "GET", url, true);
    ASSERT_TRUE(AutomationLastError().empty()) << AutomationLastError();
    if (!range.empty()) ObjectCall(http_, "SetRequestHeader", "Range", range);
    ObjectCall(http_, "SetRequestHeader", "User-Agent", "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)");
    ObjectCall(http_, "Send");
    ASSERT_TRUE(AutomationLastError().empty()) << AutomationLastError();
    ASSERT_TRUE(ObjectCall<bool>(http_, "WaitForResponse", 30)) << AutomationLastError();
  }

  ByteString Slice(std::size_t first, std::size_t count) const {
    return ByteString(body_.begin() + first, body_.begin() + first + count);
  }

  ByteString body_;
  AutoObject http_;
  HttpTestServer server_;
};

TEST_F(WinHttpRequest, RangeRequestGivesPartialContentAndItsBytes) {
  server_.Script(HttpReply::Resource(body_));
  Get(server_.Url("/NEW/Tarnvel.rar"), "bytes=30000-50479");
  EXPECT_EQ(ObjectGet<int>(http_, "Status"), 206);
  EXPECT_EQ(ObjectCall<std::string>(http_, "GetResponseHeader", "Content-Range"), "bytes 30000-49999/50000");
  const ByteString got = VariantToBytes(ObjectGet(http_, "ResponseBody"));
  EXPECT_EQ(got.size(), 20000u);
  EXPECT_TRUE(got == Slice(30000, 20000));

  const std::string request = server_.Request(0);
  EXPECT_EQ(request.rfind("GET /NEW/Tarnvel.rar HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nRange: bytes=30000-50479\r\n"), std::string::npos) << request;
  EXPECT_NE(request.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"),
            std::string::npos);
}

TEST_F(WinHttpRequest, PastTheEndIgnoredRangeAndErrorsReport) {
  server_.Script(HttpReply::Resource(body_));
  server_.Script(HttpReply::Resource(body_, false));
  server_.Script(HttpReply::Status(404, "Not Found", "gone"));

  Get(server_.Url("/f"), "bytes=50000-70479");
  EXPECT_EQ(ObjectGet<int>(http_, "Status"), 416);
  EXPECT_EQ(ObjectCall<std::string>(http_, "GetResponseHeader", "Content-Range"), "bytes */50000");

  Get(server_.Url("/f"), "bytes=0-10239");
  EXPECT_EQ(ObjectGet<int>(http_, "Status"), 200);
  EXPECT_EQ(VariantToBytes(ObjectGet(http_, "ResponseBody")).size(), body_.size());

  Get(server_.Url("/missing"), "");
  EXPECT_EQ(ObjectGet<int>(http_, "Status"), 404);
  EXPECT_EQ(ObjectGet<std::string>(http_, "StatusText"), "Not Found");
  // A header the answer lacks is an error of the object, reported as such.
  EXPECT_EQ(ObjectCall<std::string>(http_, "GetResponseHeader", "Content-Range"), "");
  EXPECT_EQ(server_.RequestCount(), 3u);
}

TEST_F(WinHttpRequest, ADroppedConnectionIsAnErrorNotAnAnswer) {
  server_.Script(HttpReply::Drop());
  ObjectCall(http_, "Open", "GET", server_.Url("/drop"), true);
  ObjectCall(http_, "Send");
  const bool done = ObjectCall<bool>(http_, "WaitForResponse", 30);
  const std::string error = AutomationLastError();
  EXPECT_TRUE(!done || !error.empty());
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ObjectGet<int>(http_, "Status"), 0);  // no status: reading it fails
}

TEST_F(WinHttpRequest, AStalledServerLeavesTheRequestUnfinishedUntilAborted) {
  server_.Script(HttpReply::Stall());
  ObjectCall(http_, "Open", "GET", server_.Url("/slow"), true);
  ObjectCall(http_, "Send");
  ASSERT_TRUE(server_.WaitForRequests(1));
  EXPECT_FALSE(ObjectCall<bool>(http_, "WaitForResponse", 0));  // not complete: answer pending
  ObjectCall(http_, "Abort");
  EXPECT_TRUE(AutomationLastError().empty()) << AutomationLastError();
  server_.ReleaseStalled();
}

}  // namespace
}  // namespace tarnvel
