#include "page/page.h"

#include <cstdio>
#include <filesystem>

#include "base/message_line.h"
#include "base/output_file.h"
#include "base/platform_files.h"
#include "base/text.h"
#include "page/builtin_template.h"
#include "page/notes.h"

namespace tlmaper {
namespace {

constexpr const char* TemplatePath = "template.html";

void PrintErrorLine(const std::string& line) {
  PrintMessageLine(stderr, line);
}

bool IsEmptyRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) &&
         std::filesystem::file_size(path, error) == 0 && !error;
}

// True when some placeholder could begin inside `value`: every placeholder starts
// with "[" and a capital letter.
bool MayHoldPlaceholder(std::string_view value) {
  for (size_t at = value.find('['); at != std::string_view::npos; at = value.find('[', at + 1)) {
    if (at + 1 == value.size() || (value[at + 1] >= 'A' && value[at + 1] <= 'Z')) return true;
  }
  return false;
}

// True when a placeholder could match partly inside `value` and partly in the text
// around it: the value holds the middle of one, starts with one's end or ends with
// one's start.
bool MayJoinPlaceholder(std::string_view value) {
  for (const std::string_view placeholder : PagePlaceholders) {
    if (placeholder.find(value) != std::string_view::npos) return true;
    for (size_t k = 1; k < placeholder.size() && k <= value.size(); ++k) {
      if (value.starts_with(placeholder.substr(placeholder.size() - k)) ||
          value.ends_with(placeholder.substr(0, k))) {
        return true;
      }
    }
  }
  return false;
}

bool CanSeal(std::string_view value) {
  return !MayHoldPlaceholder(value) && !MayJoinPlaceholder(value);
}

PagePart OwnedPart(std::string text, bool isSealed) {
  auto owner = std::make_shared<const std::string>(std::move(text));
  const std::string_view view = *owner;
  return PagePart{std::move(owner), view, isSealed};
}

// The open part with every occurrence of `placeholder` cut out and the sealed value
// standing in its place. The pieces around the value share the part's text.
void SplitAroundSealedValue(const PagePart& part, std::string_view placeholder,
                            const PagePart& value, std::vector<PagePart>& parts) {
  const std::string_view text = part.text;
  size_t done = 0;
  for (size_t at = text.find(placeholder); at != std::string_view::npos;
       at = text.find(placeholder, done)) {
    if (at > done) parts.push_back(PagePart{part.owner, text.substr(done, at - done), false});
    parts.push_back(value);
    done = at + placeholder.size();
  }
  if (done < text.size()) parts.push_back(PagePart{part.owner, text.substr(done), false});
}

bool WriteParts(const PageTemplate& page, PendingFile& file) {
  for (const PagePart& part : page.parts) {
    if (!WritePending(file, part.text.data(), part.text.size())) return false;
  }
  return true;
}

// The built-in template, read where it lies in the binary.
PageTemplate BuiltInTemplate() {
  PageTemplate page;
  page.parts.push_back(PagePart{nullptr, BuiltInPageTemplate(), false});
  return page;
}

// Sum of two 32-bit values, wrapping around like two's-complement hardware.
int32_t WrappingSum(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

PageTemplate MakePageTemplate(std::string text) {
  PageTemplate page;
  if (!text.empty()) page.parts.push_back(OwnedPart(std::move(text), false));
  return page;
}

std::string PageText(const PageTemplate& page) {
  std::string text;
  for (const PagePart& part : page.parts) text += part.text;
  return text;
}

PageTemplate LoadPageTemplate(const std::string& pagePath, TemplateFallback& fallback) {
  fallback = TemplateFallback::None;
  std::error_code error;
  if (!std::filesystem::exists(TemplatePath, error)) return BuiltInTemplate();
  if (pagePath == TemplatePath ||
      std::filesystem::equivalent(TemplatePath, PathFromUtf8(pagePath), error)) {
    fallback = TemplateFallback::IsThePage;
    return BuiltInTemplate();
  }
  std::string text = ReadWholeFile(TemplatePath);
  // An empty text from a file that is not empty (a directory, a file that cannot be
  // read) would silently give an empty page: the built-in template stands in.
  if (text.empty() && !IsEmptyRegularFile(TemplatePath)) {
    fallback = TemplateFallback::Unreadable;
    return BuiltInTemplate();
  }
  return MakePageTemplate(std::move(text));
}

void PrintTemplateFallbackWarning(TemplateFallback fallback) {
  switch (fallback) {
    case TemplateFallback::None:
      return;
    case TemplateFallback::Unreadable:
      PrintErrorLine(std::string("Warning: cannot read ") + TemplatePath +
                     ", using the built-in template");
      return;
    case TemplateFallback::IsThePage:
      PrintErrorLine(std::string("Warning: ") + TemplatePath +
                     " is the page being written, using the built-in template");
      return;
  }
}

int32_t MapExtent(const MapBounds& bounds) {
  const int32_t sumX = WrappingSum(bounds.minX, bounds.maxX);
  const int32_t sumY = WrappingSum(bounds.minY, bounds.maxY);
  return sumX >= sumY ? sumX : sumY;
}

// Each open part is filled on its own: no occurrence can span a sealed part. A value
// that could itself take part in a later match stays open text, searched again.
void FillPlaceholder(PageTemplate& page, std::string_view placeholder, std::string value) {
  const bool seal = CanSeal(value);
  const PagePart sealedValue = seal ? OwnedPart(std::move(value), true) : PagePart{};
  std::vector<PagePart> parts;
  parts.reserve(page.parts.size());
  for (PagePart& part : page.parts) {
    if (part.isSealed || part.text.find(placeholder) == std::string_view::npos) {
      parts.push_back(std::move(part));
    } else if (seal) {
      SplitAroundSealedValue(part, placeholder, sealedValue, parts);
    } else {
      std::string filled = ReplaceAll(part.text, placeholder, value);
      if (!filled.empty()) parts.push_back(OwnedPart(std::move(filled), false));
    }
  }
  page.parts = std::move(parts);
}

void FillWorldPlaceholders(PageTemplate& page, const PlayerRecord& player, const MapBounds& bounds,
                           const std::string& imagePath) {
  FillPlaceholder(page, "[WORLDNAME]", EscapePageText(player.worldName));
  // The page lies beside the map and finds it by name; the folders the save was given
  // with would name the player's folders in a page that may be shared.
  FillPlaceholder(page, "[MAPFILENAME]",
                  EscapePageText(std::string_view(imagePath).substr(FileNameStart(imagePath))));
  FillPlaceholder(page, "[SIZE]", FormatInt(MapExtent(bounds)));
  FillPlaceholder(page, "[PLAYERX]", FormatInt(player.x));
  FillPlaceholder(page, "[PLAYERY]", FormatInt(player.y));
}

void FillNotesPlaceholder(PageTemplate& page, const NoteSet* notes) {
  FillPlaceholder(page, "[NOTES]", notes ? ScriptSafeJson(NotesJson(*notes)) : std::string());
}

bool StartPageFile(const PageTemplate& page, const std::string& pagePath, PendingFile& file) {
  // The page is a few large parts (the template's text between the values) and a few
  // small ones: the stream's own small buffer takes the small ones, and the large ones
  // go to the file without being copied.
  return OpenPendingFile(pagePath, file, WritePieces::Large) && WriteParts(page, file);
}

bool FinishPageFile(bool started, PendingFile& file, const std::string& pagePath) {
  if (started && CommitPendingFile(file)) return true;
  DiscardPendingFile(file);
  PrintErrorLine("Error writing page file " + pagePath);
  return false;
}

}  // namespace tlmaper
