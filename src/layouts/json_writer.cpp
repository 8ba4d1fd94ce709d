#include "layouts/json_writer.h"

#include <cstddef>

#include "layouts/layout_text.h"
#include "layouts/utf8_text.h"

void AppendJsonEscaped(std::string_view text, std::string& output) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::size_t plain = 0;  // start of the run not yet copied
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
      ++at;
      continue;
    }
    output.append(text, plain, at - plain);
    if (c >= 0x80) {
      std::size_t bad = 0;
      const std::size_t length = Utf8SequenceLength(text, at, bad);
      if (length != 0) {
        output.append(text, at, length);
        at += length;
      } else {
        output.append(kReplacementCharacter);
        at += bad;
      }
      plain = at;
      continue;
    }
    switch (c) {
      case '"':
        output.append("\\\"");
        break;
      case '\\':
        output.append("\\\\");
        break;
      case '\b':
        output.append("\\b");
        break;
      case '\f':
        output.append("\\f");
        break;
      case '\n':
        output.append("\\n");
        break;
      case '\r':
        output.append("\\r");
        break;
      case '\t':
        output.append("\\t");
        break;
      default:
        output.append("\\u00").append(1, kHex[c >> 4]).append(1, kHex[c & 15]);
    }
    plain = ++at;
  }
  output.append(text, plain, text.size() - plain);
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (depth_ == 0) return;
  const std::uint64_t bit = std::uint64_t{1} << (depth_ - 1);
  if (filled_ & bit) out_.push_back(',');
  filled_ |= bit;
}

JsonWriter& JsonWriter::Open(char bracket) {
  BeforeValue();
  out_.push_back(bracket);
  ++depth_;
  filled_ &= ~(std::uint64_t{1} << (depth_ - 1));
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  out_.push_back(bracket);
  --depth_;
  return *this;
}

JsonWriter& JsonWriter::InObject() {
  ++depth_;
  filled_ |= std::uint64_t{1} << (depth_ - 1);
  return *this;
}

JsonWriter& JsonWriter::BeginObject() { return Open('{'); }
JsonWriter& JsonWriter::EndObject() { return Close('}'); }
JsonWriter& JsonWriter::BeginArray() { return Open('['); }
JsonWriter& JsonWriter::EndArray() { return Close(']'); }

JsonWriter& JsonWriter::Key(std::string_view name) {
  BeforeValue();
  out_.push_back('"');
  AppendJsonEscaped(name, out_);
  out_.append("\":");
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
  BeforeValue();
  out_.push_back('"');
  AppendJsonEscaped(text, out_);
  out_.push_back('"');
  return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
  BeforeValue();
  AppendNumber(value, out_);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_.append(value ? "true" : "false");
  return *this;
}
