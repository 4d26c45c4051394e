// Figures for the music layer: how long each command the player sends
// takes to return, and the processor time used while a CD image and while
// an MP3 file play.  Prints figures; passes or fails nothing.
#include "mci_layer.h"
#include "music_test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double timedCommand(const std::string& command) {
  char reply[512];
  const auto start = Clock::now();
  const std::uint32_t code = tumbleview::systemMediaControl().sendString(command.c_str(), reply, sizeof reply);
  const double elapsed = millisecondsSince(start);
  if (code != 0) std::printf("  (command \"%s\" failed with %u)\n", command.c_str(), code);
  return elapsed;
}

// Share of one core used by the whole process over four seconds of playing.
double processorShareWhilePlaying() {
  auto processorSeconds = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  const double before = processorSeconds();
  const auto start = Clock::now();
  tumbleview::test::waitUntil([&] { return millisecondsSince(start) >= 4000; }, std::chrono::milliseconds(5000));
  return 100.0 * (processorSeconds() - before) / (millisecondsSince(start) / 1000.0);
}

}  // namespace

int main() {
  tumbleview::test::useDummyAudio();
  tumbleview::test::TempDir dir;
  setenv("TUMBLEVIEW_CDROM", tumbleview::test::writeDiscImage(dir.path(), {{300, 375}, {600, 375}, {900, 375}}).c_str(), 1);
  const std::string mp3 = dir.file("bench tune.mp3");
  const bool haveMp3 = tumbleview::test::writeMp3(mp3, 440, 20);
  const std::string openMp3 = "open \"" + mp3 + "\" type MPEGVideo Alias MP3Play";

  std::printf("first \"open cdaudio\" (opens nothing of the audio output yet): %.3f ms\n", timedCommand("open cdaudio"));
  std::printf("first \"play cdaudio\" (opens the audio output): %.3f ms\n", timedCommand("play cdaudio"));
  timedCommand("close cdaudio");

  std::vector<std::string> commands = {
      "open cdaudio", "set cdaudio time format tmsf", "status cdaudio current track", "status cdaudio number of tracks",
      "status cdaudio mode", "status cdaudio position track 2", "play cdaudio from 02:00:00:00", "play cdaudio",
      "stop cdaudio", "close cdaudio"};
  if (haveMp3) {
    commands.insert(commands.end(), {openMp3, "play MP3Play", "status MP3Play mode", "stop MP3Play",
                                     "play MP3Play from 0", "close MP3Play"});
  }
  std::vector<std::vector<double>> samples(commands.size());
  for (int round = 0; round < 20; ++round) {
    for (std::size_t i = 0; i < commands.size(); ++i) samples[i].push_back(timedCommand(commands[i]));
  }
  std::printf("%-60s %9s %9s\n", "command", "median ms", "max ms");
  for (std::size_t i = 0; i < commands.size(); ++i) {
    std::sort(samples[i].begin(), samples[i].end());
    std::printf("%-60s %9.3f %9.3f\n", commands[i].c_str(), samples[i][samples[i].size() / 2], samples[i].back());
  }

  timedCommand("open cdaudio");
  timedCommand("play cdaudio");
  std::printf("processor while a CD image plays: %.2f %% of one core\n", processorShareWhilePlaying());
  timedCommand("close cdaudio");
  if (haveMp3) {
    timedCommand(openMp3);
    timedCommand("play MP3Play");
    std::printf("processor while an MP3 plays: %.2f %% of one core\n", processorShareWhilePlaying());
    timedCommand("close MP3Play");
  } else {
    std::printf("processor while an MP3 plays: not measured (lame is not installed)\n");
  }
  tumbleview::shutdownSystemMediaControl();
  return 0;
}
