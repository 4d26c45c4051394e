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

CdAudioDevice::CdAudioDevice(std::unique_ptr<CdDisc> disc, AudioOutput& output)
    : m_disc(std::move(disc)),
      m_output(output),
      m_feeder([this](std::int32_t lsn, std::uint32_t count, std::int16_t* pcm) {
        if (m_disc->readAudio(lsn, count, pcm)) return true;
        m_readFailed = true;
        return false;
      }) {}

CdAudioDevice::~CdAudioDevice() {
  m_feeder.stop();
  if (m_attached) m_output.detach(&m_feeder);
}

const CdToc* CdAudioDevice::toc() {
  // A failed read may be the first sign that the disc has gone: look at
  // the drive again, as after a change it reports.  Without a table, keep
  // looking: a drive may get its disc after "open".
  const bool suspect = m_readFailed.exchange(false);
  if (m_toc && !suspect && !m_disc->mediumChanged()) return &*m_toc;
  CdToc fresh;
  m_medium = m_disc->readToc(fresh);
  if (m_medium == CdMedium::Readable && m_toc && fresh == *m_toc) return &*m_toc;
  if (m_toc) {
    // The disc under the play has gone; never go on playing it.
    m_feeder.stop();
    m_toc.reset();
  }
  if (m_medium != CdMedium::Readable) return nullptr;
  m_toc = std::move(fresh);
  m_position = m_toc->tracks.front().startLsn;
  return &*m_toc;
}

std::uint32_t CdAudioDevice::noTableError() const {
  return m_medium == CdMedium::Absent ? kDeviceNotReady : kHardware;
}

std::int32_t CdAudioDevice::trackEnd(const CdTrack& track) const {
  return &track == &m_toc->tracks.back() ? m_toc->leadoutLsn : (&track + 1)->startLsn;
}

const CdTrack* CdAudioDevice::trackAt(std::int32_t lsn) const {
  const CdTrack* found = &m_toc->tracks.front();
  for (const CdTrack& track : m_toc->tracks) {
    if (track.startLsn <= lsn) found = &track;
  }
  return found;
}

std::vector<CdAudioFeeder::Span> CdAudioDevice::audioSpans(std::int32_t from, std::int32_t end) const {
  std::vector<CdAudioFeeder::Span> spans;
  for (const CdTrack& track : m_toc->tracks) {
    const std::int32_t spanFrom = std::max(from, track.startLsn);
    const std::int32_t spanEnd = std::min(end, trackEnd(track));
    if (!track.audio || spanFrom >= spanEnd) continue;
    if (!spans.empty() && spans.back().endLsn == spanFrom) {
      spans.back().endLsn = spanEnd;
    } else {
      spans.push_back({spanFrom, spanEnd});
    }
  }
  return spans;
}

std::int32_t CdAudioDevice::restingPlace(std::int32_t lsn) const {
  for (const CdTrack& track : m_toc->tracks) {
    if (track.audio && trackEnd(track) > lsn) return lsn;
  }
  return m_toc->tracks.front().startLsn;
}

std::int32_t CdAudioDevice::currentLsn() {
  const CdAudioFeeder::Snapshot state = m_feeder.snapshot();
  if (state.playing) return state.position;
  if (state.finished) return restingPlace(state.position);
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
  if (toc() == nullptr) return noTableError();
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
  std::vector<CdAudioFeeder::Span> spans = audioSpans(start, end);
  m_feeder.stop();
  if (spans.empty()) {
    m_position = restingPlace(end);
    return kOk;
  }
  if (!m_attached) {
    if (!m_output.attach(&m_feeder)) return kHardware;
    m_attached = true;
  }
  m_position = spans.front().fromLsn;
  m_feeder.start(std::move(spans));
  return kOk;
}

std::uint32_t CdAudioDevice::stop() {
  if (toc() == nullptr) return kOk;
  m_position = m_feeder.snapshot().playing ? m_feeder.stop() : currentLsn();
  return kOk;
}

std::uint32_t CdAudioDevice::status(const StatusQuery& query, std::string& reply) {
  const CdToc* contents = toc();
  switch (query.item) {
    case StatusItem::Mode:
      if (contents == nullptr) {
        reply = m_medium == CdMedium::Absent ? kModeOpen : kModeStopped;
      } else {
        reply = m_feeder.snapshot().playing ? kModePlaying : kModeStopped;
      }
      return kOk;
    case StatusItem::MediaPresent:
      reply = m_medium != CdMedium::Absent ? kTrue : kFalse;
      return kOk;
    case StatusItem::Ready:
      reply = contents != nullptr ? kTrue : kFalse;
      return kOk;
    case StatusItem::TimeFormat:
      reply = timeFormatWord(m_format);
      return kOk;
    default:
      break;
  }
  if (contents == nullptr) return noTableError();

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
      reply = formatLength(trackEnd(*track) - (last ? 1 : 0) - track->startLsn);
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
