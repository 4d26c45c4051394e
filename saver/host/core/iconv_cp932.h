// Text conversions between the saver's internal UTF-8 and the encodings its
// settings file can hold: code page 932 (Windows' Shift-JIS, with the NEC
// and IBM extensions, ①, ～ and friends) and UTF-16LE.
//
// glibc iconv is wrapped here and nowhere else.  "CP932" is used on
// purpose, never "SHIFT_JIS": the two differ (0x8160 is U+FF5E in CP932 and
// U+301C in SHIFT_JIS; 0x8740 is valid only in CP932).
//
// Every function is pure, thread-safe and never throws; failures come back
// as a status, never as a partial or '?'-filled result.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tumbleview {

enum class TextConversion {
  Ok,
  // The input is valid but some character has no exact form in the target
  // (é or an emoji in CP932; also characters that iconv would only map to a
  // look-alike, such as ¥ onto the backslash byte).
  Unrepresentable,
  // The input is not valid in its own encoding: broken UTF-8, a Shift-JIS
  // lead byte without its trail byte, an unmapped byte pair, an odd byte
  // count or a lone surrogate in UTF-16LE.
  InvalidInput,
  // iconv could not be opened for the pair (a broken C library install).
  Unavailable,
};

struct ConversionResult {
  TextConversion status = TextConversion::Unavailable;
  std::string bytes;  // the converted text; empty unless status is Ok
  bool ok() const { return status == TextConversion::Ok; }
};

ConversionResult utf8ToCp932(std::string_view utf8);
ConversionResult cp932ToUtf8(std::string_view cp932);
// UTF-16LE without a byte-order mark, in both directions.
ConversionResult utf8ToUtf16Le(std::string_view utf8);
ConversionResult utf16LeToUtf8(std::string_view utf16le);

// Character-by-character view of CP932 for parsers that must walk bytes
// without ever splitting a double-byte character.

// True for the bytes that start a two-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool isCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
// True for the bytes that may follow a lead byte (0x40-0x7E, 0x80-0xFC).
constexpr bool isCp932TrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// The Unicode code point of one CP932 character: `lead` alone when
// `trail` is negative, else the pair.  Returns kNoCodePoint when CP932
// assigns nothing to it (0x80, 0xA0, 0xFD-0xFF, unmapped pairs).  Backed by
// a table that iconv fills once, on first use.
inline constexpr char32_t kNoCodePoint = 0xFFFFFFFF;
char32_t cp932CodePoint(unsigned char lead, int trail = -1);

// Number of bytes the code point takes in CP932 (1 or 2), or 0 when CP932
// has no exact form for it.
std::size_t cp932Length(char32_t codePoint);

}  // namespace tumbleview
