#include "handoff.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bmp_decoder.h"
#include "failing_file_step.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
namespace tv = tumbleview;

namespace {

unsigned modeOf(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : ~0u;
}

TEST(HandoffPath, FolderFollowsDriveCThenCacheThenHome) {
  setenv("TUMBLEVIEW_DRIVE_C", "/x/drive", 1);
  EXPECT_EQ(tv::handoffBitmapPath(), fs::path("/x/drive/Tumbleview.bmp"));
  setenv("TUMBLEVIEW_DRIVE_C", "", 1);
  setenv("XDG_CACHE_HOME", "/x/cache", 1);
  EXPECT_EQ(tv::handoffFolder(), fs::path("/x/cache/tumbleview"));
  unsetenv("XDG_CACHE_HOME");
  setenv("HOME", "/x/home", 1);
  EXPECT_EQ(tv::handoffFolder(), fs::path("/x/home/.cache/tumbleview"));
  unsetenv("TUMBLEVIEW_DRIVE_C");
}

// A missing folder is made private; one others could tamper with is
// reported, not repaired.
TEST(HandoffPath, MakesMissingFolderPrivateAndRefusesOthers) {
  const tv::test::TempFolder temp;
  const fs::path& root = temp.path();
  fs::create_directory(root / "open");
  chmod((root / "open").c_str(), 0777);
  fs::create_directory_symlink(root, root / "link");
  tv::test::writeFile(root / "file", {});
  for (const auto& [name, why] : {std::pair{"a/b", ""}, {"open", "folder is accessible to group or others"},
                                  {"link", "folder is a symbolic link"}, {"file", "not a directory"}}) {
    std::string reason;
    EXPECT_EQ(tv::ensurePrivateFolder(root / name, &reason), why[0] == 0) << name;
    EXPECT_EQ(reason, why);
  }
  EXPECT_EQ(modeOf(root / "a/b"), 0700u);
  EXPECT_EQ(modeOf(root / "open"), 0777u);
}

TEST(HandoffPath, RendererGetsNoPathFromAFolderOthersCouldWriteTo) {
  const tv::test::TempFolder temp;
  setenv("TUMBLEVIEW_DRIVE_C", temp.path().c_str(), 1);
  for (const auto& [mode, usable] : {std::pair{0700, true}, {0755, false}, {0770, false}}) {
    chmod(temp.path().c_str(), static_cast<mode_t>(mode));
    EXPECT_EQ(tv::privateHandoffBitmapPath().empty(), !usable) << std::oct << mode;
  }
  chmod(temp.path().c_str(), 0700);
  unsetenv("TUMBLEVIEW_DRIVE_C");
}

// QImage-style rows: wider stride than the pixels, junk in the alpha byte,
// every pixel a different colour.
struct Pixels {
  int width, height;
  std::vector<std::uint32_t> words;
  Pixels(int w, int h) : width(w), height(h), words(static_cast<std::size_t>((w + 1) * h)) {
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = 0xA5000000u | (0x0F0E0Du * (i + 1));
  }
  tv::Xrgb32Rows rows() const { return {width, height, reinterpret_cast<const std::uint8_t*>(words.data()), 4 * (width + 1)}; }
};

TEST(HandoffBitmap, WritesA24BitBitmapTheRendererDecodesToTheSamePixels) {
  const tv::test::TempFolder temp;
  const fs::path drive = temp.path() / "drive";
  setenv("TUMBLEVIEW_DRIVE_C", drive.c_str(), 1);
  for (int width : {1, 2, 3, 4}) {  // every amount of row padding
    const Pixels pixels(width, 3);
    ASSERT_TRUE(tv::writeHandoffBitmap(pixels.rows()));
    const std::vector<std::uint8_t> bytes = tv::test::readFile(drive / "Tumbleview.bmp");
    ASSERT_EQ(bytes.size(), 54u + (width * 3 + 3) / 4 * 4 * 3u);
    EXPECT_EQ(bytes[28], 24);  // bits per pixel
    const auto decoded = tv::decodeDib(bytes);
    ASSERT_EQ(decoded.status, tv::DibStatus::kOk);
    std::vector<std::uint8_t> expected;  // bottom row first
    for (int y = 2; y >= 0; --y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = pixels.words[static_cast<std::size_t>(y * (width + 1) + x)];
        expected.insert(expected.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
      }
    }
    EXPECT_EQ(std::vector<std::uint8_t>(decoded.image.pixels.begin(), decoded.image.pixels.end()), expected);
  }
  unsetenv("TUMBLEVIEW_DRIVE_C");
  EXPECT_EQ(modeOf(drive / "Tumbleview.bmp"), 0600u);  // a desktop capture is private
  EXPECT_EQ(std::distance(fs::directory_iterator(drive), {}), 1) << "a temporary file stayed";
}

TEST(HandoffBitmap, ReplacesAPlantedLinkInsteadOfFollowingIt) {
  const tv::test::TempFolder temp;
  const fs::path victim = temp.write("victim.txt", {'k', 'e', 'e', 'p'});
  const fs::path file = temp.path() / "Tumbleview.bmp";
  fs::create_symlink(victim, file);
  ASSERT_TRUE(tv::writeBitmapFile(file, Pixels(2, 2).rows()));
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(tv::test::readFile(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST(HandoffBitmap, AFailedWriteKeepsTheEarlierFileAndLeavesNothingBehind) {
  const tv::test::TempFolder temp;
  const std::vector<std::uint8_t> earlier{'o', 'l', 'd'};
  const fs::path file = temp.write("Tumbleview.bmp", earlier);
  using tv::test::FileStep;
  for (const FileStep step : {FileStep::Create, FileStep::Write, FileStep::Rename}) {
    const tv::test::FailingFileStep failing(step);
    EXPECT_FALSE(tv::writeBitmapFile(file, Pixels(3, 2).rows()));
  }
  // Nothing to write, or more than the format's 32-bit sizes can describe.
  for (const auto& [width, height] : {std::pair{0, 5}, {5, 0}, {40000, 40000}}) {
    EXPECT_FALSE(tv::writeBitmapFile(file, {width, height, earlier.data(), 4 * width}));
  }
  EXPECT_EQ(tv::test::readFile(file), earlier);
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), {}), 1);
}

}  // namespace
