// The narrow boundary between the music player and the platform's media
// services: the equivalents of mciSendStringA, mciGetErrorStringA,
// PlaySoundA and waveOutGetNumDevs.  Strings are UTF-8.
#pragma once

#include <cstdint>

namespace tumbleview {

class MediaControl {
 public:
  virtual ~MediaControl() = default;

  // mciSendStringA: runs one command string.  `reply` may be null when
  // `replyLength` is 0 (no reply wanted); otherwise it receives the reply
  // text, never more than `replyLength` bytes including the NUL.  Returns
  // 0 or an MCI error code (257..).
  virtual std::uint32_t sendString(const char* command, char* reply, std::uint32_t replyLength) = 0;

  // mciGetErrorStringA: the text of an MCI error code, truncated to fit;
  // false for codes without a text.
  virtual bool getErrorString(std::uint32_t code, char* text, std::uint32_t length) = 0;

  // PlaySoundA (module argument dropped): the file name or null, and the
  // SND_* flags.  True on success.
  virtual bool playSound(const char* soundName, std::uint32_t flags) = 0;

  // waveOutGetNumDevs: number of audio output devices.
  virtual std::uint32_t waveOutDeviceCount() = 0;
};

// The process's real media layer (the command interpreter over libcdio and
// SDL2_mixer), created on first use.  The CD drive is the system default,
// or the drive or disc image named by $TUMBLEVIEW_CDROM when it is set.
MediaControl& systemMediaControl();

// Closes every open device, stops the looping sound and closes the audio
// output of the system layer.  Also done at process exit.  The layer stays
// usable; the next command opens what it needs again.
void shutdownSystemMediaControl();

}  // namespace tumbleview
