#include "iconv_cp932.h"

#include <errno.h>
#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "utf8_sequence.h"

namespace tumbleview {
namespace {

constexpr const char* kCp932Name = "CP932";
constexpr const char* kUtf8Name = "UTF-8";
constexpr const char* kUtf16LeName = "UTF-16LE";

// One iconv conversion descriptor, closed with its owner.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(m_handle);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `input`.  EILSEQ maps to `onIllegal` (iconv uses it both
  // for broken input and for characters the target lacks; the callers know
  // which one it can be); a truncated multi-byte sequence is InvalidInput.
  ConversionResult convert(std::string_view input, TextConversion onIllegal) {
    ConversionResult result;
    if (!valid()) return result;
    iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
    std::string out(input.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t used = 0;
    while (true) {
      char* outPtr = out.data() + used;
      std::size_t outLeft = out.size() - used;
      const std::size_t rc = iconv(m_handle, &in, &inLeft, &outPtr, &outLeft);
      used = out.size() - outLeft;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      result.status = errno == EILSEQ ? onIllegal : TextConversion::InvalidInput;
      return result;
    }
    out.resize(used);
    result.status = TextConversion::Ok;
    result.bytes = std::move(out);
    return result;
  }

 private:
  iconv_t m_handle;
};

// Strict UTF-8 check (no overlongs, no surrogates, nothing past U+10FFFF),
// so that an iconv EILSEQ on the way to CP932 can only mean "no such
// character there".
bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = nextUtf8CodePoint(text, i).length;
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// CP932 decoding table, filled once through iconv: 256 single bytes plus
// every lead/trail pair.  Also the reverse direction for length queries.
struct Cp932Tables {
  std::array<char32_t, 256> single{};
  std::vector<char32_t> pairs;  // [lead 0x80..0xFF][trail 0x40..0xFF]
  std::unordered_map<char32_t, std::uint8_t> lengths;

  static std::size_t pairIndex(unsigned char lead, unsigned char trail) {
    return static_cast<std::size_t>(lead - 0x80) * 0xC0 + (trail - 0x40);
  }

  Cp932Tables() : pairs(0x80 * 0xC0, kNoCodePoint) {
    single.fill(kNoCodePoint);
    IconvHandle toUtf16(kUtf16LeName, kCp932Name);
    const auto decode = [&](std::string_view bytes) -> char32_t {
      ConversionResult r = toUtf16.convert(bytes, TextConversion::InvalidInput);
      if (!r.ok()) return kNoCodePoint;
      // Every CP932 character is in the Basic Multilingual Plane.
      if (r.bytes.size() != 2) return kNoCodePoint;
      return static_cast<unsigned char>(r.bytes[0]) |
             (static_cast<char32_t>(static_cast<unsigned char>(r.bytes[1])) << 8);
    };
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<unsigned char>(b);
      if (isCp932LeadByte(byte)) continue;
      const char c = static_cast<char>(byte);
      single[byte] = decode(std::string_view(&c, 1));
      if (single[byte] != kNoCodePoint) lengths.emplace(single[byte], 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!isCp932LeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (!isCp932TrailByte(static_cast<unsigned char>(trail))) continue;
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        const char32_t cp = decode(std::string_view(pair, 2));
        pairs[pairIndex(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))] = cp;
        if (cp != kNoCodePoint) lengths.emplace(cp, 2);
      }
    }
  }
};

const Cp932Tables& cp932Tables() {
  static const Cp932Tables tables;
  return tables;
}

}  // namespace

ConversionResult utf8ToCp932(std::string_view utf8) {
  if (!isValidUtf8(utf8)) return {TextConversion::InvalidInput, {}};
  IconvHandle handle(kCp932Name, kUtf8Name);
  ConversionResult result = handle.convert(utf8, TextConversion::Unrepresentable);
  if (!result.ok()) return result;
  // iconv maps a few characters onto look-alikes (¥ onto 0x5C, ‾ onto
  // 0x7E) that read back as something else: only an exact round trip counts.
  const ConversionResult back = cp932ToUtf8(result.bytes);
  if (!back.ok() || back.bytes != utf8) return {TextConversion::Unrepresentable, {}};
  return result;
}

ConversionResult cp932ToUtf8(std::string_view cp932) {
  IconvHandle handle(kUtf8Name, kCp932Name);
  return handle.convert(cp932, TextConversion::InvalidInput);
}

ConversionResult utf8ToUtf16Le(std::string_view utf8) {
  if (!isValidUtf8(utf8)) return {TextConversion::InvalidInput, {}};
  IconvHandle handle(kUtf16LeName, kUtf8Name);
  return handle.convert(utf8, TextConversion::InvalidInput);
}

ConversionResult utf16LeToUtf8(std::string_view utf16le) {
  if (utf16le.size() % 2 != 0) return {TextConversion::InvalidInput, {}};
  IconvHandle handle(kUtf8Name, kUtf16LeName);
  return handle.convert(utf16le, TextConversion::InvalidInput);
}

char32_t cp932CodePoint(unsigned char lead, int trail) {
  const Cp932Tables& tables = cp932Tables();
  if (trail < 0) return isCp932LeadByte(lead) ? kNoCodePoint : tables.single[lead];
  if (!isCp932LeadByte(lead) || trail > 0xFF || !isCp932TrailByte(static_cast<unsigned char>(trail))) {
    return kNoCodePoint;
  }
  return tables.pairs[Cp932Tables::pairIndex(lead, static_cast<unsigned char>(trail))];
}

std::size_t cp932Length(char32_t codePoint) {
  const Cp932Tables& tables = cp932Tables();
  const auto it = tables.lengths.find(codePoint);
  return it == tables.lengths.end() ? 0 : it->second;
}

}  // namespace tumbleview
