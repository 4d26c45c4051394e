// The one owner of SDL audio and SDL2_mixer in the program: the audio
// output (opened once, lazily, on first need, and closed by shutdown()),
// the "MPEGVideo" driver for sound files, the looping sound player, and
// the mixing of CD audio sources into the output.
//
// The output runs at 44.1 kHz, stereo, 16-bit whatever the device does
// (SDL converts).  A machine without audio output gets a device count of 0,
// sound calls that return false and MCI commands that fail with 262.
//
// Thread-safety: the public members may be called from any thread; the
// audio thread only enters through the mixer's post-mix hook.
#pragma once

#include "audio_output.h"
#include "mci_device.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct Mix_Chunk;
struct _Mix_Music;

namespace tumbleview::mci {

// PlaySound flags (the platform's values).
inline constexpr std::uint32_t kSndSync = 0x0000;
inline constexpr std::uint32_t kSndAsync = 0x0001;
inline constexpr std::uint32_t kSndNoDefault = 0x0002;
inline constexpr std::uint32_t kSndMemory = 0x0004;
inline constexpr std::uint32_t kSndLoop = 0x0008;
inline constexpr std::uint32_t kSndNoStop = 0x0010;
inline constexpr std::uint32_t kSndAlias = 0x10000;
inline constexpr std::uint32_t kSndFilename = 0x20000;

class SdlAudio : public AudioOutput {
 public:
  SdlAudio();
  ~SdlAudio() override;
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;

  // Opens the output on first call; later calls return the first answer.
  bool ensureOpen();
  // Number of audio output devices SDL reports; 0 when there is none.
  std::uint32_t outputDeviceCount();

  bool attach(PcmSource* source) override;
  void detach(PcmSource* source) override;

  // PlaySound: a RIFF/WAVE file (SND_FILENAME or a plain name), played
  // once or, with SND_ASYNC | SND_LOOP, looped until the next call.  A
  // null name stops the sound.  One sound at a time: a new call stops the
  // previous sound first.  A missing, unreadable or empty file returns
  // false and plays nothing.  Without SND_ASYNC the call returns when the
  // sound has ended.  Memory, alias and resource sounds are not supported
  // (false).
  bool playSound(const char* name, std::uint32_t flags);

  // Opens a sound file for the "MPEGVideo" driver; see MciDriverFactory.
  std::unique_ptr<MciDevice> openMusic(const std::string& path, std::uint32_t& error);

  // Stops everything and closes the output.  Music devices must have been
  // closed before.  The next use opens the output again.
  void shutdown();

 private:
  friend class MpegVideoDevice;
  static void postMix(void* self, std::uint8_t* stream, int length);
  void stopSoundLocked();

  enum class State { Closed, Open, Failed };
  std::mutex m_openMutex;
  State m_state = State::Closed;
  bool m_subsystemUp = false;
  bool m_subsystemTried = false;

  std::mutex m_sourcesMutex;
  std::vector<PcmSource*> m_sources;

  std::mutex m_soundMutex;
  Mix_Chunk* m_sound = nullptr;

  // SDL2_mixer plays one music stream: the device whose music it is.
  std::mutex m_musicMutex;
  const _Mix_Music* m_currentMusic = nullptr;
};

}  // namespace tumbleview::mci
