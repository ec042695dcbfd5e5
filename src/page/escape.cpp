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

std::string EscapePageText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char byte : text) {
    if (const char* reference = NamedReference(byte)) {
      escaped += reference;
    } else if (IsControlByte(static_cast<unsigned char>(byte))) {
      escaped += "&#" + std::to_string(static_cast<unsigned char>(byte)) + ";";
    } else {
      escaped += byte;
    }
  }
  return escaped;
}

}  // namespace tlmaper
