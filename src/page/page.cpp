#include "page/page.h"

#include <cstdio>
#include <filesystem>

#include "driver/output_file.h"
#include "driver/text.h"
#include "page/builtin_template.h"

namespace tlmaper {
namespace {

constexpr const char* TemplatePath = "template.html";

void PrintErrorLine(const std::string& line) {
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

bool IsEmptyRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) &&
         std::filesystem::file_size(path, error) == 0 && !error;
}

// Sum of two 32-bit values, wrapping around like two's-complement hardware.
int32_t WrappingSum(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

std::string LoadPageTemplate() {
  std::error_code error;
  if (!std::filesystem::exists(TemplatePath, error)) return std::string(BuiltInPageTemplate());
  std::string text = ReadWholeFile(TemplatePath);
  // An empty text from a file that is not empty (a directory, a file that cannot be
  // read) would silently give an empty page: say so and use the built-in one.
  if (text.empty() && !IsEmptyRegularFile(TemplatePath)) {
    PrintErrorLine(std::string("Warning: cannot read ") + TemplatePath +
                   ", using the built-in template");
    return std::string(BuiltInPageTemplate());
  }
  return text;
}

int32_t MapExtent(const MapBounds& bounds) {
  const int32_t sumX = WrappingSum(bounds.minX, bounds.maxX);
  const int32_t sumY = WrappingSum(bounds.minY, bounds.maxY);
  return sumX >= sumY ? sumX : sumY;
}

void FillPlaceholder(std::string& page, std::string_view placeholder, std::string_view value) {
  page = ReplaceAll(page, placeholder, value);
}

void FillWorldPlaceholders(std::string& page, const PlayerRecord& player, const MapBounds& bounds,
                           const std::string& imagePath) {
  FillPlaceholder(page, "[WORLDNAME]", EscapePageText(player.worldName));
  FillPlaceholder(page, "[MAPFILENAME]", EscapePageText(imagePath));
  FillPlaceholder(page, "[SIZE]", FormatInt(MapExtent(bounds)));
  FillPlaceholder(page, "[PLAYERX]", FormatInt(player.x));
  FillPlaceholder(page, "[PLAYERY]", FormatInt(player.y));
}

bool WritePage(const std::string& page, const std::string& pagePath) {
  PendingFile file;
  if (OpenPendingFile(pagePath, file)) {
    if (WritePending(file, page.data(), page.size()) && CommitPendingFile(file)) return true;
    DiscardPendingFile(file);
  }
  PrintErrorLine("Error writing page file " + pagePath);
  return false;
}

}  // namespace tlmaper
