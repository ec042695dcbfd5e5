// Decimal integers read and written through string streams: the behaviour that the
// tool's fast ParseInt and FormatInt must match, for tests and fuzzers to compare with.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>

namespace tlmaper::testing {

// One formatted extraction; the target changes only when it succeeds.
inline bool StreamParseInt(const std::string& text, int32_t& target) {
  std::istringstream stream(text);
  int value = 0;
  if (!(stream >> value)) return false;
  target = value;
  return true;
}

inline std::string StreamFormatInt(int32_t value) {
  std::ostringstream stream;
  stream << value;
  return stream.str();
}

}  // namespace tlmaper::testing
