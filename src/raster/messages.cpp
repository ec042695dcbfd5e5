#include "raster/messages.h"

#include "base/message_line.h"

namespace tlmaper::raster_messages {

void PrintLines(std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) PrintMessageLine(stdout, line);
}

std::string Decimal(int64_t value) {
  return std::to_string(value);
}

}  // namespace tlmaper::raster_messages
