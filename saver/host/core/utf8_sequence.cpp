#include "utf8_sequence.h"

namespace tumbleview {

Utf8CodePoint nextUtf8CodePoint(std::string_view text, std::size_t pos) {
  const auto b = static_cast<unsigned char>(text[pos]);
  if (b < 0x80) return {b, 1};
  std::size_t length = 0;
  char32_t cp = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    cp = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    cp = b & 0x07;
  } else {
    return {};
  }
  if (text.size() - pos < length) return {};
  for (std::size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(text[pos + k]);
    if ((c & 0xC0) != 0x80) return {};
    cp = (cp << 6) | (c & 0x3F);
  }
  // Lead bytes C2..DF already rule out overlong two-byte forms.
  if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return {};
  }
  return {cp, length};
}

}  // namespace tumbleview
