// Fuzz target for profile files: any bytes, as a CP932 or UTF-16LE file,
// must give a bounded answer without crashing, and an edit of them must
// read back as written.  The first input byte picks the operation (read or
// write), the section, the key and the buffer size or value, so that the
// fuzzer reaches truncation, both encodings and the move to UTF-16LE.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profile_file.h"

namespace {

constexpr const char* kSections[] = {"Section", "s", "ゾーン", "App"};
constexpr const char* kKeys[] = {"画像区分", "BGMﾌｧｲﾙ", "k", "ア"};
constexpr std::size_t kSizes[] = {256, 1, 0, 5};
constexpr const char* kValues[] = {" 1", "", "'quoted'", "/home/josé/😀.jpg"};
constexpr std::size_t kLargeBuffer = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t pick = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const char* section = kSections[pick & 3];
  const char* key = kKeys[(pick >> 2) & 3];

  if ((pick & 0x40) == 0) {
    const std::string value =
        tumbleview::getProfileStringFromBytes(bytes, section, key, "d", kSizes[(pick >> 4) & 3]);
    // Never more than the buffer: at most 3 UTF-8 bytes per CP932 byte.
    if (value.size() > 3 * 255) __builtin_trap();
    return 0;
  }

  const char* value = kValues[(pick >> 4) & 3];
  const std::optional<std::string> edited = tumbleview::editProfileBytes(bytes, section, key, value);
  if (!edited) return 0;
  // The edited key reads back exactly as the same line in a file of its own.
  const std::string expected = tumbleview::getProfileStringFromBytes(
      *tumbleview::editProfileBytes("", section, key, value), section, key, "d", kLargeBuffer);
  const std::string actual = tumbleview::getProfileStringFromBytes(*edited, section, key, "d", kLargeBuffer);
  if (actual != expected || expected == "d") __builtin_trap();
  return 0;
}
