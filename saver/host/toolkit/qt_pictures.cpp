#include "qt_pictures.h"

#include <QByteArray>
#include <QFile>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit_error.h"

namespace tumbleview {
namespace {

constexpr std::uint32_t kOpaqueAlpha = 0xFF000000u;

[[noreturn]] void fail(const std::string& what) { throw ToolkitError(what); }

std::string describeErrno(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

// --- writing ----------------------------------------------------------

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

void putLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// An open temporary file that removes itself unless committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::filesystem::path& target) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    // mkstemp creates the name exclusively (O_EXCL), mode 0600: nothing
    // planted there beforehand can be followed or shared.
    m_fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) fail(describeErrno("cannot create a temporary file beside", target));
    m_path = pattern;
  }
  ~TemporaryFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_committed) ::unlink(m_path.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  void write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
      const ssize_t written = ::write(m_fd, data, size);
      if (written < 0) {
        if (errno == EINTR) continue;
        fail(describeErrno("cannot write", m_path));
      }
      data += written;
      size -= static_cast<std::size_t>(written);
    }
  }

  void commitAs(const std::filesystem::path& target) {
    if (::fsync(m_fd) != 0) fail(describeErrno("cannot flush", m_path));
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) fail(describeErrno("cannot close", m_path));
    // rename replaces whatever entry has the final name, a link included,
    // without following it.
    if (::rename(m_path.c_str(), target.c_str()) != 0) {
      fail(describeErrno("cannot rename into place", target));
    }
    m_committed = true;
  }

 private:
  std::filesystem::path m_path;
  int m_fd = -1;
  bool m_committed = false;
};

}  // namespace

QImage loadPictureFile(const std::filesystem::path& path) {
  // Opened by us, not by name through Qt: no blocking on a FIFO (O_NONBLOCK
  // only matters for the open), and only regular files are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) fail(describeErrno("cannot open", path));
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    fail("not a regular file: " + path.string());
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    fail("cannot read " + path.string());
  }
  QImageReader::setAllocationLimit(kPictureAllocationLimitMb);
  QImageReader reader(&file);
  reader.setDecideFormatFromContent(true);
  const QByteArray format = reader.format();
  if (format != "bmp" && format != "jpeg") fail("not a BMP or JPEG picture: " + path.string());

  // Decoding into a buffer filled beforehand keeps a truncated file's
  // missing rows black instead of whatever memory held.
  QImage image;
  const QSize size = reader.size();
  if (size.isValid() && static_cast<qint64>(size.width()) * size.height() * 4 <=
                            static_cast<qint64>(kPictureAllocationLimitMb) * 1024 * 1024) {
    image = QImage(size, reader.imageFormat());
    if (!image.isNull()) image.fill(0);
  }
  if (!reader.read(&image) || image.isNull()) {
    fail("cannot decode " + path.string() + ": " + reader.errorString().toStdString());
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

void saveBitmapFile(const QImage& image, const std::filesystem::path& path) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
    fail("no picture to save as " + path.string());
  }
  const QImage pixels = image.format() == QImage::Format_RGB32
                            ? image
                            : image.convertToFormat(QImage::Format_RGB32);
  const std::uint64_t width = static_cast<std::uint64_t>(pixels.width());
  const std::uint64_t height = static_cast<std::uint64_t>(pixels.height());
  const std::uint64_t stride = (width * 3 + 3) & ~std::uint64_t{3};
  const std::uint64_t imageBytes = stride * height;
  const std::uint64_t fileBytes = kFileHeaderSize + kInfoHeaderSize + imageBytes;
  if (fileBytes > 0xFFFFFFFFu) fail("picture too large for a bitmap file: " + path.string());

  std::vector<std::uint8_t> header;
  header.reserve(kFileHeaderSize + kInfoHeaderSize);
  header.push_back('B');
  header.push_back('M');
  putLe32(header, static_cast<std::uint32_t>(fileBytes));
  putLe32(header, 0);  // two reserved 16-bit fields
  putLe32(header, kFileHeaderSize + kInfoHeaderSize);
  putLe32(header, kInfoHeaderSize);
  putLe32(header, static_cast<std::uint32_t>(width));
  putLe32(header, static_cast<std::uint32_t>(height));  // positive: bottom row first
  putLe16(header, 1);                                   // planes
  putLe16(header, 24);                                  // bits per pixel
  putLe32(header, 0);                                   // BI_RGB
  putLe32(header, static_cast<std::uint32_t>(imageBytes));
  putLe32(header, 0);  // pixels per metre, x
  putLe32(header, 0);  // pixels per metre, y
  putLe32(header, 0);  // colours used
  putLe32(header, 0);  // important colours

  TemporaryFile file(path);
  file.write(header.data(), header.size());

  // Rows go out in batches, so a large picture needs no second full copy.
  constexpr std::size_t kBatchBytes = 1 << 20;
  std::vector<std::uint8_t> batch;
  batch.reserve(kBatchBytes + stride);
  for (int y = pixels.height() - 1; y >= 0; --y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    for (int x = 0; x < pixels.width(); ++x) {
      batch.push_back(static_cast<std::uint8_t>(qBlue(row[x])));
      batch.push_back(static_cast<std::uint8_t>(qGreen(row[x])));
      batch.push_back(static_cast<std::uint8_t>(qRed(row[x])));
    }
    batch.resize(batch.size() + (stride - width * 3), 0);
    if (batch.size() >= kBatchBytes) {
      file.write(batch.data(), batch.size());
      batch.clear();
    }
  }
  file.write(batch.data(), batch.size());
  file.commitAs(path);
}

void stretchCopy(QImage& target, const QRect& targetRect, const QImage& source,
                 const QRect& sourceRect) {
  if (target.isNull() || source.isNull() || targetRect.width() <= 0 ||
      targetRect.height() <= 0 || sourceRect.width() <= 0 || sourceRect.height() <= 0) {
    return;
  }
  if (target.format() != QImage::Format_RGB32 && target.format() != QImage::Format_ARGB32) {
    target = target.convertToFormat(QImage::Format_RGB32);
  }
  const QImage& pixels = source.format() == QImage::Format_RGB32 ||
                                 source.format() == QImage::Format_ARGB32
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
  // Both formats keep one 32-bit pixel per 4 bytes, rows 4-byte aligned.
  const PixelSurface out{reinterpret_cast<std::uint32_t*>(target.bits()), target.width(),
                         target.height(), target.bytesPerLine() / 4};
  const ConstPixelSurface in{reinterpret_cast<const std::uint32_t*>(pixels.constBits()),
                             pixels.width(), pixels.height(), pixels.bytesPerLine() / 4};
  stretchPixels(out, {targetRect.x(), targetRect.y(), targetRect.width(), targetRect.height()}, in,
                {sourceRect.x(), sourceRect.y(), sourceRect.width(), sourceRect.height()},
                kOpaqueAlpha);
}

}  // namespace tumbleview
