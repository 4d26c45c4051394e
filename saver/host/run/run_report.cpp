#include "run_report.h"

#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tumbleview {
namespace {

bool reporting() {
  static const bool on = std::getenv("TUMBLEVIEW_FRAME_REPORT") != nullptr;
  return on;
}

}  // namespace

void reportStage(const char* stage) {
  if (!reporting()) return;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  std::printf("saver %s %" PRId64 "\n", stage,
              static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
  std::fflush(stdout);
}

void reportPointerCount(int count) {
  if (!reporting()) return;
  std::printf("pointer %d\n", count);
  std::fflush(stdout);
}

}  // namespace tumbleview
