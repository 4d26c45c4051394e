#include "cdio_device.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

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

// Which file a path names and which version of it: a disc image that is
// replaced, rewritten or removed is another disc.
struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modifiedNs = 0;

  static FileIdentity of(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return {true, info.st_dev, info.st_ino, info.st_size,
            std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
  }
  bool operator==(const FileIdentity&) const = default;
};

// Whether a drive whose table cannot be read holds a disc at all (a blank
// one) or none.
bool driveHoldsDisc(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
  ::close(fd);
  return status == CDS_DISC_OK;
}

}  // namespace

// Re-reads of a sector before paranoia gives up on it: a scratched disc
// costs a moment of silence, not a feeder stuck for minutes.
constexpr int kParanoiaRetries = 3;

struct CdioDisc::Handle {
  CdIo_t* cdio = nullptr;
  cdrom_drive_t* drive = nullptr;
  cdrom_paranoia_t* paranoia = nullptr;
  bool paranoiaTried = false;
  lsn_t nextLsn = CDIO_INVALID_LSN;  // where paranoia will read next

  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
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

struct CdioDisc::State {
  std::mutex mutex;  // the handle
  std::string source;  // the image file, or the drive's device file
  driver_id_t driver = DRIVER_DEVICE;
  bool isImage = false;
  std::unique_ptr<Handle> handle;
  // The image's files (the named one and the data file it refers to) as
  // they were when the table was read.  A lock of their own: looking at
  // them never waits for a read in progress.
  std::mutex filesMutex;
  std::vector<std::pair<std::string, FileIdentity>> files;

  // libcdio keeps a drive's table once read and an image as parsed at
  // open, so a fresh read needs a fresh handle.
  void reopen() {
    handle = std::make_unique<Handle>();
    if (!isImage) {
      handle->cdio = cdio_open(source.empty() ? nullptr : source.c_str(), driver);
      return;
    }
    std::vector<std::pair<std::string, FileIdentity>> read{{source, FileIdentity::of(source)}};
    if (driver != DRIVER_UNKNOWN) handle->cdio = cdio_open(source.c_str(), driver);
    const char* data = handle->cdio != nullptr ? cdio_get_arg(handle->cdio, "source") : nullptr;
    if (data != nullptr && source != data) read.emplace_back(data, FileIdentity::of(data));
    std::lock_guard lock(filesMutex);
    files = std::move(read);
  }
};

CdioDisc::CdioDisc(std::unique_ptr<State> state) : m_state(std::move(state)) {}

CdioDisc::~CdioDisc() = default;

std::unique_ptr<CdioDisc> CdioDisc::open(const std::string& source) {
  silenceLibcdio();
  auto state = std::make_unique<State>();
  if (source.empty()) {
    CdIo_t* cdio = cdio_open(nullptr, DRIVER_DEVICE);
    if (cdio == nullptr) return nullptr;
    const char* device = cdio_get_arg(cdio, "source");
    state->source = device != nullptr ? device : "";
    state->handle = std::make_unique<Handle>();
    state->handle->cdio = cdio;
    return std::unique_ptr<CdioDisc>(new CdioDisc(std::move(state)));
  }
  struct stat info {};
  if (::stat(source.c_str(), &info) != 0) return nullptr;
  state->source = source;
  if (S_ISREG(info.st_mode)) {
    state->isImage = true;
    state->driver = imageDriverFor(source);
  }
  state->reopen();
  if (!state->isImage && state->handle->cdio == nullptr) return nullptr;
  return std::unique_ptr<CdioDisc>(new CdioDisc(std::move(state)));
}

bool CdioDisc::mediumChanged() {
  if (m_state->isImage) {
    std::lock_guard lock(m_state->filesMutex);
    for (const auto& [path, identity] : m_state->files) {
      if (!(FileIdentity::of(path) == identity)) return true;
    }
    return false;
  }
  // Never wait for a read in progress: the disc is there while it reads,
  // and a read that fails is a sign of its own.
  std::unique_lock lock(m_state->mutex, std::try_to_lock);
  if (!lock.owns_lock()) return false;
  CdIo_t* cdio = m_state->handle != nullptr ? m_state->handle->cdio : nullptr;
  return cdio != nullptr && cdio_get_media_changed(cdio) == 1;
}

CdMedium CdioDisc::readToc(CdToc& toc) {
  std::lock_guard lock(m_state->mutex);
  m_state->reopen();
  const bool present = m_state->isImage ? FileIdentity::of(m_state->source).exists : driveHoldsDisc(m_state->source);
  const CdMedium unreadable = present ? CdMedium::Unreadable : CdMedium::Absent;
  CdIo_t* cdio = m_state->handle->cdio;
  if (cdio == nullptr) return unreadable;
  const track_t first = cdio_get_first_track_num(cdio);
  const track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 || first == 0 ||
      first + count - 1 > 99) {
    return unreadable;
  }
  CdToc read;
  for (int number = first; number < first + count; ++number) {
    const lsn_t start = cdio_get_track_lsn(cdio, static_cast<track_t>(number));
    if (start == CDIO_INVALID_LSN || start < 0) return unreadable;
    if (!read.tracks.empty() && start <= read.tracks.back().startLsn) return unreadable;
    const bool audio = cdio_get_track_format(cdio, static_cast<track_t>(number)) == TRACK_FORMAT_AUDIO;
    read.tracks.push_back(CdTrack{number, start, audio});
  }
  const lsn_t leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
  if (leadout == CDIO_INVALID_LSN || leadout <= read.tracks.back().startLsn) return unreadable;
  read.leadoutLsn = leadout;
  toc = std::move(read);
  return CdMedium::Readable;
}

bool CdioDisc::readAudio(std::int32_t lsn, std::uint32_t count, std::int16_t* pcm) {
  std::lock_guard lock(m_state->mutex);
  Handle& handle = *m_state->handle;
  if (handle.cdio == nullptr) return false;
  if (!handle.startParanoia(m_state->isImage)) {
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
