#include "bmp_test_writer.h"

#include <algorithm>
#include <stdexcept>

namespace tumbleview::test {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::size_t Stride(int width, int bpp) { return (static_cast<std::size_t>(width) * bpp + 31) / 32 * 4; }

std::size_t RunAt(const std::vector<std::uint8_t>& row, std::size_t i) {
  std::size_t run = 1;
  while (i + run < row.size() && row[i + run] == row[i] && run < 255) ++run;
  return run;
}

// Splits one row into encoded runs (count, index) and literal stretches
// (0, indices...), the common part of both run-length encoders.
struct Piece {
  bool literal = false;
  std::vector<std::uint8_t> indices;
};

std::vector<Piece> SplitRow(const std::vector<std::uint8_t>& row) {
  std::vector<Piece> pieces;
  std::size_t i = 0;
  while (i < row.size()) {
    const std::size_t run = RunAt(row, i);
    if (run >= 3) {
      pieces.push_back({false, std::vector<std::uint8_t>(run, row[i])});
      i += run;
      continue;
    }
    std::size_t end = i;
    while (end < row.size() && end - i < 255 && RunAt(row, end) < 3) ++end;
    if (end - i >= 3) {
      pieces.push_back({true, {row.begin() + static_cast<long>(i), row.begin() + static_cast<long>(end)}});
    } else {
      for (std::size_t k = i; k < end; ++k) pieces.push_back({false, {row[k]}});
    }
    i = end;
  }
  return pieces;
}

std::vector<std::uint8_t> RowOf(const IndexedPicture& picture, int row) {
  const auto begin = picture.indices.begin() + static_cast<long>(row) * picture.width;
  return {begin, begin + picture.width};
}

template <typename EmitPiece>
std::vector<std::uint8_t> EncodeRle(const IndexedPicture& picture, EmitPiece emit) {
  std::vector<std::uint8_t> out;
  for (int row = 0; row < picture.height; ++row) {
    for (const Piece& piece : SplitRow(RowOf(picture, row))) emit(out, piece);
    if (row + 1 < picture.height) out.insert(out.end(), {0, 0});
  }
  out.insert(out.end(), {0, 1});
  return out;
}

}  // namespace

std::vector<std::uint8_t> Picture::rgbBytes() const {
  std::vector<std::uint8_t> out;
  for (const Rgb8& p : pixels) out.insert(out.end(), {p.r, p.g, p.b});
  return out;
}

std::vector<std::uint8_t> WriteBmp(const BmpFields& f) {
  std::vector<std::uint8_t> header;
  Put32(header, f.headerSize);
  if (f.headerSize == 12) {
    Put16(header, static_cast<std::uint32_t>(f.width) & 0xFFFF);
    Put16(header, static_cast<std::uint32_t>(f.height) & 0xFFFF);
    Put16(header, f.planes);
    Put16(header, f.bpp);
  } else {
    Put32(header, static_cast<std::uint32_t>(f.width));
    Put32(header, static_cast<std::uint32_t>(f.height));
    Put16(header, f.planes);
    Put16(header, f.bpp);
    Put32(header, f.compression);
    Put32(header, f.sizeImage);
    Put32(header, static_cast<std::uint32_t>(f.xPelsPerMeter));
    Put32(header, static_cast<std::uint32_t>(f.yPelsPerMeter));
    Put32(header, f.colorsUsed);
    Put32(header, f.colorsImportant);
    if (f.headerSize > header.size() && f.headerSize < 4096) header.resize(f.headerSize, 0);
  }
  for (std::uint32_t mask : f.masks) Put32(header, mask);
  for (const Rgb8& c : f.palette) {
    header.insert(header.end(), {c.b, c.g, c.r});
    if (f.headerSize != 12) header.push_back(0);
  }

  std::vector<std::uint8_t> out;
  if (f.fileHeader) {
    const std::size_t offset = 14 + header.size();
    out = {'B', 'M'};
    Put32(out, f.fileSize.value_or(static_cast<std::uint32_t>(offset + f.pixelData.size())));
    Put32(out, 0);
    Put32(out, f.pixelOffset.value_or(static_cast<std::uint32_t>(offset)));
  }
  out.insert(out.end(), header.begin(), header.end());
  out.insert(out.end(), f.pixelData.begin(), f.pixelData.end());
  return out;
}

IndexedPicture ToIndexed(const Picture& picture) {
  IndexedPicture out{picture.width, picture.height, {}, {}};
  for (const Rgb8& p : picture.pixels) {
    auto found = std::find(out.palette.begin(), out.palette.end(), p);
    if (found == out.palette.end()) {
      if (out.palette.size() == 256) throw std::invalid_argument("more than 256 colours");
      out.palette.push_back(p);
      found = out.palette.end() - 1;
    }
    out.indices.push_back(static_cast<std::uint8_t>(found - out.palette.begin()));
  }
  return out;
}

std::vector<std::uint8_t> PackIndices(const IndexedPicture& picture, int bpp) {
  const std::size_t stride = Stride(picture.width, bpp);
  std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(picture.height), 0);
  for (int row = 0; row < picture.height; ++row) {
    for (int x = 0; x < picture.width; ++x) {
      const unsigned index = picture.indices[static_cast<std::size_t>(row * picture.width + x)];
      const std::size_t bit = static_cast<std::size_t>(x) * bpp;
      const unsigned shift = 8 - bpp - static_cast<unsigned>(bit % 8);
      out[row * stride + bit / 8] |= static_cast<std::uint8_t>(index << shift);
    }
  }
  return out;
}

std::vector<std::uint8_t> PackDirect(const Picture& picture, int bpp, std::uint8_t extra) {
  const std::size_t stride = Stride(picture.width, bpp);
  std::vector<std::uint8_t> out;
  for (int row = 0; row < picture.height; ++row) {
    const std::size_t start = out.size();
    for (int x = 0; x < picture.width; ++x) {
      const Rgb8 p = picture.at(x, row);
      if (bpp == 16) {
        Put16(out, static_cast<std::uint32_t>((p.r >> 3) << 10 | (p.g >> 3) << 5 | (p.b >> 3)));
      } else {
        out.insert(out.end(), {p.b, p.g, p.r});
        if (bpp == 32) out.push_back(extra);
      }
    }
    out.resize(start + stride, 0);
  }
  return out;
}

std::vector<std::uint8_t> PackRgb565(const Picture& picture) {
  const std::size_t stride = Stride(picture.width, 16);
  std::vector<std::uint8_t> out;
  for (int row = 0; row < picture.height; ++row) {
    const std::size_t start = out.size();
    for (int x = 0; x < picture.width; ++x) {
      const Rgb8 p = picture.at(x, row);
      Put16(out, static_cast<std::uint32_t>((p.r >> 3) << 11 | (p.g >> 2) << 5 | (p.b >> 3)));
    }
    out.resize(start + stride, 0);
  }
  return out;
}

std::vector<std::uint8_t> FlipRows(const std::vector<std::uint8_t>& rows, int height) {
  const std::size_t stride = rows.size() / static_cast<std::size_t>(height);
  std::vector<std::uint8_t> out;
  for (int row = height - 1; row >= 0; --row) {
    const auto begin = rows.begin() + static_cast<long>(row * stride);
    out.insert(out.end(), begin, begin + static_cast<long>(stride));
  }
  return out;
}

std::vector<std::uint8_t> EncodeRle8(const IndexedPicture& picture) {
  return EncodeRle(picture, [](std::vector<std::uint8_t>& out, const Piece& piece) {
    if (piece.literal) {
      out.insert(out.end(), {0, static_cast<std::uint8_t>(piece.indices.size())});
      out.insert(out.end(), piece.indices.begin(), piece.indices.end());
      if (piece.indices.size() % 2 != 0) out.push_back(0);
    } else {
      out.insert(out.end(), {static_cast<std::uint8_t>(piece.indices.size()), piece.indices[0]});
    }
  });
}

std::vector<std::uint8_t> EncodeRle4(const IndexedPicture& picture) {
  return EncodeRle(picture, [](std::vector<std::uint8_t>& out, const Piece& piece) {
    const std::size_t count = piece.indices.size();
    if (piece.literal) {
      out.insert(out.end(), {0, static_cast<std::uint8_t>(count)});
      std::size_t bytes = 0;
      for (std::size_t i = 0; i < count; i += 2, ++bytes) {
        const unsigned low = i + 1 < count ? piece.indices[i + 1] : 0;
        out.push_back(static_cast<std::uint8_t>(piece.indices[i] << 4 | low));
      }
      if (bytes % 2 != 0) out.push_back(0);
    } else {
      const unsigned index = piece.indices[0];
      out.insert(out.end(), {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(index << 4 | index)});
    }
  });
}

std::string StorageName(Storage storage) {
  switch (storage) {
    case Storage::kInfo1: return "Info1";
    case Storage::kInfo4: return "Info4";
    case Storage::kInfo8: return "Info8";
    case Storage::kInfo16: return "Info16";
    case Storage::kInfo24: return "Info24";
    case Storage::kInfo32: return "Info32";
    case Storage::kInfoRle4: return "InfoRle4";
    case Storage::kInfoRle8: return "InfoRle8";
    case Storage::kBitFields565: return "BitFields565";
    case Storage::kBitFields32: return "BitFields32";
    case Storage::kCore1: return "Core1";
    case Storage::kCore4: return "Core4";
    case Storage::kCore8: return "Core8";
    case Storage::kCore24: return "Core24";
    case Storage::kTopDown24: return "TopDown24";
    case Storage::kTopDown8: return "TopDown8";
    case Storage::kBare8: return "Bare8";
    case Storage::kBareCore4: return "BareCore4";
  }
  return "?";
}

int StorageDepth(Storage storage) {
  switch (storage) {
    case Storage::kInfo1: case Storage::kCore1: return 1;
    case Storage::kInfo4: case Storage::kInfoRle4: case Storage::kCore4: case Storage::kBareCore4: return 4;
    case Storage::kInfo8: case Storage::kInfoRle8: case Storage::kCore8: case Storage::kTopDown8:
    case Storage::kBare8: return 8;
    case Storage::kInfo16: case Storage::kBitFields565: return 16;
    case Storage::kInfo24: case Storage::kCore24: case Storage::kTopDown24: return 24;
    case Storage::kInfo32: case Storage::kBitFields32: return 32;
  }
  return 0;
}

std::vector<std::uint8_t> EncodePicture(const Picture& picture, Storage storage) {
  BmpFields f;
  f.width = picture.width;
  f.height = picture.height;
  f.bpp = static_cast<std::uint16_t>(StorageDepth(storage));
  const bool indexed = f.bpp <= 8;
  IndexedPicture indexedPicture;
  if (indexed) {
    indexedPicture = ToIndexed(picture);
    f.palette = indexedPicture.palette;
  }
  switch (storage) {
    case Storage::kCore1: case Storage::kCore4: case Storage::kCore8: case Storage::kBareCore4:
      f.headerSize = 12;
      // A core table always has 2^bpp entries.
      f.palette.resize(std::size_t{1} << f.bpp);
      break;
    case Storage::kCore24:
      f.headerSize = 12;
      break;
    default:
      // Short tables, as compact writers store them.
      f.colorsUsed = static_cast<std::uint32_t>(f.palette.size());
      break;
  }
  switch (storage) {
    case Storage::kInfoRle4:
      f.compression = 2;
      f.pixelData = EncodeRle4(indexedPicture);
      break;
    case Storage::kInfoRle8:
      f.compression = 1;
      f.pixelData = EncodeRle8(indexedPicture);
      break;
    case Storage::kBitFields565:
      f.compression = 3;
      f.masks = {0xF800, 0x07E0, 0x001F};
      f.pixelData = PackRgb565(picture);
      break;
    case Storage::kBitFields32:
      f.compression = 3;
      f.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
      f.pixelData = PackDirect(picture, 32, 0x5A);
      break;
    case Storage::kTopDown24:
      f.height = -picture.height;
      f.pixelData = FlipRows(PackDirect(picture, 24), picture.height);
      break;
    case Storage::kTopDown8:
      f.height = -picture.height;
      f.pixelData = FlipRows(PackIndices(indexedPicture, 8), picture.height);
      break;
    case Storage::kBare8:
    case Storage::kBareCore4:
      f.fileHeader = false;
      f.pixelData = PackIndices(indexedPicture, f.bpp);
      break;
    default:
      f.pixelData = indexed ? PackIndices(indexedPicture, f.bpp) : PackDirect(picture, f.bpp, 0x33);
      break;
  }
  return WriteBmp(f);
}

}  // namespace tumbleview::test
