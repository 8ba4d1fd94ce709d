#include "layouts/codequality.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "layouts/json_writer.h"
#include "layouts/layout_text.h"
#include "layouts/placement.h"

namespace {

// A bijective mix of 64 bits (splitmix64's finalizer): distinct inputs give
// distinct outputs.
std::uint64_t Mix(std::uint64_t value) {
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}

// FNV-1a over the fields, each after its length, so that no two lists of
// fields hash the same bytes.
class Hash {
 public:
  Hash& Add(std::string_view field) {
    Byte(field.size());
    for (const char c : field) Byte(static_cast<unsigned char>(c));
    return *this;
  }
  Hash& Add(std::uint64_t number) {
    for (int shift = 0; shift < 64; shift += 8) Byte(static_cast<unsigned char>(number >> shift));
    return *this;
  }
  std::uint64_t Value() const { return Mix(value_); }

 private:
  void Byte(std::uint64_t byte) { value_ = (value_ ^ (byte & 0xFF)) * 0x100000001B3ULL; }
  std::uint64_t value_ = 0xCBF29CE484222325ULL;
};

// How often each hash occurred so far, for a fixed number of hashes: memory
// does not grow with the report. Once the table is full, an issue whose
// hash it does not hold takes its log line instead of a count, which no
// other issue has; a hash in the table never leaves it, so the two kinds
// never meet.
class Occurrences {
 public:
  // The count before this occurrence, or nothing when the table is full.
  bool Count(std::uint64_t hash, std::uint64_t& before) {
    if (hash == 0) hash = 1;  // 0 marks a free slot
    for (std::size_t i = hash & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
      Slot& slot = slots_[i];
      if (slot.hash == hash) {
        before = slot.count++;
        return true;
      }
      if (slot.hash != 0) continue;
      if (used_ == kLimit) return false;
      ++used_;
      slot = {hash, 1};
      before = 0;
      return true;
    }
  }

 private:
  static constexpr std::size_t kSlots = std::size_t{1} << 14;
  static constexpr std::size_t kLimit = kSlots / 4 * 3;  // probes stay short
  struct Slot {
    std::uint64_t hash = 0;
    std::uint64_t count = 0;
  };
  std::array<Slot, kSlots> slots_{};
  std::size_t used_ = 0;
};

void AppendHex(std::uint64_t value, std::string& output) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (int shift = 60; shift >= 0; shift -= 4) output.push_back(kHex[(value >> shift) & 15]);
}

std::string_view Severity(const Diagnostic& diagnostic) {
  return IsFatal(diagnostic)         ? "blocker"
         : IsError(diagnostic)       ? "major"
         : IsInformation(diagnostic) ? "info"
                                     : "minor";
}

class CodeQualityLayout : public Layout {
 public:
  explicit CodeQualityLayout(const LayoutSettings& settings) : root_(settings.sourceRoot) {}

  void Begin(std::string& out) override {
    out.clear();
    out.push_back('[');
  }

  void Write(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& out) override {
    const Placement at = Place(diagnostic, origin, root_, buffers_);
    // Standard input, which has no file, still names the issue's path.
    const std::string_view path = at.own || !at.file.empty() ? at.file : origin.log;
    const std::uint64_t line = at.own ? at.line : origin.line;
    // One line, as the format wants it: the rules' texts hold no line break.
    const std::string& description = buffers_.message;
    code_.clear();
    AppendCode(diagnostic, code_);
    Hash hash;
    hash.Add(code_).Add(path).Add(at.own ? line : 0).Add(description);
    std::uint64_t before = 0;
    const std::uint64_t key = hash.Value();
    const std::uint64_t tail =
        occurrences_.Count(key, before) ? before : (std::uint64_t{1} << 63) | origin.line;
    fingerprint_.clear();
    AppendHex(key, fingerprint_);
    AppendHex(Mix(key ^ Mix(tail)), fingerprint_);  // one to one in the tail, for each key

    out.clear();
    if (issues_++ > 0) out.push_back(',');
    JsonWriter json(out);
    json.BeginObject().Member("type", "issue").Member("check_name", code_);
    json.Member("description", description);
    json.Key("categories").BeginArray().String("Bug Risk").EndArray();
    json.Member("severity", Severity(diagnostic)).Member("fingerprint", fingerprint_);
    json.Key("location").BeginObject().Member("path", path);
    json.Key("lines").BeginObject().Key("begin").Number(line).Key("end").Number(line).EndObject();
    json.EndObject().EndObject();
  }

  void End(const RunEnd&, std::string& out) override {
    out.clear();
    out.push_back(']');
  }

 private:
  SourceRoot root_;
  PlacementBuffers buffers_;
  std::string code_;
  std::string fingerprint_;
  std::uint64_t issues_ = 0;
  Occurrences occurrences_;
};

}  // namespace

std::unique_ptr<Layout> MakeCodeQualityLayout(const LayoutSettings& settings) {
  return std::make_unique<CodeQualityLayout>(settings);
}
