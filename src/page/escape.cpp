#include <string>

#include "page/page.h"

namespace tlmaper {
namespace {

// The character reference for a byte that must not appear as itself in the page, or
// nullptr when the byte is kept. Quotes, backslash and backquote would end or bend a
// script string, brackets would let later placeholder fills match save-file text.
const char* NamedReference(char byte) {
  switch (byte) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    case '\\':
      return "&#92;";
    case '[':
      return "&#91;";
    case ']':
      return "&#93;";
    case '`':
      return "&#96;";
    default:
      return nullptr;
  }
}

bool IsControlByte(unsigned char byte) {
  return (byte >= 0x01 && byte <= 0x1F) || byte == 0x7F;
}

}  // namespace

void AppendEscapedPageText(std::string& out, std::string_view text) {
  size_t kept = 0;  // bytes of `text` already in `out`
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    const char* reference = NamedReference(text[i]);
    if (reference == nullptr && !IsControlByte(byte)) continue;
    out.append(text.data() + kept, i - kept);
    kept = i + 1;
    if (reference != nullptr) {
      out += reference;
    } else {
      out += "&#";
      out += std::to_string(byte);
      out += ';';
    }
  }
  out.append(text.data() + kept, text.size() - kept);
}

std::string EscapePageText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  AppendEscapedPageText(escaped, text);
  return escaped;
}

}  // namespace tlmaper
