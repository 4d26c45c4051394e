#include "image_loading.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bmp_test_writer.h"
#include "error_report.h"

namespace fs = std::filesystem;

namespace tumbleview {
namespace {

class ImageLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tv-image-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_root = pattern;
    m_previous = SetErrorReporter([this](const std::string& message) { m_messages.push_back(message); });
  }
  void TearDown() override {
    SetErrorReporter(m_previous);
    fs::remove_all(m_root);
  }
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const fs::path path = m_root / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  fs::path m_root;
  std::vector<std::string> m_messages;
  ErrorReporter m_previous;
};

test::BmpFields Header(std::uint32_t headerSize) {
  test::BmpFields fields;
  fields.headerSize = headerSize;
  fields.width = 2;
  fields.height = 2;
  fields.pixelData.assign(16, 0x40);
  return fields;
}

TEST_F(ImageLoadingTest, EachFailureReportsItsOneMessage) {
  test::BmpFields huge = Header(40);
  huge.width = huge.height = 30000;
  test::BmpFields badDepth = Header(40);
  badDepth.bpp = 7;
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::string message;  // "%s" stands for the path
  };
  const std::vector<Case> cases = {
      {"empty.bmp", {}, "Failed to open DIB file %s.\n"},
      {"v4.bmp", test::WriteBmp(Header(108)), "Unknown DIB file format."},
      {"v5.bmp", test::WriteBmp(Header(124)), "Unknown DIB file format."},
      {"huge.bmp", test::WriteBmp(huge), "Out of memory."},
      {"depth7.bmp", test::WriteBmp(badDepth), "Image file conversion error."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_messages.clear();
    const std::string path = write(c.name, c.bytes);
    std::string expected = c.message;
    if (const auto at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, path);
    EXPECT_EQ(LoadImageFile(path.c_str()), nullptr);
    EXPECT_EQ(m_messages, std::vector<std::string>{expected});
  }
}

TEST_F(ImageLoadingTest, MissingFileOrNullPathFailsSilently) {
  const std::string missing = (m_root / "none.bmp").string();
  EXPECT_EQ(LoadImageFile(missing.c_str()), nullptr);
  EXPECT_EQ(LoadImageFile(nullptr), nullptr);
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(ImageLoadingTest, DecoderItselfReportsAFileItCannotMap) {
  // Only LoadImageFile's probe is silent; the decoder always speaks.
  const std::string missing = (m_root / "none.bmp").string();
  EXPECT_EQ(LoadDibImage(missing.c_str()), nullptr);
  EXPECT_EQ(LoadImageFile(m_root.c_str()), nullptr);  // a directory opens but cannot be mapped
  EXPECT_EQ(m_messages, (std::vector<std::string>{"Failed to open DIB file " + missing + ".\n",
                                                  "Failed to open DIB file " + m_root.string() + ".\n"}));
}

TEST_F(ImageLoadingTest, LoadsAPictureFromFile) {
  const test::Picture picture{3, 2, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}}};
  const std::string path = write("ok.bmp", test::EncodePicture(picture, test::Storage::kInfo24));
  const auto image = LoadImageFile(path.c_str());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels, picture.rgbBytes());
  EXPECT_TRUE(m_messages.empty());
}

}  // namespace
}  // namespace tumbleview
