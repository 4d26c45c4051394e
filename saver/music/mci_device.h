// What the media-control interpreter asks of a device driver.  Drivers are
// created by an MciDriverFactory, owned by the interpreter from a
// successful "open" to its "close", and only ever called with the
// interpreter's lock held, so a driver sees one command at a time.  Every
// operation returns 0 or an MciError code; on failure the device is left as
// it was.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tumbleview::mci {

enum class TimeFormat { Milliseconds, Msf, Tmsf };

enum class StatusItem {
  CurrentTrack,
  Length,
  MediaPresent,
  Mode,
  NumberOfTracks,
  Position,
  Ready,
  TimeFormat,
};

struct StatusQuery {
  StatusItem item = StatusItem::Mode;
  std::optional<std::uint32_t> track;  // "track N", for position and length
};

// Positions ("from", "to") arrive as the packed numbers of the command
// string: plain decimal, or up to four colon-separated byte fields packed
// low byte first, interpreted in the device's current time format.
class MciDevice {
 public:
  virtual ~MciDevice() = default;
  virtual std::uint32_t play(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to) = 0;
  virtual std::uint32_t stop() = 0;
  virtual std::uint32_t status(const StatusQuery& query, std::string& reply) = 0;
  virtual std::uint32_t setTimeFormat(TimeFormat format) = 0;
};

class MciDriverFactory {
 public:
  virtual ~MciDriverFactory() = default;
  // The audio CD drive (or the disc image standing for it).  On failure
  // returns null and sets `error`.
  virtual std::unique_ptr<MciDevice> openCdAudio(std::uint32_t& error) = 0;
  // A sound file for the MPEGVideo driver.  On failure returns null and
  // sets `error` (275 missing file, 296 undecodable, 262 no audio output).
  virtual std::unique_ptr<MciDevice> openMpegVideo(const std::string& path, std::uint32_t& error) = 0;
};

// Reply words shared by the drivers.
inline constexpr const char* kModePlaying = "playing";
inline constexpr const char* kModeStopped = "stopped";
inline constexpr const char* kModeOpen = "open";
inline constexpr const char* kTrue = "true";
inline constexpr const char* kFalse = "false";

const char* timeFormatWord(TimeFormat format);

}  // namespace tumbleview::mci
