// Runs the built tool as a separate process and captures what it prints.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tlmaper::testing {

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number when killed by a signal
  std::string out;
  std::string err;
};

// Runs the tool with `args` in `workingDirectory`, standard input empty. `shellPrefix`,
// when given, is run by /bin/sh before the tool in the same process (for example
// "ulimit -f 10").
RunResult RunTool(const std::vector<std::string>& args,
                  const std::filesystem::path& workingDirectory,
                  const std::string& shellPrefix = "");

// A fresh empty directory, removed when the object goes.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// A save file with the given inner XML inside the root element.
std::string SaveXml(const std::string& inner);

// True in a build under AddressSanitizer, which cannot run under an address-space limit.
bool UnderAddressSanitizer();

// True when the tool under test is the Windows build, run through wine: its console
// lines end in CR LF (RunTool gives them as LF), and a few cases differ or cannot run.
bool TestingWindowsBuild();

// The example save shipped with the project.
std::filesystem::path ExampleSave();

}  // namespace tlmaper::testing
