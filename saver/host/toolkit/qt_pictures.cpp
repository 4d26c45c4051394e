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

#include "bitmap_file_writer.h"
#include "toolkit_error.h"

namespace tumbleview {
namespace {

constexpr std::uint32_t kOpaqueAlpha = 0xFF000000u;

[[noreturn]] void fail(const std::string& what) { throw ToolkitError(what); }

std::string describeErrno(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

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
  if (image.isNull()) fail("no picture to save as " + path.string());
  const bool direct =
      image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
  const QImage pixels = direct ? image : image.convertToFormat(QImage::Format_RGB32);
  const Xrgb32Rows rows{pixels.width(), pixels.height(), pixels.constBits(), pixels.bytesPerLine()};
  if (!writeBitmapFile(path, rows)) fail("cannot write the bitmap file " + path.string());
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
