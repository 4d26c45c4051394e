// The audio output as the CD driver sees it: a stream of 44.1 kHz stereo
// 16-bit frames into which sources add their sound.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tumbleview::mci {

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;

class PcmSource {
 public:
  virtual ~PcmSource() = default;
  // Called on the audio thread: adds (with saturation) up to `frames`
  // interleaved stereo frames into `samples`.  Must not block for long.
  virtual void mixInto(std::int16_t* samples, std::size_t frames) = 0;
};

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Opens the output if it is not open yet and adds `source` to the mix.
  // False when there is no audio output; the source is then not called.
  virtual bool attach(PcmSource* source) = 0;
  // Removes `source`; once this returns, the audio thread no longer calls it.
  virtual void detach(PcmSource* source) = 0;
};

}  // namespace tumbleview::mci
