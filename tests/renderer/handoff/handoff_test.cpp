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

namespace {

TEST(HandoffPath, FolderFollowsDriveCThenCacheThenHome) {
  setenv("TUMBLEVIEW_DRIVE_C", "/x/drive", 1);
  EXPECT_EQ(tumbleview::handoffBitmapPath(), fs::path("/x/drive/Tumbleview.bmp"));
  setenv("TUMBLEVIEW_DRIVE_C", "", 1);
  setenv("XDG_CACHE_HOME", "/x/cache", 1);
  EXPECT_EQ(tumbleview::handoffFolder(), fs::path("/x/cache/tumbleview"));
  unsetenv("XDG_CACHE_HOME");
  setenv("HOME", "/x/home", 1);
  EXPECT_EQ(tumbleview::handoffFolder(), fs::path("/x/home/.cache/tumbleview"));
  unsetenv("TUMBLEVIEW_DRIVE_C");
}

TEST(HandoffPath, CreatesMissingFolderPrivate) {
  const tumbleview::test::TempFolder root;
  const fs::path folder = root.path() / "a" / "b";
  ASSERT_TRUE(tumbleview::ensurePrivateFolder(folder));
  struct stat info {};
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(HandoffPath, RefusesFoldersOthersCouldTamperWith) {
  const tumbleview::test::TempFolder temp;
  const fs::path& root = temp.path();
  const fs::path open = root / "open";
  fs::create_directory(open);
  chmod(open.c_str(), 0777);
  std::string why;
  EXPECT_FALSE(tumbleview::ensurePrivateFolder(open, &why));
  EXPECT_EQ(why, "folder is accessible to group or others");
  // The folder is reported, not repaired.
  struct stat info {};
  stat(open.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0777u);

  const fs::path target = root / "target";
  fs::create_directory(target);
  chmod(target.c_str(), 0700);
  const fs::path link = root / "link";
  fs::create_directory_symlink(target, link);
  EXPECT_FALSE(tumbleview::ensurePrivateFolder(link, &why));
  EXPECT_EQ(why, "folder is a symbolic link");

  const fs::path file = root / "file";
  tumbleview::test::writeFile(file, {});
  EXPECT_FALSE(tumbleview::ensurePrivateFolder(file, &why));
  EXPECT_EQ(why, "not a directory");
}

TEST(HandoffPath, RendererGetsNoPathFromAFolderOthersCouldWriteTo) {
  const tumbleview::test::TempFolder temp;
  setenv("TUMBLEVIEW_DRIVE_C", temp.path().c_str(), 1);
  for (const auto& [mode, usable] : {std::pair{0700, true}, {0755, false}, {0770, false}}) {
    chmod(temp.path().c_str(), static_cast<mode_t>(mode));
    EXPECT_EQ(tumbleview::privateHandoffBitmapPath().empty(), !usable) << std::oct << mode;
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
  tumbleview::Xrgb32Rows rows() const {
    return {width, height, reinterpret_cast<const std::uint8_t*>(words.data()), 4 * (width + 1)};
  }
  // The R, G, B bytes the decoder gives, bottom row first.
  std::vector<std::uint8_t> rgbBottomUp() const {
    std::vector<std::uint8_t> out;
    for (int y = height - 1; y >= 0; --y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = words[static_cast<std::size_t>(y * (width + 1) + x)];
        out.insert(out.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
      }
    }
    return out;
  }
};

TEST(HandoffBitmap, WritesA24BitBitmapTheRendererDecodesToTheSamePixels) {
  const tumbleview::test::TempFolder temp;
  const fs::path drive = temp.path() / "drive";
  const fs::path file = drive / "Tumbleview.bmp";
  setenv("TUMBLEVIEW_DRIVE_C", drive.c_str(), 1);
  for (int width : {1, 2, 3, 4}) {  // every amount of row padding
    const Pixels pixels(width, 3);
    ASSERT_TRUE(tumbleview::writeHandoffBitmap(pixels.rows()));
    const std::vector<std::uint8_t> bytes = tumbleview::test::readFile(file);
    ASSERT_EQ(bytes.size(), 54u + (width * 3 + 3) / 4 * 4 * 3u);
    EXPECT_EQ(bytes[28], 24);  // bits per pixel
    const auto decoded = tumbleview::decodeDib(bytes);
    ASSERT_EQ(decoded.status, tumbleview::DibStatus::kOk);
    EXPECT_EQ(std::vector<std::uint8_t>(decoded.image.pixels.begin(), decoded.image.pixels.end()),
              pixels.rgbBottomUp());
  }
  unsetenv("TUMBLEVIEW_DRIVE_C");
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // a desktop capture is private
  EXPECT_EQ(std::distance(fs::directory_iterator(drive), {}), 1) << "a temporary file stayed";
}

TEST(HandoffBitmap, ReplacesAPlantedLinkInsteadOfFollowingIt) {
  const tumbleview::test::TempFolder temp;
  const fs::path victim = temp.path() / "victim.txt";
  tumbleview::test::writeFile(victim, {'k', 'e', 'e', 'p'});
  const fs::path file = temp.path() / "Tumbleview.bmp";
  fs::create_symlink(victim, file);
  ASSERT_TRUE(tumbleview::writeBitmapFile(file, Pixels(2, 2).rows()));
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(tumbleview::test::readFile(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST(HandoffBitmap, AFailedWriteKeepsTheEarlierFileAndLeavesNothingBehind) {
  const tumbleview::test::TempFolder temp;
  const fs::path file = temp.path() / "Tumbleview.bmp";
  const std::vector<std::uint8_t> earlier{'o', 'l', 'd'};
  using tumbleview::test::FileStep;
  for (const FileStep step : {FileStep::Create, FileStep::Write, FileStep::Rename}) {
    tumbleview::test::writeFile(file, earlier);
    {
      const tumbleview::test::FailingFileStep failing(step);
      EXPECT_FALSE(tumbleview::writeBitmapFile(file, Pixels(3, 2).rows()));
    }
    EXPECT_EQ(tumbleview::test::readFile(file), earlier);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), {}), 1);
  }
  // Nothing to write, or more than the format's 32-bit sizes can describe.
  for (const auto& [width, height] : {std::pair{0, 5}, {5, 0}, {40000, 40000}}) {
    EXPECT_FALSE(tumbleview::writeBitmapFile(file, {width, height, earlier.data(), 4 * width}));
  }
  EXPECT_EQ(tumbleview::test::readFile(file), earlier);
}

}  // namespace
