#include "tumbleview_bgm.h"

#include "mci_layer.h"
#include "saver_state.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace tumbleview {

std::int16_t CdWatchActive = 0;

namespace {

constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

constexpr const char* kNoCommandText = "コマンド文字列が指定されていません";
constexpr const char* kNoErrorText = "Error (文字列が取れません)";
constexpr const char* kErrorPrefix = "Error:";
constexpr std::string_view kErrorMarker = "ERR";
constexpr std::string_view kModeStopped = "stopped";
constexpr std::string_view kModePlaying = "playing";
constexpr std::size_t kModeLength = 7;

constexpr const char* kCdDevice = "cdaudio";
constexpr const char* kOpenCd = "open cdaudio";
constexpr const char* kSetCdTmsf = "set cdaudio time format tmsf";
constexpr const char* kStatusCurrentTrack = "status cdaudio current track";
constexpr const char* kStatusNumberOfTracks = "status cdaudio number of tracks";
constexpr const char* kStatusCdMode = "status cdaudio mode";
constexpr const char* kStatusTrackPosition = "status cdaudio position track ";
constexpr const char* kStopCd = "stop cdaudio";
constexpr const char* kCloseCd = "close cdaudio";

constexpr const char* kPlayPrefix = "play ";
constexpr const char* kFromPart = " from ";
constexpr const char* kToPart = " to ";

constexpr const char* kOpenPrefix = "open ";
constexpr const char* kQuote = "\"";
constexpr const char* kOpenMp3Suffix = " type MPEGVideo Alias MP3Play";
constexpr const char* kPlayMp3 = "play MP3Play";
constexpr const char* kStatusMp3Mode = "status MP3Play mode";
constexpr const char* kStopMp3 = "stop MP3Play";
constexpr const char* kRestartMp3 = "play MP3Play from 0";
constexpr const char* kCloseMp3 = "close MP3Play";

// PlaySound flags: SND_ASYNC | SND_LOOP.
constexpr std::uint32_t kLoopInBackground = 9;

// The module's fixed reply buffers.
constexpr std::uint32_t kReplySize = 512;
constexpr std::uint32_t kErrorTextSize = 256;
constexpr std::uint32_t kCdModeSize = 255;
constexpr std::uint32_t kMp3ModeSize = 30;
char replyBuffer[kReplySize];
char errorTextBuffer[kErrorTextSize];
char cdModeBuffer[kCdModeSize];
char mp3ModeBuffer[kMp3ModeSize];

MediaControl* chosenLayer = nullptr;

MediaControl& layer() { return chosenLayer != nullptr ? *chosenLayer : systemMediaControl(); }

std::string textOf(const char* buffer, std::size_t size) { return std::string(buffer, strnlen(buffer, size)); }

bool startsWithMode(const char* buffer, std::string_view mode) {
  return std::string_view(buffer, kModeLength) == mode;
}

bool containsError(const std::string& reply) {
  std::string upper = reply;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper.find(kErrorMarker) != std::string::npos;
}

// The reply as a number, the way a numeric comparison reads it: blanks
// around it are fine, anything else is a failure.
bool readNumber(const std::string& text, double& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  value = std::strtod(begin, &end);
  if (end == begin) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

std::uint32_t sendWithoutReply(const std::string& command) {
  return layer().sendString(command.c_str(), nullptr, 0);
}

}  // namespace

void useMediaControl(MediaControl* chosen) { chosenLayer = chosen; }

std::int32_t SendMciCommand(const std::string& command, std::string& reply) {
  if (command.empty()) {
    reply = kNoCommandText;
    return -1;
  }
  const auto code = static_cast<std::int32_t>(layer().sendString(command.c_str(), replyBuffer, kReplySize));
  LastApiResult = code;
  if (code != 0) {
    if (layer().getErrorString(static_cast<std::uint32_t>(code), errorTextBuffer, kErrorTextSize)) {
      reply = textOf(errorTextBuffer, kErrorTextSize);
    } else {
      reply = kNoErrorText;
    }
    return code;
  }
  reply = textOf(replyBuffer, kReplySize);
  return 0;
}

std::string QueryMci(const std::string& command) {
  std::string reply;
  const std::int32_t code = SendMciCommand(command, reply);
  LastApiResult = code;
  if (code == 0) return reply;
  return kErrorPrefix + std::to_string(code);
}

std::int32_t PlayMciDevice(const std::string& device, const std::string& from, const std::string& to) {
  std::string command = kPlayPrefix + device;
  if (!from.empty()) command += kFromPart + from;
  if (!to.empty()) command += kToPart + to;
  std::string reply;
  return SendMciCommand(command, reply);
}

void OpenCdAudio() {
  LastApiResult = static_cast<std::int32_t>(sendWithoutReply(kOpenCd));
  LastApiResult = static_cast<std::int32_t>(sendWithoutReply(kSetCdTmsf));
}

void WatchCdAudio() {
  CdWatchActive = kTrue;
  const std::string current = QueryMci(kStatusCurrentTrack);
  if (containsError(current)) {
    CdWatchActive = kFalse;
    return;
  }
  if (containsError(QueryMci(kStatusNumberOfTracks))) {
    CdWatchActive = kFalse;
    return;
  }
  LastApiResult = static_cast<std::int32_t>(layer().sendString(kStatusCdMode, cdModeBuffer, kCdModeSize));
  const bool stopped = startsWithMode(cdModeBuffer, kModeStopped);

  const std::int16_t repeat = Settings.BgmRepeat;
  if (repeat == 0) {
    if (stopped) PlayMciDevice(kCdDevice, "", "");
    return;
  }
  double currentTrack = 0;
  if (!readNumber(current, currentTrack)) {
    CdWatchActive = kFalse;
    return;
  }
  if (currentTrack != repeat || stopped) {
    const std::string start = QueryMci(kStatusTrackPosition + std::to_string(repeat));
    PlayMciDevice(kCdDevice, start, "");
  }
}

void CloseCdAudio() {
  LastApiResult = static_cast<std::int32_t>(sendWithoutReply(kStopCd));
  LastApiResult = static_cast<std::int32_t>(sendWithoutReply(kCloseCd));
}

void PlayWave() {
  if (layer().waveOutDeviceCount() == 0) return;
  LastApiResult = layer().playSound(Settings.BgmFile.c_str(), kLoopInBackground) ? 1 : 0;
}

void StopWave() { LastApiResult = layer().playSound(nullptr, 0) ? 1 : 0; }

void PlayMp3() {
  const std::string open = kOpenPrefix + (kQuote + Settings.BgmFile + kQuote) + kOpenMp3Suffix;
  if (sendWithoutReply(open) == 0) sendWithoutReply(kPlayMp3);
}

bool IsMp3Playing() {
  layer().sendString(kStatusMp3Mode, mp3ModeBuffer, kMp3ModeSize);
  return startsWithMode(mp3ModeBuffer, kModePlaying);
}

void RepeatMp3() {
  if (IsMp3Playing()) return;
  sendWithoutReply(kStopMp3);
  sendWithoutReply(kRestartMp3);
}

void StopMp3() {
  sendWithoutReply(kStopMp3);
  sendWithoutReply(kCloseMp3);
}

}  // namespace tumbleview
