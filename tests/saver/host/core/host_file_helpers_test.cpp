// FileExists, FolderOf and the saver's own folder.
#include "file_helpers.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "host_test_files.h"
#include "program_paths.h"

namespace tv = tumbleview;

namespace {

TEST(FileHelpers, FileExistsOnlyForReadableRegularFiles) {
  host_test::TempFolder folder;
  const std::string file = folder / "a.jpg";
  host_test::writeBytes(file, "x");
  const std::string empty = folder / "empty.bmp";
  host_test::writeBytes(empty, "");
  const std::string dir = folder / "dir";
  std::filesystem::create_directory(dir);
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string loop = folder / "loop";
  std::filesystem::create_symlink(loop, loop);
  const std::string dangling = folder / "dangling";
  std::filesystem::create_symlink(folder / "nothing", dangling);
  const std::string link = folder / "link";
  std::filesystem::create_symlink(file, link);

  const struct { std::string path; bool expected; } rows[] = {
      {file, true},         {file + "/", true},  {empty, true},         {link, true},
      {dir, false},         {dir + "/", false},  {folder / "missing", false},
      {"", false},          {"/", false},        {fifo, false},         {loop, false},
      {dangling, false},    {"/dev/null", false}, {file + "//", false},
  };
  errno = 0;
  for (const auto& row : rows) EXPECT_EQ(tv::FileExists(row.path), row.expected) << "'" << row.path << "'";
  EXPECT_EQ(errno, 0) << "the failure must not reach the caller";
}

TEST(FileHelpers, FileExistsFalseForUnreadableFile) {
  host_test::TempFolder folder;
  const std::string file = folder / "secret.jpg";
  host_test::writeBytes(file, "x");
  chmod(file.c_str(), 0);
  const host_test::FilePermissionsEnforced enforced;
  if (!enforced.active() && geteuid() == 0) GTEST_SKIP() << "cannot give up root's permission override";
  EXPECT_FALSE(tv::FileExists(file));
}

TEST(FileHelpers, FolderOfKeepsEverythingBeforeTheLastSlash) {
  const struct { const char *path, *folder; } rows[] = {
      {"/home/u/Pictures/a.jpg", "/home/u/Pictures"},
      {"/a.jpg", "/"},
      {"a.jpg", ""},
      {"", ""},
      {"sub/a.jpg", "sub"},
      {"/home/u/dir/", "/home/u/dir"},
      {"/home/u/c:d.jpg", "/home/u"},       // ':' is a file-name character here
      {"/home/u/a\\b.jpg", "/home/u"},      // and so is '\'
      {"//server/share/a.jpg", "//server/share"},
      {"/画像/ﾌｧｲﾙ.bmp", "/画像"},
  };
  for (const auto& row : rows) EXPECT_EQ(tv::FolderOf(row.path), row.folder) << row.path;
}

TEST(ProgramPaths, SaverFolderIsTheExecutablesFolder) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(tv::saverFolder(), exe.parent_path().string());
  tv::setSaverFolderForTesting("/");
  EXPECT_EQ(tv::saverFolder(), "/");
  EXPECT_EQ(tv::pathInFolder(tv::saverFolder(), "Tumbleview.ini"), "//Tumbleview.ini");
  tv::setSaverFolderForTesting(std::nullopt);
  EXPECT_EQ(tv::saverFolder(), exe.parent_path().string());
}

}  // namespace
