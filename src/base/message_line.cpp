#include "base/message_line.h"

#include <utility>

namespace tlmaper {
namespace {

std::string& MessagePrefix() {
  static std::string prefix;
  return prefix;
}

}  // namespace

void SetMessagePrefix(std::string prefix) {
  MessagePrefix() = std::move(prefix);
}

void PrintMessageLine(std::FILE* stream, std::string_view line) {
  const std::string& prefix = MessagePrefix();
  std::fwrite(prefix.data(), 1, prefix.size(), stream);
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

}  // namespace tlmaper
