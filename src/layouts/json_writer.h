// A small JSON writer: members and elements go out in the order they are
// given, straight into a string, with no tree in between. Texts are byte
// strings; what is not valid UTF-8 is written as U+FFFD, so the output
// always parses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class JsonWriter {
 public:
  // Appends to `output`, which the caller keeps.
  explicit JsonWriter(std::string& output) : out_(output) {}

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // A member's name; its value is written next.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::uint64_t value);
  JsonWriter& Bool(bool value);

  // Goes on inside an object that the caller opened and wrote a member of.
  JsonWriter& InObject();

  // A string whose contents `append` writes into the output, already fit for
  // JSON (escaped by AppendJsonEscaped, or of plain characters only).
  template <typename Append>
  JsonWriter& StringWith(Append&& append) {
    BeforeValue();
    out_.push_back('"');
    append(out_);
    out_.push_back('"');
    return *this;
  }

  // A member with a string value, the commonest case.
  JsonWriter& Member(std::string_view name, std::string_view text) {
    return Key(name).String(text);
  }

 private:
  void BeforeValue();
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);

  std::string& out_;
  // One bit a nesting level: whether it has a value yet. Documents nest a few
  // levels only.
  std::uint64_t filled_ = 0;
  unsigned depth_ = 0;
  bool afterKey_ = false;
};

// `text` as the contents of a JSON string, appended to `output`.
void AppendJsonEscaped(std::string_view text, std::string& output);
