#include "support/run_binary.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tlmaper::testing {
namespace fs = std::filesystem;

namespace {

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The Windows build ends its console lines with CR LF; the tests compare them as LF.
std::string WithLineFeeds(std::string text) {
  if (!TestingWindowsBuild()) return text;
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
  }
  return lines;
}

}  // namespace

RunResult RunTool(const std::vector<std::string>& args, const fs::path& workingDirectory,
                  const std::string& shellPrefix) {
  ScratchDirectory capture;
  const fs::path outPath = capture / "stdout";
  const fs::path errPath = capture / "stderr";
  std::string command = "cd ";
  command.append(ShellQuote(workingDirectory.string())).append(" && ");
  if (!shellPrefix.empty()) command += shellPrefix + "; ";
  command.append("exec ").append(ShellQuote(TLMAPER_BINARY));
  for (const std::string& arg : args) command.append(" ").append(ShellQuote(arg));
  // Nothing is read from standard input: a run never waits for a key.
  command.append(" </dev/null >").append(ShellQuote(outPath.string()));
  command.append(" 2>").append(ShellQuote(errPath.string()));

  RunResult result;
  const int raw = std::system(command.c_str());
  if (WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) result.status = 128 + WTERMSIG(raw);
  result.out = WithLineFeeds(ReadFileBytes(outPath));
  result.err = WithLineFeeds(ReadFileBytes(errPath));
  return result;
}

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (fs::temp_directory_path() / "tlmaper-test-XXXXXX").string();
  path_ = mkdtemp(pattern.data());
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string SaveXml(const std::string& inner) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TidelornSaveFile>\n" + inner +
         "\n</TidelornSaveFile>\n";
}

bool UnderAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

bool TestingWindowsBuild() {
  return TLMAPER_TESTS_WINDOWS;
}

fs::path ExampleSave() {
  return fs::path(TLMAPER_SOURCE_DIR) / "examples" / "saltmere.xml";
}

}  // namespace tlmaper::testing
