// Each text utility checked against a plain second implementation written straight
// from its description.
#include "base/text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "page/page.h"
#include "support/stream_numbers.h"

namespace {

using namespace tlmaper;
using testing::StreamFormatInt;
using testing::StreamParseInt;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string PlainReplaceAll(std::string text, const std::string& pattern,
                            const std::string& replacement) {
  if (pattern.empty()) return text;
  for (size_t at = text.find(pattern); at != std::string::npos;
       at = text.find(pattern, at + replacement.size())) {
    text.replace(at, pattern.size(), replacement);
  }
  return text;
}

std::vector<std::string> PlainSplit(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t at = text.find(delimiter); at != std::string::npos;
       at = text.find(delimiter, start)) {
    pieces.push_back(text.substr(start, at - start));
    start = at + delimiter.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string PlainFileStem(const std::string& path) {
  size_t nameStart = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '/' || path[i] == '\\') nameStart = i + 1;
  }
  size_t cut = nameStart;
  while (cut < path.size() && path[cut] == '.') ++cut;
  while (cut < path.size() && path[cut] != '.') ++cut;
  return path.substr(0, cut);
}

std::string PlainEscape(const std::string& text) {
  std::string escaped;
  for (unsigned char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      case '\\':
        escaped += "&#92;";
        break;
      case '[':
        escaped += "&#91;";
        break;
      case ']':
        escaped += "&#93;";
        break;
      case '`':
        escaped += "&#96;";
        break;
      default:
        if ((c >= 0x01 && c <= 0x1F) || c == 0x7F) {
          escaped += "&#" + std::to_string(c) + ";";
        } else {
          escaped += static_cast<char>(c);
        }
    }
  }
  return escaped;
}

// The page's fills keep large values apart from the text they search; the result must
// be the chain of plain replacements over the whole text.
void CheckPageFills(FuzzedDataProvider& input, const std::string& text) {
  PageTemplate page = MakePageTemplate(text);
  std::string plain = text;
  for (const std::string_view placeholder : PagePlaceholders) {
    // A short piece, repeated at times into a value large enough to be kept apart.
    std::string value = input.ConsumeRandomLengthString(24);
    const int repeats = input.ConsumeIntegralInRange(0, 400);
    if (repeats > 1 && !value.empty()) {
      const std::string piece = value;
      for (int i = 1; i < repeats; ++i) value += piece;
    }
    FillPlaceholder(page, placeholder, value);
    plain = PlainReplaceAll(plain, std::string(placeholder), value);
  }
  Check(PageText(page) == plain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string pattern = input.ConsumeRandomLengthString(8);
  const std::string replacement = input.ConsumeRandomLengthString(8);
  const int32_t number = input.ConsumeIntegral<int32_t>();
  const std::string text = input.ConsumeRemainingBytesAsString();

  Check(ReplaceAll(text, pattern, replacement) == PlainReplaceAll(text, pattern, replacement));
  if (!pattern.empty()) {
    std::vector<std::string> pieces{"kept"};
    SplitString(text, pattern, pieces);
    std::vector<std::string> expected = PlainSplit(text, pattern);
    expected.insert(expected.begin(), "kept");
    Check(pieces == expected);
  }
  int32_t parsed = number, streamed = number;
  Check(ParseInt(text, parsed) == StreamParseInt(text, streamed));
  Check(parsed == streamed);
  Check(FormatInt(number) == StreamFormatInt(number));
  Check(FileStem(text) == PlainFileStem(text));
  Check(EscapePageText(text) == PlainEscape(text));
  CheckPageFills(input, text);
  return 0;
}
