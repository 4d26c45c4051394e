#include "mci_layer.h"

#include "cdio_device.h"
#include "mci_cdaudio.h"
#include "mci_errors.h"
#include "mci_interpreter.h"
#include "sdl_mixer_device.h"

#include <cstdlib>
#include <memory>

namespace tumbleview {
namespace {

constexpr const char* kCdromVariable = "TUMBLEVIEW_CDROM";

class SystemLayer final : public MediaControl, public mci::MciDriverFactory {
 public:
  std::uint32_t sendString(const char* command, char* reply, std::uint32_t replyLength) override {
    return m_interpreter.sendString(command, reply, replyLength);
  }

  bool getErrorString(std::uint32_t code, char* text, std::uint32_t length) override {
    return mci::getErrorString(code, text, length);
  }

  bool playSound(const char* soundName, std::uint32_t flags) override {
    return m_audio.playSound(soundName, flags);
  }

  std::uint32_t waveOutDeviceCount() override { return m_audio.outputDeviceCount(); }

  std::unique_ptr<mci::MciDevice> openCdAudio(std::uint32_t& error) override {
    const char* source = std::getenv(kCdromVariable);
    std::unique_ptr<mci::CdioDisc> disc = mci::CdioDisc::open(source != nullptr ? source : "");
    if (disc == nullptr) {
      error = mci::kCannotLoadDriver;
      return nullptr;
    }
    return std::make_unique<mci::CdAudioDevice>(std::move(disc), m_audio);
  }

  std::unique_ptr<mci::MciDevice> openMpegVideo(const std::string& path, std::uint32_t& error) override {
    return m_audio.openMusic(path, error);
  }

  void shutdown() {
    m_interpreter.closeAll();
    m_audio.shutdown();
  }

 private:
  // Declared first, destroyed last: the devices use the audio output.
  mci::SdlAudio m_audio;
  mci::MciInterpreter m_interpreter{*this};
};

SystemLayer& systemLayer() {
  static SystemLayer layer;
  return layer;
}

}  // namespace

MediaControl& systemMediaControl() { return systemLayer(); }

void shutdownSystemMediaControl() { systemLayer().shutdown(); }

}  // namespace tumbleview
