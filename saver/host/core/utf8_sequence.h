// Reading one UTF-8 sequence at a time, strictly: a lead byte C2..F4, the
// right number of continuation bytes, no overlong form, no surrogate, nothing
// past U+10FFFF.  Callers decide what a byte that starts no valid sequence
// means to them.  Portable, no toolkit headers.
#pragma once

#include <cstddef>
#include <string_view>

namespace tumbleview {

struct Utf8CodePoint {
  char32_t codePoint = 0;
  // Bytes the sequence takes (1..4); 0 when the byte at the position starts
  // no valid sequence (codePoint is then meaningless).
  std::size_t length = 0;
};

// The code point whose sequence starts at `text[pos]`.  `pos` must be
// inside `text`; bytes past its end are never read.
Utf8CodePoint nextUtf8CodePoint(std::string_view text, std::size_t pos);

}  // namespace tumbleview
