#include "cdio_device.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>
#include <sys/stat.h>

namespace tumbleview::mci {
namespace {

// libcdio prints its complaints about unreadable images and missing
// drives on stderr; they become error codes here instead.
void quietLog(cdio_log_level_t, const char[]) {}

void silenceLibcdio() {
  static std::once_flag once;
  std::call_once(once, [] { cdio_log_set_handler(quietLog); });
}

bool endsWith(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = text[text.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

driver_id_t imageDriverFor(std::string_view path) {
  if (endsWith(path, ".cue") || endsWith(path, ".bin")) return DRIVER_BINCUE;
  if (endsWith(path, ".toc")) return DRIVER_CDRDAO;
  if (endsWith(path, ".nrg")) return DRIVER_NRG;
  return DRIVER_UNKNOWN;
}

}  // namespace

// Re-reads of a sector before paranoia gives up on it: a scratched disc
// costs a moment of silence, not a feeder stuck for minutes.
constexpr int kParanoiaRetries = 3;

struct CdioDisc::Handle {
  std::mutex mutex;
  CdIo_t* cdio = nullptr;
  cdrom_drive_t* drive = nullptr;
  cdrom_paranoia_t* paranoia = nullptr;
  bool paranoiaTried = false;
  lsn_t nextLsn = CDIO_INVALID_LSN;  // where paranoia will read next

  ~Handle() {
    if (paranoia != nullptr) cdio_paranoia_free(paranoia);
    if (drive != nullptr) cdio_cddap_close_no_free_cdio(drive);
    if (cdio != nullptr) cdio_destroy(cdio);
  }

  // Paranoia corrects the jitter and read errors of real drives; images
  // cannot have them, so their sectors pass straight through.
  bool startParanoia(bool isImage) {
    if (paranoiaTried) return paranoia != nullptr;
    paranoiaTried = true;
    drive = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (drive == nullptr) return false;
    if (cdio_cddap_open(drive) != 0) return false;
    paranoia = cdio_paranoia_init(drive);
    if (paranoia == nullptr) return false;
    cdio_paranoia_modeset(paranoia, isImage ? PARANOIA_MODE_DISABLE : PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    return true;
  }
};

CdioDisc::CdioDisc(std::unique_ptr<Handle> handle, bool isImage)
    : m_handle(std::move(handle)), m_isImage(isImage) {}

CdioDisc::~CdioDisc() = default;

std::unique_ptr<CdioDisc> CdioDisc::open(const std::string& source) {
  silenceLibcdio();
  auto handle = std::make_unique<Handle>();
  if (source.empty()) {
    handle->cdio = cdio_open(nullptr, DRIVER_DEVICE);
    if (handle->cdio == nullptr) return nullptr;
    return std::unique_ptr<CdioDisc>(new CdioDisc(std::move(handle), false));
  }
  struct stat info {};
  if (::stat(source.c_str(), &info) != 0) return nullptr;
  if (S_ISREG(info.st_mode)) {
    const driver_id_t driver = imageDriverFor(source);
    if (driver != DRIVER_UNKNOWN) handle->cdio = cdio_open(source.c_str(), driver);
    return std::unique_ptr<CdioDisc>(new CdioDisc(std::move(handle), true));
  }
  handle->cdio = cdio_open(source.c_str(), DRIVER_DEVICE);
  if (handle->cdio == nullptr) return nullptr;
  return std::unique_ptr<CdioDisc>(new CdioDisc(std::move(handle), false));
}

std::optional<CdToc> CdioDisc::readToc() {
  std::lock_guard lock(m_handle->mutex);
  CdIo_t* cdio = m_handle->cdio;
  if (cdio == nullptr) return std::nullopt;
  const track_t first = cdio_get_first_track_num(cdio);
  const track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 || first == 0 ||
      first + count - 1 > 99) {
    return std::nullopt;
  }
  CdToc toc;
  for (int number = first; number < first + count; ++number) {
    const lsn_t start = cdio_get_track_lsn(cdio, static_cast<track_t>(number));
    if (start == CDIO_INVALID_LSN || start < 0) return std::nullopt;
    if (!toc.tracks.empty() && start <= toc.tracks.back().startLsn) return std::nullopt;
    const bool audio = cdio_get_track_format(cdio, static_cast<track_t>(number)) == TRACK_FORMAT_AUDIO;
    toc.tracks.push_back(CdTrack{number, start, audio});
  }
  const lsn_t leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
  if (leadout == CDIO_INVALID_LSN || leadout <= toc.tracks.back().startLsn) return std::nullopt;
  toc.leadoutLsn = leadout;
  return toc;
}

bool CdioDisc::readAudio(std::int32_t lsn, std::uint32_t count, std::int16_t* pcm) {
  std::lock_guard lock(m_handle->mutex);
  Handle& handle = *m_handle;
  if (handle.cdio == nullptr) return false;
  if (!handle.startParanoia(m_isImage)) {
    return cdio_read_audio_sectors(handle.cdio, pcm, lsn, count) == DRIVER_OP_SUCCESS;
  }
  if (handle.nextLsn != lsn) {
    if (cdio_paranoia_seek(handle.paranoia, lsn, SEEK_SET) < 0) return false;
  }
  handle.nextLsn = CDIO_INVALID_LSN;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::int16_t* sector = cdio_paranoia_read_limited(handle.paranoia, nullptr, kParanoiaRetries);
    if (sector == nullptr) return false;
    std::memcpy(pcm + static_cast<std::size_t>(i) * kCdFramesPerSector * 2, sector, kCdSectorBytes);
  }
  handle.nextLsn = lsn + static_cast<lsn_t>(count);
  return true;
}

}  // namespace tumbleview::mci
