#include "pipeline.h"

#include <memory>

namespace {

// Hands each diagnostic on instead of writing it.
class Recorder : public Layout {
 public:
  explicit Recorder(const DiagnosticVisitor& each) : each_(each) {}
  void Write(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& out) override {
    each_(diagnostic, origin.line);
    out.clear();
  }

 private:
  const DiagnosticVisitor& each_;
};

}  // namespace

void ForEachDiagnostic(std::string_view log, Recognition recognition, const DiagnosticVisitor& each,
                       std::size_t blockSize) {
  LayoutEntry entry{};
  entry.recognition = recognition;
  LineReader reader(log, ReadingRulesFor(recognition), blockSize);
  Recorder recorder(each);
  ConvertLog(reader, entry, recorder, "build.log", [](std::string_view) { return true; });
}

std::vector<std::string> ConvertedPieces(std::string_view log, const LayoutEntry& entry,
                                         const LayoutSettings& settings, std::size_t blockSize) {
  LineReader reader(log, ReadingRulesFor(entry.recognition), blockSize);
  const std::unique_ptr<Layout> layout = entry.make(settings);
  std::vector<std::string> pieces;
  ConvertLog(reader, entry, *layout, settings.log, [&pieces](std::string_view piece) {
    pieces.emplace_back(piece);
    return true;
  });
  return pieces;
}

std::string ConvertedText(std::string_view log, const LayoutEntry& entry, std::size_t blockSize) {
  std::string text;
  for (const std::string& piece : ConvertedPieces(log, entry, {"build.log"}, blockSize)) {
    (text += piece) += '\n';
  }
  return text;
}
