#include "base/text.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <new>

#include "base/platform_files.h"

namespace tlmaper {
namespace {

// The white space that a default input stream skips in the classic locale.
bool IsStreamSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
  if (pattern.empty()) return std::string(text);
  // Searching the untouched rest of the input is the same as searching the growing
  // result behind each inserted text, and keeps the whole call linear.
  std::string result;
  size_t done = 0;
  size_t hit = FindBytes(text, pattern, 0);
  if (hit == std::string_view::npos) return std::string(text);
  result.reserve(text.size());
  while (hit != std::string_view::npos) {
    result.append(text.data() + done, hit - done);
    result.append(replacement);
    done = hit + pattern.size();
    hit = FindBytes(text, pattern, done);
  }
  result.append(text.data() + done, text.size() - done);
  return result;
}

void SplitString(std::string_view text, std::string_view delimiter,
                 std::vector<std::string>& pieces) {
  if (delimiter.empty()) {
    pieces.emplace_back(text);
    return;
  }
  size_t start = 0;
  for (size_t hit = FindBytes(text, delimiter, 0); hit != std::string_view::npos;
       hit = FindBytes(text, delimiter, start)) {
    pieces.emplace_back(text.substr(start, hit - start));
    start = hit + delimiter.size();
  }
  pieces.emplace_back(text.substr(start));
}

bool ParseInt(std::string_view text, int32_t& target) {
  size_t i = 0;
  while (i < text.size() && IsStreamSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t firstDigit = i;
  // The magnitude stops growing once it is past the range; the digits are still
  // consumed, and the result is a failure either way.
  constexpr int64_t Limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (magnitude <= Limit) magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (i == firstDigit) return false;
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  target = static_cast<int32_t>(value);
  return true;
}

void FormatInt(int32_t value, std::string& out) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.assign(digits, end);
}

std::string FormatInt(int32_t value) {
  std::string out;
  FormatInt(value, out);
  return out;
}

std::string FileStem(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  while (nameStart < path.size() && path[nameStart] == '.') ++nameStart;
  return std::string(path.substr(0, path.find('.', nameStart)));
}

std::string ReadWholeFile(const std::string& path) {
  FILE* file = OpenFileForReading(path);
  if (file == nullptr) return {};
  std::string contents;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
    // A directory or device can report a size no buffer can hold: that is "cannot
    // be read", not a reason to stop the run.
    try {
      contents.resize(static_cast<size_t>(size));
      contents.resize(std::fread(contents.data(), 1, contents.size(), file));
    } catch (const std::exception&) {
      contents.clear();
    }
  }
  std::fclose(file);
  return contents;
}

}  // namespace tlmaper
