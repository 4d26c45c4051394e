#include "mci_cdaudio.h"

#include "mci_errors.h"

#include <algorithm>
#include <cstdio>

namespace tumbleview::mci {
namespace {

constexpr std::int32_t kSectorsPerMinute = 60 * kCdSectorsPerSecond;

std::string twoDigits(std::int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%02lld", static_cast<long long>(value));
  return text;
}

std::string msfText(std::int64_t sectors) {
  return twoDigits(sectors / kSectorsPerMinute) + ":" + twoDigits(sectors / kCdSectorsPerSecond % 60) + ":" +
         twoDigits(sectors % kCdSectorsPerSecond);
}

}  // namespace

CdAudioDevice::CdAudioDevice(std::unique_ptr<CdioDisc> disc, AudioOutput& output)
    : m_disc(std::move(disc)),
      m_output(output),
      m_feeder([this](std::int32_t lsn, std::uint32_t count, std::int16_t* pcm) {
        return readSectors(lsn, count, pcm);
      }) {
  if (const CdToc* contents = toc()) m_position = contents->tracks.front().startLsn;
}

CdAudioDevice::~CdAudioDevice() {
  m_feeder.stop();
  if (m_attached) m_output.detach(&m_feeder);
}

const CdToc* CdAudioDevice::toc() {
  // A drive may get its disc after "open": keep asking until one is read.
  if (!m_toc) m_toc = m_disc->readToc();
  return m_toc ? &*m_toc : nullptr;
}

bool CdAudioDevice::readSectors(std::int32_t lsn, std::uint32_t count, std::int16_t* pcm) {
  // Data tracks play as silence, never as noise: read the audio runs of
  // the range and leave the rest zero.
  constexpr std::size_t kSamplesPerSector = static_cast<std::size_t>(kCdFramesPerSector) * 2;
  std::fill_n(pcm, count * kSamplesPerSector, std::int16_t{0});
  bool ok = true;
  const std::int32_t end = lsn + static_cast<std::int32_t>(count);
  const auto& tracks = m_playingToc.tracks;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const std::int32_t trackEnd = i + 1 < tracks.size() ? tracks[i + 1].startLsn : m_playingToc.leadoutLsn;
    const std::int32_t from = std::max(lsn, tracks[i].startLsn);
    const std::int32_t to = std::min(end, trackEnd);
    if (!tracks[i].audio || from >= to) continue;
    ok = m_disc->readAudio(from, static_cast<std::uint32_t>(to - from),
                           pcm + static_cast<std::size_t>(from - lsn) * kSamplesPerSector) && ok;
  }
  return ok;
}

const CdTrack* CdAudioDevice::trackAt(std::int32_t lsn) const {
  const CdTrack* found = &m_toc->tracks.front();
  for (const CdTrack& track : m_toc->tracks) {
    if (track.startLsn <= lsn) found = &track;
  }
  return found;
}

std::int32_t CdAudioDevice::currentLsn() {
  const CdAudioFeeder::Snapshot state = m_feeder.snapshot();
  if (state.playing) return state.position;
  if (state.finished) {
    if (m_toc && state.position >= m_toc->leadoutLsn) return m_toc->tracks.front().startLsn;
    return state.position;
  }
  return m_position;
}

std::uint32_t CdAudioDevice::toLsn(std::uint32_t packed, std::int32_t& lsn) const {
  const std::int64_t byte0 = packed & 0xFF;
  const std::int64_t byte1 = (packed >> 8) & 0xFF;
  const std::int64_t byte2 = (packed >> 16) & 0xFF;
  const std::int64_t byte3 = (packed >> 24) & 0xFF;
  std::int64_t sector = 0;
  switch (m_format) {
    case TimeFormat::Tmsf: {
      const auto track = std::find_if(m_toc->tracks.begin(), m_toc->tracks.end(),
                                      [&](const CdTrack& t) { return t.number == byte0; });
      if (track == m_toc->tracks.end()) return kOutOfRange;
      sector = track->startLsn + (byte1 * 60 + byte2) * kCdSectorsPerSecond + byte3;
      break;
    }
    case TimeFormat::Msf:
      sector = (byte0 * 60 + byte1) * kCdSectorsPerSecond + byte2 - kCdMsfOffset;
      break;
    case TimeFormat::Milliseconds:
      sector = (packed == 0 ? 0 : ((std::int64_t{packed} - 1) * kCdSectorsPerSecond + 500) / 1000) - kCdMsfOffset;
      break;
  }
  if (sector < m_toc->tracks.front().startLsn || sector > m_toc->leadoutLsn) return kOutOfRange;
  lsn = static_cast<std::int32_t>(sector);
  return kOk;
}

std::string CdAudioDevice::formatPosition(std::int32_t lsn) const {
  switch (m_format) {
    case TimeFormat::Tmsf: {
      const CdTrack* track = trackAt(lsn);
      const std::int64_t offset = std::max(0, lsn - track->startLsn);
      return twoDigits(track->number) + ":" + msfText(offset);
    }
    case TimeFormat::Msf:
      return msfText(std::int64_t{lsn} + kCdMsfOffset);
    case TimeFormat::Milliseconds:
      return std::to_string((std::int64_t{lsn} + kCdMsfOffset) * 1000 / kCdSectorsPerSecond + 1);
  }
  return {};
}

std::string CdAudioDevice::formatLength(std::int32_t sectors) const {
  // Lengths stay in MSF under TMSF, as the platform reports them.
  if (m_format == TimeFormat::Milliseconds) return std::to_string(std::int64_t{sectors} * 1000 / kCdSectorsPerSecond);
  return msfText(sectors);
}

std::uint32_t CdAudioDevice::play(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to) {
  if (toc() == nullptr) return kDeviceNotReady;
  std::int32_t start = 0;
  std::int32_t end = m_toc->leadoutLsn;
  if (from) {
    if (const std::uint32_t code = toLsn(*from, start); code != kOk) return code;
  } else {
    start = currentLsn();
  }
  if (to) {
    if (const std::uint32_t code = toLsn(*to, end); code != kOk) return code;
  }
  if (start > end || start >= m_toc->leadoutLsn) return kOutOfRange;
  if (!m_attached) {
    if (!m_output.attach(&m_feeder)) return kHardware;
    m_attached = true;
  }
  m_feeder.stop();
  m_playingToc = *m_toc;
  m_position = start;
  m_feeder.start(start, end);
  return kOk;
}

std::uint32_t CdAudioDevice::stop() {
  const CdAudioFeeder::Snapshot state = m_feeder.snapshot();
  if (state.playing) {
    m_position = m_feeder.stop();
  } else {
    m_position = currentLsn();
  }
  return kOk;
}

std::uint32_t CdAudioDevice::status(const StatusQuery& query, std::string& reply) {
  const CdToc* contents = toc();
  switch (query.item) {
    case StatusItem::Mode:
      if (contents == nullptr) {
        reply = m_disc->isImage() ? kModeNotReady : kModeOpen;
      } else {
        reply = m_feeder.snapshot().playing ? kModePlaying : kModeStopped;
      }
      return kOk;
    case StatusItem::MediaPresent:
    case StatusItem::Ready:
      reply = contents != nullptr ? kTrue : kFalse;
      return kOk;
    case StatusItem::TimeFormat:
      reply = timeFormatWord(m_format);
      return kOk;
    default:
      break;
  }
  if (contents == nullptr) return kDeviceNotReady;

  const CdTrack* track = nullptr;
  if (query.track) {
    const auto found = std::find_if(contents->tracks.begin(), contents->tracks.end(),
                                    [&](const CdTrack& t) { return t.number >= 0 && std::uint32_t(t.number) == *query.track; });
    if (found == contents->tracks.end()) return kOutOfRange;
    track = &*found;
  }
  switch (query.item) {
    case StatusItem::NumberOfTracks:
      reply = std::to_string(contents->tracks.size());
      return kOk;
    case StatusItem::CurrentTrack:
      reply = std::to_string(trackAt(currentLsn())->number);
      return kOk;
    case StatusItem::Position:
      reply = formatPosition(track != nullptr ? track->startLsn : currentLsn());
      return kOk;
    case StatusItem::Length: {
      if (track == nullptr) {
        reply = formatLength(contents->leadoutLsn - contents->tracks.front().startLsn);
        return kOk;
      }
      const bool last = track == &contents->tracks.back();
      const std::int32_t end = last ? contents->leadoutLsn - 1 : (track + 1)->startLsn;
      reply = formatLength(end - track->startLsn);
      return kOk;
    }
    default:
      return kUnsupportedFunction;
  }
}

std::uint32_t CdAudioDevice::setTimeFormat(TimeFormat format) {
  m_format = format;
  return kOk;
}

}  // namespace tumbleview::mci
