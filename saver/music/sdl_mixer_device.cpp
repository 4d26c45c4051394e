#include "sdl_mixer_device.h"

#include "mci_errors.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <thread>

namespace tumbleview::mci {
namespace {

// 2048 frames: about 46 ms per audio callback, few wake-ups.
constexpr int kChunkFrames = 2048;
// The looping sound keeps a channel of its own, out of the way of others.
constexpr int kSoundChannel = 0;

// SDL's audio start-up also starts its event subsystem, which would take
// SIGINT and SIGTERM for itself and turn them into events nobody reads: the
// saver would no longer end when it is told to.
bool initAudioSubsystem() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

bool isRegularFile(const char* path) {
  struct stat info {};
  return ::stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// PlaySound only plays RIFF/WAVE files; SDL2_mixer would take others too.
bool isWaveFile(const char* path) {
  if (!isRegularFile(path)) return false;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  unsigned char header[12] = {};
  const std::size_t got = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  return got == sizeof header && std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVE", 4) == 0;
}

}  // namespace

// "MPEGVideo": one sound file streamed by SDL2_mixer.  Time format is
// milliseconds only.  "play … from N" restarts at N ms; "play" alone goes
// on where "stop" left it, or from the start after the end.  "to" is not
// supported (274).  Opening another music device and playing it takes the
// mixer's one music stream: this one then reports "stopped".
class MpegVideoDevice : public MciDevice {
 public:
  MpegVideoDevice(SdlAudio& audio, Mix_Music* music) : m_audio(audio), m_music(music) {}

  ~MpegVideoDevice() override {
    haltIfOurs();
    Mix_FreeMusic(m_music);
  }

  std::uint32_t play(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to) override {
    if (to) return kUnsupportedFunction;
    double start = m_resumeAt;
    if (from) {
      start = *from / 1000.0;
      if (*from > 0) {
        const double duration = Mix_MusicDuration(m_music);
        if (duration > 0 && start > duration) return kOutOfRange;
      }
    } else if (playing()) {
      return kOk;
    }
    std::lock_guard lock(m_audio.m_musicMutex);
    if (Mix_PlayMusic(m_music, 1) != 0) return kHardware;
    if (start > 0 && Mix_SetMusicPosition(start) != 0) {
      // A stream that cannot seek starts from the beginning.
      Mix_RewindMusic();
    }
    m_audio.m_currentMusic = m_music;
    m_resumeAt = 0;
    return kOk;
  }

  std::uint32_t stop() override {
    std::lock_guard lock(m_audio.m_musicMutex);
    if (m_audio.m_currentMusic == m_music && Mix_PlayingMusic()) {
      const double position = Mix_GetMusicPosition(m_music);
      m_resumeAt = position > 0 ? position : 0;
      Mix_HaltMusic();
    }
    return kOk;
  }

  std::uint32_t status(const StatusQuery& query, std::string& reply) override {
    if (query.track) return kUnsupportedFunction;
    switch (query.item) {
      case StatusItem::Mode:
        reply = playing() ? kModePlaying : kModeStopped;
        return kOk;
      case StatusItem::Position: {
        const double seconds = playing() ? Mix_GetMusicPosition(m_music) : m_resumeAt;
        reply = std::to_string(static_cast<long long>(std::max(0.0, seconds) * 1000.0));
        return kOk;
      }
      case StatusItem::Length:
        reply = std::to_string(static_cast<long long>(std::max(0.0, Mix_MusicDuration(m_music)) * 1000.0));
        return kOk;
      case StatusItem::NumberOfTracks:
      case StatusItem::CurrentTrack:
        reply = "1";
        return kOk;
      case StatusItem::MediaPresent:
      case StatusItem::Ready:
        reply = kTrue;
        return kOk;
      case StatusItem::TimeFormat:
        reply = timeFormatWord(TimeFormat::Milliseconds);
        return kOk;
    }
    return kUnsupportedFunction;
  }

  std::uint32_t setTimeFormat(TimeFormat format) override {
    return format == TimeFormat::Milliseconds ? kOk : kBadTimeFormat;
  }

 private:
  bool playing() {
    std::lock_guard lock(m_audio.m_musicMutex);
    return m_audio.m_currentMusic == m_music && Mix_PlayingMusic() != 0;
  }

  void haltIfOurs() {
    std::lock_guard lock(m_audio.m_musicMutex);
    if (m_audio.m_currentMusic == m_music) {
      Mix_HaltMusic();
      m_audio.m_currentMusic = nullptr;
    }
  }

  SdlAudio& m_audio;
  Mix_Music* m_music;
  double m_resumeAt = 0;  // seconds
};

SdlAudio::SdlAudio() = default;

SdlAudio::~SdlAudio() { shutdown(); }

bool SdlAudio::ensureOpen() {
  std::lock_guard lock(m_openMutex);
  if (m_state != State::Closed) return m_state == State::Open;
  m_state = State::Failed;
  if (!m_subsystemUp) {
    if (!initAudioSubsystem()) return false;
    m_subsystemUp = true;
    m_subsystemTried = true;
  }
  Mix_Init(MIX_INIT_FLAC | MIX_INIT_MOD | MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_MID | MIX_INIT_OPUS);
  if (Mix_OpenAudioDevice(kOutputRate, AUDIO_S16SYS, kOutputChannels, kChunkFrames, nullptr, 0) != 0) {
    Mix_Quit();
    return false;
  }
  Mix_ReserveChannels(kSoundChannel + 1);
  Mix_SetPostMix(&SdlAudio::postMix, this);
  m_state = State::Open;
  return true;
}

std::uint32_t SdlAudio::outputDeviceCount() {
  {
    std::lock_guard lock(m_openMutex);
    if (!m_subsystemUp && !m_subsystemTried) {
      m_subsystemTried = true;
      m_subsystemUp = initAudioSubsystem();
    }
    if (!m_subsystemUp) return 0;
    const int count = SDL_GetNumAudioDevices(0);
    if (count >= 0) return static_cast<std::uint32_t>(count);
  }
  // The driver cannot list its devices: there is one if it opens.
  return ensureOpen() ? 1 : 0;
}

void SdlAudio::postMix(void* self, std::uint8_t* stream, int length) {
  auto* audio = static_cast<SdlAudio*>(self);
  const std::size_t frames = static_cast<std::size_t>(length) / (sizeof(std::int16_t) * kOutputChannels);
  std::lock_guard lock(audio->m_sourcesMutex);
  for (PcmSource* source : audio->m_sources) {
    source->mixInto(reinterpret_cast<std::int16_t*>(stream), frames);
  }
}

bool SdlAudio::attach(PcmSource* source) {
  if (!ensureOpen()) return false;
  std::lock_guard lock(m_sourcesMutex);
  if (std::find(m_sources.begin(), m_sources.end(), source) == m_sources.end()) m_sources.push_back(source);
  return true;
}

void SdlAudio::detach(PcmSource* source) {
  std::lock_guard lock(m_sourcesMutex);
  m_sources.erase(std::remove(m_sources.begin(), m_sources.end(), source), m_sources.end());
}

void SdlAudio::stopSoundLocked() {
  if (m_sound == nullptr) return;
  Mix_HaltChannel(kSoundChannel);
  Mix_FreeChunk(m_sound);
  m_sound = nullptr;
}

bool SdlAudio::playSound(const char* name, std::uint32_t flags) {
  std::unique_lock lock(m_soundMutex);
  if (name == nullptr) {
    stopSoundLocked();
    return true;
  }
  if ((flags & (kSndMemory | kSndAlias)) != 0) return false;
  const bool loop = (flags & kSndLoop) != 0;
  const bool async = (flags & kSndAsync) != 0;
  if (loop && !async) return false;
  if ((flags & kSndNoStop) != 0 && m_sound != nullptr && Mix_Playing(kSoundChannel)) return false;
  stopSoundLocked();
  if (!isWaveFile(name) || !ensureOpen()) return false;
  Mix_Chunk* chunk = Mix_LoadWAV(name);
  if (chunk == nullptr) return false;
  // An empty chunk would "play" without end and without sound.
  if (chunk->alen == 0 || Mix_PlayChannel(kSoundChannel, chunk, loop ? -1 : 0) < 0) {
    Mix_FreeChunk(chunk);
    return false;
  }
  m_sound = chunk;
  if (!async) {
    // Bounded by the sound's own length, so a stalled output cannot hang the caller.
    const auto length = std::chrono::milliseconds(chunk->alen / (kOutputRate * kOutputChannels * 2 / 1000));
    const auto deadline = std::chrono::steady_clock::now() + length + std::chrono::seconds(2);
    lock.unlock();
    while (Mix_Playing(kSoundChannel) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return true;
}

std::unique_ptr<MciDevice> SdlAudio::openMusic(const std::string& path, std::uint32_t& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = kFileNotFound;
    return nullptr;
  }
  // Devices and pipes could block the reader for ever.
  if (!S_ISREG(info.st_mode)) {
    error = kInvalidFile;
    return nullptr;
  }
  if (!ensureOpen()) {
    error = kHardware;
    return nullptr;
  }
  Mix_Music* music = Mix_LoadMUS(path.c_str());
  if (music == nullptr) {
    error = kInvalidFile;
    return nullptr;
  }
  return std::make_unique<MpegVideoDevice>(*this, music);
}

void SdlAudio::shutdown() {
  // The same order as playSound, which opens the output under its lock.
  std::lock_guard soundLock(m_soundMutex);
  std::lock_guard openLock(m_openMutex);
  if (m_state == State::Open) {
    stopSoundLocked();
    Mix_SetPostMix(nullptr, nullptr);
    Mix_HaltMusic();
    Mix_CloseAudio();
    Mix_Quit();
    std::lock_guard sourcesLock(m_sourcesMutex);
    m_sources.clear();
  }
  if (m_subsystemUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  m_subsystemUp = false;
  m_subsystemTried = false;
  m_state = State::Closed;
}

}  // namespace tumbleview::mci
