// The BMP writer: the file layout at every depth, the encoders, and the writer's failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <random>

#include "raster/row_encoding.h"
#include "raster_testing.h"
#include "support/run_binary.h"

namespace tlmaper {
namespace {

namespace fs = std::filesystem;
using testing::CapturedStdout;
using testing::Hex;
using testing::Le16;
using testing::Le32;
using testing::ReadFileBytes;
using testing::ScratchDirectory;
using testing::WriteFileBytes;

const std::string WriteError = "Picture Error: Could not write proper amount of data.\n";

PixelQuad Rgb(int red, int green, int blue) {
  return PixelQuad{uint8_t(blue), uint8_t(green), uint8_t(red), 0};
}

std::unique_ptr<RasterImage> MakeImage(int32_t bits, int32_t width, int32_t height) {
  auto image = std::make_unique<RasterImage>();
  EXPECT_TRUE(image->SetBitsPerPixel(bits));
  EXPECT_TRUE(image->SetDimensions(width, height));
  return image;
}

// Writes the image into a scratch directory and returns the file's bytes; the write
// must succeed silently and leave nothing but the file.
std::string Written(RasterImage& image) {
  ScratchDirectory dir;
  const std::string path = (dir / "image.bmp").string();
  const std::string out = CapturedStdout([&] { EXPECT_TRUE(image.BmpWriter(path)); });
  EXPECT_EQ(out, "");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u);
  return ReadFileBytes(path);
}

std::vector<std::string> DirectoryNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(BmpWriter, FileSizesAndPixelOffsetsAtEveryDepth) {
  struct Case {
    int32_t bits, width, height;
    uint32_t offBits, size;
  };
  const Case cases[] = {
      {24, 1, 1, 54, 58}, {24, 2, 2, 54, 70},    {24, 66, 66, 54, 13254}, {32, 1, 1, 54, 58},
      {16, 3, 1, 66, 74}, {8, 5, 1, 1078, 1086}, {4, 3, 1, 118, 122},     {1, 10, 1, 62, 66},
  };
  for (const Case& c : cases) {
    auto image = MakeImage(c.bits, c.width, c.height);
    const std::string bytes = Written(*image);
    EXPECT_EQ(bytes.size(), c.size) << c.bits << " bits " << c.width << " x " << c.height;
    EXPECT_EQ(Le32(bytes, 2), c.size);
    EXPECT_EQ(Le32(bytes, 10), c.offBits);
    EXPECT_EQ(Le32(bytes, 34), c.size - c.offBits);
  }
}

TEST(BmpWriter, HeaderFieldsAndSizesAtEveryDepth) {
  for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
    for (int32_t width = 1; width <= 17; ++width) {
      for (int32_t height = 1; height <= 3; ++height) {
        auto image = MakeImage(bits, width, height);
        const std::string bytes = Written(*image);
        const uint32_t rowBytes = (uint32_t(bits) * uint32_t(width) + 7) / 8;
        const uint32_t rowSize = (rowBytes + 3) / 4 * 4;
        const uint32_t tableBytes = bits <= 8 ? 4u << bits : bits == 16 ? 12u : 0u;
        const uint32_t offBits = 54 + tableBytes;
        SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(width) + " x " +
                     std::to_string(height));
        ASSERT_EQ(bytes.size(), offBits + rowSize * uint32_t(height));
        EXPECT_EQ(bytes.substr(0, 2), "BM");
        EXPECT_EQ(Le32(bytes, 2), bytes.size());
        EXPECT_EQ(Le16(bytes, 6), 0u);
        EXPECT_EQ(Le16(bytes, 8), 0u);
        EXPECT_EQ(Le32(bytes, 10), offBits);
        EXPECT_EQ(Le32(bytes, 14), 40u);
        EXPECT_EQ(Le32(bytes, 18), uint32_t(width));
        EXPECT_EQ(Le32(bytes, 22), uint32_t(height));
        EXPECT_EQ(Le16(bytes, 26), 1u);
        EXPECT_EQ(Le16(bytes, 28), uint32_t(bits));
        EXPECT_EQ(Le32(bytes, 30), bits == 16 ? 3u : 0u);
        EXPECT_EQ(Le32(bytes, 34), rowSize * uint32_t(height));
        EXPECT_EQ(Le32(bytes, 38), 3780u);
        EXPECT_EQ(Le32(bytes, 42), 3780u);
        EXPECT_EQ(Le32(bytes, 46), 0u);
        EXPECT_EQ(Le32(bytes, 50), 0u);
        // Padding bytes are zero in every row.
        for (int32_t row = 0; row < height; ++row) {
          for (uint32_t pad = rowBytes; pad < rowSize; ++pad) {
            EXPECT_EQ(bytes[offBits + row * rowSize + pad], '\0');
          }
        }
      }
    }
  }
}

TEST(BmpWriter, ExactHeaderOfA24BitFile) {
  auto image = MakeImage(24, 2, 2);
  const std::string bytes = Written(*image);
  EXPECT_EQ(Hex(bytes.substr(0, 54)),
            "42 4D 46 00 00 00 00 00 00 00 36 00 00 00 28 00 00 00 02 00 00 00 02 00 00 00 01 "
            "00 18 00 00 00 00 00 10 00 00 00 C4 0E 00 00 C4 0E 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(Hex(bytes.substr(54)), "FF FF FF FF FF FF 00 00 FF FF FF FF FF FF 00 00");
}

TEST(BmpWriter, OneWhitePixel) {
  RasterImage image;  // never sized: the construction pixel
  const std::string bytes = Written(image);
  ASSERT_EQ(bytes.size(), 58u);
  EXPECT_EQ(Hex(bytes.substr(54)), "FF FF FF 00");
}

TEST(BmpWriter, RowsAreStoredBottomUp) {
  auto image = MakeImage(24, 1, 2);
  image->PixelAt(0, 0) = Rgb(255, 0, 0);
  image->PixelAt(0, 1) = Rgb(0, 0, 255);
  EXPECT_EQ(Hex(Written(*image).substr(54)), "FF 00 00 00 00 00 FF 00");

  auto three = MakeImage(24, 2, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 2; ++x) three->PixelAt(x, y) = Rgb(16 * y + x, 0, 0);
  }
  EXPECT_EQ(Hex(Written(*three).substr(54)),
            "00 00 20 00 00 21 00 00 00 00 10 00 00 11 00 00 00 00 00 00 00 01 00 00");
}

TEST(BmpWriter, ThirtyTwoBitsWriteAllFourBytes) {
  auto image = MakeImage(32, 2, 1);
  image->PixelAt(0, 0) = PixelQuad{1, 2, 3, 4};
  image->PixelAt(1, 0) = PixelQuad{250, 251, 252, 253};
  const std::string bytes = Written(*image);
  EXPECT_EQ(Le32(bytes, 30), 0u);
  EXPECT_EQ(Hex(bytes.substr(54)), "01 02 03 04 FA FB FC FD");
}

TEST(BmpWriter, TwentyFourBitRowsOfEveryWidth) {
  // The encoder works four pixels at a time; every remainder and padding is checked.
  std::mt19937 random(3);
  for (int32_t width = 1; width <= 13; ++width) {
    auto image = MakeImage(24, width, 2);
    std::string expected[2];
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < width; ++x) {
        const PixelQuad p{uint8_t(random()), uint8_t(random()), uint8_t(random()),
                          uint8_t(random())};
        image->PixelAt(x, y) = p;
        expected[y] += std::string{char(p.blue), char(p.green), char(p.red)};
      }
      expected[y].resize((expected[y].size() + 3) / 4 * 4, '\0');
    }
    EXPECT_EQ(Hex(Written(*image).substr(54)), Hex(expected[1] + expected[0])) << width;
  }
}

TEST(EncodeRow24, BothVersionsWriteExactlyTheTriples) {
  std::mt19937 random(17);
  for (int32_t width = 0; width <= 70; ++width) {
    std::vector<PixelQuad> row(size_t(width) + 1);
    std::string expected;
    for (int32_t x = 0; x < width; ++x) {
      row[x] =
          PixelQuad{uint8_t(random()), uint8_t(random()), uint8_t(random()), uint8_t(random())};
      expected += std::string{char(row[x].blue), char(row[x].green), char(row[x].red)};
    }
    for (auto encode : {EncodeRow24, EncodeRow24Portable}) {
      std::string out(3 * size_t(width) + 32, '\x5A');  // guard bytes after the triples
      encode(row.data(), width, reinterpret_cast<uint8_t*>(out.data()));
      EXPECT_EQ(Hex(out), Hex(expected + std::string(32, '\x5A'))) << width;
    }
  }
}

TEST(BmpWriter, SixteenBitMasksAndValues) {
  auto image = MakeImage(16, 3, 2);
  image->PixelAt(0, 0) = Rgb(255, 255, 255);
  image->PixelAt(1, 0) = Rgb(8, 4, 8);
  image->PixelAt(2, 0) = Rgb(0, 0, 0);
  image->PixelAt(0, 1) = Rgb(0xF8, 0, 0);
  image->PixelAt(1, 1) = Rgb(0, 0xFC, 0);
  image->PixelAt(2, 1) = Rgb(7, 3, 0xFF);
  const std::string bytes = Written(*image);
  EXPECT_EQ(Le32(bytes, 30), 3u);
  EXPECT_EQ(Hex(bytes.substr(54, 12)), "00 F8 00 00 E0 07 00 00 1F 00 00 00");
  EXPECT_EQ(Hex(bytes.substr(66)), "00 F8 E0 07 1F 00 00 00 FF FF 21 08 00 00 00 00");
}

TEST(BmpWriter, EightBitIndicesAndTable) {
  auto image = MakeImage(8, 5, 1);
  image->PixelAt(0, 0) = Rgb(128, 128, 128);
  image->PixelAt(1, 0) = Rgb(100, 100, 100);
  image->PixelAt(2, 0) = Rgb(255, 255, 255);
  image->PixelAt(3, 0) = Rgb(0, 0, 0);
  image->PixelAt(4, 0) = Rgb(166, 202, 240);
  const std::string bytes = Written(*image);
  ASSERT_EQ(bytes.size(), 1086u);
  EXPECT_EQ(Hex(bytes.substr(1078)), "A4 9B FF 00 09 00 00 00");
  for (int k = 0; k < 256; ++k) {
    const PixelQuad entry = image->PaletteEntry(k);
    EXPECT_EQ(Hex(bytes.substr(54 + 4 * k, 4)),
              Hex(std::string{char(entry.blue), char(entry.green), char(entry.red), '\0'}))
        << k;
  }
  EXPECT_EQ(Hex(bytes.substr(54 + 4 * 9, 4)), "F0 CA A6 00");
}

TEST(BmpWriter, FourBitNibbles) {
  auto image = MakeImage(4, 3, 1);
  image->PixelAt(0, 0) = Rgb(200, 200, 200);  // 8
  image->PixelAt(1, 0) = Rgb(64, 0, 0);       // 0 (tie with 1)
  image->PixelAt(2, 0) = Rgb(255, 0, 0);      // 9
  const std::string bytes = Written(*image);
  ASSERT_EQ(bytes.size(), 122u);
  EXPECT_EQ(Hex(bytes.substr(118)), "80 90 00 00");
  EXPECT_EQ(Hex(bytes.substr(54 + 4 * 8, 8)), "C0 C0 C0 00 00 00 FF 00");

  auto wide = MakeImage(4, 4, 1);
  for (int x = 0; x < 4; ++x) wide->PixelAt(x, 0) = Rgb(x & 1 ? 255 : 0, 255, 0);  // 10, 11
  EXPECT_EQ(Hex(Written(*wide).substr(118)), "AB AB 00 00");
}

TEST(BmpWriter, OneBitRows) {
  auto image = MakeImage(1, 10, 1);
  const int bits[10] = {0, 1, 1, 0, 1, 0, 0, 1, 1, 0};
  for (int x = 0; x < 10; ++x) {
    image->PixelAt(x, 0) = bits[x] ? (x % 2 ? Rgb(255, 255, 0) : Rgb(200, 200, 200))
                                   : (x % 2 ? Rgb(255, 0, 0) : Rgb(0, 0, 0));
  }
  const std::string bytes = Written(*image);
  ASSERT_EQ(bytes.size(), 66u);
  EXPECT_EQ(Hex(bytes.substr(54, 8)), "00 00 00 00 FF FF FF 00");
  EXPECT_EQ(Hex(bytes.substr(62)), "69 80 00 00");
}

TEST(BmpWriter, UniformRowsAndDrawnRowsGiveTheSameBytes) {
  // Rows never drawn on are written from the uniform colour; the bytes must be those of
  // rows holding that colour pixel by pixel.
  for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
    for (int32_t width : {1, 2, 3, 5, 8, 9, 31}) {
      auto lazy = MakeImage(bits, width, 3);
      auto drawn = MakeImage(bits, width, 3);
      const PixelQuad colour{200, 30, 90, 0};
      lazy->PaintAll(colour);
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < width; ++x) drawn->PixelAt(x, y) = colour;
      }
      lazy->PixelAt(0, 1) = Rgb(1, 2, 3);
      drawn->PixelAt(0, 1) = Rgb(1, 2, 3);
      EXPECT_TRUE(lazy->RowIsUniform(0));
      EXPECT_EQ(Written(*lazy), Written(*drawn)) << bits << " bits, width " << width;
    }
  }
}

TEST(BmpWriter, DirectoryThatDoesNotExist) {
  ScratchDirectory dir;
  auto image = MakeImage(24, 4, 4);
  const std::string path = (dir / "missing" / "map.bmp").string();
  const std::string out = CapturedStdout([&] { EXPECT_FALSE(image->BmpWriter(path)); });
  EXPECT_EQ(out, "Picture Error: Cannot open file " + path + " for output.\n");
  EXPECT_TRUE(DirectoryNames(dir.path()).empty());
}

TEST(BmpWriter, FileTooLargeForTheFormatIsRefusedBeforeAnythingIsCreated) {
  ScratchDirectory dir;
  auto image = MakeImage(32, 32768, 32768);  // 4 GiB of rows: bfSize above 2^32 - 1
  WriteFileBytes(dir / "map.bmp", "old map");
  const std::string out =
      CapturedStdout([&] { EXPECT_FALSE(image->BmpWriter((dir / "map.bmp").string())); });
  EXPECT_EQ(out, "Picture Error: Image is too large for the BMP format.\n");
  EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string>{"map.bmp"});
  EXPECT_EQ(ReadFileBytes(dir / "map.bmp"), "old map");
  EXPECT_TRUE(image->RowIsUniform(0));
}

// Runs `action` with standard output going into a pipe (regular files, which gtest's own
// capture uses, are subject to the file-size limit under test) and returns the output.
std::string PipedStdout(const std::function<void()>& action) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  dup2(fds[1], STDOUT_FILENO);
  close(fds[1]);
  action();
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, size_t(n));
  close(fds[0]);
  return text;
}

// Writes `image` over an existing target with the file size limited to `limit` bytes
// (a disk that fills up part-way): the write fails once, the target keeps its old
// contents and no temporary file is left.
void ExpectShortWriteKeepsTheOldFile(RasterImage& image, rlim_t limit) {
  ScratchDirectory dir;
  const std::string path = (dir / "map.bmp").string();
  const std::string old(5000, 'o');
  WriteFileBytes(path, old);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tight = saved;
  tight.rlim_cur = limit;
  bool written = true;
  const std::string out = PipedStdout([&] {
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    written = image.BmpWriter(path);
    setrlimit(RLIMIT_FSIZE, &saved);
  });
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(out, WriteError);
  EXPECT_EQ(ReadFileBytes(path), old);
  EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string>{"map.bmp"});
}

TEST(BmpWriter, ShortWriteInTheHeadersOrAtTheFinalFlush) {
  RasterImage image;  // 58 bytes, all of them still in the stream's buffer at the end
  ExpectShortWriteKeepsTheOldFile(image, 40);
  auto eight = MakeImage(8, 4, 4);  // the colour table crosses the limit
  ExpectShortWriteKeepsTheOldFile(*eight, 300);
}

TEST(BmpWriter, ShortWriteInTheRows) {
  for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    auto image = MakeImage(bits, 2000, 200);
    image->PixelAt(5, 5) = Rgb(1, 2, 3);
    ExpectShortWriteKeepsTheOldFile(*image, 20000);
  }
}

TEST(BmpWriter, ATargetThatIsADirectoryCannotBeOpened) {
  ScratchDirectory dir;
  fs::create_directories(dir / "map.bmp" / "inside");
  auto image = MakeImage(24, 3, 3);
  const std::string path = (dir / "map.bmp").string();
  const std::string out = CapturedStdout([&] { EXPECT_FALSE(image->BmpWriter(path)); });
  EXPECT_EQ(out, "Picture Error: Cannot open file " + path + " for output.\n");
  EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string>{"map.bmp"});
  EXPECT_TRUE(fs::is_directory(dir / "map.bmp" / "inside"));
}

TEST(BmpWriter, ReplacesAnExistingFileWhole) {
  ScratchDirectory dir;
  const std::string path = (dir / "map.bmp").string();
  WriteFileBytes(path, std::string(100000, 'x'));
  auto image = MakeImage(24, 1, 1);
  EXPECT_EQ(CapturedStdout([&] { EXPECT_TRUE(image->BmpWriter(path)); }), "");
  EXPECT_EQ(ReadFileBytes(path).size(), 58u);
  EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string>{"map.bmp"});
}

TEST(BmpWriter, RelativeNamesAndNamesWithSpaces) {
  ScratchDirectory dir;
  const fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  auto image = MakeImage(24, 2, 1);
  EXPECT_TRUE(image->BmpWriter("my map.bmp"));
  fs::current_path(previous);
  EXPECT_EQ(ReadFileBytes(dir / "my map.bmp").size(), 62u);
}

}  // namespace
}  // namespace tlmaper
