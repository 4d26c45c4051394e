#include "image_loading.h"

#include <cstdio>
#include <new>
#include <string>

#include "bmp_decoder.h"
#include "error_report.h"
#include "posix_mapped_file.h"

namespace tumbleview {
namespace {

std::string failedToOpenMessage(const char* path) {
  const int length = std::snprintf(nullptr, 0, kFailedToOpenDib, path);
  if (length <= 0) return kFailedToOpenDib;
  std::string message(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(message.data(), message.size(), kFailedToOpenDib, path);
  message.resize(static_cast<std::size_t>(length));
  return message;
}

const char* statusMessage(DibStatus status) {
  switch (status) {
    case DibStatus::kUnknownFormat: return kUnknownDibFormat;
    case DibStatus::kOutOfMemory: return kOutOfMemory;
    case DibStatus::kOk:
    case DibStatus::kConversionError: break;
  }
  return kImageConversionError;
}

std::unique_ptr<RgbImage> decodeMapped(const char* path, const PosixMappedFile& file) {
  if (!file.isOpen()) {
    reportError(failedToOpenMessage(path));
    return nullptr;
  }
  std::unique_ptr<RgbImage> image;
  DibStatus status = DibStatus::kOutOfMemory;
  try {
    image = std::make_unique<RgbImage>();
    status = decodeDibInto(file.bytes(), *image);
  } catch (const std::bad_alloc&) {
    status = DibStatus::kOutOfMemory;
  }
  if (status != DibStatus::kOk) {
    reportError(statusMessage(status));
    return nullptr;
  }
  return image;
}

}  // namespace

std::unique_ptr<RgbImage> LoadImageFile(const char* path) {
  if (path == nullptr) return nullptr;
  // One opening serves both the silent probe and the decoder, so nothing
  // can be swapped in between.
  const PosixMappedFile file(path);
  if (file.failure() == MapFailure::kCannotOpen || file.failure() == MapFailure::kNotRegularFile) {
    return nullptr;
  }
  return decodeMapped(path, file);
}

std::unique_ptr<RgbImage> LoadDibImage(const char* path) {
  return decodeMapped(path ? path : "(null)", PosixMappedFile(path));
}

}  // namespace tumbleview
