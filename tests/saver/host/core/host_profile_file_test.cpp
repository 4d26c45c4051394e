// Profile files: Windows' reading and writing rules, CP932 and UTF-16LE
// files, and files that are hostile or in the wrong place; the settings file
// built on them (exact key bytes, round trips, every load rule); and the
// file helpers it stands on.
#include "profile_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include "failing_file_step.h"
#include "file_helpers.h"
#include "iconv_cp932.h"
#include "program_paths.h"
#include "settings_file.h"
#include "temp_folder.h"

namespace tv = tumbleview;
using namespace std::string_literals;
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

std::string utf16Le(const std::string& utf8) { return std::string("\xFF\xFE") + tv::utf8ToUtf16Le(utf8).bytes; }

std::string get(const std::string& bytes, const std::string& section, const std::string& key,
                const std::string& def = "d", std::size_t size = 100) {
  return tv::getProfileStringFromBytes(bytes, section, key, def, size);
}

std::string replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

const std::string kSample =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n"
    "  spaced key   =   spaced value   \r\nquoted='it'\r\nmixed='x\"\r\ndup=first\r\ndup=second\r\n"
    ";comment=no\r\neq=a = b = c \r\ninline=5 ; note\r\n"
    "[section2]\r\n[ a]b ] trailing\r\nk=last ]\r\n";

// Windows answers that each catch a distinct reader fault, on every kind of
// line end.
TEST(ProfileRead, AnswersLikeWindowsOnEveryLineEnd) {
  for (const std::string& lineEnd : {"\r\n"s, "\n"s, "\r"s}) {
    const std::string file = replace(kSample, "\r\n", lineEnd);
    SCOPED_TRACE(testing::PrintToString(lineEnd));
    const struct { const char *section, *key, *def, *expected; } rows[] = {
        {"section1", "name1", "d", "val1"},       {"SECTION1", "NaMe1", "d", "val1"},  // names fold case
        {"section1", "name2", "d", "val2"},       {"section1", "quoted", "d", "it"},   // quotes go
        {"section1", "mixed", "d", "'x\""},                                            // mismatched ones stay
        {"section1", "spaced key", "d", "spaced value"}, {"section1", "  spaced key ", "d", "spaced value"},
        {"section1", "name3", "def", "def"},      // no '=' means no value
        {"section1", "notakey", "default  ", "default"},  // the default loses trailing spaces
        {"section1", "notakey", "", ""},          {"section2", "any", "", ""},         {"nosuch", "name1", "d", "d"},
        {"section1", "", "d", "d"},               {"", "name1", "d", "d"},  // empty key; unnamed section
        {"section1", "dup", "d", "first"},        {"section1", ";comment", "d", "d"},  // first duplicate wins
        {"section1", "eq", "d", "a = b = c"},     // the key ends at the first '='
        {"section1", "inline", "d", "5 ; note"},  // no inline comments
        {"a]b", "k", "d", "last ]"},              // the LAST ']' closes a header
    };
    for (const auto& row : rows) {
      EXPECT_EQ(get(file, row.section, row.key, row.def), row.expected) << row.section << "/" << row.key;
    }
  }
}

// "aあい" is 5 bytes in CP932: a budget of 4 keeps "aあ", never half of い.
TEST(ProfileRead, TruncatesToSizeMinusOneBytesWithoutSplittingCharacters) {
  const std::string wide = "[s]\r\nk=" + sjis("aあい") + "\r\n", narrow = "[s]\r\nk=val1\r\n";
  const struct { const std::string& file; std::size_t size; const char* expected; } rows[] = {
      {narrow, 4, "val"}, {narrow, 5, "val1"}, {narrow, 1, ""},     {narrow, 0, ""},
      {wide, 5, "aあ"},   {wide, 6, "aあい"},  {wide, 3, "a"},
  };
  for (const auto& row : rows) EXPECT_EQ(get(row.file, "s", "k", "", row.size), row.expected) << row.size;
}

TEST(ProfileRead, WalksShiftJisByCharacterNotByte) {
  // Trail bytes that look like ']' (ゾ 83 5D, ‐ 81 5D), '[' (ー 81 5B),
  // '\' (表 95 5C), 'A' (ア 83 41) and 'a' (ヂ 83 61).
  const std::string file = sjis(
      "[ゾーン]\r\nア=1\r\nヂ=2\r\n表示=x\r\nKey=ソ\r\nKey2=表\r\nアイ=3\r\nヂツ=4\r\n①～=5\r\n"
      "[データ‐設定]\r\nk=6\r\n");
  const struct { const char *section, *key, *expected; } rows[] = {
      {"ゾーン", "ア", "1"},      {"ゾーン", "ヂ", "2"},       {"ゾーン", "表示", "x"},
      {"ゾーン", "key", "ソ"},    {"ゾーン", "KEY2", "表"},    {"ゾーン", "アイ", "3"},
      {"ゾーン", "ヂツ", "4"},    {"ゾーン", "①～", "5"},      {"データ‐設定", "k", "6"},
      {"ｿﾞｰﾝ", "ア", "d"},        // half-width kana are other characters
  };
  for (const auto& row : rows) EXPECT_EQ(get(file, row.section, row.key), row.expected) << row.key;
}

TEST(ProfileRead, Utf16FileWithMarkAndUtf8MarkAsOrdinaryBytes) {
  const std::string utf16 = utf16Le("[Sec]\r\nパス=C:/é/😀.jpg\r\nn=1\r\n");
  EXPECT_EQ(get(utf16, "sec", "パス"), "C:/é/😀.jpg");
  EXPECT_EQ(get(utf16, "sec", "N"), "1");
  // Never read as CP932: without the mark, NUL bytes everywhere find nothing.
  EXPECT_EQ(get(utf16.substr(2), "sec", "n"), "d");
  // EF BB BF is not special: the header line starts with it and is no header.
  EXPECT_EQ(get("\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k"), "d");
}

// Hostile contents: each has a bounded, defined answer.
TEST(ProfileRead, HostileContentsStayBounded) {
  const std::string longValue(300000, 'x');
  const struct { const char *name; std::string bytes; const char *key; std::string expected; } rows[] = {
      {"empty file", "", "k", "d"},                       {"comments only", ";a\r\n;b", "k", "d"},
      {"no final line end", "[s]\r\nk=v", "k", "v"},      {"long value cut", "[s]\r\nk=" + longValue, "k", std::string(99, 'x')},
      {"long line then key", "[s]\r\nlong=" + longValue + "\r\nk=after", "k", "after"},
      {"NUL ends a value", "[s]\r\nk=x\0y\r\nl=2"s, "k", "x"}, {"NUL does not end the file", "[s]\r\nk=x\0y\r\nl=2"s, "l", "2"},
      {"lone lead byte before line end", "[s]\r\nK=\x81\nL=1\n", "L", "1"},
      {"lone lead byte replaced", "[s]\r\nK=a\x81\nL=1\n", "K", "a\xEF\xBF\xBD"},
      {"lead byte last in file", "[s]\r\nk=\x81", "k", "\xEF\xBF\xBD"},
      {"invalid trail bytes", "[s]\r\na=\x81\x20z\r\nb=\x80\xA0\xFD\xFE\xFF\r\nc=3", "c", "3"},
      {"unassigned pair hides its ']'", "[s\x85\x5D]\r\nk=1\r\n[s]\r\nk=2", "k", "2"},
      {"^Z at the end is a blank", "[s]\r\nk=v\x1A", "k", "v"}, {"empty key ignored", "[s]\r\n=v\r\nk=1", "k", "1"},
      {"header without ']'", "[s]\r\n[t\r\nk=1", "k", "1"},    {"key before any section", "k=0\r\n[s]\r\nk=1", "k", "1"},
      {"duplicate section: first only", "[s]\r\na=1\r\n[s]\r\nk=2", "k", "d"},
      {"number text kept whole", "[s]\r\nk=99999999999", "k", "99999999999"},
      {"UTF-16 odd tail", "\xFF\xFE[\0s\0]\0\n\0k\0=\0v\0x"s, "k", "v"},
      {"UTF-16 lone surrogate", "\xFF\xFE[\0s\0]\0\n\0k\0=\0\x00\xD8"s, "k", "\xEF\xBF\xBD"},
  };
  for (const auto& row : rows) EXPECT_EQ(get(row.bytes, "s", row.key), row.expected) << row.name;
}

class ProfileFileTest : public ::testing::Test {
 protected:
  static std::string read(const std::string& path) { return tv::getProfileString(path, "s", "k", "d", 256); }
  static bool write(const std::string& path, const std::string& value) { return tv::writeProfileString(path, "s", "k", value); }
  TempFolder m_folder;
  std::string m_file = m_folder / "t.ini";
};

TEST_F(ProfileFileTest, ThingsInTheFilesPlaceReadAsMissing) {
  const std::string dir = m_folder / "dir.ini", fifo = m_folder / "fifo.ini", loop = m_folder / "loop.ini";
  std::filesystem::create_directory(dir);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink(loop, loop);
  const std::string huge = m_folder / "huge.ini", atLimit = m_folder / "limit.ini", pastLimit = m_folder / "past.ini";
  writeBytes(huge, "[s]\r\nk=v\r\n");
  std::filesystem::resize_file(huge, 1ull << 30);  // sparse: no disk used
  std::string limitBytes = "[s]\r\nk=v\r\n";
  limitBytes.resize(tv::kProfileFileSizeLimit, ' ');
  writeBytes(atLimit, limitBytes);
  writeBytes(pastLimit, limitBytes + " ");

  using State = tv::ProfileFileState;
  const struct { std::string path; State state; } rows[] = {
      {m_folder / "missing.ini", State::Missing}, {m_folder / "no/folder.ini", State::Missing},
      {dir, State::NotRegularFile},               {fifo, State::NotRegularFile},
      {"/dev/zero", State::NotRegularFile},       {loop, State::Unreadable},
      {huge, State::TooLarge},                    {pastLimit, State::TooLarge},  {atLimit, State::Ok},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(tv::readProfileFileBytes(row.path).state, row.state) << row.path;
    EXPECT_EQ(read(row.path), row.state == State::Ok ? "v" : "d") << row.path;
    // Nothing that cannot be read is ever replaced.
    if (row.state != State::Missing && row.state != State::Ok) { EXPECT_FALSE(write(row.path, "w")) << row.path; }
  }
  // A file is never grown past what the reader accepts.
  EXPECT_TRUE(write(atLimit, "w"));
  EXPECT_FALSE(write(atLimit, "ww"));
  EXPECT_EQ(read(atLimit), "w");
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  EXPECT_EQ(std::filesystem::file_size(huge), 1ull << 30);
}

// Every write splices one line and keeps every other byte; values CP932
// cannot hold move the file to UTF-16LE; texts that would forge lines are
// refused.  An empty "before" is no file at all; no "after" is a refusal.
TEST_F(ProfileFileTest, EditsInPlaceMovesToUtf16WhenNeededAndRefusesForgedLines) {
  const std::string original = "; settings\n\n[S]\r\na = 1\r\n  B=2  \r\nbare\r\n; last words\r\n\r\n[t]\nx=y";
  const std::string japanese = sjis("[s]\r\n名前=日本語\r\n"), broken = "[s]\r\nold=\x81\r\n", plain = "[s]\r\nk=1\r\n";
  const auto moved = [](const std::string& lines) { return utf16Le("[s]\r\n名前=日本語\r\n" + lines); };
  const struct { std::string before; const char *section, *key; std::string value; std::optional<std::string> after; } rows[] = {
      {"", "App", "key", "", "[App]\r\nkey=\r\n"},
      {original, "s", "A", "new", replace(original, "a = 1", "a =new")},
      {original, "s", "b", "", replace(original, "  B=2  ", "  B=")},
      {original, "s", "bare", "v", replace(original, "bare\r\n", "bare=v\r\n")},
      {original, "s", "c", "3", replace(original, "; last words\r\n", "; last words\r\nc=3\r\n")},
      {original, "t", "z", "1", original + "\r\nz=1\r\n"},
      {original, "new", "k", "v", original + "\r\n[new]\r\nk=v\r\n"},
      // One DBCS key leaves its byte-wise look-alike alone.
      {sjis("[ゾーン]\r\nア=1\r\nヂ=2\r\n"), "ゾーン", "ア", "9", sjis("[ゾーン]\r\nア=9\r\nヂ=2\r\n")},
      {japanese, "s", "k", "ＡＢＣ①", sjis("[s]\r\n名前=日本語\r\nk=ＡＢＣ①\r\n")},
      {japanese, "s", "k", "/home/josé/a.jpg", moved("k=/home/josé/a.jpg\r\n")},
      {japanese, "s", "k", "😀", moved("k=😀\r\n")},
      {japanese, "s", "k", "¥100", moved("k=¥100\r\n")},
      {moved("k=😀\r\n"), "s", "k", "x", moved("k=x\r\n")},  // once UTF-16, it stays UTF-16
      {"", "s", "k", "é", utf16Le("[s]\r\nk=é\r\n")},
      // Broken CP932 cannot be converted, but CP932 writes splice around it.
      {broken, "s", "k", "é", std::nullopt},  {broken, "s", "k", "v", broken + "k=v\r\n"},
      {plain, "s", "k", "x\r\n[Evil]\r\nKey=1", std::nullopt}, {plain, "s", "k", "x\ny", std::nullopt},
      {plain, "s", "k", "x\0y"s, std::nullopt}, {plain, "s\n[t]", "k", "v", std::nullopt},
      {plain, "s", "a=b", "v", std::nullopt},  {plain, "s", "[k]", "v", std::nullopt},  {plain, "s", ";k", "v", std::nullopt},
      {plain, "", "k", "v", std::nullopt},     {plain, "s", " ", "v", std::nullopt},    {plain, "s", "k", "bad\xFFutf8", std::nullopt},
  };
  for (const auto& row : rows) {
    std::filesystem::remove(m_file);
    if (!row.before.empty()) writeBytes(m_file, row.before);
    EXPECT_EQ(tv::writeProfileString(m_file, row.section, row.key, row.value), row.after.has_value()) << row.key << "=" << row.value;
    EXPECT_EQ(readBytes(m_file), row.after.value_or(row.before)) << row.key << "=" << row.value;
  }
}

// The atomic writer failing at each step leaves the old file whole and no
// temporary file behind.
TEST_F(ProfileFileTest, FailedWriteKeepsTheOldFileWhole) {
  using tv::test::FileStep;
  for (const FileStep step : {FileStep::Create, FileStep::Write, FileStep::Sync, FileStep::Rename}) {
    writeBytes(m_file, "[s]\r\nk=1\r\n");
    {
      const tv::test::FailingFileStep failing(step);
      EXPECT_FALSE(write(m_file, "2"));
    }
    EXPECT_EQ(readBytes(m_file), "[s]\r\nk=1\r\n");
    EXPECT_EQ(tv::test::entryCount(m_folder.path()), 1u) << "a temporary file stayed behind";
  }
  EXPECT_FALSE(write(m_folder / "missing/t.ini", "v"));
  EXPECT_FALSE(write("", "v"));
}

TEST_F(ProfileFileTest, ReplacingKeepsModeAndFollowsLinks) {
  writeBytes(m_file, "[s]\r\nk=1\r\n");
  chmod(m_file.c_str(), 0640);
  const mode_t umaskBefore = umask(077);  // the mode is kept, not re-derived
  const std::string link = m_folder / "link.ini";
  std::filesystem::create_symlink(m_file, link);
  ASSERT_TRUE(write(link, "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readBytes(m_file), "[s]\r\nk=2\r\n");
  struct stat info {};
  ASSERT_EQ(stat(m_file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  umask(umaskBefore);
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
  tv::Settings = {};
  tv::LoadSettings();
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

// Reads are cut at 255 bytes: 127 double-byte characters, never half of
// the 128th.
TEST_F(SettingsFileTest, WriteIniKeepsOtherLinesAndReadIniCutsAt255Bytes) {
  const std::string longPath = "/" + std::string(299, 'p');
  writeBytes(m_ini, sjis("; kept\r\n[Other]\r\nx=1\r\n[Section]\r\nBGM区分= 1\r\nz=last\r\n"));
  EXPECT_EQ(tv::WriteIni(tv::kSettingsSection, tv::kKeyPicKind, " 0", m_ini), "");
  EXPECT_EQ(tv::WriteIni(tv::kSettingsSection, tv::kKeyBgmKind, " 2", m_ini), "");
  EXPECT_EQ(tv::LastApiResult, 1);
  EXPECT_EQ(readBytes(m_ini),
            sjis("; kept\r\n[Other]\r\nx=1\r\n[Section]\r\nBGM区分= 2\r\nz=last\r\n画像区分= 0\r\n"));
  writeSettings("画像ﾌｧｲﾙ=" + longPath + "\r\nBGMﾌｧｲﾙ=" + repeat("画", 200) + "\r\n");
  EXPECT_EQ(tv::ReadIni(tv::kSettingsSection, tv::kKeyPicFile, m_ini), longPath.substr(0, 255));
  EXPECT_EQ(tv::ReadIni(tv::kSettingsSection, tv::kKeyBgmFile, m_ini), repeat("画", 127));
}

TEST_F(SettingsFileTest, Utf16FileAndAccentedPathSurvive) {
  const std::string accented = makeFile("café ☕.jpg");
  tv::Settings = {1, accented, "", 0, 0, "", ""};
  tv::writeSettings();
  EXPECT_EQ(tv::LastApiResult, 1);
  EXPECT_EQ(readBytes(m_ini).substr(0, 2), "\xFF\xFE");
  tv::Settings = {};
  tv::LoadSettings();
  EXPECT_EQ(std::tuple(tv::Settings.PicKind, tv::Settings.PicFile), std::tuple(1, accented));
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
