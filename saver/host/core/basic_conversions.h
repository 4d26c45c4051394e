// The text and number conversions the saver's windows and settings file
// rely on, with the exact results of the classic Basic runtime the saver's
// behaviour was defined against (blank before a positive number, halves to
// even, lenient reading that stops at the first non-number character...).
//
// Texts are UTF-8.  "Character" means Unicode code point; positions are
// 1-based.  Nothing here throws: where the classic runtime raised a
// run-time error (type mismatch, overflow, invalid argument) the answer is
// std::nullopt.  Invalid UTF-8 bytes count as one character each.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tumbleview {

// ---- Characters ------------------------------------------------------------

// Splits UTF-8 into code points; a byte that starts no valid sequence
// becomes U+DC00 + byte (never equal to a real character) so that nothing
// is lost or merged.
std::u32string decodeUtf8(std::string_view text);
// Inverse of decodeUtf8 (U+DC80..U+DCFF go back to their single byte).
std::string encodeUtf8(std::u32string_view text);

// Upper-case form of one character: ASCII, Latin-1, Latin Extended-A,
// Greek, Cyrillic and the full-width Latin letters fold; kana, kanji and
// everything else stay as they are.  Also the folding used for
// case-insensitive names in the settings file.
char32_t upperCaseOf(char32_t c);

// ---- Text ------------------------------------------------------------------

// Every lower-case letter (as upperCaseOf) made upper-case.
std::string toUpper(std::string_view text);

// The first / last `count` characters; the whole text when `count` reaches
// past it.  A negative count is an invalid argument: nullopt.
std::optional<std::string> left(std::string_view text, int count);
std::optional<std::string> right(std::string_view text, int count);

// `count` characters (or all the rest when count is nullopt) from the
// 1-based position `start`.  start < 1 or count < 0: nullopt.  A start past
// the end gives an empty text.
std::optional<std::string> substring(std::string_view text, int start,
                                     std::optional<int> count = std::nullopt);

// 1-based position of the first `needle` in `text` at or after `start`, or
// 0 when there is none.  An empty needle is found at `start` (0 when start
// is past the end + 1).  start < 1: nullopt.
std::optional<int> findText(std::string_view text, std::string_view needle, int start = 1);

// Number of characters.
int textLength(std::string_view text);

// ---- Numbers from text -------------------------------------------------------

// Separators of a locale's number format.  The process locale's decimal
// point; its thousands separator, or ',' where the locale names none (the
// C and ja_JP locales both end up with '.' and ',').  The currency symbol
// (may be empty) is accepted in front of the digits.
struct NumberFormat {
  std::string decimalPoint = ".";
  std::string thousandsSeparator = ",";
  std::string currencySymbol;
};
NumberFormat processNumberFormat();

// The whole text as a number, the way the runtime converts a text in an
// arithmetic context: blanks around it, a sign in front or behind, or
// parentheses for a negative number; thousands separators anywhere after the
// first digit; one decimal point; an exponent with e/E and digits; &H / &O
// radix literals (up to 4 digits sign-extended from 16 bits, up to 8 from
// 32).  Anything else, or no digit at all: nullopt.
std::optional<double> parseNumberText(std::string_view text, const NumberFormat& format);
std::optional<double> parseNumberText(std::string_view text);  // process format

// True when parseNumberText accepts the text.
bool isNumericText(std::string_view text, const NumberFormat& format);
bool isNumericText(std::string_view text);

// Lenient reading of the number at the start of the text (Basic's Val):
// every blank, tab and line feed anywhere is removed first; then an
// optional sign, digits, one '.', an exponent introduced by E, e, D or d;
// or &H / &O / & (octal) radix digits.  Reading stops at the first character
// that cannot continue the number; no digit at all gives 0.  Only '.' is a
// decimal point, whatever the locale.  A '%' or '&' type suffix after a
// number with a fraction or exponent ("50.5%") and a result beyond the
// double range are the runtime's errors: nullopt.
std::optional<double> parseLeadingNumber(std::string_view text);

// ---- Numbers to whole numbers ------------------------------------------------

// Largest whole number not above `value` (Basic's Int: -8.4 gives -9).
double roundDown(double value);

// Nearest 16-bit integer, an exact half going to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).  A result outside -32768..32767, or NaN:
// nullopt (the runtime's overflow).
std::optional<std::int16_t> toInt16Rounded(double value);
// The same for a text, read by parseNumberText; a text that is not a number
// is nullopt too.
std::optional<std::int16_t> toInt16Rounded(std::string_view text);

// ---- Numbers to text -----------------------------------------------------------

// Display form of a number (Basic's Str): one leading blank for a value of
// 0 or more, '-' for a negative one; '.' as decimal point; no zero before
// the point (0.5 -> " .5"); up to 15 significant digits, an exponent
// (" 1E+20") for very large or small values.
std::string numberText(double value);
std::string numberText(std::int64_t value);
inline std::string numberText(int value) { return numberText(static_cast<std::int64_t>(value)); }
inline std::string numberText(std::int16_t value) {
  return numberText(static_cast<std::int64_t>(value));
}

// A number through a digit pattern made only of '#' ("##", "###"): rounded
// half away from zero to a whole number, all its digits shown, '-' in front
// of a negative one, and 0 shown as an empty text.  A pattern with any other
// character is not supported: nullopt.
std::optional<std::string> formatDigits(double value, std::string_view pattern);

}  // namespace tumbleview
