// The JSON writer: separators in order, escapes, and bytes that are not
// UTF-8 written as U+FFFD, each bad sequence's longest valid start as one.
#include "layouts/json_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(JsonWriter, EscapesTextsAndReplacesWhatIsNotUtf8) {
  const struct {
    std::string text, json;
  } cases[] = {
      {"plain", R"("plain")"},
      {"\"\\/", R"("\"\\/")"},
      {"\b\f\n\r\t\x01\x1f\x7f", R"("\b\f\n\r\t\u0001\u001f)"
                                 "\x7f\""},
      {std::string("a\0b", 3), R"("a\u0000b")"},
      {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\""},
      {"\xff", "\"\xef\xbf\xbd\""},
      {"\xc3", "\"\xef\xbf\xbd\""},                                  // cut short at the end
      {"\xe2\x82x", "\"\xef\xbf\xbdx\""},                            // cut short: one U+FFFD
      {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},                  // overlong: each byte
      {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},  // a surrogate
      {"\xf4\x90\x80\x80",
       "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},  // past U+10FFFF
  };
  for (const auto& c : cases) {
    std::string out;
    JsonWriter(out).String(c.text);
    EXPECT_EQ(out, c.json) << c.text;
  }
}

TEST(JsonWriter, WritesMembersAndElementsInOrder) {
  std::string out;
  JsonWriter json(out);
  json.BeginObject().Member("b", "x").Key("a").BeginArray().Number(0).Number(18446744073709551615u);
  json.BeginObject().EndObject().BeginArray().EndArray().Bool(false).EndArray();
  json.Key("c").Bool(true).EndObject();
  EXPECT_EQ(out, R"({"b":"x","a":[0,18446744073709551615,{},[],false],"c":true})");
  std::string continued = R"({"id":1)";
  JsonWriter(continued).InObject().Member("k", "v").EndObject();
  EXPECT_EQ(continued, R"({"id":1,"k":"v"})");
}

}  // namespace
