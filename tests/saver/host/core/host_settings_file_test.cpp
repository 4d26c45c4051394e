// The settings file: exact key bytes, round trips and every load rule; and
// the file helpers it stands on (FileExists, FolderOf, the saver's folder).
#include "settings_file.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "file_helpers.h"
#include "iconv_cp932.h"
#include "profile_file.h"
#include "program_paths.h"
#include "temp_folder.h"

namespace tv = tumbleview;
using tv::test::readBytes;
using tv::test::TempFolder;
using tv::test::writeBytes;

namespace {

std::string sjis(const std::string& utf8) { return tv::utf8ToCp932(utf8).bytes; }

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(FileHelpers, FileExistsOnlyForReadableRegularFiles) {
  TempFolder folder;
  const std::string file = folder / "a.jpg", empty = folder / "empty.bmp", secret = folder / "secret.jpg";
  writeBytes(file, "x");
  writeBytes(empty, "");
  writeBytes(secret, "x");
  chmod(secret.c_str(), 0);
  const std::string dir = folder / "dir", fifo = folder / "fifo", loop = folder / "loop";
  std::filesystem::create_directory(dir);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink(loop, loop);
  const std::string dangling = folder / "dangling", link = folder / "link";
  std::filesystem::create_symlink(folder / "nothing", dangling);
  std::filesystem::create_symlink(file, link);

  const struct { std::string path; bool expected; } rows[] = {
      {file, true},      {file + "/", true},   {empty, true},               {link, true},
      {dir, false},      {dir + "/", false},   {folder / "missing", false}, {"", false},
      {"/", false},      {fifo, false},        {loop, false},               {dangling, false},
      {"/dev/null", false}, {file + "//", false},
  };
  errno = 0;
  for (const auto& row : rows) EXPECT_EQ(tv::FileExists(row.path), row.expected) << "'" << row.path << "'";
  EXPECT_EQ(errno, 0) << "the failure must not reach the caller";
  const tv::test::FilePermissionsEnforced permissions;
  if (permissions.inForce()) { EXPECT_FALSE(tv::FileExists(secret)) << "unreadable"; }
}

TEST(FileHelpers, FolderOfKeepsEverythingBeforeTheLastSlash) {
  const struct { const char *path, *folder; } rows[] = {
      {"/home/u/Pictures/a.jpg", "/home/u/Pictures"}, {"/a.jpg", "/"}, {"a.jpg", ""}, {"", ""}, {"sub/a.jpg", "sub"},
      {"/home/u/dir/", "/home/u/dir"},
      {"/home/u/c:d.jpg", "/home/u"},  // ':' is a file-name character here
      {"/home/u/a\\b.jpg", "/home/u"},  // and so is '\'
      {"//server/share/a.jpg", "//server/share"}, {"/画像/ﾌｧｲﾙ.bmp", "/画像"},
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

// Every field, comparable and printable in one go.
auto fields(const tv::SettingsRecord& s) {
  return std::tuple(s.PicKind, s.PicFile, s.PicDir, s.BgmKind, s.BgmRepeat, s.BgmFile, s.BgmDir);
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tv::setSaverFolderForTesting(m_dir);
    tv::Settings = {};
    tv::LastApiResult = -7;
  }
  void TearDown() override {
    tv::setSaverFolderForTesting(std::nullopt);
    tv::Settings = {};
  }
  // A settings file in CP932 with the given "key=value" lines (UTF-8).
  void writeSettings(const std::string& lines) { writeBytes(m_ini, sjis("[Section]\r\n" + lines)); }
  std::string makeFile(const std::string& name) {
    writeBytes(m_folder / name, "data");
    return m_folder / name;
  }
  void reload() {
    tv::Settings = {};
    tv::LoadSettings();
  }

  TempFolder m_folder;
  const std::string m_dir = m_folder.path().string(), m_ini = m_folder / "Tumbleview.ini";
};

TEST_F(SettingsFileTest, WritesTheFiveKeysInOrderAndReadsThemBack) {
  const std::string picture = makeFile("pic.jpg"), music = makeFile("song.mp3");
  tv::Settings = {1, picture, "/not/written", 2, -3, music, ""};
  tv::writeSettings();
  EXPECT_EQ(tv::LastApiResult, 1);
  EXPECT_EQ(tv::settingsFilePath(), m_ini);
  // The key names byte for byte as Windows writes them in CP932.
  EXPECT_EQ(readBytes(m_ini), "[Section]\r\n\x89\xE6\x91\x9C\x8B\xE6\x95\xAA= 1\r\n"
                              "\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9=" + picture + "\r\n"
                              "BGM\x8B\xE6\x95\xAA= 2\r\n"
                              "BGM\xD8\xCB\xDF\xB0\xC4=-3\r\n"
                              "BGM\xCC\xA7\xB2\xD9=" + music + "\r\n");
  reload();
  EXPECT_EQ(fields(tv::Settings), fields({1, picture, m_dir, 2, -3, music, m_dir}));
}

TEST_F(SettingsFileTest, LoadRules) {
  const std::string picture = makeFile("pic.bmp"), sub = m_folder / "sub", gone = m_folder / "deleted.bmp";
  std::filesystem::create_directory(sub);
  const std::string music = makeFile("sub/a.wav");
  const tv::SettingsRecord atStart{5, "old", "", 6, 7, "old", ""};
  const std::string& dir = m_dir;
  // Empty lines: no file at all.
  const struct { const char* name; std::string lines; tv::SettingsRecord expected; } rows[] = {
      {"no file: missing keys read as empty, so 0", "", {0, "", dir, 0, 0, "", dir}},
      {"empty values read as 0", "画像区分=\r\nBGM区分=\r\nBGMﾘﾋﾟｰﾄ=\r\n", {0, "", dir, 0, 0, "", dir}},
      {"numbers", "画像区分= 1\r\n画像ﾌｧｲﾙ=" + picture + "\r\nBGM区分= 1\r\nBGMﾘﾋﾟｰﾄ= 12\r\nBGMﾌｧｲﾙ=" + music,
       {1, picture, dir, 1, 12, music, sub}},
      {"rounded down", "画像区分=2.9\r\nBGM区分= -0.5\r\nBGMﾘﾋﾟｰﾄ=1.9", {2, "", dir, -1, 1, "", dir}},
      {"not numbers keep the field", "画像区分=abc\r\nBGM区分=1x\r\nBGMﾘﾋﾟｰﾄ=&Hzz", {5, "", dir, 6, 7, "", dir}},
      {"out of range keeps the field", "画像区分=32768\r\nBGM区分=-32769\r\nBGMﾘﾋﾟｰﾄ=1e9", {5, "", dir, 6, 7, "", dir}},
      {"range edges", "画像区分=32767.9\r\nBGM区分=-32768\r\nBGMﾘﾋﾟｰﾄ=&HFFFF", {32767, "", dir, -32768, -1, "", dir}},
      {"picture kind 1, file deleted", "画像区分=1\r\n画像ﾌｧｲﾙ=" + gone, {0, "", dir, 0, 0, "", dir}},
      {"picture kind 2 without file stays", "画像区分=2\r\n画像ﾌｧｲﾙ=" + gone, {2, "", dir, 0, 0, "", dir}},
      {"music kind 2, no file", "BGM区分=2\r\nBGMﾌｧｲﾙ=", {0, "", dir, 0, 0, "", dir}},
      {"music kind 1 keeps its kind", "BGM区分=1\r\nBGMﾌｧｲﾙ=" + gone, {0, "", dir, 1, 0, "", dir}},
      {"a folder is no file", "画像区分=1\r\n画像ﾌｧｲﾙ=" + sub + "/", {0, "", dir, 0, 0, "", dir}},
      {"key names fold case", "bgm区分=2\r\nbgmﾌｧｲﾙ=" + music, {0, "", dir, 2, 0, music, sub}},
  };
  for (const auto& row : rows) {
    std::filesystem::remove(m_ini);
    if (!row.lines.empty()) writeSettings(row.lines);
    tv::Settings = atStart;
    tv::LoadSettings();
    EXPECT_EQ(fields(tv::Settings), fields(row.expected)) << row.name;
  }
}

// 255 bytes hold 127 double-byte characters, never half of the 128th.
TEST_F(SettingsFileTest, ReadsAreCutAt255Bytes) {
  const std::string longPath = "/" + std::string(299, 'p');
  writeSettings("画像ﾌｧｲﾙ=" + longPath + "\r\nBGMﾌｧｲﾙ=" + repeat("画", 200) + "\r\n");
  EXPECT_EQ(tv::ReadIni(tv::kSettingsSection, tv::kKeyPicFile, m_ini), longPath.substr(0, 255));
  EXPECT_EQ(tv::ReadIni(tv::kSettingsSection, tv::kKeyBgmFile, m_ini), repeat("画", 127));
}

TEST_F(SettingsFileTest, WriteIniKeepsOtherLinesAndTheirOrder) {
  writeBytes(m_ini, sjis("; kept\r\n[Other]\r\nx=1\r\n[Section]\r\nBGM区分= 1\r\nz=last\r\n"));
  EXPECT_EQ(tv::WriteIni(tv::kSettingsSection, tv::kKeyPicKind, " 0", m_ini), "");
  EXPECT_EQ(tv::WriteIni(tv::kSettingsSection, tv::kKeyBgmKind, " 2", m_ini), "");
  EXPECT_EQ(tv::LastApiResult, 1);
  EXPECT_EQ(readBytes(m_ini),
            sjis("; kept\r\n[Other]\r\nx=1\r\n[Section]\r\nBGM区分= 2\r\nz=last\r\n画像区分= 0\r\n"));
}

TEST_F(SettingsFileTest, Utf16FileAndAccentedPathSurvive) {
  const std::string accented = makeFile("café ☕.jpg");
  tv::Settings = {1, accented, "", 0, 0, "", ""};
  tv::writeSettings();
  EXPECT_EQ(tv::LastApiResult, 1);
  EXPECT_EQ(readBytes(m_ini).substr(0, 2), "\xFF\xFE");
  reload();
  EXPECT_EQ(std::tuple(tv::Settings.PicKind, tv::Settings.PicFile), std::tuple(1, accented));
  // A UTF-16 file written by another program reads the same.
  writeBytes(m_ini, "\xFF\xFE" + tv::utf8ToUtf16Le("[section]\r\nbgm区分= 1\r\nBGMﾘﾋﾟｰﾄ= 4\r\n").bytes);
  reload();
  EXPECT_EQ(std::tuple(tv::Settings.BgmKind, tv::Settings.BgmRepeat), std::tuple(1, 4));
}

// A folder the saver may not write to (a per-machine install): a settings
// file the user may write is still saved, in place; one the user may not
// write loses nothing and reports nothing.  A missing folder is not made.
TEST_F(SettingsFileTest, ClosedFolderSavesInPlaceOnlyWhenTheFileIsWritable) {
  const tv::test::FilePermissionsEnforced permissions;
  if (!permissions.inForce()) GTEST_SKIP() << "cannot give up root's permission override";
  const std::string before = sjis("[Section]\r\n画像区分= 1\r\nBGM区分= 2\r\n");
  const std::string saved = sjis("[Section]\r\n画像区分= 0\r\nBGM区分= 1\r\n画像ﾌｧｲﾙ=\r\nBGMﾘﾋﾟｰﾄ= 0\r\nBGMﾌｧｲﾙ=\r\n");
  writeBytes(m_ini, before);
  chmod(m_dir.c_str(), 0555);
  tv::Settings.BgmKind = 1;
  tv::writeSettings();
  EXPECT_EQ(tv::LastApiResult, 1);
  EXPECT_EQ(readBytes(m_ini), saved);
  // Shorter contents leave nothing of the longer ones behind.
  tv::Settings.BgmFile = std::string(500, 'm');
  tv::writeSettings();
  tv::Settings.BgmFile.clear();
  tv::writeSettings();
  EXPECT_EQ(readBytes(m_ini), saved);

  writeBytes(m_ini, before);
  chmod(m_ini.c_str(), 0444);
  tv::writeSettings();
  EXPECT_EQ(tv::LastApiResult, 0);
  EXPECT_EQ(readBytes(m_ini), before);
  chmod(m_dir.c_str(), 0755);

  tv::setSaverFolderForTesting(m_folder / "no-such-folder");
  tv::writeSettings();
  EXPECT_EQ(tv::LastApiResult, 0);
  EXPECT_FALSE(std::filesystem::exists(m_folder / "no-such-folder"));
}

}  // namespace
