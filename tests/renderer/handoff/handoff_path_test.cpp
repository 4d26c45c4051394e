#include "handoff_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

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

}  // namespace
