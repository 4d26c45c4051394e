// Fuzz target for the profile-file reader: any bytes, as a CP932 or UTF-16LE
// file, must give a bounded answer without crashing.  The first input byte
// picks the lookup (which key, section, buffer size), so that the fuzzer
// reaches truncation and both encodings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "profile_file.h"

namespace {

constexpr const char* kSections[] = {"Section", "s", "ゾーン", "App"};
constexpr const char* kKeys[] = {"画像区分", "BGMﾌｧｲﾙ", "k", "ア"};
constexpr std::size_t kSizes[] = {256, 1, 0, 5};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t pick = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string value = tumbleview::GetProfileStringFromBytes(
      bytes, kSections[pick & 3], kKeys[(pick >> 2) & 3], "d", kSizes[(pick >> 4) & 3]);
  // The answer never exceeds the buffer (UTF-8 may take up to twice the
  // CP932 bytes of a character, plus U+FFFD for broken bytes).
  if (value.size() > 3 * 256) __builtin_trap();
  return 0;
}
