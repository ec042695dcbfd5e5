// The image module's console messages: each line goes to standard output, ended by a
// newline and followed by a flush. Continuation lines of a warning start with 17
// spaces, the width of "Picture Warning: ".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tlmaper::raster_messages {

inline constexpr std::string_view Indent = "                 ";

void PrintLines(std::initializer_list<std::string_view> lines);
std::string Decimal(int64_t value);

}  // namespace tlmaper::raster_messages
