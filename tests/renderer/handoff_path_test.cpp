#include "handoff_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class HandoffPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tv-handoff-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_root = pattern;
  }
  void TearDown() override { fs::remove_all(m_root); }
  fs::path m_root;
};

TEST_F(HandoffPathTest, FolderFollowsDriveCThenCacheThenHome) {
  setenv("TUMBLEVIEW_DRIVE_C", "/x/drive", 1);
  EXPECT_EQ(tumbleview::HandoffBitmapPath(), fs::path("/x/drive/Tumbleview.bmp"));
  setenv("TUMBLEVIEW_DRIVE_C", "", 1);
  setenv("XDG_CACHE_HOME", "/x/cache", 1);
  EXPECT_EQ(tumbleview::HandoffFolder(), fs::path("/x/cache/tumbleview"));
  unsetenv("XDG_CACHE_HOME");
  setenv("HOME", "/x/home", 1);
  EXPECT_EQ(tumbleview::HandoffFolder(), fs::path("/x/home/.cache/tumbleview"));
  unsetenv("TUMBLEVIEW_DRIVE_C");
}

TEST_F(HandoffPathTest, CreatesMissingFolderPrivate) {
  const fs::path folder = m_root / "a" / "b";
  ASSERT_TRUE(tumbleview::EnsurePrivateFolder(folder));
  struct stat info {};
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(HandoffPathTest, RefusesFoldersOthersCouldTamperWith) {
  const fs::path open = m_root / "open";
  fs::create_directory(open);
  chmod(open.c_str(), 0777);
  std::string why;
  EXPECT_FALSE(tumbleview::EnsurePrivateFolder(open, &why));
  EXPECT_EQ(why, "folder is accessible to group or others");
  // The folder is reported, not repaired.
  struct stat info {};
  stat(open.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0777u);

  const fs::path target = m_root / "target";
  fs::create_directory(target);
  chmod(target.c_str(), 0700);
  const fs::path link = m_root / "link";
  fs::create_directory_symlink(target, link);
  EXPECT_FALSE(tumbleview::EnsurePrivateFolder(link, &why));
  EXPECT_EQ(why, "folder is a symbolic link");

  const fs::path file = m_root / "file";
  { FILE* f = fopen(file.c_str(), "w"); fclose(f); }
  EXPECT_FALSE(tumbleview::EnsurePrivateFolder(file, &why));
  EXPECT_EQ(why, "not a directory");
}

}  // namespace
