// How long `Tumbleview.scr /s` takes to put the cube on the screen, stage by
// stage, and how much processor the saver uses while it only watches the
// renderer.  Prints figures (medians of five runs); no pass/fail threshold.
#include "saver_system_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

namespace tvtest {
namespace {

namespace fs = std::filesystem;

double nowMs() { return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count(); }

// Where each stage of the report ended, in steady-clock milliseconds.
std::map<std::string, double> stageEnds(const std::string& report) {
  std::map<std::string, double> ends;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line.starts_with("saver ") ? line.substr(6) : line);
    std::string stage;
    double ns = 0;
    if (words >> stage >> ns) ends[stage] = ns / 1e6;
  }
  return ends;
}

fs::path picture(const fs::path& folder, int width, int height, const char* format) {
  // Gradients with fine detail, so that the coder has work as with a photograph.
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y + (x ^ y)) & 0xFF));
  }
  const fs::path path = folder / (std::string("picture.") + format);
  image.save(QString::fromStdString(path.string()), format, 90);
  return path;
}

class SaverBench : public SaverSystem {
 protected:
  void startToFirstFrame(const char* name, const SaverChoices& choices) {
    const char* stages[] = {"main", "settings", "picture", "handoff", "renderer-window", "first-frame"};
    std::map<std::string, std::vector<double>> spans;
    for (int run = 0; run < 5; ++run) {
      const double start = nowMs();
      auto saver = this->run(choices);
      ASSERT_NE(rendererShown(*saver), 0u) << saver->stdout();
      std::map<std::string, double> ends = stageEnds(saver->stdout());
      double from = start;
      for (const char* stage : stages) spans[stage].push_back(ends[stage] - std::exchange(from, ends[stage]));
      spans["total"].push_back(ends["first-frame"] - start);
      ASSERT_EQ(escape(*saver), 0);
    }
    std::printf("%s, Tumbleview.scr /s to the first frame, ms (median of 5):\n", name);
    const char* labels[] = {"program loaded",  "settings (Qt, search, file)", "picture load", "hand-off write",
                            "renderer start", "renderer decode and textures", "total"};
    for (int i = 0; i < 7; ++i) {
      std::vector<double>& values = spans[i < 6 ? stages[i] : "total"];
      std::nth_element(values.begin(), values.begin() + 2, values.end());
      std::printf("  %-30s %7.1f\n", labels[i], values[2]);
    }
  }
};

// User and system time of a process so far, in seconds.
double processorSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::vector<std::string> values((std::istream_iterator<std::string>(fields)), {});
  return (std::stod(values[11]) + std::stod(values[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

TEST_F(SaverBench, StartToFirstFrame) {
  startToFirstFrame("1024 x 768 BMP", {1, picture(m_install.root(), 1024, 768, "bmp"), 0, 0, ""});
  startToFirstFrame("4000 x 3000 JPEG", {1, picture(m_install.root(), 4000, 3000, "jpg"), 0, 0, ""});
  startToFirstFrame("desktop capture", {});
}

TEST_F(SaverBench, Watching) {
  for (int others : {30, 300}) {
    for (int i = 0; i < others; ++i) solidWindow(i % 50 * 20, i / 50 * 20, 10, 10, 0x404040);
    auto saver = run({});
    ASSERT_NE(rendererShown(*saver), 0u);
    const double before = processorSeconds(saver->pid()), from = nowMs();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double share = processorSeconds(saver->pid()) - before;
    std::printf("watching among %3d other top-level windows: %.2f %% of one core\n", others, share * 1e5 / (nowMs() - from));
    ASSERT_EQ(escape(*saver), 0);
  }
}

}  // namespace
}  // namespace tvtest
