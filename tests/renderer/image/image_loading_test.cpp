#include "image_loading.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "bmp_test_writer.h"
#include "error_report.h"
#include "temp_folder.h"

namespace tumbleview {
namespace {

class ImageLoadingTest : public ::testing::Test {
 protected:
  void TearDown() override { setErrorReporter(m_previous); }

  const test::TempFolder m_folder;
  const std::string m_root = m_folder.path().string();
  std::vector<std::string> m_messages;
  ErrorReporter m_previous = setErrorReporter([this](const std::string& message) { m_messages.push_back(message); });
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

// A folder, a FIFO or a device where the picture should be is no picture:
// the renderer ends silently, as without a file, and never waits for a
// writer.  Asked directly, the decoder always reports what it cannot open.
TEST_F(ImageLoadingTest, OnlyARegularFileCountsAsAPictureAndNothingBlocks) {
  const std::string missing = m_root + "/none.bmp", folder = m_root + "/folder.bmp", fifo = m_root + "/fifo.bmp";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Loads on another thread, so that a load stuck on the FIFO fails the test
  // instead of hanging it; a writer then lets the reader go on.
  const auto loadsNothing = [&](const std::function<std::unique_ptr<RgbImage>()>& load) {
    std::future<bool> nothing = std::async(std::launch::async, [&] { return load() == nullptr; });
    if (nothing.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "the load blocked";
      while (nothing.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
      }
    }
    return nothing.get();
  };
  for (const std::string& path : {missing, folder, fifo, std::string("/dev/null")}) {
    EXPECT_TRUE(loadsNothing([&] { return LoadImageFile(path.c_str()); })) << path;
  }
  EXPECT_EQ(LoadImageFile(nullptr), nullptr);
  EXPECT_EQ(m_messages, std::vector<std::string>{});
  EXPECT_TRUE(loadsNothing([&] { return LoadDibImage(fifo.c_str()); }));
  EXPECT_EQ(m_messages, std::vector<std::string>{"Failed to open DIB file " + fifo + ".\n"});
}

}  // namespace
}  // namespace tumbleview
