#include "raster/messages.h"

#include <cstdio>

namespace tlmaper::raster_messages {

void PrintLines(std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
}

std::string Decimal(int64_t value) {
  return std::to_string(value);
}

}  // namespace tlmaper::raster_messages
