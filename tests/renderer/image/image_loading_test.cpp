#include "image_loading.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp_test_writer.h"
#include "error_report.h"
#include "temp_folder.h"

namespace tumbleview {
namespace {

class ImageLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = setErrorReporter([this](const std::string& message) { m_messages.push_back(message); });
  }
  void TearDown() override { setErrorReporter(m_previous); }

  const test::TempFolder m_folder;
  const std::string m_root = m_folder.path().string();
  std::vector<std::string> m_messages;
  ErrorReporter m_previous;
};

std::vector<std::uint8_t> file(std::uint32_t headerSize, std::int32_t side = 2, std::uint16_t bpp = 24) {
  test::BmpFields fields;
  fields.headerSize = headerSize, fields.width = fields.height = side, fields.bpp = bpp;
  fields.pixelData.assign(16, 0x40);
  return test::writeBmp(fields);
}

TEST_F(ImageLoadingTest, EachFailureReportsItsOneMessage) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::string message;  // "%s" stands for the path
  };
  const std::vector<Case> cases = {
      {"empty.bmp", {}, "Failed to open DIB file %s.\n"},
      {"v4.bmp", file(108), "Unknown DIB file format."},
      {"v5.bmp", file(124), "Unknown DIB file format."},
      {"huge.bmp", file(40, 30000), "Out of memory."},
      {"depth7.bmp", file(40, 2, 7), "Image file conversion error."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_messages.clear();
    const std::string path = m_folder.write(c.name, c.bytes).string();
    std::string expected = c.message;
    if (const auto at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, path);
    EXPECT_EQ(LoadImageFile(path.c_str()), nullptr);
    EXPECT_EQ(m_messages, std::vector<std::string>{expected});
  }
}

// LoadImageFile probes silently for a missing file; the decoder itself
// always speaks, also for a path that opens but cannot be mapped.
TEST_F(ImageLoadingTest, MissingFileFailsSilentlyButTheDecoderReportsIt) {
  const std::string missing = m_root + "/none.bmp";
  EXPECT_EQ(LoadImageFile(missing.c_str()), nullptr);
  EXPECT_EQ(LoadImageFile(nullptr), nullptr);
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(LoadDibImage(missing.c_str()), nullptr);
  EXPECT_EQ(LoadImageFile(m_root.c_str()), nullptr);
  EXPECT_EQ(m_messages, (std::vector<std::string>{"Failed to open DIB file " + missing + ".\n",
                                                  "Failed to open DIB file " + m_root + ".\n"}));
}

}  // namespace
}  // namespace tumbleview
