#include "basic_conversions.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

#include "utf8_sequence.h"

namespace tumbleview {
namespace {

constexpr char32_t kEscapedByteBase = 0xDC00;

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool startsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
  return !prefix.empty() && text.substr(pos, prefix.size()) == prefix;
}

// Radix digits after "&H" / "&O" / "&", as the runtime types such literals:
// a value that fits in 16 bits is an Integer (so &HFFFF is -1), one that
// fits in 32 bits a Long.  More than 32 bits: nullopt (overflow).
struct RadixDigits {
  std::size_t end = 0;  // position after the last digit read
  std::optional<double> value;
};
RadixDigits readRadixDigits(std::string_view text, std::size_t pos, int radix) {
  RadixDigits result{pos, 0.0};
  std::uint64_t value = 0;
  while (pos < text.size()) {
    const int digit = radix == 16 ? hexDigitValue(text[pos])
                                  : (text[pos] >= '0' && text[pos] <= '7' ? text[pos] - '0' : -1);
    if (digit < 0) break;
    value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) {
      result.value.reset();
      // Keep scanning so that the caller sees where the literal ends.
      value = 0x100000000u;
    }
    ++pos;
  }
  result.end = pos;
  if (!result.value) return result;
  if (value <= 0xFFFF) {
    result.value = static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
  } else {
    result.value = static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
  }
  return result;
}

// Parses an ASCII decimal number made of [-]digits[.digits][E[sign]digits].
std::optional<double> parseCleanDecimal(const std::string& clean) {
  double value = 0;
  const char* first = clean.data();
  const char* last = clean.data() + clean.size();
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// ---- Characters --------------------------------------------------------------

std::u32string decodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const Utf8CodePoint next = nextUtf8CodePoint(text, i);
    if (next.length == 0) {
      out.push_back(kEscapedByteBase + static_cast<unsigned char>(text[i]));
      ++i;
      continue;
    }
    out.push_back(next.codePoint);
    i += next.length;
  }
  return out;
}

std::string encodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : text) {
    if (cp >= kEscapedByteBase + 0x80 && cp <= kEscapedByteBase + 0xFF) {
      out.push_back(static_cast<char>(cp - kEscapedByteBase));
      continue;
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

char32_t upperCaseOf(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  // Latin-1 (but not the division sign); ÿ's capital lives in Extended-A.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs capital and small letter side by side; the
    // pairing flips parity in 0139..0148 and 0179..017E.
    const bool oddIsSmall = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool evenIsSmall = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddIsSmall && (c & 1)) return c - 1;
    if (evenIsSmall && !(c & 1)) return c - 1;
    return c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;  // Greek
  if (c == 0x3C2) return 0x3A3;                                  // final sigma
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // full-width Latin
  return c;
}

// ---- Text --------------------------------------------------------------------

std::string toUpper(std::string_view text) {
  std::u32string chars = decodeUtf8(text);
  for (char32_t& c : chars) c = upperCaseOf(c);
  return encodeUtf8(chars);
}

int textLength(std::string_view text) { return static_cast<int>(decodeUtf8(text).size()); }

std::optional<std::string> left(std::string_view text, int count) {
  if (count < 0) return std::nullopt;
  const std::u32string chars = decodeUtf8(text);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), chars.size());
  return encodeUtf8(std::u32string_view(chars).substr(0, n));
}

std::optional<std::string> right(std::string_view text, int count) {
  if (count < 0) return std::nullopt;
  const std::u32string chars = decodeUtf8(text);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), chars.size());
  return encodeUtf8(std::u32string_view(chars).substr(chars.size() - n));
}

std::optional<std::string> substring(std::string_view text, int start, std::optional<int> count) {
  if (start < 1 || (count && *count < 0)) return std::nullopt;
  const std::u32string chars = decodeUtf8(text);
  const auto first = static_cast<std::size_t>(start - 1);
  if (first >= chars.size()) return std::string();
  const std::size_t n = count ? static_cast<std::size_t>(*count) : std::u32string::npos;
  return encodeUtf8(std::u32string_view(chars).substr(first, n));
}

std::optional<int> findText(std::string_view text, std::string_view needle, int start) {
  if (start < 1) return std::nullopt;
  const std::u32string chars = decodeUtf8(text);
  const std::u32string wanted = decodeUtf8(needle);
  const auto first = static_cast<std::size_t>(start - 1);
  if (first > chars.size()) return 0;
  const std::size_t at = chars.find(wanted, first);
  return at == std::u32string::npos ? 0 : static_cast<int>(at) + 1;
}

// ---- Numbers from text -----------------------------------------------------------

NumberFormat processNumberFormat() {
  NumberFormat format;
  if (const lconv* conv = std::localeconv()) {
    if (conv->decimal_point && *conv->decimal_point) format.decimalPoint = conv->decimal_point;
    if (conv->thousands_sep && *conv->thousands_sep) format.thousandsSeparator = conv->thousands_sep;
    if (conv->currency_symbol) format.currencySymbol = conv->currency_symbol;
  }
  return format;
}

std::optional<double> parseNumberText(std::string_view text, const NumberFormat& format) {
  std::size_t pos = 0;
  const auto skipBlanks = [&] {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
  };
  const auto atEndAfterBlanks = [&] {
    skipBlanks();
    return pos == text.size();
  };
  skipBlanks();

  if (pos < text.size() && text[pos] == '&') {
    const char kind = pos + 1 < text.size() ? text[pos + 1] : '\0';
    int radix = 0;
    if (kind == 'H' || kind == 'h') radix = 16;
    if (kind == 'O' || kind == 'o') radix = 8;
    if (radix == 0) return std::nullopt;
    const RadixDigits digits = readRadixDigits(text, pos + 2, radix);
    if (digits.end == pos + 2 || !digits.value) return std::nullopt;
    pos = digits.end;
    if (!atEndAfterBlanks()) return std::nullopt;
    return digits.value;
  }

  bool negative = false;
  bool leadingSign = false;
  bool parenthesised = false;
  bool seenCurrency = false;
  const auto skipCurrency = [&] {
    if (!seenCurrency && startsWith(text, pos, format.currencySymbol)) {
      pos += format.currencySymbol.size();
      seenCurrency = true;
    }
  };
  skipCurrency();
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    leadingSign = true;
    ++pos;
  } else if (pos < text.size() && text[pos] == '(') {
    negative = true;
    parenthesised = true;
    ++pos;
  }
  skipCurrency();

  std::string clean;
  std::size_t digits = 0;
  bool seenPoint = false;
  while (pos < text.size()) {
    if (isAsciiDigit(text[pos])) {
      clean.push_back(text[pos]);
      ++digits;
      ++pos;
    } else if (!seenPoint && startsWith(text, pos, format.decimalPoint)) {
      clean.push_back('.');
      seenPoint = true;
      pos += format.decimalPoint.size();
    } else if (!seenPoint && digits > 0 && startsWith(text, pos, format.thousandsSeparator)) {
      pos += format.thousandsSeparator.size();
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    clean.push_back('e');
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) clean.push_back(text[pos++]);
    std::size_t exponentDigits = 0;
    while (pos < text.size() && isAsciiDigit(text[pos])) {
      clean.push_back(text[pos++]);
      ++exponentDigits;
    }
    if (exponentDigits == 0) return std::nullopt;
  }
  if (!leadingSign && !parenthesised && pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (parenthesised) {
    if (pos >= text.size() || text[pos] != ')') return std::nullopt;
    ++pos;
  }
  if (!atEndAfterBlanks()) return std::nullopt;
  if (clean.front() == '.') clean.insert(clean.begin(), '0');
  const std::size_t exponentAt = clean.find('e');
  if (clean[(exponentAt == std::string::npos ? clean.size() : exponentAt) - 1] == '.') {
    clean.erase((exponentAt == std::string::npos ? clean.size() : exponentAt) - 1, 1);
  }
  std::optional<double> value = parseCleanDecimal(clean);
  if (value && negative) *value = -*value;
  return value;
}

std::optional<double> parseNumberText(std::string_view text) {
  return parseNumberText(text, processNumberFormat());
}

bool isNumericText(std::string_view text, const NumberFormat& format) {
  return parseNumberText(text, format).has_value();
}

bool isNumericText(std::string_view text) { return parseNumberText(text).has_value(); }

std::optional<double> parseLeadingNumber(std::string_view text) {
  std::string squeezed;
  squeezed.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') squeezed.push_back(c);
  }
  std::size_t pos = 0;
  bool negative = false;
  if (pos < squeezed.size() && (squeezed[pos] == '+' || squeezed[pos] == '-')) {
    negative = squeezed[pos] == '-';
    ++pos;
  }

  if (pos < squeezed.size() && squeezed[pos] == '&') {
    ++pos;
    int radix = 8;
    if (pos < squeezed.size() && (squeezed[pos] == 'H' || squeezed[pos] == 'h')) {
      radix = 16;
      ++pos;
    } else if (pos < squeezed.size() && (squeezed[pos] == 'O' || squeezed[pos] == 'o')) {
      ++pos;
    }
    const RadixDigits digits = readRadixDigits(squeezed, pos, radix);
    if (!digits.value) return std::nullopt;
    return negative ? -*digits.value : *digits.value;
  }

  std::string clean = negative ? "-" : "";
  std::size_t digits = 0;
  bool fractionOrExponent = false;
  while (pos < squeezed.size() && isAsciiDigit(squeezed[pos])) {
    clean.push_back(squeezed[pos++]);
    ++digits;
  }
  if (pos < squeezed.size() && squeezed[pos] == '.') {
    fractionOrExponent = true;
    clean.push_back('.');
    ++pos;
    while (pos < squeezed.size() && isAsciiDigit(squeezed[pos])) {
      clean.push_back(squeezed[pos++]);
      ++digits;
    }
    if (clean.back() == '.') clean.pop_back();
  }
  if (digits == 0) return 0.0;
  if (pos < squeezed.size()) {
    const char letter = squeezed[pos];
    if (letter == 'E' || letter == 'e' || letter == 'D' || letter == 'd') {
      std::size_t look = pos + 1;
      std::string exponent = "e";
      if (look < squeezed.size() && (squeezed[look] == '+' || squeezed[look] == '-')) {
        exponent.push_back(squeezed[look++]);
      }
      const std::size_t exponentStart = look;
      while (look < squeezed.size() && isAsciiDigit(squeezed[look])) exponent.push_back(squeezed[look++]);
      if (look > exponentStart) {
        clean += exponent;
        pos = look;
        fractionOrExponent = true;
      }
    }
  }
  // An Integer or Long type suffix cannot follow a number with a fraction.
  if (fractionOrExponent && pos < squeezed.size() && (squeezed[pos] == '%' || squeezed[pos] == '&')) {
    return std::nullopt;
  }
  const std::size_t signLength = negative ? 1 : 0;
  if (clean.size() > signLength && clean[signLength] == '.') clean.insert(signLength, "0");
  return parseCleanDecimal(clean);
}

// ---- Numbers to whole numbers -----------------------------------------------------

double roundDown(double value) { return std::floor(value); }

std::optional<std::int16_t> toInt16Rounded(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  if (value < -40000.0 || value > 40000.0) return std::nullopt;
  double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  if (whole < -32768.0 || whole > 32767.0) return std::nullopt;
  return static_cast<std::int16_t>(whole);
}

std::optional<std::int16_t> toInt16Rounded(std::string_view text) {
  const std::optional<double> value = parseNumberText(text);
  if (!value) return std::nullopt;
  return toInt16Rounded(*value);
}

// ---- Numbers to text -------------------------------------------------------------

std::string numberText(double value) {
  if (value == 0.0) value = 0.0;  // no "-0"
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text = buffer;
  // The runtime writes no zero in front of the decimal point.
  if (text.rfind("0.", 0) == 0) text.erase(0, 1);
  if (text.rfind("-0.", 0) == 0) text.erase(1, 1);
  if (!std::signbit(value)) text.insert(text.begin(), ' ');
  return text;
}

std::string numberText(std::int64_t value) {
  std::string text = std::to_string(value);
  if (value >= 0) text.insert(text.begin(), ' ');
  return text;
}

std::optional<std::string> formatDigits(double value, std::string_view pattern) {
  if (pattern.empty() || pattern.find_first_not_of('#') != std::string_view::npos) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  const double whole = std::round(value);
  if (whole == 0.0) return std::string();
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.0f", whole);
  return std::string(buffer);
}

}  // namespace tumbleview
