// Output files written through a temporary file: its name, and whole runs with save
// names at the file system's 255-byte limit.
#include "base/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {
namespace fs = std::filesystem;

TEST(OutputFile, TheTemporaryFileIsHiddenShortAndBesideTheTarget) {
  ScratchDirectory dir;
  const std::string target = (dir / std::string(255, 't')).string();
  PendingFile first, second;
  ASSERT_TRUE(OpenPendingFile(target, first));
  ASSERT_TRUE(OpenPendingFile(target, second));
  for (const PendingFile* file : {&first, &second}) {
    const fs::path temporary = file->temporaryPath;
    EXPECT_EQ(temporary.parent_path(), dir.path());
    EXPECT_EQ(temporary.filename().string().front(), '.');
    EXPECT_LE(temporary.filename().string().size(), 40u);
  }
  EXPECT_NE(first.temporaryPath, second.temporaryPath);
  ASSERT_TRUE(WritePending(first, "map", 3));
  ASSERT_TRUE(CommitPendingFile(first));
  EXPECT_EQ(ReadFileBytes(target), "map");
}

TEST(OutputFile, SaveNamesAtTheNameLengthLimit) {
  // Stem 250: the page's name, the longer one, is 255 bytes and both outputs are
  // written. Stem 251: the page's name would be 256 bytes; the map is written and the
  // page reported.
  for (const size_t stemLength : {250u, 251u}) {
    const bool fits = stemLength == 250;
    ScratchDirectory dir;
    const std::string stem(stemLength, 'n');
    WriteFileBytes(dir / (stem + ".xml"), SaveXml(""));
    const RunResult run = RunTool({stem + ".xml"}, dir.path());
    EXPECT_EQ(run.status, fits ? 0 : 1) << stemLength;
    EXPECT_EQ(run.out, "") << stemLength;
    EXPECT_EQ(run.err, fits ? "" : "Error writing page file " + stem + ".html\n") << stemLength;
    std::error_code tooLong;
    EXPECT_TRUE(fs::exists(dir / (stem + ".bmp"))) << stemLength;
    EXPECT_EQ(fs::exists(dir / (stem + ".html"), tooLong), fits) << stemLength;
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, fits ? 3u : 2u) << stemLength;
  }
}

}  // namespace
}  // namespace tlmaper::testing
