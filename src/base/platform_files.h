// The few file and process services that differ between Linux and Windows, behind one
// set of functions. Paths are UTF-8 byte strings everywhere in the tool; on Windows
// they are turned into UTF-16 here, so names outside the local code page work.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace tlmaper {

// Position of the first occurrence of `pattern` in `text` at or after `from`, or
// npos. Linear in the length of the text on Linux.
size_t FindBytes(std::string_view text, std::string_view pattern, size_t from);

// The path as the standard library sees it, built from the UTF-8 bytes.
std::filesystem::path PathFromUtf8(std::string_view path);

// Where the file name starts: behind the last directory separator ('/', and on
// Windows also '\' and the ':' of a drive letter), or 0.
size_t FileNameStart(std::string_view path);

// Opens an existing file for reading in byte mode; null when it cannot be opened.
std::FILE* OpenFileForReading(const std::string& path);

// Creates a new file for writing in byte mode, failing when the name already exists
// (then `exists` is set). The file is hidden where hiding is an attribute (Windows)
// until `RenameOver` puts it in place.
std::FILE* CreateNewFile(const std::string& path, bool& exists);

// Renames `from` to `to`, replacing a file already called `to`.
bool RenameOver(const std::string& from, const std::string& to);

void RemoveFile(const std::string& path);

#ifdef _WIN32
// For a process about to be ended in the middle of writing: removes every file made by
// CreateNewFile and not yet renamed or removed, open or not, and makes every later
// CreateNewFile and RenameOver fail. Safe from any thread.
void AbandonNewFiles();
#endif

// The id of this process, to make names that no other run uses.
unsigned long CurrentProcessId();

}  // namespace tlmaper
