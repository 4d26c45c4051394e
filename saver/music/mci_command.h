// Lexical layer of the media-control command strings: splitting into words
// (double-quoted words may hold blanks) and reading the packed numbers.
// Portable; no state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tumbleview::mci {

struct Word {
  std::string text;     // without the quotes
  std::string lower;    // text in ASCII lower case, for names and keywords
  bool quoted = false;
};

// Splits `command` at blanks and tabs.  Returns 0, 294 (a quote is not
// closed) or 305 (characters glued after a closing quote).
std::uint32_t splitWords(std::string_view command, std::vector<Word>& words);

// Reads a decimal number, or up to four colon-separated fields of 0..255
// packed low byte first ("3:1:30:0" = 3 + 1*2^8 + 30*2^16).  Empty fields
// count as 0 but at least one field must be given.  Returns 0 or 270.
std::uint32_t parseNumber(std::string_view text, std::uint32_t& value);

// ASCII lower case; other bytes (UTF-8 included) are left as they are.
std::string lowerAscii(std::string_view text);

}  // namespace tumbleview::mci
